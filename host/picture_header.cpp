// SPDX-License-Identifier: MIT
#include "host/picture_header.h"

#include <cstring>
#include <string_view>

#include "core/errors.h"

namespace stolvane {

namespace {

[[noreturn]] void Refuse() { throw Errors::InvalidPicture(); }

// Bounds-checked reading of the bytes: any read past the end means the file was cut short.
class Bytes {
public:
    explicit Bytes(std::string_view b) : m_b(b) {}
    size_t Size() const { return m_b.size(); }
    bool Has(size_t at, size_t n) const { return at <= m_b.size() && n <= m_b.size() - at; }
    uint8_t U8(size_t at) const {
        if (!Has(at, 1)) Refuse();
        return static_cast<uint8_t>(m_b[at]);
    }
    uint32_t BE16(size_t at) const { return uint32_t(U8(at)) << 8 | U8(at + 1); }
    uint32_t BE32(size_t at) const { return BE16(at) << 16 | BE16(at + 2); }
    uint32_t LE16(size_t at) const { return uint32_t(U8(at + 1)) << 8 | U8(at); }
    uint32_t LE32(size_t at) const { return LE16(at + 2) << 16 | LE16(at); }
    bool StartsWith(size_t at, std::string_view magic) const {
        return Has(at, magic.size()) && m_b.compare(at, magic.size(), magic) == 0;
    }
    std::string_view Sub(size_t at, size_t n) const {
        if (!Has(at, n)) Refuse();
        return m_b.substr(at, n);
    }
    size_t Find(std::string_view what, size_t from) const { return m_b.find(what, from); }

private:
    std::string_view m_b;
};

void CheckSize(int64_t w, int64_t h) {
    if (w <= 0 || h <= 0 || w > kMaxPictureSide || h > kMaxPictureSide || w * h > kMaxPicturePixels) Refuse();
}

PictureHeader Png(const Bytes& b) {
    // IHDR first, then chunks up to IEND, each wholly inside the bytes.
    if (b.BE32(8) != 13 || !b.StartsWith(12, "IHDR")) Refuse();
    PictureHeader h{"png", b.BE32(16), b.BE32(20)};
    CheckSize(h.width, h.height);
    size_t at = 8;
    bool sawData = false;
    for (;;) {
        uint32_t length = b.BE32(at);
        if (length > 0x7FFFFFFFu || !b.Has(at + 8, size_t(length) + 4)) Refuse();
        std::string_view type = b.Sub(at + 4, 4);
        if (type == "IDAT") sawData = true;
        if (type == "IEND") break;
        at += 12 + size_t(length);
    }
    if (!sawData) Refuse();
    return h;
}

PictureHeader Jpeg(const Bytes& b) {
    PictureHeader h{"jpeg"};
    size_t at = 2;
    for (;;) {
        if (b.U8(at) != 0xFF) Refuse();
        uint8_t marker = b.U8(at + 1);
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0xD8 || marker == 0xD9 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) Refuse();
        uint32_t length = b.BE16(at + 2);
        if (length < 2 || !b.Has(at + 2, length)) Refuse();
        bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            h.height = b.BE16(at + 5);
            h.width = b.BE16(at + 7);
            CheckSize(h.width, h.height);
        }
        if (marker == 0xDA) {
            // Entropy-coded data follows; it never holds FF D9 (a data FF is followed by 00),
            // so the end-of-image marker after it shows the file is whole.
            if (h.width == 0 || b.Find("\xFF\xD9", at + 2 + length) == std::string_view::npos) Refuse();
            return h;
        }
        at += 2 + length;
    }
}

// Skips a run of GIF data sub-blocks; returns the position after the terminator.
size_t GifSubBlocks(const Bytes& b, size_t at) {
    for (uint8_t n; (n = b.U8(at)) != 0;) at += 1 + size_t(n);
    return at + 1;
}

PictureHeader Gif(const Bytes& b) {
    PictureHeader h{"gif", b.LE16(6), b.LE16(8)};
    CheckSize(h.width, h.height);
    uint8_t flags = b.U8(10);
    size_t at = 13;
    if (flags & 0x80) at += 3 * (size_t(2) << (flags & 7));
    bool sawImage = false;
    for (;;) {
        uint8_t block = b.U8(at);
        if (block == 0x3B) break;  // trailer: the file is whole
        if (block == 0x21) {
            at = GifSubBlocks(b, at + 2);
        } else if (block == 0x2C) {
            // A frame must lie within the limits too: decoders size the canvas to cover it.
            CheckSize(int64_t(b.LE16(at + 1)) + b.LE16(at + 5), int64_t(b.LE16(at + 3)) + b.LE16(at + 7));
            uint8_t local = b.U8(at + 9);
            at += 10;
            if (local & 0x80) at += 3 * (size_t(2) << (local & 7));
            at = GifSubBlocks(b, at + 1);  // after the LZW code size
            sawImage = true;
        } else {
            Refuse();
        }
    }
    if (!sawImage) Refuse();
    return h;
}

PictureHeader Bmp(const Bytes& b) {
    uint32_t offset = b.LE32(10), dib = b.LE32(14);
    PictureHeader h{"bmp"};
    uint32_t bpp = 0, compression = 0;
    if (dib == 12) {
        h.width = b.LE16(18);
        h.height = b.LE16(20);
        bpp = b.LE16(24);
    } else if (dib >= 40) {
        h.width = static_cast<int32_t>(b.LE32(18));
        int32_t height = static_cast<int32_t>(b.LE32(22));
        h.height = height < 0 ? -int64_t(height) : height;  // negative: stored top-down
        bpp = b.LE16(28);
        compression = b.LE32(30);
    } else {
        Refuse();
    }
    CheckSize(h.width, h.height);
    if (bpp == 0 || bpp > 32) Refuse();
    // Uncompressed rows (plain or with bit masks) must all be there.
    if (compression == 0 || compression == 3) {
        int64_t stride = (h.width * bpp + 31) / 32 * 4;
        if (!b.Has(offset, static_cast<size_t>(stride * h.height))) Refuse();
    }
    return h;
}

PictureHeader Ico(const Bytes& b) {
    uint32_t count = b.LE16(4);
    if (count == 0) Refuse();
    PictureHeader h{"ico"};
    for (uint32_t i = 0; i < count; ++i) {
        size_t entry = 6 + 16 * size_t(i);
        int64_t w = b.U8(entry) ? b.U8(entry) : 256, ht = b.U8(entry + 1) ? b.U8(entry + 1) : 256;
        uint32_t size = b.LE32(entry + 8), offset = b.LE32(entry + 12);
        if (!b.Has(offset, size)) Refuse();
        // An icon image may be a whole PNG, which must pass on its own.
        Bytes image(b.Sub(offset, size));
        bool png = image.StartsWith(0, "\x89PNG\r\n\x1a\n");
        if (png) {
            PictureHeader inner = Png(image);
            w = inner.width, ht = inner.height;
        } else if (size < 40) {
            Refuse();  // not even a bitmap header
        }
        if (w * ht > h.width * h.height) {
            h.width = w, h.height = ht;
            h.iconEntry = entry, h.iconOffset = offset, h.iconSize = size, h.iconPng = png;
        }
    }
    return h;
}

}  // namespace

std::string IconImage(const std::string& bytes, const PictureHeader& h, const char*& format) {
    if (h.iconPng) {
        format = "png";
        return bytes.substr(h.iconOffset, h.iconSize);
    }
    // A directory of one entry (the chosen one, its data moved to follow it), then the data.
    format = "ico";
    std::string one = bytes.substr(0, 4) + std::string("\1\0", 2) + bytes.substr(h.iconEntry, 16);
    const uint32_t offset = 6 + 16;
    for (int i = 0; i < 4; ++i) one[6 + 12 + i] = static_cast<char>(offset >> (8 * i) & 0xFF);
    return one + bytes.substr(h.iconOffset, h.iconSize);
}

PictureHeader ReadPictureHeader(const std::string& bytes) {
    Bytes b(bytes);
    if (b.StartsWith(0, "\x89PNG\r\n\x1a\n")) return Png(b);
    if (b.StartsWith(0, "\xFF\xD8\xFF")) return Jpeg(b);
    if (b.StartsWith(0, "GIF87a") || b.StartsWith(0, "GIF89a")) return Gif(b);
    if (b.StartsWith(0, "BM")) return Bmp(b);
    if (b.StartsWith(0, std::string_view("\0\0\1\0", 4)) || b.StartsWith(0, std::string_view("\0\0\2\0", 4)))
        return Ico(b);
    Refuse();
}

}  // namespace stolvane
