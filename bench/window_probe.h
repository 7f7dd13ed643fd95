// SPDX-License-Identifier: MIT
// A connection of its own to an X display, for watching a window from outside as a user would:
// the pointer moved as a real mouse moves it, and the window's pixels read back from the server.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace stolvane::bench {

class XProbe {
public:
    explicit XProbe(const std::string& display);
    ~XProbe();
    XProbe(const XProbe&) = delete;
    XProbe& operator=(const XProbe&) = delete;

    bool Connected() const { return m_display != nullptr; }
    // Moves the pointer to a point of the window; the server sends the moves it causes.
    void MovePointer(unsigned long window, int x, int y);
    // The colour (0xRRGGBB) the window shows at a pixel, as the server has it now.
    std::optional<uint32_t> Pixel(unsigned long window, int x, int y);

private:
    void* m_display = nullptr;
};

}  // namespace stolvane::bench
