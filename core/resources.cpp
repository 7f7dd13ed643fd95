// SPDX-License-Identifier: MIT
#include "core/resources.h"

namespace stolvane::resources {
std::string_view Get(std::string_view path) {
    static const auto all = All();
    for (auto& [name, bytes] : all)
        if (name == path) return bytes;
    return {};
}
}  // namespace stolvane::resources
