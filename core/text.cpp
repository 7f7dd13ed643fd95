// SPDX-License-Identifier: MIT
#include "core/text.h"

#include <cctype>

namespace stolvane {

std::string ToLower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string WithoutAccessMarkers(const std::string& caption, std::vector<size_t>* marked) {
    std::string plain;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] != '&') {
            plain += caption[i];
            continue;
        }
        if (i + 1 >= caption.size()) break;
        ++i;
        if (caption[i] != '&' && marked) marked->push_back(plain.size());
        plain += caption[i];
    }
    return plain;
}

std::string AccessKeysOf(const std::string& caption) {
    std::vector<size_t> marked;
    const std::string plain = WithoutAccessMarkers(caption, &marked);
    std::string keys;
    for (size_t at : marked) keys += static_cast<char>(std::toupper(static_cast<unsigned char>(plain[at])));
    return keys;
}

}  // namespace stolvane
