// SPDX-License-Identifier: MIT
// frmStatus: the known-problems list. A click on the list describes the first ticked problem
// with a prefix saying whether a workaround exists; ticking or unticking an item reports its
// index in a message box; OK hides and unloads the form.
#pragma once

#include <cstdint>

#include "core/elements.h"
#include "core/form.h"

namespace stolvane::status {

inline constexpr const char* kWorkaround = "CAN USE WORKAROUND: ";
inline constexpr const char* kProblematic = "   PROBLEMATIC BUG: ";

// The index of the first ticked item, or -1 when none is.
int16_t fncFindSelected(const ListBox& list);

// Wires the handlers of a freshly loaded frmStatus.
void Attach(Form& form);

}  // namespace stolvane::status
