// SPDX-License-Identifier: MIT
// Design mode: the controls of a form being designed (or of a container's subtree) are real
// controls that lay out and draw as at run time, while the designer, not they, hears the mouse
// and the keys. They raise no events and run no timers; nothing here knows any control.
#include "host/runtime.h"

#include "host/runtime_internal.h"

namespace stolvane {

const Surface* Runtime::DesignRootOf(const Surface& s) const {
    if (m_designRoots.empty()) return nullptr;
    for (const Surface* p = &s; p; p = p->Container())
        if (m_designRoots.count(p)) return p;
    return nullptr;
}

bool Runtime::InDesignMode(const Surface& surface) const { return DesignRootOf(surface) != nullptr; }

void Runtime::SetDesignMode(Surface& root, bool on, DesignSink* sink) {
    ++m_changes;
    if (on) {
        m_designRoots[&root] = sink;
    } else if (!m_designRoots.erase(&root)) {
        return;
    }
    auto inside = [&](const Surface* s) {
        for (; s; s = s->Container())
            if (s == &root) return true;
        return false;
    };
    if (on) {
        // What the subtree held of the input lets go of it, without telling the controls: they
        // are no longer there for the user.
        if (inside(m_capture)) ReleaseCapture();
        if (inside(m_press.surface)) m_press = {};
        if (inside(m_focus)) m_focus = nullptr;
        if (m_textFocus && inside(m_textFocus->Owner())) BlurTextBox();
        if (m_listFocus && inside(m_listFocus->Owner())) BlurListBox();
        if (m_tip.form && inside(m_tip.form)) HideToolTip(false);
    }
    // Timers stop while designed and start again, each a whole interval from now, afterwards.
    ForEachSurface(root, [&](Surface& s) {
        for (auto& e : s.Elements())
            if (e->Kind() == ElementKind::Timer) ArmTimer(static_cast<Timer&>(*e));
    });
}

Target Runtime::PlacedAt(const Target& hit) const {
    if (!hit.surface) return hit;
    if (hit.element && hit.element->Authored()) return hit;
    for (Surface* s = hit.surface; s; s = s->Container()) {
        if (s->IsForm()) return {s, nullptr};
        if (m_designRoots.count(s)) return {s, nullptr};
        if (ControlElement* ce = s->EmbeddingElement(); ce && !ce->IsDesignChild()) return {s, nullptr};
    }
    return {hit.surface, nullptr};
}

void Runtime::ToDesigner(Form& form, const Target& t, MouseAction action, double x, double y, int16_t button,
                         int16_t shift) {
    const Surface* root = DesignRootOf(*t.surface);
    auto it = root ? m_designRoots.find(root) : m_designRoots.end();
    if (it == m_designRoots.end() || !it->second) return;
    DesignSink* sink = it->second;
    Guard([&] { sink->DesignMouse(form, PlacedAt(t), action, x, y, button, shift); });
}

}  // namespace stolvane
