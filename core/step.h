// SPDX-License-Identifier: MIT
// Guarded steps: "run this step; if a host operation fails, go on with the next". Handlers
// that the classic controls ran guarded (the button's handlers, the panel's repaint, the title
// bar's painter) are written as a sequence of such steps.
#pragma once

#include "core/types.h"

namespace stolvane {

// Runs one step. A failing host operation (HostError) ends only this step; onFailure, when
// given, hears of it. Returns whether the step ran to its end.
template <class F, class R>
bool Step(F&& step, R&& onFailure) {
    try {
        step();
        return true;
    } catch (const HostError& e) {
        onFailure(e);
        return false;
    }
}

template <class F>
bool Step(F&& step) {
    return Step(step, [](const HostError&) {});
}

}  // namespace stolvane
