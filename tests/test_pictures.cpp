// SPDX-License-Identifier: MIT
// Picture files as a hostile or careless user hands them over, and each classic format loading.
#include <gtest/gtest.h>

#include <cairo.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <zlib.h>

#include <filesystem>
#include <fstream>

#include "host/media.h"
#include "host/picture_header.h"
#include "tests/test_util.h"

using namespace stolvane;
namespace fs = std::filesystem;

namespace {

void PutBE32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>(v >> (24 - 8 * i));
}

std::string Chunk(const char* type, const std::string& data) {
    std::string c(4, '\0');
    PutBE32(c, 0, static_cast<uint32_t>(data.size()));
    c += std::string(type, 4) + data;
    std::string crc(4, '\0');
    PutBE32(crc, 0, crc32(0, reinterpret_cast<const Bytef*>(c.data() + 4), static_cast<uInt>(c.size() - 4)));
    return c + crc;
}

// A small PNG whose header claims side x side RGB pixels, with real compressed image data for
// its first rows: a decoder that trusts the header sets up the whole image.
std::string HugePng(uint32_t side) {
    std::string ihdr(13, '\0');
    PutBE32(ihdr, 0, side);
    PutBE32(ihdr, 4, side);
    ihdr[8] = 8, ihdr[9] = 2;
    std::string rows(static_cast<size_t>(64) * (1 + 3 * side), '\0');
    std::string packed(compressBound(static_cast<uLong>(rows.size())), '\0');
    uLongf n = static_cast<uLongf>(packed.size());
    compress2(reinterpret_cast<Bytef*>(packed.data()), &n, reinterpret_cast<const Bytef*>(rows.data()),
              static_cast<uLong>(rows.size()), 9);
    packed.resize(n);
    return "\x89PNG\r\n\x1a\n" + Chunk("IHDR", ihdr) + Chunk("IDAT", packed) + Chunk("IEND", "");
}

cairo_status_t Append(void* closure, const unsigned char* data, unsigned int n) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), n);
    return CAIRO_STATUS_SUCCESS;
}

// A valid PNG of w x h pixels of noise (so that its image data does not compress away).
std::string NoisePng(int w, int h) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    cairo_surface_flush(s);
    unsigned char* d = cairo_image_surface_get_data(s);
    uint32_t seed = 7;
    for (int i = 0; i < cairo_image_surface_get_stride(s) * h; ++i) d[i] = (seed = seed * 1664525u + 1013904223u) >> 24;
    cairo_surface_mark_dirty(s);
    std::string png;
    cairo_surface_write_to_png_stream(s, Append, &png);
    cairo_surface_destroy(s);
    return png;
}

// The same PNG with its header claiming another size, checksum intact: only the claim is false.
std::string ClaimSize(std::string png, uint32_t w, uint32_t h) {
    PutBE32(png, 16, w);
    PutBE32(png, 20, h);
    PutBE32(png, 29, crc32(0, reinterpret_cast<const Bytef*>(png.data() + 12), 17));
    return png;
}

// A 1 x 1 GIF: a two-colour table (red, black), one frame, the trailer.
const std::string kDotGif("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\x00\x00\x00\x00\x00"
                          ",\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;",
                          35);

using test::ErrorOf;

struct Pictures : test::FolderTest {
    std::string Write(const std::string& name, const std::string& bytes) {
        std::ofstream((dir / name).string(), std::ios::binary) << bytes;
        return (dir / name).string();
    }
    // A 3 x 2 picture saved by gdk-pixbuf in the given format.
    std::string Save(const std::string& name, const char* format) {
        GdkPixbuf* pb = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 3, 2);
        gdk_pixbuf_fill(pb, 0x2080C0FF);
        std::string path = (dir / name).string();
        EXPECT_TRUE(gdk_pixbuf_save(pb, path.c_str(), format, nullptr, nullptr)) << format;
        g_object_unref(pb);
        return path;
    }
};

TEST_F(Pictures, AHugeClaimedSizeIsRefusedBeforeTheDecoderAllocatesIt) {
    // 32 000 x 32 000 (3 GB of pixels) and 100 000 x 100 000 from files of a few dozen KB. Each
    // decoding runs in a child whose peak memory is read back: refusing the picture must not
    // have cost the claimed image first.
    for (uint32_t side : {32000u, 100000u}) {
        std::string png = HugePng(side);
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) _exit(ErrorOf([&] { DecodePicture(png, "huge.png"); }) == 481 ? 0 : 1);
        int status = 0;
        rusage use{};
        wait4(pid, &status, 0, &use);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << side << " status " << status;
        EXPECT_LT(use.ru_maxrss, 256 * 1024) << side << ": peak KB";
    }
    // The limits themselves: a side of 32767 passes the header check when the total fits.
    EXPECT_EQ(ReadPictureHeader(ClaimSize(NoisePng(8, 8), 32767, 2)).width, 32767);
    EXPECT_EQ(ErrorOf([] { ReadPictureHeader(ClaimSize(NoisePng(8, 8), 32768, 2)); }), 481);
    EXPECT_EQ(ErrorOf([] { ReadPictureHeader(ClaimSize(NoisePng(8, 8), 8193, 8193)); }), 481);
}

TEST_F(Pictures, TruncatedFilesAreRefusedAndWholeOnesLoad) {
    std::string png = NoisePng(64, 64);
    PictureRef whole = DecodePicture(png, "whole.png");
    EXPECT_EQ(whole->PixelWidth(), 64);
    size_t iend = png.size() - 12;
    for (size_t cut : {png.size() / 2, iend, png.size() - 1})
        EXPECT_EQ(ErrorOf([&] { DecodePicture(png.substr(0, cut), "cut.png"); }), 481) << "cut at " << cut;

    // GIF without its trailer, BMP without its last rows, an icon whose image lies past the end.
    EXPECT_NE(ErrorOf([&] { DecodePicture(kDotGif, "dot.gif"); }), 481) << "the whole GIF is a picture";
    EXPECT_EQ(ErrorOf([&] { DecodePicture(kDotGif.substr(0, kDotGif.size() - 1), "cut.gif"); }), 481);
    std::string bmp("BM\0\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x04\0\0\0\x04\0\0\0\x01\0\x18\0\0\0\0\0", 34);
    bmp.resize(54, '\0');
    bmp += std::string(4 * 12, '\x7f');
    EXPECT_NE(ErrorOf([&] { DecodePicture(bmp, "ok.bmp"); }), 481);
    EXPECT_EQ(ErrorOf([&] { DecodePicture(bmp.substr(0, bmp.size() - 6), "cut.bmp"); }), 481);
    std::string ico("\0\0\1\0\1\0\x10\x10\0\0\1\0\x20\0\0\x10\0\0\x16\0\0\0", 22);
    EXPECT_EQ(ErrorOf([&] { DecodePicture(ico, "cut.ico"); }), 481);
}

TEST_F(Pictures, FilesThatCannotBeReadFailAsPictureErrors) {
    // A file whose reading fails midway (reading this process's memory from its start).
    EXPECT_NE(ErrorOf([] { LoadPictureFile("/proc/self/mem"); }), 0);

    // A FIFO is not a picture, and opening it does not wait for a writer.
    fs::path fifo = dir / "pipe.png";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ErrorOf([&] { LoadPictureFile(fifo.string()); }), 481);
    EXPECT_EQ(ErrorOf([&] { LoadPictureFile(dir.string()); }), 481) << "a folder";
    // Files that are no picture at all, or a format the runtime does not read.
    for (auto [name, text] : {std::pair{"junk.png", "this is not a picture"},
                              {"x.svg", "<svg xmlns='http://www.w3.org/2000/svg'/>"}, {"empty.png", ""}}) {
        EXPECT_EQ(ErrorOf([&] { LoadPictureFile(Write(name, text)); }), 481) << name;
    }

    // A symlink loop names its reason instead of "File not found".
    fs::create_symlink(dir / "b.png", dir / "a.png");
    fs::create_symlink(dir / "a.png", dir / "b.png");
    try {
        LoadPictureFile((dir / "a.png").string());
        ADD_FAILURE() << "a symlink loop loaded";
    } catch (const HostError& e) {
        EXPECT_EQ(e.number, 75);
        EXPECT_NE(e.description.find("symbolic links"), std::string::npos) << e.description;
    }
    EXPECT_EQ(ErrorOf([&] { LoadPictureFile((dir / "missing.png").string()); }), 53);
}

TEST_F(Pictures, LoadsEachClassicFormat) {
    for (const char* format : {"png", "bmp", "jpeg"}) {
        std::string path = Save(std::string("p.") + format, format);
        PictureRef p = LoadPictureFile(path);
        ASSERT_EQ(p->PixelWidth(), 3) << format;
        ASSERT_EQ(p->PixelHeight(), 2) << format;
        EXPECT_EQ(p->Source(), path);
        uint32_t c = p->PixelAt(1, 1) & 0xFFFFFF;
        EXPECT_NEAR((c >> 16) & 0xFF, 0x20, 4) << format;
        EXPECT_NEAR((c >> 8) & 0xFF, 0x80, 4) << format;
        EXPECT_NEAR(c & 0xFF, 0xC0, 4) << format;
    }
    // The pixel of the 1 x 1 GIF takes the first of its two palette entries (red).
    PictureRef g = LoadPictureFile(Write("p.gif", kDotGif));
    EXPECT_EQ(g->PixelWidth(), 1);
    EXPECT_EQ(g->PixelAt(0, 0), 0xFFFF0000u);

    // An icon of two images, a 1 x 1 and then the 2 x 2 that shows (the larger), 32 bits a
    // pixel: bottom-up rows, the top-left pixel half transparent green.
    std::string ico;
    auto u16 = [&](int v) { ico += char(v & 0xFF), ico += char((v >> 8) & 0xFF); };
    auto u32 = [&](uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
    u16(0), u16(1), u16(2);                                   // icon directory, two images
    ico += char(1), ico += char(1), ico += char(0), ico += char(0);
    u16(1), u16(32), u32(40 + 4 + 4), u32(38);                // planes, bits, size, offset
    ico += char(2), ico += char(2), ico += char(0), ico += char(0);
    u16(1), u16(32), u32(40 + 16 + 8), u32(38 + 48);
    u32(40), u32(1), u32(2), u16(1), u16(32), u32(0), u32(4), u32(0), u32(0), u32(0), u32(0);
    u32(0xFFFFFFFF), u32(0);                                   // the 1 x 1: white, its mask
    u32(40), u32(2), u32(4), u16(1), u16(32), u32(0), u32(16), u32(0), u32(0), u32(0), u32(0);
    u32(0xFF0000FF), u32(0xFF0000FF);                          // bottom row: blue
    u32(0x8000FF00), u32(0xFFFF0000);                          // top row: green (alpha 128), red
    u32(0), u32(0);                                            // AND mask, rows padded to 32 bits
    PictureRef i = LoadPictureFile(Write("p.ico", ico));
    ASSERT_EQ(i->PixelWidth(), 2);
    EXPECT_EQ(i->PixelAt(1, 0), 0xFFFF0000u);
    EXPECT_EQ(i->PixelAt(0, 1), 0xFF0000FFu);
    EXPECT_EQ(i->PixelAt(0, 0) >> 24, 0x80u) << "alpha is kept, not premultiplied";
    EXPECT_EQ(i->PixelAt(0, 0) & 0xFFFFFF, 0x00FF00u);

    // PNG bytes round-trip through the encoder, transparency included.
    PictureRef back = DecodePicture(EncodePng(*i), "memory");
    EXPECT_EQ(back->Pixels(), i->Pixels());
}

}  // namespace
