// SPDX-License-Identifier: MIT
// Fonts are shared host objects: a control's Font property holds a reference, and several
// holders (a control and the ambient font, say) may point at the same object.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <tuple>

namespace stolvane {

struct Font {
    std::string name = "MS Sans Serif";
    bool bold = false;
    int16_t charset = 0;
    bool italic = false;
    double size = 8.25;  // points
    bool strikethrough = false;
    bool underline = false;
    int16_t weight = 400;

    bool operator==(const Font& o) const {
        return std::tie(name, bold, charset, italic, size, strikethrough, underline, weight) ==
               std::tie(o.name, o.bold, o.charset, o.italic, o.size, o.strikethrough, o.underline, o.weight);
    }
    bool operator!=(const Font& o) const { return !(*this == o); }
};

using FontRef = std::shared_ptr<Font>;

// The weight that goes with setting Bold: 700 bold, 400 regular.
constexpr int16_t WeightFor(bool bold) { return bold ? 700 : 400; }

inline FontRef MakeFont(std::string name, double size, bool bold = false) {
    auto f = std::make_shared<Font>();
    f->name = std::move(name);
    f->size = size;
    f->bold = bold;
    f->weight = WeightFor(bold);
    return f;
}

// The classic default font, MS Sans Serif 8.25 pt regular, as a font object of its own.
inline FontRef DefaultFont() { return std::make_shared<Font>(); }

// Whole-font assignment to a holder that keeps a font reference (an embedded control): a copy
// of every attribute of want, as an object of the holder's own (it learns of a change only
// through its setter, which a shared object changed in place would bypass), or null when the
// holder's font already has them all.
inline FontRef FontToAssign(const FontRef& current, const Font& want) {
    if (current && *current == want) return nullptr;
    return std::make_shared<Font>(want);
}

}  // namespace stolvane
