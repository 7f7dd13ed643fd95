// SPDX-License-Identifier: MIT
// Laid-out text kept for reuse: laying text out (markup, shaping, line breaking) costs far more
// than drawing it, so a text is laid out once for its font, wrap width and alignment, and the
// same layout serves every repaint and measurement until one of them changes. Colour is not
// part of a layout: a text that only changes colour is drawn again from the same layout.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/font.h"
#include "core/elements.h"
#include "host/fonts.h"

namespace stolvane {

struct TextLayout {
    TextLayout(PangoLayout* l, int w, int lines, TextLine tl) : layout(l), width(w), lineCount(lines), line(tl) {}
    ~TextLayout();
    TextLayout(const TextLayout&) = delete;
    TextLayout& operator=(const TextLayout&) = delete;

    PangoLayout* layout;  // shared: read it, never change it
    int width;            // logical width in pixels at scale 1
    int lineCount;        // at least one
    TextLine line;        // the height of each line (LayoutTextLine)
    int Height() const { return lineCount * line.height; }
    // The glyphs positioned for drawing at one scale, made by the renderer when it first draws
    // the layout at that scale (render_text.cpp): a repaint, a colour change above all, then
    // composites them without walking the layout again.
    mutable std::shared_ptr<const void> drawn;
    mutable double drawnScale = 0;
};
using TextLayoutRef = std::shared_ptr<const TextLayout>;

// The text laid out as NewTextLayout does, wrapped at wrapPixels when that is positive, its
// lines aligned as `alignment` says (0 left, 1 right, 2 centre). The most recently used
// layouts of the thread are kept.
TextLayoutRef SharedTextLayout(const Font& font, const std::string& text, bool accessKeys, int wrapPixels = 0,
                               int alignment = 0);

// Size in twips of the text in the font: one line per line break, or wrapped at wrapWidth
// twips when that is positive, each line as high as LayoutTextLine says. Empty text measures
// one line high and zero wide.
Rect MeasureTextTwips(const Font& font, const std::string& text, double wrapWidth);

}  // namespace stolvane
