// SPDX-License-Identifier: MIT
// What the runtime asks of the desktop it runs on: windows for modal forms, popup menus,
// message boxes, the pointer, the clipboard and text input, opening links, processing pending
// messages, and waking its loop from another thread. The script driver (app/script.cpp) and the
// window host (host/window.h) are the two implementations; a runtime without one renders and
// reacts to input from code, opens nothing and shows nothing.
//
// Form lifetime: the runtime calls FormDestroying before it destroys a form, and a backend
// drops everything it holds of that form (windows, frames, pointers) there and then.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <stolvane/core/host.h>

namespace stolvane {

class Form;
class MenuItem;

class Backend {
public:
    virtual ~Backend() = default;

    // ---- Forms
    // The form is about to be destroyed: forget it. Called on the interface thread, possibly
    // from inside one of the backend's own calls into the runtime.
    virtual void FormDestroying(Form& /*form*/) {}
    // Runs a nested loop until the form is hidden or unloaded. owner is the form it was opened
    // from, if any. Without a backend a modal form cannot be answered and fails with error 5.
    virtual void RunModal(Form& form, Form* owner);

    // ---- Menus and message boxes
    // Chooses one of root's items (null: dismissed). The runtime runs the chosen item's click.
    virtual MenuItem* ChooseMenuItem(MenuItem& /*root*/, MenuItem* /*defaultItem*/) { return nullptr; }
    // Shows a message box and returns once it is answered.
    virtual void ShowMessage(const std::string& /*text*/, const std::string& /*title*/) {}
    // Shows a message box with a choice of buttons (captions left to right, "&" before an access
    // key) and returns the index of the one pressed once it is answered. Where no one can answer,
    // the cancel button's.
    virtual int AskMessage(const std::string& /*text*/, const std::string& /*title*/,
                           const std::vector<std::string>& /*buttons*/, int /*defaultIndex*/, int cancelIndex) {
        return cancelIndex;
    }

    // ---- Pointer: its real position on the screen in pixels, or nothing when the backend
    // does not know (the runtime then answers where the last mouse input was delivered).
    virtual std::optional<PixelPoint> Pointer() { return std::nullopt; }

    // ---- Pending messages: handles the input and repaints waiting now, without blocking.
    virtual void PumpEvents() {}

    // ---- Clipboard and text input.
    virtual std::string ClipboardText() { return m_clipboard; }
    virtual void SetClipboardText(const std::string& text) { m_clipboard = text; }
    // The X primary selection: set when the user selects text, pasted by the middle button.
    // Nothing where the desktop has none.
    virtual std::optional<std::string> PrimarySelectionText() { return std::nullopt; }
    virtual void SetPrimarySelectionText(const std::string& /*text*/) {}
    // Text input starts while an editable control has the focus, and moves with its caret;
    // caret is its place in form twips, for the input method's window. Stopping ends any
    // composition the input method has open.
    virtual void StartTextInput(Form& /*form*/, const Rect& /*caret*/) {}
    virtual void StopTextInput() {}

    // ---- Tooltips: a tooltip's text with its top-left corner at (x, y) of the form's client
    // area in twips; shown until hidden (one at a time).
    virtual void ShowToolTip(Form& /*form*/, const std::string& /*text*/, double /*x*/, double /*y*/) {}
    virtual void HideToolTip() {}

    // ---- Opening links: true when the target was handed to a program that opens it.
    virtual bool Launch(const std::string& /*target*/) { return false; }

    // ---- Wake-up: the runtime has posted a call (Runtime::Post). Called from any thread; the
    // backend's loop runs Runtime::RunPosted on the interface thread soon after.
    virtual void Wake() {}

private:
    std::string m_clipboard;
};

// Opens a web or mail link with the desktop's xdg-open, started with posix_spawn and an
// argument vector (never a shell), without waiting for it. The window host uses it.
bool LaunchWithXdgOpen(const std::string& target);
// Collects the programs LaunchWithXdgOpen started that have finished, and only those.
void ReapLaunched();

}  // namespace stolvane
