// SPDX-License-Identifier: MIT
// The demo's showcase: every control of the library at work on one frameless form, with
// buttons that open the about box (through a control's About) and the known-problems list.
// Its design is forms/showcase/frmShowcase.json, compiled into the library; it is not one of
// the library's own forms, so the runtime does not load it by name.
#pragma once

#include <string>

#include "core/form.h"

namespace stolvane::showcase {

// The form file text.
std::string Design();

// Wires the showcase's handlers once it is loaded.
void Attach(Form& form);

}  // namespace stolvane::showcase
