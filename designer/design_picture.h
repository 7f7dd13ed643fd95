// SPDX-License-Identifier: MIT
// The picture of the form under design as the designer shows it: the form drawn exactly as it
// runs, grid dots on its own empty area, grab handles around the selection (or, with nothing
// selected, at the form's own right edge, bottom edge and bottom-right corner, in a margin
// beside it), and the dotted rectangle of a rubber band being dragged. Nothing of this reaches
// the form or its file.
#pragma once

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/picture.h"
#include "core/elements.h"

namespace stolvane {
class Form;
class FormRenderer;
}  // namespace stolvane

namespace stolvane::designer {

constexpr int kHandleReach = 2;  // a grab handle reaches this many pixels from its centre
constexpr int kHandleCount = 8;
// The margin right of and below the form that holds the form's own grab handles, in pixels.
constexpr int kFormMargin = 6;

// The whole pixels a rectangle of the form (twips) covers: left, top, right, bottom.
std::array<int, 4> PixelBox(const Rect& r);
// The centres of the eight grab handles around a rectangle of the form, in pixels: clockwise
// from the top-left corner (top-left, top, top-right, right, bottom-right, bottom, bottom-left,
// left).
std::array<std::pair<int, int>, kHandleCount> HandleCentres(const Rect& r);
// The centres of the form's own three handles, just outside its client area of that size:
// the middle of the right edge, the bottom-right corner, the middle of the bottom edge.
std::array<std::pair<int, int>, 3> FormHandleCentres(double width, double height);
// The index of the handle whose square holds pixel (px, py); -1 for none.
template <size_t N>
int HandleAt(const std::array<std::pair<int, int>, N>& centres, int px, int py) {
    for (size_t i = 0; i < N; ++i)
        if (std::abs(px - centres[i].first) <= kHandleReach && std::abs(py - centres[i].second) <= kHandleReach)
            return static_cast<int>(i);
    return -1;
}

// 0xAARRGGBB pixels, row by row.
struct DesignPicture {
    int width = 0, height = 0;
    std::vector<uint32_t> argb;
    PictureRef ToPicture() const { return Picture::FromPixels(width, height, argb); }
};

struct DesignView {
    std::vector<Rect> selected;  // where the selected things lie in the form; the first is the primary
    double gridStep = 0;         // dots every step on the form's empty area; 0 none
    bool formHandles = false;    // the form's own handles (nothing is selected)
};

// The form drawn by a renderer of it at scale 1 (which repaints only what changed since it last
// drew) with what the view adds, on a picture kFormMargin pixels wider and taller than the
// form, the margin in the workspace's colour.
DesignPicture DrawDesigned(FormRenderer& renderer, Form& form, const DesignView& view, uint32_t workspace);
// A rubber band: a dotted rectangle over a rectangle of the form (twips), each other pixel of
// its outline inverted, so that it shows on any colour.
void DrawBand(DesignPicture& picture, const Rect& r);

}  // namespace stolvane::designer
