// SPDX-License-Identifier: MIT
// Golden-image comparison for rendering tests: a frame is compared pixel by pixel with
// tests/golden/<name>.png. On a mismatch the actual frame is written to <build>/golden-out/
// and the assertion fails with the number of differing pixels. With
// STOLVANE_UPDATE_GOLDEN=1 in the environment the golden file is (re)written instead.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "host/render.h"

namespace stolvane::test {

::testing::AssertionResult CompareGolden(const Frame& frame, const std::string& name);

// Compares what `render` gives at scale 1 and at scale 2 with <name>_scale1 and <name>_scale2;
// the second form renders the form as it stands.
void CheckGoldenAtBothScales(const std::function<Frame(double scale)>& render, const std::string& name);
void CheckGoldenAtBothScales(FrameSource& rt, Form& form, const std::string& name);

// Frames of one size set out `columns` to a row, in their order, as one frame.
Frame Tiled(const std::vector<Frame>& tiles, size_t columns);

// Number of pixels whose colour differs between two frames of the same size (-1 when the sizes
// differ).
long CountDifferentPixels(const Frame& a, const Frame& b);

}  // namespace stolvane::test
