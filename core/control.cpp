// SPDX-License-Identifier: MIT
#include "core/control.h"

#include <stdexcept>

#include "core/form.h"
#include "core/library.h"
#include "core/names.h"

#include <algorithm>
#include <mutex>
#include <unordered_map>

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

void Control::OpenHyperlink(const std::string& address) {
    try {
        GetHost().Navigate(address);
    } catch (const HostError&) {
        GetHost().MsgBox("The " + std::string(ClassName()) + " was unable to link to " + address +
                         ". Your system is not correctly configured for WWW access.");
    }
}

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
    if (!p) throw Errors::NoSuchProperty();
    return p->get(*this);
}

void Control::SetProperty(const std::string& name, const Value& v) {
    const PropertyInfo* p = FindProperty(name);
    if (!p) throw Errors::NoSuchProperty();
    p->set(*this, v);
}

const PropertyInfo& Control::DeclarationOf(const void* field) const {
    for (auto& p : Properties())
        if (p.field && p.field(*this) == field) return p;
    throw std::logic_error(std::string(ClassName()) + ": a setter for a field its property table does not declare");
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
    if (!m_nameHandlers) m_nameHandlers = std::make_shared<std::vector<NameHandler>>();
    m_nameHandlers->push_back({id, std::move(name), std::move(handler)});
    std::weak_ptr<std::vector<NameHandler>> handlers = m_nameHandlers;
    return Connection([handlers, id] {
        if (auto h = handlers.lock()) std::erase_if(*h, [id](const NameHandler& n) { return n.id == id; });
    });
}

void Control::RaiseByName(const std::string& name, EventArgs& args) {
    if (!RaisesEvents()) return;
    GetHost().RaiseEvent(m_surface, name, args);
    if (!m_nameHandlers || m_nameHandlers->empty()) return;
    auto handlers = *m_nameHandlers;
    for (auto& h : handlers)
        if (h.name == name) h.handler(args);
}

void Control::ApplyFirstTimeDefaults() {
    for (auto& p : Properties()) p.load(*this, p.firstTime ? p.firstTime(*this) : p.storeDefault(*this));
}

namespace {

// The saved order of a class's property table, worked out once per table: every instance of a
// class reads and writes its store in it. Tables are static, one per class.
const std::vector<const PropertyInfo*>& SavedOrderOf(const std::vector<PropertyInfo>& table) {
    static std::mutex mutex;
    static std::unordered_map<const std::vector<PropertyInfo>*, std::vector<const PropertyInfo*>> orders;
    std::lock_guard lock(mutex);
    auto it = orders.find(&table);
    if (it == orders.end()) it = orders.emplace(&table, SavedOrder(table)).first;
    return it->second;
}

}  // namespace

void Control::ReadAllProperties(PropertyBag& bag) {
    for (const PropertyInfo* p : SavedOrderOf(Properties())) p->load(*this, bag.Read(p->name, p->storeDefault(*this)));
}

void Control::WriteAllProperties(PropertyBag& bag) {
    for (const PropertyInfo* p : SavedOrderOf(Properties())) bag.Write(p->name, p->get(*this), p->storeDefault(*this));
}

}  // namespace stolvane
