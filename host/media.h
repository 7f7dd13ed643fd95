// Fonts, text measurement and picture files: the runtime's use of fontconfig, pango and
// gdk-pixbuf outside of painting a frame.
#pragma once

#include <string>

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
// twips when that is positive. Empty text measures one line high and zero wide.
Rect MeasureTextTwips(const Font& font, const std::string& text, double wrapWidth);

// A pango layout of the text in the font, in pixels at scale 1 (points at 96 dpi), set up exactly
// as MeasureTextTwips measures. The renderer paints it through a scaled cairo context, so text
// keeps the measured size at every scale while its glyphs are drawn at the device resolution.
// With accessKeys, "&X" underlines X and "&&" shows "&". Text that is not UTF-8 is taken as
// Windows-1252. Release with g_object_unref.
PangoLayout* NewTextLayout(const Font& font, const std::string& text, bool accessKeys);

// Loads PNG, BMP, GIF, ICO or JPEG. Throws HostError 53 for a missing file, 481 for one that is
// not a picture.
PictureRef LoadPictureFile(const std::string& path);
// Decodes a picture from bytes (for data: URLs in form files).
PictureRef DecodePicture(const std::string& bytes, const std::string& source);
// Encodes a picture as PNG bytes (a drawing picture is rendered at scale 1).
std::string EncodePng(const Picture& picture);

}  // namespace stolvane
