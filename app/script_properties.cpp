// SPDX-License-Identifier: MIT
// Properties and methods by name for the scripted driver: a control's own property table first,
// then what the extender or the form offers; an element's members from its kind's table. Also the
// conversions of script values.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

#include <glib.h>

#include "app/script_driver.h"
#include "core/convert.h"
#include "core/element_members.h"
#include "core/names.h"
#include "host/media.h"
#include "core/errors.h"
#include "core/text.h"

namespace stolvane::scripting {

std::string Lower(std::string s) { return ToLower(std::move(s)); }

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
HostError BadValue(const std::string& why) {
    return HostError(ErrorNumber::InvalidProperty, "Invalid property value: " + why);
}
HostError NoMember(const std::string& what) {
    return Errors::NoSuchProperty(what);
}
HostError NoMember(const std::string& what, const std::vector<std::string>& valid) {
    return HostError(ErrorNumber::NoSuchProperty, "Object doesn't support this property or method: " + what +
                                                      DidYouMean(what, valid) + "; its members are " + JoinNames(valid));
}

// A value as a message quotes it, cut short when long.
static std::string Shown(const InJson& v) {
    if (v.is_object()) return "an object";
    if (v.is_array()) return "a list";
    std::string text = v.dump();
    return text.size() > 40 ? text.substr(0, 37) + "..." : text;
}
static HostError Expected(const std::string& what, const InJson& v) {
    return BadValue("expected " + what + ", found " + Shown(v));
}

bool JsonBoolean(const InJson& v) {
    if (v.is_boolean()) return v.get<bool>();
    if (v.is_number()) return v.get<double>() != 0;
    throw Expected("true or false (or a number, 0 being false)", v);
}

double JsonNumber(const InJson& v) {
    if (!v.is_number()) throw Expected("a number", v);
    return v.get<double>();
}

// A number, or a string "0x00BBGGRR" as form files write colours.
OleColour JsonColour(const InJson& v) {
    const char* expected = "a colour (an integer or \"0x00BBGGRR\")";
    if (v.is_string()) {
        const std::string& s = v.get_ref<const std::string&>();
        if (s.size() > 2 && s.size() <= 10 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
            uint32_t c = 0;
            auto r = std::from_chars(s.data() + 2, s.data() + s.size(), c, 16);
            if (r.ec == std::errc() && r.ptr == s.data() + s.size()) return c;
        }
        throw Expected(expected, v);
    }
    if (!v.is_number()) throw Expected(expected, v);
    return static_cast<OleColour>(AsInteger(Coerce(Value{v.get<double>()}, PropType::Colour)));
}

// What a property or member of a type takes, as messages say it.
static std::string TypeWants(PropType type) {
    switch (type) {
        case PropType::Boolean: return "true or false";
        case PropType::Int16: return "an integer from -32768 to 32767";
        case PropType::Int32: return "a 32-bit integer";
        case PropType::Colour: return "a colour (an integer or \"0x00BBGGRR\")";
        case PropType::Single: return "a number";
        case PropType::String: return "a string";
        case PropType::Font: return "a font object such as {\"Name\": \"Tahoma\", \"Size\": 8.25}";
        case PropType::Picture: return "a picture path, a data: URL or null";
    }
    return "a value";
}

static const std::vector<std::string> kFontMembers{"Name",      "Size",          "Bold",   "Italic",
                                                   "Underline", "Strikethrough", "Weight", "Charset"};

// A font object given in a script, its members laid over `base`. Bold and Weight follow each
// other unless both are given.
Font MergeFont(const Font& base, const InJson& v) {
    if (!v.is_object())
        throw HostError(ErrorNumber::ObjectRequired, "Object required: expected " + TypeWants(PropType::Font) +
                                                         ", found " + Shown(v));
    Font f = base;
    bool boldGiven = false, weightGiven = false;
    for (auto& [key, val] : v.items()) {
        std::string k = Lower(key);
        if (k == "name") {
            // An empty name would save a form that cannot be loaded again.
            if (!val.is_string() || val.get_ref<const std::string&>().empty())
                throw Expected("a font name (a string that is not empty) for the font's Name", val);
            f.name = val.get<std::string>();
        } else if (k == "size") {
            double s = JsonNumber(val);
            if (!(s > 0 && s <= 2048)) throw Expected("a font size above 0 and up to 2048 points", val);
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
            if (w < 0 || w > 1000) throw Expected("a font weight from 0 to 1000", val);
            f.weight = w;
            weightGiven = true;
        } else if (k == "charset") {
            int16_t c = ToInt16(JsonNumber(val));
            if (c < 0 || c > 255) throw Expected("a character set from 0 to 255", val);  // as form files hold it
            f.charset = c;
        } else {
            throw BadValue("a font has no \"" + key + "\"" + DidYouMean(key, kFontMembers) + "; its members are " +
                           JoinNames(kFontMembers));
        }
    }
    if (boldGiven && !weightGiven) f.weight = WeightFor(f.bold);
    if (weightGiven && !boldGiven) f.bold = f.weight >= 600;
    return f;
}

// ---------------------------------------------------------------- properties and methods

Value ScriptDriver::ToValue(const InJson& v, PropType type, const std::function<Value()>& current) {
    switch (type) {
        case PropType::Boolean: return Value{int64_t{ToBoolean(JsonBoolean(v)).Raw()}};
        case PropType::Colour: return Value{static_cast<int64_t>(JsonColour(v))};
        case PropType::Int16:
        case PropType::Int32:
        case PropType::Single:
            if (v.is_number_integer()) return Value{v.get<int64_t>()};
            if (!v.is_number()) throw Expected(TypeWants(type), v);
            return Value{v.get<double>()};
        case PropType::String:
            if (!v.is_string()) throw Expected(TypeWants(type), v);
            return Value{v.get<std::string>()};
        case PropType::Font: {
            Value now = current();
            auto* f = std::get_if<FontRef>(&now);
            Font base = f && *f ? **f : Font{};
            return Value{std::make_shared<Font>(MergeFont(base, v))};
        }
        case PropType::Picture: {
            // As in form files: null or "" for no picture, a path, or a base64 data: URL.
            if (v.is_null()) return Value{Picture::Empty()};
            if (!v.is_string())
                throw HostError(ErrorNumber::ObjectRequired,
                                "Object required: expected " + TypeWants(type) + ", found " + Shown(v));
            const std::string& text = v.get_ref<const std::string&>();
            if (text.empty()) return Value{Picture::Empty()};
            if (text.rfind("data:", 0) == 0) {
                auto comma = text.find(',');
                std::string header = comma == std::string::npos ? "" : text.substr(5, comma - 5);
                if (comma == std::string::npos || header.size() < 7 || header.compare(header.size() - 7, 7, ";base64"))
                    throw BadValue("a data: URL must be base64, as \"data:image/png;base64,...\"");
                std::string encoded = text.substr(comma + 1);
                gsize length = 0;
                guchar* bytes = g_base64_decode(encoded.c_str(), &length);
                std::string decoded(reinterpret_cast<const char*>(bytes), length);
                g_free(bytes);
                return Value{DecodePicture(decoded, "")};
            }
            return Value{m_rt.LoadPicture(text)};
        }
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

// The names a target answers to, for the message that answers a misspelt one.
static const std::vector<std::string> kSurfaceMembers{"Name",    "Left",     "Top",     "Width",  "Height",
                                                      "Visible", "Enabled", "TabIndex", "TabStop",
                                                      "Anchor",  "ToolTipText"};
static const std::vector<std::string> kFormMembers{"Name",    "Left",        "Top",         "Width",
                                                   "Height",  "Visible",     "Enabled",     "Caption",
                                                   "BackColour", "BorderStyle", "WindowState", "Font",
                                                   "Picture", "Icon"};

static std::vector<std::string> ElementMemberNames(const Element& e) {
    std::vector<std::string> names;
    for (const ElementMember& m : KindInfo(e.Kind()).members) names.push_back(m.name);
    return names;
}

static std::vector<std::string> MemberNames(const Target& t) {
    if (t.element) return ElementMemberNames(*t.element);
    std::vector<std::string> names;
    if (Control* c = t.surface->GetControl())
        for (const PropertyInfo& p : c->Properties())
            if (p.isPublic) names.push_back(p.name);
    for (const std::string& n : t.surface->IsForm() ? kFormMembers : kSurfaceMembers)
        if (std::find(names.begin(), names.end(), n) == names.end()) names.push_back(n);
    return names;
}

Json ScriptDriver::GetElementMember(Element& e, const std::string& name) {
    const ElementMember* m = KindInfo(e.Kind()).Find(name);
    if (!m) throw NoMember(name, ElementMemberNames(e));
    return MemberJson(*m, e);
}

// A list box's rows as a script gives them: strings, or {"text", "data", "checked", "heading",
// "collapsed"}.
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
                else if (k == "heading") item.heading = JsonBoolean(x);
                else if (k == "collapsed") item.collapsed = JsonBoolean(x);
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
    if (!m) throw NoMember(name, ElementMemberNames(e));
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
        case MemberType::Boolean: return Value{int64_t{ToBoolean(JsonBoolean(v)).Raw()}};
        case MemberType::Int16: return Value{static_cast<int64_t>(ToInt16(JsonNumber(v)))};
        case MemberType::Int32: return Value{static_cast<int64_t>(ToInt32(JsonNumber(v)))};
        case MemberType::Colour: return Value{static_cast<int64_t>(JsonColour(v))};
        case MemberType::Twips:
        case MemberType::Size: return Value{JsonNumber(v)};
        case MemberType::String:
            if (!v.is_string()) throw Expected("a string", v);
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
    throw NoMember(name, MemberNames(t));
}

// A refused value names the property, what it takes and what it was given, as form files do.
void ScriptDriver::SetProperty(const Target& t, const std::string& name, const InJson& v) {
    try {
        if (t.element) {
            SetElementMember(*t.element, name, v);
            return;
        }
        if (Control* c = t.surface->GetControl()) {
            if (const PropertyInfo* p = c->FindProperty(name)) {
                if (!p->set) throw HostError(383, "Property is read-only");
                Value value = ToValue(v, p->type, [&] { return p->get(*c); });
                if (const EnumInfo* e = p->enumeration; e && e->Refuses()) {
                    int64_t n = AsInteger(Coerce(value, p->type));
                    if (!e->Contains(n))
                        throw BadValue(std::to_string(n) + " is not " + WithArticle(e->name) + " value (" + e->List() +
                                       ")");
                }
                p->set(*c, value);
                return;
            }
        }
        if (!SetSurfaceProperty(*t.surface, name, v)) throw NoMember(name, MemberNames(t));
    } catch (HostError& e) {
        const std::string bare = "Invalid property value";
        if (e.number != ErrorNumber::InvalidProperty || e.description.rfind(bare, 0) != 0) throw;
        std::string detail = e.description.size() > bare.size() + 2 ? e.description.substr(bare.size() + 2)
                                                                     : Shown(v) + " is refused";
        throw BadValue(name + ": " + detail);
    }
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
