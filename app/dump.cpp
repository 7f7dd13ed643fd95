// SPDX-License-Identifier: MIT
#include "app/dump.h"

#include <charconv>
#include <cmath>

#include "core/surface_members.h"
#include "host/runtime.h"

namespace stolvane {

Json NumberJson(double v) {
    if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 9007199254740992.0)
        return Json(static_cast<int64_t>(v));
    return Json(v);
}

Json FloatJson(float v) {
    if (!std::isfinite(v)) return Json(nullptr);
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    double d = 0;
    std::from_chars(buf, res.ptr, d);
    return NumberJson(d);
}

Json ColourJson(OleColour c) { return Json(static_cast<uint32_t>(c)); }

Json FontJson(const Font& f) {
    Json j = Json::object();
    j["Name"] = f.name;
    j["Size"] = FloatJson(static_cast<float>(f.size));
    j["Bold"] = f.bold;
    j["Italic"] = f.italic;
    j["Underline"] = f.underline;
    j["Strikethrough"] = f.strikethrough;
    j["Weight"] = f.weight;
    j["Charset"] = f.charset;
    return j;
}

Json PictureJson(const PictureRef& picture) {
    // A property that holds no picture reference at all shows as the empty picture.
    const PictureRef& p = picture ? picture : Picture::Empty();
    Json j = Json::object();
    j["handle"] = p->Handle();
    j["width"] = NumberJson(p->WidthTwips());
    j["height"] = NumberJson(p->HeightTwips());
    return j;
}

Json ValueJson(const Value& v, PropType type) {
    if (std::holds_alternative<std::monostate>(v)) return Json(nullptr);
    switch (type) {
        case PropType::Boolean: return Json(AsNumber(v) != 0);
        case PropType::Int16:
        case PropType::Int32: return NumberJson(AsNumber(v));
        case PropType::Colour: return ColourJson(static_cast<OleColour>(static_cast<uint32_t>(AsInteger(v))));
        case PropType::Single: return FloatJson(static_cast<float>(AsNumber(v)));
        case PropType::String:
            if (auto s = std::get_if<std::string>(&v)) return Json(*s);
            break;
        case PropType::Font:
            if (auto f = std::get_if<FontRef>(&v)) return *f ? FontJson(**f) : Json(nullptr);
            break;
        case PropType::Picture:
            if (auto p = std::get_if<PictureRef>(&v)) return PictureJson(*p);
            break;
    }
    // A value of another kind than the property's type: show it as it is.
    if (auto i = std::get_if<int64_t>(&v)) return Json(*i);
    if (auto d = std::get_if<double>(&v)) return NumberJson(*d);
    if (auto s = std::get_if<std::string>(&v)) return Json(*s);
    if (auto f = std::get_if<FontRef>(&v)) return *f ? FontJson(**f) : Json(nullptr);
    if (auto p = std::get_if<PictureRef>(&v)) return PictureJson(*p);
    return Json(nullptr);
}

Json MemberJson(const ElementMember& m, const Element& e) {
    if (m.type == MemberType::Items) {
        Json items = Json::array();
        for (auto& item : m.getItems(e)) {
            Json it = Json::object();
            it["text"] = item.text;
            it["data"] = item.data;
            it["checked"] = item.checked;
            if (item.heading) {
                it["heading"] = true;
                it["collapsed"] = item.collapsed;
            }
            items.push_back(std::move(it));
        }
        return items;
    }
    return MemberValueJson(m.type, m.get(e));
}

Json MemberValueJson(MemberType type, const Value& v) {
    switch (type) {
        case MemberType::Boolean: return Json(AsInteger(v) != 0);
        case MemberType::Int16:
        case MemberType::Int32: return Json(AsInteger(v));
        case MemberType::Colour: return ColourJson(static_cast<OleColour>(AsInteger(v)));
        case MemberType::Twips:
        case MemberType::Size: return NumberJson(AsNumber(v));
        case MemberType::String: return Json(AsString(v));
        case MemberType::Font: return AsFont(v) ? FontJson(*AsFont(v)) : Json(nullptr);
        case MemberType::Picture: return PictureJson(AsPicture(v));
        case MemberType::Items: break;
    }
    return Json(nullptr);
}

namespace {

// The elements and controls a surface holds: design elements (embedded design children
// among them) under "elements", controls the form's author placed under "controls".
void Children(Runtime& runtime, Surface& s, Json& j) {
    Json elements = Json::array(), controls = Json::array();
    for (auto& e : s.Elements()) {
        auto* ce = dynamic_cast<ControlElement*>(e.get());
        if (ce && !ce->IsDesignChild())
            controls.push_back(DumpSurface(runtime, ce->GetSurface()));
        else
            elements.push_back(DumpElement(runtime, *e));
    }
    j["elements"] = std::move(elements);
    j["controls"] = std::move(controls);
}

}  // namespace

Json SurfaceMemberJson(Runtime& runtime, const SurfaceMember& m, Surface& s) {
    if (m.shownByRuntime && s.IsForm()) return Json(runtime.IsShown(static_cast<Form&>(s)));
    return MemberValueJson(m.type, m.get(s));
}

namespace {

// The surface's members that a dump shows at that place, under their keys or names.
void DumpMembers(Runtime& runtime, Surface& s, SurfaceMember::DumpPlace place, Json& j) {
    for (const SurfaceMember& m : SurfaceMembers())
        if (m.dump == place && m.AppliesTo(s))
            j[place == SurfaceMember::DumpKey ? m.Key() : m.name] = SurfaceMemberJson(runtime, m, s);
}

}  // namespace

Json DumpSurface(Runtime& runtime, Surface& s) {
    if (s.IsForm()) return DumpForm(runtime, static_cast<Form&>(s));
    Json j = Json::object();
    j["name"] = s.FullName();
    Control* c = s.GetControl();
    j["class"] = c ? c->ClassName() : "";
    DumpMembers(runtime, s, SurfaceMember::DumpKey, j);
    Json props = Json::object();
    if (c)
        for (auto& p : c->Properties())
            if (p.persisted) props[p.name] = ValueJson(p.get(*c), p.type);
    j["properties"] = std::move(props);
    Children(runtime, s, j);
    return j;
}

Json DumpForm(Runtime& runtime, Form& form) {
    Json j = Json::object();
    j["name"] = form.Name();
    j["class"] = "Form";
    DumpMembers(runtime, form, SurfaceMember::DumpKey, j);
    Json props = Json::object();
    DumpMembers(runtime, form, SurfaceMember::DumpProperty, props);
    j["properties"] = std::move(props);
    Children(runtime, form, j);
    return j;
}

Json DumpElement(Runtime& runtime, Element& e) {
    if (auto* ce = dynamic_cast<ControlElement*>(&e)) {
        Json inner = DumpSurface(runtime, ce->GetSurface());
        Json j = Json::object();
        j["name"] = e.FullName();
        j["kind"] = KindName(e.Kind());
        for (auto& [k, v] : inner.items())
            if (k != "name") j[k] = v;
        return j;
    }
    // Every member under its key, in the order of the kind's table; a member that was renamed is
    // also written under its old key.
    Json j = Json::object();
    j["name"] = e.FullName();
    j["kind"] = KindName(e.Kind());
    for (const ElementMember& m : KindInfo(e.Kind()).members) {
        std::string key = m.Key();
        if (j.contains(key)) continue;
        j[key] = MemberJson(m, e);
        for (const std::string& old : m.dumpAliases) j[old] = j[key];
    }
    return j;
}

}  // namespace stolvane
