// SPDX-License-Identifier: MIT
// Bevels drawn from tables. A control keeps its bevel colours as a table (by style, state or
// focus); one routine gives the lines their colours, so the table reads like the look it makes.
#pragma once

#include <stolvane/core/elements.h>
#include <stolvane/core/types.h>

namespace stolvane {

// A colour in a bevel table that leaves its lines as they are.
inline constexpr OleColour kKeepColour = 0xFFFFFFFFu;

// The four edge lines of a raised or sunken frame; an absent edge is null.
struct Bevel {
    Line* top = nullptr;
    Line* left = nullptr;
    Line* bottom = nullptr;
    Line* right = nullptr;
};

// Top and left take topLeft, bottom and right take bottomRight (kKeepColour: unchanged).
void PaintBevel(const Bevel& bevel, OleColour topLeft, OleColour bottomRight);
// Shows or hides all four edges.
void ShowBevel(const Bevel& bevel, bool visible);

}  // namespace stolvane
