// SPDX-License-Identifier: MIT
// frmSamples: the samples viewer. One page per control, paged with Previous and Next; a click
// on the body or on a description line closes it.
#pragma once

#include <array>

#include "core/form.h"

namespace stolvane::samples {

struct Page {
    const char* title;
    const char* lines[4];  // an empty line clears its label
};
inline constexpr int kPages = 5;
const std::array<Page, kPages>& Pages();

// Wires the handlers of a freshly loaded frmSamples.
void Attach(Form& form);

}  // namespace stolvane::samples
