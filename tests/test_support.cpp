// SPDX-License-Identifier: MIT
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "app/script.h"

namespace stolvane::test {

bool Recorder::Has(const std::string& line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }
size_t Recorder::Count(const std::string& line) const { return std::count(lines.begin(), lines.end(), line); }
std::vector<std::string> Recorder::EventsOf(const std::string& control) const {
    std::vector<std::string> out;
    const std::string prefix = "event " + control + " ";
    for (auto& l : lines)
        if (l.rfind(prefix, 0) == 0) out.push_back(l.substr(prefix.size()));
    return out;
}

std::vector<std::string> ProbeControl::journal;

ProbeControl::ProbeControl(Surface& s) : Control(s) {
    Log("Create");
    label = &s.Add<Label>("lblText");
    label->Move(0, 0, 600, 200);
    label->onClick = [this] { Log("lblText Click"); };
    label->onMouseDown = [this](MouseArgs& a) { Log("lblText MouseDown " + std::to_string(static_cast<int>(a.x))); };
    timer = &s.Add<Timer>("tmr");
    timer->SetEnabled(false);
    timer->onTick = [this] { Log("Tick"); };
}

void ProbeControl::InitProperties() {
    Log("InitProperties");
    m_Caption = GetSurface().Name();
    m_Font = GetHost().AmbientFont(GetSurface());
}

void ProbeControl::ReadProperties(PropertyBag& bag) {
    Log("ReadProperties");
    ReadAllProperties(bag);
}

// "MouseDown 1 120 45": the notification, the button and the point.
static std::string MouseLine(const char* what, const MouseArgs& a) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s %d %g %g", what, a.button, a.x, a.y);
    return buf;
}

void ProbeControl::OnMouseDown(MouseArgs& a) {
    Log(MouseLine("MouseDown", a));
    Raise(MouseDownEvent, a.button, a.shift, a.x, a.y);
}
void ProbeControl::OnMouseMove(MouseArgs& a) { Log(MouseLine("MouseMove", a)); }
void ProbeControl::OnMouseUp(MouseArgs& a) { Log(MouseLine("MouseUp", a)); }

void ProbeControl::OnOLEDragDrop(DragData& d, int32_t& effect, MouseArgs& a) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "Drop %zu files '%s' at %g %g", d.files.size(), d.text.c_str(), a.x, a.y);
    Log(buf);
    effect = DropEffect::Move;
}

const std::vector<PropertyInfo>& ProbeControl::PropertyTable() {
    using P = ProbeControl;
    static const std::vector<PropertyInfo> props = {
        FieldProperty("Caption", PropType::String, &P::m_Caption, Default(std::string("Probe")), &P::SetCaption),
        FieldProperty("Flag", PropType::Boolean, &P::m_Flag, Default(int64_t{0}), nullptr),
        FieldProperty("Small", PropType::Int16, &P::m_Small, Default(int64_t{2}), nullptr),
        FieldProperty("Large", PropType::Int32, &P::m_Large, Default(int64_t{0}), nullptr),
        FieldProperty("Colour", PropType::Colour, &P::m_Colour, Default(int64_t{SysColour::ButtonText}), nullptr),
        FieldProperty("Ratio", PropType::Single, &P::m_Ratio, Default(0.5), nullptr),
        FieldProperty("Font", PropType::Font, &P::m_Font, AmbientFontDefault(), nullptr),
        FieldProperty("Picture", PropType::Picture, &P::m_Picture, Default(Picture::Empty()), nullptr),
        FieldProperty("AccessKey", PropType::String, &P::m_AccessKey, Default(std::string()), nullptr),
    };
    return props;
}

ClassInfo ProbeControl::Class() {
    return DescribeClass<ProbeControl>("ProbeControl", 1200, 600, true);
}

void RegisterProbe() { Library::Instance().AddClass(ProbeControl::Class()); }

std::string ScriptOutput(const std::string& lines) {
    std::istringstream in(lines);
    std::ostringstream out, err;
    RunScript(in, out, err, std::nullopt);
    return out.str();
}

std::string ExampleOutput(const std::string& program, int* status) {
    FILE* p = ::popen((std::string(STOLVANE_BINARY_DIR) + "/" + program).c_str(), "r");
    std::string out;
    for (int c; p && (c = std::fgetc(p)) != EOF;) out += char(c);
    *status = p ? ::pclose(p) : -1;
    return out;
}

std::vector<nlohmann::json> ScriptLines(const std::string& script, const std::optional<std::string>& form,
                                        bool withChanges, int* status) {
    std::istringstream in(script);
    std::ostringstream out, err;
    const int result = RunScript(in, out, err, form);
    if (status) *status = result;
    std::vector<nlohmann::json> lines;
    std::istringstream read(out.str());
    for (std::string line; std::getline(read, line);) {
        nlohmann::json j = nlohmann::json::parse(line);
        if (withChanges || !j.contains("changed")) lines.push_back(std::move(j));
    }
    return lines;
}

std::vector<nlohmann::json> EventsNamed(const std::vector<nlohmann::json>& lines, const std::string& name) {
    std::vector<nlohmann::json> out;
    for (auto& l : lines)
        if (l.value("event", "") == name) out.push_back(l);
    return out;
}

std::vector<nlohmann::json> ValuesOf(const std::vector<nlohmann::json>& lines) {
    std::vector<nlohmann::json> out;
    for (auto& l : lines) {
        EXPECT_FALSE(l.contains("error")) << l.dump();
        if (l.contains("value")) out.push_back(l["value"]);
    }
    return out;
}

std::vector<nlohmann::json> Said(const std::vector<nlohmann::json>& lines, const std::string& key) {
    std::vector<nlohmann::json> out;
    for (auto& l : lines)
        if (l.contains(key)) out.push_back(l[key]);
    return out;
}

std::vector<int> ErrorNumbers(const std::vector<nlohmann::json>& lines) {
    std::vector<int> out;
    for (auto& l : Said(lines, "error")) out.push_back(l["number"]);
    return out;
}

}  // namespace stolvane::test
