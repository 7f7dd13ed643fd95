// SPDX-License-Identifier: MIT
// What a picture file says about itself before anything is decoded: its format, its size in
// pixels and whether its bytes run to the end the format requires. Pictures are checked against
// the limits here first, so a small file that claims an enormous image is refused at once
// instead of making the decoder allocate it, and a truncated file is refused instead of loading
// as a partly grey picture.
#pragma once

#include <cstdint>
#include <string>

namespace stolvane {

// Limits on a picture: each side at most kMaxPictureSide pixels and at most kMaxPicturePixels
// pixels in all (256 MB of pixels at four bytes each).
inline constexpr int kMaxPictureSide = 32767;
inline constexpr int64_t kMaxPicturePixels = int64_t(1) << 26;

struct PictureHeader {
    const char* format = nullptr;  // "png", "jpeg", "gif", "bmp", "ico"
    int64_t width = 0, height = 0;  // pixels; for an icon, its largest image
    // An icon: where its largest image lies in the bytes (its directory entry and data), and
    // whether that image is a whole PNG.
    size_t iconEntry = 0, iconOffset = 0, iconSize = 0;
    bool iconPng = false;
};

// The bytes that decode to an icon's largest image: the PNG it holds, or an icon file of that
// one image; `format` says which ("png" or "ico"). Picture decoders differ on icons of several
// images and on PNG images inside them; this way every icon decodes the same.
std::string IconImage(const std::string& bytes, const PictureHeader& header, const char*& format);

// Reads the header of PNG, JPEG, GIF, BMP or ICO bytes. Throws HostError 481 ("Invalid
// picture") for anything else, for a header that does not hold together, for a size beyond the
// limits and for bytes that end before the picture does.
PictureHeader ReadPictureHeader(const std::string& bytes);

}  // namespace stolvane
