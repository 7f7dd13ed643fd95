// SPDX-License-Identifier: MIT
#include "host/picture_budget.h"

#include <string>

#include "core/types.h"

namespace stolvane {

namespace {
thread_local PictureBudget* g_current = nullptr;

// Four bytes a pixel.
std::string Megabytes(int64_t pixels) {
    const int64_t bytes = pixels * 4;
    return bytes < (1 << 20) ? std::to_string(bytes) + " bytes" : std::to_string(bytes >> 20) + " MB";
}
}  // namespace

PictureBudget::PictureBudget(int64_t pixels) : m_limit(pixels), m_outer(g_current) { g_current = this; }

PictureBudget::~PictureBudget() { g_current = m_outer; }

void PictureBudget::Charge(int64_t width, int64_t height) {
    if (width <= 0 || height <= 0) return;
    const int64_t pixels = width * height;  // each side is at most 32767, so this cannot overflow
    // A picture must fit every budget it falls under (a form's, inside any a caller set).
    for (PictureBudget* b = g_current; b; b = b->m_outer)
        if (pixels > b->m_limit - b->m_used)
            throw HostError(ErrorNumber::OutOfMemory, "Out of memory: the form's pictures would take " +
                                                          Megabytes(b->m_used + pixels) + ", over the " +
                                                          Megabytes(b->m_limit) + " a form's pictures may take");
    for (PictureBudget* b = g_current; b; b = b->m_outer) b->m_used += pixels;
}

}  // namespace stolvane
