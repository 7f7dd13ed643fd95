// SPDX-License-Identifier: MIT
// The scripted driver's loop: reading a command a line, carrying it out, printing everything the
// runtime reports as it happens, and the nested loops of modal forms.
#include "app/script.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "app/script_driver.h"
#include "core/names.h"
#include "host/file_read.h"
#include "host/form_file.h"

namespace stolvane {

namespace scripting {

ScriptDriver::ScriptDriver(Runtime& runtime, std::istream& in, std::ostream& out)
    : m_rt(runtime), m_in(in), m_out(out) {
    m_rt.SetObserver(this);
    m_rt.SetFocusOnShow(true);
    // A script never starts a browser: navigation succeeds or fails as the script says.
    m_rt.SetBackend(this);
    m_rt.onUnhandledError = [this](const HostError& e) { EmitError(e.number, e.description); };
}

ScriptDriver::~ScriptDriver() {
    m_renderers.clear();
    m_rt.SetObserver(nullptr);
    m_rt.SetFocusOnShow(false);
    m_rt.SetBackend(nullptr);
    m_rt.onUnhandledError = nullptr;
}

bool ScriptDriver::Start(const std::optional<std::string>& formPath, std::ostream& err, bool design) {
    if (design) {
        std::error_code ec;
        if (formPath && std::filesystem::exists(*formPath, ec))
            if (std::string why = ReadProblem(*formPath); !why.empty()) {
                err << "stolvane: cannot read " << *formPath << ": " << why << "\n";
                return false;
            }
        try {
            m_designer = std::make_unique<DesignerForm>(m_rt, formPath.value_or(""));
        } catch (const FormFileError& e) {
            err << "stolvane: " << e.what() << "\n";
            return false;
        }
        m_main = &m_designer->GetForm();
        m_rt.CollectGarbage();
        return true;
    }
    if (!formPath) {
        m_main = &m_rt.NewForm("Form1", 9600, 7200);
        m_main->SetCaption("Form1");
        return true;
    }
    // Never waits on a FIFO: only a regular file is read.
    if (std::string why = ReadProblem(*formPath); !why.empty()) {
        err << "stolvane: cannot read " << *formPath << ": " << why << "\n";
        return false;
    }
    try {
        m_main = &LoadFormFile(m_rt, *formPath);
    } catch (const FormFileError& e) {
        err << "stolvane: " << e.what() << "\n";
        return false;
    } catch (const HostError& e) {
        err << "stolvane: " << *formPath << ": error " << e.number << ": " << e.description << "\n";
        return false;
    }
    m_rt.CollectGarbage();
    return true;
}

// ---------------------------------------------------------------- output

void ScriptDriver::Emit(const Json& j) {
    m_out << j.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
    m_out.flush();
}

void ScriptDriver::EmitError(int32_t number, const std::string& description) {
    Json e = Json::object();
    e["number"] = number;
    e["description"] = description;
    // The input line of the command that failed (none before the first command).
    if (m_line > 0) e["line"] = m_line;
    Json j = Json::object();
    j["error"] = std::move(e);
    Emit(j);
}

void ScriptDriver::OnEvent(Surface& source, const std::string& name, EventArgs& args) {
    Emit(EventJson(m_rt, source, name, args));
}

void ScriptDriver::OnElementEvent(Element& source, const std::string& name, EventArgs& args) {
    Emit(EventJson(m_rt, source, name, args));
}

}  // namespace scripting

namespace {
Json ArgsJson(EventArgs& args);
}

Json EventJson(Runtime& runtime, Surface& source, const std::string& name, EventArgs& args) {
    Json j = Json::object();
    j["event"] = name;
    j["control"] = runtime.PathOf(source);
    j["args"] = ArgsJson(args);
    return j;
}

Json EventJson(Runtime& runtime, Element& source, const std::string& name, EventArgs& args) {
    Json j = Json::object();
    j["event"] = name;
    j["control"] = runtime.PathOf(source);
    j["args"] = ArgsJson(args);
    return j;
}

namespace {
Json ArgsJson(EventArgs& args) {
    Json a = Json::object();
    for (auto& arg : args) {
        std::string n = arg.name ? arg.name : "";
        // Boolean arguments carry the classic "b" prefix (bValue).
        bool boolean = n.size() > 1 && n[0] == 'b' && std::isupper(static_cast<unsigned char>(n[1]));
        std::visit(
            [&](auto* p) {
                using T = std::remove_pointer_t<decltype(p)>;
                if (!p)
                    a[n] = nullptr;
                else if constexpr (std::is_same_v<T, Boolean>)
                    a[n] = Json(static_cast<bool>(*p));
                else if constexpr (std::is_same_v<T, int16_t>)
                    a[n] = boolean ? Json(*p != 0) : Json(*p);
                else if constexpr (std::is_same_v<T, float>)
                    a[n] = FloatJson(*p);
                else if constexpr (std::is_same_v<T, DragData>)
                    a[n] = Json{{"files", p->files}, {"text", p->text}};
                else
                    a[n] = *p;
            },
            arg.ref);
    }
    return a;
}
}  // namespace

namespace scripting {

void ScriptDriver::OnPropertyChanged(Surface& source, const std::string& key) {
    Json j = Json::object();
    j["changed"] = key;
    j["control"] = m_rt.PathOf(source);
    Emit(j);
}

void ScriptDriver::OnMsgBox(const std::string& text, const std::string& title) {
    Json m = Json::object();
    m["text"] = text;
    m["title"] = title;
    Json j = Json::object();
    j["msgbox"] = std::move(m);
    Emit(j);
}

void ScriptDriver::OnNavigate(const std::string& target, bool ok) {
    Json j = Json::object();
    j["navigate"] = target;
    j["ok"] = ok;
    Emit(j);
}

void ScriptDriver::OnCapture(const std::string& path) {
    Json j = Json::object();
    j["capture"] = path.empty() ? Json(nullptr) : Json(path);
    Emit(j);
}

void ScriptDriver::OnFocus(const std::string& path) {
    Json j = Json::object();
    j["focus"] = path;
    Emit(j);
}

void ScriptDriver::OnMenu(const std::vector<std::string>& captions, const std::string& defaultCaption) {
    Json j = Json::object();
    j["menu"] = captions;
    j["default"] = defaultCaption.empty() ? Json(nullptr) : Json(defaultCaption);
    Emit(j);
}

void ScriptDriver::OnToolTip(Form& /*form*/, const std::optional<std::string>& text, double x, double y) {
    Json j = Json::object();
    if (!text) {
        j["tooltip"] = nullptr;
    } else {
        // Whole twips print as integers, as the commands take them.
        auto number = [](double v) { return std::floor(v) == v && std::fabs(v) < 1e15 ? Json(static_cast<int64_t>(v)) : Json(v); };
        j["tooltip"] = *text;
        j["x"] = number(x);
        j["y"] = number(y);
    }
    Emit(j);
}

void ScriptDriver::OnFormShown(Form& form, bool shown) {
    // A hidden form may be unloaded and destroyed before the next command: its frame goes now.
    if (!shown) DropRenderer(form);
    Json j = Json::object();
    j["form"] = form.Name();
    j["shown"] = shown;
    Emit(j);
}

// ---------------------------------------------------------------- the backend

void ScriptDriver::FormDestroying(Form& form) {
    DropRenderer(form);
    std::erase(m_modal, &form);
}

void ScriptDriver::RunModal(Form& form, Form*) { ModalLoop(form); }

MenuItem* ScriptDriver::ChooseMenuItem(MenuItem& root, MenuItem*) {
    if (!m_menuAnswer) return nullptr;
    std::optional<std::string> answer = std::move(*m_menuAnswer);
    m_menuAnswer.reset();
    if (!answer) return nullptr;
    for (MenuItem* item : root.Items())
        if (item->Visible() && item->Caption() == *answer) return item;
    EmitError(ErrorNumber::InvalidCall, "menu: the popup menu has no item \"" + *answer + "\"");
    return nullptr;
}

int ScriptDriver::AskMessage(const std::string&, const std::string&, const std::vector<std::string>& buttons, int,
                             int cancelIndex) {
    if (!m_askAnswer) return cancelIndex;
    const std::string answer = std::move(*m_askAnswer);
    m_askAnswer.reset();
    for (size_t i = 0; i < buttons.size(); ++i)
        if (buttons[i] == answer) return static_cast<int>(i);
    std::string names;
    for (const std::string& b : buttons) names += (names.empty() ? "" : ", ") + b;
    EmitError(ErrorNumber::InvalidCall, "answer: the message box has no button \"" + answer + "\" (it has " + names + ")");
    return cancelIndex;
}

// ---------------------------------------------------------------- the command loop

bool ScriptDriver::Step() {
    if (m_eof) return false;
    std::string line;
    while (true) {
        if (!std::getline(m_in, line)) {
            m_eof = true;
            return false;
        }
        ++m_line;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!std::all_of(line.begin(), line.end(), [](unsigned char ch) { return std::isspace(ch); })) break;
    }
    m_cmdName.clear();
    InJson cmd = InJson::parse(line, nullptr, false);
    try {
        if (cmd.is_discarded() || !cmd.is_object())
            throw HostError(ErrorNumber::InvalidCall, "line " + std::to_string(m_line) + ": not a JSON object");
        Execute(cmd);
    } catch (const HostError& e) {
        EmitError(e.number, e.description);
    } catch (const FormFileError& e) {
        EmitError(321, e.what());
    } catch (const std::exception& e) {
        // Not a failure a command can report: the run cannot be trusted to go on.
        EmitError(51, std::string("Internal error: ") + e.what());
        std::cerr << "stolvane: script line " << m_line << ": " << e.what() << "\n";
        throw Abort{1};
    }
    // Calls posted from other threads run between commands.
    m_rt.RunPosted();
    if (m_modal.empty()) {
        // Frames of forms that were unloaded go before the forms themselves.
        auto loaded = [&](Form* f) {
            for (auto& p : m_rt.Forms())
                if (p.get() == f) return m_rt.IsLoaded(*f);
            return false;
        };
        for (auto it = m_renderers.begin(); it != m_renderers.end();)
            it = loaded(it->first) ? std::next(it) : m_renderers.erase(it);
        m_rt.CollectGarbage();
    }
    return true;
}

void ScriptDriver::ModalLoop(Form& form) {
    m_modal.push_back(&form);
    struct Leave {
        std::vector<Form*>& modal;
        Form* form;
        ~Leave() {
            auto it = std::find(modal.rbegin(), modal.rend(), form);
            if (it != modal.rend()) modal.erase(std::next(it).base());
        }
    } leave{m_modal, &form};
    while (m_rt.IsShown(form) && m_rt.IsLoaded(form)) {
        if (!Step()) {
            // The input ended with the form open: close it so the code that opened it returns.
            m_rt.HideForm(form);
            break;
        }
    }
}

void ScriptDriver::Execute(const InJson& cmd) {
    // Each command with the members it reads besides "cmd": any other is refused before the
    // command runs, so a misspelt member ("widht") is never silently left at its default.
    struct CommandInfo {
        Command run;
        std::vector<std::string> members;
    };
    static const std::map<std::string, CommandInfo> commands{
        {"load", {&ScriptDriver::CmdLoad, {"form"}}},
        {"place",
         {&ScriptDriver::CmdPlace,
          {"class", "name", "container", "left", "top", "width", "height", "x1", "y1", "x2", "y2"}}},
        {"show", {&ScriptDriver::CmdShow, {}}},
        {"save", {&ScriptDriver::CmdSave, {"path"}}},
        {"render", {&ScriptDriver::CmdRender, {"path", "scale"}}},
        {"mouse", {&ScriptDriver::CmdMouse, {"action", "x", "y", "button", "shift", "target"}}},
        {"cursor", {&ScriptDriver::CmdCursor, {"x", "y"}}},
        {"key", {&ScriptDriver::CmdKey, {"key", "shift", "up", "ascii", "char"}}},
        {"text", {&ScriptDriver::CmdText, {"text"}}},
        {"compose", {&ScriptDriver::CmdCompose, {"text"}}},
        {"clipboard", {&ScriptDriver::CmdClipboard, {"text"}}},
        {"accesskey", {&ScriptDriver::CmdAccessKey, {"char"}}},
        {"focus", {&ScriptDriver::CmdFocus, {"target"}}},
        {"tab", {&ScriptDriver::CmdTab, {"shift"}}},
        {"advance", {&ScriptDriver::CmdAdvance, {"ms"}}},
        {"resize", {&ScriptDriver::CmdResize, {"target", "width", "height"}}},
        {"move", {&ScriptDriver::CmdMove, {"target", "left", "top"}}},
        {"set", {&ScriptDriver::CmdSet, {"target", "property", "value"}}},
        {"get", {&ScriptDriver::CmdGet, {"target", "property"}}},
        {"call", {&ScriptDriver::CmdCall, {"target", "method"}}},
        {"dump", {&ScriptDriver::CmdDump, {"target"}}},
        {"pixel", {&ScriptDriver::CmdPixel, {"x", "y"}}},
        {"navigation", {&ScriptDriver::CmdNavigation, {"fail"}}},
        {"menu", {&ScriptDriver::CmdMenu, {"choose"}}},
        {"answer", {&ScriptDriver::CmdAnswer, {"button"}}},
        {"desktop", {&ScriptDriver::CmdDesktop, {"section", "key", "value"}}},
        {"drop", {&ScriptDriver::CmdDrop, {"x", "y", "files", "text", "target", "button", "shift"}}},
        {"showform", {&ScriptDriver::CmdShowForm, {"name"}}},
    };
    auto name = cmd.find("cmd");
    if (name == cmd.end() || !name->is_string())
        throw HostError(ErrorNumber::InvalidCall, "line " + std::to_string(m_line) + ": a command needs \"cmd\"");
    m_cmdName = name->get<std::string>();
    auto it = commands.find(m_cmdName);
    if (it == commands.end()) {
        std::vector<std::string> names;
        for (auto& [n, c] : commands) names.push_back(n);
        throw HostError(ErrorNumber::InvalidCall, "unknown command \"" + m_cmdName + "\"" + DidYouMean(m_cmdName, names) +
                                                      "; commands: " + JoinNames(names));
    }
    const std::vector<std::string>& known = it->second.members;
    for (auto& [key, value] : cmd.items()) {
        if (key == "cmd" || std::find(known.begin(), known.end(), key) != known.end()) continue;
        throw BadArgument("unknown member \"" + key + "\"" + DidYouMean(key, known) +
                          (known.empty() ? "; it takes none" : "; it takes " + JoinNames(known)));
    }
    (this->*(it->second.run))(cmd);
}

// ---------------------------------------------------------------- arguments

double ScriptDriver::Number(const InJson& c, const char* key) const {
    const InJson* v = Arg(c, key);
    if (!v) throw BadArgument(std::string("missing \"") + key + "\"");
    if (!v->is_number() || !std::isfinite(v->get<double>()))
        throw BadArgument(std::string("\"") + key + "\" must be a number");
    return v->get<double>();
}

double ScriptDriver::NumberOr(const InJson& c, const char* key, double def) const {
    const InJson* v = Arg(c, key);
    return v && !v->is_null() ? Number(c, key) : def;
}

int16_t ScriptDriver::Int16Or(const InJson& c, const char* key, int16_t def) const {
    double d = NumberOr(c, key, def);
    if (d != std::floor(d)) throw BadArgument(std::string("\"") + key + "\" must be a whole number");
    return ToInt16(d);
}

std::string ScriptDriver::String(const InJson& c, const char* key) const {
    const InJson* v = Arg(c, key);
    if (!v) throw BadArgument(std::string("missing \"") + key + "\"");
    if (!v->is_string()) throw BadArgument(std::string("\"") + key + "\" must be a string");
    return v->get<std::string>();
}

std::optional<std::string> ScriptDriver::StringOr(const InJson& c, const char* key) const {
    const InJson* v = Arg(c, key);
    if (!v || v->is_null()) return std::nullopt;
    return String(c, key);
}

bool ScriptDriver::BooleanOr(const InJson& c, const char* key, bool def) const {
    const InJson* v = Arg(c, key);
    if (!v || v->is_null()) return def;
    if (v->is_boolean()) return v->get<bool>();
    if (v->is_number()) return v->get<double>() != 0;
    throw BadArgument(std::string("\"") + key + "\" must be true or false");
}

Target ScriptDriver::Find(const std::string& path) {
    Form& form = Current();
    if (path.empty()) return {&form, nullptr};
    Target t = m_rt.Resolve(form, path);
    if (t) return t;
    if (path == form.Name()) return {&form, nullptr};
    throw HostError(ErrorNumber::ObjectRequired, "Object required: the form has no \"" + path + "\"");
}

FormRenderer& ScriptDriver::RendererFor(Form& form) {
    Renderer& r = m_renderers[&form];
    if (!r.renderer) {
        r.renderer = std::make_unique<FormRenderer>(m_rt, form, 1.0);
        r.stale = false;
    } else if (r.stale) {
        r.renderer->RepaintAll();
        r.stale = false;
    }
    return *r.renderer;
}

}  // namespace scripting

int RunScript(std::istream& in, std::ostream& out, std::ostream& err, const std::optional<std::string>& formPath,
              bool design) {
    using namespace scripting;
    try {
        Runtime runtime;
        ScriptDriver driver(runtime, in, out);
        if (!driver.Start(formPath, err, design)) return 2;
        driver.Run();
        return 0;
    } catch (const Abort& a) {
        return a.status;
    } catch (const std::exception& e) {
        err << "stolvane: " << e.what() << "\n";
        return 1;
    }
}

}  // namespace stolvane
