// SPDX-License-Identifier: MIT
// The desktop settings file: an INI file like the classic desktop's, e.g.
//   [Colors]
//   GradientActiveTitle=16 132 208
// found through STOLVANE_DESKTOP (a file path), else $XDG_CONFIG_HOME/stolvane/desktop.ini
// (~/.config/stolvane/desktop.ini). Settings can also be set in memory (scripts, tests).
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>

namespace stolvane {

class Desktop {
public:
    // Reads the settings file the environment names; a missing file means no settings.
    void LoadFromEnvironment();
    // Reads one INI file; returns false when it cannot be read or is not a regular file of at
    // most 1 MB (settings stay as they were).
    bool LoadFile(const std::string& path);
    // Reads INI text; returns false when it is not INI (settings stay as they were).
    bool LoadText(const std::string& text);
    std::optional<std::string> Get(const std::string& section, const std::string& key) const;
    void Set(const std::string& section, const std::string& key, std::optional<std::string> value);
    void Clear() { m_values.clear(); }
    static std::string LocateFile();

private:
    // Section and key compare without case, as INI files do.
    static std::string Fold(const std::string& s);
    std::map<std::pair<std::string, std::string>, std::string> m_values;
};

}  // namespace stolvane
