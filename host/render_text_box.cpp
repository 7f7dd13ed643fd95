// SPDX-License-Identifier: MIT
// The text box as the classic desktop draws it: a sunken two-pixel field (a one-pixel frame
// when flat) in the window colour, the text in the window-text colour (greyed when disabled),
// the selection in the selection colours while the box has the focus, the caret, the input
// method's composition underlined at the caret, and the scroll bars of a multi-line box.

#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "core/text_box.h"
#include "host/render_internal.h"
#include "host/text_box_view.h"

namespace stolvane::paint {

namespace {
constexpr OleColour kWindowFrame = 0x80000006;
constexpr OleColour kScrollTrack = 0x80000000;
}  // namespace

void Painter::PaintTextBox(const TextBox& tb, double ax, double ay) {
    DRect r = Box(ax, ay, tb.Bounds());
    if (r.Empty()) return;
    cairo_t* cr = m_cr;
    cairo_save(cr);
    cairo_rectangle(cr, r.x0, r.y0, r.Width(), r.Height());
    cairo_clip(cr);
    FillRect(cr, r, Resolve(tb.BackColour()));
    TextBoxView view(tb);
    const int border = P(view.Border());
    if (tb.Appearance() == 1) {
        Edge(r, kSunkenEdge);
    } else {
        uint32_t frame = Resolve(kWindowFrame);
        FillRect(cr, {r.x0, r.y0, r.x1, r.y0 + border}, frame);
        FillRect(cr, {r.x0, r.y1 - border, r.x1, r.y1}, frame);
        FillRect(cr, {r.x0, r.y0, r.x0 + border, r.y1}, frame);
        FillRect(cr, {r.x1 - border, r.y0, r.x1, r.y1}, frame);
    }
    const int bar = P(TextBoxView::kScrollBarPixels);
    DRect inside{r.x0 + border, r.y0 + border, r.x1 - border - (view.VerticalBar() ? bar : 0),
                 r.y1 - border - (view.HorizontalBar() ? bar : 0)};
    auto px = [&](double n) { return static_cast<int>(std::floor(n * m_scale + 1e-7)); };
    const int lh = view.LineHeight();
    if (!inside.Empty()) {
        cairo_save(cr);
        cairo_rectangle(cr, inside.x0, inside.y0, inside.Width(), inside.Height());
        cairo_clip(cr);
        const int ox = r.x0 + px(view.AreaLeft() + view.OriginX() - tb.ScrollX());
        const int oy = r.y0 + px(view.AreaTop() - tb.ScrollY());
        const TextEdit& edit = tb.Editor();
        const bool selected = tb.HasFocus() && edit.SelLength() > 0;
        std::vector<DRect> selection;
        if (selected) {
            for (const auto& s : view.Spans(edit.SelStart(), edit.SelStart() + edit.SelLength()))
                selection.push_back({ox + px(s.x0), oy + px(s.line * lh), ox + px(s.x1), oy + px((s.line + 1) * lh)});
            for (const DRect& d : selection) FillRect(cr, d, Resolve(SysColour::SelectionHighlight));
        }
        uint32_t fore = tb.Enabled() ? Resolve(tb.ForeColour()) : Resolve(SysColour::GreyText);
        ShowLayout(view.Layout(), ox, oy, fore);
        if (!selection.empty()) {
            cairo_save(cr);
            for (const DRect& d : selection) cairo_rectangle(cr, d.x0, d.y0, d.Width(), d.Height());
            cairo_clip(cr);
            ShowLayout(view.Layout(), ox, oy, Resolve(SysColour::SelectionText));
            cairo_restore(cr);
        }
        if (tb.HasFocus() && tb.CaretOn() && tb.Enabled()) {
            TextBoxView::Caret c = view.CaretAt(edit.Caret());
            int x = ox + px(c.x), y = oy + px(c.line * lh);
            FillRect(cr, {x, y, x + P(1), y + px(lh)}, Resolve(tb.ForeColour()));
        }
        cairo_restore(cr);
    }
    // Scroll bars: the page is the area, the total the laid-out text.
    if (view.VerticalBar()) {
        double total = std::max<double>(view.LineCount() * lh, view.AreaHeight());
        ScrollBar({inside.x1, inside.y0, inside.x1 + bar, inside.y1}, true, tb.ScrollY(), view.AreaHeight(), total);
    }
    if (view.HorizontalBar()) {
        double total = std::max<double>(view.Layout().width + 1, view.AreaWidth());
        ScrollBar({inside.x0, inside.y1, inside.x1, inside.y1 + bar}, false, tb.ScrollX(), view.AreaWidth(), total);
    }
    if (view.VerticalBar() && view.HorizontalBar())
        FillRect(cr, {inside.x1, inside.y1, inside.x1 + bar, inside.y1 + bar}, Resolve(SysColour::ButtonFace));
    cairo_restore(cr);
}

// A classic scroll bar: two raised arrow buttons, a track in the scroll-bar colour and a raised
// thumb as long as the page is against the whole (never shorter than 8 pixels).
void Painter::ScrollBar(const DRect& r, bool vertical, double position, double page, double total) {
    if (r.Empty()) return;
    const int thick = vertical ? r.Width() : r.Height();
    const int length = vertical ? r.Height() : r.Width();
    const int button = std::min(thick, length / 2);
    auto raised = [&](const DRect& b) {
        FillRect(m_cr, b, Resolve(SysColour::ButtonFace));
        Edge(b, EdgeColours{SysColour::ButtonLight, SysColour::DarkShadow, SysColour::ButtonHighlight,
                            SysColour::ButtonShadow});
    };
    DRect first = vertical ? DRect{r.x0, r.y0, r.x1, r.y0 + button} : DRect{r.x0, r.y0, r.x0 + button, r.y1};
    DRect last = vertical ? DRect{r.x0, r.y1 - button, r.x1, r.y1} : DRect{r.x1 - button, r.y0, r.x1, r.y1};
    DRect track = vertical ? DRect{r.x0, first.y1, r.x1, last.y0} : DRect{first.x1, r.y0, last.x0, r.y1};
    FillRect(m_cr, track, Resolve(kScrollTrack));
    raised(first);
    raised(last);
    Arrow(first, vertical ? 0 : 3);
    Arrow(last, vertical ? 1 : 2);
    const int span = vertical ? track.Height() : track.Width();
    if (total > page && span > P(8)) {
        int thumb = std::max(P(8), static_cast<int>(span * page / total));
        int at = static_cast<int>((span - thumb) * std::clamp(position / (total - page), 0.0, 1.0));
        raised(vertical ? DRect{r.x0, track.y0 + at, r.x1, track.y0 + at + thumb}
                        : DRect{track.x0 + at, r.y0, track.x0 + at + thumb, r.y1});
    }
}

// A small black triangle in a button: 0 up, 1 down, 2 right, 3 left.
void Painter::Arrow(const DRect& b, int direction) {
    const int px = P(1);
    const int cx = (b.x0 + b.x1) / 2, cy = (b.y0 + b.y1) / 2;
    const uint32_t rgb = Resolve(SysColour::ButtonText);
    for (int i = 0; i < 4; ++i) {
        int half = i * px;
        int step = (i - 2) * px;
        switch (direction) {
            case 0: FillRect(m_cr, {cx - half - px, cy + step, cx + half, cy + step + px}, rgb); break;
            case 1: FillRect(m_cr, {cx - half - px, cy - step, cx + half, cy - step + px}, rgb); break;
            case 2: FillRect(m_cr, {cx - step, cy - half - px, cx - step + px, cy + half}, rgb); break;
            case 3: FillRect(m_cr, {cx + step, cy - half - px, cx + step + px, cy + half}, rgb); break;
        }
    }
}

}  // namespace stolvane::paint
