// SPDX-License-Identifier: MIT
// The shared drawing routines on the real headless runtime: gradient bands read back point by
// point, the desktop title colour, fitting and tiling pictures, and the text conversions.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "core/routines.h"
#include "host/runtime.h"
#include "tests/test_util.h"

using namespace stolvane;

namespace {

struct Routines : ::testing::Test {
    Runtime rt;
    Form& f = rt.NewForm("f", 6000, 6000);
    Routines() { rt.GetDesktop().Clear(); }
};

using test::ErrorOf;

// The fitting search as the plain one-twip-per-step loop on the side that starts at its maximum;
// 6 where that 16-bit maximum cannot be decremented any more.
float StepwiseSearch(int16_t& side, float k, int16_t limit) {
    float s = side, other = s - s * k;
    while (other > limit) {
        if (side == -32768) throw HostError::Overflow();
        s = --side;
        other = s - s * k;
    }
    return other;
}

}  // namespace

TEST_F(Routines, TextConversions) {
    EXPECT_EQ(fncColourDigits(0x00FF8040), "064128255");
    EXPECT_EQ(fncColourDigits(0xFF), "255000000");

    std::string hex = "ff";
    EXPECT_EQ(fncHexValue(hex), 255);
    EXPECT_EQ(hex, "FF");
    hex = "7fffffff";
    EXPECT_EQ(fncHexValue(hex), 2147483647);
    hex = "80000000";
    EXPECT_EQ(ErrorOf([&] { fncHexValue(hex); }), 6);
    hex = "";
    EXPECT_EQ(fncHexValue(hex), 0);
    hex = "g1";  // not a digit: counts as 0
    EXPECT_EQ(fncHexValue(hex), 1);

    std::string value = "0 0 128";
    EXPECT_EQ(fncSpacedDigits(value), "000 000 128");
    EXPECT_EQ(value, "128");
    value = "0 128";
    EXPECT_EQ(ErrorOf([&] { fncSpacedDigits(value); }), 5);
}

TEST_F(Routines, ProfileStringAnswersErrorWithoutAValue) {
    EXPECT_EQ(fncProfileString(rt, "Colors", "GradientActiveTitle"), "Error!");
    rt.GetDesktop().Set("Colors", "GradientActiveTitle", "");
    EXPECT_EQ(fncProfileString(rt, "Colors", "GradientActiveTitle"), "Error!");
    rt.GetDesktop().Set("Colors", "GradientActiveTitle", std::string(400, '7'));
    EXPECT_EQ(fncProfileString(rt, "Colors", "GradientActiveTitle"), std::string(254, '7'));
}

// Bands of 15 twips, as many as fit up to 256; longer extents take wider bands.
TEST_F(Routines, GradientBandsAreFifteenTwipsUpTo256ThenWider) {
    OleColour c1 = RGB(0, 0, 0), c2 = RGB(200, 100, 0);
    GradientTopBottom(f, c1, c2, 0, 0, 1500, 300);
    for (int band = 0; band < 20; ++band)
        EXPECT_EQ(f.Point(750, band * 15 + 7), RGB(10 * band, 5 * band, 0)) << "band " << band;

    // The same bands across a picture box, left to right.
    PictureBox& box = f.Add<PictureBox>("canvas");
    box.Move(0, 0, 1000, 1000);
    OleColour d1 = RGB(0, 0, 0), d2 = RGB(0, 0, 200);
    GradientLeftRight(box, d1, d2, 0, 0, 300, 900);
    for (int band = 0; band < 20; ++band) EXPECT_EQ(box.Point(band * 15 + 7, 800), RGB(0, 0, 10 * band));

    // 3900 twips: 256 bands of 15 leave a strip of colour2 at the end.
    c1 = RGB(0, 0, 0), c2 = RGB(255, 0, 0);
    GradientTopBottom(f, c1, c2, 0, 0, 300, 3900);
    EXPECT_EQ(f.Point(100, 7), RGB(0, 0, 0));
    EXPECT_EQ(f.Point(100, 15 + 7), RGB(1, 0, 0));
    EXPECT_EQ(f.Point(100, 128 * 15 + 7), RGB(128, 0, 0));  // 127.5 rounds to even
    EXPECT_EQ(f.Point(100, 255 * 15 + 7), RGB(254, 0, 0));
    EXPECT_EQ(f.Point(100, 3880), RGB(255, 0, 0));

    // 4000 twips: bands of 16 run past the end.
    f.Cls();
    c1 = RGB(0, 0, 0), c2 = RGB(255, 0, 0);
    GradientLeftRight(f, c1, c2, 0, 0, 4000, 300);
    EXPECT_EQ(f.Point(129 * 16 + 7, 100), RGB(129, 0, 0));
    EXPECT_EQ(f.Point(4090, 100), RGB(254, 0, 0));
}

TEST_F(Routines, EqualColoursOrAReversedRectangleGiveOneFlatFill) {
    OleColour c1 = SysColour::ButtonFace, c2 = rt.ResolveColour(SysColour::ButtonFace);
    GradientTopBottom(f, c1, c2, 0, 0, 600, 600);
    EXPECT_EQ(c1, c2);
    for (int y : {7, 300, 592}) EXPECT_EQ(f.Point(300, y), c2);

    c1 = RGB(0, 0, 0), c2 = RGB(0, 200, 0);
    GradientTopBottom(f, c1, c2, 0, 600, 600, 0);
    for (int y : {7, 300, 592}) EXPECT_EQ(f.Point(300, y), c2);
}

TEST_F(Routines, ActiveTitleGradientUsesTheDesktopColour) {
    const OleColour title = rt.ResolveColour(SysColour::ActiveTitle);
    rt.GetDesktop().Set("Colors", "GradientActiveTitle", "0 0 128");
    OleColour c1 = SysColour::ActiveTitle, c2 = SysColour::ActiveTitle;
    GradientLeftRight(f, c1, c2, 0, 0, 3000, 300);
    EXPECT_EQ(c1, title);
    EXPECT_EQ(c2, RGB(0, 0, 128));
    EXPECT_EQ(f.Point(7, 100), title);
    rt.GetDesktop().Set("Colors", "GradientActiveTitle", "300 0 999");  // beyond 255: held there
    c1 = c2 = SysColour::ActiveTitle;
    GradientLeftRight(f, c1, c2, 0, 0, 3000, 300);
    EXPECT_EQ(c2, RGB(255, 0, 255));

    // A malformed value fails in the caller (too few parts: TextConversions).
    rt.GetDesktop().Set("Colors", "GradientActiveTitle", "a b c");
    c1 = c2 = SysColour::ActiveTitle;
    EXPECT_EQ(ErrorOf([&] { GradientTopBottom(f, c1, c2, 0, 0, 300, 300); }), 5);
}

TEST_F(Routines, CentreImagePutsTheFittedPictureInTheMiddle) {
    Image& img = f.Add<Image>("img");
    img.SetStretch(true);
    img.Move(0, 0, 200, 100);
    int16_t mw = 1000, mh = 1000;
    FitImage(img, mw, mh);
    CentreImage(img, 3000, 2000);
    EXPECT_EQ((std::array{img.Left(), img.Top(), img.Width(), img.Height()}), (std::array{1000.0, 750.0, 1000.0, 500.0}));
}

// The fitting's results (sizes, the caller's limits, errors) for thousands of shapes against the
// plain search it replaces: squares take the smaller limit, a picture narrower than its box
// leaves the caller's other limit decremented.
TEST_F(Routines, FitImageMatchesTheStepwiseSearch) {
    Image& img = f.Add<Image>("img");
    img.SetStretch(true);
    uint32_t seed = 12345;
    auto next = [&](uint32_t range) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % range;
    };
    for (int i = 0; i < 6000; ++i) {
        double W = 1 + next(32767), H = 1 + next(32767);
        if (i % 7 == 0) W = 1, H = 32767;                 // ratio close to 1
        if (i % 11 == 0) W += next(100) / 100.0;           // fractional sizes
        if (i % 13 == 0) W = 0, H = 15 * (1 + next(100));  // zero width: every height fits 0
        if (i % 19 == 0) H = W;                            // square
        int16_t mw = static_cast<int16_t>(next(32768)), mh = static_cast<int16_t>(next(32768));
        if (i % 5 == 0) mw = static_cast<int16_t>(-static_cast<int>(next(3000)));
        if (i % 17 == 0) mh = static_cast<int16_t>(-static_cast<int>(next(3000)));

        int16_t rw = mw, rh = mh;
        double ew = std::min(mw, mh), eh = ew;
        int32_t expectedError = ErrorOf([&] {
            if (W < H) ew = StepwiseSearch(rh, static_cast<float>((H - W) / H), rw), eh = rh;
            if (W > H) eh = StepwiseSearch(rw, static_cast<float>((W - H) / W), rh), ew = rw;
        });
        if (expectedError == 0 && (ew < 0 || eh < 0)) expectedError = 380;  // the element refuses it
        img.Move(0, 0, W, H);
        int32_t error = ErrorOf([&] { FitImage(img, mw, mh); });

        SCOPED_TRACE(testing::Message() << W << " x " << H << " into " << rw << " x " << rh);
        ASSERT_EQ(error, expectedError);
        ASSERT_EQ(mw, rw);
        ASSERT_EQ(mh, rh);
        if (error == 0) {
            ASSERT_EQ(img.Width(), ew);
            ASSERT_EQ(img.Height(), eh);
        }
    }
}

TEST_F(Routines, TileImageCoversTheAreaAndClearsTheOverflow) {
    Image& tile = f.Add<Image>("tile");
    tile.SetPicture(Picture::FromPixels(20, 20, std::vector<uint32_t>(400, 0xFFFF0000u)));
    ASSERT_EQ(tile.Width(), 300);
    PictureBox& box = f.Add<PictureBox>("canvas");
    box.Move(0, 0, 3000, 3000);
    box.SetBackColour(RGB(255, 255, 255));

    TileImage(tile, box, 0, 0, 1000, 1000);
    int tiles = 0;
    for (const DrawOp& op : box.GetDrawing().Ops()) tiles += op.kind == DrawOp::Kind::Picture;
    EXPECT_EQ(tiles, 25);
    const OleColour face = rt.ResolveColour(SysColour::ButtonFace);
    EXPECT_EQ(box.Point(950, 950), RGB(255, 0, 0));
    EXPECT_EQ(box.Point(1100, 500), face);
    EXPECT_EQ(box.Point(500, 1100), face);
    EXPECT_EQ(box.Point(1290, 1290), face);
}
