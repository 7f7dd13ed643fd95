// SPDX-License-Identifier: MIT
// What changed: the areas of each form to repaint (merged into one once there are too many),
// delivering Resize when a control's size changes (with a limit on re-entry), and re-arming a
// timer whose interval or enabled state changed.

#include "host/runtime.h"

#include <algorithm>

namespace stolvane {

namespace {

// The parts of a that b does not cover: up to four rectangles (above, below, left, right).
std::vector<Rect> RectDifference(const Rect& a, const Rect& b) {
    const double l = std::max(a.left, b.left), t = std::max(a.top, b.top);
    const double r = std::min(a.Right(), b.Right()), btm = std::min(a.Bottom(), b.Bottom());
    if (r <= l || btm <= t) return {a};
    std::vector<Rect> out;
    auto add = [&](double x0, double y0, double x1, double y1) {
        if (x1 > x0 && y1 > y0) out.push_back({x0, y0, x1 - x0, y1 - y0});
    };
    add(a.left, a.top, a.Right(), t);
    add(a.left, btm, a.Right(), a.Bottom());
    add(a.left, t, l, btm);
    add(r, t, a.Right(), btm);
    return out;
}

}  // namespace

void Runtime::MarkDirty(const Surface& owner, const Rect& local) {
    ++m_changes;
    const Surface* top = &owner;
    while (top->Container()) top = top->Container();
    if (!top->IsForm()) return;
    const Form* form = static_cast<const Form*>(top);
    Rect r{local.left + FormX(owner), local.top + FormY(owner), local.width, local.height};
    // Clip at the form's left and top edges; an area wholly above or left of the form needs no
    // repaint. Past its right and bottom edges the frame may still show part of an area: a frame
    // is whole pixels (at least one), so its last column and row reach beyond a form whose size
    // is no whole number of pixels, or that is 0 twips wide or high. Each renderer clips the
    // areas to its own frame.
    double l = std::max(0.0, r.left), t = std::max(0.0, r.top);
    double rr = r.Right(), b = r.Bottom();
    if (!(rr > l && b > t)) return;
    auto& list = m_dirty[form];
    // An area inside one already marked adds nothing (placing many controls marks the same
    // area over and over once the marks were merged into one).
    auto holds = [&](const Rect& x) { return x.left <= l && x.top <= t && x.Right() >= rr && x.Bottom() >= b; };
    if (!list.empty() && (holds(list.back()) || holds(list.front()))) return;
    list.push_back({l, t, rr - l, b - t});
    if (list.size() > 64) {
        Rect u = list.front();
        for (auto& x : list) {
            double ul = std::min(u.left, x.left), ut = std::min(u.top, x.top);
            double ur = std::max(u.Right(), x.Right()), ub = std::max(u.Bottom(), x.Bottom());
            u = {ul, ut, ur - ul, ub - ut};
        }
        list = {u};
    }
}

void Runtime::SurfaceChanged(Surface& surface, const Rect& oldBounds) {
    ++m_changes;
    if (surface.IsForm()) {
        MarkDirty(surface, {0, 0, std::max(oldBounds.width, surface.Width()), std::max(oldBounds.height, surface.Height())});
        FormResized(static_cast<Form&>(surface), oldBounds);
        return;
    }
    Surface* container = surface.Container();
    if (!container) return;
    if (ControlElement* ce = surface.EmbeddingElement()) container->ElementMoved(*ce);
    MarkDirty(*container, oldBounds);
    MarkDirty(*container, surface.Bounds());
    if (oldBounds != surface.Bounds()) AnchoredChildMoved(surface);
    AnchorChildren(surface, oldBounds.width, oldBounds.height);
}

void Runtime::SurfaceResized(Surface& surface) {
    Control* c = surface.GetControl();
    if (!c) return;
    // A control that sets its own size in its resize handler is resized again, as the classic
    // runtime does; a handler that never settles is cut off rather than recursing forever.
    int& depth = m_resizing[&surface];
    if (depth >= 8) return;
    ++depth;
    struct Leave {
        std::map<const Surface*, int>& m;
        const Surface* s;
        ~Leave() {
            if (--m[s] == 0) m.erase(s);
        }
    } leave{m_resizing, &surface};
    c->Resize();
}

void Runtime::ElementChanged(Element& element, const Rect& oldBounds) {
    ++m_changes;
    if (element.Kind() == ElementKind::Timer) {
        ArmTimer(static_cast<Timer&>(element));
        return;
    }
    Surface* owner = element.Owner();
    if (!owner) return;
    owner->ElementMoved(element);
    // A focused text box that is disabled or hidden loses the focus.
    if (&element == m_textFocus && (!m_textFocus->Enabled() || !m_textFocus->Visible())) BlurTextBox();
    if (&element == m_listFocus && (!m_listFocus->TakesInput() || !m_listFocus->Visible())) BlurListBox();
    // An element that knows which part of it changed (a text box's edited lines) repaints only that.
    if (oldBounds == element.Bounds()) {
        if (auto damage = element.TakeDamage()) {
            const Rect b = element.Bounds();
            for (const Rect& d : *damage)
                if (d.width > 0 && d.height > 0 && element.Visible())
                    MarkDirty(*owner, {b.left + d.left, b.top + d.top, d.width, d.height});
            return;
        }
    }
    AnchoredElementMoved(element, oldBounds);
    // A filled shape without an outline looks the same all over: when only its rectangle
    // changed (a progress bar growing, say), only the pixels it gained or lost change.
    if (auto* shape = element.Kind() == ElementKind::Shape ? static_cast<Shape*>(&element) : nullptr;
        shape && shape->Filled() && !shape->Outline() && shape->Visible() && oldBounds != shape->Bounds()) {
        for (const Rect& r : RectDifference(oldBounds, shape->Bounds())) MarkDirty(*owner, r);
        for (const Rect& r : RectDifference(shape->Bounds(), oldBounds)) MarkDirty(*owner, r);
        return;
    }
    MarkDirty(*owner, oldBounds);
    if (element.Visible()) MarkDirty(*owner, element.Bounds());
}

std::vector<Rect> Runtime::TakeDirty(Form& form) {
    auto it = m_dirty.find(&form);
    if (it == m_dirty.end()) return {};
    std::vector<Rect> out = std::move(it->second);
    m_dirty.erase(it);
    return out;
}

bool Runtime::HasDirty(const Form& form) const {
    auto it = m_dirty.find(&form);
    return it != m_dirty.end() && !it->second.empty();
}

}  // namespace stolvane
