// SPDX-License-Identifier: MIT
#include "core/value.h"

#include <cmath>

#include "core/convert.h"
#include "core/errors.h"

namespace stolvane {

const char* PropTypeName(PropType t) {
    switch (t) {
        case PropType::Boolean: return "Boolean";
        case PropType::Int16: return "Integer";
        case PropType::Int32: return "Long";
        case PropType::Colour: return "OLE_COLOR";
        case PropType::Single: return "Single";
        case PropType::String: return "String";
        case PropType::Font: return "Font";
        case PropType::Picture: return "Picture";
    }
    return "?";
}

namespace {
[[noreturn]] void Mismatch() { throw HostError::InvalidProperty(); }

double Number(const Value& v) {
    if (auto i = std::get_if<int64_t>(&v)) return static_cast<double>(*i);
    if (auto d = std::get_if<double>(&v)) return *d;
    Mismatch();
}
}  // namespace

Value Coerce(const Value& v, PropType t) {
    switch (t) {
        case PropType::Boolean: return Value{int64_t{ToBoolean(Number(v) != 0).Raw()}};
        case PropType::Int16: return Value{static_cast<int64_t>(ToInt16(Number(v)))};
        case PropType::Int32: return Value{static_cast<int64_t>(ToInt32(Number(v)))};
        case PropType::Colour: {
            // Colours are unsigned 32-bit; a negative 32-bit value names the same bits.
            double d = RoundHalfEven(Number(v));
            if (d < -2147483648.0 || d > 4294967295.0) throw HostError::Overflow();
            int64_t i = static_cast<int64_t>(d);
            return Value{static_cast<int64_t>(static_cast<uint32_t>(i))};
        }
        case PropType::Single: {
            double d = Number(v);
            if (!std::isfinite(d) || std::fabs(d) > 3.402823466e38) throw HostError::Overflow();
            return Value{static_cast<double>(static_cast<float>(d))};
        }
        case PropType::String:
            if (auto s = std::get_if<std::string>(&v)) return *s;
            if (std::holds_alternative<int64_t>(v)) return std::to_string(std::get<int64_t>(v));
            Mismatch();
        case PropType::Font:
            if (auto f = std::get_if<FontRef>(&v); f && *f) {
                // Only a font a form file can hold again: a name, a size above 0 up to 2048
                // points, a weight of 0 to 1000 and a character set of 0 to 255.
                const Font& font = **f;
                if (font.name.empty() || !(font.size > 0 && font.size <= 2048) || font.weight < 0 ||
                    font.weight > 1000 || font.charset < 0 || font.charset > 255)
                    throw HostError::InvalidProperty();
                return *f;
            }
            throw Errors::ObjectRequired();
        case PropType::Picture:
            if (auto p = std::get_if<PictureRef>(&v)) return *p ? *p : Picture::Empty();
            if (std::holds_alternative<std::monostate>(v)) return Picture::Empty();
            throw Errors::ObjectRequired();
    }
    Mismatch();
}

bool ValuesEqual(const Value& a, const Value& b) {
    if (a.index() != b.index()) {
        bool an = std::holds_alternative<int64_t>(a) || std::holds_alternative<double>(a);
        bool bn = std::holds_alternative<int64_t>(b) || std::holds_alternative<double>(b);
        return an && bn && Number(a) == Number(b);
    }
    if (auto fa = std::get_if<FontRef>(&a)) {
        auto fb = std::get<FontRef>(b);
        if (!*fa || !fb) return *fa == fb;
        return **fa == *fb;
    }
    if (auto pa = std::get_if<PictureRef>(&a)) {
        auto pb = std::get<PictureRef>(b);
        return IsNoPicture(*pa) ? IsNoPicture(pb) : (!IsNoPicture(pb) && (*pa)->Handle() == pb->Handle());
    }
    return a == b;
}

int64_t AsInteger(const Value& v) {
    if (auto i = std::get_if<int64_t>(&v)) return *i;
    return static_cast<int64_t>(ToInt32(Number(v)));
}
double AsNumber(const Value& v) { return Number(v); }
const std::string& AsString(const Value& v) {
    if (auto s = std::get_if<std::string>(&v)) return *s;
    Mismatch();
}
FontRef AsFont(const Value& v) {
    if (auto f = std::get_if<FontRef>(&v); f && *f) return *f;
    throw Errors::ObjectRequired();
}
PictureRef AsPicture(const Value& v) {
    if (auto p = std::get_if<PictureRef>(&v); p && *p) return *p;
    return Picture::Empty();
}

PropertyMap::PropertyMap(std::initializer_list<std::pair<const std::string, Value>> init) {
    for (auto& [k, v] : init) Set(k, v);
}

Value PropertyMap::Read(const std::string& key, const Value& defaultValue) {
    for (auto& [k, v] : m_entries) {
        if (k != key) continue;
        // Each reader gets its own font object, so instances read from one store stay apart.
        if (auto f = std::get_if<FontRef>(&v); f && *f) return std::make_shared<Font>(**f);
        return v;
    }
    return defaultValue;
}

void PropertyMap::Write(const std::string& key, const Value& value, const Value& defaultValue) {
    if (ValuesEqual(value, defaultValue)) {
        std::erase_if(m_entries, [&](auto& e) { return e.first == key; });
        return;
    }
    Set(key, value);
}

void PropertyMap::Set(const std::string& key, Value v) {
    for (auto& [k, old] : m_entries)
        if (k == key) {
            old = std::move(v);
            return;
        }
    m_entries.emplace_back(key, std::move(v));
}

bool PropertyMap::Has(const std::string& key) const {
    for (auto& e : m_entries)
        if (e.first == key) return true;
    return false;
}

}  // namespace stolvane
