// SPDX-License-Identifier: MIT
// Property values as the runtime handles them generically (property bags, form files,
// scripts): a number, a text, a font or a picture. Controls keep typed fields; these
// helpers convert at the edge with the checked conversions.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <variant>

#include <stolvane/core/font.h>
#include <stolvane/core/picture.h>

namespace stolvane {

using Value = std::variant<std::monostate, int64_t, double, std::string, FontRef, PictureRef>;

// A scoped enumerator named Boolean hides nothing where it is used (it is always written
// PropType::Boolean), but GCC's -Wshadow reports it; the warning is off for this declaration.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wshadow"
enum class PropType { Boolean, Int16, Int32, Colour, Single, String, Font, Picture };
#pragma GCC diagnostic pop
const char* PropTypeName(PropType t);

// Converts a generic value to the type a property holds; throws HostError 380 on a wrong kind
// of value and 6 when a number does not fit.
Value Coerce(const Value& v, PropType t);
bool ValuesEqual(const Value& a, const Value& b);

int64_t AsInteger(const Value& v);
double AsNumber(const Value& v);
const std::string& AsString(const Value& v);
FontRef AsFont(const Value& v);
PictureRef AsPicture(const Value& v);

// The host's property store for one control: reading yields the default for a missing key;
// writing a value equal to its default stores nothing.
class PropertyBag {
public:
    virtual ~PropertyBag() = default;
    virtual Value Read(const std::string& key, const Value& defaultValue) = 0;
    virtual void Write(const std::string& key, const Value& value, const Value& defaultValue) = 0;
};

// An in-memory property bag that keeps key order; used for designs and form files.
class PropertyMap : public PropertyBag {
public:
    PropertyMap() = default;
    PropertyMap(std::initializer_list<std::pair<const std::string, Value>> init);
    Value Read(const std::string& key, const Value& defaultValue) override;
    void Write(const std::string& key, const Value& value, const Value& defaultValue) override;
    void Set(const std::string& key, Value v);
    bool Has(const std::string& key) const;
    const std::vector<std::pair<std::string, Value>>& Entries() const { return m_entries; }

private:
    std::vector<std::pair<std::string, Value>> m_entries;
};

}  // namespace stolvane
