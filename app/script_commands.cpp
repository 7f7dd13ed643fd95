// SPDX-License-Identifier: MIT
// The scripted driver's commands: forms, input, geometry and the run's environment. Properties
// and methods by name are in app/script_properties.cpp.
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "app/script_driver.h"
#include "core/convert.h"
#include "core/element_members.h"
#include "core/names.h"
#include "host/file_read.h"
#include "host/file_write.h"
#include "host/form_file.h"
#include "host/keys.h"

namespace stolvane::scripting {

// ---------------------------------------------------------------- forms

void ScriptDriver::CmdLoad(const InJson& c) {
    std::string path = String(c, "form");
    if (!m_modal.empty()) throw BadArgument("a modal form is open; close it first");
    // Never waits on a FIFO: only a regular file is read.
    if (std::string why = ReadProblem(path); !why.empty()) {
        if (why == std::strerror(ENOENT) || why == std::strerror(ENOTDIR))
            throw HostError(ErrorNumber::FileNotFound, "File not found: " + path);
        throw HostError(75, "Path/File access error: cannot read " + path + ": " + why);
    }
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
    if (it == actions.end()) {
        const std::vector<std::string> names{"move", "down", "up", "click", "dblclick"};
        throw BadArgument("unknown action \"" + a + "\"" + DidYouMean(a, names) + "; the actions are " +
                          JoinNames(names));
    }
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

// A key by name goes down (or, with "up", comes up) as a real key does: the form's preview, Tab,
// access keys, default and cancel buttons, then the character it types to the focused control.
// "ascii" or "char" alone type a character, as before.
void ScriptDriver::CmdKey(const InJson& c) {
    const int16_t shift = Int16Or(c, "shift", 0);
    if (shift < 0 || shift > 7) throw BadArgument("\"shift\" is a mask from 0 to 7 (1 Shift, 2 Ctrl, 4 Alt)");
    if (auto name = StringOr(c, "key")) {
        auto key = KeyByName(*name, shift);
        if (!key) throw BadArgument("no key named \"" + *name + "\" (SDL's key names: Return, Escape, Tab, F1, Left, A ...)");
        if (BooleanOr(c, "up", false)) {
            m_rt.KeyUp(key->code, shift);
            return;
        }
        m_rt.KeyDown(key->code, shift);
        if (key->ascii && !(shift & (ShiftKey::Ctrl | ShiftKey::Alt))) m_rt.KeyPress(key->ascii);
        return;
    }
    int16_t ascii;
    if (auto ch = StringOr(c, "char"); ch && !Arg(c, "ascii")) {
        if (ch->empty()) throw BadArgument("\"char\" is empty");
        ascii = static_cast<unsigned char>((*ch)[0]);
    } else {
        if (!Arg(c, "ascii")) throw BadArgument("missing \"key\", \"ascii\" or \"char\"");
        ascii = Int16Or(c, "ascii", 0);
    }
    m_rt.KeyPress(ascii);
}

void ScriptDriver::CmdText(const InJson& c) { m_rt.TypeText(String(c, "text")); }

void ScriptDriver::CmdCompose(const InJson& c) { m_rt.Compose(String(c, "text")); }

// The run's own clipboard: the driver never touches the system's.
void ScriptDriver::CmdClipboard(const InJson& c) {
    if (auto text = StringOr(c, "text")) {
        m_rt.GetBackend().SetClipboardText(*text);
        return;
    }
    Emit(Json{{"clipboard", m_rt.GetBackend().ClipboardText()}});
}

void ScriptDriver::CmdAccessKey(const InJson& c) {
    std::string ch = String(c, "char");
    if (ch.empty()) throw BadArgument("\"char\" is empty");
    m_rt.AccessKey(ch[0]);
}

void ScriptDriver::CmdFocus(const InJson& c) {
    std::string path = String(c, "target");
    Target t = Find(path);
    if (t.element && (dynamic_cast<TextBox*>(t.element) || dynamic_cast<ListBox*>(t.element))) {
        m_rt.FocusElement(*t.element);
        return;
    }
    if (t.element || !t.surface->GetControl())
        throw BadArgument("\"" + path + "\" is not a control, text box or list box");
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
    Surface& s = *t.surface;
    double width = w ? Number(c, "width") : s.Width(), height = h ? Number(c, "height") : s.Height();
    // A form's client area never goes below its minimum size.
    if (s.IsForm()) {
        width = std::max(width, static_cast<Form&>(s).MinClientWidth());
        height = std::max(height, static_cast<Form&>(s).MinClientHeight());
    }
    if (w && h) {
        s.Move(s.Left(), s.Top(), width, height);
        return;
    }
    if (w) s.SetWidth(width);
    if (h) s.SetHeight(height);
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

void ScriptDriver::CmdAnswer(const InJson& c) { m_askAnswer = String(c, "button"); }

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
