// The class description of a library control, from what the class declares: its name, design
// size and property table (STOLVANE_CONTROL_CLASS), plus a summary, its enumerations and its
// events in dispatch order.
#pragma once

#include <string>
#include <vector>

#include "core/library.h"

namespace stolvane {

template <class T, class... M>
ClassInfo DescribeControl(std::string summary, std::vector<const EnumInfo*> enumerations, M T::*... events) {
    ClassInfo c = DescribeClass<T>(T::kClassName, T::kDesignWidth, T::kDesignHeight);
    c.summary = std::move(summary);
    c.events = EventsOf<T>(events...);
    c.enumerations = std::move(enumerations);
    return c;
}

}  // namespace stolvane
