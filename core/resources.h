// SPDX-License-Identifier: MIT
// Files compiled into the library: the library forms' designs and the controls' artwork,
// addressed by their path in the source tree ("forms/frmAbout.json").
#pragma once

#include <string_view>
#include <utility>
#include <vector>

namespace stolvane::resources {
std::vector<std::pair<std::string_view, std::string_view>> All();
// The bytes of one resource; empty when there is none of that name.
std::string_view Get(std::string_view path);
}  // namespace stolvane::resources
