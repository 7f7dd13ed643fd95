// SPDX-License-Identifier: MIT
// The windowed backend: one SDL2 window per shown form, fed into the same runtime as the
// headless driver. It renders each form with its FormRenderer, delivers real mouse, keyboard
// and focus input, runs timers on the real clock, shows message boxes as classic dialogs, opens
// modal forms (marked modal, transient for their owner) and popup menus as nested loops, and
// follows the forms' position, frame, icon, minimum size and window state. Its loop sleeps
// until input arrives, a timer is due or another thread posts a call (Runtime::Post).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <stolvane/core/form.h>

namespace stolvane {

class Runtime;

class WindowHost {
public:
    // Becomes the runtime's backend (host/backend.h) until destroyed. A scale of 0 or less
    // follows the display's resolution: 2 from 192 dpi, 1.5 from 144 dpi, else 1, read from the
    // X resource Xft.dpi or else from what the display reports.
    WindowHost(Runtime& runtime, double scale = 0);
    ~WindowHost();
    WindowHost(const WindowHost&) = delete;
    WindowHost& operator=(const WindowHost&) = delete;

    // True when a display can be opened (DISPLAY or WAYLAND_DISPLAY names one that answers).
    static bool DisplayAvailable();

    // Shows the form in a window and runs until every window is closed.
    void Run(Form& form);
    // One pass of the loop: waits up to timeoutMs (negative: as long as it takes) for input, a
    // due timer or a posted call, handles it, fires due timers and repaints what changed.
    // Returns false once no form is shown (forms in design mode, which get no window of their
    // own, do not count).
    bool Step(int timeoutMs);
    // Device pixels per pixel of the classic screen (15 twips).
    double Scale() const;
    // The SDL window id showing the form, or 0.
    uint32_t WindowId(const Form& form) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace stolvane
