#include "core/control.h"

#include "core/form.h"

namespace stolvane {

// A surface owns its control: making, replacing and destroying it need the control's type,
// so these live here rather than in core/surface.cpp.
Surface::Surface(Host& host, std::string name, int index) : m_host(host), m_name(std::move(name)), m_index(index) {}

Surface::~Surface() {
    // The control goes first: it may still refer to its elements while being destroyed.
    m_control.reset();
    m_elements.clear();
}

void Surface::SetControl(std::unique_ptr<Control> c) { m_control = std::move(c); }

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

void Control::OnEvent(std::string name, std::function<void(EventArgs&)> handler) {
    m_nameHandlers.emplace_back(std::move(name), std::move(handler));
}

void Control::RaiseByName(const std::string& name, EventArgs& args) {
    GetHost().RaiseEvent(m_surface, name, args);
    auto handlers = m_nameHandlers;
    for (auto& [n, h] : handlers)
        if (n == name) h(args);
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
