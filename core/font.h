// Fonts are shared host objects: a control's Font property holds a reference, and several
// holders (a control and the ambient font, say) may point at the same object.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

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

    bool operator==(const Font&) const = default;
};

using FontRef = std::shared_ptr<Font>;

inline FontRef MakeFont(std::string name, double size, bool bold = false) {
    auto f = std::make_shared<Font>();
    f->name = std::move(name);
    f->size = size;
    f->bold = bold;
    f->weight = bold ? 700 : 400;
    return f;
}

}  // namespace stolvane
