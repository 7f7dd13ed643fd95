// SPDX-License-Identifier: MIT
// Inside the scripted driver: the driver class, whose loop, output and modal handling live in
// app/script.cpp, its commands in app/script_commands.cpp, and properties by name in
// app/script_properties.cpp; and the value helpers they share.
#pragma once

#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "app/dump.h"
#include "designer/designer_form.h"
#include "host/render.h"
#include "host/runtime.h"

namespace stolvane::scripting {

using InJson = nlohmann::json;

// Ends the run from whatever depth it is at (a modal loop inside a handler, say). It is not a
// std::exception, so the runtime's guards around handlers let it pass.
struct Abort {
    int status;
};

std::string Lower(std::string s);
bool SameName(const std::string& a, const char* b);
// "Name" or "Name(3)".
std::pair<std::string, int> SplitIndex(const std::string& s);
HostError BadValue();
// Error 380 with the reason: "Invalid property value: " + why.
HostError BadValue(const std::string& why);
HostError NoMember(const std::string& what);
// Error 438 naming the nearest valid member and all of them.
HostError NoMember(const std::string& what, const std::vector<std::string>& valid);
bool JsonBoolean(const InJson& v);
double JsonNumber(const InJson& v);
OleColour JsonColour(const InJson& v);
// A font object given in a script, its members laid over `base`. Bold and Weight follow each
// other unless both are given.
Font MergeFont(const Font& base, const InJson& v);

// The headless backend: modal forms are answered by the commands that follow, popup menus by
// the "menu" command, links open or fail as "navigation" says, message boxes are printed, the
// clipboard is a string kept in memory.
class ScriptDriver : public RuntimeObserver, public Backend {
public:
    ScriptDriver(Runtime& runtime, std::istream& in, std::ostream& out);
    ~ScriptDriver() override;

    // Loads the form file or makes the empty form; false (with the reason on err) when the
    // file cannot be loaded.
    // With `design`, the designer's window takes the form's place, designing the file (a new
    // form saved there when there is none yet).
    bool Start(const std::optional<std::string>& formPath, std::ostream& err, bool design = false);
    void Run() {
        while (Step()) {
        }
    }

    // ---- RuntimeObserver: every notification is printed as it happens.
    void OnEvent(Surface& source, const std::string& name, EventArgs& args) override;
    void OnPropertyChanged(Surface& source, const std::string& key) override;
    void OnMsgBox(const std::string& text, const std::string& title) override;
    void OnNavigate(const std::string& target, bool ok) override;
    void OnElementEvent(Element& source, const std::string& name, EventArgs& args) override;
    void OnCapture(const std::string& path) override;
    void OnFocus(const std::string& path) override;
    void OnMenu(const std::vector<std::string>& captions, const std::string& defaultCaption) override;
    void OnFormShown(Form& form, bool shown) override;
    void OnToolTip(Form& form, const std::optional<std::string>& text, double x, double y) override;

    // ---- Backend
    void FormDestroying(Form& form) override;
    void RunModal(Form& form, Form* owner) override;
    MenuItem* ChooseMenuItem(MenuItem& root, MenuItem* defaultItem) override;
    int AskMessage(const std::string& text, const std::string& title, const std::vector<std::string>& buttons,
                   int defaultIndex, int cancelIndex) override;
    bool Launch(const std::string&) override { return !m_navigationFails; }

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
    // An element's members come from its kind's table.
    Json GetElementMember(Element& e, const std::string& name);
    void SetElementMember(Element& e, const std::string& name, const InJson& v);
    Value MemberValue(const MemberInfo& m, const InJson& v, const std::function<Value()>& current);
    Value ToValue(const InJson& v, PropType type, const std::function<Value()>& current);

    // Commands.
    void CmdLoad(const InJson& c);
    void CmdPlace(const InJson& c);
    void CmdShow(const InJson& c);
    void CmdShowForm(const InJson& c);
    void CmdSave(const InJson& c);
    void CmdRender(const InJson& c);
    void CmdMouse(const InJson& c);
    void CmdCursor(const InJson& c);
    void CmdKey(const InJson& c);
    void CmdText(const InJson& c);
    void CmdCompose(const InJson& c);
    void CmdClipboard(const InJson& c);
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
    void CmdAnswer(const InJson& c);
    void CmdDesktop(const InJson& c);
    void CmdDrop(const InJson& c);

    Runtime& m_rt;
    std::istream& m_in;
    std::ostream& m_out;
    Form* m_main = nullptr;
    std::unique_ptr<DesignerForm> m_designer;
    std::vector<Form*> m_modal;
    std::map<Form*, Renderer> m_renderers;
    bool m_eof = false;
    int64_t m_line = 0;
    std::string m_cmdName;
    bool m_navigationFails = false;
    // The answer to the next popup menu: a caption, or null to dismiss it.
    std::optional<std::optional<std::string>> m_menuAnswer;
    std::optional<std::string> m_askAnswer;  // the button the next asking message box is answered with
};

}  // namespace stolvane::scripting
