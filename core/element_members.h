// The members of each intrinsic element kind, the way a control class has its property table:
// one row per member with its name, type, default, getter and setter. Form files, dumps and the
// scripted driver all work from these rows, so that a member has one name everywhere: the row's
// name in scripts (any case), the same name in lowerCamel as form-file and dump key.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/elements.h"
#include "core/value.h"

namespace stolvane {

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

struct ElementMember {
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
    std::function<Value(const Element&)> get;
    std::function<void(Element&, const Value&)> set;
    std::function<std::vector<ListBox::Item>(const Element&)> getItems;
    std::function<void(Element&, const std::vector<ListBox::Item>&)> setItems;

    // The form-file and dump key: the name in lowerCamel ("foreColour").
    std::string Key() const { return KeyOf(name); }
    static std::string KeyOf(const std::string& name);
    // The name or one of its aliases, compared without regard to case.
    bool Answers(const std::string& name) const;
};

struct ElementKindInfo {
    ElementKind kind;
    std::string className;  // "PictureBox": the class in form files; `place` takes it in any case
    bool inFormFiles = true;
    bool boxed = true;      // a BoxElement: Left, Top, Width, Height
    // In the order loading applies them (a label's AutoSize last, an image's Stretch before its
    // Picture); files and dumps list them in this order too.
    std::vector<ElementMember> members;
    std::string summary;  // one line for the reference

    const ElementMember* Find(const std::string& name) const;
};

// Every intrinsic kind, in the order of ElementKind.
const std::vector<ElementKindInfo>& ElementKinds();
const ElementKindInfo& KindInfo(ElementKind kind);
// By class name, without regard to case ("label", "PictureBox"); null for none.
const ElementKindInfo* FindElementKind(const std::string& className);

}  // namespace stolvane
