// SPDX-License-Identifier: MIT
// The forms of a windowed runtime on the Linux accessibility bus (AT-SPI), through ATK objects
// and the at-spi2-atk bridge: the application, each shown form (a frame, or a dialog while
// modal) and the objects of the accessible model (host/a11y_model.h), with their actions, value,
// text and editable text, and the events that tell a screen reader what changed. The window
// loop serves the bus without polling: before it sleeps it asks Prepare for the longest wait and
// arms a watcher on the bus's file descriptors that wakes it; after it wakes, Dispatch handles
// what arrived. Objects exist only once a client asks for them, so with no client nothing is
// made and nothing is compared.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "core/form.h"
#include "core/units.h"
#include "host/a11y_model.h"

namespace stolvane {

class Runtime;

class AccessibilityBridge {
public:
    struct Hooks {
        std::function<double()> scale;                                 // device pixels per pixel
        std::function<std::optional<PixelPoint>(const Form&)> origin;  // the window's place on screen
        std::function<void()> wake;                                    // any thread: wakes the loop
        std::function<bool(const Form&)> exposed;                      // false for the backend's own forms
        AccessiblePopups popups;  // the menus and tooltips among those, while they are up
    };
    // Joins the accessibility bus when the runtime's accessibility is on and a session bus is
    // known; otherwise (or when the bus cannot be reached) it stays inert.
    AccessibilityBridge(Runtime& runtime, Hooks hooks);
    ~AccessibilityBridge();
    AccessibilityBridge(const AccessibilityBridge&) = delete;
    AccessibilityBridge& operator=(const AccessibilityBridge&) = delete;

    bool Active() const;
    // Before the loop sleeps up to timeoutMs (negative: no limit): tells clients what changed
    // since last time, and answers how long the loop may sleep now.
    int Prepare(int timeoutMs);
    // After it woke: answers the requests that arrived.
    void Dispatch();
    // The form is about to be destroyed: its objects go.
    void FormDestroying(Form& form);

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

}  // namespace stolvane
