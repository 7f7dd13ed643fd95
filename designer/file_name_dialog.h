// SPDX-License-Identifier: MIT
// The designer's file-name box: a small modal form of the library's own parts, frmFileName,
// that asks for the file to open or to save to. A prompt (lblPrompt), the name (txtFileName,
// which has the focus with its text selected), OK (cmdOK, the default button: Enter) and
// Cancel (cmdCancel, the cancel button: Escape; closing the box cancels too). Under the script
// driver the commands that follow it go to it until it closes, as with any modal form.
#pragma once

#include <optional>
#include <string>

namespace stolvane {

class Form;
class Runtime;

// The name typed, without surrounding blanks; nothing when cancelled or left empty.
std::optional<std::string> AskFileName(Runtime& rt, Form& owner, const std::string& title, const std::string& prompt,
                                       const std::string& name);

}  // namespace stolvane
