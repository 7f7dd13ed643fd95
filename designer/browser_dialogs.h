// SPDX-License-Identifier: MIT
// The designer's small modal forms, built from the library's own controls and elements so
// scripts drive them as any form: the tab-order editor (`frmTabOrder`), the picture file's name
// (`frmPicture`), the file-name box of Open and Save As (`frmFileName`) and the colour box
// (`frmColour`). Each returns what the author chose, or nothing for Cancel (also Escape, or
// closing the form).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/types.h"

namespace stolvane {

class Form;
class Runtime;

// Lists the controls in their tab order (`lstOrder`); `cmdUp` and `cmdDown` move the current
// one, `cmdOK` keeps the order, `cmdCancel` (and Escape) forgets it.
std::optional<std::vector<std::string>> EditTabOrder(Runtime& runtime, Form& owner, std::vector<std::string> order);

// Asks for a picture file's name (`txtFile`, `cmdOK`, `cmdCancel`), starting from `current`.
std::optional<std::string> AskPictureFile(Runtime& runtime, Form& owner, const std::string& current);

// Asks for the file to open or save to: a prompt (`lblPrompt`), the name (`txtFileName`, which
// has the focus with its text selected), `cmdOK` (Enter) and `cmdCancel`. Returns the name
// typed without surrounding blanks; nothing when cancelled or left empty.
std::optional<std::string> AskFileName(Runtime& runtime, Form& owner, const std::string& title,
                                       const std::string& prompt, const std::string& name);

// The colour box's grid of basic colours, a row at a time (index 0 is the top-left one).
constexpr int kBasicColourColumns = 8, kBasicColourRows = 6;
constexpr int kBasicColourCount = kBasicColourColumns * kBasicColourRows;
OleColour BasicColour(int index);

// Asks for a colour: the grid of basic colours `picColours` (a click or the arrows pick one,
// framed), the value as &H00BBGGRR& in `txtValue` (which has the focus, its text selected;
// typing there works too), `picSample` showing it, `cmdOK` (Enter) and `cmdCancel`. OK hands the
// text to `apply`; when that throws the runtime's error, its message is shown in a message box
// titled `messageTitle` and the box stays open. Returns the text applied; nothing when cancelled.
std::optional<std::string> PickColour(Runtime& runtime, Form& owner, const std::string& current,
                                      const std::function<void(const std::string&)>& apply,
                                      const std::string& messageTitle);

}  // namespace stolvane
