// SPDX-License-Identifier: MIT
#include "host/desktop.h"

#include <fcntl.h>
#include <ini.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "core/text.h"

namespace stolvane {

namespace {
constexpr size_t kMaxFileBytes = size_t(1) << 20;
}  // namespace

std::string Desktop::Fold(const std::string& s) {
    return ToLower(s);
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
    // Only a regular file is read, and never waited on: a FIFO named by the environment must
    // not stop the application from starting.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    std::string text;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    char buf[8192];
    while (ok) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        text.append(buf, static_cast<size_t>(n));
        ok = text.size() <= kMaxFileBytes;
    }
    ::close(fd);
    return ok && LoadText(text);
}

bool Desktop::LoadText(const std::string& text) {
    std::map<std::pair<std::string, std::string>, std::string> read;
    auto handler = [](void* user, const char* section, const char* name, const char* value) -> int {
        auto* m = static_cast<std::map<std::pair<std::string, std::string>, std::string>*>(user);
        (*m)[{Fold(section), Fold(name)}] = value;
        return 1;
    };
    // The parser stops at a NUL; text holding one is not an INI file.
    if (text.find('\0') != std::string::npos || ini_parse_string(text.c_str(), handler, &read) < 0) return false;
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
