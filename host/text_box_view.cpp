// SPDX-License-Identifier: MIT
#include "host/text_box_view.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <string>

#include "core/units.h"
#include "host/media.h"

namespace stolvane {

namespace {

// Everything a text box's layout depends on. The layout is in pixels at scale 1 and drawn
// scaled, so the renderer's scale is not part of it.
struct LayoutInputs {
    Font font;
    std::string text;  // the shown text with the composition, UTF-8
    int preeditStart = 0, preeditLength = 0;
    bool multi = false;
    int alignment = 0;
    int wrap = 0;  // pango units, 0 for no wrapping
    bool operator==(const LayoutInputs& o) const {
        return preeditStart == o.preeditStart && preeditLength == o.preeditLength && multi == o.multi &&
               alignment == o.alignment && wrap == o.wrap && font == o.font && text == o.text;
    }
};

std::shared_ptr<TextLayout> MakeLayout(const LayoutInputs& in) {
    PangoLayout* layout = NewTextLayout(in.font, "", false);
    pango_layout_set_text(layout, in.text.c_str(), static_cast<int>(in.text.size()));
    PangoAttrList* attrs = pango_attr_list_new();
    pango_attr_list_insert(attrs, pango_attr_font_features_new("liga=0, clig=0"));
    if (in.font.underline) pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    if (in.preeditLength > 0) {
        PangoAttribute* u = pango_attr_underline_new(PANGO_UNDERLINE_SINGLE);
        u->start_index = static_cast<guint>(in.preeditStart);
        u->end_index = static_cast<guint>(in.preeditStart + in.preeditLength);
        pango_attr_list_insert(attrs, u);
    }
    pango_layout_set_attributes(layout, attrs);
    pango_attr_list_unref(attrs);
    // One line: a line break left from when the box was multi-line shows as a sign.
    if (!in.multi) pango_layout_set_single_paragraph_mode(layout, TRUE);
    if (in.multi) {
        pango_layout_set_alignment(layout, in.alignment == 1   ? PANGO_ALIGN_RIGHT
                                           : in.alignment == 2 ? PANGO_ALIGN_CENTER
                                                               : PANGO_ALIGN_LEFT);
        if (in.wrap > 0) {
            pango_layout_set_width(layout, in.wrap);
            pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
        }
    }
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout, nullptr, &logical);
    int lines = std::max(1, pango_layout_get_line_count(layout));
    return std::make_shared<TextLayout>(layout, std::max(0, logical.width), lines, LayoutTextLine(layout));
}

// One edit asks for the box's layout several times (the lines before it, the lines and the
// scroll after it, the caret's place for the input method, the repaint): the layouts of the
// last few boxes are kept, so text that did not change is laid out once. A change of text,
// composition, font, width or alignment gives a new key, and the layout is made again.
std::shared_ptr<TextLayout> KeptLayout(const Font& font, std::string text, int preeditStart, int preeditLength,
                                       bool multi, int alignment, int wrap) {
    constexpr size_t kKept = 8;
    thread_local std::deque<std::pair<LayoutInputs, std::shared_ptr<TextLayout>>> kept;  // newest first
    LayoutInputs in{font, std::move(text), preeditStart, preeditLength, multi, alignment, wrap};
    for (auto it = kept.begin(); it != kept.end(); ++it)
        if (it->first == in) {
            auto found = *it;
            kept.erase(it);
            kept.push_front(found);
            return found.second;
        }
    auto made = MakeLayout(in);
    kept.emplace_front(std::move(in), made);
    if (kept.size() > kKept) kept.pop_back();
    return made;
}

}  // namespace

TextBoxView::TextBoxView(const TextBox& box) {
    const TextEdit& edit = box.Editor();
    const double w = TwipsToPixels(box.Width()), h = TwipsToPixels(box.Height());
    m_border = box.Appearance() == 1 ? 2 : 1;
    const bool multi = edit.MultiLine();
    m_vbar = multi && (box.ScrollBars() & TextBox::Vertical);
    m_hbar = multi && (box.ScrollBars() & TextBox::Horizontal);
    m_areaX = m_border + kMarginPixels;
    m_areaY = m_border + (multi ? 0 : 1);
    m_areaW = std::max(0.0, w - 2 * m_border - 2 * kMarginPixels - (m_vbar ? kScrollBarPixels : 0));
    m_areaH = std::max(0.0, h - m_areaY - m_border - (m_hbar ? kScrollBarPixels : 0));

    // The shown text with the composition at the caret.
    std::u32string shown = edit.Shown();
    m_caret = edit.Caret();
    std::string utf8;
    m_offsets.reserve(shown.size() + 1);
    for (size_t i = 0; i <= shown.size(); ++i) {
        if (static_cast<int>(i) == m_caret && !edit.Composition().empty()) {
            m_preeditStart = static_cast<int>(utf8.size());
            utf8 += edit.Composition();
            m_preeditLength = static_cast<int>(utf8.size()) - m_preeditStart;
        }
        m_offsets.push_back(static_cast<int>(utf8.size()));
        if (i < shown.size()) utf8 += EncodeUtf8(shown[i]);
    }
    const int alignment = box.Alignment();
    const int wrap = multi && !m_hbar ? static_cast<int>(std::max(1.0, m_areaW) * PANGO_SCALE) : 0;
    m_layout = KeptLayout(box.GetFont(), std::move(utf8), m_preeditStart, m_preeditLength, multi, alignment, wrap);
    // A single line narrower than the area is aligned in it.
    if (!multi && m_layout->width < m_areaW) {
        if (alignment == 1) m_originX = m_areaW - m_layout->width;
        else if (alignment == 2) m_originX = std::floor((m_areaW - m_layout->width) / 2);
    }
}

int TextBoxView::ByteOf(int position) const {
    position = std::clamp(position, 0, static_cast<int>(m_offsets.size()) - 1);
    return m_offsets[static_cast<size_t>(position)];
}

int TextBoxView::CharAt(int byte) const {
    auto it = std::lower_bound(m_offsets.begin(), m_offsets.end(), byte);
    if (it == m_offsets.end()) return static_cast<int>(m_offsets.size()) - 1;
    return static_cast<int>(it - m_offsets.begin());
}

TextBoxView::Caret TextBoxView::CaretAt(int position) const {
    int byte = ByteOf(position);
    if (position == m_caret && m_preeditLength > 0) byte = m_preeditStart + m_preeditLength;
    int line = 0, x = 0;
    pango_layout_index_to_line_x(m_layout->layout, byte, FALSE, &line, &x);
    return {x / double(PANGO_SCALE), std::max(0, line)};
}

int TextBoxView::PositionAt(double x, double y) const {
    int line = std::clamp(static_cast<int>(std::floor(y / LineHeight())), 0, LineCount() - 1);
    PangoLayoutLine* l = pango_layout_get_line_readonly(m_layout->layout, line);
    if (!l) return 0;
    int index = 0, trailing = 0;
    pango_layout_line_x_to_index(l, static_cast<int>(x * PANGO_SCALE), &index, &trailing);
    const char* text = pango_layout_get_text(m_layout->layout);
    const char* p = text + index;
    for (; trailing > 0 && *p; --trailing) p = g_utf8_next_char(p);
    int byte = static_cast<int>(p - text);
    // A wrapped line's end: the caret stays on the line, before its break.
    int end = l->start_index + l->length;
    if (byte > end) byte = end;
    return CharAt(byte);
}

int TextBoxView::LineStart(int line) const {
    PangoLayoutLine* l = pango_layout_get_line_readonly(m_layout->layout, std::clamp(line, 0, LineCount() - 1));
    return l ? CharAt(l->start_index) : 0;
}

int TextBoxView::LineDirection(int line) const {
    PangoLayoutLine* l = pango_layout_get_line_readonly(m_layout->layout, std::clamp(line, 0, LineCount() - 1));
    return l ? static_cast<int>(l->resolved_dir) : 0;
}

int TextBoxView::LineEnd(int line) const {
    PangoLayoutLine* l = pango_layout_get_line_readonly(m_layout->layout, std::clamp(line, 0, LineCount() - 1));
    if (!l) return 0;
    int end = l->start_index + l->length;
    // A wrapped line ends after its trailing space; stay before it so End keeps the line.
    const char* text = pango_layout_get_text(m_layout->layout);
    bool wrapped = line < LineCount() - 1 && text[end] != '\n' && end > l->start_index;
    int pos = CharAt(end);
    if (wrapped && pos > 0 && (text[end - 1] == ' ')) --pos;
    return pos;
}

std::vector<TextBoxView::Span> TextBoxView::Spans(int from, int to) const {
    std::vector<Span> out;
    if (from >= to) return out;
    int b0 = ByteOf(from), b1 = ByteOf(to);
    for (int line = 0; line < LineCount(); ++line) {
        PangoLayoutLine* l = pango_layout_get_line_readonly(m_layout->layout, line);
        if (!l) continue;
        int s = l->start_index, e = l->start_index + l->length;
        if (e < b0 || s > b1) continue;
        int lo = std::max(s, b0), hi = std::min(e, b1);
        int* ranges = nullptr;
        int n = 0;
        pango_layout_line_get_x_ranges(l, lo, hi, &ranges, &n);
        for (int i = 0; i < n; ++i) out.push_back({ranges[2 * i] / double(PANGO_SCALE), ranges[2 * i + 1] / double(PANGO_SCALE), line});
        g_free(ranges);
        // A selected line break shows as a little space after the line.
        if (b1 > e && pango_layout_get_text(m_layout->layout)[e] == '\n') {
            PangoRectangle logical;
            pango_layout_line_get_pixel_extents(l, nullptr, &logical);
            double x = logical.x + logical.width;
            out.push_back({x, x + 4, line});
        }
    }
    return out;
}

std::pair<double, double> TextBoxView::ScrollFor(const TextBox& box) const {
    double sx = box.ScrollX(), sy = box.ScrollY();
    Caret c = CaretAt(box.Editor().Caret());
    double x = m_originX + c.x;
    // Horizontally: a single-line box (or a multi-line one that does not wrap).
    if (!box.MultiLine() || m_hbar) {
        if (x - sx < 0) sx = std::max(0.0, x - std::floor(m_areaW / 4));
        else if (x - sx > m_areaW - 1) sx = x - m_areaW + 1 + std::floor(m_areaW / 4);
        double widest = std::max(0.0, m_layout->width + 1 - m_areaW);
        sx = std::clamp(sx, 0.0, std::max(widest, 0.0) + std::floor(m_areaW / 4));
        if (m_layout->width + 1 <= m_areaW) sx = 0;
    } else {
        sx = 0;
    }
    if (box.MultiLine()) {
        double top = c.line * LineHeight(), bottom = top + LineHeight();
        if (top - sy < 0) sy = top;
        else if (bottom - sy > m_areaH) sy = std::max(0.0, bottom - std::floor(m_areaH / LineHeight()) * LineHeight());
        double most = std::max(0.0, double(LineCount() * LineHeight()) - m_areaH);
        if (sy > most) sy = std::max(0.0, std::ceil(most / LineHeight()) * LineHeight());
    } else {
        sy = 0;
    }
    return {sx, sy};
}

Rect TextBoxView::LinesArea(const TextBox& box, int from, int to) const {
    double top = m_areaY + from * LineHeight() - box.ScrollY();
    double bottom = m_areaY + (to + 1) * LineHeight() - box.ScrollY();
    top = std::max(top, m_areaY);
    bottom = std::min(bottom, m_areaY + m_areaH);
    if (bottom <= top) return {};
    return {PixelsToTwips(m_border), PixelsToTwips(top), PixelsToTwips(m_areaW + 2 * kMarginPixels), PixelsToTwips(bottom - top)};
}

}  // namespace stolvane
