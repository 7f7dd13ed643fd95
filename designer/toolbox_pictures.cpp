// SPDX-License-Identifier: MIT
#include "designer/toolbox_pictures.h"

#include <cairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace stolvane::designer {

namespace {

constexpr int N = kToolPictureSize;

// Colours as 0xRRGGBB.
constexpr uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF, kFace = 0xC0C0C0, kShadow = 0x808080;
constexpr uint32_t kNavy = 0x000080, kBlue = 0x0000FF, kSky = 0x80C0FF, kGreen = 0x008000;
constexpr uint32_t kYellow = 0xFFFF00, kRed = 0xC00000, kTeal = 0x008080;

// A cairo surface drawn pixel by pixel: no smoothing, so every pixel is wholly one colour and
// the picture doubles cleanly at scale 2.
class Pen {
public:
    Pen() : m_surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, N, N)), m_cr(cairo_create(m_surface)) {
        cairo_set_antialias(m_cr, CAIRO_ANTIALIAS_NONE);
        cairo_set_line_width(m_cr, 1);
    }
    ~Pen() {
        cairo_destroy(m_cr);
        cairo_surface_destroy(m_surface);
    }
    Pen(const Pen&) = delete;
    Pen& operator=(const Pen&) = delete;

    // The pixels (x, y) to (x + w - 1, y + h - 1).
    void Box(int x, int y, int w, int h, uint32_t rgb) {
        Colour(rgb);
        cairo_rectangle(m_cr, x, y, w, h);
        cairo_fill(m_cr);
    }
    void Dot(int x, int y, uint32_t rgb) { Box(x, y, 1, 1, rgb); }
    // A one-pixel line through the centres of pixels (x1, y1) and (x2, y2).
    void Line(int x1, int y1, int x2, int y2, uint32_t rgb) {
        Colour(rgb);
        cairo_move_to(m_cr, x1 + 0.5, y1 + 0.5);
        cairo_line_to(m_cr, x2 + 0.5, y2 + 0.5);
        cairo_stroke(m_cr);
        Dot(x1, y1, rgb);
        Dot(x2, y2, rgb);
    }
    // A raised edge (light top and left, dark bottom and right) around a face, or a sunken one.
    void Bevel(int x, int y, int w, int h, bool raised, uint32_t face) {
        Box(x, y, w, h, face);
        const uint32_t light = raised ? kWhite : kShadow, dark = raised ? kBlack : kWhite;
        Line(x, y, x + w - 2, y, light);
        Line(x, y, x, y + h - 2, light);
        Line(x, y + h - 1, x + w - 1, y + h - 1, dark);
        Line(x + w - 1, y, x + w - 1, y + h - 1, dark);
        if (raised) {
            Line(x + 1, y + h - 2, x + w - 2, y + h - 2, kShadow);
            Line(x + w - 2, y + 1, x + w - 2, y + h - 2, kShadow);
        } else {
            Line(x + 1, y + 1, x + w - 3, y + 1, kBlack);
            Line(x + 1, y + 1, x + 1, y + h - 3, kBlack);
        }
    }
    void Circle(double cx, double cy, double r, uint32_t rgb, bool filled) {
        Colour(rgb);
        cairo_arc(m_cr, cx, cy, r, 0, 2 * M_PI);
        filled ? cairo_fill(m_cr) : cairo_stroke(m_cr);
    }
    // A capital A of lines, 7 pixels wide, its top at (x + 3, y).
    void LetterA(int x, int y, uint32_t rgb) {
        Line(x + 3, y, x, y + 9, rgb);
        Line(x + 3, y, x + 6, y + 9, rgb);
        Line(x + 1, y + 6, x + 5, y + 6, rgb);
    }
    // A landscape: sky, a sun and a green hill, in the rectangle given.
    void Landscape(int x, int y, int w, int h) {
        Box(x, y, w, h, kSky);
        Box(x + w - 5, y + 1, 3, 3, kYellow);
        Colour(kGreen);
        cairo_move_to(m_cr, x, y + h);
        cairo_line_to(m_cr, x, y + h - 3);
        cairo_line_to(m_cr, x + w / 3.0, y + h / 2.0 - 1);
        cairo_line_to(m_cr, x + w, y + h - 2);
        cairo_line_to(m_cr, x + w, y + h);
        cairo_close_path(m_cr);
        cairo_fill(m_cr);
    }

    PictureRef Take() {
        cairo_surface_flush(m_surface);
        const unsigned char* data = cairo_image_surface_get_data(m_surface);
        const int stride = cairo_image_surface_get_stride(m_surface);
        std::vector<uint32_t> argb(N * N);
        for (int y = 0; y < N; ++y)
            for (int x = 0; x < N; ++x) {
                // Cairo keeps premultiplied colour; without smoothing alpha is 0 or 255.
                const uint32_t p = *reinterpret_cast<const uint32_t*>(data + y * stride + x * 4);
                argb[y * N + x] = (p >> 24) == 0 ? 0 : p;
            }
        return Picture::FromPixels(N, N, std::move(argb));
    }

private:
    void Colour(uint32_t rgb) {
        cairo_set_source_rgb(m_cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0);
    }
    cairo_surface_t* m_surface;
    cairo_t* m_cr;
};

void Draw(Pen& p, const std::string& kind) {
    if (kind == "TolvaneButton") {
        p.Bevel(0, 3, 16, 10, true, kFace);
        p.Line(4, 8, 11, 8, kBlack);  // a caption
    } else if (kind == "TolvanePanel") {
        p.Bevel(0, 1, 16, 14, true, kFace);
        p.Bevel(3, 4, 10, 8, false, kFace);
    } else if (kind == "TolvaneLabel") {
        p.LetterA(1, 2, kNavy);
        p.Line(9, 11, 15, 11, kNavy);
        p.Line(9, 8, 13, 8, kNavy);
    } else if (kind == "Label") {
        p.LetterA(4, 3, kBlack);
    } else if (kind == "TolvaneTick") {
        p.Bevel(1, 1, 14, 14, false, kWhite);
        p.Line(4, 7, 6, 9, kBlack);
        p.Line(4, 8, 6, 10, kBlack);
        p.Line(7, 8, 11, 4, kBlack);
        p.Line(7, 9, 11, 5, kBlack);
    } else if (kind == "TolvaneCaption") {
        p.Box(0, 4, 16, 8, kNavy);
        p.Line(2, 8, 8, 8, kWhite);  // the title
        p.Bevel(10, 5, 5, 6, true, kFace);
        p.Box(0, 12, 16, 3, kFace);
        p.Line(0, 12, 15, 12, kShadow);
    } else if (kind.rfind("TolvaneAbout", 0) == 0) {
        // A round badge with an "i".
        const uint32_t colour = kind.back() == '2' ? kTeal : kBlue;
        p.Circle(8, 8, 7.5, colour, true);
        p.Box(7, 4, 2, 2, kWhite);
        p.Box(7, 7, 2, 5, kWhite);
        p.Line(6, 12, 9, 12, kWhite);
    } else if (kind == "Line") {
        p.Line(1, 14, 14, 1, kBlack);
    } else if (kind == "Image") {
        p.Landscape(1, 2, 14, 12);
    } else if (kind == "PictureBox") {
        p.Bevel(0, 0, 16, 16, false, kWhite);
        p.Landscape(2, 2, 12, 12);
    } else if (kind == "PictureButton") {
        p.Bevel(0, 1, 16, 14, true, kFace);
        p.Landscape(3, 4, 9, 7);
    } else if (kind == "Shape") {
        p.Box(1, 6, 9, 9, kRed);
        p.Circle(10.5, 5.5, 4.5, kBlue, false);
    } else if (kind == "ListBox") {
        p.Bevel(0, 0, 16, 16, false, kWhite);
        for (int y : {3, 6, 12}) p.Line(3, y, 11, y, kBlack);
        p.Box(2, 8, 12, 3, kNavy);
        p.Line(3, 9, 11, 9, kWhite);
    } else if (kind == "Timer") {
        p.Circle(8, 8, 7, kBlack, true);
        p.Circle(8, 8, 6, kWhite, true);
        for (auto [x, y] : {std::pair{8, 2}, {13, 8}, {8, 13}, {2, 8}}) p.Dot(x, y, kBlack);
        p.Line(8, 8, 8, 4, kBlack);
        p.Line(8, 8, 11, 8, kRed);
    } else if (kind == "TextBox") {
        p.Bevel(0, 3, 16, 10, false, kWhite);
        p.Line(3, 8, 8, 8, kBlack);  // typed text
        p.Line(10, 5, 10, 10, kBlack);  // the caret
    } else {
        p.Bevel(1, 1, 14, 14, false, kFace);
    }
}

// The arranging commands: dark bars for the things arranged, a black line for the edge or
// centre they are lined up on, grey frames for the form.
void DrawArrange(Pen& p, const std::string& command) {
    // Two bars lined up on a vertical line at x (lefts, centres, rights), or on a horizontal one.
    auto across = [&](int shortLeft, int longLeft, int x) {
        p.Box(shortLeft, 3, 7, 4, kNavy);
        p.Box(longLeft, 9, 11, 4, kNavy);
        p.Line(x, 1, x, 14, kBlack);
    };
    auto down = [&](int shortTop, int longTop, int y) {
        p.Box(3, shortTop, 4, 7, kNavy);
        p.Box(9, longTop, 4, 11, kNavy);
        p.Line(1, y, 14, y, kBlack);
    };
    // A frame for the form with a bar in its middle and arrows from its sides towards it.
    auto centre = [&](bool horizontally) {
        p.Box(1, 1, 14, 14, kWhite);
        for (auto [x1, y1, x2, y2] : {std::array{1, 1, 14, 1}, {1, 1, 1, 14}, {1, 14, 14, 14}, {14, 1, 14, 14}})
            p.Line(x1, y1, x2, y2, kShadow);
        if (horizontally) {
            p.Box(6, 4, 4, 8, kNavy);
            p.Line(3, 8, 4, 8, kBlack);
            p.Line(11, 8, 12, 8, kBlack);
        } else {
            p.Box(4, 6, 8, 4, kNavy);
            p.Line(8, 3, 8, 4, kBlack);
            p.Line(8, 11, 8, 12, kBlack);
        }
    };
    auto frame = [&](int x, int y, int w, int h, uint32_t rgb) {
        p.Line(x, y, x + w - 1, y, rgb);
        p.Line(x, y + h - 1, x + w - 1, y + h - 1, rgb);
        p.Line(x, y, x, y + h - 1, rgb);
        p.Line(x + w - 1, y, x + w - 1, y + h - 1, rgb);
    };
    if (command == "AlignLefts") {
        across(3, 3, 1);
    } else if (command == "AlignCentres") {
        across(4, 2, 7);
    } else if (command == "AlignRights") {
        across(6, 2, 14);
    } else if (command == "AlignTops") {
        down(3, 3, 1);
    } else if (command == "AlignMiddles") {
        down(4, 2, 7);
    } else if (command == "AlignBottoms") {
        down(6, 2, 14);
    } else if (command == "SameWidth") {
        p.Box(2, 2, 12, 4, kNavy);
        frame(2, 8, 12, 7, kBlack);
    } else if (command == "SameHeight") {
        p.Box(2, 2, 4, 12, kNavy);
        frame(8, 2, 7, 12, kBlack);
    } else if (command == "SameSize") {
        p.Box(1, 1, 8, 8, kNavy);
        frame(7, 7, 8, 8, kBlack);
    } else if (command == "CentreHorizontally") {
        centre(true);
    } else if (command == "CentreVertically") {
        centre(false);
    } else if (command == "BringToFront") {
        frame(1, 1, 9, 9, kShadow);
        p.Box(6, 6, 9, 9, kNavy);
    } else if (command == "SendToBack") {
        p.Box(1, 1, 9, 9, kNavy);
        p.Box(6, 6, 9, 9, kWhite);
        frame(6, 6, 9, 9, kBlack);
    } else {
        p.Bevel(1, 1, 14, 14, false, kFace);
    }
}

}  // namespace

PictureRef ArrangePicture(const std::string& command) {
    Pen pen;
    DrawArrange(pen, command);
    return pen.Take();
}

PictureRef DisabledPicture(const Picture& picture) {
    const int w = picture.PixelWidth(), h = picture.PixelHeight();
    std::vector<uint32_t> grey(static_cast<size_t>(w) * h, 0);
    // Dark: an opaque pixel whose brightest channel is below the light grey of a button's face.
    auto dark = [&](int x, int y) {
        const uint32_t p = picture.PixelAt(x, y);
        const uint32_t brightest = std::max({(p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF});
        return (p >> 24) != 0 && brightest < 0xC0;
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (dark(x, y) && x + 1 < w && y + 1 < h) grey[static_cast<size_t>(y + 1) * w + x + 1] = 0xFF000000u | kWhite;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (dark(x, y)) grey[static_cast<size_t>(y) * w + x] = 0xFF000000u | kShadow;
    return Picture::FromPixels(w, h, std::move(grey));
}

PictureRef ToolPicture(const std::string& kind) {
    Pen pen;
    Draw(pen, kind);
    return pen.Take();
}

}  // namespace stolvane::designer
