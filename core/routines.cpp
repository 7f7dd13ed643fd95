// SPDX-License-Identifier: MIT
#include "core/routines.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/convert.h"
#include "core/units.h"

namespace stolvane {

namespace {

const char* const kNoProfile = "Error!";

// The host a drawing target belongs to, for the desktop setting lookup; a picture box that is
// not on a surface yet has none.
Host* HostOf(Surface& s) { return &s.GetHost(); }
Host* HostOf(PictureBox& b) { return b.Owner() ? &b.Owner()->GetHost() : nullptr; }

// Plots the colour at (0, 0) and reads it back: a system colour comes back as its RGB value.
template <class Target>
OleColour ResolveThrough(Target& target, OleColour colour) {
    target.PSet(0, 0, colour);
    return target.Point(0, 0);
}

// One channel of the normalised desktop colour "RRR GGG BBB": the three characters at start,
// read as a decimal number. Anything but digits (blanks around them aside) is refused with 5;
// values above 255 count as 255, as the classic RGB function treats them.
int DesktopChannel(const std::string& spaced, size_t start) {
    std::string field = start < spaced.size() ? spaced.substr(start, 3) : std::string();
    size_t first = field.find_first_not_of(' ');
    size_t last = field.find_last_not_of(' ');
    if (first == std::string::npos) throw HostError::InvalidCall();
    field = field.substr(first, last - first + 1);
    int value = 0;
    for (char ch : field) {
        if (ch < '0' || ch > '9') throw HostError::InvalidCall();
        value = value * 10 + (ch - '0');
    }
    return std::min(value, 255);
}

int Channel(double v) { return std::clamp(static_cast<int>(RoundHalfEven(v)), 0, 255); }

// The band algorithm both gradients share. Bands run along the A axis (Y for top-to-bottom,
// X for left-to-right) and each spans the whole of the other axis.
template <class Target>
void Gradient(Target& target, OleColour& colour1, OleColour& colour2, int16_t X1, int16_t Y1, int16_t X2, int16_t Y2,
              bool leftRight) {
    if (colour1 == SysColour::ActiveTitle && colour2 == SysColour::ActiveTitle) {
        // The title bar runs from the active title colour to the desktop's second title colour.
        Host* host = HostOf(target);
        std::string value = host ? fncProfileString(*host, "Colors", "GradientActiveTitle") : kNoProfile;
        if (value != kNoProfile) {
            std::string spaced = fncSpacedDigits(value);
            colour2 = RGB(DesktopChannel(spaced, 0), DesktopChannel(spaced, 4), DesktopChannel(spaced, 8));
        }
    }

    colour1 = ResolveThrough(target, colour1);
    colour2 = ResolveThrough(target, colour2);
    target.FillRect(X1, Y1, X2, Y2, colour2);
    if (colour1 == colour2) return;

    const std::string d1 = fncColourDigits(colour1), d2 = fncColourDigits(colour2);
    auto digits = [](const std::string& d, size_t at) { return std::atof(d.substr(at, 3).c_str()); };
    const double R1 = digits(d1, 0), G1 = digits(d1, 3), B1 = digits(d1, 6);
    const double R2 = digits(d2, 0), G2 = digits(d2, 3), B2 = digits(d2, 6);

    const int16_t A1 = leftRight ? X1 : Y1, A2 = leftRight ? X2 : Y2;
    const int16_t E = ToInt16(static_cast<double>(A2) - static_cast<double>(A1));
    if (E < 0) return;  // a reversed rectangle gets the plain fill only

    int16_t N = E >= 3840 ? int16_t{256} : ToInt16(E / kTwipsPerPixel);
    if (N == 0) N = 1;
    const double dR = (R2 - R1) / N, dG = (G2 - G1) / N, dB = (B2 - B1) / N;
    const int16_t D = ToInt16(static_cast<double>(E) / N);

    // The position is kept in 32 bits: the last bands may run past A2, and past 32767 when the
    // rectangle ends near it, which must not fail after the gradient is drawn.
    int32_t P = A1;
    double R = R1, G = G1, B = B1;
    for (int band = 0; band < N; ++band) {
        const OleColour c = RGB(Channel(R), Channel(G), Channel(B));
        if (leftRight)
            target.FillRect(P, Y1, P + D, Y2, c);
        else
            target.FillRect(X1, P, X2, P + D, c);
        R += dR;
        G += dG;
        B += dB;
        P += D;
    }
}

template <class Target>
void Tile(Image& source, Target& target, int16_t X1, int16_t Y1, int16_t X2, int16_t Y2) {
    const double w = source.Width(), h = source.Height();
    // A zero-sized tile divides by zero here, which fails with 6 rather than looping forever.
    const int16_t rowFirst = ToInt16(Y1 / h);
    const int16_t rowLast = ToInt16(ToInt16(static_cast<double>(Y2) - Y1) / h + 1);
    const int16_t colFirst = ToInt16(X1 / w);
    const int16_t colLast = ToInt16(ToInt16(static_cast<double>(X2) - X1) / w + 1);
    const PictureRef picture = source.GetPicture();

    // Tiles are placed by their own counters from (X1, Y1), whatever the loop bounds are.
    int n = 0;
    for (int row = rowFirst; row <= rowLast; ++row, ++n) {
        int m = 0;
        for (int col = colFirst; col <= colLast; ++col, ++m)
            target.PaintPicture(picture, X1 + m * w, Y1 + n * h, w, h);
    }
    target.FillRect(X2, Y1, X2 + w, Y2 + h, SysColour::ButtonFace);
    target.FillRect(X1, Y2, X2 + w, Y2 + h, SysColour::ButtonFace);
}

}  // namespace

// ---- Text and numbers

std::string fncProfileString(Host& host, const std::string& section, const std::string& key) {
    std::optional<std::string> value = host.DesktopSetting(section, key);
    if (!value) return kNoProfile;
    // What a 255-byte buffer would hold: up to the first NUL, at most 254 characters.
    std::string text = value->substr(0, std::min(value->find('\0'), size_t{254}));
    if (text.empty()) return kNoProfile;  // nothing copied reads as a failed lookup
    return text;
}

std::string fncColourDigits(OleColour colour) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string hex;
    for (OleColour v = colour; v != 0; v >>= 4) hex.insert(hex.begin(), kHex[v & 0xF]);
    if (hex.size() < 6) hex.insert(0, 6 - hex.size(), '0');

    std::string blue = hex.substr(0, 2), green = hex.substr(2, 2), red = hex.substr(4, 2);
    return fncPadLeft(std::to_string(fncHexValue(red)), 3, "0") + fncPadLeft(std::to_string(fncHexValue(green)), 3, "0") +
           fncPadLeft(std::to_string(fncHexValue(blue)), 3, "0");
}

std::string fncSpacedDigits(std::string& text) {
    std::string result;
    for (int token = 0; token < 2; ++token) {
        size_t blank = text.find(' ');
        if (blank == std::string::npos) throw HostError::InvalidCall();
        result += fncPadLeft(text.substr(0, blank), 3, "0") + " ";
        text = text.substr(blank + 1);
    }
    result += fncPadLeft(text, 3, "0");
    return result;
}

std::string fncPadLeft(const std::string& text, int16_t length, const std::string& pad) {
    if (static_cast<int>(text.size()) >= length) return text;
    if (pad.empty()) throw HostError::InvalidCall();
    return std::string(static_cast<size_t>(length) - text.size(), pad[0]) + text;
}

int32_t fncHexValue(std::string& text) {
    static const std::string kDigits = "123456789ABCDEF";
    for (char& ch : text)
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');

    int32_t total = 0;
    const size_t length = text.size();
    for (size_t i = 0; i < length; ++i) {
        const size_t found = kDigits.find(text[i]);
        const double digit = found == std::string::npos ? 0.0 : static_cast<double>(found + 1);
        const double power = std::pow(16.0, static_cast<double>(length - 1 - i));
        if (std::isinf(power)) throw HostError::Overflow();  // a text too long for any number
        total = ToInt32(total + digit * power);
    }
    return total;
}

// ---- Gradients

void GradientTopBottom(Surface& target, OleColour& colour1, OleColour& colour2, int16_t X1, int16_t Y1, int16_t X2,
                       int16_t Y2) {
    Gradient(target, colour1, colour2, X1, Y1, X2, Y2, false);
}
void GradientTopBottom(PictureBox& target, OleColour& colour1, OleColour& colour2, int16_t X1, int16_t Y1,
                       int16_t X2, int16_t Y2) {
    Gradient(target, colour1, colour2, X1, Y1, X2, Y2, false);
}
void GradientLeftRight(Surface& target, OleColour& colour1, OleColour& colour2, int16_t X1, int16_t Y1, int16_t X2,
                       int16_t Y2) {
    Gradient(target, colour1, colour2, X1, Y1, X2, Y2, true);
}
void GradientLeftRight(PictureBox& target, OleColour& colour1, OleColour& colour2, int16_t X1, int16_t Y1,
                       int16_t X2, int16_t Y2) {
    Gradient(target, colour1, colour2, X1, Y1, X2, Y2, true);
}

// ---- Pictures

float FitSearch(int16_t& side, float k, int16_t limit) {
    // Stepping down one twip at a time from side until FitSide(side, k) <= limit would take up
    // to 65536 steps. For 0 <= k <= 1 and |s| <= 32768, the single-precision FitSide(s, k) lies
    // within 2^-8 of the exact s * (1 - k) (two roundings of at most 2^-9 each), so every s
    // with s * (1 - k) > limit + eps certainly fails the test. Start just below those and step
    // down with the same single-precision expression: the first s that passes is the one the
    // plain search finds, and it is at most about 2 * eps / (1 - k) steps away.
    int32_t s = side;
    if (k >= 0.0f && k <= 1.0f) {
        const double c = 1.0 - static_cast<double>(k);  // exact: k is a float
        if (c > 0) {
            const double eps = 1.0 / 64;
            const double bound = std::floor((limit + eps) / c);
            if (bound < s) s = bound < -32769.0 ? -32769 : static_cast<int32_t>(bound);
        }
    }
    for (; s >= -32768; --s) {
        const float fitted = FitSide(static_cast<int16_t>(s), k);
        if (!(fitted > static_cast<float>(limit))) {
            side = static_cast<int16_t>(s);
            return fitted;
        }
    }
    // The search would decrement past the smallest 16-bit value.
    side = -32768;
    throw HostError::Overflow();
}

void FitImage(Image& element, int16_t& maxW, int16_t& maxH) {
    element.SetStretch(true);
    const double W = element.Width(), H = element.Height();
    if (W == H) {
        const int16_t side = std::min(maxW, maxH);
        element.SetWidth(side);
        element.SetHeight(side);
    } else if (W < H) {
        const float k = static_cast<float>((H - W) / H);
        const float w = FitSearch(maxH, k, maxW);
        element.SetHeight(maxH);
        element.SetWidth(w);
    } else {
        const float k = static_cast<float>((W - H) / W);
        const float h = FitSearch(maxW, k, maxH);
        element.SetWidth(maxW);
        element.SetHeight(h);
    }
}

void CentreImage(Image& element, double areaW, double areaH) {
    element.SetTop(areaH / 2 - element.Height() / 2);
    element.SetLeft(areaW / 2 - element.Width() / 2);
}

void TileImage(Image& source, Surface& target, int16_t X1, int16_t Y1, int16_t X2, int16_t Y2) {
    Tile(source, target, X1, Y1, X2, Y2);
}
void TileImage(Image& source, PictureBox& target, int16_t X1, int16_t Y1, int16_t X2, int16_t Y2) {
    Tile(source, target, X1, Y1, X2, Y2);
}

void DotRows(Surface& target, int32_t from, int32_t to, std::initializer_list<double> rows, OleColour colour) {
    for (int32_t x = from; x <= to; x += 30)
        for (double y : rows) target.PSet(x, y, colour);
}

void DotColumns(Surface& target, int32_t from, int32_t to, std::initializer_list<double> columns, OleColour colour) {
    for (int32_t y = from; y <= to; y += 30)
        for (double x : columns) target.PSet(x, y, colour);
}

}  // namespace stolvane
