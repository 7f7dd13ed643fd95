// The pointer's screen position in twips, and the mouse capture a control takes while the
// pointer is over it (so that it keeps receiving moves and notices when the pointer leaves) or
// while it drags a grip or a title bar.
#pragma once

#include <cstdint>

#include "core/host.h"
#include "core/surface.h"

namespace stolvane {

// A position on the screen in twips from its top-left corner. 32 bits: on a large screen the
// pointer can be further than 32767 twips (2184 pixels at 15 twips per pixel) from the corner.
struct MousePoint {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const MousePoint&) const = default;
};

// The pointer's screen position: its pixel position times the screen's twips per pixel on each
// axis, rounded half to even. Negative left of or above the primary screen.
MousePoint fncMousePosition(Host& host);

// Routes all mouse input to the surface until released.
void CaptureMouse(Surface& surface);
// Ends the capture, whoever holds it.
void ReleaseMouse(Host& host);

}  // namespace stolvane
