// SPDX-License-Identifier: MIT
#include "designer/design_picture.h"

#include <algorithm>
#include <cmath>

#include "core/elements.h"
#include "core/form.h"
#include "core/units.h"
#include "host/render.h"

namespace stolvane::designer {

namespace {

constexpr uint32_t kSelectionColour = 0xFF000080;  // dark blue
constexpr uint32_t kGridColour = 0xFF000000;

}  // namespace

std::array<int, 4> PixelBox(const Rect& r) {
    return {static_cast<int>(std::floor(r.left / kTwipsPerPixel)), static_cast<int>(std::floor(r.top / kTwipsPerPixel)),
            static_cast<int>(std::ceil((r.left + r.width) / kTwipsPerPixel)) - 1,
            static_cast<int>(std::ceil((r.top + r.height) / kTwipsPerPixel)) - 1};
}

std::array<std::pair<int, int>, kHandleCount> HandleCentres(const Rect& r) {
    const auto [x0, y0, x1, y1] = PixelBox(r);
    const int xm = (x0 + x1) / 2, ym = (y0 + y1) / 2;
    return {{{x0, y0}, {xm, y0}, {x1, y0}, {x1, ym}, {x1, y1}, {xm, y1}, {x0, y1}, {x0, ym}}};
}

std::array<std::pair<int, int>, 3> FormHandleCentres(double width, double height) {
    const auto [x0, y0, x1, y1] = PixelBox({0, 0, width, height});
    const int right = x1 + 1 + kFormMargin / 2, bottom = y1 + 1 + kFormMargin / 2;
    return {{{right, (y0 + y1) / 2}, {right, bottom}, {(x0 + x1) / 2, bottom}}};
}

DesignPicture DrawDesigned(FormRenderer& renderer, Form& form, const DesignView& view, uint32_t workspace) {
    const Frame& frame = renderer.Update();
    DesignPicture pic;
    pic.width = frame.width + kFormMargin;
    pic.height = frame.height + kFormMargin;
    pic.argb.assign(static_cast<size_t>(pic.width) * pic.height, 0xFF000000u | workspace);
    for (int y = 0; y < frame.height; ++y)
        for (int x = 0; x < frame.width; ++x) {
            const uint32_t bgr = frame.PixelRgb(x, y);
            pic.argb[static_cast<size_t>(y) * pic.width + x] =
                0xFF000000u | ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
        }
    auto plot = [&](int x, int y, uint32_t colour) {
        if (x >= 0 && y >= 0 && x < pic.width && y < pic.height) pic.argb[static_cast<size_t>(y) * pic.width + x] = colour;
    };

    // Grid dots where nothing placed on the form covers it.
    if (view.gridStep >= kTwipsPerPixel) {
        std::vector<uint8_t> covered(static_cast<size_t>(frame.width) * frame.height, 0);
        for (const auto& e : form.Elements()) {
            if (!e->Visible()) continue;
            auto [x0, y0, x1, y1] = PixelBox(e->Bounds());
            x0 = std::max(x0, 0), y0 = std::max(y0, 0);
            x1 = std::min(x1, frame.width - 1), y1 = std::min(y1, frame.height - 1);
            for (int y = y0; y <= y1; ++y)
                std::fill_n(covered.begin() + static_cast<ptrdiff_t>(y) * frame.width + x0, std::max(0, x1 - x0 + 1), 1);
        }
        for (double gy = 0; gy < form.Height(); gy += view.gridStep)
            for (double gx = 0; gx < form.Width(); gx += view.gridStep) {
                const int x = static_cast<int>(gx / kTwipsPerPixel), y = static_cast<int>(gy / kTwipsPerPixel);
                if (x < frame.width && y < frame.height && !covered[static_cast<size_t>(y) * frame.width + x])
                    plot(x, y, kGridColour);
            }
    }

    auto square = [&](int cx, int cy, bool filled) {
        for (int y = cy - kHandleReach; y <= cy + kHandleReach; ++y)
            for (int x = cx - kHandleReach; x <= cx + kHandleReach; ++x) {
                const bool edge = std::abs(x - cx) == kHandleReach || std::abs(y - cy) == kHandleReach;
                plot(x, y, filled || edge ? kSelectionColour : 0xFFFFFFFFu);
            }
    };
    // The others first, so that the primary's handles lie on top where they meet.
    for (size_t i = view.selected.size(); i-- > 0;)
        for (const auto& [cx, cy] : HandleCentres(view.selected[i])) square(cx, cy, i == 0);
    if (view.formHandles)
        for (const auto& [cx, cy] : FormHandleCentres(form.Width(), form.Height())) square(cx, cy, true);
    return pic;
}

void DrawBand(DesignPicture& picture, const Rect& r) {
    const auto [x0, y0, x1, y1] = PixelBox(r);
    auto invert = [&](int x, int y) {
        if ((x + y) % 2 || x < 0 || y < 0 || x >= picture.width || y >= picture.height) return;
        uint32_t& p = picture.argb[static_cast<size_t>(y) * picture.width + x];
        p = 0xFF000000u | (~p & 0xFFFFFFu);
    };
    for (int x = x0; x <= x1; ++x) {
        invert(x, y0);
        if (y1 != y0) invert(x, y1);
    }
    for (int y = y0 + 1; y < y1; ++y) {
        invert(x0, y);
        if (x1 != x0) invert(x1, y);
    }
}

}  // namespace stolvane::designer
