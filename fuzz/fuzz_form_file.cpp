// SPDX-License-Identifier: MIT
// Form-file loading on arbitrary bytes: every input either loads a form or is refused with a
// FormFileError; nothing else may escape, crash or hang.
#include <cstddef>
#include <cstdint>
#include <string>

#include "host/form_file.h"
#include "host/runtime.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static stolvane::Runtime runtime;
    std::string text(reinterpret_cast<const char*>(data), size);
    try {
        stolvane::Form& form = stolvane::LoadFormText(runtime, text, "", "fuzz.json");
        runtime.UnloadForm(form);
    } catch (const stolvane::FormFileError&) {
    }
    return 0;
}
