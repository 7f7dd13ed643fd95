// SPDX-License-Identifier: MIT
#include "designer/selection.h"

#include <algorithm>

namespace stolvane {

bool Selection::Has(const std::string& name) const {
    return std::find(m_names.begin(), m_names.end(), name) != m_names.end();
}

void Selection::Add(const std::string& name) {
    if (!Has(name)) m_names.push_back(name);
}

void Selection::Toggle(const std::string& name) {
    if (Has(name))
        Remove(name);
    else
        m_names.push_back(name);
}

void Selection::Remove(const std::string& name) { std::erase(m_names, name); }

}  // namespace stolvane
