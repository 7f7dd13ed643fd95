// Timers on the runtime's clock: a virtual clock moved on by Advance (scripts, tests) or by
// the window loop from the real clock; every due tick fires in order.

#include "host/runtime.h"

#include <algorithm>

#include "host/runtime_internal.h"

namespace stolvane {

void Runtime::ArmTimer(Timer& t) {
    if (t.Enabled() && t.Interval() > 0 && t.Owner())
        m_timers[&t] = {m_now + t.Interval(), ++m_timerOrder};
    else
        m_timers.erase(&t);
}

int64_t Runtime::NextTimerDue() const {
    int64_t best = -1;
    for (auto& [t, st] : m_timers)
        if (best < 0 || st.next < best) best = st.next;
    if (m_caretDue >= 0 && (best < 0 || m_caretDue < best)) best = m_caretDue;
    return best < 0 ? -1 : std::max<int64_t>(0, best - m_now);
}

void Runtime::Advance(int64_t ms) {
    if (ms < 0 || ms > kMaxAdvanceMs) throw HostError::InvalidCall();
    Dispatch scope(*this);
    const int64_t end = m_now + ms;
    while (true) {
        const Timer* due = nullptr;
        int64_t when = 0;
        uint64_t order = 0;
        for (auto& [t, st] : m_timers)
            if (st.next <= end && (!due || st.next < when || (st.next == when && st.order < order)))
                due = t, when = st.next, order = st.order;
        // The focused text box's caret blinks on the same clock, before ticks due later.
        if (m_caretDue >= 0 && m_caretDue <= end && (!due || m_caretDue < when)) {
            m_now = m_caretDue;
            m_caretDue += kCaretBlinkMs;
            BlinkCaret();
            continue;
        }
        if (!due) break;
        m_now = when;
        Timer* timer = const_cast<Timer*>(due);
        m_timers[timer].next = when + timer->Interval();
        if (timer->onTick) Guard([&] { timer->onTick(); });
    }
    m_now = end;
    ReapChildren();
}

}  // namespace stolvane
