// SPDX-License-Identifier: MIT
// A control declares each property once, in its class's property table: name (also the saved
// key), type, the m_ field that holds it, default, the refresh its setter runs, help text and
// enumeration. The typed C++ setters, the first-time defaults, reading and writing the store (in
// declaration order), the script driver, form files and the reference all work from that table.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include <stolvane/core/errors.h>
#include <stolvane/core/value.h>

namespace stolvane {

class Control;

// A named list of the values a property takes. A value outside the list is either refused
// (error 380) or, where the class gives it a meaning, stored and used as otherValues says.
struct EnumValue {
    std::string name;  // "tbtWin95"
    int32_t value = 0;
    std::string meaning;
};
struct EnumInfo {
    std::string name;  // "ButtonType"
    std::vector<EnumValue> values;
    std::string otherValues;  // what a value outside the list does; empty: it is refused
    bool Refuses() const { return otherValues.empty(); }
    bool Contains(int64_t v) const;
    std::string List() const;  // "tbtWin95 0, tbtTolvane 1, ..."
};

// What a property starts as: the store default (read for a missing key, written as the
// default) and, where it differs, the value a newly placed instance takes.
struct PropertyDefault {
    std::function<Value(Control&)> store;
    std::function<Value(Control&)> firstTime;  // empty: the store default

    PropertyDefault(std::function<Value(Control&)> s) : store(std::move(s)) {}
    PropertyDefault(Value v) : store([v](Control&) { return v; }) {}
    PropertyDefault(const char* text) : PropertyDefault(Value{std::string(text)}) {}
    template <class T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
    PropertyDefault(T v) : PropertyDefault(Value{static_cast<int64_t>(v)}) {}
    PropertyDefault(Boolean b) : PropertyDefault(Value{static_cast<int64_t>(b.Raw())}) {}
};

// A fixed store default.
inline std::function<Value(Control&)> Default(Value v) {
    return [v](Control&) { return v; };
}
// The ambient font (the container's font) as the default.
std::function<Value(Control&)> AmbientFontDefault();
// The empty picture as the default.
PropertyDefault NoPictureDefault();
// A caption's default: the class's name in the store; a newly placed instance takes its own name.
PropertyDefault OwnNameDefault();

// One property of a control class: public name (also the persisted key), type, default used
// when reading and writing the store, and how to get, set (with notification and refresh) and
// load (store only, while reading) it.
struct PropertyInfo {
    std::string name;
    PropType type = PropType::Int32;
    bool isPublic = true;   // false: kept for the store only (no property of the interface)
    bool persisted = true;  // false: interface only, never stored
    std::function<Value(Control&)> storeDefault;
    std::function<Value(Control&)> get;
    std::function<void(Control&, const Value&)> set;
    std::function<void(Control&, const Value&)> load;
    // What the reference says: a one-line help text (empty where the class gives none) and the
    // enumeration the value belongs to.
    // The reference adds a note of what the property does where the help text is not enough.
    std::string help;
    std::string note;
    const EnumInfo* enumeration = nullptr;
    std::shared_ptr<const EnumInfo> ownEnumeration;  // an enumeration declared with the property
    // The value a newly placed instance takes (empty: the store default).
    std::function<Value(Control&)> firstTime;
    // The refresh the setter runs after storing the value and telling the host; none when empty.
    std::function<void(Control&)> effect;
    // The address of the m_ field in an instance: a typed setter finds its declaration by it.
    std::function<const void*(const Control&)> field;
    // Where the property stands in the store's order when that differs from the table's
    // (the others keep their table order around it); -1: its place in the table.
    int savedAt = -1;

    PropertyInfo Help(std::string text) && {
        help = std::move(text);
        return std::move(*this);
    }
    PropertyInfo Note(std::string text) && {
        note = std::move(text);
        return std::move(*this);
    }
    // Ties the property to its enumeration; a refusing enumeration makes the setter check.
    PropertyInfo Enumerated(const EnumInfo& e) &&;
    // The same for an enumeration only this property uses, declared in place.
    PropertyInfo Enumerated(EnumInfo&& e) &&;
    // Kept for the store only: read, kept and written back unchanged, no property of the
    // interface.
    PropertyInfo StoreOnly() && {
        isPublic = false;
        return std::move(*this);
    }
    PropertyInfo SavedAt(int position) && {
        savedAt = position;
        return std::move(*this);
    }
};

// The table's persisted properties in the order the store reads and writes them.
std::vector<const PropertyInfo*> SavedOrder(const std::vector<PropertyInfo>& table);

// The alignment constants of captions; a caption refuses any other value.
const EnumInfo& AlignmentEnum();

// Throws error 380 when an enumerated property that refuses other values is given one.
void CheckEnumerated(const PropertyInfo& p, const Value& v);

// ---- Typed values of the m_ fields

// A field's value as the runtime handles it.
template <class F>
Value FieldValue(const F& v) {
    if constexpr (std::is_same_v<F, std::string> || std::is_same_v<F, FontRef> || std::is_same_v<F, PictureRef>)
        return Value{v};
    else if constexpr (std::is_floating_point_v<F>)
        return Value{static_cast<double>(v)};
    else if constexpr (std::is_same_v<F, Boolean>)
        return Value{static_cast<int64_t>(v.Raw())};
    else
        return Value{static_cast<int64_t>(v)};
}

// A value from a script, a store or a form file as the field's type, checked (380, 6, 424).
template <class F>
F FieldFrom(const Value& v, PropType type) {
    Value c = Coerce(v, type);
    if constexpr (std::is_same_v<F, std::string>) return AsString(c);
    else if constexpr (std::is_same_v<F, FontRef>) return AsFont(c);
    else if constexpr (std::is_same_v<F, PictureRef>) return AsPicture(c);
    else if constexpr (std::is_floating_point_v<F>) return static_cast<F>(AsNumber(c));
    else if constexpr (std::is_same_v<F, Boolean>) return Boolean::FromRaw(AsInteger(c));
    else return static_cast<F>(AsInteger(c));
}

// What every setter stores for a value: a Boolean as True or False, a missing picture as the
// empty picture; a missing font is refused (424) before anything is stored.
template <class F>
F Normalised(F v, PropType type) {
    if constexpr (std::is_same_v<F, PictureRef>) {
        return v ? std::move(v) : Picture::Empty();
    } else if constexpr (std::is_same_v<F, FontRef>) {
        if (!v) throw Errors::ObjectRequired();
        return v;
    } else if constexpr (std::is_integral_v<F>) {
        return type == PropType::Boolean ? static_cast<F>(ToBoolean(v != 0).Raw()) : v;
    } else {
        return v;
    }
}

}  // namespace stolvane

// The C++ accessors of a declared property: Name() reads the m_Name field and SetName(value)
// assigns it through the class's declaration (store, notify, refresh).
#define STOLVANE_PROPERTY(Type, Name)       \
    Type Name() const { return m_##Name; } \
    STOLVANE_SETTER(Type, Name)
// The setter alone, for a property whose getter does more than read the field.
#define STOLVANE_SETTER(Type, Name) \
    void Set##Name(Type value) { Assign(m_##Name, value); }
