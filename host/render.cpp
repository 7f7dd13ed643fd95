// The renderer: paints a form's surfaces and elements with cairo (shapes, pictures) and pango
// (text), and keeps the last frame so that only what the runtime marked dirty is repainted.
//
// Everything is painted in device pixels. A position in twips becomes the device pixel that
// holds it (15 twips per pixel at scale 1), always from the form-absolute position, so the same
// element lands on the same pixels whether the whole frame or only a clipped region of it is
// repainted. Text is laid out at scale 1 (as it is measured) and drawn through a scaled context.

#include "host/render.h"

#include "host/file_write.h"

#include <cairo-ft.h>
#include <cairo.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-font.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "core/surface.h"
#include "core/units.h"
#include "host/media.h"
#include "host/runtime.h"
#include "host/text_layouts.h"

namespace stolvane {

namespace {

// Frames are refused beyond the size limit with a message saying so, before anything is
// allocated: "Out of memory" alone would hide that the limit, not the machine, refused it.
void CheckFrameSize(double w, double h, const char* what) {
    if (w <= 32767 && h <= 32767 && w * h <= kMaxFramePixels) return;
    auto whole = [](double v) { return std::isfinite(v) && v < 1e15 ? std::to_string(static_cast<long long>(v)) : std::string("too many"); };
    throw HostError(7, std::string("Out of memory: ") + what + " needs a frame of " + whole(w) + " x " + whole(h) +
                           " pixels, over the limit of 8192 x 8192 pixels (and 32767 on a side)");
}

// A rectangle of device pixels, right and bottom excluded.
struct DRect {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    int Width() const { return x1 - x0; }
    int Height() const { return y1 - y0; }
    bool Empty() const { return x1 <= x0 || y1 <= y0; }
};

void SetRgb(cairo_t* cr, uint32_t rgb) {
    cairo_set_source_rgb(cr, RedOf(rgb) / 255.0, GreenOf(rgb) / 255.0, BlueOf(rgb) / 255.0);
}

void FillRect(cairo_t* cr, const DRect& r, uint32_t rgb) {
    if (r.Empty()) return;
    SetRgb(cr, rgb);
    cairo_rectangle(cr, r.x0, r.y0, r.Width(), r.Height());
    cairo_fill(cr);
}

// Bitmaps converted to cairo's premultiplied format, kept while they are being painted.
class BitmapCache {
public:
    ~BitmapCache() {
        for (auto& [handle, entry] : m_entries) cairo_surface_destroy(entry.surface);
    }
    cairo_surface_t* Get(const Picture& p) {
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
    // Forgets bitmaps not painted since the previous call once the cache has grown.
    void EndFrame() {
        if (m_entries.size() > 64) {
            for (auto it = m_entries.begin(); it != m_entries.end();) {
                if (it->second.used != m_generation) {
                    cairo_surface_destroy(it->second.surface);
                    it = m_entries.erase(it);
                } else {
                    ++it;
                }
            }
        }
        ++m_generation;
    }

private:
    struct Entry {
        cairo_surface_t* surface;
        uint64_t used;
    };
    std::unordered_map<uint64_t, Entry> m_entries;
    uint64_t m_generation = 0;
};

// Paints one frame (or a clipped part of it) of the element tree.
class Painter {
public:
    Painter(cairo_t* cr, double scale, Runtime* runtime, BitmapCache& cache)
        : m_cr(cr), m_scale(scale), m_runtime(runtime), m_cache(cache) {}

    // The device pixel holding a form-absolute position in twips.
    int D(double twips) const {
        return PixelHolding(twips, m_scale);
    }
    // A length of n logical pixels in device pixels (at least one for n > 0).
    int P(double n) const {
        int v = static_cast<int>(std::floor(n * m_scale + 1e-7));
        return n > 0 ? std::max(1, v) : v;
    }
    DRect Box(double ax, double ay, const Rect& r) const {
        return {D(ax + r.left), D(ay + r.top), D(ax + r.left + r.width), D(ay + r.top + r.height)};
    }
    uint32_t Resolve(OleColour c) const {
        return m_runtime ? (m_runtime->ResolveColour(c) & 0xFFFFFF) : (IsSystemColour(c) ? 0 : c & 0xFFFFFF);
    }

    // A picture stretched into a rectangle of device pixels (bitmaps pixel by pixel, drawings
    // replayed as fills so they stay sharp).
    // A drawing may paint pictures that are drawings themselves; nesting deeper than any real
    // use is cut off rather than allowed to exhaust the stack.
    void PaintPicture(const Picture& p, double dx, double dy, double dw, double dh) {
        if (p.IsEmpty() || dw <= 0 || dh <= 0 || m_depth > 256) return;
        cairo_t* cr = m_cr;
        cairo_save(cr);
        cairo_rectangle(cr, dx, dy, dw, dh);
        cairo_clip(cr);
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
            cairo_surface_t* s = m_cache.Get(p);
            cairo_translate(cr, dx, dy);
            cairo_scale(cr, dw / p.PixelWidth(), dh / p.PixelHeight());
            cairo_set_source_surface(cr, s, 0, 0);
            cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
            cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
            cairo_paint(cr);
        }
        cairo_restore(cr);
    }

    // Drawing operations whose twips map to device pixels as x -> ox + x * fx.
    void PaintOps(const Drawing& drawing, double ox, double oy, double fx, double fy) {
        auto X = [&](double t) { return ox + std::floor(std::clamp(t * fx, -1e8, 1e8) + 1e-7); };
        auto Y = [&](double t) { return oy + std::floor(std::clamp(t * fy, -1e8, 1e8) + 1e-7); };
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
    void PaintDrawing(const Drawing& drawing, double ax, double ay) {
        PaintOps(drawing, D(ax), D(ay), TwipsToPixels(1, m_scale), TwipsToPixels(1, m_scale));
    }

    // A picture's natural size in device pixels (a drawing's size in twips rounded up).
    int NaturalWidth(const Picture& p) const {
        return p.DrawingContent() ? static_cast<int>(PixelsCovering(std::min(p.WidthTwips(), 1e9), m_scale))
                                  : P(p.PixelWidth());
    }
    int NaturalHeight(const Picture& p) const {
        return p.DrawingContent() ? static_cast<int>(PixelsCovering(std::min(p.HeightTwips(), 1e9), m_scale))
                                  : P(p.PixelHeight());
    }

    // A picture at its natural size with its top-left corner at a device pixel.
    void PaintNatural(const Picture& p, int x, int y) {
        PaintPicture(p, x, y, NaturalWidth(p), NaturalHeight(p));
    }

    // A surface (the form, or a control inside it) whose top-left corner is at (ax, ay) twips.
    void PaintSurface(const Surface& s, double ax, double ay, const DRect& box) {
        cairo_t* cr = m_cr;
        cairo_save(cr);
        cairo_rectangle(cr, box.x0, box.y0, box.Width(), box.Height());
        cairo_clip(cr);
        double cx0, cy0, cx1, cy1;
        cairo_clip_extents(cr, &cx0, &cy0, &cx1, &cy1);
        if (cx1 > cx0 && cy1 > cy0) {
            FillRect(cr, box, Resolve(s.BackColour()));
            if (!IsNoPicture(s.GetPicture())) PaintNatural(*s.GetPicture(), box.x0, box.y0);
            PaintDrawing(s.GetDrawing(), ax, ay);
            auto visibleHere = [&](const Element& e) {
                if (!e.Visible()) return false;
                DRect r = Box(ax, ay, e.Bounds());
                // Lines reach a pixel beyond their bounds' corner at most; one spare pixel each way.
                return r.x0 - 1 < cx1 && r.x1 + 1 > cx0 && r.y0 - 1 < cy1 && r.y1 + 1 > cy0;
            };
            if (const ElementGrid* grid = s.Grid()) {
                // Only the elements near what is being repainted: the clip in the surface's
                // twips, two device pixels wider each way than visibleHere allows for.
                const double perTwip = TwipsToPixels(1, m_scale), margin = 2 / perTwip;
                Rect area{cx0 / perTwip - ax - margin, cy0 / perTwip - ay - margin, (cx1 - cx0) / perTwip + 2 * margin,
                          (cy1 - cy0) / perTwip + 2 * margin};
                std::vector<Element*> near;
                grid->Query(area, near);
                for (int pass = 0; pass < 2; ++pass)
                    for (Element* e : near)
                        if (e->Windowed() == (pass == 1) && visibleHere(*e)) PaintElement(*e, ax, ay);
            } else {
                for (int pass = 0; pass < 2; ++pass) {
                    for (const auto& e : s.Elements()) {
                        if (e->Windowed() != (pass == 1) || !visibleHere(*e)) continue;
                        PaintElement(*e, ax, ay);
                    }
                }
            }
        }
        cairo_restore(cr);
    }

private:
    void PaintElement(const Element& e, double ax, double ay) {
        switch (e.Kind()) {
            case ElementKind::Line: PaintLine(static_cast<const Line&>(e), ax, ay); break;
            case ElementKind::Label: PaintLabel(static_cast<const Label&>(e), ax, ay); break;
            case ElementKind::Image: PaintImage(static_cast<const Image&>(e), ax, ay); break;
            case ElementKind::Shape: PaintShape(static_cast<const Shape&>(e), ax, ay); break;
            case ElementKind::PictureBox: PaintPictureBox(static_cast<const PictureBox&>(e), ax, ay); break;
            case ElementKind::PictureButton: PaintPictureButton(static_cast<const PictureButton&>(e), ax, ay); break;
            case ElementKind::ListBox: PaintListBox(static_cast<const ListBox&>(e), ax, ay); break;
            case ElementKind::Control: {
                const Surface& child = static_cast<const ControlElement&>(e).GetSurface();
                double cx = ax + child.Left(), cy = ay + child.Top();
                PaintSurface(child, cx, cy, Box(cx, cy, {0, 0, child.Width(), child.Height()}));
                break;
            }
            case ElementKind::MenuItem:
            case ElementKind::Timer: break;
        }
    }

    // Classic line drawing: the last point is left out, a pen of n pixels is centred on the
    // line, and horizontal and vertical lines fill whole pixels so they stay crisp.
    void PaintLine(const Line& l, double ax, double ay) {
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
            cairo_save(cr);
            cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
            cairo_set_line_width(cr, width);
            cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
            SetRgb(cr, rgb);
            double c = px / 2.0;
            cairo_move_to(cr, x1 + c, y1 + c);
            cairo_line_to(cr, x2 + c, y2 + c);
            cairo_stroke(cr);
            cairo_restore(cr);
        }
    }

    // Text laid out at scale 1 (as it was measured), drawn with its top-left corner at a device
    // pixel. Each glyph keeps its scale-1 position times the scale, so text takes exactly the
    // measured room at every scale, and is drawn from the same face loaded at the device size,
    // so it stays sharp. Underlines and strike lines are drawn here on whole pixels: pango's
    // own are fractions of a pixel thick and vanish or blur on an aliased frame.
    void ShowLayout(const TextLayout& text, int x, int y, uint32_t rgb) {
        PangoLayout* layout = text.layout;
        cairo_t* cr = m_cr;
        cairo_save(cr);
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
        SetRgb(cr, rgb);
        const double s = m_scale;
        auto units = [](int u) { return u / double(PANGO_SCALE); };
        std::vector<cairo_glyph_t> glyphs;
        // Lines follow each other at the font's own line height, as they were measured.
        const TextLine textLine = text.line;
        int lineIndex = -1;
        PangoLayoutLine* current = nullptr;
        PangoLayoutIter* it = pango_layout_get_iter(layout);
        do {
            PangoLayoutLine* layoutLine = pango_layout_iter_get_line_readonly(it);
            if (layoutLine != current) {
                current = layoutLine;
                ++lineIndex;
            }
            PangoLayoutRun* run = pango_layout_iter_get_run_readonly(it);
            if (!run) continue;
            PangoRectangle logical;
            pango_layout_iter_get_run_extents(it, nullptr, &logical);
            double baseline = lineIndex * textLine.height + textLine.ascent;
            PangoFont* font = run->item->analysis.font;
            const FaceInfo face = Face(font);
            const double devicePx = face.pixelSize * s;
            // A light bold face is emboldened wherever it is not drawn from a bold bitmap strike.
            const LightBoldFace* light = face.lightBold;
            if (light && s == 1.0 && std::abs(face.pixelSize - std::round(face.pixelSize)) < 0.01 &&
                light->BoldStrike(static_cast<int>(std::lround(face.pixelSize))))
                light = nullptr;
            cairo_scaled_font_t* device = s == 1.0 && !light
                                              ? pango_cairo_font_get_scaled_font(PANGO_CAIRO_FONT(font))
                                              : DeviceFont(font, face, light != nullptr);
            if (device && cairo_scaled_font_status(device) == CAIRO_STATUS_SUCCESS) {
                const bool aliased = s < 1.5;
                const double perUnit = light ? devicePx / light->unitsPerEm : 0;
                const double stroke = light ? light->stroke * perUnit : 0;
                glyphs.clear();
                int64_t advance = 0;  // a long run's advances pass 2^31 pango units
                for (int i = 0; i < run->glyphs->num_glyphs; ++i) {
                    const PangoGlyphInfo& g = run->glyphs->glyphs[i];
                    if (g.glyph != PANGO_GLYPH_EMPTY && !(g.glyph & PANGO_GLYPH_UNKNOWN_FLAG)) {
                        double gx = units(logical.x + advance + g.geometry.x_offset);
                        double gy = baseline + units(g.geometry.y_offset);
                        double dx = 0;  // centres an emboldened glyph in its bold advance
                        if (light && g.glyph < light->widening.size()) {
                            dx = (light->widening[g.glyph] * perUnit - stroke) / 2;
                            if (aliased) dx = std::round(dx);
                        }
                        glyphs.push_back({g.glyph, x + gx * s + dx, y + gy * s});
                    }
                    advance += g.geometry.width;
                }
                cairo_set_scaled_font(cr, device);
                // Emboldening strikes the glyphs over themselves across the stroke's extra width:
                // whole pixels on an aliased frame, steps of at most a pixel when anti-aliased.
                int passes = 0;
                double step = 0;
                if (light) {
                    if (aliased) {
                        passes = std::max(1, static_cast<int>(std::lround(stroke)));
                        step = 1;
                    } else {
                        passes = std::max(1, static_cast<int>(std::ceil(stroke)));
                        step = stroke / passes;
                    }
                }
                for (int pass = 0; pass <= passes; ++pass) {
                    if (pass > 0)
                        for (cairo_glyph_t& cg : glyphs) cg.x += step;
                    cairo_show_glyphs(cr, glyphs.data(), static_cast<int>(glyphs.size()));
                }
            }
            bool underline = false, strike = false;
            for (GSList* a = run->item->analysis.extra_attrs; a; a = a->next) {
                auto* attr = static_cast<PangoAttribute*>(a->data);
                if (attr->klass->type == PANGO_ATTR_UNDERLINE)
                    underline = reinterpret_cast<PangoAttrInt*>(attr)->value != PANGO_UNDERLINE_NONE;
                else if (attr->klass->type == PANGO_ATTR_STRIKETHROUGH)
                    strike = reinterpret_cast<PangoAttrInt*>(attr)->value != 0;
            }
            if (!underline && !strike) continue;
            PangoFontMetrics* m = pango_font_get_metrics(font, nullptr);
            auto px = [&](int u) { return std::round(units(u)); };
            double x0 = px(logical.x), x1 = px(logical.x + logical.width);
            auto line = [&](double top, double thick) {
                cairo_rectangle(cr, x + x0 * s, y + top * s, (x1 - x0) * s, thick * s);
            };
            if (underline)
                line(baseline + std::max(1.0, px(-pango_font_metrics_get_underline_position(m))),
                     std::max(1.0, px(pango_font_metrics_get_underline_thickness(m))));
            if (strike)
                line(baseline - std::max(1.0, px(pango_font_metrics_get_strikethrough_position(m))),
                     std::max(1.0, px(pango_font_metrics_get_strikethrough_thickness(m))));
            cairo_fill(cr);
            pango_font_metrics_unref(m);
        } while (pango_layout_iter_next_run(it));
        pango_layout_iter_free(it);
        cairo_restore(cr);
    }

    // The file and pixel size of a pango font, and whether it is a light bold face.
    struct FaceInfo {
        std::string file;
        double pixelSize = 0;
        const LightBoldFace* lightBold = nullptr;
    };
    static FaceInfo Face(PangoFont* font) {
        thread_local std::unordered_map<PangoFont*, FaceInfo> faces;
        auto it = faces.find(font);
        if (it != faces.end()) return it->second;
        FaceInfo info;
        FcPattern* pattern = pango_fc_font_get_pattern(PANGO_FC_FONT(font));
        if (FcPatternGetDouble(pattern, FC_PIXEL_SIZE, 0, &info.pixelSize) != FcResultMatch) {
            PangoFontDescription* d = pango_font_describe_with_absolute_size(font);
            info.pixelSize = pango_font_description_get_size(d) / double(PANGO_SCALE);
            pango_font_description_free(d);
        }
        FcChar8* file = nullptr;
        if (FcPatternGetString(pattern, FC_FILE, 0, &file) == FcResultMatch && file) {
            info.file = reinterpret_cast<const char*>(file);
            info.lightBold = FindLightBoldFace(info.file);
        }
        g_object_ref(font);  // keeps the key's font alive, so its address is never reused
        faces.emplace(font, info);
        return info;
    }

    // The face of a scale-1 font at the device size, grey anti-aliased on HiDPI frames. A face
    // to be emboldened is drawn from its outlines, never from its (light) bitmap strikes.
    cairo_scaled_font_t* DeviceFont(PangoFont* font, const FaceInfo& info, bool outlines) {
        struct Key {
            PangoFont* font;
            double scale;
            bool outlines;
            bool operator==(const Key&) const = default;
        };
        struct Hash {
            size_t operator()(const Key& k) const {
                return std::hash<void*>()(k.font) ^ std::hash<double>()(k.scale) ^ size_t(k.outlines);
            }
        };
        thread_local std::unordered_map<Key, cairo_scaled_font_t*, Hash> fonts;
        Key key{font, m_scale, outlines};
        auto it = fonts.find(key);
        if (it != fonts.end()) return it->second;
        FcPattern* pattern = FcPatternDuplicate(pango_fc_font_get_pattern(PANGO_FC_FONT(font)));
        if (outlines) {
            // cairo loads outlines only when the pattern asks for anti-aliasing without embedded
            // bitmaps; the font options below still render them aliased where they say so.
            FcPatternDel(pattern, FC_EMBEDDED_BITMAP);
            FcPatternAddBool(pattern, FC_EMBEDDED_BITMAP, FcFalse);
            FcPatternDel(pattern, FC_ANTIALIAS);
            FcPatternAddBool(pattern, FC_ANTIALIAS, FcTrue);
        }
        cairo_font_face_t* face = cairo_ft_font_face_create_for_pattern(pattern);
        FcPatternDestroy(pattern);
        cairo_matrix_t matrix, ctm;
        cairo_matrix_init_scale(&matrix, info.pixelSize * m_scale, info.pixelSize * m_scale);
        cairo_matrix_init_identity(&ctm);
        cairo_font_options_t* o = cairo_font_options_create();
        cairo_font_options_set_antialias(o, m_scale >= 1.5 ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
        cairo_font_options_set_hint_style(o, CAIRO_HINT_STYLE_FULL);
        cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_ON);
        cairo_scaled_font_t* scaled = cairo_scaled_font_create(face, &matrix, &ctm, o);
        cairo_font_options_destroy(o);
        cairo_font_face_destroy(face);
        g_object_ref(font);  // keeps the key's font alive, so its address is never reused
        fonts.emplace(key, scaled);
        return scaled;
    }

    void PaintLabel(const Label& l, double ax, double ay) {
        DRect r = Box(ax, ay, l.Bounds());
        if (r.Empty()) return;
        cairo_t* cr = m_cr;
        cairo_save(cr);
        cairo_rectangle(cr, r.x0, r.y0, r.Width(), r.Height());
        cairo_clip(cr);
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
        cairo_restore(cr);
    }

    void PaintImage(const Image& img, double ax, double ay) {
        if (IsNoPicture(img.GetPicture())) return;
        DRect r = Box(ax, ay, img.Bounds());
        if (r.Empty()) return;
        const Picture& p = *img.GetPicture();
        if (img.Stretch()) {
            PaintPicture(p, r.x0, r.y0, r.Width(), r.Height());
        } else {
            cairo_save(m_cr);
            cairo_rectangle(m_cr, r.x0, r.y0, r.Width(), r.Height());
            cairo_clip(m_cr);
            PaintNatural(p, r.x0, r.y0);
            cairo_restore(m_cr);
        }
    }

    // A rectangle shape; in invert mode its fill (or its outline) inverts what lies beneath.
    void PaintShape(const Shape& s, double ax, double ay) {
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
        cairo_save(cr);
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
        cairo_restore(cr);
    }

    // Two-pixel edges, classic style: outer then inner, top-left colour then bottom-right.
    void Edge(const DRect& r, uint32_t outerTL, uint32_t outerBR, uint32_t innerTL, uint32_t innerBR) {
        int px = P(1);
        auto frame = [&](const DRect& b, uint32_t tl, uint32_t br) {
            if (b.Empty()) return;
            FillRect(m_cr, {b.x0, b.y1 - px, b.x1, b.y1}, br);
            FillRect(m_cr, {b.x1 - px, b.y0, b.x1, b.y1}, br);
            FillRect(m_cr, {b.x0, b.y0, b.x1 - px, b.y0 + px}, tl);
            FillRect(m_cr, {b.x0, b.y0, b.x0 + px, b.y1 - px}, tl);
        };
        frame(r, outerTL, outerBR);
        frame({r.x0 + px, r.y0 + px, r.x1 - px, r.y1 - px}, innerTL, innerBR);
    }
    void Sunken(const DRect& r) {
        Edge(r, Resolve(SysColour::ButtonShadow), Resolve(SysColour::ButtonHighlight), Resolve(SysColour::DarkShadow),
             Resolve(SysColour::ButtonLight));
    }

    void PaintPictureBox(const PictureBox& b, double ax, double ay) {
        DRect r = Box(ax, ay, b.Bounds());
        if (r.Empty()) return;
        cairo_t* cr = m_cr;
        cairo_save(cr);
        cairo_rectangle(cr, r.x0, r.y0, r.Width(), r.Height());
        cairo_clip(cr);
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
        cairo_restore(cr);
    }

    // A picture drawn as a grey embossed silhouette of its dark parts, the classic look of a
    // disabled picture.
    void PaintGreyed(const Picture& p, int x, int y) {
        Frame img = RenderPicture(p, m_scale);
        if (img.width <= 0 || img.height <= 0) return;
        cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, img.width, img.height);
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
        cairo_surface_destroy(mask);
    }

    void PaintPictureButton(const PictureButton& b, double ax, double ay) {
        DRect r = Box(ax, ay, b.Bounds());
        if (r.Empty()) return;
        cairo_t* cr = m_cr;
        cairo_save(cr);
        cairo_rectangle(cr, r.x0, r.y0, r.Width(), r.Height());
        cairo_clip(cr);
        FillRect(cr, r, Resolve(SysColour::ButtonFace));
        bool pressed = b.Pressed() && b.Enabled();
        if (pressed)
            Edge(r, Resolve(SysColour::DarkShadow), Resolve(SysColour::ButtonHighlight), Resolve(SysColour::ButtonShadow),
                 Resolve(SysColour::ButtonLight));
        else
            Edge(r, Resolve(SysColour::ButtonHighlight), Resolve(SysColour::DarkShadow), Resolve(SysColour::ButtonLight),
                 Resolve(SysColour::ButtonShadow));
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
        cairo_restore(cr);
    }

    // The classic 13 x 13 check box: sunken edge, window-coloured inside, a 7 x 7 tick.
    void CheckBox(int x, int y, bool ticked) {
        DRect box{x, y, x + P(13), y + P(13)};
        FillRect(m_cr, box, Resolve(SysColour::Window));
        Sunken(box);
        if (!ticked) return;
        uint32_t rgb = Resolve(SysColour::WindowText);
        for (int col = 0; col < 7; ++col) {
            int top = col <= 2 ? 2 + col : 6 - col;
            int cx = x + P(3 + col), cy = y + P(3 + top);
            FillRect(m_cr, {cx, cy, cx + P(1), cy + P(3)}, rgb);
        }
    }

    void PaintListBox(const ListBox& lb, double ax, double ay) {
        DRect r = Box(ax, ay, lb.Bounds());
        if (r.Empty()) return;
        cairo_t* cr = m_cr;
        cairo_save(cr);
        cairo_rectangle(cr, r.x0, r.y0, r.Width(), r.Height());
        cairo_clip(cr);
        FillRect(cr, r, Resolve(SysColour::Window));
        const int edge = ListBox::kEdgePixels;
        DRect inner{r.x0 + P(edge), r.y0 + P(edge), r.x1 - P(edge), r.y1 - P(edge)};
        cairo_save(cr);
        cairo_rectangle(cr, inner.x0, inner.y0, inner.Width(), inner.Height());
        cairo_clip(cr);
        const auto& items = lb.Items();
        const std::vector<Rect> rows = lb.RowRects();
        for (size_t i = 0; i < rows.size(); ++i) {
            // Whole pixels at scale 1, from the box's inner corner.
            int row = static_cast<int>(TwipsToPixels(rows[i].top)) - edge;
            int rowHeight = static_cast<int>(TwipsToPixels(rows[i].height));
            int y = inner.y0 + P(row);
            if (y >= inner.y1) break;
            TextLayoutRef text = SharedTextLayout(ListBox::ListFont(), items[i].text, false);
            PangoRectangle logical{0, 0, text->width, text->Height()};  // the text's own line height, as measured
            CheckBox(inner.x0 + P(ListBox::kCheckLeftPixels), y + P((rowHeight - ListBox::kCheckSizePixels) / 2),
                     items[i].checked);
            int tx = inner.x0 + P(ListBox::kTextLeftPixels), ty = y + P((rowHeight - logical.height) / 2);
            uint32_t fore = Resolve(SysColour::WindowText);
            if (static_cast<int>(i) == lb.ListIndex()) {
                FillRect(cr, {tx - P(1), y + P(1), std::min(inner.x1, tx + P(logical.width + 2)), y + P(rowHeight - 1)},
                         Resolve(SysColour::SelectionHighlight));
                fore = Resolve(SysColour::SelectionText);
            }
            ShowLayout(*text, tx, ty, fore);
        }
        cairo_restore(cr);
        Sunken(r);
        cairo_restore(cr);
    }

    cairo_t* m_cr;
    int m_depth = 0;
    double m_scale;
    Runtime* m_runtime;
    BitmapCache& m_cache;
};

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
    Runtime& runtime;
    Form& form;
    Frame image;
    cairo_surface_t* surface = nullptr;
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

    Impl(Runtime& r, Form& f) : runtime(r), form(f) {}
    ~Impl() {
        if (surface) cairo_surface_destroy(surface);
    }

    // Makes the frame the form's current size; true when it had to be (re)made.
    bool Fit(double scale) {
        double w = PixelsCovering(form.Width(), scale), h = PixelsCovering(form.Height(), scale);
        CheckFrameSize(w, h, "the form");
        int iw = std::max(1, static_cast<int>(w)), ih = std::max(1, static_cast<int>(h));
        if (surface && iw == image.width && ih == image.height) return false;
        if (surface) cairo_surface_destroy(surface);
        image.width = iw;
        image.height = ih;
        image.stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, iw);
        image.data.assign(static_cast<size_t>(image.stride) * ih, 0);
        surface = cairo_image_surface_create_for_data(image.data.data(), CAIRO_FORMAT_ARGB32, iw, ih, image.stride);
        return true;
    }

    void Paint(double scale, const std::vector<DRect>* clip) {
        cairo_t* cr = cairo_create(surface);
        if (clip) {
            for (const DRect& r : *clip) cairo_rectangle(cr, r.x0, r.y0, r.Width(), r.Height());
            cairo_clip(cr);
        }
        Painter painter(cr, scale, &runtime, cache);
        painter.PaintSurface(form, 0, 0, {0, 0, image.width, image.height});
        cairo_destroy(cr);
        cairo_surface_flush(surface);
        cache.EndFrame();
    }
};

FormRenderer::FormRenderer(Runtime& runtime, Form& form, double scale)
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
    // so that overlapping ones are painted and counted once.
    cairo_region_t* region = cairo_region_create();
    for (const Rect& d : dirty) {
        if (!(d.width > 0 && d.height > 0) || !std::isfinite(d.left) || !std::isfinite(d.top)) continue;
        auto lo = [&](double t) { return PixelHolding(t, m_scale) - 1.0; };
        auto hi = [&](double t) { return PixelsCovering(std::clamp(t, -1e9, 1e9), m_scale) + 1; };
        double x0 = std::max(0.0, lo(d.left)), y0 = std::max(0.0, lo(d.top));
        double x1 = std::min<double>(im.image.width, hi(d.left + d.width));
        double y1 = std::min<double>(im.image.height, hi(d.top + d.height));
        if (x1 <= x0 || y1 <= y0) continue;
        cairo_rectangle_int_t rect{int(x0), int(y0), int(x1 - x0), int(y1 - y0)};
        cairo_region_union_rectangle(region, &rect);
    }
    std::vector<DRect> clip;
    m_lastArea.clear();
    int64_t pixels = 0;
    for (int i = 0, n = cairo_region_num_rectangles(region); i < n; ++i) {
        cairo_rectangle_int_t rect;
        cairo_region_get_rectangle(region, i, &rect);
        clip.push_back({rect.x, rect.y, rect.x + rect.width, rect.y + rect.height});
        m_lastArea.push_back({rect.x, rect.y, rect.width, rect.height});
        pixels += static_cast<int64_t>(rect.width) * rect.height;
    }
    cairo_region_destroy(region);
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
                                        : std::floor(picture.PixelWidth() * scale + 1e-7);
    double h = picture.DrawingContent() ? PixelsCovering(picture.HeightTwips(), scale)
                                        : std::floor(picture.PixelHeight() * scale + 1e-7);
    CheckFrameSize(w, h, "the picture");
    img.width = std::max(1, static_cast<int>(w));
    img.height = std::max(1, static_cast<int>(h));
    img.stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, img.width);
    img.data.assign(static_cast<size_t>(img.stride) * img.height, 0);
    cairo_surface_t* s =
        cairo_image_surface_create_for_data(img.data.data(), CAIRO_FORMAT_ARGB32, img.width, img.height, img.stride);
    cairo_t* cr = cairo_create(s);
    Painter painter(cr, scale, nullptr, cache);
    painter.PaintNatural(picture, 0, 0);
    cairo_destroy(cr);
    cairo_surface_flush(s);
    cairo_surface_destroy(s);
    return img;
}

void WritePng(const Frame& image, const std::string& path) {
    if (image.width <= 0 || image.height <= 0) throw HostError(ErrorNumber::InvalidCall, "Invalid procedure call or argument");
    cairo_surface_t* s = cairo_image_surface_create_for_data(const_cast<unsigned char*>(image.data.data()),
                                                             CAIRO_FORMAT_ARGB32, image.width, image.height,
                                                             image.stride);
    std::string bytes;
    cairo_status_t status = cairo_surface_write_to_png_stream(
        s,
        [](void* closure, const unsigned char* data, unsigned int n) {
            static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), n);
            return CAIRO_STATUS_SUCCESS;
        },
        &bytes);
    cairo_surface_destroy(s);
    if (status != CAIRO_STATUS_SUCCESS) throw HostError(7, "Out of memory");
    try {
        WriteFileAtomically(path, bytes);
    } catch (const FileWriteError& e) {
        throw HostError(75, std::string("Path/File access error (") + e.what() + ")");
    }
}

}  // namespace stolvane
