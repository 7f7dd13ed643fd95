// SPDX-License-Identifier: MIT
// Tooltips: the runtime follows what the pointer rests on and, on its own timer (the same
// clock as the forms' timers, so a script's virtual clock drives it), shows the ToolTipText of
// the element under the pointer, or of the innermost control holding it, and hides it again.
// What shows it is the observer (scripts print it) and the backend (windows draw it).

#include "host/runtime.h"

#include "host/runtime_internal.h"

namespace stolvane {

void Runtime::TrackToolTip(Form& form, double x, double y) {
    // Over an open popup menu a tooltip would cover it and, without a window manager, take its
    // keyboard and close it.
    if (m_menusOpen > 0) return;
    Element* owner = nullptr;
    Target t = HitTest(form, x, y);
    if (t.surface && InputAllowed(*t.surface)) {
        if (t.element && !t.element->ToolTipText().empty()) owner = t.element;
        for (Surface* s = t.surface; s && !owner; s = s->Container())
            if (ControlElement* ce = ElementOf(*s); ce && !ce->ToolTipText().empty()) owner = ce;
    }
    if (&form != m_tip.form || owner != m_tip.owner) {
        HideToolTip(false);
        m_tip = {};
        m_tip.form = &form;
        m_tip.owner = owner;
        if (owner) m_tip.text = owner->ToolTipText();
    }
    m_tip.x = x, m_tip.y = y;
    // Each move over it starts the rest again, until the tooltip shows.
    if (owner && !m_tip.dismissed && !m_tip.shownText)
        ScheduleTimer(&m_tipTimer, m_now + kToolTipDelayMs, ++m_timerOrder);
}

void Runtime::ToolTipTick() {
    if (m_tip.shownText) return HideToolTip(true);
    DropTimer(&m_tipTimer);
    if (!m_tip.form || !m_tip.owner || m_tip.text.empty() || m_tip.dismissed) return;
    const double x = m_tip.x + kToolTipOffsetX, y = m_tip.y + kToolTipOffsetY;
    m_tip.shownText = m_tip.text;
    ScheduleTimer(&m_tipTimer, m_now + kToolTipShowMs, ++m_timerOrder);
    Form& form = *m_tip.form;
    const std::string text = m_tip.text;
    if (m_observer) m_observer->OnToolTip(form, text, x, y);
    m_backend->ShowToolTip(form, text, x, y);
}

void Runtime::HideToolTip(bool dismiss) {
    DropTimer(&m_tipTimer);
    if (dismiss && m_tip.owner) m_tip.dismissed = true;
    if (!m_tip.shownText) return;
    m_tip.shownText.reset();
    if (m_observer && m_tip.form) m_observer->OnToolTip(*m_tip.form, std::nullopt, 0, 0);
    m_backend->HideToolTip();
}

void Runtime::ForgetToolTip(const Form& form) {
    if (m_tip.form != &form) return;
    HideToolTip(false);
    m_tip = {};
}

void Runtime::PointerLeft(Form& form) {
    if (m_tip.form != &form) return;
    HideToolTip(false);
    m_tip = {};
}

}  // namespace stolvane
