// SPDX-License-Identifier: MIT
#include "core/bevel.h"

namespace stolvane {

void PaintBevel(const Bevel& bevel, OleColour topLeft, OleColour bottomRight) {
    auto paint = [](Line* line, OleColour colour) {
        if (line && colour != kKeepColour) line->SetColour(colour);
    };
    paint(bevel.top, topLeft);
    paint(bevel.left, topLeft);
    paint(bevel.bottom, bottomRight);
    paint(bevel.right, bottomRight);
}

void ShowBevel(const Bevel& bevel, bool visible) {
    for (Line* line : {bevel.top, bevel.left, bevel.bottom, bevel.right})
        if (line) line->SetVisible(visible);
}

}  // namespace stolvane
