// SPDX-License-Identifier: MIT
// The keyboard conventions of classic forms: the form sees keys first when it previews them
// (or when no control has the focus), Tab walks the tab order, Alt+letter presses an access
// key, Enter clicks the focused push button or else the form's default button, and Escape
// clicks its cancel button. A focused text box raises its own KeyDown, KeyPress and KeyUp and
// edits with the keys these conventions leave it (a multi-line box keeps Enter). Windows and
// scripts deliver keys through here alike.
#include <algorithm>
#include <cctype>
#include <string>

#include "core/text_box.h"
#include "host/keys.h"
#include "host/runtime.h"

namespace stolvane {

namespace {

// A form's default or cancel button, by the name the form gives ("" for none).
Control* ButtonNamed(Form& form, const std::string& name) {
    if (name.empty()) return nullptr;
    // "tpbDirection(1)": a member of a control array.
    std::string plain = name;
    int index = -1;
    if (size_t open = name.find('('); open != std::string::npos && name.back() == ')') {
        try {
            index = std::stoi(name.substr(open + 1));
        } catch (const std::exception&) {
            return nullptr;
        }
        plain = name.substr(0, open);
    }
    Surface* s = form.FindSurface(plain, index);
    return s ? s->GetControl() : nullptr;
}

}  // namespace

bool Runtime::PushButton(Control* button) {
    if (!button || !button->GetSurface().Visible() || !InputAllowed(button->GetSurface())) return false;
    bool pushed = false;
    Guard([&] { pushed = button->Push(); });
    return pushed;
}

TextBox* Runtime::TypingBox() const {
    TextBox* box = m_textFocus;
    return box && box->Owner() && InputAllowed(*box->Owner()) ? box : nullptr;
}

void Runtime::KeyDown(int16_t keyCode, int16_t shift) {
    Dispatch scope(*this);
    Form* form = ActiveForm();
    if (!form) return;
    // A form being designed hands its keys to the designer.
    if (const Surface* root = DesignRootOf(*form)) {
        if (DesignSink* sink = m_designRoots.at(root)) Guard([&] { sink->DesignKey(*form, keyCode, shift); });
        return;
    }
    if (form->KeyPreview() || NothingFocused()) {
        Guard([&] {
            EventArgs args = ArgsOf(form->KeyDown, keyCode, shift);
            RaiseEvent(*form, form->KeyDown.Name(), args);
            form->KeyDown.Invoke(keyCode, shift);
        });
        if (keyCode == 0 || !IsLoaded(*form)) return;  // the application took the key
    }
    const bool plain = (shift & (ShiftKey::Ctrl | ShiftKey::Alt)) == 0;
    if (keyCode == KeyCode::Tab && plain) {
        Tab((shift & ShiftKey::Shift) != 0);
        return;
    }
    // Letters' and digits' key codes are their upper-case characters (F1, 112, is no 'p').
    const bool letterOrDigit = (keyCode >= 'A' && keyCode <= 'Z') || (keyCode >= '0' && keyCode <= '9');
    if ((shift & ShiftKey::Alt) && !(shift & ShiftKey::Ctrl) && letterOrDigit) {
        AccessKey(static_cast<char>(keyCode));
        return;
    }
    TextBox* box = TypingBox();
    const bool boxKeepsEnter = box && box->MultiLine();
    if (keyCode == KeyCode::Return && plain && !boxKeepsEnter) {
        Control* focused = m_focus ? m_focus->GetControl() : nullptr;
        if (PushButton(focused) || PushButton(ButtonNamed(*form, form->DefaultButton()))) return;
        if (box && !TextBoxKeyDown(*box, keyCode, shift)) return;
        KeyPress(13);
        return;
    }
    if (keyCode == KeyCode::Escape && plain) {
        if (PushButton(ButtonNamed(*form, form->CancelButton()))) return;
        if (box && !TextBoxKeyDown(*box, keyCode, shift)) return;
        KeyPress(27);
        return;
    }
    if (m_listFocus && m_listFocus->Owner() && InputAllowed(*m_listFocus->Owner()) &&
        ListBoxKeyDown(*m_listFocus, keyCode, shift))
        return;
    if (box) {
        // Everything else is the text box's: its KeyDown, then the edit the key asks for.
        if (!TextBoxKeyDown(*box, keyCode, shift)) return;
    }
    if (keyCode == KeyCode::Return && plain) KeyPress(13);  // a multi-line box's new line
    else if (keyCode == KeyCode::Back && plain) KeyPress(8);
    else if (keyCode == KeyCode::Back && shift == ShiftKey::Ctrl && box) KeyPress(127);  // deletes a word
}

// The focused list box's keys: the arrows, Home, End, PageUp and PageDown make another row the
// current one (on a heading row Left collapses it and Right expands it), Space ticks or unticks
// the current row, each followed by the notifications a
// click there gives (the item check for a tick, then the click), so the form's handlers answer
// the keyboard as they answer the mouse.
bool Runtime::ListBoxKeyDown(ListBox& list, int16_t keyCode, int16_t shift) {
    if ((shift & (ShiftKey::Ctrl | ShiftKey::Alt)) != 0) return false;
    const int count = list.ListCount(), current = list.ListIndex();
    // The rows that show at once, for a page: at least one.
    const int page = std::max(1, static_cast<int>(list.RowRects().size()) - 1);
    int to = current;
    switch (keyCode) {
        case KeyCode::Up: to = current - 1; break;
        case KeyCode::Down: to = current + 1; break;
        case KeyCode::PageUp: to = current - page; break;
        case KeyCode::PageDown: to = current + page; break;
        case KeyCode::Home: to = 0; break;
        case KeyCode::End: to = count - 1; break;
        case KeyCode::Left:
        case KeyCode::Right: {
            // On a heading, Left collapses it and Right expands it; other rows leave them.
            if (shift != 0 || current < 0 || !list.Heading(current)) return false;
            const bool collapse = keyCode == KeyCode::Left;
            if (list.Collapsed(current) != collapse) {
                Guard([&] { list.SetCollapsed(current, collapse); });
                if (list.onHeadingToggle) Guard([&] { list.onHeadingToggle(current); });
            }
            return true;
        }
        case KeyCode::Space: {
            if (shift != 0) return false;
            if (current < 0 || !list.CheckBoxes() || list.Heading(current)) return true;
            Guard([&] {
                list.SetSelected(current, !list.Selected(current));
                if (list.onItemCheck) list.onItemCheck(current);
            });
            if (list.onClick && m_listFocus == &list) Guard([&] { list.onClick(); });
            return true;
        }
        default: return false;
    }
    if (count == 0) return true;
    to = std::clamp(to, 0, count - 1);
    if (to != current) {
        Guard([&] { list.SetListIndex(to); });
        if (list.onClick) Guard([&] { list.onClick(); });
    }
    return true;
}

void Runtime::KeyUp(int16_t keyCode, int16_t shift) {
    Dispatch scope(*this);
    Form* form = ActiveForm();
    if (!form || InDesignMode(*form)) return;
    if (form->KeyPreview() || NothingFocused()) {
        Guard([&] {
            EventArgs args = ArgsOf(form->KeyUp, keyCode, shift);
            RaiseEvent(*form, form->KeyUp.Name(), args);
            form->KeyUp.Invoke(keyCode, shift);
        });
        if (keyCode == 0) return;
    }
    if (TextBox* box = TypingBox()) Guard([&] { box->Raise(box->KeyUp, keyCode, shift); });
}

// A typed character: the form first when it previews keys (or nothing has the focus), then the
// focused control.
void Runtime::KeyPress(int16_t ascii) {
    Dispatch scope(*this);
    Form* form = ActiveForm();
    if (form && InDesignMode(*form)) return;
    if (form && (form->KeyPreview() || NothingFocused())) {
        Guard([&] {
            EventArgs args = ArgsOf(form->KeyPress, ascii);
            RaiseEvent(*form, form->KeyPress.Name(), args);
            form->KeyPress.Invoke(ascii);
        });
        if (ascii == 0) return;
    }
    if (TextBox* box = TypingBox()) {
        TextBoxKeyPress(*box, ascii);
        return;
    }
    if (!m_focus || !m_focus->GetControl() || !InputAllowed(*m_focus)) return;
    Surface* s = m_focus;
    Guard([&] { s->GetControl()->OnKeyPress(ascii); });
}

}  // namespace stolvane
