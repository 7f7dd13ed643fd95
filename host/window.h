// The windowed backend: one SDL2 window per shown form, fed into the same runtime as the
// headless driver. It renders each form with its FormRenderer, delivers real mouse, keyboard
// and focus input, runs timers on the real clock, shows message boxes natively, opens modal
// forms and popup menus as nested loops, and follows the forms' position, frame and window
// state (borderless forms, move, minimise, maximise).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/form.h"

namespace stolvane {

class Runtime;

class WindowHost {
public:
    // Takes over the runtime's modal loop, popup menus, message boxes and event pump.
    WindowHost(Runtime& runtime, double scale = 1.0);
    ~WindowHost();
    WindowHost(const WindowHost&) = delete;
    WindowHost& operator=(const WindowHost&) = delete;

    // True when a display can be opened (DISPLAY or WAYLAND_DISPLAY names one that answers).
    static bool DisplayAvailable();

    // Shows the form in a window and runs until every window is closed.
    void Run(Form& form);
    // One pass of the loop: waits up to timeoutMs for input, handles it, fires due timers and
    // repaints what changed. Returns false once no form is shown.
    bool Step(int timeoutMs);
    // The SDL window id showing the form, or 0.
    uint32_t WindowId(const Form& form) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace stolvane
