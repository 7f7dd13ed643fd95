// SPDX-License-Identifier: MIT
// The text shaper's answers for the editing model (core/text_edit.h): where the caret may stand
// (grapheme clusters as pango finds them), where words begin and end, and where the caret goes
// when it moves visually through right-to-left text.
#pragma once

#include "core/text_edit.h"

namespace stolvane {

const TextAnalyser& ShaperTextAnalyser();

}  // namespace stolvane
