// SPDX-License-Identifier: MIT
#include "core/mouse.h"

#include "core/control.h"
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

MouseArgs InParent(const MouseArgs& args, double left, double top) {
    return {args.button, args.shift, static_cast<float>(args.x + left), static_cast<float>(args.y + top)};
}

namespace {
template <void (Control::*Handler)(MouseArgs&)>
std::function<void(MouseArgs&)> ForwardTo(BoxElement& part, Control& control) {
    return [&part, &control](MouseArgs& a) {
        MouseArgs b = InParent(a, part);
        (control.*Handler)(b);
    };
}
}  // namespace

// A part on the control's own surface forwards by a flag it carries (a part of every label of a
// large form forwards, and would otherwise hold three handlers); a part elsewhere holds them.
void ForwardMouse(BoxElement& part, Control& control) {
    if (part.Owner() == &control.GetSurface()) {
        part.onMouseDown = nullptr;
        part.onMouseMove = nullptr;
        part.onMouseUp = nullptr;
        part.SetForwardsMouse(true);
        return;
    }
    part.onMouseDown = ForwardTo<&Control::OnMouseDown>(part, control);
    part.onMouseMove = ForwardTo<&Control::OnMouseMove>(part, control);
    part.onMouseUp = ForwardTo<&Control::OnMouseUp>(part, control);
}

bool HoverCapture::Contains(double x, double y) const {
    if (!(x >= 0 && x <= m_surface.Width() && y >= 0 && y <= m_surface.Height())) return false;
    // Only what shows of the surface counts: a part beyond its form's or a container's edge,
    // or under another control, is not under the pointer.
    return m_surface.GetHost().Shows(m_surface, x, y);
}

void HoverCapture::Take() {
    CaptureMouse(m_surface);
    m_held = true;
}

void HoverCapture::Release() {
    if (!m_held) return;
    m_held = false;
    Host& host = m_surface.GetHost();
    if (host.Captured() == &m_surface) ReleaseMouse(host);
}

}  // namespace stolvane
