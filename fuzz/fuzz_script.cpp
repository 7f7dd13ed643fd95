// SPDX-License-Identifier: MIT
// The scripted driver on arbitrary script text, in-process. Lines that could name a file are
// dropped before the driver sees them (save, render, load, any "path", "form" or "files"
// member, a string "value" that looks like a path), the run happens in a fresh temporary
// folder, and the work is bounded: lines over 4 KB are dropped and at most 200 lines run.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "app/script.h"

namespace {

using Json = nlohmann::json;

bool NamesAFile(const Json& j) {
    if (j.is_array()) {
        for (const Json& e : j)
            if (NamesAFile(e)) return true;
        return false;
    }
    if (!j.is_object()) return false;
    for (auto& [key, value] : j.items()) {
        if (key == "path" || key == "form" || key == "files") return true;
        if (key == "value" && value.is_string() && value.get<std::string>().find_first_of("/.") != std::string::npos)
            return true;
        if (NamesAFile(value)) return true;
    }
    if (auto cmd = j.find("cmd"); cmd != j.end() && cmd->is_string()) {
        const std::string& c = cmd->get_ref<const std::string&>();
        if (c == "save" || c == "render" || c == "load") return true;
    }
    return false;
}

// The current folder for every run: a temporary folder of this process, removed at exit.
void EnterTemporaryFolder() {
    static std::string folder;
    if (!folder.empty()) return;
    std::string pattern = (std::filesystem::temp_directory_path() / "stolvane-fuzz-script.XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    folder = pattern;
    if (chdir(folder.c_str()) != 0) std::abort();
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    EnterTemporaryFolder();
    std::istringstream text(std::string(reinterpret_cast<const char*>(data), size));
    std::string script, line;
    int lines = 0;
    while (lines < 200 && std::getline(text, line)) {
        if (line.size() > 4096) continue;
        std::string body = line;
        if (!body.empty() && body.back() == '\r') body.pop_back();
        Json j = Json::parse(body, nullptr, false);
        if (!j.is_discarded() && NamesAFile(j)) continue;
        script += line;
        script += '\n';
        ++lines;
    }
    std::istringstream in(script);
    std::ostringstream out, err;
    stolvane::RunScript(in, out, err);
    return 0;
}
