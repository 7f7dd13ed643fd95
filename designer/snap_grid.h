// SPDX-License-Identifier: MIT
// The designer's grid: positions and sizes the author drags snap to multiples of its step
// (120 twips unless changed) while snapping is on.
#pragma once

#include <cmath>

namespace stolvane {

struct SnapGrid {
    double step = 120;
    bool snap = true;

    // The nearest grid line to a position; the position itself with snapping off.
    double Snap(double v) const { return snap && step > 0 ? std::round(v / step) * step : v; }
    // A length snapped the same way, never below one step (or one twip with snapping off).
    double SnapLength(double v) const {
        if (!snap || step <= 0) return std::max(v, 1.0);
        return std::max(std::round(v / step) * step, step);
    }
};

}  // namespace stolvane
