// Fonts through fontconfig and pango, text measurement, and picture files through gdk-pixbuf.

#include "host/media.h"

#include <fontconfig/fontconfig.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sys/stat.h>

#include "core/units.h"
#include "host/render.h"

namespace stolvane {

namespace {

constexpr const char* kWineFonts = "/usr/share/wine/fonts";

// Families the classic forms name, and the face that draws each. MS Sans Serif in fonts-wine is
// a bitmap-only face that pango cannot space correctly (and that Debian's fontconfig rejects),
// so it is drawn with Tahoma from the same package, its outline successor; Arial is drawn with
// the metric-compatible Liberation Sans.
struct FamilyMap {
    const char* name;
    const char* family;
    bool bold;
};
constexpr FamilyMap kFamilies[] = {
    {"arial", "Liberation Sans", false},
    {"ms sans serif", "Tahoma", false},
    {"microsoft sans serif", "Tahoma", false},
    {"ms shell dlg", "Tahoma", false},
    {"ms shell dlg 2", "Tahoma", false},
    {"tahoma bold", "Tahoma", true},
    {"times new roman", "Liberation Serif", false},
    {"courier new", "Liberation Mono", false},
};

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Valid UTF-8 as it is; anything else is taken as Windows-1252, as classic captions were.
std::string ToUtf8(const std::string& text) {
    if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) return text;
    gsize written = 0;
    gchar* out = g_convert(text.data(), static_cast<gssize>(text.size()), "UTF-8", "WINDOWS-1252", nullptr,
                           &written, nullptr);
    if (!out) out = g_convert(text.data(), static_cast<gssize>(text.size()), "UTF-8", "ISO-8859-1", nullptr,
                              &written, nullptr);
    if (!out) return std::string();
    std::string s(out, written);
    g_free(out);
    return s;
}

std::string Escape(const std::string& text) {
    gchar* e = g_markup_escape_text(text.data(), static_cast<gssize>(text.size()));
    std::string s(e);
    g_free(e);
    return s;
}

// Caption text to pango markup with '_' as the access-key marker: "&X" marks X, "&&" is a
// literal "&", a lone "&" at the end shows nothing; '_' itself is doubled.
std::string CaptionMarkup(const std::string& text, bool accessKeys) {
    if (!accessKeys) {
        std::string out;
        for (char c : Escape(text)) {
            out += c;
            if (c == '_') out += '_';
        }
        return out;
    }
    std::string plain;  // text between markers, escaped in one go
    std::string out;
    auto flush = [&] {
        for (char c : Escape(plain)) {
            out += c;
            if (c == '_') out += '_';
        }
        plain.clear();
    };
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            plain += text[i];
            continue;
        }
        if (i + 1 >= text.size()) break;
        if (text[i + 1] == '&') {
            plain += '&';
            ++i;
            continue;
        }
        flush();
        out += '_';
    }
    flush();
    return out;
}

// The one pango context all text is laid out in (pango's font map is per thread, so one per
// thread): 96 dpi, metrics hinted to whole pixels, full hinting and aliased glyphs, which is
// the crisp classic look at scale 1 and stays sharp when the renderer scales it up.
PangoContext* TextContext() {
    InitFonts();
    thread_local PangoContext* ctx = nullptr;
    if (ctx) return ctx;
    ctx = pango_font_map_create_context(pango_cairo_font_map_get_default());
    pango_cairo_context_set_resolution(ctx, 96.0);
    cairo_font_options_t* o = cairo_font_options_create();
    cairo_font_options_set_antialias(o, CAIRO_ANTIALIAS_NONE);
    cairo_font_options_set_hint_style(o, CAIRO_HINT_STYLE_FULL);
    cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_ON);
    pango_cairo_context_set_font_options(ctx, o);
    cairo_font_options_destroy(o);
    pango_context_set_round_glyph_positions(ctx, TRUE);
    return ctx;
}

PangoFontDescription* NewFontDescription(const Font& font) {
    std::string family = font.name.empty() ? std::string("MS Sans Serif") : font.name;
    int weight = font.weight > 0 ? font.weight : 400;
    if (font.bold) weight = std::max(weight, 700);
    std::string key = Lower(family);
    for (const FamilyMap& m : kFamilies) {
        if (key == m.name) {
            family = m.family;
            if (m.bold) weight = std::max(weight, 700);
            break;
        }
    }
    // A family list separator in a name would make pango read several families.
    std::replace(family.begin(), family.end(), ',', ' ');
    PangoFontDescription* d = pango_font_description_new();
    pango_font_description_set_family(d, family.c_str());
    double size = std::isfinite(font.size) && font.size > 0 ? std::min(font.size, 2048.0) : 8.25;
    pango_font_description_set_size(d, static_cast<gint>(std::lround(size * PANGO_SCALE)));
    pango_font_description_set_weight(d, static_cast<PangoWeight>(std::clamp(weight, 100, 1000)));
    pango_font_description_set_style(d, font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    return d;
}

[[noreturn]] void InvalidPicture() { throw HostError(ErrorNumber::InvalidPicture, "Invalid picture"); }

// The formats a picture may have, by their first bytes; anything else (SVG, TIFF, ...) is not a
// picture here, whatever loaders gdk-pixbuf happens to have.
const char* SniffFormat(const std::string& b) {
    auto starts = [&](const char* magic, size_t n) { return b.size() >= n && std::memcmp(b.data(), magic, n) == 0; };
    if (starts("\x89PNG\r\n\x1a\n", 8)) return "png";
    if (starts("\xFF\xD8\xFF", 3)) return "jpeg";
    if (starts("GIF87a", 6) || starts("GIF89a", 6)) return "gif";
    if (starts("BM", 2)) return "bmp";
    if (starts("\0\0\1\0", 4) || starts("\0\0\2\0", 4)) return "ico";
    return nullptr;
}

// Pictures larger than this are refused rather than allocated.
constexpr int64_t kMaxPixels = int64_t(1) << 26;
constexpr int kMaxSide = 32767;

void OnSizePrepared(GdkPixbufLoader* loader, gint width, gint height, gpointer refused) {
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
        static_cast<int64_t>(width) * height > kMaxPixels) {
        *static_cast<bool*>(refused) = true;
        gdk_pixbuf_loader_set_size(loader, 1, 1);  // keeps the decoder from allocating the image
    }
}

PictureRef FromPixbuf(GdkPixbuf* pb, const std::string& source) {
    int w = gdk_pixbuf_get_width(pb), h = gdk_pixbuf_get_height(pb);
    int channels = gdk_pixbuf_get_n_channels(pb), stride = gdk_pixbuf_get_rowstride(pb);
    bool alpha = gdk_pixbuf_get_has_alpha(pb);
    if (gdk_pixbuf_get_bits_per_sample(pb) != 8 || channels < (alpha ? 4 : 3)) InvalidPicture();
    const guchar* px = gdk_pixbuf_read_pixels(pb);
    std::vector<uint32_t> argb(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        const guchar* row = px + static_cast<size_t>(y) * stride;
        for (int x = 0; x < w; ++x) {
            const guchar* p = row + static_cast<size_t>(x) * channels;
            uint32_t a = alpha ? p[3] : 0xFF;
            argb[static_cast<size_t>(y) * w + x] = (a << 24) | (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
        }
    }
    return Picture::FromPixels(w, h, std::move(argb), source);
}

cairo_status_t AppendToString(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

void InitFonts() {
    static std::once_flag once;
    std::call_once(once, [] {
        FcInit();
        FcConfigAppFontAddDir(FcConfigGetCurrent(), reinterpret_cast<const FcChar8*>(kWineFonts));
    });
}

PangoLayout* NewTextLayout(const Font& font, const std::string& text, bool accessKeys) {
    PangoLayout* layout = pango_layout_new(TextContext());
    PangoFontDescription* d = NewFontDescription(font);
    pango_layout_set_font_description(layout, d);
    pango_font_description_free(d);
    // Classic text has no ligatures: "fi" stays two letters, as it was measured and drawn.
    std::string open = "<span font_features=\"liga=0, clig=0\"";
    if (font.underline) open += " underline=\"single\"";
    if (font.strikethrough) open += " strikethrough=\"true\"";
    std::string markup = open + ">" + CaptionMarkup(ToUtf8(text), accessKeys) + "</span>";
    pango_layout_set_markup_with_accel(layout, markup.c_str(), -1, '_', nullptr);
    return layout;
}

Rect MeasureTextTwips(const Font& font, const std::string& text, double wrapWidth) {
    PangoLayout* layout = NewTextLayout(font, text, true);
    if (wrapWidth > 0 && std::isfinite(wrapWidth)) {
        double px = PixelHolding(std::min(wrapWidth, 1e7));
        pango_layout_set_width(layout, static_cast<int>(std::max(1.0, px)) * PANGO_SCALE);
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    }
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout, nullptr, &logical);
    g_object_unref(layout);
    // An empty layout is still one line high; its width is zero.
    return {0, 0, PixelsToTwips(std::max(0, logical.width)), PixelsToTwips(std::max(0, logical.height))};
}

PictureRef DecodePicture(const std::string& bytes, const std::string& source) {
    const char* format = SniffFormat(bytes);
    if (!format) InvalidPicture();
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type(format, nullptr);
    if (!loader) InvalidPicture();
    bool refused = false;
    g_signal_connect(loader, "size-prepared", G_CALLBACK(OnSizePrepared), &refused);
    gboolean ok = gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(bytes.data()), bytes.size(), nullptr);
    ok = gdk_pixbuf_loader_close(loader, nullptr) && ok;
    GdkPixbuf* pb = gdk_pixbuf_loader_get_pixbuf(loader);
    PictureRef picture;
    if (ok && !refused && pb) {
        try {
            picture = FromPixbuf(pb, source);
        } catch (...) {
            g_object_unref(loader);
            throw;
        }
    }
    g_object_unref(loader);
    if (!picture) InvalidPicture();
    return picture;
}

PictureRef LoadPictureFile(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) throw HostError(ErrorNumber::FileNotFound, "File not found");
    if (!S_ISREG(st.st_mode) || st.st_size > (int64_t(256) << 20)) InvalidPicture();
    std::ifstream in(path, std::ios::binary);
    if (!in) throw HostError(75, "Path/File access error");
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return DecodePicture(bytes, path);
}

std::string EncodePng(const Picture& picture) {
    if (picture.IsEmpty() || picture.PixelWidth() <= 0 || picture.PixelHeight() <= 0) InvalidPicture();
    Frame image = RenderPicture(picture, 1.0);
    cairo_surface_t* s = cairo_image_surface_create_for_data(image.data.data(), CAIRO_FORMAT_ARGB32, image.width,
                                                             image.height, image.stride);
    std::string out;
    cairo_status_t status = cairo_surface_write_to_png_stream(s, AppendToString, &out);
    cairo_surface_destroy(s);
    if (status != CAIRO_STATUS_SUCCESS) InvalidPicture();
    return out;
}

}  // namespace stolvane
