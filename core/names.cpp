// SPDX-License-Identifier: MIT
#include "core/names.h"

#include <algorithm>
#include <cctype>

namespace stolvane {

namespace {
size_t Distance(const std::string& a, const std::string& b) {
    // Edit distance (insert, delete, replace, swap of neighbours), letter case ignored.
    auto eq = [](char x, char y) { return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y)); };
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i)
        for (size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (eq(a[i - 1], b[j - 1]) ? 0 : 1)});
            if (i > 1 && j > 1 && eq(a[i - 1], b[j - 2]) && eq(a[i - 2], b[j - 1]))
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}
}  // namespace

std::optional<std::string> NearestName(const std::string& given, const std::vector<std::string>& valid) {
    std::optional<std::string> best;
    size_t bestDistance = 0;
    for (const std::string& v : valid) {
        size_t d = Distance(given, v);
        if (!best || d < bestDistance) best = v, bestDistance = d;
    }
    if (!best) return std::nullopt;
    size_t longer = std::max(given.size(), best->size());
    if (bestDistance * 3 > longer || bestDistance >= longer) return std::nullopt;
    return best;
}

std::string DidYouMean(const std::string& given, const std::vector<std::string>& valid) {
    auto n = NearestName(given, valid);
    return n ? " (did you mean \"" + *n + "\"?)" : "";
}

std::string JoinNames(const std::vector<std::string>& names) {
    std::string out;
    for (auto& n : names) out += (out.empty() ? "" : ", ") + n;
    return out;
}

std::string WithArticle(const std::string& word) {
    const bool vowel = !word.empty() && std::string("AEIOUaeiou").find(word[0]) != std::string::npos;
    return (vowel ? "an " : "a ") + word;
}

}  // namespace stolvane
