// The base every library control derives from: the members every class shares (Version,
// About), the lifecycle notifications the runtime delivers in order, the property-changed
// convention, and a property table each control fills once so that persistence, scripts and
// form files all work from the same list.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/convert.h"
#include "core/event.h"
#include "core/surface.h"
#include "core/value.h"

namespace stolvane {

inline constexpr const char* kLibraryVersion = "v1.15.96";
// The library's own pages: where the latest version can be downloaded (failure messages name
// it) and the about page the about badges open.
inline constexpr const char* kDownloadPage = "https://example.org/stolvane/download";
inline constexpr const char* kAboutPageAddress = "https://example.org/stolvane/about";

class Control;

// A named list of the values a property takes. A value outside the list is either refused
// (error 380) or, where the class gives it a meaning, stored and used as otherValues says.
struct EnumValue {
    std::string name;  // "tbtWin95"
    int32_t value = 0;
    std::string meaning;
};
struct EnumInfo {
    std::string name;  // "ButtonType"
    std::vector<EnumValue> values;
    std::string otherValues;  // what a value outside the list does; empty: it is refused
    bool Refuses() const { return otherValues.empty(); }
    bool Contains(int64_t v) const;
    std::string List() const;  // "tbtWin95 0, tbtTolvane 1, ..."
};

// One property of a control class: public name (also the persisted key), type, default used
// when reading and writing the store, and how to get, set (with notification and refresh) and
// load (store only, while reading) it.
struct PropertyInfo {
    std::string name;
    PropType type = PropType::Int32;
    bool isPublic = true;   // false: kept for the store only (no property of the interface)
    bool persisted = true;  // false: interface only, never stored
    std::function<Value(Control&)> storeDefault;
    std::function<Value(Control&)> get;
    std::function<void(Control&, const Value&)> set;
    std::function<void(Control&, const Value&)> load;
    // What the reference says: a one-line help text (empty where the class gives none) and the
    // enumeration the value belongs to.
    // The reference adds a note of what the property does where the help text is not enough.
    std::string help;
    std::string note;
    const EnumInfo* enumeration = nullptr;

    PropertyInfo Help(std::string text) && {
        help = std::move(text);
        return std::move(*this);
    }
    PropertyInfo Note(std::string text) && {
        note = std::move(text);
        return std::move(*this);
    }
    // Ties the property to its enumeration; a refusing enumeration makes the setter check.
    PropertyInfo Enumerated(const EnumInfo& e) &&;
};

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

    // The property table of the class, in interface and persistence order (each class keeps
    // it in a static PropertyTable() that its class description also hands out).
    virtual const std::vector<PropertyInfo>& Properties() const = 0;
    const PropertyInfo* FindProperty(const std::string& name) const;
    Value GetProperty(const std::string& name);
    void SetProperty(const std::string& name, const Value& v);

    // Handlers by event name, for forms and scripts that do not know the typed events. A name
    // the class has no event of is refused (error 5, naming the nearest event).
    Connection OnEvent(std::string name, std::function<void(EventArgs&)> handler);

protected:
    void ReadAllProperties(PropertyBag& bag);
    void WriteAllProperties(PropertyBag& bag);
    // Step 2 of every setter: tell the host the property changed, by its persisted name.
    void PropertyChanged(const std::string& key) { GetHost().PropertyChanged(m_surface, key); }

    // Raises an event: to the runtime by name (with references to the arguments), to the
    // name handlers, then to the typed handlers.
    template <class... A>
    void Raise(const Event<A...>& event, A&... args) {
        EventArgs list;
        size_t i = 0;
        (list.push_back(EventArg{event.ArgNames()[i++], &args}), ...);
        RaiseByName(event.Name(), list);
        event.Invoke(args...);
    }
    void RaiseByName(const std::string& name, EventArgs& args);

private:
    Surface& m_surface;
    struct NameHandler {
        uint64_t id;
        std::string name;
        std::function<void(EventArgs&)> handler;
    };
    std::shared_ptr<std::vector<NameHandler>> m_nameHandlers = std::make_shared<std::vector<NameHandler>>();
    uint64_t m_lastHandlerId = 0;
};

// Builds a property entry for a field and its public setter.
template <class C, class F, class S>
PropertyInfo FieldProperty(std::string name, PropType type, F C::*field, std::function<Value(Control&)> storeDefault,
                           S setter) {
    PropertyInfo p;
    p.name = std::move(name);
    p.type = type;
    p.storeDefault = std::move(storeDefault);
    p.get = [field, type](Control& c) -> Value {
        auto& v = static_cast<C&>(c).*field;
        if constexpr (std::is_same_v<F, std::string> || std::is_same_v<F, FontRef> || std::is_same_v<F, PictureRef>)
            return Value{v};
        else if constexpr (std::is_floating_point_v<F>)
            return Value{static_cast<double>(v)};
        else
            return Value{static_cast<int64_t>(v)};
    };
    auto convert = [type](const Value& v) -> F {
        Value c = Coerce(v, type);
        if constexpr (std::is_same_v<F, std::string>) return AsString(c);
        else if constexpr (std::is_same_v<F, FontRef>) return AsFont(c);
        else if constexpr (std::is_same_v<F, PictureRef>) return AsPicture(c);
        else if constexpr (std::is_floating_point_v<F>) return static_cast<F>(AsNumber(c));
        else return static_cast<F>(AsInteger(c));
    };
    p.load = [field, convert](Control& c, const Value& v) { static_cast<C&>(c).*field = convert(v); };
    if constexpr (std::is_same_v<S, std::nullptr_t>) {
        p.set = [field, convert, name = p.name](Control& c, const Value& v) {
            static_cast<C&>(c).*field = convert(v);
            c.GetHost().PropertyChanged(c.GetSurface(), name);
        };
    } else {
        p.set = [setter, convert](Control& c, const Value& v) { (static_cast<C&>(c).*setter)(convert(v)); };
    }
    return p;
}

// The alignment constants of captions; a caption refuses any other value.
const EnumInfo& AlignmentEnum();

// Throws error 380 when an enumerated property that refuses other values is given one.
void CheckEnumerated(const PropertyInfo& p, const Value& v);

// A fixed store default.
inline std::function<Value(Control&)> Default(Value v) {
    return [v](Control&) { return v; };
}
// The ambient font as the store default.
std::function<Value(Control&)> AmbientFontDefault();

}  // namespace stolvane
