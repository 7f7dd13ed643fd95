// SPDX-License-Identifier: MIT
// The drawing routines the controls share: the two gradient fills, fitting, centring and tiling
// a picture, and the small text and number conversions they need (colour channels as digits,
// the desktop's title-bar gradient colour). They keep no state between calls.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include <stolvane/core/elements.h>
#include <stolvane/core/host.h>
#include <stolvane/core/surface.h>
#include <stolvane/core/types.h>

namespace stolvane {

// ---- Text and numbers

// The desktop setting (section, key) as text, or "Error!" when there is none or it is empty.
// Like the classic 255-byte profile buffer, at most 254 characters come back, and nothing after
// an embedded NUL.
std::string fncProfileString(Host& host, const std::string& section, const std::string& key);

// The red, green and blue channels of a direct colour as nine decimal digits, red first:
// 0x00FF8040 gives "064128255".
std::string fncColourDigits(OleColour colour);

// Normalises "R G B" (three numbers separated by blanks) to "RRR GGG BBB". The caller's text is
// left holding the third number. Fewer than two blanks raises 5.
std::string fncSpacedDigits(std::string& text);

// The text preceded by enough copies of pad's first character to reach length; a text already
// that long (or longer) comes back unchanged. An empty pad with padding to do raises 5.
std::string fncPadLeft(const std::string& text, int16_t length, const std::string& pad);

// The value of a hexadecimal text. The caller's text becomes upper case; characters that are
// not hexadecimal digits count as 0. A value beyond a 32-bit signed integer raises 6.
int32_t fncHexValue(std::string& text);

// ---- Gradients
// Fill (X1, Y1)-(X2, Y2) with bands running from colour1 to colour2: horizontal bands from top to
// bottom, or vertical bands from left to right. Both colours come back resolved to RGB. When
// both are the active title colour, colour2 becomes the desktop's second title gradient colour.
// The target is a control's surface (or a form) or a picture box.

void GradientTopBottom(Surface& target, OleColour& colour1, OleColour& colour2, int16_t X1, int16_t Y1, int16_t X2,
                       int16_t Y2);
void GradientTopBottom(PictureBox& target, OleColour& colour1, OleColour& colour2, int16_t X1, int16_t Y1,
                       int16_t X2, int16_t Y2);
void GradientLeftRight(Surface& target, OleColour& colour1, OleColour& colour2, int16_t X1, int16_t Y1, int16_t X2,
                       int16_t Y2);
void GradientLeftRight(PictureBox& target, OleColour& colour1, OleColour& colour2, int16_t X1, int16_t Y1,
                       int16_t X2, int16_t Y2);

// ---- Pictures

// Makes the image stretch and sizes it to fit maxW x maxH keeping its width-to-height ratio.
// For a portrait image maxH ends as the height chosen, for a landscape one maxW ends as the
// width chosen (the caller's variables are updated).
void FitImage(Image& element, int16_t& maxW, int16_t& maxH);

// Centres the image on an area of the given size (element's own size kept).
void CentreImage(Image& element, double areaW, double areaH);

// Paints the source image's picture as tiles over (X1, Y1)-(X2, Y2) of the target, then clears
// the overflow right of X2 and below Y2 with the button face colour.
void TileImage(Image& source, Surface& target, int16_t X1, int16_t Y1, int16_t X2, int16_t Y2);
void TileImage(Image& source, PictureBox& target, int16_t X1, int16_t Y1, int16_t X2, int16_t Y2);

// ---- Focus dots

// One point in colour every 30 twips from `from` to `to` (whole twips, both included): along x on
// each of the rows y, or along y on each of the columns x. The button and the check box draw
// their focus rectangles with them.
void DotRows(Surface& target, int32_t from, int32_t to, std::initializer_list<double> rows, OleColour colour);
void DotColumns(Surface& target, int32_t from, int32_t to, std::initializer_list<double> columns, OleColour colour);

// ---- Exposed for the tests and the benchmark

// The width for height h of a portrait image (or height for width w of a landscape one) with
// ratio k, computed in single precision exactly as the fitting search defines it.
inline float FitSide(int16_t side, float k) {
    float s = static_cast<float>(side);
    float cut = s * k;
    return s - cut;
}

// The one-twip search of the fitting: side starts at the maximum and ends at the largest value
// not above it whose FitSide does not exceed limit; returns that FitSide. Computed directly,
// with the same result as stepping down one twip at a time. When no 16-bit value fits, side is
// left at -32768 and 6 is raised, as the stepping would on its next decrement.
float FitSearch(int16_t& side, float k, int16_t limit);

}  // namespace stolvane
