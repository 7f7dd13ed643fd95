// SPDX-License-Identifier: MIT
// The floor under a one-label `stolvane render`: a plain C program that paints a form-sized image
// the classic button-face grey, lays out and draws one line of text with pango in the label's
// font, and writes the image as a PNG. Nothing the library does can start, draw and save the
// same pixels for less than this; bench/bench_cold.cpp times the two as whole processes.
//   floor_label OUT.png WIDTH HEIGHT TEXT
#include <cairo.h>
#include <pango/pangocairo.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
    if (argc != 5) {
        fprintf(stderr, "usage: floor_label OUT.png WIDTH HEIGHT TEXT\n");
        return 2;
    }
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, atoi(argv[2]), atoi(argv[3]));
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 0xC0 / 255.0, 0xC0 / 255.0, 0xC0 / 255.0);
    cairo_paint(cr);
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* font = pango_font_description_from_string("Tahoma 8.25");
    pango_layout_set_font_description(layout, font);
    pango_layout_set_text(layout, argv[4], -1);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_move_to(cr, 8, 8);
    pango_cairo_show_layout(cr, layout);
    int status = cairo_surface_write_to_png(surface, argv[1]) == CAIRO_STATUS_SUCCESS ? 0 : 1;
    pango_font_description_free(font);
    g_object_unref(layout);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return status;
}
