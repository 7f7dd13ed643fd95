// Events a control raises. Each event has typed handlers for applications written in C++ and
// is also reported to the runtime by name with its arguments, so scripts and tests can log it.
// Arguments are references: a handler's change reaches the control that raised the event.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

namespace stolvane {

// What a drag-and-drop brings: the dropped files (paths) and any dropped text.
struct DragData {
    std::vector<std::string> files;
    std::string text;
};

// Drop effects the receiver may answer with.
namespace DropEffect {
constexpr int32_t None = 0, Copy = 1, Move = 2;
}

struct EventArg {
    const char* name;
    std::variant<int16_t*, int32_t*, float*, std::string*, DragData*> ref;
};
using EventArgs = std::vector<EventArg>;

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
    void operator+=(Handler h) { m_handlers.push_back(std::move(h)); }
    void Clear() { m_handlers.clear(); }
    void Invoke(A&... args) const {
        // Copy: a handler may add handlers while the event is being raised.
        auto handlers = m_handlers;
        for (auto& h : handlers) h(args...);
    }

private:
    const char* m_name;
    std::array<const char*, sizeof...(A)> m_argNames;
    std::vector<Handler> m_handlers;
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
    if constexpr (std::is_same_v<T, int16_t>) return "Integer";
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
