// SPDX-License-Identifier: MIT
// Anchoring: when a form's client area or a container control changes size, the controls and
// box elements its author placed in it keep their distances to the edges they are anchored to
// (core/anchor.h). A form also raises its Resize event for the application.
//
// A control's move of itself while it handles its own input (a panel's grip in move mode) does
// not change the distances it keeps: if its container changes size meanwhile (the grip's
// Bind_Parent), the anchors place it, so a status bar anchored left, right and bottom stays
// along the bottom at full width while its grip is dragged. A move of itself that no container
// change follows stands as a move, and the distances are taken anew from where it went.
#include <algorithm>

#include "host/runtime.h"

namespace stolvane {

void Runtime::AnchorChildren(Surface& container, double oldWidth, double oldHeight) {
    const double newWidth = container.Width(), newHeight = container.Height();
    if (newWidth == oldWidth && newHeight == oldHeight) return;
    ++m_anchorDepth;
    struct Leave {
        int& depth;
        ~Leave() { --depth; }
    } leave{m_anchorDepth};
    // A copy of the list: a control's Resize may add or remove elements of its own.
    std::vector<Element*> children;
    for (auto& e : container.Elements()) children.push_back(e.get());
    for (Element* e : children) {
        if (auto* ce = dynamic_cast<ControlElement*>(e)) {
            if (ce->IsDesignChild()) continue;
            Surface& s = ce->GetSurface();
            Anchoring& a = s.GetAnchoring();
            if (a.IsDefault()) continue;
            Rect r = a.Place(s.Bounds(), oldWidth, oldHeight, newWidth, newHeight);
            if (&s == m_inputSurface) m_inputSurfaceAnchored = true;
            s.Move(r.left, r.top, r.width, r.height);
        } else if (auto* box = dynamic_cast<BoxElement*>(e)) {
            if (!box->Authored() || box->GetAnchoring().IsDefault()) continue;
            Rect r = box->GetAnchoring().Place(box->Bounds(), oldWidth, oldHeight, newWidth, newHeight);
            box->Move(r.left, r.top, r.width, r.height);
        }
    }
}

void Runtime::AnchoredChildMoved(Surface& child) {
    if (m_anchorDepth > 0 || &child == m_inputSurface || !child.Container()) return;
    child.GetAnchoring().Take(child.Bounds(), child.Container()->Width(), child.Container()->Height());
}

void Runtime::AnchoredElementMoved(Element& element, const Rect& oldBounds) {
    if (m_anchorDepth > 0 || oldBounds == element.Bounds() || !element.Owner()) return;
    if (auto* box = dynamic_cast<BoxElement*>(&element))
        box->GetAnchoring().Take(box->Bounds(), element.Owner()->Width(), element.Owner()->Height());
}

void Runtime::TakeAnchorDistances(Surface& s) {
    if (!s.GetAnchoring().Known() && s.Container())
        s.GetAnchoring().Take(s.Bounds(), s.Container()->Width(), s.Container()->Height());
}

void Runtime::FormResized(Form& form, const Rect& oldBounds) {
    if (oldBounds.width == form.Width() && oldBounds.height == form.Height()) return;
    AnchorChildren(form, oldBounds.width, oldBounds.height);
    if (!IsShown(form) || InDesignMode(form)) return;
    Dispatch scope(*this);
    Guard([&] {
        EventArgs args;
        RaiseEvent(form, form.Resize.Name(), args);
        form.Resize.Invoke();
    });
}

}  // namespace stolvane
