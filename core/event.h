// SPDX-License-Identifier: MIT
// Events a control raises. Each event has typed handlers for applications written in C++ and
// is also reported to the runtime by name with its arguments, so scripts and tests can log it.
// Arguments are references: a handler's change reaches the control that raised the event.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include <stolvane/core/types.h>

namespace stolvane {

// What a drag-and-drop brings: the dropped files (paths) and any dropped text.
struct DragData {
    std::vector<std::string> files;
    std::string text;
};

// Drop effects the receiver may answer with.
namespace DropEffect {
constexpr int32_t NoEffect = 0, Copy = 1, Move = 2;
#ifndef None
constexpr int32_t None = NoEffect;
#endif
}

struct EventArg {
    const char* name;
    std::variant<int16_t*, int32_t*, float*, std::string*, DragData*, Boolean*> ref;
};
using EventArgs = std::vector<EventArg>;

// What adding a handler returns: Disconnect removes the handler again (once; later calls do
// nothing, nor does a disconnect after the event itself is gone). Dropping the connection
// leaves the handler in place.
class Connection {
public:
    Connection() = default;
    explicit Connection(std::function<void()> disconnect) : m_disconnect(std::move(disconnect)) {}
    void Disconnect() {
        auto d = std::move(m_disconnect);
        m_disconnect = nullptr;
        if (d) d();
    }
    bool Connected() const { return static_cast<bool>(m_disconnect); }

private:
    std::function<void()> m_disconnect;
};

template <class... A>
class Event {
public:
    using Handler = std::function<void(A&...)>;
    Event(const char* name, std::array<const char*, sizeof...(A)> argNames = {}) : m_name(name), m_argNames(argNames) {}
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    const char* Name() const { return m_name; }
    const std::array<const char*, sizeof...(A)>& ArgNames() const { return m_argNames; }
    // Adds a handler; handlers run in the order they were added.
    Connection operator+=(Handler h) {
        if (!m_state) m_state = std::make_shared<State>();
        const uint64_t id = ++m_state->lastId;
        m_state->handlers.emplace_back(id, std::move(h));
        std::weak_ptr<State> state = m_state;
        return Connection([state, id] {
            if (auto s = state.lock()) {
                auto& list = s->handlers;
                list.erase(std::remove_if(list.begin(), list.end(),
                                          [id](const auto& entry) { return entry.first == id; }),
                           list.end());
            }
        });
    }
    void Clear() {
        if (m_state) m_state->handlers.clear();
    }
    void Invoke(A&... args) const {
        if (!m_state || m_state->handlers.empty()) return;
        // Copy: a handler may add or remove handlers while the event is being raised.
        auto handlers = m_state->handlers;
        for (auto& h : handlers) h.second(args...);
    }

private:
    struct State {
        uint64_t lastId = 0;
        std::vector<std::pair<uint64_t, Handler>> handlers;
    };
    const char* m_name;
    std::array<const char*, sizeof...(A)> m_argNames;
    // Made when the first handler is added: most events of most controls never get one.
    std::shared_ptr<State> m_state;
};

// What the class reference says about one event: its name and its arguments, in order, with
// the type each is passed as (always by reference).
struct EventArgInfo {
    std::string name;
    std::string type;
};
struct EventInfo {
    std::string name;
    std::vector<EventArgInfo> args;
    std::string note;  // what the reference adds ("declared for the interface; never raised")
};

template <class T>
constexpr const char* EventArgTypeName() {
    if constexpr (std::is_same_v<T, Boolean>) return "Boolean";
    else if constexpr (std::is_same_v<T, int16_t>) return "Integer";
    else if constexpr (std::is_same_v<T, int32_t>) return "Long";
    else if constexpr (std::is_same_v<T, float>) return "Single";
    else if constexpr (std::is_same_v<T, std::string>) return "String";
    else return "DataObject";
}

template <class... A>
EventInfo DescribeEvent(const Event<A...>& event) {
    EventInfo info{event.Name(), {}, {}};
    constexpr const char* types[] = {EventArgTypeName<A>()..., ""};
    for (size_t i = 0; i < sizeof...(A); ++i) info.args.push_back({event.ArgNames()[i], types[i]});
    return info;
}

// The arguments of an event as the runtime reports them by name.
template <class... A>
EventArgs ArgsOf(const Event<A...>& event, A&... args) {
    EventArgs list;
    size_t i = 0;
    (list.push_back(EventArg{event.ArgNames()[i++], &args}), ...);
    (void)i;
    return list;
}

using MouseEvent = Event<int16_t, int16_t, float, float>;
inline constexpr std::array<const char*, 4> kMouseArgNames{"Button", "Shift", "X", "Y"};
// The mouse events most controls raise, each named as its member.
#define STOLVANE_MOUSE_EVENTS                          \
    MouseEvent MouseDown{"MouseDown", kMouseArgNames}; \
    MouseEvent MouseMove{"MouseMove", kMouseArgNames}; \
    MouseEvent MouseUp{"MouseUp", kMouseArgNames};
// The key the space bar types, which clicks a button and toggles a check box.
inline constexpr int16_t kSpaceKey = 32;

}  // namespace stolvane
