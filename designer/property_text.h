// SPDX-License-Identifier: MIT
// The property browser's values as text: every value is typed into a text box, so each type is
// read from the text the author typed and shown as text again. Reading refuses what the type
// cannot hold with the runtime's own error 380 ("Invalid property value: ...").
#pragma once

#include <string>
#include <vector>

#include "core/element_members.h"
#include "core/host.h"
#include "core/property.h"
#include "core/value.h"

namespace stolvane::designer {

// How a value is typed.
enum class TextType { Boolean, Integer, Colour, Number, String, Font, Picture, Items };
TextType TextTypeOf(PropType type);
TextType TextTypeOf(MemberType type);

// The value the text stands for. Booleans are True or False (also -1, 0, true, false); integers
// are decimal or an enumeration's name; colours 0x00BBGGRR, &H00BBGGRR& or decimal; a font is
// "Name, Size" followed by any of Bold, Italic, Underline, Strikethrough; a picture is a file
// path, or nothing (also "(None)") for no picture. `what` names the property in messages.
Value ParseValue(const std::string& text, TextType type, const EnumInfo* enumeration, Host& host,
                 const std::string& what);
// The value as the browser shows it (what ParseValue reads back to the same value); an
// enumeration's value as "1 - tbtFlat".
std::string ShowValue(const Value& value, TextType type, const EnumInfo* enumeration = nullptr);

// The category the browser files a property under when it lists them by category: Position
// (Left, Top, Width, Height, the ends of a line, the smallest size, Anchor), Font (fonts),
// Appearance (colours, pictures, captions, styles, alignment, borders), Behaviour (other
// Booleans, the tab order, tooltips, the default and cancel buttons, intervals, lengths) and
// Misc (the rest, Name among them).
std::string CategoryOf(const std::string& name, TextType type);
// The categories in the order the browser lists them.
const std::vector<std::string>& Categories();

}  // namespace stolvane::designer
