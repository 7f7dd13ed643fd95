// SPDX-License-Identifier: MIT
// The designer's window driven by scripts (`stolvane script --design`) through its own parts,
// as a user drives it: the toolbox, a rectangle dragged on the form, a caption typed into the
// property browser, the Save button; the saved file is compared with a reference.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/script.h"
#include "designer/designer_form.h"
#include "tests/test_util.h"

using namespace stolvane;

namespace {

// Runs the lines on the designer of `form`; returns the output objects.
std::vector<nlohmann::json> Design(const std::vector<nlohmann::json>& commands, const std::string& form) {
    std::string script;
    for (const auto& c : commands) script += c.dump() + "\n";
    std::istringstream in(script);
    std::ostringstream out, err;
    EXPECT_EQ(RunScript(in, out, err, form, true), 0) << err.str();
    std::vector<nlohmann::json> lines;
    std::istringstream read(out.str());
    for (std::string line; std::getline(read, line);) lines.push_back(nlohmann::json::parse(line));
    return lines;
}

// The row of a property in the browser of a newly placed control of the class.
int RowOf(const std::string& className, const std::string& property) {
    Runtime rt;
    FormDesigner d{rt};
    const std::string name = d.PlaceDefault(className);
    const auto rows = d.Properties(name);
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].name == property) return static_cast<int>(i);
    return -1;
}

using J = nlohmann::json;

J Mouse(const char* action, double x, double y, int button = 1) {
    return {{"cmd", "mouse"}, {"action", action}, {"x", x}, {"y", y}, {"button", button}};
}
J Key(const char* key, int shift = 0) { return {{"cmd", "key"}, {"key", key}, {"shift", shift}}; }

// Picks a row of the property browser with the keys and types a value into it.
void TypeProperty(std::vector<J>& s, int row, const std::string& value) {
    s.push_back({{"cmd", "focus"}, {"target", "lstProperties"}});
    s.push_back(Key("Home"));
    for (int i = 0; i < row; ++i) s.push_back(Key("Down"));
    s.push_back({{"cmd", "focus"}, {"target", "txtValue"}});
    s.push_back(Key("A", 2));
    s.push_back({{"cmd", "text"}, {"text", value}});
    s.push_back(Key("Return"));
}

TEST(DesignerWindow, AButtonPlacedFromTheToolboxCaptionedInTheBrowserAndSavedLoadsAsTheReference) {
    test::TempFolder folder{"stolvane-designer-window"};
    const std::string path = (folder.Path() / "designed.json").string();
    const double left = DesignerForm::kFormLeft, top = DesignerForm::kFormTop;
    const int captionRow = RowOf("TolvaneButton", "Caption"), widthRow = RowOf("TolvaneButton", "Width");
    ASSERT_GE(captionRow, 0);

    std::vector<J> s{J{{"cmd", "show"}}};
    s.push_back(Mouse("click", 870, 232));  // the toolbox's first tool: TolvaneButton
    s.push_back(Mouse("move", left + 250, top + 230, 0));  // the tool's button lets the pointer go
    s.push_back(Mouse("down", left + 250, top + 230));
    s.push_back(Mouse("move", left + 1000, top + 500, 1));
    s.push_back(Mouse("up", left + 1690, top + 710));
    s.push_back({{"cmd", "get"}, {"target", "lblStatus"}, {"property", "Caption"}});
    TypeProperty(s, captionRow, "&OK");
    TypeProperty(s, widthRow, "-5");  // refused, in the runtime's words
    s.push_back(Mouse("click", 870, 60 + 16 * 360 + 180 + 172));  // Save
    const auto lines = Design(s, path);

    std::vector<std::string> values, boxes;
    for (const auto& l : lines) {
        EXPECT_FALSE(l.contains("error")) << l.dump();
        if (l.contains("value")) values.push_back(l["value"].get<std::string>());
        if (l.contains("msgbox")) boxes.push_back(l["msgbox"]["text"].get<std::string>());
    }
    EXPECT_EQ(values, std::vector<std::string>{"TolvaneButton1: 240, 240, 1440 x 480 twips (16, 16, 96 x 32 pixels)"});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind("Invalid property value: Width: ", 0), 0u) << boxes[0];

    const std::string reference =
        test::ReadFile(std::filesystem::path(STOLVANE_SOURCE_DIR) / "tests" / "designer" / "button_ok.json");
    EXPECT_EQ(test::ReadFile(path), reference);

    // Opened again, the designer shows it selected nowhere, and a second session moves it with
    // the arrow keys after a click on it.
    std::vector<J> second{J{{"cmd", "show"}}, Mouse("click", left + 600, top + 400), Key("Right"), Key("Down", 1),
                          J{{"cmd", "get"}, {"target", "lblStatus"}, {"property", "Caption"}},
                          Mouse("click", 870, 60 + 16 * 360 + 180 + 172)};
    const auto again = Design(second, path);
    std::string status;
    for (const auto& l : again)
        if (l.contains("value")) status = l["value"].get<std::string>();
    EXPECT_EQ(status, "TolvaneButton1: 360, 240, 1440 x 600 twips (24, 16, 96 x 40 pixels)");
    EXPECT_NE(test::ReadFile(path).find("\"left\": 360"), std::string::npos) << test::ReadFile(path);
}

// The designer's keys: the clipboard carries the selection as form-file text (so another
// designer pastes it), Ctrl+A selects the whole form, Ctrl+X cuts, and F5 runs the form being
// designed as a form of its own that raises events, until it is closed.
TEST(DesignerWindow, KeysCopyPasteSelectAllCutAndRunTheForm) {
    test::TempFolder folder{"stolvane-designer-keys"};
    const std::string path = (folder.Path() / "keys.json").string();
    const double left = DesignerForm::kFormLeft, top = DesignerForm::kFormTop;
    const J status{{"cmd", "get"}, {"target", "lblStatus"}, {"property", "Caption"}};
    std::vector<J> s{J{{"cmd", "show"}}, Mouse("click", 870, 232), Mouse("move", left + 2400, top + 1800, 0),
                     Mouse("click", left + 2400, top + 1800),  // TolvaneButton1, its default size
                     Key("C", 2), J{{"cmd", "clipboard"}}, Key("V", 2), Key("A", 2), status, Key("F5")};
    // The running form: what the commands address until it closes.
    s.push_back({{"cmd", "get"}, {"target", "TolvaneButton2"}, {"property", "Caption"}});
    s.push_back(Mouse("move", 1500, 1500, 0));
    s.push_back(Mouse("click", 1500, 1500));  // the pasted copy, on top of the first
    s.push_back({{"cmd", "set"}, {"target", ""}, {"property", "Visible"}, {"value", false}});
    for (const J& c : {Key("X", 2), status, J{{"cmd", "clipboard"}}, Key("Z", 2), Key("A", 2), status}) s.push_back(c);
    const auto lines = Design(s, path);

    std::vector<std::string> values, clips, clicks;
    for (const auto& l : lines) {
        EXPECT_FALSE(l.contains("error") || l.contains("msgbox")) << l.dump();
        if (l.contains("value")) values.push_back(l["value"].get<std::string>());
        if (l.contains("clipboard")) clips.push_back(l["clipboard"].get<std::string>());
        if (l.value("event", "") == "Click" && l["control"].get<std::string>().rfind("tbx", 0) != 0)
            clicks.push_back(l["control"].get<std::string>());
    }
    ASSERT_EQ(values.size(), 4u);
    EXPECT_NE(values[0].find(", 2 selected"), std::string::npos) << values[0];
    EXPECT_EQ(values[1], "TolvaneButton1") << "the running form holds the pasted copy, captioned as the first";
    EXPECT_EQ(values[2].rfind("Form1: 0, 0, 4800 x 3600 twips", 0), 0u) << "both cut: " << values[2];
    EXPECT_EQ(values[3], values[0]) << "undoing the cut brings both back";
    EXPECT_EQ(clicks, std::vector<std::string>{"TolvaneButton2"}) << "the running form is not in design mode";
    ASSERT_EQ(clips.size(), 2u);
    const auto copied = nlohmann::json::parse(clips[0]);
    ASSERT_EQ(copied["controls"].size(), 1u);
    EXPECT_EQ(copied["controls"][0]["name"], "TolvaneButton1");
    EXPECT_EQ(nlohmann::json::parse(clips[1])["controls"].size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(path)) << "nothing saved";

    // Another designer pastes what the first one cut, and Ctrl+S saves it.
    const auto other = Design({J{{"cmd", "show"}}, J{{"cmd", "clipboard"}, {"text", clips[1]}}, Key("V", 2),
                               Key("S", 2)},
                              path);
    for (const auto& l : other) EXPECT_FALSE(l.contains("error") || l.contains("msgbox")) << l.dump();
    const auto saved = nlohmann::json::parse(test::ReadFile(path));
    ASSERT_EQ(saved["controls"].size(), 2u);
    EXPECT_EQ(saved["controls"][0]["name"], "TolvaneButton1");
    EXPECT_EQ(saved["controls"][1]["name"], "TolvaneButton2");
}

// Answers the message boxes that ask as a test says, and records every box.
struct AnsweringBackend : Backend {
    int answer = 0;  // the index of the button pressed
    std::vector<std::string> boxes;
    void ShowMessage(const std::string& text, const std::string& title) override { boxes.push_back(title + ": " + text); }
    int AskMessage(const std::string& text, const std::string& title, const std::vector<std::string>& buttons, int,
                   int) override {
        std::string line = title + ": " + text + " [";
        for (const auto& b : buttons) line += (line.back() == '[' ? "" : "|") + b;
        boxes.push_back(line + "]");
        return answer;
    }
};

// Closing the designer's window with unsaved changes asks; Yes saves and closes (a save that
// fails keeps it open, so nothing is lost), No closes without saving, Cancel keeps it open.
TEST(DesignerWindow, ClosingWithUnsavedChangesAsksWhetherToSaveThem) {
    test::TempFolder folder{"stolvane-designer-close"};
    const std::string path = (folder.Path() / "closing.json").string();
    Runtime rt;
    AnsweringBackend backend;
    rt.SetBackend(&backend);
    const std::string question = "STolvane Designer: Save changes to Form1? [&Yes|&No|Cancel]";
    // The designer closed with the backend's answer after `change`: whether it closed.
    auto close = [&](const std::string& file, int answer, bool change) {
        DesignerForm designer(rt, file);
        rt.ShowForm(designer.GetForm());
        if (change) designer.Designer().PlaceDefault("TolvaneButton");
        backend.boxes.clear();
        backend.answer = answer;
        const bool closed = rt.CloseForm(designer.GetForm());
        EXPECT_EQ(closed, !rt.IsLoaded(designer.GetForm()));
        if (!closed) rt.UnloadForm(designer.GetForm());
        return closed;
    };
    EXPECT_TRUE(close(path, 2, false));
    EXPECT_TRUE(backend.boxes.empty()) << "nothing to lose, nothing asked";
    EXPECT_FALSE(close(path, 2, true)) << "Cancel";
    EXPECT_EQ(backend.boxes, std::vector<std::string>{question});
    EXPECT_TRUE(close(path, 1, true)) << "No";
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(close((folder.Path() / "gone" / "closing.json").string(), 0, true)) << "Yes, but it cannot be saved";
    ASSERT_EQ(backend.boxes.size(), 2u);
    EXPECT_NE(backend.boxes[1].find("gone"), std::string::npos) << backend.boxes[1];
    EXPECT_TRUE(close(path, 0, true)) << "Yes";
    EXPECT_EQ(nlohmann::json::parse(test::ReadFile(path))["controls"][0]["name"], "TolvaneButton1");
    rt.SetBackend(nullptr);
}

// The first selected thing has eight filled grab handles; dragging one resizes it from that
// side or corner (the moved sides on the grid, the others where they were), one undoable step
// each.
TEST(DesignerWindow, GrabHandlesResizeTheSelectionFromTheSideDragged) {
    test::TempFolder folder{"stolvane-designer-handles"};
    const double left = DesignerForm::kFormLeft, top = DesignerForm::kFormTop;
    const J status{{"cmd", "get"}, {"target", "lblStatus"}, {"property", "Caption"}};
    // A handle's centre pixel of the form, in the designer's twips.
    auto at = [&](int px, int py) { return std::pair{left + px * 15 + 7, top + py * 15 + 7}; };
    auto drag = [&](std::vector<J>& s, std::pair<double, double> from, double dx, double dy) {
        s.push_back(Mouse("move", from.first, from.second, 0));
        s.push_back(Mouse("down", from.first, from.second));
        s.push_back(Mouse("move", from.first + dx, from.second + dy, 1));
        s.push_back(Mouse("up", from.first + dx, from.second + dy));
    };
    // TolvaneButton1 at (240, 240), 1440 x 480 twips: pixels 16 to 111 across, 16 to 47 down.
    std::vector<J> s{J{{"cmd", "show"}}, Mouse("click", 870, 232), Mouse("move", left + 250, top + 230, 0),
                     Mouse("down", left + 250, top + 230), Mouse("up", left + 1690, top + 710)};
    const auto corner = at(111, 47);
    s.push_back({{"cmd", "pixel"}, {"x", corner.first}, {"y", corner.second}});
    drag(s, corner, 470, 250);  // the bottom-right corner
    s.push_back(status);
    drag(s, at(16, 39), -130, 300);  // the middle of the left side (now 16 to 63 down): only it moves
    s.push_back(status);
    s.push_back(Key("Z", 2));
    s.push_back(status);
    const auto lines = Design(s, (folder.Path() / "handles.json").string());
    std::vector<std::string> values;
    std::vector<int64_t> pixels;
    for (const auto& l : lines) {
        EXPECT_FALSE(l.contains("error") || l.contains("msgbox")) << l.dump();
        if (l.contains("value") && l["value"].is_string()) values.push_back(l["value"].get<std::string>());
        if (l.contains("value") && l["value"].is_number()) pixels.push_back(l["value"].get<int64_t>());
    }
    EXPECT_EQ(pixels, std::vector<int64_t>{0x800000}) << "a filled dark blue handle at the corner";
    EXPECT_EQ(values, (std::vector<std::string>{
                          "TolvaneButton1: 240, 240, 1920 x 720 twips (16, 16, 128 x 48 pixels)",
                          "TolvaneButton1: 120, 240, 2040 x 720 twips (8, 16, 136 x 48 pixels)",
                          "TolvaneButton1: 240, 240, 1920 x 720 twips (16, 16, 128 x 48 pixels)",
                      }));
}

}  // namespace
