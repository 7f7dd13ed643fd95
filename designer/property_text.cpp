// SPDX-License-Identifier: MIT
#include "designer/property_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "core/errors.h"
#include "core/text.h"

namespace stolvane::designer {

namespace {

std::string Trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t"), b = s.find_last_not_of(" \t");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

[[noreturn]] void Refuse(const std::string& what, const std::string& wants, const std::string& text) {
    throw HostError(ErrorNumber::InvalidProperty,
                    "Invalid property value: " + what + ": expected " + wants + ", found \"" + text + "\"");
}

bool ReadInteger(const std::string& s, int64_t& out, int base = 10) {
    if (s.empty()) return false;
    const char* b = s.data();
    if (*b == '+') ++b;
    auto r = std::from_chars(b, s.data() + s.size(), out, base);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool ReadNumber(const std::string& s, double& out) {
    if (s.empty()) return false;
    std::istringstream in(s);
    in.imbue(std::locale::classic());
    in >> out;
    return !in.fail() && in.eof() && std::isfinite(out);
}

}  // namespace

TextType TextTypeOf(PropType type) {
    switch (type) {
        case PropType::Boolean: return TextType::Boolean;
        case PropType::Int16:
        case PropType::Int32: return TextType::Integer;
        case PropType::Colour: return TextType::Colour;
        case PropType::Single: return TextType::Number;
        case PropType::String: return TextType::String;
        case PropType::Font: return TextType::Font;
        case PropType::Picture: return TextType::Picture;
    }
    return TextType::String;
}

TextType TextTypeOf(MemberType type) {
    switch (type) {
        case MemberType::Boolean: return TextType::Boolean;
        case MemberType::Int16:
        case MemberType::Int32: return TextType::Integer;
        case MemberType::Colour: return TextType::Colour;
        case MemberType::Twips:
        case MemberType::Size: return TextType::Number;
        case MemberType::String: return TextType::String;
        case MemberType::Font: return TextType::Font;
        case MemberType::Picture: return TextType::Picture;
        case MemberType::Items: return TextType::Items;
    }
    return TextType::String;
}

Value ParseValue(const std::string& typed, TextType type, const EnumInfo* enumeration, Host& host,
                 const std::string& what) {
    if (type == TextType::String) return Value{typed};
    const std::string text = Trim(typed);
    const std::string lower = ToLower(text);
    switch (type) {
        case TextType::Boolean:
            if (lower == "true" || lower == "-1") return Value{int64_t{-1}};
            if (lower == "false" || lower == "0") return Value{int64_t{0}};
            Refuse(what, "True or False", typed);
        case TextType::Integer: {
            int64_t n = 0;
            if (ReadInteger(text, n)) return Value{n};
            // An enumeration's name, or the browser's own "1 - tbtFlat".
            if (enumeration) {
                std::string name = text;
                if (size_t dash = text.find(" - "); dash != std::string::npos && ReadInteger(text.substr(0, dash), n))
                    return Value{n};
                for (const EnumValue& v : enumeration->values)
                    if (ToLower(v.name) == ToLower(name)) return Value{int64_t{v.value}};
                Refuse(what, "a whole number or one of " + enumeration->List(), typed);
            }
            Refuse(what, "a whole number", typed);
        }
        case TextType::Colour: {
            int64_t n = 0;
            std::string digits;
            if (lower.size() > 2 && lower.rfind("0x", 0) == 0) digits = text.substr(2);
            else if (lower.size() > 2 && lower.rfind("&h", 0) == 0)
                digits = text.substr(2, text.size() - 2 - (text.back() == '&' ? 1 : 0));
            if (!digits.empty() && digits.size() <= 8 && ReadInteger(digits, n, 16)) return Value{n};
            if (digits.empty() && ReadInteger(text, n) && n >= INT32_MIN && n <= UINT32_MAX)
                return Value{static_cast<int64_t>(static_cast<uint32_t>(n))};
            Refuse(what, "a colour (0x00BBGGRR)", typed);
        }
        case TextType::Number: {
            double d = 0;
            if (ReadNumber(text, d)) return Value{d};
            Refuse(what, "a number", typed);
        }
        case TextType::Font: {
            std::vector<std::string> parts;
            std::stringstream in(text);
            for (std::string part; std::getline(in, part, ',');) parts.push_back(Trim(part));
            double size = 0;
            if (parts.size() < 2 || parts[0].empty() || !ReadNumber(parts[1], size) || !(size > 0 && size <= 2048))
                Refuse(what, "a font as \"Name, Size\" with any of Bold, Italic, Underline, Strikethrough", typed);
            Font f;
            f.name = parts[0];
            f.size = size;
            for (size_t i = 2; i < parts.size(); ++i) {
                const std::string a = ToLower(parts[i]);
                if (a == "bold") f.bold = true, f.weight = 700;
                else if (a == "italic") f.italic = true;
                else if (a == "underline") f.underline = true;
                else if (a == "strikethrough") f.strikethrough = true;
                else Refuse(what, "Bold, Italic, Underline or Strikethrough after the font's size", typed);
            }
            return Value{std::make_shared<Font>(f)};
        }
        case TextType::Picture:
            if (text.empty() || lower == "(none)") return Value{Picture::Empty()};
            return Value{host.LoadPicture(text)};
        case TextType::Items: Refuse(what, "rows edited in the list's own editor", typed);
        case TextType::String: break;
    }
    return Value{typed};
}

std::string ShowValue(const Value& v, TextType type, const EnumInfo* enumeration) {
    if (enumeration && type == TextType::Integer) {
        const int64_t n = AsInteger(v);
        for (const EnumValue& e : enumeration->values)
            if (e.value == n) return std::to_string(n) + " - " + e.name;
    }
    switch (type) {
        case TextType::Boolean: return AsInteger(v) != 0 ? "True" : "False";
        case TextType::Colour: {
            char buf[16];
            std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(AsInteger(v) & 0xFFFFFFFF));
            return buf;
        }
        case TextType::Integer: return std::to_string(AsInteger(v));
        case TextType::Number: {
            std::ostringstream out;
            out.imbue(std::locale::classic());
            out << AsNumber(v);
            return out.str();
        }
        case TextType::Font: {
            FontRef f = AsFont(v);
            if (!f) return "";
            std::ostringstream out;
            out.imbue(std::locale::classic());
            out << f->name << ", " << f->size;
            if (f->bold) out << ", Bold";
            if (f->italic) out << ", Italic";
            if (f->underline) out << ", Underline";
            if (f->strikethrough) out << ", Strikethrough";
            return out.str();
        }
        case TextType::Picture: {
            PictureRef p = AsPicture(v);
            return IsNoPicture(p) ? "(None)" : (p->Source().empty() ? "(Picture)" : p->Source());
        }
        case TextType::String: return AsString(v);
        case TextType::Items: return "(List)";
    }
    return "";
}

const std::vector<std::string>& Categories() {
    static const std::vector<std::string> names{"Appearance", "Behaviour", "Font", "Misc", "Position"};
    return names;
}

std::string CategoryOf(const std::string& name, TextType type) {
    const std::string n = ToLower(name);
    auto has = [&](const char* part) { return n.find(part) != std::string::npos; };
    if (n == "name") return "Misc";
    for (const char* p : {"left", "top", "width", "height", "x1", "y1", "x2", "y2", "minwidth", "minheight", "anchor"})
        if (n == p) return "Position";
    if (type == TextType::Font || n.rfind("font", 0) == 0) return "Font";
    if (type == TextType::Colour || type == TextType::Picture || has("caption") || has("style") ||
        has("appearance") || has("align") || has("border") || has("colour") || has("color") || n == "icon" ||
        n == "text")
        return "Appearance";
    if (type == TextType::Boolean || has("tab") || has("tooltip") || n == "defaultbutton" || n == "cancelbutton" ||
        has("interval") || has("maxlength") || has("enabled") || has("visible"))
        return "Behaviour";
    return "Misc";
}

}  // namespace stolvane::designer
