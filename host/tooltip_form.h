// SPDX-License-Identifier: MIT
// The form a tooltip shows: its text on the tooltip background in the tooltip text colour,
// inside a one-pixel frame. The window backend opens it as a window of its own above the
// pointer's form; tests render it.
#pragma once

#include <string>

#include "core/form.h"

namespace stolvane {

class Runtime;

// Builds the tooltip with its top-left corner at (left, top) in screen twips. The form is
// loaded but not shown.
Form& BuildToolTipForm(Runtime& rt, const std::string& text, double left, double top);

}  // namespace stolvane
