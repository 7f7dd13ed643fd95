// SPDX-License-Identifier: MIT
#include "host/text_layouts.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <list>
#include <string_view>
#include <unordered_map>

#include "host/limits.h"
#include "core/units.h"

namespace stolvane {

namespace {

constexpr size_t kKeptLayouts = 4096;

// Everything a layout depends on, as one string, written into key (a buffer kept between
// calls, so that looking a layout up allocates nothing).
void LayoutKey(std::string& key, const Font& f, const std::string& text, bool accessKeys, int wrapPixels,
               int alignment) {
    key.clear();
    key += f.name;
    key += '\0';
    char bits[sizeof(double)];
    std::memcpy(bits, &f.size, sizeof bits);
    key.append(bits, sizeof bits);
    key += static_cast<char>((f.bold ? 1 : 0) | (f.italic ? 2 : 0) | (f.underline ? 4 : 0) | (f.strikethrough ? 8 : 0) |
                             (accessKeys ? 16 : 0));
    key.append(reinterpret_cast<const char*>(&f.weight), sizeof f.weight);
    key.append(reinterpret_cast<const char*>(&wrapPixels), sizeof wrapPixels);
    key += static_cast<char>(alignment);
    key += text;
}

// Least recently used first; a layout in use elsewhere lives on after it leaves the cache.
struct LayoutCache {
    std::list<std::pair<std::string, TextLayoutRef>> order;
    std::unordered_map<std::string_view, decltype(order)::iterator> index;
};

}  // namespace

TextLayout::~TextLayout() { g_object_unref(layout); }

TextLayoutRef SharedTextLayout(const Font& font, const std::string& text, bool accessKeys, int wrapPixels,
                               int alignment) {
    // Laying text out costs memory in proportion to its length at every render: past the limit
    // a text is laid out (measured and drawn) only up to it, cut between two characters.
    if (text.size() > limits::kMaxTextBytes) {
        size_t cut = limits::kMaxTextBytes;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
        return SharedTextLayout(font, text.substr(0, cut), accessKeys, wrapPixels, alignment);
    }
    // The layout asked for last, compared field by field: a label repainted again and again
    // (a fade) finds its layout without a key being made.
    struct Last {
        Font font;
        std::string text;
        bool accessKeys = false;
        int wrapPixels = 0, alignment = 0;
        TextLayoutRef layout;
    };
    thread_local Last asked;
    if (asked.layout && asked.accessKeys == accessKeys && asked.wrapPixels == wrapPixels &&
        asked.alignment == alignment && asked.text == text && asked.font == font)
        return asked.layout;
    auto remember = [&](const TextLayoutRef& layout) {
        asked.font = font;
        asked.text = text;
        asked.accessKeys = accessKeys;
        asked.wrapPixels = wrapPixels;
        asked.alignment = alignment;
        asked.layout = layout;
        return layout;
    };
    thread_local LayoutCache cache;
    thread_local std::string scratch;
    LayoutKey(scratch, font, text, accessKeys, wrapPixels, alignment);
    if (auto it = cache.index.find(std::string_view(scratch)); it != cache.index.end()) {
        cache.order.splice(cache.order.end(), cache.order, it->second);
        return remember(it->second->second);
    }
    PangoLayout* layout = NewTextLayout(font, text, accessKeys);
    pango_layout_set_alignment(layout, alignment == 1   ? PANGO_ALIGN_RIGHT
                                       : alignment == 2 ? PANGO_ALIGN_CENTER
                                                        : PANGO_ALIGN_LEFT);
    if (wrapPixels > 0) {
        pango_layout_set_width(layout, wrapPixels * PANGO_SCALE);
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    }
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout, nullptr, &logical);
    int lines = std::max(1, pango_layout_get_line_count(layout));
    auto made = std::make_shared<const TextLayout>(layout, std::max(0, logical.width), lines, LayoutTextLine(layout));
    cache.order.emplace_back(scratch, made);
    auto last = std::prev(cache.order.end());
    cache.index.emplace(std::string_view(last->first), last);
    if (cache.order.size() > kKeptLayouts) {
        cache.index.erase(std::string_view(cache.order.front().first));
        cache.order.pop_front();
    }
    return remember(made);
}

Rect MeasureTextTwips(const Font& font, const std::string& text, double wrapWidth) {
    int wrap = 0;
    if (wrapWidth > 0 && std::isfinite(wrapWidth))
        wrap = std::max(1, PixelHolding(std::min(wrapWidth, 1e7)));
    // Each line is the font's own line height; an empty layout is still one line high.
    TextLayoutRef t = SharedTextLayout(font, text, true, wrap);
    return {0, 0, PixelsToTwips(t->width), PixelsToTwips(t->Height())};
}

}  // namespace stolvane
