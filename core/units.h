// SPDX-License-Identifier: MIT
// Twips and pixels: the one conversion between the twips every surface and element keeps its
// geometry in and the pixels the renderer, the windows, text measurement and pictures work in.
// 15 twips make a pixel at scale 1; a scale (2 on HiDPI screens) divides that.
#pragma once

#include <algorithm>
#include <cmath>

namespace stolvane {

inline constexpr double kTwipsPerPixel = 15.0;

// The largest width or height of a form, a control or an element: 32 767 pixels at scale 1
// (491 505 twips). Larger sizes are refused (error 380), so no work that follows a size (a
// focus marker's dots, a gradient's bands, a tiling) can be made unbounded by one typed value.
inline constexpr double kMaxExtentTwips = 32767 * kTwipsPerPixel;
// The largest frame the renderer draws a form into, in device pixels: 8 192 x 8 192 in all
// (256 MB), and no side over 32 767.
inline constexpr double kMaxFramePixels = 8192.0 * 8192.0;

// Exact conversions, no rounding. A scale above 1 puts more device pixels in a twip.
constexpr double TwipsToPixels(double twips, double scale = 1.0) { return twips * scale / kTwipsPerPixel; }
constexpr double PixelsToTwips(double pixels, double scale = 1.0) { return pixels * (kTwipsPerPixel / scale); }

// Pixel snapping: the whole pixel a position in pixels falls in, where a position a hair short
// of a pixel boundary (rounding noise) counts as on it. Far-off positions are clamped so the
// result fits an int. Every conversion to device pixels goes through here.
inline double SnapToPixel(double pixels) { return std::floor(std::clamp(pixels, -1e8, 1e8) + 1e-7); }

// The pixel holding a position in twips.
inline int PixelHolding(double twips, double scale = 1.0) {
    return static_cast<int>(SnapToPixel(TwipsToPixels(twips, scale)));
}

// The whole pixels a length in twips needs, rounded up (a hair over counts as none).
inline double PixelsCovering(double twips, double scale = 1.0) {
    return std::ceil(TwipsToPixels(twips, scale) - 1e-7);
}

}  // namespace stolvane
