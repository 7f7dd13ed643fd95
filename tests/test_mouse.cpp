// The pointer position in screen twips, on the real headless runtime.
#include <gtest/gtest.h>

#include "core/mouse.h"
#include "host/runtime.h"

using namespace stolvane;

TEST(Mouse, PositionIsPixelsTimesTwipsPerPixel) {
    Runtime rt;
    rt.SetCursor({10, 20});
    EXPECT_EQ(fncMousePosition(rt), (MousePoint{150, 300}));

    // Left of and above the primary screen.
    rt.SetCursor({-3, -4});
    EXPECT_EQ(fncMousePosition(rt), (MousePoint{-45, -60}));

    // Further than 32767 twips from the corner on a large screen.
    rt.SetCursor({3000, 2500});
    EXPECT_EQ(fncMousePosition(rt), (MousePoint{45000, 37500}));
}
