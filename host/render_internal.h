// SPDX-License-Identifier: MIT
// What the renderer's source files share: rectangles of device pixels, the cache of bitmaps
// converted for cairo, and the Painter that paints one frame of the element tree (its pictures
// and surfaces in render.cpp, text in render_text.cpp, element kinds in render_elements.cpp).
#pragma once

#include <cairo.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <map>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "core/element_members.h"
#include "core/element_painter.h"
#include "core/elements.h"
#include "core/surface.h"
#include "core/units.h"
#include "host/colour_source.h"

namespace stolvane {

struct TextLayout;
class TextBox;

namespace paint {

// A rectangle of device pixels, right and bottom excluded.
struct DRect {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    int Width() const { return x1 - x0; }
    int Height() const { return y1 - y0; }
    bool Empty() const { return x1 <= x0 || y1 <= y0; }
};

inline void SetRgb(cairo_t* cr, uint32_t rgb) {
    cairo_set_source_rgb(cr, RedOf(rgb) / 255.0, GreenOf(rgb) / 255.0, BlueOf(rgb) / 255.0);
}

inline void FillRect(cairo_t* cr, const DRect& r, uint32_t rgb) {
    if (r.Empty()) return;
    SetRgb(cr, rgb);
    cairo_rectangle(cr, r.x0, r.y0, r.Width(), r.Height());
    cairo_fill(cr);
}

// The classic focus frame: a one-pixel line of every other dot along the rectangle's inside
// (dot: one pixel's size in device pixels), starting with a dot at each corner's top left.
inline void DottedFrame(cairo_t* cr, const DRect& r, uint32_t rgb, int dot) {
    if (r.Empty() || dot <= 0) return;
    SetRgb(cr, rgb);
    for (int x = r.x0; x < r.x1; x += 2 * dot) {
        cairo_rectangle(cr, x, r.y0, std::min(dot, r.x1 - x), dot);
        cairo_rectangle(cr, x, r.y1 - dot, std::min(dot, r.x1 - x), dot);
    }
    for (int y = r.y0 + 2 * dot; y < r.y1 - dot; y += 2 * dot) {
        cairo_rectangle(cr, r.x0, y, dot, std::min(dot, r.y1 - dot - y));
        cairo_rectangle(cr, r.x1 - dot, y, dot, std::min(dot, r.y1 - dot - y));
    }
    cairo_fill(cr);
}

// The colours of a classic two-pixel edge, and the three edges the element kinds draw.
struct EdgeColours {
    OleColour outerTopLeft, outerBottomRight, innerTopLeft, innerBottomRight;
};
inline constexpr EdgeColours kRaisedEdge{SysColour::ButtonHighlight, SysColour::DarkShadow, SysColour::ButtonLight,
                                         SysColour::ButtonShadow};
inline constexpr EdgeColours kPressedEdge{SysColour::DarkShadow, SysColour::ButtonHighlight, SysColour::ButtonShadow,
                                          SysColour::ButtonLight};
inline constexpr EdgeColours kSunkenEdge{SysColour::ButtonShadow, SysColour::ButtonHighlight, SysColour::DarkShadow,
                                         SysColour::ButtonLight};

// The painters' prologue: saves the drawing state and, when given a rectangle, clips to it;
// the state comes back when the scope ends, a throw included.
class SavedState {
public:
    explicit SavedState(cairo_t* cr) : m_cr(cr) { cairo_save(cr); }
    SavedState(cairo_t* cr, double x, double y, double w, double h) : SavedState(cr) {
        cairo_rectangle(cr, x, y, w, h);
        cairo_clip(cr);
    }
    SavedState(cairo_t* cr, const DRect& r) : SavedState(cr, r.x0, r.y0, r.Width(), r.Height()) {}
    ~SavedState() { cairo_restore(m_cr); }
    SavedState(const SavedState&) = delete;
    SavedState& operator=(const SavedState&) = delete;

private:
    cairo_t* m_cr;
};

// Bitmaps converted to cairo's premultiplied format, kept while they are being painted.
class BitmapCache {
public:
    ~BitmapCache();
    cairo_surface_t* Get(const Picture& p);
    // The bitmap scaled to w x h device pixels as a whole, so that a partial repaint samples
    // exactly the pixels a full one does (cairo steps through a scaled source from where the
    // clip begins, and the rounding of those steps depends on it). Null when too large to keep.
    cairo_surface_t* GetScaled(const Picture& p, int w, int h);
    // Forgets bitmaps not painted since the previous call once the cache has grown.
    void EndFrame();

private:
    struct Entry {
        cairo_surface_t* surface;
        uint64_t used;
    };
    std::unordered_map<uint64_t, Entry> m_entries;
    std::map<std::tuple<uint64_t, int, int>, Entry> m_scaled;
    uint64_t m_generation = 0;
};

// Paints one frame (or a clipped part of it) of the element tree. Each element is painted by
// its kind's descriptor, which calls the method of this painter for that kind.
class Painter final : public ElementPainter {
public:
    // Without a colour source (a picture painted alone) system colours paint black.
    Painter(cairo_t* cr, double scale, ColourSource* colours, BitmapCache& cache)
        : m_cr(cr), m_scale(scale), m_colours(colours), m_cache(cache) {}

    // The device pixel holding a form-absolute position in twips.
    int D(double twips) const {
        return PixelHolding(twips, m_scale);
    }
    // A length of n logical pixels in device pixels (at least one for n > 0).
    int P(double n) const {
        int v = static_cast<int>(SnapToPixel(n * m_scale));
        return n > 0 ? std::max(1, v) : v;
    }
    DRect Box(double ax, double ay, const Rect& r) const {
        return {D(ax + r.left), D(ay + r.top), D(ax + r.left + r.width), D(ay + r.top + r.height)};
    }
    uint32_t Resolve(OleColour c) const {
        return m_colours ? (m_colours->ResolveColour(c) & 0xFFFFFF) : (IsSystemColour(c) ? 0 : c & 0xFFFFFF);
    }

    // The painters' prologue: paint(box, cr) runs with the element's box in device pixels and
    // the drawing clipped to it, unless the box is empty.
    // The clip is left as it is when it lies within the box already (an element filling its
    // control's surface, as a label's caption does).
    template <class Paint>
    void InBox(double ax, double ay, const Element& e, Paint&& paint) {
        DRect r = Box(ax, ay, e.Bounds());
        if (r.Empty()) return;
        if (Contains(r, m_within)) {
            paint(r, m_cr);
            return;
        }
        SavedState clipped(m_cr, r);
        paint(r, m_cr);
    }
    static bool Contains(const DRect& outer, const DRect& inner) {
        return outer.x0 <= inner.x0 && outer.y0 <= inner.y0 && outer.x1 >= inner.x1 && outer.y1 >= inner.y1;
    }

    // Pictures and surfaces (render.cpp).

    // A picture stretched into a rectangle of device pixels (bitmaps pixel by pixel, drawings
    // replayed as fills so they stay sharp).
    void PaintPicture(const Picture& p, double dx, double dy, double dw, double dh);
    // Drawing operations whose twips map to device pixels as x -> ox + x * fx.
    void PaintOps(const Drawing& drawing, double ox, double oy, double fx, double fy);
    // A surface's drawing, with its origin at a form-absolute position.
    void PaintDrawing(const Drawing& drawing, double ax, double ay);
    // A picture's natural size in device pixels (a drawing's size in twips rounded up).
    int NaturalWidth(const Picture& p) const;
    int NaturalHeight(const Picture& p) const;
    // A picture at its natural size with its top-left corner at a device pixel.
    void PaintNatural(const Picture& p, int x, int y);
    // A surface (the form, or a control inside it) whose top-left corner is at (ax, ay) twips.
    // `box` is the surface's device pixels; `whole` says it is all of the target (the form),
    // which needs no clip of its own and no state kept around it.
    void PaintSurface(const Surface& s, double ax, double ay, const DRect& box, bool whole = false);
    // The device pixels an embedded control paints, opaquely.
    DRect ControlBox(const ControlElement& c, double ax, double ay) const;
    bool CoveredByOne(const std::vector<const Element*>& order, double ax, double ay, const DRect& area) const;
    // Sets to null the elements of a surface's paint order that controls painted later cover.
    void SkipCovered(std::vector<const Element*>& order, double ax, double ay) const;

private:
    // Text laid out at scale 1, drawn with its top-left corner at a device pixel (render_text.cpp).
    void ShowLayout(const TextLayout& text, int x, int y, uint32_t rgb);

    // Element kinds (render_elements.cpp).
    void PaintElement(const Element& e, double ax, double ay);
    void PaintLine(const Line& l, double ax, double ay) override;
    void PaintLabel(const Label& l, double ax, double ay) override;
    void PaintImage(const Image& img, double ax, double ay) override;
    void PaintShape(const Shape& s, double ax, double ay) override;
    void PaintControl(const ControlElement& c, double ax, double ay) override;
    // Two-pixel edges, classic style: outer then inner, top-left colour then bottom-right.
    void Edge(const DRect& r, const EdgeColours& colours);
    void PaintPictureBox(const PictureBox& b, double ax, double ay) override;
    void PaintGreyed(const Picture& p, int x, int y);
    void PaintPictureButton(const PictureButton& b, double ax, double ay) override;
    void CheckBox(int x, int y, bool ticked);
    void Expander(int x, int y, bool collapsed);
    static const Font& HeadingFont();
    void PaintListBox(const ListBox& lb, double ax, double ay) override;
    void PaintRows(const ListBox& lb, const DRect& inner);
    // The text box and its scroll bars (render_text_box.cpp).
    void PaintTextBox(const TextBox& tb, double ax, double ay) override;
    void ScrollBar(const DRect& r, bool vertical, double position, double page, double total);
    void Arrow(const DRect& r, int direction);

    cairo_t* m_cr;
    // A rectangle the clip lies within (the box of the surface being painted); all the plane
    // when nothing is known.
    DRect m_within{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
    int m_depth = 0;
    double m_scale;
    ColourSource* m_colours;
    BitmapCache& m_cache;
};

}  // namespace paint
}  // namespace stolvane
