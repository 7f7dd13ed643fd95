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
    // Off the bus: the objects are made and kept in step as they are for a client, but no bus is
    // joined and the loop is not served, so that they can be read through ATK in this process
    // (tests). One bridge, on the bus or not, lives at a time.
    struct Detached {};
    AccessibilityBridge(Runtime& runtime, Hooks hooks, Detached);
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
    // The ATK object (an AtkObject*) a client gets for an object of the model, made if need be;
    // the application's for an empty ref; null while the bridge is inert.
    void* Object(const AccessibleRef& ref);
    // Tells clients what changed since last time, as Prepare does before the loop sleeps.
    void Update();

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

}  // namespace stolvane
