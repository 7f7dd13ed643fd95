// SPDX-License-Identifier: MIT
// The library's class table and its own forms. The entry points (register, unregister, get
// class object, can-unload-now, load) only hand this table to the runtime, which does the work.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <stolvane/core/accessible.h>
#include <stolvane/core/control.h>
#include <stolvane/core/form.h>

namespace stolvane {

struct ClassInfo {
    std::string name;              // "TolvaneButton"
    std::string defaultInterface;  // "_TolvaneButton"
    std::string eventInterface;    // "__TolvaneButton"
    double designWidth = 0, designHeight = 0;  // size of a newly placed instance, twips
    std::function<std::unique_ptr<Control>(Surface&)> create;
    // The class's property table, known without an instance (form files check keys with it).
    std::function<const std::vector<PropertyInfo>&()> properties;
    // The form's author may place controls inside an instance (a panel).
    bool container = false;
    // The class's events in dispatch order, read from an instance (names and arguments are
    // those its typed Event members carry).
    std::function<std::vector<EventInfo>(const Control&)> events;
    // The enumerations of its interface, for the reference (those of properties included).
    std::vector<const EnumInfo*> enumerations;
    // One line on what the class is. The library's own classes have one, and those are the
    // classes the reference (docs/controls.md) covers.
    std::string summary;
    // What assistive technologies are told of an instance (role, name, states, actions).
    AccessibleClass accessible;
};

// The events of class T, given as its Event members in dispatch order.
template <class T, class... M>
std::function<std::vector<EventInfo>(const Control&)> EventsOf(M T::*... members) {
    return [=](const Control& c) {
        const T& t = static_cast<const T&>(c);
        return std::vector<EventInfo>{DescribeEvent(t.*members)...};
    };
}

// Describes a control class T that has a static PropertyTable().
template <class T>
ClassInfo DescribeClass(const std::string& name, double designWidth, double designHeight, bool container = false) {
    ClassInfo c;
    c.name = name;
    c.defaultInterface = "_" + name;
    c.eventInterface = "__" + name;
    c.designWidth = designWidth;
    c.designHeight = designHeight;
    c.create = [](Surface& s) { return std::make_unique<T>(s); };
    c.properties = [] () -> const std::vector<PropertyInfo>& { return T::PropertyTable(); };
    c.container = container;
    return c;
}

struct LibraryFormInfo {
    std::string name;                     // "frmAbout"
    std::function<std::string()> design;  // the form file text
    std::function<void(Form&)> attach;    // wires the form's handlers after it is loaded
};

class Library {
public:
    static Library& Instance();
    void AddClass(ClassInfo info);
    void AddForm(LibraryFormInfo info);
    const ClassInfo* FindClass(const std::string& name) const;
    const LibraryFormInfo* FindForm(const std::string& name) const;
    const std::vector<ClassInfo>& Classes() const { return m_classes; }
    // Files the library carries (its forms' pictures), by their path; empty for none.
    void SetResources(std::function<std::string_view(std::string_view)> lookup) { m_resources = std::move(lookup); }
    std::string_view Resource(std::string_view path) const { return m_resources ? m_resources(path) : std::string_view(); }

private:
    std::vector<ClassInfo> m_classes;
    std::vector<LibraryFormInfo> m_forms;
    std::function<std::string_view(std::string_view)> m_resources;
};

// This library: its seven classes, its own forms and their files, registered in
// Library::Instance() the first time it is asked for (once, whichever thread asks first).
Library& StolvaneLibrary();

// Entry points. Registering makes the classes and forms known to the runtime; the runtime asks
// for a class object (its factory) by name.
void DllRegisterServer();
void DllUnregisterServer();
const ClassInfo* DllGetClassObject(const std::string& className);
bool DllCanUnloadNow();

}  // namespace stolvane
