// SPDX-License-Identifier: MIT
// Fixed seeds of the randomised input run: thousands of mouse, key, focus, timer and property
// events over a form of every control, every frame compared with a full repaint. Seeds 2 and 5
// reach, within their steps, a diagonal grip stroke crossing a gap between repainted
// rectangles and a stretched picture repainted in part.
#include <gtest/gtest.h>

#include "fuzz/random_input.h"
#include "tests/test_util.h"

namespace {

void RunSeed(uint64_t seed, long steps) {
    stolvane::test::TempFolder dir("stolvane-random-test");
    EXPECT_EQ(stolvane::RunRandomInput(seed, steps, 1, 1000, dir.Path().string()), "") << seed;
}

TEST(RandomInput, FixedSeedsKeepEveryCheckOnEveryStep) {
    RunSeed(2, 5300);
    RunSeed(5, 1100);
    RunSeed(20240612, 3000);
}

}  // namespace
