// SPDX-License-Identifier: MIT
// Text drawing for the renderer: pango's glyph runs shown through cairo at the device scale,
// the fonts loaded at the device size, the synthetic bold of light bold faces, and underlines
// and strike lines on whole pixels.

#include <cairo-ft.h>
#include <cairo.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-font.h>

#include <algorithm>
#include <array>
#include <memory>
#include <cmath>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/cairo_owners.h"
#include "host/fonts.h"
#include "host/render_internal.h"
#include "host/text_layouts.h"

namespace stolvane::paint {

namespace {

// The file and pixel size of a pango font, and whether it is a light bold face.
struct FaceInfo {
    std::string file;
    double pixelSize = 0;
    const LightBoldFace* lightBold = nullptr;
};

FaceInfo Face(PangoFont* font) {
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
cairo_scaled_font_t* DeviceFont(PangoFont* font, const FaceInfo& info, bool outlines, double scale) {
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
    Key key{font, scale, outlines};
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
    cairo_matrix_init_scale(&matrix, info.pixelSize * scale, info.pixelSize * scale);
    cairo_matrix_init_identity(&ctm);
    cairo_font_options_t* o = cairo_font_options_create();
    cairo_font_options_set_antialias(o, scale >= 1.5 ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
    cairo_font_options_set_hint_style(o, CAIRO_HINT_STYLE_FULL);
    cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_ON);
    cairo_scaled_font_t* scaled = cairo_scaled_font_create(face, &matrix, &ctm, o);
    cairo_font_options_destroy(o);
    cairo_font_face_destroy(face);
    g_object_ref(font);  // keeps the key's font alive, so its address is never reused
    fonts.emplace(key, scaled);
    return scaled;
}

}  // namespace

namespace {

// A layout's glyphs made ready for drawing at one scale, relative to the layout's top-left
// corner: per run, the device font, the glyphs (drawn once, and again for each emboldening
// pass moved by step) and the underline and strike rectangles.
struct DrawnRun {
    cairo_scaled_font_t* font = nullptr;  // null: the run draws no glyphs
    std::vector<cairo_glyph_t> glyphs;    // x: the glyph's place times the scale; y likewise
    std::vector<double> nudge;            // per glyph, added after x (the emboldened glyph's centring)
    int passes = 0;
    double step = 0;
    std::vector<std::array<double, 4>> lines;  // x, y, width, height
};
struct DrawnLayout {
    std::vector<DrawnRun> runs;
    // On an aliased frame, the glyphs of all runs as one mask (each pixel fully covered or not
    // at all) with its top-left corner at (maskX, maskY) from the layout's; null when the
    // glyphs are not all aliased, or the mask would be too large to keep.
    // Made when the layout is drawn a second time (a repaint, a colour change): a layout drawn
    // once, as most of a large form's are, is shown glyph by glyph without one.
    mutable cairo_surface_t* mask = nullptr;
    mutable int maskX = 0, maskY = 0;
    mutable int draws = 0;
    // The mask's covered pixels as runs along its rows: row, first column, column past the last.
    mutable std::vector<std::array<int, 3>> spans;
    DrawnLayout() = default;
    DrawnLayout(const DrawnLayout&) = delete;
    DrawnLayout& operator=(const DrawnLayout&) = delete;
    ~DrawnLayout() {
        if (mask) cairo_surface_destroy(mask);
    }
};

// Shows a run's glyphs with the layout's top-left corner at (x, y), once and again for each
// emboldening pass.
void ShowRun(cairo_t* cr, const DrawnRun& run, double x, double y) {
    thread_local std::vector<cairo_glyph_t> glyphs;
    glyphs.resize(run.glyphs.size());
    for (size_t i = 0; i < glyphs.size(); ++i)
        glyphs[i] = {run.glyphs[i].index, x + run.glyphs[i].x + run.nudge[i], y + run.glyphs[i].y};
    cairo_set_scaled_font(cr, run.font);
    for (int pass = 0; pass <= run.passes; ++pass) {
        if (pass > 0)
            for (cairo_glyph_t& cg : glyphs) cg.x += run.step;
        cairo_show_glyphs(cr, glyphs.data(), static_cast<int>(glyphs.size()));
    }
}

// The mask of an aliased layout's glyphs. Every glyph pixel is then painted fully in the text's
// colour, so compositing the mask in that colour paints exactly the pixels showing the glyphs
// does, in one call instead of a glyph look-up and a composite per glyph. The mask is kept only
// when it holds no partly covered pixel (a font drawn anti-aliased after all is shown glyph by
// glyph). The glyphs are drawn into it moved by whole pixels, so each lands on the pixel it
// lands on in the frame, moved by as much (see ShowLayout for where that holds).
void MakeMask(const DrawnLayout& d) {
    double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
    bool any = false;
    for (const DrawnRun& run : d.runs) {
        if (!run.font || run.glyphs.empty()) continue;
        for (size_t i = 0; i < run.glyphs.size(); ++i) {
            const double gx = run.glyphs[i].x + run.nudge[i], gy = run.glyphs[i].y;
            x0 = std::min(x0, gx), y0 = std::min(y0, gy);
            x1 = std::max(x1, gx + run.passes * run.step), y1 = std::max(y1, gy);
        }
        std::vector<cairo_glyph_t> glyphs;
        for (size_t i = 0; i < run.glyphs.size(); ++i)
            glyphs.push_back({run.glyphs[i].index, run.glyphs[i].x + run.nudge[i], run.glyphs[i].y});
        for (int pass = 0; pass <= run.passes; ++pass) {
            cairo_text_extents_t e;
            cairo_scaled_font_glyph_extents(run.font, glyphs.data(), static_cast<int>(glyphs.size()), &e);
            if (e.width > 0 && e.height > 0) {
                x0 = std::min(x0, e.x_bearing), y0 = std::min(y0, e.y_bearing);
                x1 = std::max(x1, e.x_bearing + e.width), y1 = std::max(y1, e.y_bearing + e.height);
            }
            for (cairo_glyph_t& g : glyphs) g.x += run.step;
        }
        any = true;
    }
    if (!any || !(x1 - x0 < 1e5 && y1 - y0 < 1e5)) return;
    // Drawn with a wide margin (the extents cairo reports leave out pixels of some aliased
    // glyphs), then cut to the pixels the glyphs cover; a glyph reaching the margin's outer
    // edge might have been cut, and the layout is then shown glyph by glyph.
    constexpr int kMargin = 16;
    const int left = static_cast<int>(std::floor(x0)) - kMargin, top = static_cast<int>(std::floor(y0)) - kMargin;
    const int w = static_cast<int>(std::ceil(x1)) + kMargin - left, h = static_cast<int>(std::ceil(y1)) + kMargin - top;
    if (w <= 0 || h <= 0 || static_cast<int64_t>(w) * h > (int64_t{1} << 20)) return;
    CairoSurface scratch(cairo_image_surface_create(CAIRO_FORMAT_A8, w, h));
    cairo_t* cr = cairo_create(scratch.get());
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_source_rgb(cr, 0, 0, 0);
    for (const DrawnRun& run : d.runs)
        if (run.font && !run.glyphs.empty()) ShowRun(cr, run, -left, -top);
    const bool drawn = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(cr);
    cairo_surface_flush(scratch.get());
    if (!drawn || cairo_surface_status(scratch.get()) != CAIRO_STATUS_SUCCESS) return;
    const unsigned char* data = cairo_image_surface_get_data(scratch.get());
    const int stride = cairo_image_surface_get_stride(scratch.get());
    int ix0 = w, iy0 = h, ix1 = 0, iy1 = 0;  // the covered pixels' box
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const unsigned char a = data[static_cast<size_t>(y) * stride + x];
            if (a == 0) continue;
            if (a != 255) return;  // partly covered: not aliased after all
            ix0 = std::min(ix0, x), iy0 = std::min(iy0, y), ix1 = std::max(ix1, x + 1), iy1 = std::max(iy1, y + 1);
        }
    }
    if (ix1 <= ix0 || iy1 <= iy0) return;              // nothing drawn
    if (ix0 == 0 || iy0 == 0 || ix1 == w || iy1 == h) return;  // may reach past the margin
    cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, ix1 - ix0, iy1 - iy0);
    cairo_surface_flush(mask);
    unsigned char* out = cairo_image_surface_get_data(mask);
    const int outStride = cairo_image_surface_get_stride(mask);
    for (int y = iy0; y < iy1; ++y)
        std::memcpy(out + static_cast<size_t>(y - iy0) * outStride, data + static_cast<size_t>(y) * stride + ix0,
                    static_cast<size_t>(ix1 - ix0));
    cairo_surface_mark_dirty(mask);
    d.spans.clear();
    for (int y = 0; y < iy1 - iy0; ++y) {
        const unsigned char* row = out + static_cast<size_t>(y) * outStride;
        for (int x = 0; x < ix1 - ix0;) {
            if (!row[x]) {
                ++x;
                continue;
            }
            int end = x;
            while (end < ix1 - ix0 && row[end]) ++end;
            d.spans.push_back({y, x, end});
            x = end;
        }
    }
    d.mask = mask;
    d.maskX = left + ix0;
    d.maskY = top + iy0;
}

// Each glyph keeps its scale-1 position times the scale, so text takes exactly the measured
// room at every scale, and is drawn from the same face loaded at the device size, so it stays
// sharp. Underlines and strike lines are placed on whole pixels: pango's own are fractions of
// a pixel thick and vanish or blur on an aliased frame.
std::shared_ptr<const DrawnLayout> Prepare(const TextLayout& text, double s) {
    auto drawn = std::make_shared<DrawnLayout>();
    auto units = [](int u) { return u / double(PANGO_SCALE); };
    // Lines follow each other at the font's own line height, as they were measured.
    const TextLine textLine = text.line;
    int lineIndex = -1;
    PangoLayoutLine* current = nullptr;
    PangoLayoutIter* it = pango_layout_get_iter(text.layout);
    do {
        PangoLayoutLine* layoutLine = pango_layout_iter_get_line_readonly(it);
        if (layoutLine != current) {
            current = layoutLine;
            ++lineIndex;
        }
        PangoLayoutRun* run = pango_layout_iter_get_run_readonly(it);
        if (!run) continue;
        DrawnRun out;
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
                                          : DeviceFont(font, face, light != nullptr, s);
        if (device && cairo_scaled_font_status(device) == CAIRO_STATUS_SUCCESS) {
            // The layout keeps its fonts, and with them pango's scaled fonts, while it lives;
            // the device fonts are kept for good.
            out.font = device;
            const bool aliased = s < 1.5;
            const double perUnit = light ? devicePx / light->unitsPerEm : 0;
            const double stroke = light ? light->stroke * perUnit : 0;
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
                    out.glyphs.push_back({g.glyph, gx * s, gy * s});
                    out.nudge.push_back(dx);
                }
                advance += g.geometry.width;
            }
            // Emboldening strikes the glyphs over themselves across the stroke's extra width:
            // whole pixels on an aliased frame, steps of at most a pixel when anti-aliased.
            if (light) {
                if (aliased) {
                    out.passes = std::max(1, static_cast<int>(std::lround(stroke)));
                    out.step = 1;
                } else {
                    out.passes = std::max(1, static_cast<int>(std::ceil(stroke)));
                    out.step = stroke / out.passes;
                }
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
        if (underline || strike) {
            PangoFontMetrics* m = pango_font_get_metrics(font, nullptr);
            auto px = [&](int u) { return std::round(units(u)); };
            double x0 = px(logical.x), x1 = px(logical.x + logical.width);
            auto line = [&](double top, double thick) { out.lines.push_back({x0 * s, top * s, (x1 - x0) * s, thick * s}); };
            if (underline)
                line(baseline + std::max(1.0, px(-pango_font_metrics_get_underline_position(m))),
                     std::max(1.0, px(pango_font_metrics_get_underline_thickness(m))));
            if (strike)
                line(baseline - std::max(1.0, px(pango_font_metrics_get_strikethrough_position(m))),
                     std::max(1.0, px(pango_font_metrics_get_strikethrough_thickness(m))));
            pango_font_metrics_unref(m);
        }
        if (!out.font && out.lines.empty()) continue;
        // On an aliased frame a run in the font of the run before it (the text on either side
        // of an access key) is drawn in the same call: every glyph and line pixel is painted
        // fully in one colour, so neither the grouping nor the order changes a pixel.
        DrawnRun* last = drawn->runs.empty() ? nullptr : &drawn->runs.back();
        if (last && s < 1.5 && last->font && last->font == out.font && last->passes == 0 && out.passes == 0) {
            last->glyphs.insert(last->glyphs.end(), out.glyphs.begin(), out.glyphs.end());
            last->nudge.insert(last->nudge.end(), out.nudge.begin(), out.nudge.end());
            last->lines.insert(last->lines.end(), out.lines.begin(), out.lines.end());
        } else {
            drawn->runs.push_back(std::move(out));
        }
    } while (pango_layout_iter_next_run(it));
    pango_layout_iter_free(it);
    return drawn;
}

// Writes the mask's covered pixels in an opaque colour straight into the frame, through the
// clip, when the context draws on an ARGB32 image without a transformation and its clip is
// whole-pixel rectangles: what compositing the mask gives there (a fully covered pixel takes
// the colour, the others stay), without cairo's and pixman's set-up for a composite. False,
// having drawn nothing, where it cannot.
bool WriteSpans(cairo_t* cr, const DrawnLayout& d, int ox, int oy, uint32_t rgb) {
    cairo_surface_t* target = cairo_get_target(cr);
    if (cairo_get_group_target(cr) != target || cairo_surface_get_type(target) != CAIRO_SURFACE_TYPE_IMAGE ||
        cairo_image_surface_get_format(target) != CAIRO_FORMAT_ARGB32)
        return false;
    const cairo_operator_t op = cairo_get_operator(cr);
    if (op != CAIRO_OPERATOR_OVER && op != CAIRO_OPERATOR_SOURCE) return false;
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    double dx = 0, dy = 0;
    cairo_surface_get_device_offset(target, &dx, &dy);
    if (m.xx != 1 || m.yx != 0 || m.xy != 0 || m.yy != 1 || m.x0 != 0 || m.y0 != 0 || dx != 0 || dy != 0)
        return false;
    cairo_rectangle_list_t* clip = cairo_copy_clip_rectangle_list(cr);
    struct Release {
        cairo_rectangle_list_t* list;
        ~Release() { cairo_rectangle_list_destroy(list); }
    } release{clip};
    if (clip->status != CAIRO_STATUS_SUCCESS) return false;
    const int width = cairo_image_surface_get_width(target), height = cairo_image_surface_get_height(target);
    thread_local std::vector<std::array<int, 4>> boxes;  // x0, y0, x1, y1 within the frame
    boxes.clear();
    for (int i = 0; i < clip->num_rectangles; ++i) {
        const cairo_rectangle_t& r = clip->rectangles[i];
        if (r.x != std::floor(r.x) || r.y != std::floor(r.y) || r.width != std::floor(r.width) ||
            r.height != std::floor(r.height))
            return false;
        const int x0 = std::max(0, static_cast<int>(r.x)), y0 = std::max(0, static_cast<int>(r.y));
        const int x1 = std::min(width, static_cast<int>(r.x + r.width)), y1 = std::min(height, static_cast<int>(r.y + r.height));
        if (x1 > x0 && y1 > y0) boxes.push_back({x0, y0, x1, y1});
    }
    cairo_surface_flush(target);
    unsigned char* data = cairo_image_surface_get_data(target);
    const int stride = cairo_image_surface_get_stride(target);
    const uint32_t pixel = 0xFF000000u | static_cast<uint32_t>(RedOf(rgb)) << 16 |
                           static_cast<uint32_t>(GreenOf(rgb)) << 8 | static_cast<uint32_t>(BlueOf(rgb));
    int bx0 = width, by0 = height, bx1 = 0, by1 = 0;  // what was written
    // The usual case, a clip box holding all of the mask: every run is written whole.
    const int mw = cairo_image_surface_get_width(d.mask), mh = cairo_image_surface_get_height(d.mask);
    if (boxes.size() == 1 && boxes[0][0] <= ox && boxes[0][1] <= oy && boxes[0][2] >= ox + mw && boxes[0][3] >= oy + mh) {
        for (const auto& [row, first, past] : d.spans) {
            uint32_t* line = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(oy + row) * stride) + ox;
            for (int x = first; x < past; ++x) line[x] = pixel;
        }
        if (!d.spans.empty()) cairo_surface_mark_dirty_rectangle(target, ox, oy, mw, mh);
        return true;
    }
    for (const auto& b : boxes) {
        for (const auto& [row, first, past] : d.spans) {
            const int y = oy + row;
            if (y < b[1] || y >= b[3]) continue;
            const int x0 = std::max(b[0], ox + first), x1 = std::min(b[2], ox + past);
            if (x1 <= x0) continue;
            auto* line = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride);
            std::fill(line + x0, line + x1, pixel);
            bx0 = std::min(bx0, x0), by0 = std::min(by0, y), bx1 = std::max(bx1, x1), by1 = std::max(by1, y + 1);
        }
    }
    if (bx1 > bx0) cairo_surface_mark_dirty_rectangle(target, bx0, by0, bx1 - bx0, by1 - by0);
    return true;
}

}  // namespace

// Text laid out at scale 1 (as it was measured), drawn with its top-left corner at a device
// pixel, from the glyphs the layout keeps ready for the scale.
void Painter::ShowLayout(const TextLayout& text, int x, int y, uint32_t rgb) {
    if (!text.drawn || text.drawnScale != m_scale) {
        text.drawn = Prepare(text, m_scale);
        text.drawnScale = m_scale;
    }
    const auto& drawn = *static_cast<const DrawnLayout*>(text.drawn.get());
    if (drawn.runs.empty()) return;
    if (drawn.draws < 2 && ++drawn.draws == 2 && m_scale < 1.5) MakeMask(drawn);
    // The painters set their colour before they paint; only the antialiasing is given back.
    cairo_t* cr = m_cr;
    const cairo_antialias_t antialias = cairo_get_antialias(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    SetRgb(cr, rgb);
    // The mask where its corner lies on the frame: glyph positions there and in the mask are
    // then both positive and differ by whole pixels, so a glyph's position rounds to the same
    // pixel, moved by as much, either way.
    const bool masked = drawn.mask && x + drawn.maskX >= 0 && y + drawn.maskY >= 0;
    if (masked && !WriteSpans(cr, drawn, x + drawn.maskX, y + drawn.maskY, rgb))
        cairo_mask_surface(cr, drawn.mask, x + drawn.maskX, y + drawn.maskY);
    for (const DrawnRun& run : drawn.runs) {
        if (run.font && !masked) ShowRun(cr, run, x, y);
        if (run.lines.empty()) continue;
        for (const auto& l : run.lines) cairo_rectangle(cr, x + l[0], y + l[1], l[2], l[3]);
        cairo_fill(cr);
    }
    cairo_set_antialias(cr, antialias);
}

}  // namespace stolvane::paint
