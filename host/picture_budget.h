// SPDX-License-Identifier: MIT
// The memory the pictures of one form may take. While a form file is read, every picture it
// loads is charged, from the size its header gives, before it is decoded; one that would take
// the form past its budget is refused, so a small file naming many large pictures fails at once
// instead of running the program out of memory.
#pragma once

#include <cstdint>

#include "host/limits.h"

namespace stolvane {

class PictureBudget {
public:
    explicit PictureBudget(int64_t pixels = limits::kMaxFormPicturePixels);
    ~PictureBudget();
    PictureBudget(const PictureBudget&) = delete;
    PictureBudget& operator=(const PictureBudget&) = delete;

    int64_t Used() const { return m_used; }

    // Charges a picture of width x height pixels to every PictureBudget alive on the thread
    // (none: nothing to charge). Throws HostError 7 ("Out of memory: ...") when it would take
    // one of them past its limit; nothing is charged then.
    static void Charge(int64_t width, int64_t height);

private:
    int64_t m_limit;
    int64_t m_used = 0;
    PictureBudget* m_outer;
};

}  // namespace stolvane
