// SPDX-License-Identifier: MIT
// The painters of each element kind: lines, labels, images, shapes, picture boxes, picture
// buttons (with the greyed look of a disabled picture) and check list boxes, with the classic
// two-pixel edges they share.

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/elements.h"
#include "core/units.h"
#include "host/cairo_owners.h"
#include "host/render.h"
#include "host/render_internal.h"
#include "host/text_layouts.h"

namespace stolvane::paint {

void Painter::PaintElement(const Element& e, double ax, double ay) {
    if (auto paint = e.Descriptor().paint) paint(*this, e, ax, ay);
}

void Painter::PaintControl(const ControlElement& c, double ax, double ay) {
    const Surface& child = c.GetSurface();
    PaintSurface(child, ax + child.Left(), ay + child.Top(), ControlBox(c, ax, ay));
}

// Classic line drawing: the last point is left out, a pen of n pixels is centred on the
// line, and horizontal and vertical lines fill whole pixels so they stay crisp.
void Painter::PaintLine(const Line& l, double ax, double ay) {
    int x1 = D(ax + l.X1()), y1 = D(ay + l.Y1()), x2 = D(ax + l.X2()), y2 = D(ay + l.Y2());
    if (x1 == x2 && y1 == y2) return;
    int px = P(1);
    int width = P(std::max<int>(1, l.BorderWidth()));
    int before = P((std::max<int>(1, l.BorderWidth()) - 1) / 2);
    uint32_t rgb = Resolve(l.Colour());
    if (y1 == y2) {
        int a = x1 < x2 ? x1 : x2 + px, b = x1 < x2 ? x2 : x1 + px;
        FillRect(m_cr, {a, y1 - before, b, y1 - before + width}, rgb);
    } else if (x1 == x2) {
        int a = y1 < y2 ? y1 : y2 + px, b = y1 < y2 ? y2 : y1 + px;
        FillRect(m_cr, {x1 - before, a, x1 - before + width, b}, rgb);
    } else {
        cairo_t* cr = m_cr;
        SavedState saved(cr);
        // Drawn into a group and painted through the clip: cairo strokes a line without
        // antialiasing through the clip's extents, not through the clip itself, which would
        // touch pixels between the rectangles of a partial repaint.
        cairo_push_group(cr);
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
        cairo_set_line_width(cr, width);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
        SetRgb(cr, rgb);
        double c = px / 2.0;
        cairo_move_to(cr, x1 + c, y1 + c);
        cairo_line_to(cr, x2 + c, y2 + c);
        cairo_stroke(cr);
        cairo_pop_group_to_source(cr);
        cairo_paint(cr);
    }
}

void Painter::PaintLabel(const Label& l, double ax, double ay) {
    InBox(ax, ay, l, [&](const DRect& r, cairo_t* cr) {
        if (!l.Transparent()) FillRect(cr, r, Resolve(l.BackColour()));
        if (!l.Caption().empty()) {
            // The layout is kept between repaints while text, font, wrap width and alignment
            // stay the same; the colour is given as it is drawn.
            int wrap = l.WordWrap() ? std::max(1, PixelHolding(l.Width())) : 0;
            TextLayoutRef text = SharedTextLayout(l.GetFont(), l.Caption(), true, wrap, l.Alignment());
            int x = r.x0;
            if (!l.WordWrap()) {
                int w = P(text->width);
                if (l.Alignment() == Alignment::Right) x = r.x1 - w;
                else if (l.Alignment() == Alignment::Centre) x = r.x0 + (r.Width() - w) / 2;
            }
            if (l.Enabled()) {
                ShowLayout(*text, x, r.y0, Resolve(l.ForeColour()));
            } else {
                ShowLayout(*text, x + P(1), r.y0 + P(1), Resolve(SysColour::ButtonHighlight));
                ShowLayout(*text, x, r.y0, Resolve(SysColour::GreyText));
            }
        }
    });
}

void Painter::PaintImage(const Image& img, double ax, double ay) {
    if (IsNoPicture(img.GetPicture())) return;
    DRect r = Box(ax, ay, img.Bounds());
    if (r.Empty()) return;
    const Picture& p = *img.GetPicture();
    if (img.Stretch()) {
        PaintPicture(p, r.x0, r.y0, r.Width(), r.Height());
    } else {
        SavedState clipped(m_cr, r);
        PaintNatural(p, r.x0, r.y0);
    }
}

// A rectangle shape; in invert mode its fill (or its outline) inverts what lies beneath.
void Painter::PaintShape(const Shape& s, double ax, double ay) {
    DRect r = Box(ax, ay, s.Bounds());
    if (r.Empty()) return;
    cairo_t* cr = m_cr;
    int px = P(1);
    bool invert = s.GetDrawMode() == Shape::Invert;
    auto border = [&] {
        cairo_rectangle(cr, r.x0, r.y0, r.Width(), r.Height());
        if (r.Width() > 2 * px && r.Height() > 2 * px)
            cairo_rectangle(cr, r.x0 + px, r.y0 + px, r.Width() - 2 * px, r.Height() - 2 * px);
    };
    SavedState saved(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    if (invert) {
        cairo_set_operator(cr, CAIRO_OPERATOR_DIFFERENCE);
        cairo_set_source_rgb(cr, 1, 1, 1);
        if (s.Filled()) {
            cairo_rectangle(cr, r.x0, r.y0, r.Width(), r.Height());
            cairo_fill(cr);
        } else if (s.Outline()) {
            border();
            cairo_fill(cr);
        }
    } else {
        if (s.Filled()) FillRect(cr, r, Resolve(s.FillColour()));
        if (s.Outline()) {
            SetRgb(cr, Resolve(s.BorderColour()));
            border();
            cairo_fill(cr);
        }
    }
}

// Two-pixel edges, classic style: outer then inner, top-left colour then bottom-right.
void Painter::Edge(const DRect& r, const EdgeColours& c) {
    int px = P(1);
    auto frame = [&](const DRect& b, OleColour topLeft, OleColour bottomRight) {
        uint32_t tl = Resolve(topLeft), br = Resolve(bottomRight);
        if (b.Empty()) return;
        FillRect(m_cr, {b.x0, b.y1 - px, b.x1, b.y1}, br);
        FillRect(m_cr, {b.x1 - px, b.y0, b.x1, b.y1}, br);
        FillRect(m_cr, {b.x0, b.y0, b.x1 - px, b.y0 + px}, tl);
        FillRect(m_cr, {b.x0, b.y0, b.x0 + px, b.y1 - px}, tl);
    };
    frame(r, c.outerTopLeft, c.outerBottomRight);
    frame({r.x0 + px, r.y0 + px, r.x1 - px, r.y1 - px}, c.innerTopLeft, c.innerBottomRight);
}

void Painter::PaintPictureBox(const PictureBox& b, double ax, double ay) {
    InBox(ax, ay, b, [&](const DRect& r, cairo_t* cr) {
        FillRect(cr, r, Resolve(b.BackColour()));
        if (!IsNoPicture(b.GetPicture())) PaintNatural(*b.GetPicture(), r.x0, r.y0);
        PaintDrawing(b.GetDrawing(), ax + b.Left(), ay + b.Top());
        if (b.Border()) {
            // One sunken pixel drawn over the edge; the drawing keeps the box's own origin.
            int px = P(1);
            FillRect(cr, {r.x0, r.y0, r.x1, r.y0 + px}, Resolve(SysColour::ButtonShadow));
            FillRect(cr, {r.x0, r.y0, r.x0 + px, r.y1}, Resolve(SysColour::ButtonShadow));
            FillRect(cr, {r.x0 + px, r.y1 - px, r.x1, r.y1}, Resolve(SysColour::ButtonHighlight));
            FillRect(cr, {r.x1 - px, r.y0 + px, r.x1, r.y1}, Resolve(SysColour::ButtonHighlight));
        }
    });
}

// A picture drawn as a grey embossed silhouette of its dark parts, the classic look of a
// disabled picture.
void Painter::PaintGreyed(const Picture& p, int x, int y) {
    Frame img = RenderPicture(p, m_scale);
    if (img.width <= 0 || img.height <= 0) return;
    CairoSurface owned(cairo_image_surface_create(CAIRO_FORMAT_A8, img.width, img.height));
    cairo_surface_t* mask = owned.get();
    cairo_surface_flush(mask);
    unsigned char* md = cairo_image_surface_get_data(mask);
    int ms = cairo_image_surface_get_stride(mask);
    for (int j = 0; j < img.height; ++j) {
        const auto* row = reinterpret_cast<const uint32_t*>(img.data.data() + static_cast<size_t>(j) * img.stride);
        for (int i = 0; i < img.width; ++i) {
            uint32_t c = row[i];
            uint32_t a = c >> 24;
            int lum = a ? static_cast<int>((((c >> 16) & 0xFF) * 30 + ((c >> 8) & 0xFF) * 59 + (c & 0xFF) * 11) *
                                           255 / (100 * a))
                        : 255;
            md[static_cast<size_t>(j) * ms + i] = (a >= 128 && lum < 160) ? 255 : 0;
        }
    }
    cairo_surface_mark_dirty(mask);
    SetRgb(m_cr, Resolve(SysColour::ButtonHighlight));
    cairo_mask_surface(m_cr, mask, x + P(1), y + P(1));
    SetRgb(m_cr, Resolve(SysColour::ButtonShadow));
    cairo_mask_surface(m_cr, mask, x, y);
}

void Painter::PaintPictureButton(const PictureButton& b, double ax, double ay) {
    InBox(ax, ay, b, [&](const DRect& r, cairo_t* cr) {
        FillRect(cr, r, Resolve(SysColour::ButtonFace));
        bool pressed = b.Pressed() && b.Enabled();
        Edge(r, pressed ? kPressedEdge : kRaisedEdge);
        const PictureRef& pic = b.Enabled() || IsNoPicture(b.DisabledPicture()) ? b.GetPicture() : b.DisabledPicture();
        if (!IsNoPicture(pic)) {
            const Picture& p = *pic;
            int w = NaturalWidth(p), h = NaturalHeight(p);
            int x = r.x0 + (r.Width() - w) / 2, y = r.y0 + (r.Height() - h) / 2;
            if (pressed) x += P(1), y += P(1);
            if (!b.Enabled() && IsNoPicture(b.DisabledPicture()))
                PaintGreyed(p, x, y);
            else
                PaintPicture(p, x, y, w, h);
        }
    });
}

// The classic 13 x 13 check box: sunken edge, window-coloured inside, a 7 x 7 tick.
void Painter::CheckBox(int x, int y, bool ticked) {
    DRect box{x, y, x + P(13), y + P(13)};
    FillRect(m_cr, box, Resolve(SysColour::Window));
    Edge(box, kSunkenEdge);
    if (!ticked) return;
    uint32_t rgb = Resolve(SysColour::WindowText);
    for (int col = 0; col < 7; ++col) {
        int top = col <= 2 ? 2 + col : 6 - col;
        int cx = x + P(3 + col), cy = y + P(3 + top);
        FillRect(m_cr, {cx, cy, cx + P(1), cy + P(3)}, rgb);
    }
}

// A heading's 9 x 9 box: a shadow-coloured frame, window-coloured inside, a 5-pixel minus and,
// while the heading is collapsed, the upright of a plus.
void Painter::Expander(int x, int y, bool collapsed) {
    const int size = ListBox::kExpanderSizePixels;
    FillRect(m_cr, {x, y, x + P(size), y + P(size)}, Resolve(SysColour::ButtonShadow));
    FillRect(m_cr, {x + P(1), y + P(1), x + P(size - 1), y + P(size - 1)}, Resolve(SysColour::Window));
    const uint32_t ink = Resolve(SysColour::WindowText);
    const int mid = size / 2;
    FillRect(m_cr, {x + P(2), y + P(mid), x + P(size - 2), y + P(mid + 1)}, ink);
    if (collapsed) FillRect(m_cr, {x + P(mid), y + P(2), x + P(mid + 1), y + P(size - 2)}, ink);
}

// The list's font, bold: a heading's.
const Font& Painter::HeadingFont() {
    static const Font font = [] {
        Font f = ListBox::ListFont();
        f.bold = true;
        f.weight = 700;
        return f;
    }();
    return font;
}

void Painter::PaintListBox(const ListBox& lb, double ax, double ay) {
    InBox(ax, ay, lb, [&](const DRect& r, cairo_t* cr) {
        FillRect(cr, r, Resolve(SysColour::Window));
        const int edge = ListBox::kEdgePixels;
        DRect inner{r.x0 + P(edge), r.y0 + P(edge), r.x1 - P(edge), r.y1 - P(edge)};
        PaintRows(lb, inner);
        Edge(r, kSunkenEdge);
    });
}

// A list box's rows inside its edge, clipped to it.
void Painter::PaintRows(const ListBox& lb, const DRect& inner) {
    cairo_t* cr = m_cr;
    SavedState clipped(cr, inner);
    const int edge = ListBox::kEdgePixels;
    const auto& items = lb.Items();
    const std::vector<Rect> rows = lb.RowRects();
    const size_t first = static_cast<size_t>(lb.TopIndex());
    for (size_t shown = 0; shown < rows.size(); ++shown) {
        const size_t i = first + shown;
        // Whole pixels at scale 1, from the box's inner corner.
        int row = static_cast<int>(TwipsToPixels(rows[shown].top)) - edge;
        int rowHeight = static_cast<int>(TwipsToPixels(rows[shown].height));
        int y = inner.y0 + P(row);
        if (y >= inner.y1) break;
        const bool heading = items[i].heading;
        TextLayoutRef text = SharedTextLayout(heading ? HeadingFont() : ListBox::ListFont(), items[i].text, false);
        PangoRectangle logical{0, 0, text->width, text->Height()};  // the text's own line height, as measured
        if (heading) {
            // A band of the button face across the row, the - or + box at its left.
            FillRect(cr, {inner.x0, y, inner.x1, y + P(rowHeight)}, Resolve(SysColour::ButtonFace));
            Expander(inner.x0 + P(ListBox::kExpanderLeftPixels),
                     y + P((rowHeight - ListBox::kExpanderSizePixels) / 2), items[i].collapsed);
        } else if (lb.CheckBoxes()) {
            CheckBox(inner.x0 + P(ListBox::kCheckLeftPixels), y + P((rowHeight - ListBox::kCheckSizePixels) / 2),
                     items[i].checked);
        }
        int tx = inner.x0 + P(heading ? ListBox::kHeadingTextLeftPixels : lb.TextLeftPixels()),
            ty = y + P((rowHeight - logical.height) / 2);
        uint32_t fore = Resolve(SysColour::WindowText), back = Resolve(heading ? SysColour::ButtonFace : SysColour::Window);
        if (static_cast<int>(i) == lb.ListIndex()) {
            back = Resolve(SysColour::SelectionHighlight);
            FillRect(cr, {tx - P(1), y + P(1), std::min(inner.x1, tx + P(logical.width + 2)), y + P(rowHeight - 1)},
                     Resolve(SysColour::SelectionHighlight));
            fore = Resolve(SysColour::SelectionText);
        }
        ShowLayout(*text, tx, ty, fore);
        // The focus: a dotted frame around the current row's text (the first row's when none
        // is current) on the highlight's edge, in the inverse of what lies under it, as the
        // classic frame drawn by inverting pixels shows.
        const int focusRow = lb.ListIndex() >= 0 ? lb.ListIndex() : 0;
        if (lb.HasFocus() && static_cast<int>(i) == focusRow)
            DottedFrame(cr, {tx - P(1), y + P(1), std::min(inner.x1, tx + P(logical.width + 2)), y + P(rowHeight - 1)},
                        back ^ 0xFFFFFFu, P(1));
    }
}

}  // namespace stolvane::paint
