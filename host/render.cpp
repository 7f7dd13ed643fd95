// SPDX-License-Identifier: MIT
// The renderer: keeps a form's last frame and repaints only what the runtime marked dirty,
// painting surfaces and pictures here; text is drawn in render_text.cpp and each element kind
// in render_elements.cpp.
//
// Everything is painted in device pixels. A position in twips becomes the device pixel that
// holds it (15 twips per pixel at scale 1), always from the form-absolute position, so the same
// element lands on the same pixels whether the whole frame or only a clipped region of it is
// repainted. Text is laid out at scale 1 (as it is measured) and drawn through a scaled context.

#include "host/render.h"

#include "host/file_write.h"

#include <cairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "core/surface.h"
#include "core/units.h"
#include "host/cairo_owners.h"
#include "host/render_internal.h"
#include "host/theme.h"

namespace stolvane {

namespace paint {

BitmapCache::~BitmapCache() {
    for (auto& [handle, entry] : m_entries) cairo_surface_destroy(entry.surface);
    for (auto& [key, entry] : m_scaled) cairo_surface_destroy(entry.surface);
}

cairo_surface_t* BitmapCache::GetScaled(const Picture& p, int w, int h) {
    if (w <= 0 || h <= 0 || static_cast<int64_t>(w) * h > (int64_t{1} << 22)) return nullptr;
    const auto key = std::make_tuple(p.Handle(), w, h);
    auto it = m_scaled.find(key);
    if (it != m_scaled.end()) {
        it->second.used = m_generation;
        return it->second.surface;
    }
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(s);
    cairo_scale(cr, static_cast<double>(w) / p.PixelWidth(), static_cast<double>(h) / p.PixelHeight());
    cairo_set_source_surface(cr, Get(p), 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(s);
    m_scaled[key] = {s, m_generation};
    return s;
}

cairo_surface_t* BitmapCache::Get(const Picture& p) {
    auto it = m_entries.find(p.Handle());
    if (it != m_entries.end()) {
        it->second.used = m_generation;
        return it->second.surface;
    }
    int w = p.PixelWidth(), h = p.PixelHeight();
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_surface_flush(s);
    unsigned char* data = cairo_image_surface_get_data(s);
    int stride = cairo_image_surface_get_stride(s);
    const std::vector<uint32_t>& px = p.Pixels();
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride);
        for (int x = 0; x < w; ++x) {
            uint32_t c = px[static_cast<size_t>(y) * w + x];
            uint32_t a = c >> 24;
            if (a == 255) {
                row[x] = c;
            } else {
                auto pm = [a](uint32_t v) { return (v * a + 127) / 255; };
                row[x] = (a << 24) | (pm((c >> 16) & 0xFF) << 16) | (pm((c >> 8) & 0xFF) << 8) | pm(c & 0xFF);
            }
        }
    }
    cairo_surface_mark_dirty(s);
    m_entries[p.Handle()] = {s, m_generation};
    return s;
}

namespace {

// Past `keep` entries, drops the surfaces the frame just painted did not use.
template <class Map>
void DropUnused(Map& entries, size_t keep, uint64_t generation) {
    if (entries.size() <= keep) return;
    for (auto it = entries.begin(); it != entries.end();) {
        if (it->second.used != generation) {
            cairo_surface_destroy(it->second.surface);
            it = entries.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace

void BitmapCache::EndFrame() {
    DropUnused(m_scaled, 16, m_generation);
    DropUnused(m_entries, 64, m_generation);
    ++m_generation;
}

// A picture stretched into a rectangle of device pixels (bitmaps pixel by pixel, drawings
// replayed as fills so they stay sharp).
// A drawing may paint pictures that are drawings themselves; nesting deeper than any real
// use is cut off rather than allowed to exhaust the stack.
void Painter::PaintPicture(const Picture& p, double dx, double dy, double dw, double dh) {
    if (p.IsEmpty() || dw <= 0 || dh <= 0 || m_depth > 256) return;
    cairo_t* cr = m_cr;
    SavedState clipped(cr, dx, dy, dw, dh);
    double cx0, cy0, cx1, cy1;
    cairo_clip_extents(cr, &cx0, &cy0, &cx1, &cy1);
    if (cx1 <= cx0 || cy1 <= cy0) {
        // Wholly outside what is being repainted.
    } else if (const auto& drawing = p.DrawingContent()) {
        if (p.WidthTwips() > 0 && p.HeightTwips() > 0) {
            FillRect(cr, {int(dx), int(dy), int(dx + dw), int(dy + dh)}, p.DrawingBack());
            ++m_depth;
            PaintOps(*drawing, dx, dy, dw / p.WidthTwips(), dh / p.HeightTwips());
            --m_depth;
        }
    } else if (p.PixelWidth() > 0 && p.PixelHeight() > 0) {
        const bool whole = dw == std::floor(dw) && dh == std::floor(dh) && dw < 1e6 && dh < 1e6;
        cairo_surface_t* scaled = whole && (dw != p.PixelWidth() || dh != p.PixelHeight())
                                      ? m_cache.GetScaled(p, static_cast<int>(dw), static_cast<int>(dh))
                                      : nullptr;
        if (scaled) {
            cairo_set_source_surface(cr, scaled, dx, dy);
            cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
            cairo_paint(cr);
            return;
        }
        cairo_surface_t* s = m_cache.Get(p);
        cairo_translate(cr, dx, dy);
        cairo_scale(cr, dw / p.PixelWidth(), dh / p.PixelHeight());
        cairo_set_source_surface(cr, s, 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
        cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
        cairo_paint(cr);
    }
}

// Drawing operations whose twips map to device pixels as x -> ox + x * fx.
void Painter::PaintOps(const Drawing& drawing, double ox, double oy, double fx, double fy) {
    auto X = [&](double t) { return ox + SnapToPixel(t * fx); };
    auto Y = [&](double t) { return oy + SnapToPixel(t * fy); };
    // Operations wholly outside what is being repainted are skipped (a long drawing, such
    // as a gradient's bands, behind a small repainted strip).
    double cx0, cy0, cx1, cy1;
    cairo_clip_extents(m_cr, &cx0, &cy0, &cx1, &cy1);
    for (const DrawOp& op : drawing.Ops()) {
        double x0 = X(op.left), y0 = Y(op.top), x1 = X(op.left + op.width), y1 = Y(op.top + op.height);
        if (x1 <= cx0 || x0 >= cx1 || y1 <= cy0 || y0 >= cy1) continue;
        if (op.kind == DrawOp::Kind::Fill) {
            FillRect(m_cr, {int(x0), int(y0), int(x1), int(y1)}, op.rgb);
        } else if (op.picture) {
            PaintPicture(*op.picture, x0, y0, x1 - x0, y1 - y0);
        }
    }
}

// A surface's drawing, with its origin at a form-absolute position.
void Painter::PaintDrawing(const Drawing& drawing, double ax, double ay) {
    PaintOps(drawing, D(ax), D(ay), TwipsToPixels(1, m_scale), TwipsToPixels(1, m_scale));
}

// A picture's natural size in device pixels (a drawing's size in twips rounded up).
int Painter::NaturalWidth(const Picture& p) const {
    return p.DrawingContent() ? static_cast<int>(PixelsCovering(std::min(p.WidthTwips(), 1e9), m_scale))
                              : P(p.PixelWidth());
}

int Painter::NaturalHeight(const Picture& p) const {
    return p.DrawingContent() ? static_cast<int>(PixelsCovering(std::min(p.HeightTwips(), 1e9), m_scale))
                              : P(p.PixelHeight());
}

// A picture at its natural size with its top-left corner at a device pixel.
void Painter::PaintNatural(const Picture& p, int x, int y) {
    PaintPicture(p, x, y, NaturalWidth(p), NaturalHeight(p));
}

// A surface (the form, or a control inside it) whose top-left corner is at (ax, ay) twips.
void Painter::PaintSurface(const Surface& s, double ax, double ay, const DRect& box, bool whole) {
    cairo_t* cr = m_cr;
    std::optional<SavedState> clipped;
    if (!whole) clipped.emplace(cr, box);
    const DRect outerWithin = m_within;
    m_within = box;
    struct Restore {
        DRect& within;
        DRect old;
        ~Restore() { within = old; }
    } restore{m_within, outerWithin};
    double cx0, cy0, cx1, cy1;
    cairo_clip_extents(cr, &cx0, &cy0, &cx1, &cy1);
    if (cx1 > cx0 && cy1 > cy0) {
        auto visibleHere = [&](const Element& e) {
            if (!e.Visible()) return false;
            DRect r = Box(ax, ay, e.Bounds());
            // Lines reach a pixel beyond their bounds' corner at most; one spare pixel each way.
            return r.x0 - 1 < cx1 && r.x1 + 1 > cx0 && r.y0 - 1 < cy1 && r.y1 + 1 > cy0;
        };
        // The elements to paint, bottom-most first: the lightweight ones, then the windowed.
        std::vector<const Element*> order;
        if (const ElementGrid* grid = s.Grid()) {
            // Only the elements near what is being repainted: the clip in the surface's
            // twips, two device pixels wider each way than visibleHere allows for.
            const double perTwip = TwipsToPixels(1, m_scale), margin = 2 / perTwip;
            Rect area{cx0 / perTwip - ax - margin, cy0 / perTwip - ay - margin, (cx1 - cx0) / perTwip + 2 * margin,
                      (cy1 - cy0) / perTwip + 2 * margin};
            std::vector<Element*> near;
            grid->Query(area, near);
            for (Element* e : near)
                if (visibleHere(*e)) order.push_back(e);
        } else {
            for (const auto& e : s.Elements())
                if (visibleHere(*e)) order.push_back(e.get());
        }
        std::stable_partition(order.begin(), order.end(), [](const Element* e) { return !e->Windowed(); });
        // The surface's own back colour, picture and drawing, unless an element that paints
        // its box opaquely covers all that is being repainted of it.
        const DRect repainted{std::max(box.x0, static_cast<int>(std::floor(cx0))),
                              std::max(box.y0, static_cast<int>(std::floor(cy0))),
                              std::min(box.x1, static_cast<int>(std::ceil(cx1))),
                              std::min(box.y1, static_cast<int>(std::ceil(cy1)))};
        if (!CoveredByOne(order, ax, ay, repainted)) {
            FillRect(cr, box, Resolve(s.BackColour()));
            if (!IsNoPicture(s.GetPicture())) PaintNatural(*s.GetPicture(), box.x0, box.y0);
            PaintDrawing(s.GetDrawing(), ax, ay);
        }
        SkipCovered(order, ax, ay);
        for (const Element* e : order)
            if (e) PaintElement(*e, ax, ay);
    }
}

// Whether one of the elements paints every pixel of the area opaquely: an embedded control
// (its whole box) or a label that is not transparent (its box filled with its back colour).
bool Painter::CoveredByOne(const std::vector<const Element*>& order, double ax, double ay, const DRect& area) const {
    if (area.Empty()) return true;
    for (const Element* e : order) {
        DRect r;
        if (e->Kind() == ElementKind::Control) r = ControlBox(static_cast<const ControlElement&>(*e), ax, ay);
        else if (e->Kind() == ElementKind::Label && !static_cast<const Label&>(*e).Transparent()) r = Box(ax, ay, e->Bounds());
        else continue;
        if (Contains(r, area)) return true;
    }
    return false;
}

// The device pixels an embedded control paints: all of its box, opaquely (its surface is
// filled with its back colour before anything else is drawn on it, clipped to the box).
DRect Painter::ControlBox(const ControlElement& c, double ax, double ay) const {
    const Surface& child = c.GetSurface();
    double cx = ax + child.Left(), cy = ay + child.Top();
    return Box(cx, cy, {0, 0, child.Width(), child.Height()});
}

// Drops (sets to null) the elements that embedded controls painted after them cover entirely:
// their pixels would all be painted over. Only embedded controls and labels are dropped, the
// kinds that draw nothing outside their box; of the others nothing is assumed.
void Painter::SkipCovered(std::vector<const Element*>& order, double ax, double ay) const {
    size_t controls = 0;
    for (const Element* e : order) controls += e->Kind() == ElementKind::Control;
    if (controls == 0 || order.size() < 2) return;
    std::unique_ptr<cairo_region_t, void (*)(cairo_region_t*)> covered(cairo_region_create(), cairo_region_destroy);
    bool any = false;
    for (size_t i = order.size(); i-- > 0;) {
        const Element& e = *order[i];
        DRect r;
        if (e.Kind() == ElementKind::Control) r = ControlBox(static_cast<const ControlElement&>(e), ax, ay);
        else if (e.Kind() == ElementKind::Label) r = Box(ax, ay, e.Bounds());
        else continue;
        if (r.Empty()) continue;
        cairo_rectangle_int_t rect{r.x0, r.y0, r.Width(), r.Height()};
        if (any && cairo_region_contains_rectangle(covered.get(), &rect) == CAIRO_REGION_OVERLAP_IN) {
            order[i] = nullptr;
        } else if (e.Kind() == ElementKind::Control) {
            cairo_region_union_rectangle(covered.get(), &rect);
            any = true;
        }
    }
}

}  // namespace paint

namespace {

using paint::BitmapCache;
using paint::DRect;
using paint::Painter;

// Frames are refused beyond the size limit with a message saying so, before anything is
// allocated: "Out of memory" alone would hide that the limit, not the machine, refused it.
void CheckFrameSize(double w, double h, const char* what) {
    if (w <= 32767 && h <= 32767 && w * h <= kMaxFramePixels) return;
    auto whole = [](double v) { return std::isfinite(v) && v < 1e15 ? std::to_string(static_cast<long long>(v)) : std::string("too many"); };
    throw HostError(7, std::string("Out of memory: ") + what + " needs a frame of " + whole(w) + " x " + whole(h) +
                           " pixels, over the limit of 8192 x 8192 pixels (and 32767 on a side)");
}

}  // namespace

uint32_t Frame::PixelRgb(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    uint32_t c;
    std::memcpy(&c, data.data() + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 4, 4);
    uint32_t a = c >> 24, r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
    if (a == 0) return 0;
    if (a < 255) r = r * 255 / a, g = g * 255 / a, b = b * 255 / a;
    return RGB(static_cast<int>(r), static_cast<int>(g), static_cast<int>(b));
}

struct FormRenderer::Impl {
    FrameSource& runtime;
    Form& form;
    Frame image;
    CairoSurface surface;
    bool needFull = true;
    BitmapCache cache;
    std::array<uint32_t, Theme::kCount> theme{};

    // True when a system colour changed since the last frame: the theme tells nobody, and
    // everything painted in system colours must follow it.
    bool ThemeChanged() {
        bool changed = false;
        for (int i = 0; i < Theme::kCount; ++i) {
            uint32_t c = runtime.ResolveColour(0x80000000u + static_cast<uint32_t>(i));
            if (c != theme[static_cast<size_t>(i)]) changed = true, theme[static_cast<size_t>(i)] = c;
        }
        return changed;
    }

    Impl(FrameSource& r, Form& f) : runtime(r), form(f) {}

    // Makes the frame the form's current size; true when it had to be (re)made.
    bool Fit(double scale) {
        double w = PixelsCovering(form.Width(), scale), h = PixelsCovering(form.Height(), scale);
        CheckFrameSize(w, h, "the form");
        int iw = std::max(1, static_cast<int>(w)), ih = std::max(1, static_cast<int>(h));
        if (surface && iw == image.width && ih == image.height) return false;
        surface.reset();  // before the pixels it draws into go
        image.width = iw;
        image.height = ih;
        image.stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, iw);
        image.data.assign(static_cast<size_t>(image.stride) * ih, 0);
        surface.reset(cairo_image_surface_create_for_data(image.data.data(), CAIRO_FORMAT_ARGB32, iw, ih, image.stride));
        return true;
    }

    void Paint(double scale, const std::vector<DRect>* clip) {
        {
            CairoContext cr(cairo_create(surface.get()));
            if (clip) {
                for (const DRect& r : *clip) cairo_rectangle(cr.get(), r.x0, r.y0, r.Width(), r.Height());
                cairo_clip(cr.get());
            }
            Painter painter(cr.get(), scale, &runtime, cache);
            painter.PaintSurface(form, 0, 0, {0, 0, image.width, image.height}, true);
        }
        cairo_surface_flush(surface.get());
        cache.EndFrame();
    }
};

FormRenderer::FormRenderer(FrameSource& runtime, Form& form, double scale)
    : m_impl(std::make_unique<Impl>(runtime, form)), m_scale(scale > 0 && std::isfinite(scale) ? scale : 1.0) {}

FormRenderer::~FormRenderer() = default;

const Frame& FormRenderer::RepaintAll() {
    m_impl->runtime.TakeDirty(m_impl->form);
    m_impl->Fit(m_scale);
    m_impl->ThemeChanged();
    m_impl->Paint(m_scale, nullptr);
    m_impl->needFull = false;
    m_lastPixels = static_cast<int64_t>(m_impl->image.width) * m_impl->image.height;
    m_lastArea = {{0, 0, m_impl->image.width, m_impl->image.height}};
    return m_impl->image;
}

const Frame& FormRenderer::Update() {
    Impl& im = *m_impl;
    std::vector<Rect> dirty = im.runtime.TakeDirty(im.form);
    bool themeChanged = im.ThemeChanged();
    if (im.Fit(m_scale) || im.needFull || themeChanged) {
        im.Paint(m_scale, nullptr);
        im.needFull = false;
        m_lastPixels = static_cast<int64_t>(im.image.width) * im.image.height;
        m_lastArea = {{0, 0, im.image.width, im.image.height}};
        return im.image;
    }
    // The dirty rectangles as device pixels (one spare pixel around each), merged into a region
    // so that overlapping ones are painted and counted once. One rectangle (a single change,
    // the usual case) needs no region.
    std::unique_ptr<cairo_region_t, void (*)(cairo_region_t*)> owned(nullptr, cairo_region_destroy);
    std::optional<cairo_rectangle_int_t> single;
    for (const Rect& d : dirty) {
        if (!(d.width > 0 && d.height > 0) || !std::isfinite(d.left) || !std::isfinite(d.top)) continue;
        auto lo = [&](double t) { return PixelHolding(t, m_scale) - 1.0; };
        auto hi = [&](double t) { return PixelsCovering(std::clamp(t, -1e9, 1e9), m_scale) + 1; };
        double x0 = std::max(0.0, lo(d.left)), y0 = std::max(0.0, lo(d.top));
        double x1 = std::min<double>(im.image.width, hi(d.left + d.width));
        double y1 = std::min<double>(im.image.height, hi(d.top + d.height));
        if (x1 <= x0 || y1 <= y0) continue;
        cairo_rectangle_int_t rect{int(x0), int(y0), int(x1 - x0), int(y1 - y0)};
        if (!owned && !single) {
            single = rect;
            continue;
        }
        if (!owned) {
            owned.reset(cairo_region_create_rectangle(&*single));
            single.reset();
        }
        cairo_region_union_rectangle(owned.get(), &rect);
    }
    std::vector<DRect> clip;
    m_lastArea.clear();
    int64_t pixels = 0;
    auto add = [&](const cairo_rectangle_int_t& rect) {
        clip.push_back({rect.x, rect.y, rect.x + rect.width, rect.y + rect.height});
        m_lastArea.push_back({rect.x, rect.y, rect.width, rect.height});
        pixels += static_cast<int64_t>(rect.width) * rect.height;
    };
    if (single) add(*single);
    for (int i = 0, n = owned ? cairo_region_num_rectangles(owned.get()) : 0; i < n; ++i) {
        cairo_rectangle_int_t rect;
        cairo_region_get_rectangle(owned.get(), i, &rect);
        add(rect);
    }
    if (!clip.empty()) im.Paint(m_scale, &clip);
    m_lastPixels = pixels;
    return im.image;
}

uint32_t FormRenderer::PixelAt(double xTwips, double yTwips) {
    const Frame& img = Update();
    if (!std::isfinite(xTwips) || !std::isfinite(yTwips)) return 0;
    double x = PixelHolding(xTwips, m_scale), y = PixelHolding(yTwips, m_scale);
    if (x < 0 || y < 0 || x >= img.width || y >= img.height) return 0;
    return img.PixelRgb(static_cast<int>(x), static_cast<int>(y));
}

Frame RenderPicture(const Picture& picture, double scale) {
    Frame img;
    if (picture.IsEmpty()) return img;
    BitmapCache cache;
    double w = picture.DrawingContent() ? PixelsCovering(picture.WidthTwips(), scale)
                                        : SnapToPixel(picture.PixelWidth() * scale);
    double h = picture.DrawingContent() ? PixelsCovering(picture.HeightTwips(), scale)
                                        : SnapToPixel(picture.PixelHeight() * scale);
    CheckFrameSize(w, h, "the picture");
    img.width = std::max(1, static_cast<int>(w));
    img.height = std::max(1, static_cast<int>(h));
    img.stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, img.width);
    img.data.assign(static_cast<size_t>(img.stride) * img.height, 0);
    CairoSurface s(
        cairo_image_surface_create_for_data(img.data.data(), CAIRO_FORMAT_ARGB32, img.width, img.height, img.stride));
    {
        CairoContext cr(cairo_create(s.get()));
        Painter painter(cr.get(), scale, nullptr, cache);
        painter.PaintNatural(picture, 0, 0);
    }
    cairo_surface_flush(s.get());
    return img;
}

void WritePng(const Frame& image, const std::string& path) {
    if (image.width <= 0 || image.height <= 0) throw HostError(ErrorNumber::InvalidCall, "Invalid procedure call or argument");
    CairoSurface s(cairo_image_surface_create_for_data(const_cast<unsigned char*>(image.data.data()),
                                                       CAIRO_FORMAT_ARGB32, image.width, image.height, image.stride));
    std::string bytes;
    cairo_status_t status = cairo_surface_write_to_png_stream(
        s.get(),
        [](void* closure, const unsigned char* data, unsigned int n) {
            static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), n);
            return CAIRO_STATUS_SUCCESS;
        },
        &bytes);
    if (status != CAIRO_STATUS_SUCCESS) throw HostError(7, "Out of memory");
    try {
        WriteFileAtomically(path, bytes);
    } catch (const FileWriteError& e) {
        throw HostError(75, std::string("Path/File access error (") + e.what() + ")");
    }
}

}  // namespace stolvane
