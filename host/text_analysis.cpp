// SPDX-License-Identifier: MIT
#include "host/text_analysis.h"

#include <pango/pangocairo.h>

#include "host/media.h"

namespace stolvane {

namespace {

// Byte offsets of each character of the UTF-8 form of text (size + 1 entries).
std::vector<int> ByteOffsets(const std::u32string& text, std::string& utf8) {
    std::vector<int> offsets;
    offsets.reserve(text.size() + 1);
    utf8.clear();
    for (char32_t c : text) {
        offsets.push_back(static_cast<int>(utf8.size()));
        utf8 += EncodeUtf8(c);
    }
    offsets.push_back(static_cast<int>(utf8.size()));
    return offsets;
}

class Shaper : public TextAnalyser {
public:
    std::vector<uint8_t> Analyse(const std::u32string& text) const override {
        std::string utf8;
        ByteOffsets(text, utf8);
        std::vector<PangoLogAttr> attrs(text.size() + 1);
        pango_get_log_attrs(utf8.c_str(), static_cast<int>(utf8.size()), -1, pango_language_get_default(), attrs.data(),
                            static_cast<int>(attrs.size()));
        std::vector<uint8_t> flags(attrs.size(), 0);
        for (size_t i = 0; i < attrs.size(); ++i) {
            if (attrs[i].is_cursor_position) flags[i] |= CaretStop;
            if (attrs[i].is_word_start) flags[i] |= WordStart;
            if (attrs[i].is_word_end) flags[i] |= WordEnd;
        }
        return flags;
    }

    int MoveVisually(const std::u32string& text, int position, int direction) const override {
        std::string utf8;
        std::vector<int> offsets = ByteOffsets(text, utf8);
        if (position < 0 || position > static_cast<int>(text.size())) return -1;
        PangoLayout* layout = NewTextLayout(Font{}, utf8, false);
        int index = offsets[static_cast<size_t>(position)], newIndex = 0, trailing = 0;
        pango_layout_move_cursor_visually(layout, TRUE, index, 0, direction, &newIndex, &trailing);
        g_object_unref(layout);
        if (newIndex < 0 || newIndex == G_MAXINT) return -1;
        // Trailing counts characters past the index: the caret stands after them.
        const char* p = utf8.c_str() + newIndex;
        for (; trailing > 0 && *p; --trailing) p = g_utf8_next_char(p);
        int byte = static_cast<int>(p - utf8.c_str());
        auto it = std::lower_bound(offsets.begin(), offsets.end(), byte);
        return static_cast<int>(it - offsets.begin());
    }
};

}  // namespace

const TextAnalyser& ShaperTextAnalyser() {
    static const Shaper shaper;
    return shaper;
}

}  // namespace stolvane
