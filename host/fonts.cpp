// SPDX-License-Identifier: MIT
// Fonts through fontconfig, pango and FreeType: the classic families, text layouts and the
// line metrics the classic desktop used.

#include "host/fonts.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_ADVANCES_H
#include <pango/pangocairo.h>
#include <pango/pangofc-font.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>
#include <unordered_map>

#include "core/text.h"
#include "core/units.h"

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
    std::string key = ToLower(family);
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

uint16_t Be16(const unsigned char* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

// The VDMX entry for a pixel size (its yMax and -yMin), from the ratio record that covers a 1:1
// device. False when the font has no table, no such record or no entry for the size.
bool VdmxLookup(FT_Face face, int ppem, int& ascent, int& descent) {
    const FT_ULong tag = FT_MAKE_TAG('V', 'D', 'M', 'X');
    FT_ULong length = 0;
    if (FT_Load_Sfnt_Table(face, tag, 0, nullptr, &length) != 0 || length < 6 || length > (1u << 20)) return false;
    std::vector<unsigned char> t(length);
    if (FT_Load_Sfnt_Table(face, tag, 0, t.data(), &length) != 0) return false;
    const size_t ratios = Be16(&t[4]);
    if (6 + ratios * 6 > length) return false;
    for (size_t i = 0; i < ratios; ++i) {
        const unsigned char* r = &t[6 + i * 4];  // charset, x, yStart, yEnd
        bool any = r[1] == 0 && r[2] == 0 && r[3] == 0;
        if (!any && !(r[2] <= r[1] && r[1] <= r[3])) continue;
        size_t group = Be16(&t[6 + ratios * 4 + i * 2]);
        if (group + 4 > length) return false;
        size_t count = Be16(&t[group]);
        for (size_t k = 0; k < count && group + 4 + k * 6 + 6 <= length; ++k) {
            const unsigned char* e = &t[group + 4 + k * 6];
            if (Be16(e) != ppem) continue;
            ascent = static_cast<int16_t>(Be16(e + 2));
            descent = -static_cast<int16_t>(Be16(e + 4));
            return true;
        }
        return false;  // the first record that covers the ratio is the one that counts
    }
    return false;
}

// The FreeType library for reading font tables; callers hold FontTablesMutex().
FT_Library TablesLibrary() {
    static FT_Library library = nullptr;
    if (!library && FT_Init_FreeType(&library) != 0) library = nullptr;
    return library;
}

std::mutex& FontTablesMutex() {
    static std::mutex mutex;
    return mutex;
}

TextLine ComputeTextLine(const std::string& file, int index, double pixelSize) {
    FT_Library library = TablesLibrary();
    const int ppem = std::max(1, static_cast<int>(std::lround(pixelSize)));
    const TextLine fallback{ppem, static_cast<int>(std::lround(pixelSize * 1.2))};
    if (!library) return fallback;
    FT_Face face = nullptr;
    if (FT_New_Face(library, file.c_str(), index, &face) != 0) return fallback;
    int ascent = 0, descent = 0;
    bool found = VdmxLookup(face, ppem, ascent, descent);
    if (!found && face->units_per_EM > 0) {
        const double scale = pixelSize / face->units_per_EM;
        auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
        if (os2 && os2->version != 0xFFFF && (os2->usWinAscent || os2->usWinDescent)) {
            ascent = static_cast<int>(std::lround(os2->usWinAscent * scale));
            descent = static_cast<int>(std::lround(os2->usWinDescent * scale));
            found = true;
        } else if (hhea) {
            ascent = static_cast<int>(std::lround(hhea->Ascender * scale));
            descent = static_cast<int>(std::lround(-hhea->Descender * scale));
            found = true;
        } else if (face->ascender || face->descender) {
            ascent = static_cast<int>(std::lround(face->ascender * scale));
            descent = static_cast<int>(std::lround(-face->descender * scale));
            found = true;
        }
    }
    FT_Done_Face(face);
    if (!found || ascent + descent <= 0) return fallback;
    return {ascent, ascent + descent};
}

// Line metrics per font file, face and pixel size, read once.
TextLine FileTextLine(const std::string& file, int index, double pixelSize) {
    static std::map<std::tuple<std::string, int, double>, TextLine> cache;
    std::lock_guard<std::mutex> lock(FontTablesMutex());
    auto key = std::make_tuple(file, index, pixelSize);
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
    TextLine line = ComputeTextLine(file, index, pixelSize);
    cache.emplace(key, line);
    return line;
}

// Width in pixels of the bitmap strike's 'l' at a size, or -1 when the face has no strike there.
int StrikeStemWidth(FT_Face face, int ppem) {
    for (int i = 0; i < face->num_fixed_sizes; ++i) {
        if ((face->available_sizes[i].y_ppem + 32) / 64 != ppem) continue;
        if (FT_Select_Size(face, i) != 0) return -1;
        if (FT_Load_Char(face, 'l', FT_LOAD_DEFAULT | FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0) return -1;
        if (face->glyph->format != FT_GLYPH_FORMAT_BITMAP) return -1;
        return static_cast<int>(face->glyph->bitmap.width);
    }
    return -1;
}

std::unique_ptr<LightBoldFace> ReadLightBoldFace(FT_Library library, const std::string& file) {
    const std::string suffix = "/tahomabd.ttf";
    if (!file.ends_with(suffix)) return nullptr;
    std::string regularFile = file.substr(0, file.size() - suffix.size()) + "/tahoma.ttf";
    FT_Face bold = nullptr, regular = nullptr;
    if (FT_New_Face(library, file.c_str(), 0, &bold) != 0) return nullptr;
    if (FT_New_Face(library, regularFile.c_str(), 0, &regular) != 0) {
        FT_Done_Face(bold);
        return nullptr;
    }
    std::unique_ptr<LightBoldFace> result;
    if (bold->units_per_EM == regular->units_per_EM && bold->num_glyphs > 0 && regular->num_glyphs > 0) {
        std::vector<FT_Fixed> b(bold->num_glyphs), r(regular->num_glyphs);
        if (FT_Get_Advances(bold, 0, bold->num_glyphs, FT_LOAD_NO_SCALE, b.data()) == 0 &&
            FT_Get_Advances(regular, 0, regular->num_glyphs, FT_LOAD_NO_SCALE, r.data()) == 0) {
            result = std::make_unique<LightBoldFace>();
            result->unitsPerEm = bold->units_per_EM;
            FT_UInt l = FT_Get_Char_Index(bold, 'l'), rl = FT_Get_Char_Index(regular, 'l');
            result->stroke = l && rl ? std::max<int>(0, b[l] - r[rl]) : bold->units_per_EM / 14;
            // The faces number their glyphs differently: pair them by character. A glyph with no
            // regular counterpart is taken as widened by the stroke alone.
            result->widening.assign(b.size(), result->stroke);
            FT_UInt glyph = 0;
            for (FT_ULong c = FT_Get_First_Char(bold, &glyph); glyph != 0; c = FT_Get_Next_Char(bold, c, &glyph)) {
                FT_UInt rg = FT_Get_Char_Index(regular, c);
                if (rg && glyph < b.size()) result->widening[glyph] = static_cast<int>(b[glyph] - r[rg]);
            }
            for (int i = 0; i < bold->num_fixed_sizes; ++i) {
                int ppem = static_cast<int>((bold->available_sizes[i].y_ppem + 32) / 64);
                int bw = StrikeStemWidth(bold, ppem);
                int rw = StrikeStemWidth(regular, ppem);
                if (bw > 0 && rw > 0 && bw > rw) result->boldStrikes.push_back(ppem);
            }
        }
    }
    FT_Done_Face(regular);
    FT_Done_Face(bold);
    return result;
}

}  // namespace

std::vector<std::string> FontFamilies() {
    InitFonts();
    std::vector<std::string> out;
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    if (FcFontSet* set = pattern && objects ? FcFontList(nullptr, pattern, objects) : nullptr) {
        for (int i = 0; i < set->nfont; ++i) {
            FcChar8* family = nullptr;
            if (FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &family) == FcResultMatch && family && *family)
                out.emplace_back(reinterpret_cast<const char*>(family));
        }
        FcFontSetDestroy(set);
    }
    if (objects) FcObjectSetDestroy(objects);
    if (pattern) FcPatternDestroy(pattern);
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

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

const LightBoldFace* FindLightBoldFace(const std::string& file) {
    static std::map<std::string, std::unique_ptr<LightBoldFace>> faces;
    std::lock_guard<std::mutex> lock(FontTablesMutex());
    auto it = faces.find(file);
    if (it == faces.end()) {
        FT_Library library = TablesLibrary();
        it = faces.emplace(file, library ? ReadLightBoldFace(library, file) : nullptr).first;
    }
    return it->second.get();
}

TextLine LayoutTextLine(PangoLayout* layout) {
    const PangoFontDescription* d = pango_layout_get_font_description(layout);
    if (!d) d = pango_context_get_font_description(TextContext());
    char* name = pango_font_description_to_string(d);
    std::string key(name);
    g_free(name);
    thread_local std::unordered_map<std::string, TextLine> lines;
    auto it = lines.find(key);
    if (it != lines.end()) return it->second;
    TextLine line{11, 13};
    if (PangoFont* font = pango_context_load_font(TextContext(), d)) {
        if (PANGO_IS_FC_FONT(font)) {
            FcPattern* pattern = pango_fc_font_get_pattern(PANGO_FC_FONT(font));
            FcChar8* file = nullptr;
            int index = 0;
            double size = 0;
            if (FcPatternGetInteger(pattern, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
            if (FcPatternGetDouble(pattern, FC_PIXEL_SIZE, 0, &size) != FcResultMatch) {
                PangoFontDescription* abs = pango_font_describe_with_absolute_size(font);
                size = pango_font_description_get_size(abs) / double(PANGO_SCALE);
                pango_font_description_free(abs);
            }
            if (FcPatternGetString(pattern, FC_FILE, 0, &file) == FcResultMatch && file && size > 0)
                line = FileTextLine(reinterpret_cast<const char*>(file), index, size);
        }
        g_object_unref(font);
    }
    lines.emplace(key, line);
    return line;
}

}  // namespace stolvane
