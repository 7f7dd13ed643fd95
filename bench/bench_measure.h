// SPDX-License-Identifier: MIT
// Timing helpers for benchmarks that report ratios: both sides of a ratio are measured in the
// same process, each as the minimum over repeated batches, so that load from other processes
// (which only ever adds time) affects the figure as little as it can.
#pragma once

#include <cairo.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

#include "host/render.h"

namespace stolvane::bench {

inline double NowSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The fastest mean time of one call, in seconds, over `batches` batches of `calls` calls.
inline double MinPerCall(const std::function<void()>& f, int batches = 15, int calls = 20) {
    double best = 1e30;
    for (int b = 0; b < batches; ++b) {
        double t0 = NowSeconds();
        for (int i = 0; i < calls; ++i) f();
        best = std::min(best, (NowSeconds() - t0) / calls);
    }
    return best;
}

// The raw cost of filling the given pixel rectangles of a frame-sized image with cairo (a context
// made, the rectangles filled with one colour, the context destroyed), as the renderer's
// repaint of those pixels would at least cost.
class RawFill {
public:
    RawFill(int width, int height)
        : m_surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(1, width), std::max(1, height))) {}
    ~RawFill() { cairo_surface_destroy(m_surface); }
    RawFill(const RawFill&) = delete;
    RawFill& operator=(const RawFill&) = delete;

    void Fill(const std::vector<PixelRect>& rects) {
        cairo_t* cr = cairo_create(m_surface);
        cairo_set_source_rgb(cr, 0.5, 0.25, 0.75);
        for (const PixelRect& r : rects) cairo_rectangle(cr, r.x, r.y, r.width, r.height);
        cairo_fill(cr);
        cairo_destroy(cr);
    }
    // A paint of the whole image.
    void Paint() {
        cairo_t* cr = cairo_create(m_surface);
        cairo_set_source_rgb(cr, 0.5, 0.25, 0.75);
        cairo_paint(cr);
        cairo_destroy(cr);
    }
    double SecondsToFill(const std::vector<PixelRect>& rects) {
        return MinPerCall([&] { Fill(rects); }, 25, 50);
    }
    double SecondsToPaint() {
        return MinPerCall([&] { Paint(); }, 25, 20);
    }

private:
    cairo_surface_t* m_surface;
};

}  // namespace stolvane::bench
