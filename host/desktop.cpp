#include "host/desktop.h"

#include <ini.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace stolvane {

std::string Desktop::Fold(const std::string& s) {
    std::string r = s;
    std::transform(r.begin(), r.end(), r.begin(), [](unsigned char c) { return std::tolower(c); });
    return r;
}

std::string Desktop::LocateFile() {
    if (const char* p = std::getenv("STOLVANE_DESKTOP"); p && *p) return p;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) return std::string(x) + "/stolvane/desktop.ini";
    if (const char* h = std::getenv("HOME"); h && *h) return std::string(h) + "/.config/stolvane/desktop.ini";
    return {};
}

void Desktop::LoadFromEnvironment() {
    std::string path = LocateFile();
    if (!path.empty()) LoadFile(path);
}

bool Desktop::LoadFile(const std::string& path) {
    std::map<std::pair<std::string, std::string>, std::string> read;
    auto handler = [](void* user, const char* section, const char* name, const char* value) -> int {
        auto* m = static_cast<std::map<std::pair<std::string, std::string>, std::string>*>(user);
        (*m)[{Fold(section), Fold(name)}] = value;
        return 1;
    };
    if (ini_parse(path.c_str(), handler, &read) < 0) return false;
    for (auto& [k, v] : read) m_values[k] = v;
    return true;
}

std::optional<std::string> Desktop::Get(const std::string& section, const std::string& key) const {
    auto it = m_values.find({Fold(section), Fold(key)});
    if (it == m_values.end()) return std::nullopt;
    return it->second;
}

void Desktop::Set(const std::string& section, const std::string& key, std::optional<std::string> value) {
    if (value)
        m_values[{Fold(section), Fold(key)}] = *value;
    else
        m_values.erase({Fold(section), Fold(key)});
}

}  // namespace stolvane
