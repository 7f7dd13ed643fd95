// SPDX-License-Identifier: MIT
// Fonts: the classic families mapped to the faces that draw them, pango layouts of text, and the
// line metrics the classic desktop used. The runtime's use of fontconfig, pango and FreeType
// outside of painting a frame.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "core/font.h"

// Pango's own declarations, so that this header needs no pango include.
typedef struct _PangoLayout PangoLayout;

namespace stolvane {

// Adds the classic fonts (fonts-wine: Tahoma, Tahoma Bold) to fontconfig. Font names map to faces
// when text is laid out: Arial to Liberation Sans, MS Sans Serif (a bitmap-only face pango cannot
// space) to Tahoma. Safe to call more than once; must run before the first pango call.
void InitFonts();

// The font families fontconfig knows (the classic fonts among them), sorted and each once: what a
// font can be set to choose from.
std::vector<std::string> FontFamilies();

// A pango layout of the text in the font, in pixels at scale 1 (points at 96 dpi), set up exactly
// as MeasureTextTwips measures. The renderer paints it through a scaled cairo context, so text
// keeps the measured size at every scale while its glyphs are drawn at the device resolution.
// With accessKeys, "&X" underlines X and "&&" shows "&". Text that is not UTF-8 is taken as
// Windows-1252. Release with g_object_unref.
PangoLayout* NewTextLayout(const Font& font, const std::string& text, bool accessKeys);

// One line of text in whole pixels at scale 1, as the classic desktop lays it out: the font's
// ascent above the baseline and the full line height (ascent plus descent), from the font file's
// VDMX entry for the pixel size when it has one, else its OS/2 winAscent and winDescent scaled
// to the pixel size and each rounded. Tahoma 8.25 pt is 11 + 2 = 13 pixels.
struct TextLine {
    int ascent = 0;
    int height = 0;
};
// The line of a layout made by NewTextLayout (its font; fallback faces do not change it). Every
// line of a layout is this high, in measuring and in drawing. Cached per font.
TextLine LayoutTextLine(PangoLayout* layout);

// A bold face that carries its regular sibling's outlines with the bold advance widths, its bold
// look only in bitmap strikes for some sizes: fonts-wine's Tahoma Bold (tahomabd.ttf beside
// tahoma.ttf). Drawn from outlines, such a face has to be emboldened to look bold.
struct LightBoldFace {
    int unitsPerEm = 0;
    // How much wider each glyph's advance is than the regular glyph's, in font units, by glyph.
    std::vector<int> widening;
    // The widening of a plain stem ('l'): how much thicker a bold stroke is.
    int stroke = 0;
    // Pixel sizes whose bitmap strike is drawn bold (its 'l' wider than the regular face's).
    std::vector<int> boldStrikes;
    bool BoldStrike(int ppem) const {
        return std::find(boldStrikes.begin(), boldStrikes.end(), ppem) != boldStrikes.end();
    }
};
// The face's widening data when the font file is such a face, else null. Read once per file.
const LightBoldFace* FindLightBoldFace(const std::string& file);

}  // namespace stolvane
