// SPDX-License-Identifier: MIT
#include "designer/naming.h"

#include <cctype>

namespace stolvane::designer {

std::string NextName(const Form& form, const std::string& base) {
    for (int n = 1;; ++n) {
        std::string name = base + std::to_string(n);
        if (!form.FindSurface(name) && !form.FindAuthored(name) && name != form.Name()) return name;
    }
}

bool ValidName(const std::string& name) {
    if (name.empty() || name.size() > 40 || !std::isalpha(static_cast<unsigned char>(name[0]))) return false;
    for (unsigned char c : name)
        if (!std::isalnum(c) && c != '_') return false;
    return true;
}

}  // namespace stolvane::designer
