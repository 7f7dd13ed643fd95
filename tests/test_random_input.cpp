// A fixed seed of the randomised input run: thousands of mouse, key, focus, timer and property
// events over a form of every control, every frame compared with a full repaint.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "fuzz/random_input.h"

TEST(RandomInput, AFixedSeedKeepsEveryCheck) {
    std::string dir = (std::filesystem::temp_directory_path() / "stolvane-random-test.XXXXXX").string();
    ASSERT_NE(mkdtemp(dir.data()), nullptr);
    std::string failure = stolvane::RunRandomInput(20240612, 3000, 1, 200, dir);
    std::filesystem::remove_all(dir);
    EXPECT_EQ(failure, "");
}
