// SPDX-License-Identifier: MIT
// Shared helpers for tests: a recording observer and a small control class with properties of
// every kind, registered under the test-only class name "ProbeControl".
#pragma once

#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "core/control.h"
#include "host/runtime.h"
#include "tests/test_util.h"

namespace stolvane {
// GoogleTest shows a Boolean as True or False.
inline void PrintTo(Boolean b, std::ostream* os) { *os << (b ? "True" : "False"); }
}  // namespace stolvane

namespace stolvane::test {

// Records what the runtime reports, one line of text per notification.
class Recorder : public RuntimeObserver {
public:
    std::vector<std::string> lines;
    void OnEvent(Surface& s, const std::string& name, EventArgs&) override { lines.push_back("event " + s.FullName() + " " + name); }
    void OnPropertyChanged(Surface& s, const std::string& key) override { lines.push_back("changed " + s.FullName() + " " + key); }
    void OnMsgBox(const std::string& text, const std::string& title) override { lines.push_back("msgbox " + title + ": " + text); }
    void OnNavigate(const std::string& target, bool ok) override { lines.push_back("navigate " + target + (ok ? " ok" : " failed")); }
    void OnCapture(const std::string& path) override { lines.push_back("capture " + (path.empty() ? "none" : path)); }
    void OnFocus(const std::string& path) override { lines.push_back("focus " + path); }
    void OnFormShown(Form& f, bool shown) override { lines.push_back(std::string(shown ? "shown " : "hidden ") + f.Name()); }
    bool Has(const std::string& line) const;
    // The events one control raised, by name, in order.
    std::vector<std::string> EventsOf(const std::string& control) const;
    size_t Count(const std::string& line) const;
};

// A backend whose answers a test sets: the modal loop, the menu's choice, the launcher and the
// processing of pending messages. What is left unset answers as no backend does. It records
// the forms the runtime announced before destroying them.
class HookBackend : public Backend {
public:
    std::function<void(Form&)> modal;
    std::function<MenuItem*(MenuItem& root, MenuItem* defaultItem)> menu;
    std::function<bool(const std::string&)> launch;
    std::function<void()> pump;
    std::vector<const Form*> destroyed;

    void RunModal(Form& f, Form* owner) override { modal ? modal(f) : Backend::RunModal(f, owner); }
    MenuItem* ChooseMenuItem(MenuItem& root, MenuItem* def) override { return menu ? menu(root, def) : nullptr; }
    bool Launch(const std::string& target) override { return launch && launch(target); }
    void PumpEvents() override {
        if (pump) pump();
    }
    void FormDestroying(Form& f) override { destroyed.push_back(&f); }
};

// A control that logs its lifecycle and interaction notifications into a shared journal.
class ProbeControl : public Control {
public:
    explicit ProbeControl(Surface& s);
    const char* ClassName() const override { return "ProbeControl"; }
    static const std::vector<PropertyInfo>& PropertyTable();
    const std::vector<PropertyInfo>& Properties() const override { return PropertyTable(); }

    void InitProperties() override;
    void ReadProperties(PropertyBag& bag) override;
    void Resize() override {
        Log("Resize");
        if (onResize) onResize();
    }
    void Show() override { Log("Show"); }
    void OnMouseDown(MouseArgs& a) override;
    void OnMouseMove(MouseArgs& a) override;
    void OnMouseUp(MouseArgs& a) override;
    void OnClick() override { Log("Click"); Raise(ClickEvent); }
    void OnKeyPress(int16_t& k) override { Log("KeyPress " + std::to_string(k)); }
    void OnAccessKeyPress(int16_t k) override { Log("AccessKey " + std::to_string(k)); }
    void OnGotFocus() override { Log("GotFocus"); }
    void OnLostFocus() override { Log("LostFocus"); }
    void OnOLEDragDrop(DragData& d, int32_t& effect, MouseArgs& a) override;
    std::string AccessKeys() const override { return m_AccessKey; }

    void SetCaption(const std::string& c) { m_Caption = c; PropertyChanged("Caption"); }

    Event<> ClickEvent{"Click"};
    MouseEvent MouseDownEvent{"MouseDown", kMouseArgNames};

    std::string m_Caption;
    Boolean m_Flag = False;
    int16_t m_Small = 0;
    int32_t m_Large = 0;
    OleColour m_Colour = 0;
    float m_Ratio = 0;
    FontRef m_Font;
    PictureRef m_Picture;
    std::string m_AccessKey;
    Timer* timer = nullptr;
    Label* label = nullptr;
    std::function<void()> onResize;  // runs after Resize is logged

    static std::vector<std::string> journal;
    static ClassInfo Class();

private:
    void Log(const std::string& what) { journal.push_back(GetSurface().FullName() + " " + what); }
};

void RegisterProbe();

// What the script driver prints for these lines, run with no form file.
std::string ScriptOutput(const std::string& lines);

// The output lines of a script run on an optional form file, parsed; the "changed"
// notifications are left out unless asked for. *status gets the driver's exit status.
std::vector<nlohmann::json> ScriptLines(const std::string& script, const std::optional<std::string>& form = std::nullopt,
                                        bool withChanges = false, int* status = nullptr);
// The lines reporting the event `name`, in order.
std::vector<nlohmann::json> EventsNamed(const std::vector<nlohmann::json>& lines, const std::string& name);
// The values the lines answer, in order; a line reporting an error fails the test.
std::vector<nlohmann::json> ValuesOf(const std::vector<nlohmann::json>& lines);
// What the lines said under `key` ("focus", "tooltip", "form", ...), in order.
std::vector<nlohmann::json> Said(const std::vector<nlohmann::json>& lines, const std::string& key);
// The numbers of the errors the lines report, in order.
std::vector<int> ErrorNumbers(const std::vector<nlohmann::json>& lines);
// What one of the built example programs prints with these arguments; *status gets its
// exit status as pclose gives it.
std::string ExampleOutput(const std::string& program, int* status);

// One script command line.
inline std::string Cmd(const nlohmann::json& j) { return j.dump() + "\n"; }

}  // namespace stolvane::test
