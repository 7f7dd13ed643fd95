// Fonts, text measurement and picture files: the runtime's use of fontconfig, pango and
// gdk-pixbuf outside of painting a frame.
#pragma once

#include <string>

#include "core/elements.h"
#include "core/font.h"
#include "core/picture.h"

namespace stolvane {

// Adds the classic fonts (fonts-wine: Tahoma, MS Sans Serif) to fontconfig and maps Arial to
// Liberation Sans. Safe to call more than once; must run before the first pango call.
void InitFonts();

// Size in twips of the text in the font: one line per line break, or wrapped at wrapWidth
// twips when that is positive. Empty text measures one line high and zero wide.
Rect MeasureTextTwips(const Font& font, const std::string& text, double wrapWidth);

// Loads PNG, BMP, GIF, ICO or JPEG. Throws HostError 53 for a missing file, 481 for one that is
// not a picture.
PictureRef LoadPictureFile(const std::string& path);
// Decodes a picture from bytes (for data: URLs in form files).
PictureRef DecodePicture(const std::string& bytes, const std::string& source);
// Encodes a picture as PNG bytes (a drawing picture is rendered at scale 1).
std::string EncodePng(const Picture& picture);

}  // namespace stolvane
