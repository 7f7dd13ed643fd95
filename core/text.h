// SPDX-License-Identifier: MIT
// Small text helpers every layer shares: lower-casing for names compared without regard to
// case, and the one reading of access-key markers in captions ("&Open" marks O, "&&" is a
// literal ampersand).
#pragma once

#include <string>
#include <vector>

namespace stolvane {

// The text with ASCII letters in lower case.
std::string ToLower(std::string text);

// A caption without its markers: "&&" becomes "&", a lone '&' is dropped, and the positions
// (in the text returned) of the characters a '&' marked are added to marked.
std::string WithoutAccessMarkers(const std::string& caption, std::vector<size_t>* marked = nullptr);

// The characters a caption marks as access keys, in upper case ("E&xit" gives "X").
std::string AccessKeysOf(const std::string& caption);

}  // namespace stolvane
