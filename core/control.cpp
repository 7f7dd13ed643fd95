#include "core/control.h"

#include "core/form.h"
#include "core/library.h"
#include "core/names.h"

#include <algorithm>

namespace stolvane {

void Control::About() {
    Host& host = GetHost();
    Form& about = host.LoadForm("frmAbout");
    if (Form* owner = m_surface.OwningForm()) about.CentreOn(*owner);
    try {
        host.ShowModal(about, &m_surface);
    } catch (...) {
        host.UnloadForm(about);  // nothing stays loaded when the box cannot be shown
        throw;
    }
    host.UnloadForm(about);
}

const PropertyInfo* Control::FindProperty(const std::string& name) const {
    for (auto& p : Properties())
        if (p.isPublic && p.name == name) return &p;
    return nullptr;
}

Value Control::GetProperty(const std::string& name) {
    const PropertyInfo* p = FindProperty(name);
    if (!p) throw HostError(ErrorNumber::NoSuchProperty, "Object doesn't support this property or method");
    return p->get(*this);
}

void Control::SetProperty(const std::string& name, const Value& v) {
    const PropertyInfo* p = FindProperty(name);
    if (!p) throw HostError(ErrorNumber::NoSuchProperty, "Object doesn't support this property or method");
    p->set(*this, v);
}

Connection Control::OnEvent(std::string name, std::function<void(EventArgs&)> handler) {
    if (const ClassInfo* info = Library::Instance().FindClass(ClassName()); info && info->events) {
        std::vector<std::string> names;
        for (const EventInfo& e : info->events(*this)) names.push_back(e.name);
        if (std::find(names.begin(), names.end(), name) == names.end())
            throw HostError(ErrorNumber::InvalidCall, std::string(ClassName()) + " has no event \"" + name + "\"" +
                                                          DidYouMean(name, names) + "; its events are " +
                                                          JoinNames(names));
    }
    const uint64_t id = ++m_lastHandlerId;
    m_nameHandlers->push_back({id, std::move(name), std::move(handler)});
    std::weak_ptr<std::vector<NameHandler>> handlers = m_nameHandlers;
    return Connection([handlers, id] {
        if (auto h = handlers.lock()) std::erase_if(*h, [id](const NameHandler& n) { return n.id == id; });
    });
}

void Control::RaiseByName(const std::string& name, EventArgs& args) {
    GetHost().RaiseEvent(m_surface, name, args);
    auto handlers = *m_nameHandlers;
    for (auto& h : handlers)
        if (h.name == name) h.handler(args);
}

void Control::ReadAllProperties(PropertyBag& bag) {
    for (auto& p : Properties())
        if (p.persisted) p.load(*this, bag.Read(p.name, p.storeDefault(*this)));
}

void Control::WriteAllProperties(PropertyBag& bag) {
    for (auto& p : Properties())
        if (p.persisted) bag.Write(p.name, p.get(*this), p.storeDefault(*this));
}

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

}  // namespace stolvane
