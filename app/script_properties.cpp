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
    if (SameName(name, "Name")) return Json(s.FullName());
    if (SameName(name, "Left")) return NumberJson(s.Left());
    if (SameName(name, "Top")) return NumberJson(s.Top());
    if (SameName(name, "Width")) return NumberJson(s.Width());
    if (SameName(name, "Height")) return NumberJson(s.Height());
    if (SameName(name, "Visible")) return Json(s.IsForm() ? m_rt.IsShown(static_cast<Form&>(s)) : s.Visible());
    if (SameName(name, "Enabled")) return Json(s.Enabled());
    if (!s.IsForm()) {
        if (SameName(name, "TabIndex")) return Json(s.TabIndex());
        if (SameName(name, "TabStop")) return Json(s.TabStop());
        if (SameName(name, "Anchor")) return Json(AnchorText(s.Anchor()));
        return std::nullopt;
    }
    auto& f = static_cast<Form&>(s);
    if (SameName(name, "Caption")) return Json(f.Caption());
    if (SameName(name, "BackColour") || SameName(name, "BackColor")) return ColourJson(f.BackColour());
    if (SameName(name, "BorderStyle")) return Json(f.GetBorderStyle());
    if (SameName(name, "WindowState")) return Json(f.GetWindowState());
    if (SameName(name, "Font")) return f.GetFont() ? FontJson(*f.GetFont()) : Json(nullptr);
    if (SameName(name, "Picture")) return PictureJson(f.GetPicture());
    if (SameName(name, "Icon")) return PictureJson(f.Icon());
    if (SameName(name, "MinWidth")) return NumberJson(f.MinClientWidth());
    if (SameName(name, "MinHeight")) return NumberJson(f.MinClientHeight());
    if (SameName(name, "KeyPreview")) return Json(f.KeyPreview());
    if (SameName(name, "DefaultButton")) return Json(f.DefaultButton());
    if (SameName(name, "CancelButton")) return Json(f.CancelButton());
    return std::nullopt;
}

bool ScriptDriver::SetSurfaceProperty(Surface& s, const std::string& name, const InJson& v) {
    if (SameName(name, "Left")) s.SetLeft(JsonNumber(v));
    else if (SameName(name, "Top")) s.SetTop(JsonNumber(v));
    else if (SameName(name, "Width")) s.SetWidth(JsonNumber(v));
    else if (SameName(name, "Height")) s.SetHeight(JsonNumber(v));
    else if (SameName(name, "Enabled")) s.SetEnabled(JsonBoolean(v));
    else if (!s.IsForm()) {
        if (SameName(name, "Visible")) s.SetVisible(JsonBoolean(v));
        else if (SameName(name, "TabIndex")) s.SetTabIndex(ToInt16(JsonNumber(v)));
        else if (SameName(name, "TabStop")) s.SetTabStop(JsonBoolean(v));
        else if (SameName(name, "Anchor")) {
            if (!v.is_string()) throw BadValue();
            s.SetAnchor(ParseAnchor(v.get<std::string>()));
        } else return false;
    } else {
        auto& f = static_cast<Form&>(s);
        if (SameName(name, "Visible")) {
            if (JsonBoolean(v)) m_rt.ShowForm(f);
            else m_rt.HideForm(f);
        } else if (SameName(name, "Caption")) {
            if (!v.is_string()) throw BadValue();
            f.SetCaption(v.get<std::string>());
        } else if (SameName(name, "BackColour") || SameName(name, "BackColor")) f.SetBackColour(JsonColour(v));
        else if (SameName(name, "BorderStyle")) f.SetBorderStyle(ToInt16(JsonNumber(v)));
        else if (SameName(name, "WindowState")) f.SetWindowState(ToInt16(JsonNumber(v)));
        else if (SameName(name, "Font"))
            f.SetFont(std::make_shared<Font>(MergeFont(f.GetFont() ? *f.GetFont() : Font{}, v)));
        else if (SameName(name, "Picture")) f.SetPicture(AsPicture(ToValue(v, PropType::Picture, {})));
        else if (SameName(name, "Icon")) f.SetIcon(AsPicture(ToValue(v, PropType::Picture, {})));
        else if (SameName(name, "MinWidth")) f.SetMinClientSize(JsonNumber(v), f.MinClientHeight());
        else if (SameName(name, "MinHeight")) f.SetMinClientSize(f.MinClientWidth(), JsonNumber(v));
        else if (SameName(name, "KeyPreview")) f.SetKeyPreview(JsonBoolean(v));
        else if (SameName(name, "DefaultButton") || SameName(name, "CancelButton")) {
            if (!v.is_string()) throw BadValue();
            if (SameName(name, "DefaultButton")) f.SetDefaultButton(v.get<std::string>());
            else f.SetCancelButton(v.get<std::string>());
        } else return false;
    }
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
    Value value;
    switch (m->type) {
        case MemberType::Boolean: value = Value{static_cast<int64_t>(JsonBoolean(v) ? True : False)}; break;
        case MemberType::Int16: value = Value{static_cast<int64_t>(ToInt16(JsonNumber(v)))}; break;
        case MemberType::Int32: value = Value{static_cast<int64_t>(ToInt32(JsonNumber(v)))}; break;
        case MemberType::Colour: value = Value{static_cast<int64_t>(JsonColour(v))}; break;
        case MemberType::Twips:
        case MemberType::Size: value = Value{JsonNumber(v)}; break;
        case MemberType::String:
            if (!v.is_string()) throw BadValue();
            value = Value{v.get<std::string>()};
            break;
        case MemberType::Font: {
            FontRef now = AsFont(m->get(e));
            value = Value{std::make_shared<Font>(MergeFont(now ? *now : Font{}, v))};
            break;
        }
        case MemberType::Picture: value = ToValue(v, PropType::Picture, {}); break;
        case MemberType::Items: m->setItems(e, ScriptItems(v)); return;
    }
    m->set(e, value);
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
