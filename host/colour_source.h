// SPDX-License-Identifier: MIT
// What painting asks of whoever hosts a form. A painter needs only system colours resolved to
// RGB (a ColourSource); the form renderer also takes the areas that changed since its last
// frame (a FrameSource). The runtime is both, so the renderer never needs the runtime itself.
#pragma once

#include <vector>

#include <stolvane/core/elements.h>
#include <stolvane/core/types.h>

namespace stolvane {

class Form;

class ColourSource {
public:
    virtual ~ColourSource() = default;
    // The colour as 0x00BBGGRR: a system colour through the theme, anything else as it is.
    virtual OleColour ResolveColour(OleColour colour) = 0;
};

class FrameSource : public ColourSource {
public:
    // The regions of the form (client twips) that changed since last taken.
    virtual std::vector<Rect> TakeDirty(Form& form) = 0;
};

}  // namespace stolvane
