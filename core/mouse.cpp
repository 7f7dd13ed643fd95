#include "core/mouse.h"

#include "core/convert.h"

namespace stolvane {

MousePoint fncMousePosition(Host& host) {
    const PixelPoint pixels = host.CursorPosition();
    MousePoint p;
    p.x = ToInt32(pixels.x * host.TwipsPerPixelX());
    p.y = ToInt32(pixels.y * host.TwipsPerPixelY());
    return p;
}

void CaptureMouse(Surface& surface) { surface.GetHost().SetCapture(surface); }

void ReleaseMouse(Host& host) { host.ReleaseCapture(); }

}  // namespace stolvane
