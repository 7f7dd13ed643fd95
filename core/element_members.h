// SPDX-License-Identifier: MIT
// The descriptor of each element kind, the way a control class has its class table: its members
// (one row per member with its name, type, default, getter and setter), how an element of the
// kind is placed, whether it takes the mouse, and its painter. Form files, dumps, the scripted
// driver, the renderer and the input router all work from these, so that nothing switches on
// the kind and a member has one name everywhere: the row's name in scripts (any case), the same
// name in lowerCamel as form-file and dump key.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <stolvane/core/accessible.h>
#include <stolvane/core/elements.h>
#include <stolvane/core/value.h>

namespace stolvane {

class ElementPainter;

// A scoped enumerator named Boolean hides nothing where it is used (it is always written
// MemberType::Boolean), but GCC's -Wshadow reports it; the warning is off for this declaration.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wshadow"
enum class MemberType {
    Boolean,  // Value int64 True/False
    Int16,    // Value int64
    Int32,    // Value int64
    Colour,   // Value int64, the 32 bits of an OleColour
    Twips,    // Value double, any finite position
    Size,     // Value double, not negative
    String,
    Font,     // Value FontRef
    Picture,  // Value PictureRef
    Items,    // a list box's rows, through getItems/setItems
};
#pragma GCC diagnostic pop

// What a member is, whatever it belongs to (an element kind, a surface, a form): its names, its
// type, whether and how it is kept in form files, and the values a file may hold.
struct MemberInfo {
    std::string name;                      // "ForeColour"
    MemberType type = MemberType::Int32;
    std::vector<std::string> aliases;      // older names still accepted by files and scripts
    std::vector<std::string> dumpAliases;  // older dump keys still written beside the key (deprecated)
    bool stored = true;                    // kept in form files
    bool readOnly = false;
    bool alwaysWritten = false;            // written to files even at its default
    std::string help;                      // what the reference says of it
    // Integers: the values a form file may hold, and how a message names them. `overflow`: a value
    // outside does not fit the storage (else: it is not a value the member allows).
    int64_t lo = 0, hi = 0;
    const char* range = nullptr;
    bool overflow = true;
    // The default; monostate when it depends on the form (a label's font is the form's).
    Value defaultValue;

    // The form-file and dump key: the name in lowerCamel ("foreColour").
    std::string Key() const { return KeyOf(name); }
    static std::string KeyOf(const std::string& name);
    // The name or one of its aliases, compared without regard to case.
    bool Answers(const std::string& name) const;
};

struct ElementMember : MemberInfo {
    std::function<Value(const Element&)> get;
    std::function<void(Element&, const Value&)> set;
    std::function<std::vector<ListBox::Item>(const Element&)> getItems;
    std::function<void(Element&, const std::vector<ListBox::Item>&)> setItems;
};

struct ElementKindInfo {
    ElementKind kind;
    std::string className;  // "PictureBox": the class in form files; `place` takes it in any case
    const char* dumpName = "";  // "picturebox": the kind as dumps name it
    bool inFormFiles = true;
    bool boxed = true;      // a BoxElement: Left, Top, Width, Height
    // Takes mouse input (labels, images, picture boxes, picture buttons, list boxes, embedded
    // controls; lines and shapes do not).
    bool receivesMouse = false;
    // Lies above the lightweight kinds whatever the order: drawn after them and hit first.
    bool windowed = false;
    // Adds a new element of the kind to a surface; null for embedded controls, which the
    // runtime places with their class.
    Element& (*place)(Surface& container, const std::string& name, int index) = nullptr;
    // Paints an element of the kind; null for kinds that draw nothing (menu items, timers).
    void (*paint)(ElementPainter& painter, const Element& e, double ax, double ay) = nullptr;
    // In the order loading applies them (a label's AutoSize last, an image's Stretch before its
    // Picture); files and dumps list them in this order too.
    std::vector<ElementMember> members;
    std::string summary;  // one line for the reference
    // The events an element of the kind raises, for the reference; null for none.
    std::vector<EventInfo> (*events)() = nullptr;
    // What assistive technologies are told of an element of the kind; role NotExposed: nothing.
    AccessibleKind accessible;

    const ElementMember* Find(const std::string& name) const;
};

// Every intrinsic kind, in the order of ElementKind (embedded controls are not intrinsic).
const std::vector<ElementKindInfo>& ElementKinds();
// The descriptor of any kind, embedded controls included (they have no members of their own:
// their class table describes them).
const ElementKindInfo& KindInfo(ElementKind kind);
// By class name, without regard to case ("label", "PictureBox"); null for none.
const ElementKindInfo* FindElementKind(const std::string& className);

}  // namespace stolvane
