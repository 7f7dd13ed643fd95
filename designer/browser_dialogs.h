// SPDX-License-Identifier: MIT
// The designer's small modal forms, built from the library's own controls and elements so
// scripts drive them as any form: the tab-order editor (`frmTabOrder`), the picture file's name
// (`frmPicture`) and the file-name box of Open and Save As (`frmFileName`). Each returns what the
// author chose, or nothing for Cancel (also Escape, or closing the form).
#pragma once

#include <optional>
#include <string>
#include <vector>

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

}  // namespace stolvane
