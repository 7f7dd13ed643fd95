// SPDX-License-Identifier: MIT
#include "core/property.h"

#include "core/control.h"

namespace stolvane {

bool EnumInfo::Contains(int64_t v) const {
    for (auto& e : values)
        if (e.value == v) return true;
    return false;
}

std::string EnumInfo::List() const {
    std::string out;
    for (auto& e : values) out += (out.empty() ? "" : ", ") + e.name + " " + std::to_string(e.value);
    return out;
}

PropertyInfo PropertyInfo::Enumerated(const EnumInfo& e) && {
    enumeration = &e;
    if (e.Refuses()) {
        set = [inner = std::move(set), type = type, &e](Control& c, const Value& v) {
            if (!e.Contains(AsInteger(Coerce(v, type)))) throw HostError::InvalidProperty();
            inner(c, v);
        };
    }
    return std::move(*this);
}

PropertyInfo PropertyInfo::Enumerated(EnumInfo&& e) && {
    ownEnumeration = std::make_shared<const EnumInfo>(std::move(e));
    return std::move(*this).Enumerated(*ownEnumeration);
}

std::vector<const PropertyInfo*> SavedOrder(const std::vector<PropertyInfo>& table) {
    std::vector<const PropertyInfo*> order, placed;
    for (auto& p : table)
        if (p.persisted) (p.savedAt < 0 ? order : placed).push_back(&p);
    for (const PropertyInfo* p : placed) {
        const size_t at = std::min(static_cast<size_t>(p->savedAt), order.size());
        order.insert(order.begin() + static_cast<std::ptrdiff_t>(at), p);
    }
    return order;
}

const EnumInfo& AlignmentEnum() {
    static const EnumInfo e{"Alignment", {{"Left", 0, "left-justified"}, {"Right", 1, "right-justified"},
                                          {"Centre", 2, "centred"}}, ""};
    return e;
}

void CheckEnumerated(const PropertyInfo& p, const Value& v) {
    if (p.enumeration && p.enumeration->Refuses() && !p.enumeration->Contains(AsInteger(Coerce(v, p.type))))
        throw HostError::InvalidProperty();
}

std::function<Value(Control&)> AmbientFontDefault() {
    return [](Control& c) -> Value { return c.GetHost().AmbientFont(c.GetSurface()); };
}

PropertyDefault NoPictureDefault() { return PropertyDefault(Value{PictureRef(Picture::Empty())}); }

PropertyDefault OwnNameDefault() {
    PropertyDefault d([](Control& c) -> Value { return std::string(c.ClassName()); });
    d.firstTime = [](Control& c) -> Value { return c.GetSurface().Name(); };
    return d;
}

}  // namespace stolvane
