// SPDX-License-Identifier: MIT
// What the controls share from core/: hover tracking with the capture, the pointer position, access keys read from a
// caption, names compared without regard to case, and the classic error texts.
#include <gtest/gtest.h>

#include <array>

#include "controls/label/tolvanelabel.h"
#include "core/errors.h"
#include "core/mouse.h"
#include "core/text.h"
#include "host/runtime.h"

using namespace stolvane;

namespace {

TEST(SharedReactions, HoverTakesTheCaptureInsideEdgesIncludedAndLeavesAnotherSurfacesCaptureAlone) {
    Runtime rt;
    Form& f = rt.NewForm("f", 6000, 3000);
    rt.ShowForm(f);
    Surface& one = rt.Place<TolvaneLabel>(f, "One", {0, 0, 900, 210}).GetSurface();
    Surface& two = rt.Place<TolvaneLabel>(f, "Two", {0, 600, 900, 210}).GetSurface();
    HoverCapture hover(one);
    int entered = 0, left = 0;
    EXPECT_TRUE(hover.Track(one.Width(), one.Height(), [&] { ++entered; }, [&] { ++left; }));
    EXPECT_TRUE(hover.Held());
    EXPECT_EQ(rt.Captured(), &one);
    EXPECT_FALSE(hover.Track(one.Width() + 1, one.Height(), [&] { ++entered; }, [&] { ++left; }));
    EXPECT_FALSE(hover.Track(-1, 0, [&] { ++entered; }, [&] { ++left; }));
    EXPECT_EQ(rt.Captured(), nullptr);
    EXPECT_EQ(entered, 1);
    EXPECT_EQ(left, 2);

    // Another surface took the mouse since: letting go forgets the capture but leaves theirs.
    hover.Take();
    rt.SetCapture(two);
    hover.Release();
    EXPECT_FALSE(hover.Held());
    EXPECT_EQ(rt.Captured(), &two);
}

// Left of and above the primary screen, and further than 16 bits of twips reach on a large one.
TEST(SharedReactions, ThePointerPositionIsInScreenTwipsAnywhereOnTheDesktop) {
    Runtime rt;
    for (auto [px, py, tx, ty] : {std::array{10, 20, 150, 300}, {-3, -4, -45, -60}, {3000, 2500, 45000, 37500}}) {
        rt.SetCursor({px, py});
        EXPECT_EQ(fncMousePosition(rt), (MousePoint{tx, ty})) << px << "," << py;
    }
}

TEST(SharedReactions, AccessKeysAreTheMarkedCharactersInUpperCase) {
    EXPECT_EQ(AccessKeysOf("E&xit"), "X");
    EXPECT_EQ(AccessKeysOf("Fish && &chips, &mushy peas"), "CM") << "&& is an ampersand, no marker";
    EXPECT_EQ(AccessKeysOf("Trailing &"), "");
    std::vector<size_t> marked;
    EXPECT_EQ(WithoutAccessMarkers("A&&B &Cd&", &marked), "A&B Cd");
    EXPECT_EQ(marked, std::vector<size_t>{4});
    EXPECT_EQ(ToLower("TolvaneButton Ä"), "tolvanebutton Ä") << "only ASCII letters change";
}

}  // namespace
