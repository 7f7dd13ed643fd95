#include "core/control.h"

#include "core/form.h"

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

std::function<Value(Control&)> AmbientFontDefault() {
    return [](Control& c) -> Value { return c.GetHost().AmbientFont(c.GetSurface()); };
}

}  // namespace stolvane
