// SPDX-License-Identifier: MIT
// The text box: an intrinsic element the user types into. Its editing model is a TextEdit
// (core/text_edit.h); this element adds the members a form sets (font, colours, scroll bars,
// alignment, appearance), the events it raises, and the view state the runtime keeps for it
// (focus, the blinking caret, how far its text is scrolled). The runtime routes keys, text,
// composition and the mouse to it and lays its text out (host/text_box_view.h).
#pragma once

#include <optional>

#include <stolvane/core/elements.h>
#include <stolvane/core/text_edit.h>

// Xlib.h, read first, defines KeyPress as a macro; the name is the text box's event here.
#pragma push_macro("KeyPress")
#undef KeyPress

namespace stolvane {

class TextBox : public BoxElement {
public:
    TextBox(std::string name, int index = -1);
    bool TakesInput() const override { return m_enabled; }

    // ---- Members. Setting one from code raises Change when the text changes.
    std::string Text() const { return m_edit.Text(); }
    void SetText(std::string s);
    int32_t MaxLength() const { return m_edit.MaxLength(); }
    void SetMaxLength(int32_t n);  // 0: no limit; negative is refused (380)
    // One character, or empty for none; a longer text keeps its first character.
    std::string PasswordChar() const;
    void SetPasswordChar(std::string c);
    bool Locked() const { return m_edit.Locked(); }
    void SetLocked(bool l) { m_edit.SetLocked(l); }
    bool MultiLine() const { return m_edit.MultiLine(); }
    void SetMultiLine(bool m);
    enum ScrollBarsValue : int16_t { NoScrollBars = 0, Horizontal = 1, Vertical = 2, BothScrollBars = 3 };
    int16_t ScrollBars() const { return m_scrollBars; }
    void SetScrollBars(int16_t s);  // 0 to 3; they show on a multi-line box only
    int16_t Alignment() const { return m_alignment; }
    void SetAlignment(int16_t a);  // 0 left, 1 right, 2 centre
    int16_t Appearance() const { return m_appearance; }
    void SetAppearance(int16_t a);  // 0 flat, 1 sunken 3-D
    OleColour ForeColour() const { return m_fore; }
    void SetForeColour(OleColour c);
    OleColour BackColour() const { return m_back; }
    void SetBackColour(OleColour c);
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool e);
    bool TabStop() const { return m_tabStop; }
    void SetTabStop(bool t) { m_tabStop = t; }
    const Font& GetFont() const { return m_font; }
    void SetFont(const Font& f);

    int32_t SelStart() const { return m_edit.SelStart(); }
    void SetSelStart(int32_t s);
    int32_t SelLength() const { return m_edit.SelLength(); }
    void SetSelLength(int32_t n);
    std::string SelText() const { return m_edit.SelText(); }
    void SetSelText(std::string s);

    // ---- The editing model, for the runtime's input and the accessibility of the text, caret
    // and selection. After changing it through Edit(), call Edited.
    const TextEdit& Editor() const { return m_edit; }
    TextEdit& Edit() { return m_edit; }
    // Reports what an edit did: a changed text raises Change; the look is repainted, only in
    // `damage` (relative to the box) when given.
    void Edited(bool textChanged, std::optional<Rect> damage = std::nullopt);

    // ---- View state the runtime keeps.
    bool HasFocus() const { return m_focused; }
    void SetFocused(bool f);
    bool CaretOn() const { return m_caretOn; }
    // Shows or hides the caret; only `area` (relative to the box) is repainted when given.
    void SetCaretOn(bool on, std::optional<Rect> area = std::nullopt);
    // How far the text is scrolled, in pixels at scale 1.
    double ScrollX() const { return m_scrollX; }
    double ScrollY() const { return m_scrollY; }
    void SetScroll(double x, double y);
    // The area a change of the look covers, when narrower than the box; taken by the runtime.
    std::optional<std::vector<Rect>> TakeDamage() override {
        if (!m_damage) return std::nullopt;
        std::vector<Rect> d{*m_damage};
        m_damage.reset();
        return d;
    }

    // ---- Events, raised to their handlers and reported to the runtime by name.
    Event<> Change{"Change"};
    Event<int16_t, int16_t> KeyDown{"KeyDown", {"KeyCode", "Shift"}};
    Event<int16_t> KeyPress{"KeyPress", {"KeyAscii"}};
    Event<int16_t, int16_t> KeyUp{"KeyUp", {"KeyCode", "Shift"}};
    Event<> GotFocus{"GotFocus"};
    Event<> LostFocus{"LostFocus"};
    Event<> ClickEvent{"Click"};
    Event<> DblClickEvent{"DblClick"};
    std::vector<EventInfo> Events() const;

    // Runs the event's handlers, then reports it to the runtime by name with its arguments.
    template <class... A>
    void Raise(const Event<A...>& event, A&... args) {
        if (!RaisesEvents()) return;
        event.Invoke(args...);
        if (ElementObserver* o = Observer()) {
            EventArgs list;
            [[maybe_unused]] size_t i = 0;
            (list.push_back(EventArg{event.ArgNames()[i++], &args}), ...);
            o->ElementEvent(*this, event.Name(), list);
        }
    }

    // False while the box's form (or a container it lies in) is being designed.
    bool RaisesEvents() const;

private:
    void Repaint() { Changed(); }
    // Sets a field and repaints; false when it already held the value.
    template <class T, class V>
    bool Update(T& field, const V& value) {
        if (field == value) return false;
        field = value;
        Repaint();
        return true;
    }
    TextEdit m_edit;
    int16_t m_scrollBars = 0, m_alignment = 0, m_appearance = 1;
    OleColour m_fore = SysColour::WindowText;
    OleColour m_back = SysColour::Window;
    bool m_enabled = true, m_tabStop = true;
    Font m_font;
    bool m_focused = false, m_caretOn = false;
    double m_scrollX = 0, m_scrollY = 0;
    std::optional<Rect> m_damage;
};

}  // namespace stolvane

#pragma pop_macro("KeyPress")
