// SPDX-License-Identifier: MIT
// Text boxes in the runtime: their focus, the keys, typed text, compositions and mouse input
// routed to them, the clipboard, the blinking caret on the runtime's clock, and repainting only
// the lines an edit changed.

#include <algorithm>
#include <cmath>

#include "core/text_box.h"
#include "host/runtime.h"
#include "host/runtime_internal.h"
#include "host/text_box_view.h"

namespace stolvane {

namespace {

namespace Key {
constexpr int16_t Back = 8, Return = 13, PageUp = 33, PageDown = 34, End = 35, Home = 36, Left = 37, Up = 38,
                  Right = 39, Down = 40, Insert = 45, Delete = 46, A = 65, C = 67, V = 86, X = 88, Y = 89, Z = 90;
}
constexpr int16_t kShift = 1, kCtrl = 2;

// The line starts of a view, as character positions of the text. A line that starts inside the
// composition (shown at the caret, no part of the text) gets the caret's position.
std::vector<int> LineStarts(const TextBoxView& v) {
    std::vector<int> starts;
    for (int i = 0; i < v.LineCount(); ++i) starts.push_back(v.LineStart(i));
    return starts;
}

std::vector<int> LineDirections(const TextBoxView& v) {
    std::vector<int> directions;
    for (int i = 0; i < v.LineCount(); ++i) directions.push_back(v.LineDirection(i));
    return directions;
}

}  // namespace

void Runtime::ElementEvent(Element& element, const std::string& name, EventArgs& args) {
    if (m_observer) m_observer->OnElementEvent(element, name, args);
}

// ---------------------------------------------------------------- focus and caret

void Runtime::FocusTextBox(TextBox& box) { FocusElement(box); }

void Runtime::FocusListBox(ListBox& list) { FocusElement(list); }

// The focus moves to a text box or a list box: the control or the element that had it loses it
// first. A text box then raises GotFocus and shows its caret.
void Runtime::FocusElement(Element& element) {
    auto* box = dynamic_cast<TextBox*>(&element);
    auto* list = dynamic_cast<ListBox*>(&element);
    if (!box && !list) return;
    // A designed form's boxes take no focus, as its controls take none (SetFocus).
    if (element.Owner() && InDesignMode(*element.Owner())) return;
    if (!element.Visible() || !element.TakesInput() || !element.Owner() || !InputAllowed(*element.Owner()))
        throw HostError::InvalidCall();
    if (&element == m_textFocus || &element == m_listFocus) return;
    if (m_focus) {
        Surface* old = m_focus;
        m_focus = nullptr;
        if (old->GetControl()) Guard([&] { old->GetControl()->OnLostFocus(); });
    }
    BlurTextBox();
    BlurListBox();
    if (list) {
        m_listFocus = list;
        list->SetFocused(true);
    } else {
        m_textFocus = box;
        box->SetFocused(true);
    }
    if (m_observer) m_observer->OnFocus(PathOf(element));
    if (!box) return;
    Guard([&] { box->Raise(box->GotFocus); });
    if (m_textFocus == box) TextBoxShown(*box);
}

void Runtime::BlurListBox() {
    ListBox* old = m_listFocus;
    if (!old) return;
    m_listFocus = nullptr;
    old->SetFocused(false);
}

void Runtime::BlurTextBox() {
    TextBox* old = m_textFocus;
    if (!old) return;
    m_textFocus = nullptr;
    m_textDrag = false;
    DropTimer(&m_caretTimer);
    old->Edit().SetComposition("");
    old->SetCaretOn(false);
    old->SetFocused(false);
    m_backend->StopTextInput();
    Guard([&] { old->Raise(old->LostFocus); });
}

// After input: the caret shows (and blinks again from now), stays in view, and the input
// method's window follows it.
void Runtime::TextBoxShown(TextBox& box) {
    TextBoxView view(box);
    auto [sx, sy] = view.ScrollFor(box);
    box.SetScroll(sx, sy);
    box.SetCaretOn(true);
    ScheduleTimer(&m_caretTimer, m_now + kCaretBlinkMs, ++m_timerOrder);
    if (box.Owner()) {
        TextBoxView::Caret c = view.CaretAt(box.Editor().Caret());
        double x = FormX(*box.Owner()) + box.Left() + PixelsToTwips(view.AreaLeft() + view.OriginX() + c.x - sx);
        double y = FormY(*box.Owner()) + box.Top() + PixelsToTwips(view.AreaTop() + c.line * view.LineHeight() - sy);
        const Surface* top = box.Owner();
        while (top->Container()) top = top->Container();
        if (top->IsForm())
            m_backend->StartTextInput(*const_cast<Form*>(static_cast<const Form*>(top)),
                                      {x, y, PixelsToTwips(1), PixelsToTwips(view.LineHeight())});
    }
}

void Runtime::BlinkCaret() {
    TextBox* box = m_textFocus;
    if (!box) {
        DropTimer(&m_caretTimer);
        return;
    }
    // Only the caret's line is repainted.
    TextBoxView view(*box);
    int line = view.CaretAt(box->Editor().Caret()).line;
    box->SetCaretOn(!box->CaretOn(), view.LinesArea(*box, line, line));
}

// ---------------------------------------------------------------- editing

void Runtime::EditTextBox(TextBox& box, const std::function<bool()>& edit) {
    const bool multi = box.MultiLine();
    std::vector<int> before;
    std::u32string oldText;
    std::vector<int> beforeDirections;
    double scrollX = box.ScrollX(), scrollY = box.ScrollY();
    const int selStart = box.Editor().SelStart(), selEnd = selStart + box.Editor().SelLength();
    if (multi) {
        // The lines as they are on the screen: the composition too, when there is one.
        const TextBoxView shown(box);
        before = LineStarts(shown);
        beforeDirections = LineDirections(shown);
        oldText = box.Editor().Chars();
    }
    bool changed = edit();
    if (m_textFocus != &box) {
        box.Edited(changed);
        return;
    }
    TextBoxView view(box);
    auto [sx, sy] = view.ScrollFor(box);
    std::optional<Rect> damage;
    // A multi-line box that did not scroll repaints from the line above the first change to the
    // last line that differs. The first change is the earliest of where the text first differs
    // (an undo may change text far from the selection) and the old and new selections. A line
    // below stays as it was when its text only moved by the edit's length, and when it starts
    // after everything drawn differently: the old selection, caret and composition (a caret at
    // a line's start is drawn on that line, and a line that starts inside the composition counts
    // as starting at the caret) and the new caret and selection. A line whose direction changed
    // is drawn differently too (aligned to the other side, its runs in the other order): a
    // paragraph with no strong character takes the direction of the one before it, so an edit
    // can turn lines above it in its paragraph and whole paragraphs below it.
    if (multi && changed && sx == scrollX && sy == scrollY) {
        std::vector<int> after = LineStarts(view);
        std::vector<int> afterDirections = LineDirections(view);
        const TextEdit& e = box.Editor();
        const std::u32string& newText = e.Chars();
        const int delta = e.Length() - static_cast<int>(oldText.size());
        const size_t shorter = std::min(oldText.size(), newText.size());
        size_t prefix = 0, suffix = 0;
        while (prefix < shorter && oldText[prefix] == newText[prefix]) ++prefix;
        while (suffix < shorter - prefix && oldText[oldText.size() - 1 - suffix] == newText[newText.size() - 1 - suffix])
            ++suffix;
        const int from = std::min({static_cast<int>(prefix), selStart, e.SelStart()});
        const int oldChangeEnd = static_cast<int>(oldText.size() - suffix);
        const int newSelEnd = e.SelStart() + e.SelLength();
        int first = 0;
        while (first + 1 < static_cast<int>(before.size()) && before[static_cast<size_t>(first) + 1] <= from) ++first;
        first = std::max(0, first - 1);  // a word may wrap back onto the line above
        int last = static_cast<int>(after.size()) - 1;
        if (before.size() == after.size()) {
            for (int k = 0; k < first; ++k)
                if (afterDirections[static_cast<size_t>(k)] != beforeDirections[static_cast<size_t>(k)]) {
                    first = k;
                    break;
                }
            for (int k = first + 1; k < static_cast<int>(after.size()); ++k) {
                size_t i = static_cast<size_t>(k);
                if (after[i] - delta == before[i] && before[i] >= oldChangeEnd && before[i] > selEnd &&
                    after[i] > newSelEnd && afterDirections[i] == beforeDirections[i]) {
                    last = k - 1;
                    break;
                }
            }
            damage = view.LinesArea(box, first, last);
        }
    }
    box.SetScroll(sx, sy);
    box.SetCaretOn(true);
    box.Edited(changed, damage);
    if (m_textFocus == &box) TextBoxShown(box);
}

bool Runtime::TextBoxKeyPress(TextBox& box, int16_t ascii) {
    Guard([&] { box.Raise(box.KeyPress, ascii); });
    if (ascii == 0 || m_textFocus != &box) return true;
    TextEdit& e = box.Edit();
    switch (ascii) {
        case 8: EditTextBox(box, [&] { return e.DeleteBackward(false); }); return true;
        case 127: EditTextBox(box, [&] { return e.DeleteBackward(true); }); return true;
        case 13:
            // A single-line box passes Enter on (to the form's default button).
            if (!box.MultiLine()) return false;
            EditTextBox(box, [&] { return e.NewLine(); });
            return true;
        default: break;
    }
    if (ascii < 32 || ascii == 127) return ascii != 27 && ascii != 9 ? true : false;
    char32_t c = static_cast<char32_t>(static_cast<uint16_t>(ascii));
    EditTextBox(box, [&] { return e.Type(EncodeUtf8(c)); });
    return true;
}

// The box's KeyDown, then the edit the key asks for. True when the key goes on to type its
// character (its handler kept it and the box still has the focus).
bool Runtime::TextBoxKeyDown(TextBox& box, int16_t keyCode, int16_t shift) {
    Guard([&] { box.Raise(box.KeyDown, keyCode, shift); });
    if (keyCode == 0 || m_textFocus != &box) return false;
    TextBoxEditKey(box, keyCode, shift);
    return m_textFocus == &box;
}

// Moves, selections, deletes, the clipboard and undo by key.
void Runtime::TextBoxEditKey(TextBox& boxRef, int16_t keyCode, int16_t shift) {
    TextBox* box = &boxRef;
    TextEdit& e = box->Edit();
    const bool extend = shift & kShift, ctrl = shift & kCtrl;
    using M = TextEdit::Move;
    auto move = [&](const std::function<void()>& f) { EditTextBox(*box, [&] { f(); return false; }); };
    auto copy = [&] {
        if (auto text = e.Copy()) m_backend->SetClipboardText(*text);
    };
    auto paste = [&] { EditTextBox(*box, [&] { return e.Paste(m_backend->ClipboardText()); }); };
    auto lineMove = [&](int lines) {
        TextBoxView view(*box);
        TextBoxView::Caret c = view.CaretAt(e.Caret());
        int target = c.line + lines;
        if (target < 0) return move([&] { e.PlaceCaret(0, extend); });
        if (target >= view.LineCount()) return move([&] { e.PlaceCaret(e.Length(), extend); });
        int p = view.PositionAt(c.x, (target + 0.5) * view.LineHeight());
        move([&] { e.PlaceCaret(p, extend); });
    };
    switch (keyCode) {
        case Key::Left:
        case Key::Right: {
            int dir = keyCode == Key::Right ? 1 : -1;
            if (ctrl) return move([&] { e.MoveCaret(dir > 0 ? M::WordRight : M::WordLeft, extend); });
            if (!extend && e.SelLength() > 0) return move([&] { e.MoveCaret(dir > 0 ? M::Right : M::Left, false); });
            // As the text is shown: right-to-left text moves the other way through the text.
            int p = CurrentTextAnalyser().MoveVisually(e.Shown(), e.Caret(), dir);
            if (p >= 0) move([&] { e.PlaceCaret(p, extend); });
            else move([&] {});
            return;
        }
        case Key::Home:
        case Key::End: {
            if (ctrl) return move([&] { e.MoveCaret(keyCode == Key::Home ? M::TextStart : M::TextEnd, extend); });
            TextBoxView view(*box);
            int line = view.CaretAt(e.Caret()).line;
            int p = keyCode == Key::Home ? view.LineStart(line) : view.LineEnd(line);
            return move([&] { e.PlaceCaret(p, extend); });
        }
        case Key::Up:
        case Key::Down:
            if (!box->MultiLine()) return move([&] { e.MoveCaret(keyCode == Key::Down ? M::Right : M::Left, extend); });
            return lineMove(keyCode == Key::Down ? 1 : -1);
        case Key::PageUp:
        case Key::PageDown: {
            if (!box->MultiLine()) return;
            TextBoxView view(*box);
            int page = std::max(1, static_cast<int>(view.AreaHeight()) / view.LineHeight());
            return lineMove(keyCode == Key::PageDown ? page : -page);
        }
        case Key::Delete:
            if (extend) {  // Shift+Delete cuts
                if (auto text = e.Copy(); text && !e.Locked()) {
                    m_backend->SetClipboardText(*text);
                    EditTextBox(*box, [&] { return e.Cut().has_value(); });
                }
                return;
            }
            return EditTextBox(*box, [&] { return e.DeleteForward(ctrl); });
        case Key::Insert:
            if (ctrl) copy();
            else if (extend) paste();
            return;
        default: break;
    }
    if (!ctrl) return;
    switch (keyCode) {
        case Key::A: move([&] { e.SelectAll(); }); break;
        case Key::C: copy(); break;
        case Key::X:
            if (auto text = e.Copy(); text && !e.Locked()) {
                m_backend->SetClipboardText(*text);
                EditTextBox(*box, [&] { return e.Cut().has_value(); });
            }
            break;
        case Key::V: paste(); break;
        case Key::Z: EditTextBox(*box, [&] { return extend ? e.Redo() : e.Undo(); }); break;
        case Key::Y: EditTextBox(*box, [&] { return e.Redo(); }); break;
        default: break;
    }
}

void Runtime::TypeText(const std::string& utf8) {
    Dispatch scope(*this);
    std::u32string chars = DecodeUtf8(utf8);
    TextBox* box = m_textFocus;
    if (!box) {
        for (char32_t c : chars)
            if (c < 128) KeyPress(static_cast<int16_t>(c));
        return;
    }
    if (!box->Owner() || !InputAllowed(*box->Owner())) return;
    // Each ASCII character is a key press the handler may change or cancel; the text goes in as
    // one edit.
    std::u32string admitted;
    for (char32_t c : chars) {
        if (c < 128) {
            int16_t ascii = static_cast<int16_t>(c);
            Guard([&] { box->Raise(box->KeyPress, ascii); });
            if (m_textFocus != box) return;
            if (ascii <= 0) continue;
            c = static_cast<char32_t>(static_cast<uint16_t>(ascii));
        }
        admitted += c;
    }
    // The composition ends inside the edit, so that the edit starts from the lines on the screen.
    EditTextBox(*box, [&] {
        box->Edit().SetComposition("");
        return box->Edit().Type(EncodeUtf8(admitted));
    });
}

void Runtime::Compose(const std::string& utf8) {
    Dispatch scope(*this);
    TextBox* box = m_textFocus;
    if (!box || box->Edit().Locked()) return;
    box->Edit().SetComposition(EncodeUtf8(DecodeUtf8(utf8)));
    EditTextBox(*box, [] { return false; });
}

// ---------------------------------------------------------------- mouse

void Runtime::TextBoxMouse(TextBox& box, MouseAction action, const MouseArgs& args) {
    if (!box.TakesInput()) return;
    auto position = [&] {
        TextBoxView view(box);
        double x = TwipsToPixels(args.x) - view.AreaLeft() - view.OriginX() + box.ScrollX();
        double y = TwipsToPixels(args.y) - view.AreaTop() + box.ScrollY();
        return view.PositionAt(x, y);
    };
    TextEdit& e = box.Edit();
    switch (action) {
        case MouseAction::Down:
            if (args.button == 1) {
                if (m_textFocus != &box) FocusTextBox(box);
                if (m_textFocus != &box) return;
                m_textDrag = true;
                int p = position();
                EditTextBox(box, [&] { e.PlaceCaret(p, args.shift & kShift); return false; });
            } else if (args.button == 4 && !e.Locked()) {
                std::optional<std::string> primary = m_backend->PrimarySelectionText();
                if (!primary) break;
                if (m_textFocus != &box) FocusTextBox(box);
                if (m_textFocus != &box) return;
                int p = position();
                std::string text = *primary;
                EditTextBox(box, [&] {
                    e.PlaceCaret(p, false);
                    return e.Paste(text);
                });
            }
            break;
        case MouseAction::Move:
            if (m_textDrag && m_textFocus == &box && (args.button & 1)) {
                int p = position();
                if (p != e.Caret()) EditTextBox(box, [&] { e.PlaceCaret(p, true); return false; });
            }
            break;
        case MouseAction::Up:
            if (m_textDrag)
                if (auto text = e.Copy()) m_backend->SetPrimarySelectionText(*text);
            m_textDrag = false;
            break;
        case MouseAction::Click: box.Raise(box.ClickEvent); break;
        case MouseAction::DblClick:
        case MouseAction::DoubleClickOnly: {
            int p = position();
            EditTextBox(box, [&] { e.SelectWordAt(p); return false; });
            if (auto text = e.Copy()) m_backend->SetPrimarySelectionText(*text);
            box.Raise(box.DblClickEvent);
            break;
        }
    }
}

}  // namespace stolvane
