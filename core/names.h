// SPDX-License-Identifier: MIT
// Suggestions for a misspelt name: the nearest of the valid names, and the list of them, for
// messages that answer an unknown class, property, key or command member.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace stolvane {

// The valid name closest to `given` (letter case ignored), when it is close enough to be a
// likely slip: at most a third of its letters differ, and at least one stays the same.
std::optional<std::string> NearestName(const std::string& given, const std::vector<std::string>& valid);

// " (did you mean "Caption"?)" or "" when nothing is near.
std::string DidYouMean(const std::string& given, const std::vector<std::string>& valid);

// "A, B, C" in the order given.
std::string JoinNames(const std::vector<std::string>& names);

// The word with its indefinite article: "an Alignment", "a ButtonType".
std::string WithArticle(const std::string& word);

}  // namespace stolvane
