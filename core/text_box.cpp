// SPDX-License-Identifier: MIT
#include "core/text_box.h"

#include "core/host.h"
#include "core/surface.h"

namespace stolvane {

namespace {
void Require(bool ok) {
    if (!ok) throw HostError::InvalidProperty();
}
}  // namespace

TextBox::TextBox(std::string name, int index) : BoxElement(ElementKind::TextBox, std::move(name), index) {}

bool TextBox::RaisesEvents() const {
    const Surface* owner = Owner();
    return !owner || owner->GetHost().UserMode(*owner);
}

void TextBox::Edited(bool textChanged, std::optional<Rect> damage) {
    m_damage = damage;
    Changed();
    m_damage.reset();
    if (textChanged) Raise(Change);
}

void TextBox::SetText(std::string s) {
    bool changed = m_edit.SetText(s);
    Edited(changed);
}

void TextBox::SetMaxLength(int32_t n) {
    Require(n >= 0);
    m_edit.SetMaxLength(n);
    // The box holds no more than its limit: a limit below the text cuts it as a text set from
    // code is cut. Else a saved form would hold a text that loading it cuts.
    if (n > 0 && m_edit.Length() > n) Edited(m_edit.SetText(m_edit.Text()));
}

std::string TextBox::PasswordChar() const {
    return m_edit.PasswordChar() ? EncodeUtf8(m_edit.PasswordChar()) : std::string();
}

void TextBox::SetPasswordChar(std::string c) {
    std::u32string chars = DecodeUtf8(c);
    char32_t p = chars.empty() ? 0 : chars.front();
    if (p == m_edit.PasswordChar()) return;
    m_edit.SetPasswordChar(p);
    Repaint();
}

void TextBox::SetMultiLine(bool m) {
    if (m == m_edit.MultiLine()) return;
    m_edit.SetMultiLine(m);
    m_scrollX = m_scrollY = 0;
    Repaint();
}

void TextBox::SetScrollBars(int16_t s) {
    Require(s >= 0 && s <= 3);
    if (Update(m_scrollBars, s)) m_scrollX = m_scrollY = 0;
}

void TextBox::SetAlignment(int16_t a) {
    Require(a >= 0 && a <= 2);
    Update(m_alignment, a);
}

void TextBox::SetAppearance(int16_t a) {
    Require(a == 0 || a == 1);
    Update(m_appearance, a);
}

void TextBox::SetForeColour(OleColour c) { Update(m_fore, c); }
void TextBox::SetBackColour(OleColour c) { Update(m_back, c); }
void TextBox::SetEnabled(bool e) { Update(m_enabled, e); }
void TextBox::SetFont(const Font& f) { Update(m_font, f); }

void TextBox::SetSelStart(int32_t s) {
    Require(s >= 0);
    m_edit.SetSelStart(s);
    Repaint();
}

void TextBox::SetSelLength(int32_t n) {
    Require(n >= 0);
    m_edit.SetSelLength(n);
    Repaint();
}

void TextBox::SetSelText(std::string s) { Edited(m_edit.SetSelText(s)); }

void TextBox::SetFocused(bool f) { Update(m_focused, f); }
void TextBox::SetCaretOn(bool on, std::optional<Rect> area) {
    if (on == m_caretOn) return;
    m_caretOn = on;
    m_damage = area;
    Changed();
    m_damage.reset();
}

void TextBox::SetScroll(double x, double y) {
    if (x == m_scrollX && y == m_scrollY) return;
    m_scrollX = x, m_scrollY = y;
    Repaint();
}

std::vector<EventInfo> TextBox::Events() const {
    return {DescribeEvent(Change),   DescribeEvent(KeyDown),   DescribeEvent(KeyPress),   DescribeEvent(KeyUp),
            DescribeEvent(GotFocus), DescribeEvent(LostFocus), DescribeEvent(ClickEvent), DescribeEvent(DblClickEvent)};
}

}  // namespace stolvane
