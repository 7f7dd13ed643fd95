// SPDX-License-Identifier: MIT
// Form files held to the limits of host/limits.h on both sides: the bytes of a file are checked
// before a JSON document is built from them, and a document about to be saved is checked
// against what the reader accepts, so that a saved form always loads again.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "host/form_json.h"

namespace stolvane::formfile {

// What stops a text from being parsed as a form file, before parsing: a NUL byte (a form file is
// text, and the JSON parser would take it for the end), nesting deeper than
// limits::kMaxJsonDepth, more than limits::kMaxJsonValues values. Linear in the text, constant
// memory.
struct TextRefusal {
    size_t line = 1, column = 1;
    std::string reason;
};
std::optional<TextRefusal> ScanFormText(std::string_view text);

// Checks a form's document as the writer built it against the reader's limits: positions within
// ±limits::kMaxCoordinateTwips, sizes within limits::kMaxSizeTwips, containers nested at most
// limits::kMaxNesting deep, every text UTF-8 and at most limits::kMaxTextBytes long. `fail`
// is called with where (`form, key "caption"`, `control "lbl", key "left"`) and what; it must
// not return.
using SaveFailure = std::function<void(const std::string& where, const std::string& what)>;
void CheckSavable(const Json& form, const SaveFailure& fail);

// A text is too long for a form file: "a text of N bytes, over the limit of 16384".
std::optional<std::string> TextProblem(const std::string& text);

}  // namespace stolvane::formfile
