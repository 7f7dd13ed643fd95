// SPDX-License-Identifier: MIT
// Picture files: PNG, BMP, GIF, ICO and JPEG read through gdk-pixbuf, and pictures encoded as PNG.
#pragma once

#include <string>

#include "core/picture.h"

namespace stolvane {

// Loads PNG, BMP, GIF, ICO or JPEG. Throws HostError 53 for a missing file, 481 for one that is
// not a picture.
PictureRef LoadPictureFile(const std::string& path);
// Decodes a picture from bytes (for data: URLs in form files).
PictureRef DecodePicture(const std::string& bytes, const std::string& source);
// Encodes a picture as PNG bytes (a drawing picture is rendered at scale 1).
std::string EncodePng(const Picture& picture);

}  // namespace stolvane
