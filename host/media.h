// Fonts, text measurement and picture files: the runtime's use of fontconfig, pango and
// gdk-pixbuf outside of painting a frame.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "core/elements.h"
#include "core/font.h"
#include "core/picture.h"

// Pango's own declarations, so that this header needs no pango include.
typedef struct _PangoLayout PangoLayout;

namespace stolvane {

// Adds the classic fonts (fonts-wine: Tahoma, Tahoma Bold) to fontconfig. Font names map to faces
// when text is laid out: Arial to Liberation Sans, MS Sans Serif (a bitmap-only face pango cannot
// space) to Tahoma. Safe to call more than once; must run before the first pango call.
void InitFonts();

// Size in twips of the text in the font: one line per line break, or wrapped at wrapWidth
// twips when that is positive, each line as high as LayoutTextLine says. Empty text measures
// one line high and zero wide.
Rect MeasureTextTwips(const Font& font, const std::string& text, double wrapWidth);

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

// Loads PNG, BMP, GIF, ICO or JPEG. Throws HostError 53 for a missing file, 481 for one that is
// not a picture.
PictureRef LoadPictureFile(const std::string& path);
// Decodes a picture from bytes (for data: URLs in form files).
PictureRef DecodePicture(const std::string& bytes, const std::string& source);
// Encodes a picture as PNG bytes (a drawing picture is rendered at scale 1).
std::string EncodePng(const Picture& picture);

}  // namespace stolvane
