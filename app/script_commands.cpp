// The scripted driver's commands: forms, input, geometry and the run's environment. Properties
// and methods by name are in app/script_properties.cpp.
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <fstream>

#include "app/script_driver.h"
#include "core/convert.h"
#include "core/element_members.h"
#include "core/names.h"
#include "host/file_write.h"
#include "host/form_file.h"

namespace stolvane::scripting {

// ---------------------------------------------------------------- forms

void ScriptDriver::CmdLoad(const InJson& c) {
    std::string path = String(c, "form");
    if (!m_modal.empty()) throw BadArgument("a modal form is open; close it first");
    if (!std::ifstream(path)) throw HostError(ErrorNumber::FileNotFound, "File not found: " + path);
    Form& loaded = LoadFormFile(m_rt, path);
    Form* old = m_main;
    m_main = &loaded;
    if (old) {
        DropRenderer(*old);
        m_rt.DestroyForm(*old);
    }
}

// A library form shown modally: the following commands go to it until it closes, then it is
// unloaded. An unknown name fails with 5.
void ScriptDriver::CmdShowForm(const InJson& c) {
    Form& form = m_rt.LoadForm(String(c, "name"));
    try {
        m_rt.ShowModal(form, nullptr);
    } catch (...) {
        m_rt.UnloadForm(form);
        throw;
    }
    m_rt.UnloadForm(form);
}

void ScriptDriver::CmdPlace(const InJson& c) {
    std::string className = String(c, "class");
    std::string fullName = String(c, "name");
    auto [name, index] = SplitIndex(fullName);
    if (name.empty() || name.find_first_of(".() ") != std::string::npos)
        throw BadArgument("\"" + fullName + "\" is not a usable name");
    Surface* container = &Current();
    if (auto path = StringOr(c, "container")) {
        Target t = Find(*path);
        if (t.element) throw BadArgument("\"" + *path + "\" cannot hold controls");
        container = t.surface;
    }
    double left = NumberOr(c, "left", 0), top = NumberOr(c, "top", 0);
    if (const ClassInfo* info = Library::Instance().FindClass(className)) {
        Rect r{left, top, NumberOr(c, "width", info->designWidth), NumberOr(c, "height", info->designHeight)};
        m_rt.PlaceControl(*container, className, name, index, r, nullptr);
        return;
    }
    // An intrinsic element, named by its kind's class in any case ("label", "Timer", ...).
    if (const ElementKindInfo* kind = FindElementKind(className)) {
        double width = NumberOr(c, "width", 0), height = NumberOr(c, "height", 0);
        if (width < 0 || height < 0) throw HostError::InvalidProperty();
        Element& e = m_rt.PlaceElement(*container, kind->kind, name, index);
        if (auto* box = dynamic_cast<BoxElement*>(&e)) box->Move(left, top, width, height);
        if (auto* line = dynamic_cast<Line*>(&e))
            line->SetEnds(NumberOr(c, "x1", 0), NumberOr(c, "y1", 0), NumberOr(c, "x2", 0), NumberOr(c, "y2", 0));
        return;
    }
    std::vector<std::string> names;
    for (const ClassInfo& info : Library::Instance().Classes()) names.push_back(info.name);
    throw BadArgument("no class named \"" + className + "\"" + DidYouMean(className, names) +
                      "; the classes are " + JoinNames(names) + ", and the element kinds label, line, image, "
                      "picturebox, shape, picturebutton, menuitem, listbox, timer");
}

void ScriptDriver::CmdShow(const InJson&) { m_rt.ShowForm(Current()); }

void ScriptDriver::CmdSave(const InJson& c) { SaveFormFile(m_rt, Current(), String(c, "path")); }

void ScriptDriver::CmdRender(const InJson& c) {
    std::string path = String(c, "path");
    double scale = NumberOr(c, "scale", 1);
    if (!(scale > 0 && scale <= 16)) throw BadArgument("\"scale\" must be above 0 and at most 16");
    if (std::string why = WriteProblem(path); !why.empty())
        throw HostError(75, "Path/File access error: cannot write " + path + ": " + why);
    Form& form = Current();
    if (scale == 1) {
        WritePng(RendererFor(form).Update(), path);
        return;
    }
    FormRenderer renderer(m_rt, form, scale);
    const Frame& frame = renderer.RepaintAll();
    // This renderer may have taken the repaint regions the scale-1 frame was waiting for.
    MarkRenderersStale();
    WritePng(frame, path);
}

// ---------------------------------------------------------------- input

void ScriptDriver::CmdMouse(const InJson& c) {
    static const std::map<std::string, MouseAction> actions{{"move", MouseAction::Move},
                                                            {"down", MouseAction::Down},
                                                            {"up", MouseAction::Up},
                                                            {"click", MouseAction::Click},
                                                            {"dblclick", MouseAction::DblClick}};
    std::string a = String(c, "action");
    auto it = actions.find(a);
    if (it == actions.end()) throw BadArgument("unknown action \"" + a + "\"");
    MouseAction action = it->second;
    // A move carries the buttons held (none unless given); the other actions the left button.
    int16_t button = Int16Or(c, "button", action == MouseAction::Move ? 0 : MouseButton::Left);
    int16_t shift = Int16Or(c, "shift", 0);
    if (auto path = StringOr(c, "target")) {
        Target t = Find(*path);
        Rect b = t.element ? t.element->Bounds() : Rect{0, 0, t.surface->Width(), t.surface->Height()};
        double x = NumberOr(c, "x", b.width / 2), y = NumberOr(c, "y", b.height / 2);
        m_rt.MouseTo(t, action, x, y, button, shift);
        return;
    }
    m_rt.Mouse(Current(), action, Number(c, "x"), Number(c, "y"), button, shift);
}

void ScriptDriver::CmdDrop(const InJson& c) {
    DragData data;
    if (const InJson* files = Arg(c, "files"); files && !files->is_null()) {
        if (!files->is_array()) throw BadArgument("\"files\" must be a list of paths");
        for (auto& f : *files) {
            if (!f.is_string()) throw BadArgument("\"files\" must be a list of paths");
            data.files.push_back(f.get<std::string>());
        }
    }
    data.text = StringOr(c, "text").value_or("");
    int16_t button = Int16Or(c, "button", 0);
    int16_t shift = Int16Or(c, "shift", 0);
    int32_t effect;
    if (auto path = StringOr(c, "target")) {
        Target t = Find(*path);
        Rect b = t.element ? t.element->Bounds() : Rect{0, 0, t.surface->Width(), t.surface->Height()};
        effect = m_rt.DropTo(t, NumberOr(c, "x", b.width / 2), NumberOr(c, "y", b.height / 2), std::move(data), button,
                             shift);
    } else {
        effect = m_rt.Drop(Current(), Number(c, "x"), Number(c, "y"), std::move(data), button, shift);
    }
    Emit(Json{{"value", effect}});
}

void ScriptDriver::CmdCursor(const InJson& c) {
    m_rt.SetCursor({ToInt32(Number(c, "x")), ToInt32(Number(c, "y"))});
}

namespace {

// Named keys and their classic key codes; letters and digits name themselves ("A", "7").
struct NamedKey {
    const char* name;
    int16_t code;
    int16_t ascii;  // the character the key types, 0 for none
};
constexpr NamedKey kKeys[] = {
    {"Backspace", 8, 8}, {"Tab", 9, 9},       {"Enter", 13, 13},   {"Return", 13, 13},  {"Escape", 27, 27},
    {"Space", 32, 32},   {"PageUp", 33, 0},   {"PageDown", 34, 0}, {"End", 35, 0},      {"Home", 36, 0},
    {"Left", 37, 0},     {"Up", 38, 0},       {"Right", 39, 0},    {"Down", 40, 0},     {"Insert", 45, 0},
    {"Delete", 46, 0},
};

bool EqualNoCase(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return i == a.size() && !b[i];
}

std::optional<NamedKey> FindKey(const std::string& name) {
    for (const NamedKey& k : kKeys)
        if (EqualNoCase(name, k.name)) return k;
    if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0]))) {
        char up = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
        return NamedKey{"", up, static_cast<int16_t>(std::isdigit(static_cast<unsigned char>(up)) ? up : std::tolower(up))};
    }
    if (name.size() >= 2 && (name[0] == 'F' || name[0] == 'f') && std::isdigit(static_cast<unsigned char>(name[1]))) {
        int n = std::atoi(name.c_str() + 1);
        if (n >= 1 && n <= 12 && name.size() <= 3) return NamedKey{"", static_cast<int16_t>(111 + n), 0};
    }
    return std::nullopt;
}

}  // namespace

void ScriptDriver::CmdKey(const InJson& c) {
    if (auto name = StringOr(c, "key")) {
        std::optional<NamedKey> key = FindKey(*name);
        if (!key) throw BadArgument("unknown key \"" + *name + "\"");
        int16_t shift = Int16Or(c, "shift", 0);
        if (BooleanOr(c, "up", false)) {
            m_rt.KeyUp(key->code, shift);
            return;
        }
        // Down, the character it types (upper case with Shift; none with Ctrl or Alt, but
        // Ctrl+Backspace, which deletes a word), then up.
        m_rt.KeyDown(key->code, shift);
        int16_t ascii = key->ascii;
        if (std::isalpha(ascii) && (shift & 1)) ascii = static_cast<int16_t>(std::toupper(ascii));
        if (ascii == 8 && (shift & 2)) ascii = 127;
        else if (shift & 6) ascii = 0;
        if (ascii) m_rt.KeyPress(ascii);
        m_rt.KeyUp(key->code, shift);
        return;
    }
    int16_t ascii;
    if (auto ch = StringOr(c, "char"); ch && !Arg(c, "ascii")) {
        if (ch->empty()) throw BadArgument("\"char\" is empty");
        ascii = static_cast<unsigned char>((*ch)[0]);
    } else {
        if (!Arg(c, "ascii")) throw BadArgument("missing \"ascii\"");
        ascii = Int16Or(c, "ascii", 0);
    }
    m_rt.KeyPress(ascii);
}

void ScriptDriver::CmdText(const InJson& c) { m_rt.TypeText(String(c, "text")); }

void ScriptDriver::CmdCompose(const InJson& c) { m_rt.Compose(String(c, "text")); }

// The run's own clipboard: the driver never touches the system's.
void ScriptDriver::CmdClipboard(const InJson& c) {
    if (auto text = StringOr(c, "text")) {
        m_rt.SetClipboardText(*text);
        return;
    }
    Emit(Json{{"clipboard", m_rt.ClipboardText()}});
}

void ScriptDriver::CmdAccessKey(const InJson& c) {
    std::string ch = String(c, "char");
    if (ch.empty()) throw BadArgument("\"char\" is empty");
    m_rt.AccessKey(ch[0]);
}

void ScriptDriver::CmdFocus(const InJson& c) {
    std::string path = String(c, "target");
    Target t = Find(path);
    if (t.element && t.element->Kind() == ElementKind::TextBox) {
        m_rt.FocusTextBox(static_cast<TextBox&>(*t.element));
        return;
    }
    if (t.element || !t.surface->GetControl()) throw BadArgument("\"" + path + "\" is not a control or text box");
    m_rt.SetFocus(*t.surface);
}

void ScriptDriver::CmdTab(const InJson& c) { m_rt.Tab(BooleanOr(c, "shift", false)); }

void ScriptDriver::CmdAdvance(const InJson& c) {
    double ms = Number(c, "ms");
    if (ms < 0 || ms != std::floor(ms) || ms > static_cast<double>(Runtime::kMaxAdvanceMs))
        throw BadArgument("\"ms\" must be a whole number of milliseconds from 0 to 3600000 (one hour)");
    m_rt.Advance(static_cast<int64_t>(ms));
}

void ScriptDriver::CmdResize(const InJson& c) {
    Target t = Find(StringOr(c, "target").value_or(""));
    const InJson *w = Arg(c, "width"), *h = Arg(c, "height");
    if (!w && !h) throw BadArgument("give \"width\", \"height\" or both");
    if (t.element) {
        auto* box = dynamic_cast<BoxElement*>(t.element);
        if (!box) throw NoMember("Width");
        if (w) box->SetWidth(Number(c, "width"));
        if (h) box->SetHeight(Number(c, "height"));
        return;
    }
    if (w && h) {
        Surface& s = *t.surface;
        s.Move(s.Left(), s.Top(), Number(c, "width"), Number(c, "height"));
        return;
    }
    if (w) t.surface->SetWidth(Number(c, "width"));
    if (h) t.surface->SetHeight(Number(c, "height"));
}

void ScriptDriver::CmdMove(const InJson& c) {
    Target t = Find(StringOr(c, "target").value_or(""));
    const InJson *l = Arg(c, "left"), *tp = Arg(c, "top");
    if (!l && !tp) throw BadArgument("give \"left\", \"top\" or both");
    if (t.element) {
        auto* box = dynamic_cast<BoxElement*>(t.element);
        if (!box) throw NoMember("Left");
        if (l) box->SetLeft(Number(c, "left"));
        if (tp) box->SetTop(Number(c, "top"));
        return;
    }
    if (l) t.surface->SetLeft(Number(c, "left"));
    if (tp) t.surface->SetTop(Number(c, "top"));
}

// ---------------------------------------------------------------- environment

void ScriptDriver::CmdNavigation(const InJson& c) { m_navigationFails = BooleanOr(c, "fail", false); }

void ScriptDriver::CmdMenu(const InJson& c) {
    const InJson* v = Arg(c, "choose");
    if (!v) throw BadArgument("missing \"choose\"");
    if (v->is_null())
        m_menuAnswer = std::optional<std::string>{};
    else
        m_menuAnswer = std::optional<std::string>{String(c, "choose")};
}

void ScriptDriver::CmdDesktop(const InJson& c) {
    std::string section = String(c, "section"), key = String(c, "key");
    const InJson* v = Arg(c, "value");
    if (!v) throw BadArgument("missing \"value\"");
    m_rt.GetDesktop().Set(section, key, StringOr(c, "value"));
    // The system colours follow the desktop's [Colors] section.
    m_rt.GetTheme().Reset();
    m_rt.GetTheme().ApplyDesktop(m_rt.GetDesktop());
    MarkRenderersStale();
}

}  // namespace stolvane::scripting
