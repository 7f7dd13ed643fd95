// SPDX-License-Identifier: MIT
// The small pictures of the designer's buttons: one 16 x 16 picture for each class or element
// kind the toolbox places and for each arranging command of the toolbar, drawn in code when the
// designer starts, and their greyed look for a command that cannot run.
#pragma once

#include <string>

#include "core/picture.h"

namespace stolvane::designer {

constexpr int kToolPictureSize = 16;  // pixels at scale 1

// The picture of a class or element kind ("TolvaneButton", "Timer"); a plain framed square for
// a kind it does not know.
PictureRef ToolPicture(const std::string& kind);
// The picture of an arranging command, named as its button without "cmd" ("AlignLefts",
// "BringToFront"); the plain framed square for a name it does not know.
PictureRef ArrangePicture(const std::string& command);
// A picture greyed as a disabled button shows it: each dark pixel grey with a white one below
// and right of it, the light ones left out.
PictureRef DisabledPicture(const Picture& picture);

}  // namespace stolvane::designer
