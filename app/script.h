// SPDX-License-Identifier: MIT
// The headless scripted driver: reads JSON Lines commands (place, show, mouse, key, advance,
// set, get, dump, pixel ...), runs them against a headless runtime on a virtual clock, and
// writes everything that happens as JSON Lines. docs/script.md describes the language.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

namespace stolvane {

// Runs the script read from `in` on the form file `formPath` (an empty 9600 x 7200 twips form
// when there is none) and writes one JSON object per line to `out`. Returns the exit status:
// 0 when the run completed (commands that failed printed error objects and the run went on),
// 2 when the form file cannot be loaded (the reason goes to `err`), 1 when the run broke down.
// With `design`, the designer's window (designer/designer_form.h) is driven instead, designing
// the form file (a new form, saved there, when the file does not exist yet).
int RunScript(std::istream& in, std::ostream& out, std::ostream& err,
              const std::optional<std::string>& formPath = std::nullopt, bool design = false);

}  // namespace stolvane
