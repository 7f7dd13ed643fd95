// SPDX-License-Identifier: MIT
// Launching controls: creating a control on its surface and running its lifecycle (first-time
// defaults or stored properties, then Resize, then Show when its form is shown), for controls
// placed on forms, design children of other controls, and intrinsic elements placed by name.

#include "host/runtime.h"

#include "core/element_members.h"

#include "host/runtime_internal.h"

namespace stolvane {

namespace {

// Stored values read where they are kept: a control reading its properties only asks for
// values, so a large form's controls need no copy of their bags. What reading writes back
// (nothing a control does now) would go nowhere, as it went into a copy before.
class StoredValues final : public PropertyBag {
public:
    explicit StoredValues(const PropertyMap& stored) : m_stored(stored) {}
    Value Read(const std::string& key, const Value& defaultValue) override {
        for (auto& [k, v] : m_stored.Entries()) {
            if (k != key) continue;
            // Each reader gets its own font object, so instances read from one store stay apart.
            if (auto f = std::get_if<FontRef>(&v); f && *f) return std::make_shared<Font>(**f);
            return v;
        }
        return defaultValue;
    }
    void Write(const std::string&, const Value&, const Value&) override {}

private:
    const PropertyMap& m_stored;
};

}  // namespace

std::unique_ptr<Surface> Runtime::MakeControl(Surface& container, const std::string& className,
                                              const std::string& name, int index, const Rect& rect) {
    const ClassInfo* info = m_library.FindClass(className);
    if (!info) throw HostError(ErrorNumber::InvalidCall, "The library has no class named " + className);
    if (rect.width < 0 || rect.height < 0) throw HostError::InvalidProperty();
    auto surface = std::make_unique<Surface>(*this, name, index);
    surface->SetContainer(&container);
    surface->Move(rect.left, rect.top, rect.width, rect.height);
    // Creation: the control builds the elements of its design on the surface.
    surface->SetControl(info->create(*surface));
    return surface;
}

ControlElement& Runtime::CreateEmbedded(Surface& parent, const std::string& className, const std::string& name,
                                        int index, const Rect& rect, const PropertyMap& design) {
    auto surface = MakeControl(parent, className, name, index, rect);
    Surface& s = *surface;
    auto element = std::make_unique<ControlElement>(std::move(surface), true);
    ControlElement& ref = *element;
    parent.AddElement(std::move(element));
    // A design child is a stored instance whose store is its design values.
    PropertyMap bag = design;
    s.GetControl()->ReadProperties(bag);
    SurfaceResized(s);
    Form* form = parent.OwningForm();
    if (form && IsShown(*form)) ShowSurfaceTree(s);
    return ref;
}

ControlElement& Runtime::PlaceControl(Surface& container, const std::string& className, const std::string& name,
                                      int index, const Rect& rect, const PropertyMap* stored) {
    const ClassInfo* holder = container.GetControl() ? m_library.FindClass(container.GetControl()->ClassName()) : nullptr;
    if (!container.IsForm() && !(holder && holder->container))
        throw HostError(ErrorNumber::InvalidCall, container.Name() + " cannot hold controls");
    Form* form = container.OwningForm();
    if (form && (form->FindSurface(name, index) || form->Find(name, index)))
        throw HostError(ErrorNumber::InvalidCall, "A control named " + name + " already exists");
    auto surface = MakeControl(container, className, name, index, rect);
    Surface& s = *surface;
    auto element = std::make_unique<ControlElement>(std::move(surface), false);
    ControlElement& ref = *element;
    container.AddElement(std::move(element));
    Control& c = *s.GetControl();
    try {
        if (stored) {
            StoredValues values(*stored);
            c.ReadProperties(values);
        } else {
            c.InitProperties();
        }
        SurfaceResized(s);
    } catch (...) {
        ForEachSurface(s, [&](Surface& x) { ForgetSurface(x); });
        container.RemoveElement(ref);
        throw;
    }
    if (form && IsShown(*form)) ShowSurfaceTree(s);
    return ref;
}

Element& Runtime::PlaceElement(Surface& container, ElementKind kind, const std::string& name, int index) {
    Form* form = container.OwningForm();
    if (form && (form->FindSurface(name, index) || form->FindAuthored(name, index)))
        throw HostError(ErrorNumber::InvalidCall, "An element named " + name + " already exists");
    const ElementKindInfo& descriptor = KindInfo(kind);
    if (!descriptor.place) throw HostError(ErrorNumber::InvalidCall, "Controls are placed with PlaceControl");
    Element& placed = descriptor.place(container, name, index);
    placed.SetAuthored(true);
    return placed;
}

}  // namespace stolvane
