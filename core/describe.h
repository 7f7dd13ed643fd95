// SPDX-License-Identifier: MIT
// The class description of a library control, from what the class declares: its name, design
// size and property table (STOLVANE_CONTROL_CLASS), plus a summary and its events in dispatch
// order. The reference lists the enumerations its properties use, in the order of first use.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/library.h"

namespace stolvane {

template <class T, class... M>
ClassInfo DescribeControl(std::string summary, M T::*... events) {
    ClassInfo c = DescribeClass<T>(T::kClassName, T::kDesignWidth, T::kDesignHeight);
    c.summary = std::move(summary);
    c.events = EventsOf<T>(events...);
    return c;
}

// Adjusts the events a description read from the class (a note, an argument's type).
template <class Edit>
void EditEvents(ClassInfo& c, Edit edit) {
    c.events = [events = std::move(c.events), edit](const Control& control) {
        std::vector<EventInfo> list = events(control);
        edit(list);
        return list;
    };
}

}  // namespace stolvane
