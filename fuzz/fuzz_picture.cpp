// SPDX-License-Identifier: MIT
// Picture decoding on arbitrary bytes: a picture within the limits, or HostError 481.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/types.h"
#include "host/media.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    try {
        stolvane::PictureRef p = stolvane::DecodePicture(bytes, "fuzz");
        if (!p || p->PixelWidth() <= 0 || p->PixelHeight() <= 0) std::abort();
    } catch (const stolvane::HostError& e) {
        if (e.number != 481) std::abort();
    }
    return 0;
}
