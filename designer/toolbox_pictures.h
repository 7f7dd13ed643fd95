// SPDX-License-Identifier: MIT
// The small pictures beside the toolbox's captions: one 16 x 16 picture for each class or
// element kind the designer places, drawn in code when the designer starts.
#pragma once

#include <string>

#include "core/picture.h"

namespace stolvane::designer {

constexpr int kToolPictureSize = 16;  // pixels at scale 1

// The picture of a class or element kind ("TolvaneButton", "Timer"); a plain framed square for
// a kind it does not know.
PictureRef ToolPicture(const std::string& kind);

}  // namespace stolvane::designer
