// SPDX-License-Identifier: MIT
// Fixed seeds of the randomised input run: thousands of mouse, key, focus, timer and property
// events over a form of every control, every frame compared with a full repaint. Seeds 2 and 5
// reach, within their steps, a diagonal grip stroke crossing a gap between repainted
// rectangles and a stretched picture repainted in part.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "fuzz/random_input.h"

namespace {

void RunSeed(uint64_t seed, long steps) {
    std::string dir = (std::filesystem::temp_directory_path() / "stolvane-random-test.XXXXXX").string();
    ASSERT_NE(mkdtemp(dir.data()), nullptr);
    std::string failure = stolvane::RunRandomInput(seed, steps, 1, 1000, dir);
    std::filesystem::remove_all(dir);
    EXPECT_EQ(failure, "") << "seed " << seed;
}

TEST(RandomInput, FixedSeedsKeepEveryCheckOnEveryStep) {
    RunSeed(2, 5300);
    RunSeed(5, 1100);
    RunSeed(20240612, 3000);
}

}  // namespace
