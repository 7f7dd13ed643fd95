// Properties and methods by name for the scripted driver: a control's own property table first,
// then what the extender or the form offers; an element's members from its kind's table. Also the
// conversions of script values.
#include <algorithm>
#include <cctype>
#include <cmath>

#include "app/script_driver.h"
#include "core/convert.h"
#include "core/element_members.h"

namespace stolvane::scripting {

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

bool SameName(const std::string& a, const char* b) { return Lower(a) == Lower(b); }

// "Name" or "Name(3)".
std::pair<std::string, int> SplitIndex(const std::string& s) {
    auto open = s.find('(');
    if (open == std::string::npos || s.back() != ')') return {s, -1};
    std::string num = s.substr(open + 1, s.size() - open - 2);
    if (num.empty() || num.size() > 6 || !std::all_of(num.begin(), num.end(), ::isdigit)) return {s, -1};
    return {s.substr(0, open), std::stoi(num)};
}

HostError BadValue() { return HostError::InvalidProperty(); }
HostError NoMember(const std::string& what) {
    return HostError(ErrorNumber::NoSuchProperty, "Object doesn't support this property or method: " + what);
}

bool JsonBoolean(const InJson& v) {
    if (v.is_boolean()) return v.get<bool>();
    if (v.is_number()) return v.get<double>() != 0;
    throw BadValue();
}

double JsonNumber(const InJson& v) {
    if (!v.is_number()) throw BadValue();
    return v.get<double>();
}

OleColour JsonColour(const InJson& v) {
    return static_cast<OleColour>(AsInteger(Coerce(Value{JsonNumber(v)}, PropType::Colour)));
}

// A font object given in a script, its members laid over `base`. Bold and Weight follow each
// other unless both are given.
Font MergeFont(const Font& base, const InJson& v) {
    if (!v.is_object()) throw HostError(ErrorNumber::ObjectRequired, "Object required");
    Font f = base;
    bool boldGiven = false, weightGiven = false;
    for (auto& [key, val] : v.items()) {
        std::string k = Lower(key);
        if (k == "name") {
            // An empty name would save a form that cannot be loaded again.
            if (!val.is_string() || val.get_ref<const std::string&>().empty()) throw BadValue();
            f.name = val.get<std::string>();
        } else if (k == "size") {
            double s = JsonNumber(val);
            if (!(s > 0 && s < 2048)) throw BadValue();
            f.size = s;
        } else if (k == "bold") {
            f.bold = JsonBoolean(val);
            boldGiven = true;
        } else if (k == "italic") {
            f.italic = JsonBoolean(val);
        } else if (k == "underline") {
            f.underline = JsonBoolean(val);
        } else if (k == "strikethrough") {
            f.strikethrough = JsonBoolean(val);
        } else if (k == "weight") {
            int16_t w = ToInt16(JsonNumber(val));
            if (w < 0 || w > 1000) throw BadValue();
            f.weight = w;
            weightGiven = true;
        } else if (k == "charset") {
            int16_t c = ToInt16(JsonNumber(val));
            if (c < 0 || c > 255) throw BadValue();  // as form files hold it
            f.charset = c;
        } else {
            throw HostError(ErrorNumber::InvalidProperty, "Invalid property value: a font has no \"" + key + "\"");
        }
    }
    if (boldGiven && !weightGiven) f.weight = f.bold ? 700 : 400;
    if (weightGiven && !boldGiven) f.bold = f.weight >= 600;
    return f;
}

// ---------------------------------------------------------------- properties and methods

Value ScriptDriver::ToValue(const InJson& v, PropType type, const std::function<Value()>& current) {
    switch (type) {
        case PropType::Boolean: return Value{static_cast<int64_t>(JsonBoolean(v) ? True : False)};
        case PropType::Int16:
        case PropType::Int32:
        case PropType::Colour:
        case PropType::Single:
            if (v.is_number_integer()) return Value{v.get<int64_t>()};
            return Value{JsonNumber(v)};
        case PropType::String:
            if (!v.is_string()) throw BadValue();
            return Value{v.get<std::string>()};
        case PropType::Font: {
            Value now = current();
            auto* f = std::get_if<FontRef>(&now);
            Font base = f && *f ? **f : Font{};
            return Value{std::make_shared<Font>(MergeFont(base, v))};
        }
        case PropType::Picture:
            if (v.is_null()) return Value{Picture::Empty()};
            if (!v.is_string()) throw HostError(ErrorNumber::ObjectRequired, "Object required");
            return Value{m_rt.LoadPicture(v.get<std::string>())};
    }
    throw BadValue();
}

std::optional<Json> ScriptDriver::GetSurfaceProperty(Surface& s, const std::string& name) {
    const SurfaceMember* m = FindSurfaceMember(s, name);
    if (!m) return std::nullopt;
    return SurfaceMemberJson(m_rt, *m, s);
}

bool ScriptDriver::SetSurfaceProperty(Surface& s, const std::string& name, const InJson& v) {
    const SurfaceMember* m = FindSurfaceMember(s, name);
    if (!m || !m->set) return false;
    Value value = MemberValue(*m, v, [&] { return m->get(s); });
    if (m->shownByRuntime && s.IsForm()) {
        auto& f = static_cast<Form&>(s);
        if (AsInteger(value) != 0) m_rt.ShowForm(f);
        else m_rt.HideForm(f);
        return true;
    }
    m->set(s, value);
    return true;
}

Json ScriptDriver::GetElementMember(Element& e, const std::string& name) {
    const ElementMember* m = KindInfo(e.Kind()).Find(name);
    if (!m) throw NoMember(name);
    return MemberJson(*m, e);
}

// A list box's rows as a script gives them: strings, or {"text", "data", "checked"}.
static std::vector<ListBox::Item> ScriptItems(const InJson& v) {
    if (!v.is_array()) throw BadValue();
    std::vector<ListBox::Item> items;
    for (const InJson& it : v) {
        ListBox::Item item;
        if (it.is_string()) {
            item.text = it.get<std::string>();
        } else if (it.is_object()) {
            for (auto& [key, x] : it.items()) {
                std::string k = Lower(key);
                if (k == "text" && x.is_string()) item.text = x.get<std::string>();
                else if (k == "data") item.data = ToInt32(JsonNumber(x));
                else if (k == "checked") item.checked = JsonBoolean(x);
                else throw BadValue();
            }
        } else {
            throw BadValue();
        }
        items.push_back(std::move(item));
    }
    return items;
}

void ScriptDriver::SetElementMember(Element& e, const std::string& name, const InJson& v) {
    const ElementMember* m = KindInfo(e.Kind()).Find(name);
    if (!m) throw NoMember(name);
    if (m->readOnly) throw HostError(383, "Property is read-only");
    if (m->type == MemberType::Items) {
        m->setItems(e, ScriptItems(v));
        return;
    }
    m->set(e, MemberValue(*m, v, [&] { return m->get(e); }));
}

// A member's new value from a script, by the member's type; a font given in part changes only
// what it names of the current font.
Value ScriptDriver::MemberValue(const MemberInfo& m, const InJson& v, const std::function<Value()>& current) {
    switch (m.type) {
        case MemberType::Boolean: return Value{static_cast<int64_t>(JsonBoolean(v) ? True : False)};
        case MemberType::Int16: return Value{static_cast<int64_t>(ToInt16(JsonNumber(v)))};
        case MemberType::Int32: return Value{static_cast<int64_t>(ToInt32(JsonNumber(v)))};
        case MemberType::Colour: return Value{static_cast<int64_t>(JsonColour(v))};
        case MemberType::Twips:
        case MemberType::Size: return Value{JsonNumber(v)};
        case MemberType::String:
            if (!v.is_string()) throw BadValue();
            return Value{v.get<std::string>()};
        case MemberType::Font: {
            FontRef now = AsFont(current());
            return Value{std::make_shared<Font>(MergeFont(now ? *now : Font{}, v))};
        }
        case MemberType::Picture: return ToValue(v, PropType::Picture, {});
        case MemberType::Items: break;
    }
    throw BadValue();
}

Json ScriptDriver::GetProperty(const Target& t, const std::string& name) {
    if (t.element) {
        return GetElementMember(*t.element, name);
    }
    if (Control* c = t.surface->GetControl())
        if (const PropertyInfo* p = c->FindProperty(name)) return ValueJson(p->get(*c), p->type);
    if (auto j = GetSurfaceProperty(*t.surface, name)) return *j;
    throw NoMember(name);
}

void ScriptDriver::SetProperty(const Target& t, const std::string& name, const InJson& v) {
    if (t.element) {
        SetElementMember(*t.element, name, v);
        return;
    }
    if (Control* c = t.surface->GetControl()) {
        if (const PropertyInfo* p = c->FindProperty(name)) {
            if (!p->set) throw HostError(383, "Property is read-only");
            p->set(*c, ToValue(v, p->type, [&] { return p->get(*c); }));
            return;
        }
    }
    if (!SetSurfaceProperty(*t.surface, name, v)) throw NoMember(name);
}

void ScriptDriver::CmdSet(const InJson& c) {
    Target t = Find(String(c, "target"));
    std::string property = String(c, "property");
    const InJson* v = Arg(c, "value");
    if (!v) throw BadArgument("missing \"value\"");
    SetProperty(t, property, *v);
}

void ScriptDriver::CmdGet(const InJson& c) {
    Target t = Find(String(c, "target"));
    Json j = Json::object();
    j["value"] = GetProperty(t, String(c, "property"));
    Emit(j);
}

void ScriptDriver::CmdCall(const InJson& c) {
    Target t = Find(String(c, "target"));
    std::string method = String(c, "method");
    Control* control = t.element ? nullptr : t.surface->GetControl();
    if (!control) throw NoMember(method);
    Json j = Json::object();
    if (SameName(method, "Version")) {
        j["value"] = control->Version();
    } else if (SameName(method, "About")) {
        // Returns once the about form has closed; the commands in between went to it.
        control->About();
        j["value"] = nullptr;
    } else {
        throw NoMember(method);
    }
    Emit(j);
}

void ScriptDriver::CmdDump(const InJson& c) {
    Target t = Find(StringOr(c, "target").value_or(""));
    Json j = Json::object();
    j["dump"] = t.element ? DumpElement(m_rt, *t.element) : DumpSurface(m_rt, *t.surface);
    Emit(j);
}

void ScriptDriver::CmdPixel(const InJson& c) {
    double x = Number(c, "x"), y = Number(c, "y");
    Form& form = Current();
    if (x < 0 || y < 0 || x >= form.Width() || y >= form.Height())
        throw BadArgument("the point lies outside the form's client area");
    Json j = Json::object();
    j["value"] = ColourJson(RendererFor(form).PixelAt(x, y));
    Emit(j);
}

}  // namespace stolvane::scripting
