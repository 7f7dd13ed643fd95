#include "app/describe.h"

#include <cstdio>
#include <map>
#include <memory>
#include <ostream>
#include <sstream>

#include "app/cli.h"
#include "core/element_members.h"
#include "core/library.h"
#include "core/text_box.h"
#include "core/names.h"
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
        runtime.SetLauncher([](const std::string&) { return false; });
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
            << (p.persisted ? ", saved as \"" + p.name + "\"" : ", not saved") << "\n";
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
    for (const EventInfo& e : c.events(specimen)) out << "  " << Signature(e) << "\n";
    auto enums = Enumerations(c);
    if (!enums.empty()) {
        out << "\nEnumerations:\n";
        for (const EnumInfo* e : enums) {
            out << "  " << e->name << "\n";
            for (auto& v : e->values) out << "    " << v.name << " = " << v.value << "  " << v.meaning << "\n";
        }
    }
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
        out << "| `" << e.name << "` | " << (args.empty() ? "none" : args) << " |\n";
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

// The library's own classes, in registering order (a program may register classes of its own).
std::vector<ClassInfo> LibraryClasses() {
    DllRegisterServer();
    std::vector<ClassInfo> out;
    for (const ClassInfo& c : Library::Instance().Classes())
        if (!c.summary.empty()) out.push_back(c);
    return out;
}

// An intrinsic element kind with a reference of its own (the text box): its members from its
// table and its events.
const ElementKindInfo* DescribedKind(const std::string& name) {
    const ElementKindInfo* k = FindElementKind(name);
    return k && !k->summary.empty() ? k : nullptr;
}

std::string MemberTypeText(MemberType t) {
    switch (t) {
        case MemberType::Boolean: return "Boolean";
        case MemberType::Int16: return "Integer";
        case MemberType::Int32: return "Long";
        case MemberType::Colour: return "OLE_COLOR";
        case MemberType::Twips:
        case MemberType::Size: return "Single (twips)";
        case MemberType::String: return "String";
        case MemberType::Font: return "Font";
        case MemberType::Picture: return "Picture";
        case MemberType::Items: return "Items";
    }
    return "?";
}

std::string MemberDefaultText(const ElementMember& m) {
    if (std::holds_alternative<std::monostate>(m.defaultValue)) return m.type == MemberType::Font ? "the form's font" : "";
    switch (m.type) {
        case MemberType::Boolean: return AsInteger(m.defaultValue) ? "True" : "False";
        case MemberType::Colour: return ColourText(AsInteger(m.defaultValue));
        case MemberType::String: return "\"" + AsString(m.defaultValue) + "\"";
        case MemberType::Picture: return "none";
        case MemberType::Twips:
        case MemberType::Size: {
            std::ostringstream s;
            s << AsNumber(m.defaultValue);
            return s.str();
        }
        default: return std::to_string(AsInteger(m.defaultValue));
    }
}

void DescribeKindText(const ElementKindInfo& k, std::ostream& out) {
    out << k.className << ": " << k.summary << "\n"
        << "An intrinsic element: place it with class \"" << k.className << "\" in a form file or a script's place.\n"
        << "\nMembers, in the order files apply them:\n";
    for (const ElementMember& m : k.members) {
        out << "  " << m.name << "  " << MemberTypeText(m.type);
        std::string def = MemberDefaultText(m);
        if (!def.empty()) out << ", default " << def;
        out << (m.readOnly ? ", read only" : "") << (m.stored ? ", saved as \"" + m.Key() + "\"" : ", not saved") << "\n";
        if (!m.help.empty()) out << "      " << m.help << "\n";
    }
    if (k.kind == ElementKind::TextBox) {
        TextBox specimen("specimen");
        out << "\nEvents (arguments by reference):\n";
        for (const EventInfo& e : specimen.Events()) out << "  " << Signature(e) << "\n";
    }
}

const ClassInfo* FindClassOrSay(const std::string& name, std::ostream& err) {
    DllRegisterServer();
    if (const ClassInfo* c = Library::Instance().FindClass(name); c && !c->summary.empty()) return c;
    std::vector<std::string> names;
    for (const ClassInfo& c : LibraryClasses()) names.push_back(c.name);
    err << "stolvane: describe: no class named \"" << name << "\"" << DidYouMean(name, names)
        << "; the classes are " << JoinNames(names) << "\n";
    return nullptr;
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
    for (const ClassInfo& c : LibraryClasses()) out << "- [" << c.name << "](#" << [&] {
        std::string a;
        for (char ch : c.name) a += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        return a;
    }() << "): " << c.summary << "\n";
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
            err << "stolvane: describe: unknown option '" << args[i] << "'\nTry 'stolvane --help' for more information.\n";
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
        out << "\n'stolvane describe CLASS' prints a class's properties and events.\n";
        return ExitStatus::Success;
    }
    if (classes.size() == 1 && !markdown)
        if (const ElementKindInfo* k = DescribedKind(classes[0])) {
            DescribeKindText(*k, out);
            return ExitStatus::Success;
        }
    std::vector<const ClassInfo*> found;
    for (auto& name : classes) {
        const ClassInfo* c = FindClassOrSay(name, err);
        if (!c) return ExitStatus::BadInput;
        found.push_back(c);
    }
    Specimens specimens;
    for (size_t i = 0; i < found.size(); ++i) {
        if (i) out << "\n";
        Control& specimen = *specimens.byClass.at(found[i]->name);
        if (markdown)
            DescribeMarkdown(*found[i], specimen, out);
        else
            DescribeText(*found[i], specimen, out);
    }
    return ExitStatus::Success;
}

}  // namespace stolvane
