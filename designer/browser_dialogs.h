// SPDX-License-Identifier: MIT
// The property browser's small modal forms, built from the library's own controls and
// elements so scripts drive them as any form: the tab-order editor (`frmTabOrder`) and the
// picture file's name (`frmPicture`). Each returns what the author chose, or nothing for Cancel.
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

}  // namespace stolvane
