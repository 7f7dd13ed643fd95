// SPDX-License-Identifier: MIT
// The pointer's screen position in twips, the mouse capture a control takes while the pointer
// is over it (so that it keeps receiving moves and notices when the pointer leaves) or while it
// drags a grip or a title bar, and mouse coordinates carried from a child to its container.
#pragma once

#include <cstdint>

#include <stolvane/core/host.h>
#include <stolvane/core/surface.h>

namespace stolvane {

// A position on the screen in twips from its top-left corner. 32 bits: on a large screen the
// pointer can be further than 32767 twips (2184 pixels at 15 twips per pixel) from the corner.
struct MousePoint {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const MousePoint& o) const { return x == o.x && y == o.y; }
    bool operator!=(const MousePoint& o) const { return !(*this == o); }
};

// The pointer's screen position: its pixel position times the screen's twips per pixel on each
// axis, rounded half to even. Negative left of or above the primary screen.
MousePoint fncMousePosition(Host& host);

// Routes all mouse input to the surface until released.
void CaptureMouse(Surface& surface);
// Ends the capture, whoever holds it.
void ReleaseMouse(Host& host);

// Mouse arguments a child at (left, top) of its container received, in the container's
// coordinates.
MouseArgs InParent(const MouseArgs& args, double left, double top);
template <class Child>
MouseArgs InParent(const MouseArgs& args, const Child& child) {
    return InParent(args, child.Left(), child.Top());
}

class Control;
// A part of a control's design (a picture, a label) passes its mouse presses, moves and
// releases to the control's own handlers, in the control's coordinates.
void ForwardMouse(BoxElement& part, Control& control);
// The same for a control embedded in the design (its typed mouse events), whose surface is at.
template <class Part, class Target>
void ForwardMouse(Part& part, const Surface& at, Target& target) {
    auto forward = [&at, &target](void (Target::*handler)(MouseArgs&)) {
        return [&at, &target, handler](int16_t& button, int16_t& shift, float& x, float& y) {
            MouseArgs a = InParent(MouseArgs{button, shift, x, y}, at);
            (target.*handler)(a);
        };
    };
    part.MouseDown += forward(&Target::OnMouseDown);
    part.MouseMove += forward(&Target::OnMouseMove);
    part.MouseUp += forward(&Target::OnMouseUp);
}

// Hover tracking with capture. On a move inside its surface (the edges count as inside) a
// control takes the capture and records it; holding the capture, it receives the next move
// outside as well, and there it restores its resting look and lets the capture go. A point of
// the surface that does not show (beyond its form's edge, under a control above it) is outside.
class HoverCapture {
public:
    explicit HoverCapture(Surface& surface) : m_surface(surface) {}

    // True when (x, y), relative to the surface, lies on it, edges included, on a part of it
    // that shows (Host::Shows): not beyond the edge of its form or of a container, and not
    // under a control or element lying above it.
    bool Contains(double x, double y) const;
    // One move at (x, y): inside, enter() runs and the capture is taken; outside, leave() runs
    // and the capture is let go. Returns whether the point was inside.
    template <class Enter, class Leave>
    bool Track(double x, double y, Enter&& enter, Leave&& leave) {
        const bool inside = Contains(x, y);
        if (inside) {
            enter();
            Take();
        } else {
            leave();
            Release();
        }
        return inside;
    }
    // Routes all mouse input to the surface, and records that it is held.
    void Take();
    // Forgets the capture and, if the surface still holds it, ends it. A capture another
    // surface has taken since (a control inside a panel, say) is left alone.
    void Release();
    bool Held() const { return m_held; }

private:
    Surface& m_surface;
    bool m_held = false;
};

}  // namespace stolvane
