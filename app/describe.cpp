// SPDX-License-Identifier: MIT
#include "app/describe.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <memory>
#include <ostream>
#include <sstream>

#include "app/cli.h"
#include "core/element_members.h"
#include "core/library.h"
#include "core/names.h"
#include "core/text.h"
#include "host/runtime.h"

namespace stolvane {

namespace {

// One instance of every class, placed on a form of its own: the store defaults and the
// events are read from it.
struct Specimens {
    Runtime runtime;
    Form* form = nullptr;
    std::map<std::string, Control*> byClass;

    Specimens() {
        form = &runtime.NewForm("frmReference", 9600, 7200);
        for (const ClassInfo& c : Library::Instance().Classes()) {
            if (c.summary.empty()) continue;
            ControlElement& e = runtime.PlaceControl(*form, c.name, c.name + "1", -1,
                                                     {0, 0, c.designWidth, c.designHeight}, nullptr);
            byClass[c.name] = &e.GetControl();
        }
    }
};

std::string ColourText(int64_t c) {
    static const std::map<int64_t, const char*> names{
        {SysColour::ActiveTitle, "active title bar"}, {SysColour::Window, "window"},
        {SysColour::TitleText, "title bar text"},     {SysColour::ButtonFace, "button face"},
        {SysColour::ButtonText, "button text"},       {SysColour::GreyText, "grey text"},
        {0, "black"}};
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08llX", static_cast<unsigned long long>(c & 0xFFFFFFFF));
    auto it = names.find(c);
    return it == names.end() ? hex : std::string(hex) + " (" + it->second + ")";
}

std::string TypeText(const PropertyInfo& p) {
    return p.enumeration ? p.enumeration->name : PropTypeName(p.type);
}

std::string DefaultText(const PropertyInfo& p, Control& c) {
    Value v = p.storeDefault(c);
    switch (p.type) {
        case PropType::Boolean: return AsInteger(v) ? "True" : "False";
        case PropType::Colour: return ColourText(AsInteger(v));
        case PropType::String: return "\"" + AsString(v) + "\"";
        case PropType::Font: return "the form's font";
        case PropType::Picture: return "none";
        case PropType::Single: {
            std::ostringstream s;
            s << AsNumber(v);
            return s.str();
        }
        default: break;
    }
    int64_t n = AsInteger(v);
    std::string text = std::to_string(n);
    if (p.enumeration)
        for (auto& e : p.enumeration->values)
            if (e.value == n) text += " (" + e.name + ")";
    return text;
}

std::string Signature(const EventInfo& e) {
    std::string s = e.name + "(";
    for (size_t i = 0; i < e.args.size(); ++i) s += (i ? ", " : "") + e.args[i].name + " As " + e.args[i].type;
    return s + ")";
}

// The C++ members behind a property: the getter Name() and, unless read-only, SetName(type);
// every class follows that pattern (tests/test_reference.cpp checks it against the headers).
std::string CppMember(const PropertyInfo& p) {
    static const std::map<PropType, const char*> types{
        {PropType::Boolean, "Boolean"},     {PropType::Int16, "int16_t"},   {PropType::Int32, "int32_t"},
        {PropType::Colour, "OleColour"},    {PropType::Single, "float"},    {PropType::String, "const std::string&"},
        {PropType::Font, "FontRef"},        {PropType::Picture, "PictureRef"}};
    std::string out = p.name + "()";
    if (p.set) out += " / Set" + p.name + "(" + types.at(p.type) + ")";
    return out;
}

bool HasCaption(const ClassInfo& c) {
    for (auto& p : c.properties())
        if (p.name == "Caption") return true;
    return false;
}

// Every enumeration a class's properties use, in the order of first use.
std::vector<const EnumInfo*> Enumerations(const ClassInfo& c) {
    std::vector<const EnumInfo*> out = c.enumerations;
    for (auto& p : c.properties())
        if (p.enumeration && std::find(out.begin(), out.end(), p.enumeration) == out.end())
            out.push_back(p.enumeration);
    return out;
}

void DescribeText(const ClassInfo& c, Control& specimen, std::ostream& out) {
    out << c.name << ": " << c.summary << "\n"
        << "New instances are " << c.designWidth << " x " << c.designHeight << " twips"
        << (c.container ? "; it can hold other controls" : "") << ".\n";
    if (HasCaption(c)) out << "A newly placed instance takes its own name as its Caption.\n";
    out << "\nProperties, in interface order (after Version and About):\n";
    for (const PropertyInfo& p : c.properties()) {
        if (!p.isPublic) continue;
        out << "  " << p.name << "  " << TypeText(p) << ", default " << DefaultText(p, specimen)
            << (p.persisted ? ", saved as \"" + p.name + "\"" : ", not saved") << "\n"
            << "      C++: " << CppMember(p) << "\n";
        if (!p.help.empty()) out << "      \"" << p.help << "\"\n";
        if (!p.note.empty()) out << "      " << p.note << "\n";
        if (p.enumeration) {
            out << "      values: " << p.enumeration->List() << "\n";
            out << "      other values: "
                << (p.enumeration->Refuses() ? "refused (error 380)" : p.enumeration->otherValues) << "\n";
        }
    }
    for (const PropertyInfo& p : c.properties())
        if (!p.isPublic && p.persisted)
            out << "  (saved only) \"" << p.name << "\"  " << TypeText(p) << ", default "
                << DefaultText(p, specimen) << ": read, kept and written back unchanged\n";
    out << "\nEvents, in dispatch order (arguments by reference):\n";
    for (const EventInfo& e : c.events(specimen))
        out << "  " << Signature(e) << (e.note.empty() ? "" : "  (" + e.note + ")") << "\n";
    auto enums = Enumerations(c);
    if (!enums.empty()) {
        out << "\nEnumerations:\n";
        for (const EnumInfo* e : enums) {
            out << "  " << e->name << "\n";
            for (auto& v : e->values) out << "    " << v.name << " = " << v.value << "  " << v.meaning << "\n";
        }
    }
}

std::string Lower(std::string s) {
    for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return s;
}

std::string Cell(std::string s) {
    std::string out;
    for (char ch : s) out += ch == '|' ? std::string("\\|") : std::string(1, ch);
    return out;
}

void DescribeMarkdown(const ClassInfo& c, Control& specimen, std::ostream& out) {
    out << "## " << c.name << "\n\n" << c.summary << "\n\n"
        << "New instances are " << c.designWidth << " × " << c.designHeight << " twips"
        << (c.container ? "; it can hold other controls (`\"controls\"` in a form file)" : "") << ".";
    if (HasCaption(c)) out << " A newly placed instance takes its own name as its `Caption`.";
    out << " Every class also has the members `Version` and `About`, first in its interface.\n\n";
    out << "### Properties\n\n"
        << "In interface order. The default is the value a form file or saved form gets when the key is left "
           "out; each is saved under its own name.\n\n"
        << "| Property | Type | Default | Help text | What it does |\n|---|---|---|---|---|\n";
    for (const PropertyInfo& p : c.properties()) {
        if (!p.isPublic) continue;
        std::string what = p.note;
        if (p.enumeration) {
            what += (what.empty() ? "" : " ") + std::string("Values: ") + p.enumeration->List() + "; any other value is " +
                    (p.enumeration->Refuses() ? "refused (error 380)." : p.enumeration->otherValues + ".");
        }
        if (!p.persisted) what += " Not saved.";
        out << "| `" << p.name << "` | " << (p.enumeration ? "`" + TypeText(p) + "`" : TypeText(p)) << " | "
            << Cell(DefaultText(p, specimen)) << " | " << (p.help.empty() ? "" : Cell("\"" + p.help + "\"")) << " | "
            << Cell(what) << " |\n";
    }
    for (const PropertyInfo& p : c.properties())
        if (!p.isPublic && p.persisted)
            out << "\nThe key `\"" << p.name << "\"` (" << TypeText(p) << ", default " << DefaultText(p, specimen)
                << ") is no property: it is read, kept and written back unchanged.\n";
    out << "\n### Events\n\nIn dispatch order; arguments are passed by reference.\n\n"
        << "| Event | Arguments |\n|---|---|\n";
    for (const EventInfo& e : c.events(specimen)) {
        std::string args;
        for (auto& a : e.args) args += (args.empty() ? "" : ", ") + ("`" + a.name + "` " + a.type);
        if (args.empty()) args = "none";
        if (!e.note.empty()) args += " (" + e.note + ")";
        out << "| `" << e.name << "` | " << Cell(args) << " |\n";
    }
    auto enums = Enumerations(c);
    if (!enums.empty()) {
        out << "\n### Enumerations\n";
        for (const EnumInfo* e : enums) {
            out << "\n`" << e->name << "`: any other value is "
                << (e->Refuses() ? "refused (error 380)" : e->otherValues) << ".\n\n"
                << "| Constant | Value | Meaning |\n|---|---|---|\n";
            for (auto& v : e->values) out << "| `" << v.name << "` | " << v.value << " | " << Cell(v.meaning) << " |\n";
        }
    }
    out << "\n";
}

// ---------------------------------------------------------------- element kinds and the form

const char* MemberTypeText(MemberType t) {
    switch (t) {
        case MemberType::Boolean: return "Boolean";
        case MemberType::Int16: return "Integer";
        case MemberType::Int32: return "Long";
        case MemberType::Colour: return "OLE_COLOR";
        case MemberType::Twips: return "twips";
        case MemberType::Size: return "twips (not negative)";
        case MemberType::String: return "String";
        case MemberType::Font: return "Font";
        case MemberType::Picture: return "Picture";
        case MemberType::Items: return "list of items";
    }
    return "";
}

const char* MemberCppType(MemberType t) {
    switch (t) {
        case MemberType::Boolean: return "bool";
        case MemberType::Int16: return "int16_t";
        case MemberType::Int32: return "int32_t";
        case MemberType::Colour: return "OleColour";
        case MemberType::Twips:
        case MemberType::Size: return "double";
        case MemberType::String: return "const std::string&";
        case MemberType::Font: return "const Font&";
        case MemberType::Picture: return "PictureRef";
        case MemberType::Items: return "";
    }
    return "";
}

// The element class's C++ members behind a member row: Name() and SetName(type), but for the
// few whose getter carries a Get prefix (a plain name would hide a type) and the list's rows.
std::string ElementCpp(const ElementKindInfo& k, const ElementMember& m) {
    const std::string cls = k.className;
    if (m.name == "Name") return "FullName()";
    if (m.type == MemberType::Items) return "Items() / Clear(), AddItem(text), SetItemData(i, data), SetSelected(i, on)";
    std::string getter = m.name + "()";
    if (m.name == "Font" || m.name == "Picture" || m.name == "DrawMode") getter = "Get" + m.name + "()";
    if (m.readOnly) return getter;
    return getter + " / Set" + m.name + "(" + MemberCppType(m.type) + ")";
}

std::string MemberDefault(const ElementMember& m) {
    if (m.type == MemberType::Font) return "the form's font";
    if (m.type == MemberType::Picture) return "none";
    if (m.type == MemberType::Items) return "none";
    if (std::holds_alternative<std::monostate>(m.defaultValue)) return "-";
    switch (m.type) {
        case MemberType::Boolean: return AsInteger(m.defaultValue) ? "True" : "False";
        case MemberType::Colour: return ColourText(AsInteger(m.defaultValue));
        case MemberType::String: return "\"" + AsString(m.defaultValue) + "\"";
        case MemberType::Twips:
        case MemberType::Size: {
            std::ostringstream s;
            s << AsNumber(m.defaultValue);
            return s.str();
        }
        default: return std::to_string(AsInteger(m.defaultValue));
    }
}

void DescribeKind(const ElementKindInfo& k, std::ostream& out) {
    out << k.className << ": " << (k.summary.empty() ? "an intrinsic element kind" : k.summary);
    if (!k.summary.empty()) out << "\nAn intrinsic element kind";
    if (k.inFormFiles)
        out << "; a form file holds one as {\"class\": \"" << k.className << "\", \"name\": ...}";
    else
        out << "; only controls' designs hold it, form files do not";
    out << ".\n\nMembers, in the order loading applies them (scripts take any letter case):\n";
    for (const ElementMember& m : k.members) {
        out << "  " << m.name << "  " << MemberTypeText(m.type) << ", default " << MemberDefault(m);
        if (m.readOnly) out << ", read-only";
        out << (m.stored && k.inFormFiles ? ", saved as \"" + m.Key() + "\"" : ", not saved") << "\n";
        if (m.range) out << "      values: " << m.range << "\n";
        if (!m.aliases.empty()) out << "      also answers to: " << JoinNames(m.aliases) << "\n";
        if (!m.help.empty()) out << "      " << m.help << "\n";
        out << "      C++: " << ElementCpp(k, m) << "\n";
    }
    if (k.events) {
        out << "\nEvents (arguments by reference):\n";
        for (const EventInfo& e : k.events()) out << "  " << Signature(e) << "\n";
    }
}

void DescribeForm(std::ostream& out) {
    struct Row {
        const char* name;
        const char* type;
        const char* what;
        const char* cpp;
    };
    static const Row rows[] = {
        {"Name", "String", "the form's name (read-only)", "Name()"},
        {"Left", "twips", "position on the screen", "Left() / SetLeft(double)"},
        {"Top", "twips", "position on the screen", "Top() / SetTop(double)"},
        {"Width", "twips", "client width", "Width() / SetWidth(double)"},
        {"Height", "twips", "client height", "Height() / SetHeight(double)"},
        {"Visible", "Boolean", "shown or hidden", "Runtime::ShowForm(form) / Runtime::HideForm(form)"},
        {"Enabled", "Boolean", "takes input", "Enabled() / SetEnabled(bool)"},
        {"Caption", "String", "the title", "Caption() / SetCaption(const std::string&)"},
        {"BackColour", "OLE_COLOR", "background (also BackColor)", "BackColour() / SetBackColour(OleColour)"},
        {"BorderStyle", "Integer", "frame: 0 none, 1 fixed single, 2 sizable, 3 fixed dialog",
         "GetBorderStyle() / SetBorderStyle(int16_t)"},
        {"WindowState", "Integer", "0 normal, 1 minimised, 2 maximised", "GetWindowState() / SetWindowState(int16_t)"},
        {"Font", "Font", "the ambient font of its controls", "GetFont() / SetFont(FontRef)"},
        {"Picture", "Picture", "background picture", "GetPicture() / SetPicture(PictureRef)"},
        {"Icon", "Picture", "the window's icon", "Icon() / SetIcon(PictureRef)"},
    };
    out << "Form: a top-level form; in a form file the top-level object (docs/form-files.md).\n\n"
        << "Members the scripted driver gets and sets (any letter case):\n";
    for (const Row& r : rows) out << "  " << r.name << "  " << r.type << ": " << r.what << "\n      C++: " << r.cpp << "\n";
}

// The library's own classes, in registering order (a program may register classes of its own).
std::vector<ClassInfo> LibraryClasses() {
    DllRegisterServer();
    std::vector<ClassInfo> out;
    for (const ClassInfo& c : Library::Instance().Classes())
        if (!c.summary.empty()) out.push_back(c);
    return out;
}

const ClassInfo* FindClass(const std::string& name) {
    DllRegisterServer();
    if (const ClassInfo* c = Library::Instance().FindClass(name); c && !c->summary.empty()) return c;
    return nullptr;
}

void SayNoSuchName(const std::string& name, std::ostream& err) {
    std::vector<std::string> names, all;
    for (const ClassInfo& c : LibraryClasses()) names.push_back(c.name);
    std::vector<std::string> kinds;
    for (const ElementKindInfo& k : ElementKinds()) kinds.push_back(k.className);
    all = names;
    all.insert(all.end(), kinds.begin(), kinds.end());
    all.push_back("Form");
    err << "stolvane: describe: no class, element kind or form named \"" << name << "\"" << DidYouMean(name, all)
        << "; the classes are " << JoinNames(names) << ", the element kinds " << JoinNames(kinds)
        << ", and Form\n";
}

}  // namespace

std::string ControlReferenceMarkdown() {
    DllRegisterServer();
    Specimens specimens;
    std::ostringstream out;
    out << "# Control reference\n\n"
        << "<!-- Generated by `stolvane describe --markdown` from the class tables; do not edit. -->\n\n"
        << "The seven classes of the library, with every property, event and enumeration. Types: Boolean is True "
           "(-1) or False (0); Integer is 16-bit, Long 32-bit; OLE_COLOR is 0x00BBGGRR or a system colour "
           "0x800000nn; Font and Picture are written in form files as `docs/form-files.md` says. "
           "`stolvane describe CLASS` prints the same for one class.\n\n";
    for (const ClassInfo& c : LibraryClasses()) out << "- [" << c.name << "](#" << ToLower(c.name) << "): " << c.summary << "\n";
    out << "\n";
    for (const ClassInfo& c : LibraryClasses()) DescribeMarkdown(c, *specimens.byClass.at(c.name), out);
    std::string text = out.str();
    while (text.size() > 1 && text[text.size() - 1] == '\n' && text[text.size() - 2] == '\n') text.pop_back();
    return text;
}

int DescribeCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    bool markdown = false;
    std::vector<std::string> classes;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--markdown") {
            markdown = true;
        } else if (args[i].size() > 1 && args[i][0] == '-') {
            err << "stolvane: describe: unknown option '" << args[i] << "'" << DidYouMean(args[i], {"--markdown"})
                << "; its option is --markdown\nTry 'stolvane --help' for more information.\n";
            return ExitStatus::BadInput;
        } else {
            classes.push_back(args[i]);
        }
    }
    DllRegisterServer();
    if (classes.empty()) {
        if (markdown) {
            out << ControlReferenceMarkdown();
            return ExitStatus::Success;
        }
        for (const ClassInfo& c : LibraryClasses()) out << c.name << "  " << c.summary << "\n";
        std::vector<std::string> kinds;
        for (const ElementKindInfo& k : ElementKinds()) kinds.push_back(k.className);
        out << "\nElement kinds: " << JoinNames(kinds) << "\nAnd the Form.\n"
            << "\n'stolvane describe NAME' prints a class's properties and events, an element kind's or the "
               "form's members.\n";
        return ExitStatus::Success;
    }
    // Each name is a class, an element kind (any letter case) or the form.
    for (auto& name : classes)
        if (!FindClass(name) && !FindElementKind(name) && Lower(name) != "form") {
            SayNoSuchName(name, err);
            return ExitStatus::BadInput;
        }
    std::unique_ptr<Specimens> specimens;
    for (size_t i = 0; i < classes.size(); ++i) {
        if (i) out << "\n";
        if (const ClassInfo* c = FindClass(classes[i])) {
            if (!specimens) specimens = std::make_unique<Specimens>();
            Control& specimen = *specimens->byClass.at(c->name);
            if (markdown)
                DescribeMarkdown(*c, specimen, out);
            else
                DescribeText(*c, specimen, out);
        } else if (const ElementKindInfo* k = FindElementKind(classes[i])) {
            DescribeKind(*k, out);
        } else {
            DescribeForm(out);
        }
    }
    return ExitStatus::Success;
}

}  // namespace stolvane
