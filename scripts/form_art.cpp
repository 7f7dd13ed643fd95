// SPDX-License-Identifier: MIT
// Draws the library forms' artwork (tiles of the about box's logo, button pictures, window
// icons, the showcase's background tile) as PNG files under forms/. The pictures are committed;
// run scripts/form-art to draw them again after changing this program.
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

namespace {

struct Rgb {
    double r, g, b;
};

Rgb Hex(unsigned v) { return {((v >> 16) & 255) / 255.0, ((v >> 8) & 255) / 255.0, (v & 255) / 255.0}; }
void Set(cairo_t* cr, Rgb c, double a = 1) { cairo_set_source_rgba(cr, c.r, c.g, c.b, a); }

void Write(const std::string& path, int w, int h, const std::function<void(cairo_t*)>& draw) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(s);
    draw(cr);
    cairo_destroy(cr);
    if (cairo_surface_write_to_png(s, path.c_str()) != CAIRO_STATUS_SUCCESS) std::fprintf(stderr, "cannot write %s\n", path.c_str());
    cairo_surface_destroy(s);
    std::printf("%s\n", path.c_str());
}

void Pixel(cairo_t* cr, double x, double y, double w, double h, Rgb c) {
    Set(cr, c);
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
}

// A rectangle filled with a linear gradient from `from` at (x0, y0) to `to` at (x1, y1).
void Gradient(cairo_t* cr, double x0, double y0, double x1, double y1, Rgb from, Rgb to, double x, double y, double w,
              double h) {
    cairo_pattern_t* g = cairo_pattern_create_linear(x0, y0, x1, y1);
    cairo_pattern_add_color_stop_rgb(g, 0, from.r, from.g, from.b);
    cairo_pattern_add_color_stop_rgb(g, 1, to.r, to.g, to.b);
    cairo_set_source(cr, g);
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
}

// A raised classic tile: light top and left edges, dark bottom and right, a shaded face.
void Tile(cairo_t* cr, Rgb face, const std::function<void(cairo_t*)>& mark) {
    const Rgb light{std::min(1.0, face.r + 0.25), std::min(1.0, face.g + 0.25), std::min(1.0, face.b + 0.25)};
    Gradient(cr, 0, 0, 16, 16, light, {face.r * 0.7, face.g * 0.7, face.b * 0.7}, 0, 0, 16, 16);
    Pixel(cr, 0, 0, 16, 1, Hex(0xFFFFFF));
    Pixel(cr, 0, 0, 1, 16, Hex(0xFFFFFF));
    Pixel(cr, 0, 15, 16, 1, Hex(0x000000));
    Pixel(cr, 15, 0, 1, 16, Hex(0x000000));
    Pixel(cr, 1, 14, 14, 1, Hex(0x404040));
    Pixel(cr, 14, 1, 1, 14, Hex(0x404040));
    cairo_save(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    mark(cr);
    cairo_restore(cr);
}

void WhiteFill(cairo_t* cr) {
    Set(cr, Hex(0xFFFFFF));
    cairo_fill_preserve(cr);
    Set(cr, Hex(0x000000), 0.6);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
}

}  // namespace

int main(int argc, char** argv) {
    std::string root = argc > 1 ? argv[1] : ".";
    const std::string about = root + "/forms/about/", samples = root + "/forms/samples/",
                      status = root + "/forms/status/", show = root + "/forms/showcase/";

    // The logo: six tiles of the colours of a ring, each with its own white mark, so that the
    // turning is easy to follow.
    const unsigned faces[6] = {0xC00000, 0xE08000, 0xC0C000, 0x008000, 0x0040C0, 0x800080};
    const std::function<void(cairo_t*)> marks[6] = {
        [](cairo_t* cr) { cairo_arc(cr, 7.5, 7.5, 3.5, 0, 2 * M_PI); WhiteFill(cr); },
        [](cairo_t* cr) { cairo_rectangle(cr, 4.5, 4.5, 6, 6); WhiteFill(cr); },
        [](cairo_t* cr) { cairo_move_to(cr, 7.5, 3.5); cairo_line_to(cr, 11.5, 11.5); cairo_line_to(cr, 3.5, 11.5); cairo_close_path(cr); WhiteFill(cr); },
        [](cairo_t* cr) { cairo_move_to(cr, 7.5, 3.5); cairo_line_to(cr, 11.5, 7.5); cairo_line_to(cr, 7.5, 11.5); cairo_line_to(cr, 3.5, 7.5); cairo_close_path(cr); WhiteFill(cr); },
        [](cairo_t* cr) { cairo_rectangle(cr, 6.5, 3.5, 2, 8); cairo_rectangle(cr, 3.5, 6.5, 8, 2); WhiteFill(cr); },
        [](cairo_t* cr) { cairo_move_to(cr, 3.5, 11.5); cairo_line_to(cr, 11.5, 3.5); cairo_set_line_width(cr, 3); Set(cr, Hex(0xFFFFFF)); cairo_stroke(cr); },
    };
    for (int i = 0; i < 6; ++i)
        Write(about + "tile" + std::to_string(i) + ".png", 16, 16, [&](cairo_t* cr) { Tile(cr, Hex(faces[i]), marks[i]); });

    // OK: a green tick with a dark edge.
    auto tick = [](cairo_t* cr) {
        cairo_move_to(cr, 2.5, 8.5);
        cairo_line_to(cr, 6, 12);
        cairo_line_to(cr, 13.5, 3.5);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        cairo_set_line_width(cr, 4);
        Set(cr, Hex(0x004000));
        cairo_stroke_preserve(cr);
        cairo_set_line_width(cr, 2);
        Set(cr, Hex(0x20B020));
        cairo_stroke(cr);
    };
    Write(about + "ok.png", 16, 16, tick);
    Write(status + "ok.png", 16, 16, tick);

    // Samples: a page with a folded corner and lines of text.
    Write(about + "samples.png", 16, 16, [](cairo_t* cr) {
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
        cairo_move_to(cr, 2.5, 0.5); cairo_line_to(cr, 10.5, 0.5); cairo_line_to(cr, 13.5, 3.5);
        cairo_line_to(cr, 13.5, 15.5); cairo_line_to(cr, 2.5, 15.5); cairo_close_path(cr);
        Set(cr, Hex(0xFFFFFF)); cairo_fill_preserve(cr);
        Set(cr, Hex(0x000000)); cairo_set_line_width(cr, 1); cairo_stroke(cr);
        Pixel(cr, 10, 1, 1, 3, Hex(0x808080)); Pixel(cr, 10, 3, 3, 1, Hex(0x808080));
        for (int y = 5; y <= 13; y += 2) Pixel(cr, 4, y, y == 13 ? 5 : 8, 1, Hex(y == 5 ? 0xC00000 : 0x000080));
    });

    // Window icons: the about box an "i" on a blue disc, the samples viewer a small window.
    Write(about + "icon.png", 16, 16, [](cairo_t* cr) {
        cairo_arc(cr, 8, 8, 7.2, 0, 2 * M_PI);
        cairo_pattern_t* g = cairo_pattern_create_radial(6, 5, 1, 8, 8, 8);
        cairo_pattern_add_color_stop_rgb(g, 0, 0.55, 0.7, 1);
        cairo_pattern_add_color_stop_rgb(g, 1, 0, 0.1, 0.6);
        cairo_set_source(cr, g);
        cairo_fill(cr);
        cairo_pattern_destroy(g);
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
        Pixel(cr, 7, 3, 2, 2, Hex(0xFFFFFF));
        Pixel(cr, 7, 6, 2, 7, Hex(0xFFFFFF));
        Pixel(cr, 6, 6, 1, 1, Hex(0xFFFFFF));
        Pixel(cr, 6, 12, 4, 1, Hex(0xFFFFFF));
    });
    auto window = [](cairo_t* cr) {
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
        Pixel(cr, 0, 1, 16, 14, Hex(0x000000));
        Pixel(cr, 1, 2, 14, 12, Hex(0xC0C0C0));
        Gradient(cr, 1, 0, 15, 0, {0, 0, 0.5}, {0.06, 0.52, 0.82}, 1, 2, 14, 3);
        Pixel(cr, 3, 7, 10, 5, Hex(0xFFFFFF));
        Pixel(cr, 4, 8, 5, 1, Hex(0x000080));
        Pixel(cr, 4, 10, 7, 1, Hex(0x000080));
    };
    Write(samples + "icon.png", 16, 16, window);
    Write(show + "icon.png", 16, 16, window);

    // The showcase's picture panel: a 32 x 32 tile of soft diagonal stripes with a small star.
    Write(show + "tile.png", 32, 32, [](cairo_t* cr) {
        Pixel(cr, 0, 0, 32, 32, Hex(0xE8E0C8));
        cairo_set_line_width(cr, 4);
        Set(cr, Hex(0xD4C8A4));
        for (int k = -32; k < 64; k += 16) {
            cairo_move_to(cr, k, 32);
            cairo_line_to(cr, k + 32, 0);
        }
        cairo_stroke(cr);
        Set(cr, Hex(0xA08040));
        for (int i = 0; i < 10; ++i) {
            double a = -M_PI / 2 + i * M_PI / 5, r = i % 2 ? 2.2 : 5.5;
            double x = 16 + r * std::cos(a), y = 16 + r * std::sin(a);
            i ? cairo_line_to(cr, x, y) : cairo_move_to(cr, x, y);
        }
        cairo_close_path(cr);
        cairo_fill(cr);
    });
    return 0;
}
