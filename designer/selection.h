// SPDX-License-Identifier: MIT
// What the author has selected in the form under design: controls and elements by name (so a
// selection outlives the form being loaded again from a snapshot), in the order they were
// picked. The first is the primary one, whose properties the browser shows.
#pragma once

#include <string>
#include <vector>

namespace stolvane {

class Selection {
public:
    const std::vector<std::string>& Names() const { return m_names; }
    bool Empty() const { return m_names.empty(); }
    size_t Size() const { return m_names.size(); }
    bool Has(const std::string& name) const;
    // Selects only this one.
    void Only(const std::string& name) { m_names = {name}; }
    void Add(const std::string& name);
    // Adds it when absent, takes it out when present (Ctrl-click).
    void Toggle(const std::string& name);
    void Remove(const std::string& name);
    void Clear() { m_names.clear(); }
    void Set(std::vector<std::string> names) { m_names = std::move(names); }

private:
    std::vector<std::string> m_names;
};

}  // namespace stolvane
