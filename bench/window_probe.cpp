// SPDX-License-Identifier: MIT
#include "bench/window_probe.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace stolvane::bench {

XProbe::XProbe(const std::string& display) : m_display(XOpenDisplay(display.c_str())) {}

XProbe::~XProbe() {
    if (m_display) XCloseDisplay(static_cast<Display*>(m_display));
}

void XProbe::MovePointer(unsigned long window, int x, int y) {
    auto* d = static_cast<Display*>(m_display);
    XWarpPointer(d, None, window, 0, 0, 0, 0, x, y);
    XFlush(d);
}

std::optional<uint32_t> XProbe::Pixel(unsigned long window, int x, int y) {
    auto* d = static_cast<Display*>(m_display);
    XImage* image = XGetImage(d, window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return std::nullopt;
    const unsigned long px = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return static_cast<uint32_t>(px & 0xFFFFFF);  // the 24-bit TrueColor visual of the test server
}

}  // namespace stolvane::bench
