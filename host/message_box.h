// SPDX-License-Identifier: MIT
// A message box as a classic dialog: a frame with the title, the information icon, the text
// wrapped to a comfortable width, and its buttons (OK, or a choice such as Yes, No and
// Cancel); built from the runtime's own elements, so
// it looks like the forms around it. The window host shows it modally over its owner; tests
// render it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/form.h"

namespace stolvane {

class Runtime;

struct MessageBoxForm {
    Form* form = nullptr;
    // The buttons' captions, left to right ("&Yes": Y is its access key); the default one is
    // pressed by Return and Space, the cancel one by Escape and by closing the box's window.
    std::vector<std::string> buttons;
    int defaultIndex = 0, cancelIndex = 0;
    // The button pressed: cancelIndex until one is.
    std::shared_ptr<int> chosen;
    // Presses and releases button i: the box hides, which ends its modal loop.
    std::function<void(int)> answer;
    // The button whose access key this is (a letter, any case), or -1.
    int AccessKey(char c) const;
};

// Builds the box (loaded, not shown), centred on owner when there is one. Without buttons it
// has one, OK.
MessageBoxForm BuildMessageBox(Runtime& rt, const std::string& text, const std::string& title, const Form* owner,
                               std::vector<std::string> buttons = {}, int defaultIndex = 0, int cancelIndex = 0);

}  // namespace stolvane
