// SPDX-License-Identifier: MIT
#include "tests/golden_util.h"

#include <cairo.h>

#include <algorithm>

#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace stolvane::test {

namespace {

uint32_t At(const uint8_t* data, int stride, int x, int y) {
    uint32_t c;
    std::memcpy(&c, data + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 4, 4);
    return c;
}

// The golden picture as a frame (cairo keeps PNGs premultiplied, as frames are).
bool ReadPng(const std::string& path, Frame& out) {
    cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return false;
    }
    cairo_surface_t* argb = s;
    if (cairo_image_surface_get_format(s) != CAIRO_FORMAT_ARGB32) {
        argb = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, cairo_image_surface_get_width(s),
                                          cairo_image_surface_get_height(s));
        cairo_t* cr = cairo_create(argb);
        cairo_set_source_surface(cr, s, 0, 0);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_paint(cr);
        cairo_destroy(cr);
        cairo_surface_destroy(s);
    }
    cairo_surface_flush(argb);
    out.width = cairo_image_surface_get_width(argb);
    out.height = cairo_image_surface_get_height(argb);
    out.stride = cairo_image_surface_get_stride(argb);
    const uint8_t* d = cairo_image_surface_get_data(argb);
    out.data.assign(d, d + static_cast<size_t>(out.stride) * out.height);
    cairo_surface_destroy(argb);
    return true;
}

}  // namespace

long CountDifferentPixels(const Frame& a, const Frame& b) {
    if (a.width != b.width || a.height != b.height) return -1;
    long n = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            if (At(a.data.data(), a.stride, x, y) != At(b.data.data(), b.stride, x, y)) ++n;
    return n;
}

::testing::AssertionResult CompareGolden(const Frame& frame, const std::string& name) {
    namespace fs = std::filesystem;
    fs::path golden = fs::path(STOLVANE_SOURCE_DIR) / "tests" / "golden" / (name + ".png");
    const char* update = std::getenv("STOLVANE_UPDATE_GOLDEN");
    if (update && std::string(update) == "1") {
        fs::create_directories(golden.parent_path());
        WritePng(frame, golden.string());
        return ::testing::AssertionSuccess() << "wrote " << golden;
    }
    Frame expected;
    bool found = ReadPng(golden.string(), expected);
    long differing = found ? CountDifferentPixels(frame, expected) : -1;
    if (found && differing == 0) return ::testing::AssertionSuccess();

    fs::path out = fs::path(STOLVANE_BINARY_DIR) / "golden-out";
    fs::create_directories(out);
    fs::path actualPath = out / (name + ".actual.png");
    WritePng(frame, actualPath.string());
    if (!found)
        return ::testing::AssertionFailure() << "no golden picture " << golden << "; the actual frame is in "
                                             << actualPath << " (STOLVANE_UPDATE_GOLDEN=1 writes it)";
    if (differing < 0)
        return ::testing::AssertionFailure() << name << ": size " << frame.width << "x" << frame.height
                                             << " differs from the golden " << expected.width << "x"
                                             << expected.height << "; actual in " << actualPath;
    return ::testing::AssertionFailure() << name << ": " << differing << " pixels differ from " << golden
                                         << "; see " << actualPath;
}

void CheckGoldenAtBothScales(const std::function<Frame(double scale)>& render, const std::string& name) {
    for (int scale : {1, 2}) EXPECT_TRUE(CompareGolden(render(scale), name + "_scale" + std::to_string(scale)));
}

void CheckGoldenAtBothScales(FrameSource& rt, Form& form, const std::string& name) {
    CheckGoldenAtBothScales([&](double scale) { return FormRenderer(rt, form, scale).Update(); }, name);
}

Frame Tiled(const std::vector<Frame>& tiles, size_t columns) {
    const Frame& t = tiles.at(0);
    const int cols = int(columns), rows = int((tiles.size() + columns - 1) / columns);
    Frame out{t.width * cols, t.height * rows, t.width * cols * 4, {}};
    out.data.assign(size_t(out.stride) * out.height, 0);
    for (size_t i = 0; i < tiles.size(); ++i)
        for (int y = 0; y < t.height; ++y)
            std::copy_n(&tiles[i].data[size_t(y) * tiles[i].stride], t.width * 4,
                        &out.data[size_t(int(i) / cols * t.height + y) * out.stride + size_t(int(i) % cols * t.width) * 4]);
    return out;
}

}  // namespace stolvane::test
