// SPDX-License-Identifier: MIT
// The base every library control derives from: the members every class shares (Version,
// About), the lifecycle notifications the runtime delivers in order, and the property-changed
// convention carried out from the class's property table (core/property.h), so that the typed
// setters, persistence, scripts and form files all work from the same declarations.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <stolvane/core/convert.h>
#include <stolvane/core/event.h>
#include <stolvane/core/property.h>
#include <stolvane/core/surface.h>
#include <stolvane/core/value.h>

namespace stolvane {

inline constexpr const char* kLibraryVersion = "v1.15.96";
// The library's about page, which the about badges open and the failure messages name: the
// installed documentation's about.html as a file: address (in a build tree, the source tree's),
// unless the application set an address of its own. The runtime opens this one file: address.
std::string AboutPageAddress();
void SetAboutPageAddress(std::string address);  // empty: back to the installed page

class Control {
public:
    explicit Control(Surface& surface) : m_surface(surface) {}
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    virtual const char* ClassName() const = 0;
    Surface& GetSurface() const { return m_surface; }
    Host& GetHost() const { return m_surface.GetHost(); }

    // Members every class carries first.
    std::string Version() const { return kLibraryVersion; }
    // Loads the about form, shows it modally with this control as owner, unloads it when closed.
    void About();

    // Lifecycle, in the order the runtime drives it.
    virtual void InitProperties() {}  // a new instance: first-time defaults
    virtual void ReadProperties(PropertyBag& bag) { ReadAllProperties(bag); }
    virtual void WriteProperties(PropertyBag& bag) { WriteAllProperties(bag); }
    virtual void Resize() {}
    virtual void Show() {}

    // Interaction on the control's own surface. The notifications carry an On prefix so that a
    // control's events can bear the classic names (`label.Click += ...`).
    virtual void OnMouseDown(MouseArgs&) {}
    virtual void OnMouseMove(MouseArgs&) {}
    virtual void OnMouseUp(MouseArgs&) {}
    virtual void OnClick() {}
    virtual void OnDblClick() {}
    virtual void OnKeyPress(int16_t& /*keyAscii*/) {}
    virtual void OnAccessKeyPress(int16_t /*keyAscii*/) {}
    virtual void OnGotFocus() {}
    virtual void OnLostFocus() {}
    // Something was dragged from another program and dropped on the surface.
    virtual void OnOLEDragDrop(DragData& /*data*/, int32_t& /*effect*/, MouseArgs& /*args*/) {}
    // A push button clicks as its keyboard does (Enter on it; a form's default or cancel
    // button) and answers true; other controls do nothing and answer false.
    virtual bool Push() { return false; }
    // Access keys the control answers to (letters after '&' in its caption), upper case.
    virtual std::string AccessKeys() const { return {}; }

    // The property table of the class, in interface order; the store reads and writes it in
    // the same order but for declarations placed with SavedAt (SavedOrder). Each class keeps it
    // in a static PropertyTable() that its class description also hands out.
    virtual const std::vector<PropertyInfo>& Properties() const = 0;
    const PropertyInfo* FindProperty(const std::string& name) const;
    Value GetProperty(const std::string& name);
    void SetProperty(const std::string& name, const Value& v);

    // Handlers by event name, for forms and scripts that do not know the typed events. A name
    // the class has no event of is refused (error 5, naming the nearest event).
    Connection OnEvent(std::string name, std::function<void(EventArgs&)> handler);

    // The body of every typed setter: stores the value as its declaration says (Normalised),
    // tells the host by the declared name and runs the declared refresh.
    template <class F, class V>
    void Assign(F& field, V&& value) {
        const PropertyInfo& p = DeclarationOf(&field);
        Store(p, field, Normalised(F(std::forward<V>(value)), p.type));
    }
    // The same, storing the value exactly as given.
    template <class F>
    void AssignAsGiven(F& field, F value) {
        Store(DeclarationOf(&field), field, std::move(value));
    }
    // The declaration of the property an m_ field holds (a logic error when there is none).
    const PropertyInfo& DeclarationOf(const void* field) const;

protected:
    // Every property takes the value a newly placed instance starts with.
    void ApplyFirstTimeDefaults();
    void ReadAllProperties(PropertyBag& bag);
    void WriteAllProperties(PropertyBag& bag);
    // Step 2 of every setter: tell the host the property changed, by its persisted name.
    void PropertyChanged(const std::string& key) { GetHost().PropertyChanged(m_surface, key); }

    // Raises an event: to the runtime by name (with references to the arguments), to the
    // name handlers, then to the typed handlers.
    template <class... A>
    void Raise(const Event<A...>& event, A&... args) {
        if (!RaisesEvents()) return;
        EventArgs list;
        size_t i = 0;
        (list.push_back(EventArg{event.ArgNames()[i++], &args}), ...);
        RaiseByName(event.Name(), list);
        event.Invoke(args...);
    }
    void RaiseByName(const std::string& name, EventArgs& args);
    // False while the control is being designed (the host's user mode is off): its events then
    // reach no handler.
    bool RaisesEvents() const { return GetHost().UserMode(m_surface); }
    // Opens a hyperlink in the browser; where that fails, tells the user so in a message box.
    void OpenHyperlink(const std::string& address);

private:
    template <class F>
    void Store(const PropertyInfo& p, F& field, F value) {
        field = std::move(value);
        PropertyChanged(p.name);
        if (p.effect) p.effect(*this);
    }

    Surface& m_surface;
    struct NameHandler {
        uint64_t id;
        std::string name;
        std::function<void(EventArgs&)> handler;
    };
    std::shared_ptr<std::vector<NameHandler>> m_nameHandlers;  // made when the first is added
    uint64_t m_lastHandlerId = 0;
};

// Declares a property held in the field of class C: its name (also the saved key), type,
// default and the refresh its setter runs after storing and notifying (none when null).
template <class C, class F>
PropertyInfo Declare(std::string name, PropType type, F C::*field, PropertyDefault def,
                     void (C::*effect)() = nullptr) {
    PropertyInfo p;
    p.name = std::move(name);
    p.type = type;
    p.storeDefault = std::move(def.store);
    p.firstTime = std::move(def.firstTime);
    p.get = [field](Control& c) { return FieldValue(static_cast<C&>(c).*field); };
    p.load = [field, type](Control& c, const Value& v) { static_cast<C&>(c).*field = FieldFrom<F>(v, type); };
    p.set = [field, type](Control& c, const Value& v) {
        C& object = static_cast<C&>(c);
        object.Assign(object.*field, FieldFrom<F>(v, type));
    };
    p.field = [field](const Control& c) -> const void* { return &(static_cast<const C&>(c).*field); };
    if (effect) p.effect = [effect](Control& c) { (static_cast<C&>(c).*effect)(); };
    return p;
}

// A control whose properties all live in its table, as the library's do: a new instance takes
// the first-time defaults, a stored one reads the store, and either way Refresh lays it out.
class DeclaredControl : public Control {
public:
    using Control::Control;
    void InitProperties() override {
        ApplyFirstTimeDefaults();
        Refresh();
    }
    void ReadProperties(PropertyBag& bag) override {
        ReadAllProperties(bag);
        Refresh();
    }

protected:
    // The control's refresh procedure (RefreshPanel, LayOut, ...); none by default.
    virtual void Refresh() {}

    // Declares a property whose setter runs the control's refresh procedure, as most do.
    template <class C, class F>
    static PropertyInfo Refreshing(std::string name, PropType type, F C::*field, PropertyDefault def) {
        PropertyInfo p = Declare(std::move(name), type, field, std::move(def));
        p.effect = [](Control& c) { static_cast<DeclaredControl&>(c).Refresh(); };
        return p;
    }
};

// A control of the library's own placed in another control's design (the caption label of the
// button and of the check box): the element that holds it and the control, typed.
template <class C>
class Embedded {
public:
    void Place(Surface& in, std::string name, const Rect& rect, const PropertyMap& design) {
        m_element = &in.AddControl(C::kClassName, std::move(name), rect, design);
        m_control = &static_cast<C&>(m_element->GetControl());
    }
    C* operator->() const { return m_control; }
    C& operator*() const { return *m_control; }
    Surface& GetSurface() const { return m_element->GetSurface(); }

private:
    ControlElement* m_element = nullptr;
    C* m_control = nullptr;
};

// A property entry for a field and a setter of the class's own (nullptr: store and notify).
template <class C, class F, class S>
PropertyInfo FieldProperty(std::string name, PropType type, F C::*field, std::function<Value(Control&)> storeDefault,
                           S setter) {
    PropertyInfo p = Declare(std::move(name), type, field, PropertyDefault(std::move(storeDefault)));
    if constexpr (!std::is_same_v<S, std::nullptr_t>)
        p.set = [setter, type](Control& c, const Value& v) { (static_cast<C&>(c).*setter)(FieldFrom<F>(v, type)); };
    return p;
}

}  // namespace stolvane

// What every library control class declares, first in its body: its constructor on a surface,
// its class name (and Self for the class), the size of a newly placed instance (twips), its
// property table (declared once, as core/property.h says, by the class's static Declarations(),
// and kept from the first use) and its class description.
#define STOLVANE_CONTROL_CLASS(Name, designWidth, designHeight)                                 \
public:                                                                                        \
    using Self = Name;                                                                         \
    static constexpr const char* kClassName = #Name;                                           \
    static constexpr double kDesignWidth = designWidth, kDesignHeight = designHeight;          \
    explicit Name(Surface& surface);                                                           \
    const char* ClassName() const override { return kClassName; }                              \
    static std::vector<PropertyInfo> Declarations();                                           \
    static const std::vector<PropertyInfo>& PropertyTable() {                                  \
        static const std::vector<PropertyInfo> table = Declarations();                         \
        return table;                                                                          \
    }                                                                                          \
    const std::vector<PropertyInfo>& Properties() const override { return PropertyTable(); }   \
    static ClassInfo Class();
