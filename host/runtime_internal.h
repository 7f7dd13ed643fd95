// SPDX-License-Identifier: MIT
// Helpers the runtime's source files share; not part of its interface.
#pragma once

#include <functional>

#include "core/surface.h"

namespace stolvane {

// Calls f for the surface and every control surface inside it, outermost first.
void ForEachSurface(Surface& s, const std::function<void(Surface&)>& f);

}  // namespace stolvane
