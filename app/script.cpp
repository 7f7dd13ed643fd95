#include "app/script.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>

#include "app/dump.h"
#include "core/convert.h"
#include "host/form_file.h"
#include "host/render.h"
#include "host/runtime.h"

namespace stolvane {

namespace {

using InJson = nlohmann::json;

// Ends the run from whatever depth it is at (a modal loop inside a handler, say). It is not a
// std::exception, so the runtime's guards around handlers let it pass.
struct Abort {
    int status;
};

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

bool SameName(const std::string& a, const char* b) { return Lower(a) == Lower(b); }

// "Name" or "Name(3)".
std::pair<std::string, int> SplitIndex(const std::string& s) {
    auto open = s.find('(');
    if (open == std::string::npos || s.back() != ')') return {s, -1};
    std::string num = s.substr(open + 1, s.size() - open - 2);
    if (num.empty() || num.size() > 6 || !std::all_of(num.begin(), num.end(), ::isdigit)) return {s, -1};
    return {s.substr(0, open), std::stoi(num)};
}

HostError BadValue() { return HostError::InvalidProperty(); }
HostError NoMember(const std::string& what) {
    return HostError(ErrorNumber::NoSuchProperty, "Object doesn't support this property or method: " + what);
}

bool JsonBoolean(const InJson& v) {
    if (v.is_boolean()) return v.get<bool>();
    if (v.is_number()) return v.get<double>() != 0;
    throw BadValue();
}

double JsonNumber(const InJson& v) {
    if (!v.is_number()) throw BadValue();
    return v.get<double>();
}

OleColour JsonColour(const InJson& v) {
    return static_cast<OleColour>(AsInteger(Coerce(Value{JsonNumber(v)}, PropType::Colour)));
}

// A font object given in a script, its members laid over `base`. Bold and Weight follow each
// other unless both are given.
Font MergeFont(const Font& base, const InJson& v) {
    if (!v.is_object()) throw HostError(ErrorNumber::ObjectRequired, "Object required");
    Font f = base;
    bool boldGiven = false, weightGiven = false;
    for (auto& [key, val] : v.items()) {
        std::string k = Lower(key);
        if (k == "name") {
            if (!val.is_string()) throw BadValue();
            f.name = val.get<std::string>();
        } else if (k == "size") {
            double s = JsonNumber(val);
            if (!(s > 0 && s < 2048)) throw BadValue();
            f.size = s;
        } else if (k == "bold") {
            f.bold = JsonBoolean(val);
            boldGiven = true;
        } else if (k == "italic") {
            f.italic = JsonBoolean(val);
        } else if (k == "underline") {
            f.underline = JsonBoolean(val);
        } else if (k == "strikethrough") {
            f.strikethrough = JsonBoolean(val);
        } else if (k == "weight") {
            int16_t w = ToInt16(JsonNumber(val));
            if (w < 0 || w > 1000) throw BadValue();
            f.weight = w;
            weightGiven = true;
        } else if (k == "charset") {
            f.charset = ToInt16(JsonNumber(val));
        } else {
            throw HostError(ErrorNumber::InvalidProperty, "Invalid property value: a font has no \"" + key + "\"");
        }
    }
    if (boldGiven && !weightGiven) f.weight = f.bold ? 700 : 400;
    if (weightGiven && !boldGiven) f.bold = f.weight >= 600;
    return f;
}

class ScriptDriver : public RuntimeObserver {
public:
    ScriptDriver(Runtime& runtime, std::istream& in, std::ostream& out);
    ~ScriptDriver() override;

    // Loads the form file or makes the empty form; false (with the reason on err) when the
    // file cannot be loaded.
    bool Start(const std::optional<std::string>& formPath, std::ostream& err);
    void Run() {
        while (Step()) {
        }
    }

    // ---- RuntimeObserver: every notification is printed as it happens.
    void OnEvent(Surface& source, const std::string& name, EventArgs& args) override;
    void OnPropertyChanged(Surface& source, const std::string& key) override;
    void OnMsgBox(const std::string& text, const std::string& title) override;
    void OnNavigate(const std::string& target, bool ok) override;
    void OnCapture(const std::string& path) override;
    void OnFocus(const std::string& path) override;
    void OnMenu(const std::vector<std::string>& captions, const std::string& defaultCaption) override;
    void OnFormShown(Form& form, bool shown) override;

private:
    using Command = void (ScriptDriver::*)(const InJson&);
    struct Renderer {
        std::unique_ptr<FormRenderer> renderer;
        bool stale = false;  // repaint everything before the next use
    };

    // Reads and carries out the next command line; false at the end of the input.
    bool Step();
    void Execute(const InJson& cmd);
    void ModalLoop(Form& form);
    void Emit(const Json& j);
    void EmitError(int32_t number, const std::string& description);

    // The form commands go to: the innermost open modal form, else the run's form.
    Form& Current() { return m_modal.empty() ? *m_main : *m_modal.back(); }
    Target Find(const std::string& path);
    FormRenderer& RendererFor(Form& form);
    void DropRenderer(Form& form) { m_renderers.erase(&form); }
    void MarkRenderersStale() {
        for (auto& [f, r] : m_renderers) r.stale = true;
    }

    // Arguments of the command being run; a missing or mistyped one fails with error 5.
    HostError BadArgument(const std::string& what) const {
        return HostError(ErrorNumber::InvalidCall, m_cmdName + ": " + what);
    }
    const InJson* Arg(const InJson& c, const char* key) const {
        auto it = c.find(key);
        return it == c.end() ? nullptr : &*it;
    }
    double Number(const InJson& c, const char* key) const;
    double NumberOr(const InJson& c, const char* key, double def) const;
    int16_t Int16Or(const InJson& c, const char* key, int16_t def) const;
    std::string String(const InJson& c, const char* key) const;
    std::optional<std::string> StringOr(const InJson& c, const char* key) const;
    bool BooleanOr(const InJson& c, const char* key, bool def) const;

    // Properties by name: the control's own table first, then what the extender, the form or
    // the element offers.
    Json GetProperty(const Target& t, const std::string& name);
    void SetProperty(const Target& t, const std::string& name, const InJson& v);
    std::optional<Json> GetSurfaceProperty(Surface& s, const std::string& name);
    bool SetSurfaceProperty(Surface& s, const std::string& name, const InJson& v);
    std::optional<Json> GetElementProperty(Element& e, const std::string& name);
    bool SetElementProperty(Element& e, const std::string& name, const InJson& v);
    Value ToValue(const InJson& v, PropType type, const std::function<Value()>& current);

    // Commands.
    void CmdLoad(const InJson& c);
    void CmdPlace(const InJson& c);
    void CmdShow(const InJson& c);
    void CmdSave(const InJson& c);
    void CmdRender(const InJson& c);
    void CmdMouse(const InJson& c);
    void CmdCursor(const InJson& c);
    void CmdKey(const InJson& c);
    void CmdAccessKey(const InJson& c);
    void CmdFocus(const InJson& c);
    void CmdTab(const InJson& c);
    void CmdAdvance(const InJson& c);
    void CmdResize(const InJson& c);
    void CmdMove(const InJson& c);
    void CmdSet(const InJson& c);
    void CmdGet(const InJson& c);
    void CmdCall(const InJson& c);
    void CmdDump(const InJson& c);
    void CmdPixel(const InJson& c);
    void CmdNavigation(const InJson& c);
    void CmdMenu(const InJson& c);
    void CmdDesktop(const InJson& c);
    void CmdDrop(const InJson& c);

    Runtime& m_rt;
    std::istream& m_in;
    std::ostream& m_out;
    Form* m_main = nullptr;
    std::vector<Form*> m_modal;
    std::map<Form*, Renderer> m_renderers;
    bool m_eof = false;
    int64_t m_line = 0;
    std::string m_cmdName;
    bool m_navigationFails = false;
    // The answer to the next popup menu: a caption, or null to dismiss it.
    std::optional<std::optional<std::string>> m_menuAnswer;
};

ScriptDriver::ScriptDriver(Runtime& runtime, std::istream& in, std::ostream& out)
    : m_rt(runtime), m_in(in), m_out(out) {
    m_rt.SetObserver(this);
    // A script never starts a browser: navigation succeeds or fails as the script says.
    m_rt.SetLauncher([this](const std::string&) { return !m_navigationFails; });
    m_rt.SetModalLoop([this](Form& f) { ModalLoop(f); });
    m_rt.SetMenuChooser([this](MenuItem& root, MenuItem*) -> MenuItem* {
        if (!m_menuAnswer) return nullptr;
        std::optional<std::string> answer = std::move(*m_menuAnswer);
        m_menuAnswer.reset();
        if (!answer) return nullptr;
        for (MenuItem* item : root.Items())
            if (item->Visible() && item->Caption() == *answer) return item;
        EmitError(ErrorNumber::InvalidCall, "menu: the popup menu has no item \"" + *answer + "\"");
        return nullptr;
    });
    m_rt.onUnhandledError = [this](const HostError& e) { EmitError(e.number, e.description); };
}

ScriptDriver::~ScriptDriver() {
    m_renderers.clear();
    m_rt.SetObserver(nullptr);
    m_rt.SetModalLoop(nullptr);
    m_rt.SetMenuChooser(nullptr);
    m_rt.SetLauncher([](const std::string&) { return false; });
    m_rt.onUnhandledError = nullptr;
}

bool ScriptDriver::Start(const std::optional<std::string>& formPath, std::ostream& err) {
    if (!formPath) {
        m_main = &m_rt.NewForm("Form1", 9600, 7200);
        m_main->SetCaption("Form1");
        return true;
    }
    std::ifstream probe(*formPath);
    if (!probe) {
        err << "stolvane: cannot read " << *formPath << "\n";
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
    Json j = Json::object();
    j["error"] = std::move(e);
    Emit(j);
}

void ScriptDriver::OnEvent(Surface& source, const std::string& name, EventArgs& args) {
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
    Json j = Json::object();
    j["event"] = name;
    j["control"] = m_rt.PathOf(source);
    j["args"] = std::move(a);
    Emit(j);
}

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

void ScriptDriver::OnFormShown(Form& form, bool shown) {
    // A hidden form may be unloaded and destroyed before the next command: its frame goes now.
    if (!shown) DropRenderer(form);
    Json j = Json::object();
    j["form"] = form.Name();
    j["shown"] = shown;
    Emit(j);
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
    static const std::map<std::string, Command> commands{
        {"load", &ScriptDriver::CmdLoad},          {"place", &ScriptDriver::CmdPlace},
        {"show", &ScriptDriver::CmdShow},          {"save", &ScriptDriver::CmdSave},
        {"render", &ScriptDriver::CmdRender},      {"mouse", &ScriptDriver::CmdMouse},
        {"cursor", &ScriptDriver::CmdCursor},      {"key", &ScriptDriver::CmdKey},
        {"accesskey", &ScriptDriver::CmdAccessKey}, {"focus", &ScriptDriver::CmdFocus},
        {"tab", &ScriptDriver::CmdTab},            {"advance", &ScriptDriver::CmdAdvance},
        {"resize", &ScriptDriver::CmdResize},      {"move", &ScriptDriver::CmdMove},
        {"set", &ScriptDriver::CmdSet},            {"get", &ScriptDriver::CmdGet},
        {"call", &ScriptDriver::CmdCall},          {"dump", &ScriptDriver::CmdDump},
        {"pixel", &ScriptDriver::CmdPixel},        {"navigation", &ScriptDriver::CmdNavigation},
        {"menu", &ScriptDriver::CmdMenu},          {"desktop", &ScriptDriver::CmdDesktop},
        {"drop", &ScriptDriver::CmdDrop},
    };
    auto name = cmd.find("cmd");
    if (name == cmd.end() || !name->is_string())
        throw HostError(ErrorNumber::InvalidCall, "line " + std::to_string(m_line) + ": a command needs \"cmd\"");
    m_cmdName = name->get<std::string>();
    auto it = commands.find(m_cmdName);
    if (it == commands.end()) throw HostError(ErrorNumber::InvalidCall, "unknown command \"" + m_cmdName + "\"");
    (this->*(it->second))(cmd);
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
    // An intrinsic element, named by its kind ("label", "Timer", ...).
    static const ElementKind kinds[] = {ElementKind::Line,          ElementKind::Label,    ElementKind::Image,
                                        ElementKind::PictureBox,    ElementKind::Shape,    ElementKind::PictureButton,
                                        ElementKind::MenuItem,      ElementKind::ListBox,  ElementKind::Timer};
    for (ElementKind kind : kinds) {
        if (Lower(className) != KindName(kind)) continue;
        double width = NumberOr(c, "width", 0), height = NumberOr(c, "height", 0);
        if (width < 0 || height < 0) throw HostError::InvalidProperty();
        Element& e = m_rt.PlaceElement(*container, kind, name, index);
        if (auto* box = dynamic_cast<BoxElement*>(&e)) box->Move(left, top, width, height);
        if (auto* line = dynamic_cast<Line*>(&e))
            line->SetEnds(NumberOr(c, "x1", 0), NumberOr(c, "y1", 0), NumberOr(c, "x2", 0), NumberOr(c, "y2", 0));
        return;
    }
    throw BadArgument("no class named \"" + className + "\"");
}

void ScriptDriver::CmdShow(const InJson&) { m_rt.ShowForm(Current()); }

void ScriptDriver::CmdSave(const InJson& c) { SaveFormFile(m_rt, Current(), String(c, "path")); }

void ScriptDriver::CmdRender(const InJson& c) {
    std::string path = String(c, "path");
    double scale = NumberOr(c, "scale", 1);
    if (!(scale > 0 && scale <= 16)) throw BadArgument("\"scale\" must be above 0 and at most 16");
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

void ScriptDriver::CmdKey(const InJson& c) {
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

void ScriptDriver::CmdAccessKey(const InJson& c) {
    std::string ch = String(c, "char");
    if (ch.empty()) throw BadArgument("\"char\" is empty");
    m_rt.AccessKey(ch[0]);
}

void ScriptDriver::CmdFocus(const InJson& c) {
    std::string path = String(c, "target");
    Target t = Find(path);
    if (t.element || !t.surface->GetControl()) throw BadArgument("\"" + path + "\" is not a control");
    m_rt.SetFocus(*t.surface);
}

void ScriptDriver::CmdTab(const InJson& c) { m_rt.Tab(BooleanOr(c, "shift", false)); }

void ScriptDriver::CmdAdvance(const InJson& c) {
    double ms = Number(c, "ms");
    if (ms < 0 || ms != std::floor(ms) || ms > 1e12) throw BadArgument("\"ms\" must be a whole number of milliseconds");
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

// ---------------------------------------------------------------- properties and methods

Value ScriptDriver::ToValue(const InJson& v, PropType type, const std::function<Value()>& current) {
    switch (type) {
        case PropType::Boolean: return Value{static_cast<int64_t>(JsonBoolean(v) ? True : False)};
        case PropType::Int16:
        case PropType::Int32:
        case PropType::Colour:
        case PropType::Single:
            if (v.is_number_integer()) return Value{v.get<int64_t>()};
            return Value{JsonNumber(v)};
        case PropType::String:
            if (!v.is_string()) throw BadValue();
            return Value{v.get<std::string>()};
        case PropType::Font: {
            Value now = current();
            auto* f = std::get_if<FontRef>(&now);
            Font base = f && *f ? **f : Font{};
            return Value{std::make_shared<Font>(MergeFont(base, v))};
        }
        case PropType::Picture:
            if (v.is_null()) return Value{Picture::Empty()};
            if (!v.is_string()) throw HostError(ErrorNumber::ObjectRequired, "Object required");
            return Value{m_rt.LoadPicture(v.get<std::string>())};
    }
    throw BadValue();
}

std::optional<Json> ScriptDriver::GetSurfaceProperty(Surface& s, const std::string& name) {
    if (SameName(name, "Name")) return Json(s.FullName());
    if (SameName(name, "Left")) return NumberJson(s.Left());
    if (SameName(name, "Top")) return NumberJson(s.Top());
    if (SameName(name, "Width")) return NumberJson(s.Width());
    if (SameName(name, "Height")) return NumberJson(s.Height());
    if (SameName(name, "Visible")) return Json(s.IsForm() ? m_rt.IsShown(static_cast<Form&>(s)) : s.Visible());
    if (SameName(name, "Enabled")) return Json(s.Enabled());
    if (!s.IsForm()) {
        if (SameName(name, "TabIndex")) return Json(s.TabIndex());
        if (SameName(name, "TabStop")) return Json(s.TabStop());
        return std::nullopt;
    }
    auto& f = static_cast<Form&>(s);
    if (SameName(name, "Caption")) return Json(f.Caption());
    if (SameName(name, "BackColour") || SameName(name, "BackColor")) return ColourJson(f.BackColour());
    if (SameName(name, "BorderStyle")) return Json(f.GetBorderStyle());
    if (SameName(name, "WindowState")) return Json(f.GetWindowState());
    if (SameName(name, "Font")) return f.GetFont() ? FontJson(*f.GetFont()) : Json(nullptr);
    if (SameName(name, "Picture")) return PictureJson(f.GetPicture());
    if (SameName(name, "Icon")) return PictureJson(f.Icon());
    return std::nullopt;
}

bool ScriptDriver::SetSurfaceProperty(Surface& s, const std::string& name, const InJson& v) {
    if (SameName(name, "Left")) s.SetLeft(JsonNumber(v));
    else if (SameName(name, "Top")) s.SetTop(JsonNumber(v));
    else if (SameName(name, "Width")) s.SetWidth(JsonNumber(v));
    else if (SameName(name, "Height")) s.SetHeight(JsonNumber(v));
    else if (SameName(name, "Enabled")) s.SetEnabled(JsonBoolean(v));
    else if (!s.IsForm()) {
        if (SameName(name, "Visible")) s.SetVisible(JsonBoolean(v));
        else if (SameName(name, "TabIndex")) s.SetTabIndex(ToInt16(JsonNumber(v)));
        else if (SameName(name, "TabStop")) s.SetTabStop(JsonBoolean(v));
        else return false;
    } else {
        auto& f = static_cast<Form&>(s);
        if (SameName(name, "Visible")) {
            if (JsonBoolean(v)) m_rt.ShowForm(f);
            else m_rt.HideForm(f);
        } else if (SameName(name, "Caption")) {
            if (!v.is_string()) throw BadValue();
            f.SetCaption(v.get<std::string>());
        } else if (SameName(name, "BackColour") || SameName(name, "BackColor")) f.SetBackColour(JsonColour(v));
        else if (SameName(name, "BorderStyle")) f.SetBorderStyle(ToInt16(JsonNumber(v)));
        else if (SameName(name, "WindowState")) f.SetWindowState(ToInt16(JsonNumber(v)));
        else if (SameName(name, "Font"))
            f.SetFont(std::make_shared<Font>(MergeFont(f.GetFont() ? *f.GetFont() : Font{}, v)));
        else if (SameName(name, "Picture")) f.SetPicture(AsPicture(ToValue(v, PropType::Picture, {})));
        else if (SameName(name, "Icon")) f.SetIcon(AsPicture(ToValue(v, PropType::Picture, {})));
        else return false;
    }
    return true;
}

std::optional<Json> ScriptDriver::GetElementProperty(Element& e, const std::string& name) {
    if (SameName(name, "Name")) return Json(e.FullName());
    if (SameName(name, "Visible")) return Json(e.Visible());
    if (auto* b = dynamic_cast<BoxElement*>(&e)) {
        if (SameName(name, "Left")) return NumberJson(b->Left());
        if (SameName(name, "Top")) return NumberJson(b->Top());
        if (SameName(name, "Width")) return NumberJson(b->Width());
        if (SameName(name, "Height")) return NumberJson(b->Height());
    }
    if (auto* l = dynamic_cast<Line*>(&e)) {
        if (SameName(name, "X1")) return NumberJson(l->X1());
        if (SameName(name, "Y1")) return NumberJson(l->Y1());
        if (SameName(name, "X2")) return NumberJson(l->X2());
        if (SameName(name, "Y2")) return NumberJson(l->Y2());
        if (SameName(name, "Colour") || SameName(name, "BorderColor")) return ColourJson(l->Colour());
        if (SameName(name, "BorderWidth")) return Json(l->BorderWidth());
    } else if (auto* l = dynamic_cast<Label*>(&e)) {
        if (SameName(name, "Caption")) return Json(l->Caption());
        if (SameName(name, "Alignment")) return Json(l->Alignment());
        if (SameName(name, "Colour") || SameName(name, "ForeColor")) return ColourJson(l->ForeColour());
        if (SameName(name, "BackColour") || SameName(name, "BackColor")) return ColourJson(l->BackColour());
        if (SameName(name, "Enabled")) return Json(l->Enabled());
        if (SameName(name, "Font")) return FontJson(l->GetFont());
    } else if (auto* i = dynamic_cast<Image*>(&e)) {
        if (SameName(name, "Picture")) return PictureJson(i->GetPicture());
        if (SameName(name, "Stretch")) return Json(i->Stretch());
    } else if (auto* p = dynamic_cast<PictureBox*>(&e)) {
        if (SameName(name, "Picture")) return PictureJson(p->GetPicture());
        if (SameName(name, "BackColour") || SameName(name, "BackColor")) return ColourJson(p->BackColour());
    } else if (auto* pb = dynamic_cast<PictureButton*>(&e)) {
        if (SameName(name, "Enabled")) return Json(pb->Enabled());
        if (SameName(name, "Picture")) return PictureJson(pb->GetPicture());
    } else if (auto* m = dynamic_cast<MenuItem*>(&e)) {
        if (SameName(name, "Caption")) return Json(m->Caption());
        if (SameName(name, "Enabled")) return Json(m->Enabled());
    } else if (auto* lb = dynamic_cast<ListBox*>(&e)) {
        if (SameName(name, "ListCount")) return Json(lb->ListCount());
        if (SameName(name, "ListIndex")) return Json(lb->ListIndex());
    } else if (auto* t = dynamic_cast<Timer*>(&e)) {
        if (SameName(name, "Interval")) return Json(t->Interval());
        if (SameName(name, "Enabled")) return Json(t->Enabled());
    }
    return std::nullopt;
}

bool ScriptDriver::SetElementProperty(Element& e, const std::string& name, const InJson& v) {
    if (SameName(name, "Visible")) {
        e.SetVisible(JsonBoolean(v));
        return true;
    }
    if (auto* b = dynamic_cast<BoxElement*>(&e)) {
        if (SameName(name, "Left")) return b->SetLeft(JsonNumber(v)), true;
        if (SameName(name, "Top")) return b->SetTop(JsonNumber(v)), true;
        if (SameName(name, "Width")) return b->SetWidth(JsonNumber(v)), true;
        if (SameName(name, "Height")) return b->SetHeight(JsonNumber(v)), true;
    }
    auto picture = [&] { return AsPicture(ToValue(v, PropType::Picture, {})); };
    if (auto* l = dynamic_cast<Line*>(&e)) {
        if (SameName(name, "X1")) return l->SetX1(JsonNumber(v)), true;
        if (SameName(name, "Y1")) return l->SetY1(JsonNumber(v)), true;
        if (SameName(name, "X2")) return l->SetX2(JsonNumber(v)), true;
        if (SameName(name, "Y2")) return l->SetY2(JsonNumber(v)), true;
        if (SameName(name, "Colour") || SameName(name, "BorderColor")) return l->SetColour(JsonColour(v)), true;
        if (SameName(name, "BorderWidth")) return l->SetBorderWidth(ToInt16(JsonNumber(v))), true;
    } else if (auto* l = dynamic_cast<Label*>(&e)) {
        if (SameName(name, "Caption")) {
            if (!v.is_string()) throw BadValue();
            return l->SetCaption(v.get<std::string>()), true;
        }
        if (SameName(name, "Alignment")) return l->SetAlignment(ToInt16(JsonNumber(v))), true;
        if (SameName(name, "Colour") || SameName(name, "ForeColor")) return l->SetForeColour(JsonColour(v)), true;
        if (SameName(name, "BackColour") || SameName(name, "BackColor")) return l->SetBackColour(JsonColour(v)), true;
        if (SameName(name, "Enabled")) return l->SetEnabled(JsonBoolean(v)), true;
        if (SameName(name, "Font")) return l->SetFont(MergeFont(l->GetFont(), v)), true;
    } else if (auto* i = dynamic_cast<Image*>(&e)) {
        if (SameName(name, "Picture")) return i->SetPicture(picture()), true;
        if (SameName(name, "Stretch")) return i->SetStretch(JsonBoolean(v)), true;
    } else if (auto* p = dynamic_cast<PictureBox*>(&e)) {
        if (SameName(name, "Picture")) return p->SetPicture(picture()), true;
        if (SameName(name, "BackColour") || SameName(name, "BackColor")) return p->SetBackColour(JsonColour(v)), true;
    } else if (auto* pb = dynamic_cast<PictureButton*>(&e)) {
        if (SameName(name, "Enabled")) return pb->SetEnabled(JsonBoolean(v)), true;
        if (SameName(name, "Picture")) return pb->SetPicture(picture()), true;
    } else if (auto* m = dynamic_cast<MenuItem*>(&e)) {
        if (SameName(name, "Caption")) {
            if (!v.is_string()) throw BadValue();
            return m->SetCaption(v.get<std::string>()), true;
        }
        if (SameName(name, "Enabled")) return m->SetEnabled(JsonBoolean(v)), true;
    } else if (auto* lb = dynamic_cast<ListBox*>(&e)) {
        if (SameName(name, "ListIndex")) return lb->SetListIndex(ToInt32(JsonNumber(v))), true;
    } else if (auto* t = dynamic_cast<Timer*>(&e)) {
        if (SameName(name, "Interval")) return t->SetInterval(ToInt32(JsonNumber(v))), true;
        if (SameName(name, "Enabled")) return t->SetEnabled(JsonBoolean(v)), true;
    }
    return false;
}

Json ScriptDriver::GetProperty(const Target& t, const std::string& name) {
    if (t.element) {
        if (auto j = GetElementProperty(*t.element, name)) return *j;
        throw NoMember(name);
    }
    if (Control* c = t.surface->GetControl())
        if (const PropertyInfo* p = c->FindProperty(name)) return ValueJson(p->get(*c), p->type);
    if (auto j = GetSurfaceProperty(*t.surface, name)) return *j;
    throw NoMember(name);
}

void ScriptDriver::SetProperty(const Target& t, const std::string& name, const InJson& v) {
    if (t.element) {
        if (!SetElementProperty(*t.element, name, v)) throw NoMember(name);
        return;
    }
    if (Control* c = t.surface->GetControl()) {
        if (const PropertyInfo* p = c->FindProperty(name)) {
            if (!p->set) throw HostError(383, "Property is read-only");
            p->set(*c, ToValue(v, p->type, [&] { return p->get(*c); }));
            return;
        }
    }
    if (!SetSurfaceProperty(*t.surface, name, v)) throw NoMember(name);
}

void ScriptDriver::CmdSet(const InJson& c) {
    Target t = Find(String(c, "target"));
    std::string property = String(c, "property");
    const InJson* v = Arg(c, "value");
    if (!v) throw BadArgument("missing \"value\"");
    SetProperty(t, property, *v);
}

void ScriptDriver::CmdGet(const InJson& c) {
    Target t = Find(String(c, "target"));
    Json j = Json::object();
    j["value"] = GetProperty(t, String(c, "property"));
    Emit(j);
}

void ScriptDriver::CmdCall(const InJson& c) {
    Target t = Find(String(c, "target"));
    std::string method = String(c, "method");
    Control* control = t.element ? nullptr : t.surface->GetControl();
    if (!control) throw NoMember(method);
    Json j = Json::object();
    if (SameName(method, "Version")) {
        j["value"] = control->Version();
    } else if (SameName(method, "About")) {
        // Returns once the about form has closed; the commands in between went to it.
        control->About();
        j["value"] = nullptr;
    } else {
        throw NoMember(method);
    }
    Emit(j);
}

void ScriptDriver::CmdDump(const InJson& c) {
    Target t = Find(StringOr(c, "target").value_or(""));
    Json j = Json::object();
    j["dump"] = t.element ? DumpElement(m_rt, *t.element) : DumpSurface(m_rt, *t.surface);
    Emit(j);
}

void ScriptDriver::CmdPixel(const InJson& c) {
    double x = Number(c, "x"), y = Number(c, "y");
    Form& form = Current();
    if (x < 0 || y < 0 || x >= form.Width() || y >= form.Height())
        throw BadArgument("the point lies outside the form's client area");
    Json j = Json::object();
    j["value"] = ColourJson(RendererFor(form).PixelAt(x, y));
    Emit(j);
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

}  // namespace

int RunScript(std::istream& in, std::ostream& out, std::ostream& err, const std::optional<std::string>& formPath) {
    try {
        Runtime runtime;
        ScriptDriver driver(runtime, in, out);
        if (!driver.Start(formPath, err)) return 2;
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
