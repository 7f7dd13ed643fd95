// SPDX-License-Identifier: MIT
// Timers on the runtime's clock: a virtual clock moved on by Advance (scripts, tests), where
// every due tick fires in order up to a budget per advance, or the real clock moved on by the
// window loop a turn at a time, where each due timer fires once per turn. Either way a timer
// that has fallen behind fires once for all the ticks it missed, as a classic host's timer
// messages do (one is pending per timer, never a queue of them), and keeps its rhythm.

#include "host/runtime.h"

#include <algorithm>

#include "host/limits.h"
#include "host/runtime_internal.h"

namespace stolvane {

void Runtime::ScheduleTimer(const Timer* t, int64_t next, uint64_t order) {
    auto it = m_timers.find(t);
    if (it != m_timers.end()) m_timerQueue.erase({it->second.next, it->second.order, t});
    m_timers[t] = {next, order};
    m_timerQueue.insert({next, order, t});
}

void Runtime::DropTimer(const Timer* t) {
    auto it = m_timers.find(t);
    if (it == m_timers.end()) return;
    m_timerQueue.erase({it->second.next, it->second.order, t});
    m_timers.erase(it);
}

void Runtime::ArmTimer(Timer& t) {
    if (t.Enabled() && t.Interval() > 0 && t.Owner() && !InDesignMode(*t.Owner()))
        ScheduleTimer(&t, m_now + t.Interval(), ++m_timerOrder);
    else
        DropTimer(&t);
}

int64_t Runtime::NextTimerDue() const {
    if (m_timerQueue.empty()) return -1;
    return std::max<int64_t>(0, std::get<0>(*m_timerQueue.begin()) - m_now);
}

void Runtime::FireDueOnce(int64_t end) {
    m_now = std::max(m_now, end);
    std::vector<std::tuple<int64_t, uint64_t, const Timer*>> due;
    for (auto it = m_timerQueue.begin(); it != m_timerQueue.end() && std::get<0>(*it) <= end; ++it) due.push_back(*it);
    for (auto& [next, order, t] : due) {
        // A handler that ran before may have stopped, re-armed or destroyed this timer.
        auto it = m_timers.find(t);
        if (it == m_timers.end() || it->second.next != next || it->second.order != order) continue;
        Timer* timer = const_cast<Timer*>(t);
        const int64_t interval = timer->Interval();
        ScheduleTimer(t, next + ((end - next) / interval + 1) * interval, order);
        if (timer->onTick) Guard([&] { timer->onTick(); });
    }
}

void Runtime::Advance(int64_t ms) {
    if (ms < 0 || ms > kMaxAdvanceMs) throw HostError::InvalidCall();
    Dispatch scope(*this);
    const int64_t end = m_now + ms;
    int64_t fired = 0;
    while (!m_timerQueue.empty()) {
        auto [when, order, t] = *m_timerQueue.begin();
        if (when > end) break;
        if (fired == limits::kMaxTicksPerAdvance) {
            // Past the budget the advance goes on as a loop that has fallen behind: each timer
            // still due fires once more, at the end.
            FireDueOnce(end);
            break;
        }
        ++fired;
        m_now = when;
        Timer* timer = const_cast<Timer*>(t);
        ScheduleTimer(t, when + timer->Interval(), order);
        if (timer->onTick) Guard([&] { timer->onTick(); });
    }
    m_now = end;
    ReapLaunched();
}

void Runtime::AdvanceLoopTurn(int64_t ms) {
    if (ms < 0) throw HostError::InvalidCall();
    Dispatch scope(*this);
    FireDueOnce(m_now + ms);
    ReapLaunched();
}

}  // namespace stolvane
