// SPDX-License-Identifier: MIT
// A message box as a classic dialog: a frame with the title, the information icon, the text
// wrapped to a comfortable width, and an OK button; built from the runtime's own elements, so
// it looks like the forms around it. The window host shows it modally over its owner; tests
// render it.
#pragma once

#include <functional>
#include <string>

#include "core/form.h"

namespace stolvane {

class Runtime;

struct MessageBoxForm {
    Form* form = nullptr;
    // Presses and releases the OK button: the box hides, which ends its modal loop.
    std::function<void()> answer;
};

// Builds the box (loaded, not shown), centred on owner when there is one.
MessageBoxForm BuildMessageBox(Runtime& rt, const std::string& text, const std::string& title, const Form* owner);

}  // namespace stolvane
