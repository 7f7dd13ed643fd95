// SPDX-License-Identifier: MIT
// Desktop settings on arbitrary text, read the way the title-bar gradient reads them: the value
// of GradientActiveTitle either paints or fails with a host error.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/routines.h"
#include "core/types.h"
#include "host/runtime.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static stolvane::Runtime runtime;
    static stolvane::Form& form = runtime.NewForm("frmFuzz", 600, 300);
    runtime.GetDesktop().Clear();
    if (!runtime.GetDesktop().LoadText(std::string(reinterpret_cast<const char*>(data), size))) return 0;
    stolvane::OleColour c1 = stolvane::SysColour::ActiveTitle, c2 = c1;
    try {
        stolvane::GradientLeftRight(form, c1, c2, 0, 0, 600, 300);
    } catch (const stolvane::HostError&) {
    }
    form.Cls();
    return 0;
}
