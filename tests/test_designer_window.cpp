// SPDX-License-Identifier: MIT
// The designer's window driven by scripts (`stolvane script --design`) through its own parts,
// as a user drives it: the toolbox, a rectangle dragged on the form, a caption typed into the
// property browser, the Save button; the saved file is compared with a reference.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/script.h"
#include "designer/anchor_editor.h"
#include "designer/browser_dialogs.h"
#include "designer/designer_form.h"
#include "designer/toolbox_pictures.h"
#include "host/fonts.h"
#include "host/keys.h"
#include "host/render.h"
#include "tests/golden_util.h"
#include "host/pictures.h"
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
    s.push_back(value.empty() ? Key("Delete") : J{{"cmd", "text"}, {"text", value}});
    s.push_back(Key("Return"));
}

// Reads the items a list of the designer shows from a dump.
std::vector<std::string> Items(const J& dump) {
    std::vector<std::string> out;
    for (const auto& item : dump.value("items", J::array())) out.push_back(item.is_string() ? item.get<std::string>() : item.value("text", ""));
    return out;
}

// What a designer session printed, by kind: the values got (in order), the texts of the
// message boxes, what the clipboard held and the items of each dumped list. An error fails
// the test, and so does a message box unless the test expects some.
struct Printed {
    std::vector<J> values;
    std::vector<std::string> boxes, clips;
    std::vector<std::vector<std::string>> dumps;
    // The values, each of which must be text.
    std::vector<std::string> Texts() const {
        std::vector<std::string> out;
        for (const J& v : values) out.push_back(v.get<std::string>());
        return out;
    }
};

Printed Read(const std::vector<J>& lines, bool boxesExpected = false) {
    Printed p;
    for (const auto& l : lines) {
        EXPECT_FALSE(l.contains("error") || (!boxesExpected && l.contains("msgbox"))) << l.dump();
        if (l.contains("value")) p.values.push_back(l["value"]);
        if (l.contains("msgbox")) p.boxes.push_back(l["msgbox"]["text"].get<std::string>());
        if (l.contains("clipboard")) p.clips.push_back(l["clipboard"].get<std::string>());
        if (l.contains("dump")) p.dumps.push_back(Items(l["dump"]));
    }
    return p;
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

    const Printed printed = Read(lines, true);
    const std::vector<std::string> values = printed.Texts();
    const std::vector<std::string>& boxes = printed.boxes;
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

    const Printed printed = Read(lines);
    const std::vector<std::string> values = printed.Texts();
    const std::vector<std::string>& clips = printed.clips;
    std::vector<std::string> clicks;
    for (const auto& l : lines)
        if (l.value("event", "") == "Click" && l["control"].get<std::string>().rfind("tbx", 0) != 0)
            clicks.push_back(l["control"].get<std::string>());
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
    for (const J& v : Read(lines).values) {
        if (v.is_string()) values.push_back(v.get<std::string>());
        if (v.is_number()) pixels.push_back(v.get<int64_t>());
    }
    EXPECT_EQ(pixels, std::vector<int64_t>{0x800000}) << "a filled dark blue handle at the corner";
    EXPECT_EQ(values, (std::vector<std::string>{
                          "TolvaneButton1: 240, 240, 1920 x 720 twips (16, 16, 128 x 48 pixels)",
                          "TolvaneButton1: 120, 240, 2040 x 720 twips (8, 16, 136 x 48 pixels)",
                          "TolvaneButton1: 240, 240, 1920 x 720 twips (16, 16, 128 x 48 pixels)",
                      }));
}

// The mouse arranges: a button dragged into a panel and the panel dragged with it, a rubber
// band on the form and (with Ctrl) inside the panel, the form's own corner dragged on the
// grid, and the grid's dots turned off with snapping.
TEST(DesignerWindow, TheMouseDropsIntoPanelsDrawsRubberBandsAndSizesTheForm) {
    test::TempFolder folder{"stolvane-designer-arrange"};
    const std::string path = (folder.Path() / "arranged.json").string();
    const double left = DesignerForm::kFormLeft, top = DesignerForm::kFormTop;
    const J status{{"cmd", "get"}, {"target", "lblStatus"}, {"property", "Caption"}};
    // A drag from one point of the designed form to another (its twips), with these keys held.
    auto drag = [&](std::vector<J>& s, double x0, double y0, double x1, double y1, int shift = 0) {
        s.push_back(Mouse("move", left + x0, top + y0, 0));
        J down = Mouse("down", left + x0, top + y0), move = Mouse("move", left + x1, top + y1, 1),
          up = Mouse("up", left + x1, top + y1);
        for (J* j : {&down, &move, &up}) (*j)["shift"] = shift;
        s.push_back(down), s.push_back(move), s.push_back(up);
    };
    auto pixel = [&](std::vector<J>& s, double x, double y) {
        s.push_back({{"cmd", "pixel"}, {"x", left + x}, {"y", top + y}});
    };
    std::vector<J> s{J{{"cmd", "show"}}};
    s.push_back(Mouse("click", 870, 60 + 360 + 172));  // TolvanePanel
    drag(s, 1200, 1200, 3600, 3000);
    s.push_back(Mouse("click", 870, 232));  // TolvaneButton
    drag(s, 240, 240, 1440, 720);
    drag(s, 600, 400, 1810, 1530);  // released over the panel: into it, on its grid
    s.push_back(status);
    drag(s, 3300, 2800, 3540, 2800);  // the panel, by its empty area, with the button in it
    s.push_back(status);
    drag(s, 4700, 100, 1300, 1300);  // a band from the empty form: it touches the panel only
    s.push_back(status);
    drag(s, 3400, 2900, 2000, 1700, 2);  // Ctrl: a band inside the panel, touching the button
    s.push_back(status);
    drag(s, 4700, 3500, 4690, 3490);  // a click on the empty form: the form is selected
    pixel(s, 120 * 39, 120 * 29);  // a grid dot
    drag(s, 320 * 15 + 40, 240 * 15 + 40, 320 * 15 + 290, 240 * 15 + 170);  // the form's corner
    s.push_back(status);
    s.push_back(Mouse("click", 870, 6000 + 4 * 360 + 150));  // chkSnap: no grid
    pixel(s, 120 * 39, 120 * 29);
    s.push_back(Key("S", 2));
    const auto lines = Design(s, path);

    std::vector<std::string> values;
    std::vector<int64_t> pixels;
    for (const J& v : Read(lines).values) {
        if (v.is_string()) values.push_back(v.get<std::string>());
        if (v.is_number()) pixels.push_back(v.get<int64_t>());
    }
    EXPECT_EQ(values, (std::vector<std::string>{
                          "TolvaneButton1: 1440, 1320, 1200 x 480 twips (96, 88, 80 x 32 pixels)",
                          "TolvanePanel1: 1440, 1200, 2400 x 1800 twips (96, 80, 160 x 120 pixels)",
                          "TolvanePanel1: 1440, 1200, 2400 x 1800 twips (96, 80, 160 x 120 pixels)",
                          "TolvaneButton1: 1680, 1320, 1200 x 480 twips (112, 88, 80 x 32 pixels)",
                          "Form1: 0, 0, 5040 x 3720 twips (0, 0, 336 x 248 pixels)",
                      }));
    ASSERT_EQ(pixels.size(), 2u);
    EXPECT_EQ(pixels[0], 0) << "a black dot";
    EXPECT_NE(pixels[1], 0) << "no dots without snapping";
    const auto saved = nlohmann::json::parse(test::ReadFile(path));
    EXPECT_EQ(saved["width"], 5040);
    ASSERT_EQ(saved["controls"].size(), 1u);
    EXPECT_EQ(saved["controls"][0]["controls"][0]["name"], "TolvaneButton1");
    EXPECT_EQ(saved["controls"][0]["controls"][0]["left"], 240);
}

// New, Open and Save As through their keys and buttons and the file-name box (typed into,
// Enter for OK, Escape for Cancel): New first asks about unsaved changes (a script answers
// Cancel, so nothing is lost, unless it answered No first); a file that does not load is told
// and changes nothing.
TEST(DesignerWindow, NewOpenAndSaveAsGoThroughTheFileNameBox) {
    test::TempFolder folder{"stolvane-designer-files"};
    const std::string first = (folder.Path() / "first.json").string(), other = (folder.Path() / "other.json").string();
    const std::string broken = (folder.Path() / "broken.json").string();
    std::ofstream(broken) << "{\"name\": \"Form1\", \"widht\": 10}";
    const double left = DesignerForm::kFormLeft, top = DesignerForm::kFormTop;
    const J status{{"cmd", "get"}, {"target", "lblStatus"}, {"property", "Caption"}};
    const J caption{{"cmd", "get"}, {"target", ""}, {"property", "Caption"}};
    const J typed{{"cmd", "get"}, {"target", "txtFileName"}, {"property", "Text"}};
    auto text = [](const std::string& t) { return J{{"cmd", "text"}, {"text", t}}; };
    std::vector<J> s{J{{"cmd", "show"}}, Mouse("click", 870, 232), Mouse("move", left + 2400, top + 1800, 0),
                     Mouse("click", left + 2400, top + 1800)};
    s.push_back(Key("N", 2));  // asked, answered Cancel: the button stays
    s.push_back(status);
    s.push_back(Mouse("click", 1300, 6172));  // Save As
    s.push_back(typed);
    s.push_back(text(other));
    s.push_back(Key("Return"));
    s.push_back(caption);
    s.push_back(Key("N", 2));  // saved: nothing to ask
    s.push_back(status);
    s.push_back(caption);
    s.push_back(Key("O", 2));
    s.push_back(text(broken));
    s.push_back(Key("Return"));  // told, and nothing changes
    s.push_back(status);
    s.push_back(Mouse("click", 1300, 6000 + 3 * 360 + 172));  // Open, cancelled
    s.push_back(text(other));
    s.push_back(Key("Escape"));
    s.push_back(caption);
    s.push_back(Key("O", 2));
    s.push_back(text(other));
    s.push_back(Key("Return"));
    s.push_back(Key("A", 2));
    s.push_back(status);
    s.push_back(caption);
    s.push_back(Key("Delete"));  // a change, then New answered No: lost, as asked
    s.push_back({{"cmd", "answer"}, {"button", "&No"}});
    s.push_back(Key("N", 2));
    s.push_back(status);
    const auto lines = Design(s, first);

    const Printed printed = Read(lines, true);
    const std::vector<std::string> values = printed.Texts();
    const std::vector<std::string>& boxes = printed.boxes;
    const std::string button = "TolvaneButton1: 840, 840, 3195 x 1875 twips (56, 56, 213 x 125 pixels)";
    const std::string empty = "Form1: 0, 0, 4800 x 3600 twips (0, 0, 320 x 240 pixels)";
    EXPECT_EQ(values, (std::vector<std::string>{button, first, "STolvane Designer - " + other, empty,
                                                "STolvane Designer", empty, "STolvane Designer", button,
                                                "STolvane Designer - " + other, empty}));
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0], "Save changes to Form1?");
    EXPECT_NE(boxes[1].find("widht"), std::string::npos) << boxes[1];
    EXPECT_EQ(boxes[2], "Save changes to Form1?");
    EXPECT_FALSE(std::filesystem::exists(first));
    EXPECT_EQ(nlohmann::json::parse(test::ReadFile(other))["controls"][0]["name"], "TolvaneButton1") << "not saved";
}

// The showcase's left column built on an empty form as a user builds it: snapping off, the
// form's corner dragged, a panel and fourteen controls dragged out from the toolbox into it,
// one sized by its handle and one moved by an arrow key, their properties typed into the
// browser. The saved file is the reference; undone back to the empty form and redone, it
// saves the same file again. The panel cut, pasted into another designer and dragged there
// carries its controls; a refused value is told in the runtime's words.
TEST(DesignerWindow, AUserBuildsTheShowcasesLeftColumnUndoesAndRedoesItAndMovesItToAnotherDesigner) {
    test::TempFolder folder{"stolvane-designer-session"};
    const std::string path = (folder.Path() / "left.json").string(), again = (folder.Path() / "again.json").string();
    const double left = DesignerForm::kFormLeft, top = DesignerForm::kFormTop;
    Runtime rt;
    const std::vector<std::string> toolbox = FormDesigner{rt}.Placeable();
    auto tool = [&](const std::string& kind) {
        const auto at = std::find(toolbox.begin(), toolbox.end(), kind);
        return Mouse("click", 870, 60 + 360 * static_cast<double>(at - toolbox.begin()) + 172);
    };
    auto drag = [&](std::vector<J>& s, double x0, double y0, double x1, double y1) {
        s.push_back(Mouse("move", left + x0, top + y0, 0));
        s.push_back(Mouse("down", left + x0, top + y0));
        s.push_back(Mouse("move", left + x1, top + y1, 1));
        s.push_back(Mouse("up", left + x1, top + y1));
    };
    const std::string tahoma = "Tahoma, 8.25", bold = "Tahoma, 8.25, Bold";
    struct Piece {
        std::string kind, name;
        double x, y, w, h;
        std::vector<std::pair<std::string, std::string>> properties;
    };
    auto size = [&](const char* c) { return *rt.GetLibrary().FindClass(c); };
    auto head = [&](int n, double y, const std::string& caption) {
        return Piece{"Label", "lblHead" + std::to_string(n), 180, y, 4140, 195,
                     {{"Caption", caption}, {"Font", bold}, {"Transparent", "True"}}};
    };
    auto style = [&](int n, double x, const std::string& caption) {
        return Piece{"TolvaneButton", "btnStyle" + std::to_string(n), x, 420, 975, 495,
                     {{"ButtonStyle", std::to_string(n)}, {"Caption", caption}, {"Font", tahoma}}};
    };
    const std::vector<Piece> column{
        head(0, 150, "Buttons in four styles"), style(0, 180, "Win &95"), style(1, 1230, "&Tolvane"),
        style(2, 2280, "Win 9&8"), style(3, 3330, "Win 3.&1"), head(1, 1110, "Labels"),
        {"TolvaneLabel", "tlbLink", 180, 1365, 4140, 195,
         {{"Align", "0"}, {"Caption", "Visit the STolvane home page"}, {"Colour", "0x00800000"},
          {"ColourUp", "0x000000FF"}, {"Font", tahoma}, {"Hyperlink", "https://example.org/stolvane"}}},
        {"TolvaneLabel", "tlbHover", 180, 1620, 4140, 195,
         {{"Align", "0"}, {"Caption", "Point at this line: it lights up"}, {"Font", tahoma}}},
        head(2, 2010, "Check boxes"),
        {"TolvaneTick", "tikGrip", 180, 2265, 2040, 270,
         {{"Caption", "Status bar &grip"}, {"Value", "True"}, {"Font", tahoma}}},
        {"TolvaneTick", "tikCross", 2400, 2265, 2040, 270,
         {{"Caption", "Cross st&yle"}, {"CheckStyle", "1"}, {"Font", tahoma}}},
        head(3, 2760, "About badges"),
        {"TolvaneAbout_1", "TolvaneAbout_11", 180, 3015, size("TolvaneAbout_1").designWidth,
         size("TolvaneAbout_1").designHeight, {}},
        {"TolvaneAbout_2", "TolvaneAbout_21", 1620, 3015, size("TolvaneAbout_2").designWidth,
         size("TolvaneAbout_2").designHeight, {}},
    };
    auto type = [&](std::vector<J>& s, const std::string& kind, const std::string& property, const std::string& value) {
        const int row = RowOf(kind, property);
        ASSERT_GE(row, 0) << kind << "." << property;
        TypeProperty(s, row, value);
    };

    std::vector<J> s{J{{"cmd", "show"}}, Mouse("click", 870, 6000 + 4 * 360 + 150)};  // snapping off
    drag(s, 4800 + 45, 3600 + 45, 4500 + 45, 4200 + 45);  // the form's corner handle
    s.push_back(tool("TolvanePanel"));
    drag(s, 0, 300, 4500, 4200);
    for (const auto& [property, value] :
         std::vector<std::pair<std::string, std::string>>{{"Name", "pnlBody"}, {"BevelOuter", "2"}, {"Border", "15"},
                                                          {"Caption", ""}, {"MouseReaction", "0"}, {"Font", tahoma},
                                                          {"Anchor", "left,top,right,bottom"}})
        type(s, "TolvanePanel", property, value);
    for (const Piece& p : column) {
        s.push_back(tool(p.kind));
        // One is dragged smaller and sized by its bottom-right handle, one placed a step to the
        // right and moved by the arrow key.
        const bool sized = p.name == "btnStyle3";
        drag(s, p.x, 300 + p.y, p.x + p.w - (sized ? 120 : 0), 300 + p.y + p.h - (sized ? 120 : 0));
        if (sized) {
            const double hx = left + std::ceil((p.x + p.w - 120) / 15 - 1) * 15 + 7;
            const double hy = top + std::ceil((300 + p.y + p.h - 120) / 15 - 1) * 15 + 7;
            for (const J& j : {Mouse("move", hx, hy, 0), Mouse("down", hx, hy), Mouse("up", hx + 120, hy + 120)})
                s.push_back(j);
        }
        if (p.name == "tikCross") {
            s.push_back({{"cmd", "focus"}, {"target", "chkSnap"}});
            s.push_back(Key("Left"));
        }
        type(s, p.kind, "Name", p.name);
        for (const auto& [property, value] : p.properties) type(s, p.kind, property, value);
    }
    const J away{{"cmd", "focus"}, {"target", "chkSnap"}};  // the designer's keys, not the text box's
    s.push_back(away);
    s.push_back(Key("S", 2));
    for (int i = 0; i < 120; ++i) s.push_back(Key("Z", 2));
    const J status{{"cmd", "get"}, {"target", "lblStatus"}, {"property", "Caption"}};
    s.push_back(status);
    for (int i = 0; i < 120; ++i) s.push_back(Key("Y", 2));
    s.push_back(Mouse("click", 1300, 6172));  // Save As
    s.push_back({{"cmd", "text"}, {"text", again}});
    s.push_back(Key("Return"));
    s.push_back(Mouse("move", left + 4400, top + 4000, 0));  // Save As lets the pointer go
    s.push_back(Mouse("click", left + 4400, top + 4000));   // the panel, by its empty area
    s.push_back(away);
    s.push_back(Key("X", 2));
    s.push_back({{"cmd", "clipboard"}});
    const Printed printed = Read(Design(s, path));
    const std::vector<std::string> values = printed.Texts();
    const std::vector<std::string>& clips = printed.clips;
    const std::string reference =
        test::ReadFile(std::filesystem::path(STOLVANE_SOURCE_DIR) / "tests" / "designer" / "showcase_left.json");
    EXPECT_EQ(test::ReadFile(path), reference);
    EXPECT_EQ(test::ReadFile(again), reference) << "undone to the empty form and redone";
    EXPECT_EQ(values, std::vector<std::string>{"Form1: 0, 0, 4800 x 3600 twips (0, 0, 320 x 240 pixels)"});
    ASSERT_EQ(clips.size(), 1u);

    // Another designer pastes the panel; dragged on the grid it carries its controls; a width
    // typed for one of them is refused.
    const std::string other = (folder.Path() / "other.json").string();
    std::vector<J> t{J{{"cmd", "show"}}, J{{"cmd", "clipboard"}, {"text", clips[0]}}, Key("V", 2)};
    drag(t, 4400, 3500, 4400 + 240, 3500 + 180);
    t.push_back(Mouse("click", left + 600, top + 1100));  // btnStyle0, where the panel took it
    type(t, "TolvaneButton", "Width", "-5");
    t.push_back(away);
    t.push_back(Key("S", 2));
    const std::vector<std::string> boxes = Read(Design(t, other), true).boxes;
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind("Invalid property value: Width: ", 0), 0u) << boxes[0];
    auto body = nlohmann::json::parse(reference)["controls"][0];
    const auto moved = nlohmann::json::parse(test::ReadFile(other))["controls"][0];
    EXPECT_EQ(moved["left"], 240);
    EXPECT_EQ(moved["top"], 480);
    EXPECT_EQ(moved["controls"], body["controls"]);
}

// The centre of the arranging toolbar's button `i` (0 cmdAlignLefts ... 12 cmdSendToBack), as
// docs/designer.md places them: 360 twips apart, each group 120 further on.
std::pair<double, double> BarButton(int i) {
    const int group = i < 6 ? 0 : i < 9 ? 1 : i < 11 ? 2 : 3;
    return {DesignerForm::kFormLeft + 360 * i + 120 * group + 180, DesignerForm::kBarTop + 180};
}

// The arranging toolbar: greyed (its pictures too) until enough is selected, each button one
// undoable step, shown as a user sees it in the browser's shared values; Ctrl+Left aligns,
// Ctrl+J and Ctrl+K change the order the form saves and draws in.
TEST(DesignerWindow, TheToolbarArrangesTheSelectionEachAsOneStepGreyedUntilItCan) {
    test::TempFolder folder{"stolvane-designer-toolbar"};
    const std::string path = (folder.Path() / "toolbar.json").string();
    const double left = DesignerForm::kFormLeft, top = DesignerForm::kFormTop;
    std::vector<J> s{J{{"cmd", "show"}}};
    auto enabled = [&](const char* name) { s.push_back({{"cmd", "get"}, {"target", name}, {"property", "Enabled"}}); };
    // A dark pixel of cmdAlignLefts' picture (16 pixels in the middle of its 24).
    auto picture = [&] {
        s.push_back({{"cmd", "pixel"}, {"x", left + 60 + 4 * 15 + 7}, {"y", DesignerForm::kBarTop + 60 + 4 * 15 + 7}});
    };
    auto dump = [&] { s.push_back({{"cmd", "dump"}, {"target", "lstProperties"}}); };
    // A click where a user's pointer moves first (a button hovered last lets it go).
    auto click = [&](double x, double y, int shift = 0) {
        s.push_back(Mouse("move", x, y, 0));
        s.push_back(Mouse("click", x, y));
        s.back()["shift"] = shift;
    };
    auto bar = [&](int i) { click(BarButton(i).first, BarButton(i).second); };
    auto key = [&](const char* k, int shift) { s.push_back(Key(k, shift)); };
    enabled("cmdAlignLefts");
    enabled("cmdCentreHorizontally");
    picture();
    for (const auto& [x0, y0, x1, y1] : {std::array{240, 240, 1680, 720}, {600, 960, 2640, 1680}}) {
        click(870, 232);
        s.push_back(Mouse("move", left + x0, top + y0, 0));
        s.push_back(Mouse("down", left + x0, top + y0));
        s.push_back(Mouse("up", left + x1, top + y1));
    }
    // TolvaneButton2 (600, 960, 2040 x 720) selected, then TolvaneButton1 (240, 240, 1440 x 480) added.
    enabled("cmdAlignLefts");
    enabled("cmdCentreHorizontally");
    click(left + 300, top + 300, 1);
    enabled("cmdAlignLefts");
    picture();
    for (int i : {0, 8, 9}) bar(i), dump();  // align lefts, same size, centre horizontally
    for (int i = 0; i < 3; ++i) key("Z", 2), dump();
    key("Left", 2);
    dump();
    // The order: TolvaneButton1 alone brought to front (the clipboard shows the form's order),
    // then sent to back with Ctrl+K; with nothing selected the order buttons are greyed.
    click(left + 4000, top + 3000);
    enabled("cmdBringToFront");
    click(left + 700, top + 300);
    bar(11);
    key("A", 2);
    key("C", 2);
    s.push_back({{"cmd", "clipboard"}});
    click(left + 4000, top + 3000);
    click(left + 700, top + 300);
    key("K", 2);
    key("J", 2);
    key("K", 2);
    key("S", 2);
    const Printed printed = Read(Design(s, path));

    std::vector<J> flags;
    std::vector<int64_t> pixels;
    for (const J& v : printed.values) {
        if (v.is_boolean()) flags.push_back(v);
        else pixels.push_back(v.get<int64_t>());
    }
    EXPECT_EQ(flags, (std::vector<J>{false, false, false, true, true, false}))
        << "aligning needs two things selected, centring one, ordering one";
    EXPECT_EQ(pixels, (std::vector<int64_t>{0x808080, 0x800000})) << "greyed, then the picture's own dark blue";
    // What the two share, after each step: a value where they agree, empty where they do not.
    auto shared = [](const std::vector<std::string>& rows, const std::string& property) {
        for (const std::string& row : rows)
            if (row.rfind(property + ": ", 0) == 0) return row.substr(property.size() + 2);
        return std::string("?");
    };
    ASSERT_EQ(printed.dumps.size(), 7u);
    const std::vector<std::pair<std::string, std::string>> steps{
        {"600", ""}, {"600", "2040"}, {"1380", "2040"}, {"600", "2040"}, {"600", ""}, {"", ""}, {"600", ""}};
    for (size_t i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(shared(printed.dumps[i], "Left"), steps[i].first) << "step " << i;
        EXPECT_EQ(shared(printed.dumps[i], "Width"), steps[i].second) << "step " << i;
    }
    ASSERT_EQ(printed.clips.size(), 1u);
    const auto copied = nlohmann::json::parse(printed.clips[0])["controls"];
    ASSERT_EQ(copied.size(), 2u);
    EXPECT_EQ(copied[0]["name"], "TolvaneButton2");
    EXPECT_EQ(copied[1]["name"], "TolvaneButton1") << "brought to front: drawn last";
    const auto saved = nlohmann::json::parse(test::ReadFile(path))["controls"];
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[0]["name"], "TolvaneButton1") << "sent to back";
    EXPECT_EQ(saved[0]["left"], 600) << "aligned by Ctrl+Left";
}

// Dragging the selection draws a dotted outline (every other pixel inverted) of each selected
// thing where the drop will put it, snapped, and the designer's window repaints only the
// outlines' edges (and the status line) for it; the release moves them there. A Shift-press
// that takes the pressed thing out of the selection drags nothing, whatever stays selected.
TEST(DesignerWindow, ADraggedSelectionShowsOutlinesWhereItLandsRepaintingOnlyTheirEdges) {
    test::TempFolder folder{"stolvane-designer-outline"};
    Runtime rt;
    DesignerForm designer(rt, (folder.Path() / "outline.json").string());
    Form& f = designer.GetForm();
    rt.ShowForm(f);
    const double left = DesignerForm::kFormLeft, top = DesignerForm::kFormTop;
    FormDesigner& d = designer.Designer();
    d.Place("TolvaneButton", "", {240, 240, 1440, 480});
    d.Place("TolvaneButton", "", {2400, 1200, 1200, 480});
    auto mouse = [&](MouseAction action, double x, double y, int button = 1, int shift = 0) {
        rt.Mouse(f, action, left + x, top + y, static_cast<int16_t>(button), static_cast<int16_t>(shift));
    };
    mouse(MouseAction::Move, 300, 300, 0);
    mouse(MouseAction::Click, 300, 300);
    mouse(MouseAction::Move, 2500, 1300, 0);
    mouse(MouseAction::Click, 2500, 1300, 1, 1);
    ASSERT_EQ(d.GetSelection().Size(), 2u);

    FormRenderer screen(rt, f, 1);
    screen.Update();
    mouse(MouseAction::Down, 300, 300);
    const Frame before = screen.Update();
    mouse(MouseAction::Move, 430, 370);  // 130, 70 twips: a grid step each way, snapped
    const Frame& after = screen.Update();
    const std::vector<Rect> outlines{{360, 360, 1440, 480}, {2520, 1320, 1200, 480}};
    EXPECT_EQ(d.MovedBounds(130, 70), outlines);
    // Each repainted area is the status line or a row or column of pixels on an outline's edge
    // (with the pixel either side of it, which the renderer repaints along).
    const Rect status = f.FindAuthored("lblStatus")->Bounds();
    int64_t edges = 0;
    for (const PixelRect& r : screen.LastRepaintedArea()) {
        if ((r.y + 1) * 15 >= status.top && (r.y + r.height - 1) * 15 <= status.top + status.height) continue;
        edges += int64_t{r.width} * r.height;
        EXPECT_TRUE(r.width <= 3 || r.height <= 3) << r.x << ", " << r.y << ", " << r.width << " x " << r.height;
    }
    EXPECT_GT(edges, 0);
    EXPECT_LE(edges, 3 * 2 * (98 + 30 + 82 + 30)) << "the outlines' edges, three pixels thick";
    // The outline's corner pixel inverted, the pixel beside it (odd) left alone.
    const int cx = static_cast<int>((left + 360) / 15), cy = static_cast<int>((top + 360) / 15);
    EXPECT_EQ(after.PixelRgb(cx, cy), before.PixelRgb(cx, cy) ^ 0xFFFFFFu);
    EXPECT_EQ(after.PixelRgb(cx + 1, cy), before.PixelRgb(cx + 1, cy));
    mouse(MouseAction::Up, 430, 370);
    EXPECT_EQ(d.FormBounds("TolvaneButton1"), outlines[0]);
    EXPECT_EQ(d.FormBounds("TolvaneButton2"), outlines[1]);
    const Frame& released = screen.Update();
    EXPECT_EQ(released.data, FormRenderer(rt, f, 1).RepaintAll().data) << "no outline left behind";

    // Shift-pressed, TolvaneButton2 leaves the selection: the drag moves neither it nor
    // TolvaneButton1; pressed so, the last one selected leaves it and nothing is dragged.
    const std::string moved = d.Document().Text();
    for (const auto& [x, y] : {std::pair{2600.0, 1400.0}, {800.0, 600.0}}) {
        mouse(MouseAction::Move, x, y, 0);
        mouse(MouseAction::Down, x, y, 1, 1);
        mouse(MouseAction::Move, x + 600, y, 1, 1);
        mouse(MouseAction::Up, x + 600, y, 1, 1);
    }
    EXPECT_TRUE(d.GetSelection().Empty());
    EXPECT_EQ(d.Document().Text(), moved) << "nothing dragged";
}

// Where the browser's parts lie (docs/designer.md): the drop-down button, and the centre of
// entry `i` of the open drop-down.
constexpr double kDropX = 11670, kDropY = 5677;
double EntryY(int i) { return 5835 + 30 + i * 240 + 120; }


// Every type of property set through the browser's own parts, as a user does: a caption and a
// width typed, a Boolean, an enumeration, a system colour and a custom one, a font family and
// a picture picked in the type's own drop-down (by mouse and by keys), a refused value told in
// the runtime's words; the saved form holds exactly those values.
TEST(DesignerWindow, PropertiesOfEveryTypeAreSetThroughTheBrowsersOwnEditors) {
    test::TempFolder folder{"stolvane-designer-types"};
    const std::string path = (folder.Path() / "types.json").string();
    {
        std::vector<uint32_t> argb(16 * 16, 0xFF008000u);
        std::ofstream(folder.Path() / "dot.png", std::ios::binary) << EncodePng(*Picture::FromPixels(16, 16, argb));
    }
    const double left = DesignerForm::kFormLeft, top = DesignerForm::kFormTop;
    std::vector<J> s{J{{"cmd", "show"}}, Mouse("click", 870, 232), Mouse("move", left + 2400, top + 1800, 0),
                     Mouse("click", left + 2400, top + 1800)};
    auto pickRow = [&](const std::string& property) {
        s.push_back({{"cmd", "focus"}, {"target", "lstProperties"}});
        s.push_back(Key("Home"));
        for (int i = 0; i < RowOf("TolvaneButton", property); ++i) s.push_back(Key("Down"));
        s.push_back({{"cmd", "focus"}, {"target", "txtValue"}});
    };
    const J dumpValues{{"cmd", "dump"}, {"target", "lstValues"}};
    TypeProperty(s, RowOf("TolvaneButton", "Caption"), "&OK");
    TypeProperty(s, RowOf("TolvaneButton", "Width"), "1560");
    pickRow("Enabled");  // the drop-down button, then the keys
    s.push_back(Mouse("move", kDropX, kDropY, 0));
    s.push_back(Mouse("click", kDropX, kDropY));
    s.push_back(dumpValues);
    s.push_back(Key("Down"));
    s.push_back(Key("Return"));
    pickRow("ButtonStyle");  // F4, then a click on the second entry
    s.push_back(Key("F4"));
    s.push_back(dumpValues);
    s.push_back(Mouse("move", 9600, EntryY(1), 0));
    s.push_back(Mouse("click", 9600, EntryY(1)));
    pickRow("Colour");  // Alt+Down; ButtonShadow (16) lies below the first eight entries
    s.push_back(Key("Down", 4));
    s.push_back(Key("Home"));
    for (int i = 0; i < 16; ++i) s.push_back(Key("Down"));
    s.push_back(dumpValues);
    s.push_back(Key("Return"));
    s.push_back({{"cmd", "get"}, {"target", "txtValue"}, {"property", "Text"}});
    pickRow("ColourUp");  // Custom...: the value to type over, as &H00BBGGRR&
    s.push_back(Key("F4"));
    s.push_back(Key("End"));
    s.push_back(Key("Return"));
    s.push_back({{"cmd", "text"}, {"text", "&H000000FF&"}});
    s.push_back(Key("Return"));
    pickRow("Font");  // the first family, keeping the size
    s.push_back(Key("F4"));
    s.push_back(Key("Escape"));  // closes it, nothing changed
    s.push_back({{"cmd", "get"}, {"target", "lstValues"}, {"property", "Visible"}});
    s.push_back(Key("F4"));
    s.push_back(Key("Home"));
    s.push_back(Key("Return"));
    pickRow("Picture");  // Browse...: the file's name typed in a small form of its own
    s.push_back(Key("F4"));
    s.push_back(Key("End"));
    s.push_back(Key("Return"));
    s.push_back({{"cmd", "text"}, {"text", (folder.Path() / "dot.png").string()}});
    s.push_back(Key("Return"));
    s.push_back({{"cmd", "focus"}, {"target", "txtValue"}});
    s.push_back(Key("F4"));  // the preview shows it
    s.push_back({{"cmd", "get"}, {"target", "picPreview"}, {"property", "Visible"}});
    s.push_back({{"cmd", "pixel"}, {"x", 9060 + 75}, {"y", EntryY(1) + 120 + 75}});
    s.push_back(Key("Escape"));
    TypeProperty(s, RowOf("TolvaneButton", "Width"), "-5");  // refused
    s.push_back(Mouse("move", 870, 60 + 16 * 360 + 180 + 172, 0));
    s.push_back(Mouse("click", 870, 60 + 16 * 360 + 180 + 172));  // Save
    const auto lines = Design(s, path);

    const Printed printed = Read(lines, true);
    const auto& values = printed.values;
    const auto& boxes = printed.boxes;
    const auto& dumps = printed.dumps;
    ASSERT_EQ(dumps.size(), 3u);
    EXPECT_EQ(dumps[0], (std::vector<std::string>{"True", "False"}));
    ASSERT_GE(dumps[1].size(), 3u);
    EXPECT_EQ(dumps[1][0].rfind("0 - ", 0), 0u) << dumps[1][0];
    EXPECT_EQ(dumps[2].size(), 8u) << "eight at a time";
    EXPECT_EQ(dumps[2].back(), "ButtonShadow") << "scrolled to the current entry";
    ASSERT_EQ(values.size(), 4u);
    EXPECT_EQ(values[0], "0x80000010");
    EXPECT_EQ(values[1], false) << "Escape closes the drop-down";
    EXPECT_EQ(values[2], true);
    EXPECT_EQ(values[3], 0x008000) << "the picture previewed";
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind("Invalid property value: Width: ", 0), 0u) << boxes[0];

    const auto saved = nlohmann::json::parse(test::ReadFile(path));
    ASSERT_EQ(saved["controls"].size(), 1u);
    const auto& c = saved["controls"][0];
    const auto& p = c["properties"];
    EXPECT_EQ(p["Caption"], "&OK");
    EXPECT_EQ(c["width"], 1560);
    EXPECT_EQ(p["Enabled"], false);
    EXPECT_EQ(p["ButtonStyle"], 1);
    EXPECT_EQ(p["Colour"], "0x80000010");
    EXPECT_EQ(p["ColourUp"], "0x000000FF");
    EXPECT_EQ(p["Font"].dump(), nlohmann::json({{"Name", FontFamilies().front()}, {"Size", 8.25}}).dump())
        << "the size kept";
    EXPECT_EQ(p["Picture"], "dot.png");
}

// The browser by category (headings hold no value), a multi-selection showing and setting
// what its things share as one undoable step, and the tab-order editor, a modal form of its
// own whose OK renumbers the controls.
TEST(DesignerWindow, ByCategorySeveralSelectedAndTheTabOrderEditor) {
    test::TempFolder folder{"stolvane-designer-browse"};
    const std::string path = (folder.Path() / "browse.json").string();
    const double left = DesignerForm::kFormLeft, top = DesignerForm::kFormTop;
    std::vector<J> s{J{{"cmd", "show"}}};
    for (double y : {240.0, 960.0}) {  // two buttons dragged out from the toolbox
        s.push_back(Mouse("click", 870, 232));
        s.push_back(Mouse("move", left + 250, top + y, 0));
        s.push_back(Mouse("down", left + 250, top + y));
        s.push_back(Mouse("up", left + 1690, top + y + 480));
    }
    const J dumpProperties{{"cmd", "dump"}, {"target", "lstProperties"}};
    const J value{{"cmd", "get"}, {"target", "txtValue"}, {"property", "Text"}};
    // A click after another button's: the pointer moves there first, as a user's does.
    auto click = [&](double x, double y, int shift = 0) {
        s.push_back(Mouse("move", x, y, 0));
        s.push_back(Mouse("click", x, y));
        s.back()["shift"] = shift;
    };
    click(10890, 217);  // cmdCategorized
    s.push_back(dumpProperties);
    s.push_back({{"cmd", "focus"}, {"target", "lstProperties"}});
    s.push_back(Key("Home"));
    s.push_back(Key("Down"));
    s.push_back(value);  // the first property under Appearance
    s.push_back(Key("Up"));
    s.push_back(value);  // its heading: nothing to edit
    click(9660, 217);  // cmdAlphabetic
    // Both selected: the second with Shift, so the Caption row is the common properties'.
    click(left + 600, top + 400);
    click(left + 600, top + 1100, 1);
    s.push_back(dumpProperties);
    int captionRow = -1;
    {
        Runtime rt;
        FormDesigner d{rt};
        const auto rows = d.CommonProperties({d.PlaceDefault("TolvaneButton"), d.PlaceDefault("TolvaneButton")});
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i].name == "Caption") captionRow = static_cast<int>(i);
    }
    TypeProperty(s, captionRow, "Same");
    s.push_back(Key("S", 2));
    click(12210, 217);  // cmdTabOrder: the commands go to its form
    s.push_back({{"cmd", "dump"}, {"target", "lstOrder"}});
    click(3540, 712);   // cmdDown: TolvaneButton1 goes after TolvaneButton2
    click(3540, 2767);  // cmdOK
    // The form's own keys: a click on its empty area, then its DefaultButton's drop-down lists
    // "(None)" and the buttons; End picks the last, a click the CancelButton's second entry.
    click(left + 3600, top + 3000);
    auto formRow = [](const std::string& property) {
        Runtime rt;
        FormDesigner d{rt};
        const auto rows = d.Properties("");
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i].name == property) return static_cast<int>(i);
        return -1;
    };
    for (const char* property : {"DefaultButton", "CancelButton"}) {
        s.push_back({{"cmd", "focus"}, {"target", "lstProperties"}});
        s.push_back(Key("Home"));
        for (int i = 0; i < formRow(property); ++i) s.push_back(Key("Down"));
        s.push_back({{"cmd", "focus"}, {"target", "txtValue"}});
        s.push_back(Key("F4"));
        if (std::string(property) == "DefaultButton") {
            s.push_back({{"cmd", "dump"}, {"target", "lstValues"}});
            s.push_back(Key("End"));
            s.push_back(Key("Return"));
        } else {
            click(9600, 5835 + 30 + 240 + 120);
        }
    }
    click(870, 60 + 16 * 360 + 180 + 172);  // Save
    const auto lines = Design(s, path);

    const Printed printed = Read(lines);
    const std::vector<std::string> values = printed.Texts();
    const auto& dumps = printed.dumps;
    ASSERT_EQ(dumps.size(), 4u);
    ASSERT_GE(dumps[0].size(), 2u);
    EXPECT_EQ(dumps[0][0], "Appearance");
    EXPECT_EQ(dumps[0][1].rfind("    ", 0), 0u) << "a property under its heading: " << dumps[0][1];
    for (const std::string& heading : {"Behaviour", "Font", "Misc", "Position"})
        EXPECT_NE(std::find(dumps[0].begin(), dumps[0].end(), heading), dumps[0].end()) << heading;
    ASSERT_EQ(values.size(), 2u);
    EXPECT_FALSE(values[0].empty());
    EXPECT_EQ(values[1], "") << "a heading holds no value";
    for (const std::string& row : dumps[1]) EXPECT_NE(row.rfind("Name:", 0), 0u) << "no common name";
    EXPECT_NE(std::find(dumps[1].begin(), dumps[1].end(), "Caption: "), dumps[1].end()) << "their captions differ";
    EXPECT_EQ(dumps[2], (std::vector<std::string>{"TolvaneButton1", "TolvaneButton2"}));

    const auto saved = nlohmann::json::parse(test::ReadFile(path));
    ASSERT_EQ(saved["controls"].size(), 2u);
    for (const auto& c : saved["controls"]) EXPECT_EQ(c["properties"]["Caption"], "Same") << c.dump();
    EXPECT_EQ(saved["controls"][0]["name"], "TolvaneButton1");
    EXPECT_EQ(saved["controls"][0].value("tabIndex", 0), 1) << saved.dump();
    EXPECT_EQ(saved["controls"][1].value("tabIndex", 0), 0);
    EXPECT_EQ(dumps[3], (std::vector<std::string>{"(None)", "TolvaneButton1", "TolvaneButton2"}));
    EXPECT_EQ(saved.value("defaultButton", ""), "TolvaneButton2");
    EXPECT_EQ(saved.value("cancelButton", ""), "TolvaneButton1");
}

// The designer as it looks at scale 1 and 2: a small form with a button selected and a label,
// the browser on the button's ButtonStyle with its drop-down open.
TEST(DesignerWindow, GoldenPicturesWithTheDropDownOpen) {
    test::TempFolder folder{"stolvane-designer-golden"};
    Runtime rt;
    DesignerForm designer(rt, (folder.Path() / "golden.json").string());
    Form& f = designer.GetForm();
    rt.ShowForm(f);
    const double left = DesignerForm::kFormLeft, top = DesignerForm::kFormTop;
    auto drag = [&](double x0, double y0, double x1, double y1) {
        rt.Mouse(f, MouseAction::Move, x0, y0, 0, 0);
        rt.Mouse(f, MouseAction::Down, x0, y0, 1, 0);
        rt.Mouse(f, MouseAction::Move, x1, y1, 1, 0);
        rt.Mouse(f, MouseAction::Up, x1, y1, 1, 0);
    };
    auto click = [&](double x, double y) {
        rt.Mouse(f, MouseAction::Move, x, y, 0, 0);
        rt.Mouse(f, MouseAction::Click, x, y, 1, 0);
    };
    click(870, f.FindSurface("tbxTolvaneLabel")->Top() + 170);
    drag(left + 250, top + 1300, left + 2150, top + 1540);
    click(870, 232);
    drag(left + 250, top + 250, left + 1690, top + 730);
    rt.FocusListBox(static_cast<ListBox&>(*f.FindAuthored("lstProperties")));
    rt.KeyDown(KeyCode::Home, 0);
    for (int i = 0; i < RowOf("TolvaneButton", "ButtonStyle"); ++i) rt.KeyDown(KeyCode::Down, 0);
    rt.FocusTextBox(static_cast<TextBox&>(*f.FindAuthored("txtValue")));
    rt.KeyDown(KeyCode::F1 + 3, 0);
    ASSERT_TRUE(f.FindAuthored("lstValues")->Visible());
    for (double scale : {1.0, 2.0})
        EXPECT_TRUE(test::CompareGolden(FormRenderer(rt, f, scale).RepaintAll(),
                                        std::string("designer_browser_scale") + (scale == 1 ? "1" : "2")));
    // Every tool has a picture of its own: a kind added later without one would show the
    // plain square that the others' pictures are compared with.
    std::vector<std::vector<uint32_t>> seen{designer::ToolPicture("")->Pixels()};
    for (const std::string& kind : designer.Designer().Placeable()) {
        Control& tool = *f.FindSurface("tbx" + kind)->GetControl();
        const PictureRef picture = AsPicture(tool.FindProperty("Picture")->get(tool));
        ASSERT_TRUE(picture && picture->PixelWidth() == 16) << kind;
        EXPECT_EQ(std::find(seen.begin(), seen.end(), picture->Pixels()), seen.end()) << kind;
        seen.push_back(picture->Pixels());
    }
}

// A click on a bar of the anchor editor (open under the value box), the pointer moved there
// first as a user's is.
void ClickAnchorBar(std::vector<J>& s, uint8_t edge) {
    const Rect r = AnchorEditor::BarRect(edge);
    const double x = PropertyBrowser::kLeft + r.left + r.width / 2, y = 5835 + r.top + r.height / 2;
    s.push_back(Mouse("move", x, y, 0));
    s.push_back(Mouse("click", x, y));
}

// The anchors of two selected buttons edited in the picture of bars: by keys (Right, Space)
// and by clicks, the value box following; Enter applies to both as one step, Escape forgets;
// the saved file holds the anchors as form files write them.
TEST(DesignerWindow, AnchorsAreEditedInTheirPictureByKeysAndClicks) {
    test::TempFolder folder{"stolvane-designer-anchor"};
    const std::string path = (folder.Path() / "anchor.json").string();
    const double left = DesignerForm::kFormLeft, top = DesignerForm::kFormTop;
    std::vector<J> s{J{{"cmd", "show"}}};
    for (double y : {240.0, 960.0}) {
        s.push_back(Mouse("click", 870, 232));
        s.push_back(Mouse("move", left + 250, top + y, 0));
        s.push_back(Mouse("down", left + 250, top + y));
        s.push_back(Mouse("up", left + 1690, top + y + 480));
    }
    s.push_back(Mouse("click", left + 600, top + 400));
    s.push_back(Mouse("click", left + 600, top + 1100));
    s.back()["shift"] = 1;
    int anchorRow = -1;
    {
        Runtime rt;
        FormDesigner d{rt};
        const auto rows = d.CommonProperties({d.PlaceDefault("TolvaneButton"), d.PlaceDefault("TolvaneButton")});
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i].name == "Anchor") anchorRow = static_cast<int>(i);
    }
    ASSERT_GE(anchorRow, 0);
    const J value{{"cmd", "get"}, {"target", "txtValue"}, {"property", "Text"}};
    s.push_back({{"cmd", "focus"}, {"target", "lstProperties"}});
    s.push_back(Key("Home"));
    for (int i = 0; i < anchorRow; ++i) s.push_back(Key("Down"));
    s.push_back({{"cmd", "focus"}, {"target", "txtValue"}});
    s.push_back(Key("F4"));
    s.push_back({{"cmd", "get"}, {"target", "picAnchor"}, {"property", "Visible"}});
    s.push_back(Key("Space"));  // the left bar is current: freed
    s.push_back(Key("Right"));
    s.push_back(Key("Space"));
    s.push_back(value);
    s.push_back(Key("Return"));  // top,right on both
    s.push_back(Mouse("move", kDropX, kDropY, 0));
    s.push_back(Mouse("click", kDropX, kDropY));  // the drop-down button opens it too
    ClickAnchorBar(s, AnchorEdge::Bottom);
    ClickAnchorBar(s, AnchorEdge::Top);
    s.push_back(value);
    s.push_back(Key("Escape"));  // forgotten
    s.push_back(value);
    s.push_back(Key("F4"));
    ClickAnchorBar(s, AnchorEdge::Bottom);
    s.push_back(Key("Return"));  // top,right,bottom
    s.push_back({{"cmd", "get"}, {"target", "picAnchor"}, {"property", "Visible"}});
    s.push_back(Mouse("move", 870, 60 + 16 * 360 + 180 + 172, 0));
    s.push_back(Mouse("click", 870, 60 + 16 * 360 + 180 + 172));  // Save
    s.push_back(Key("Z", 2));  // one step back: both at top,right again
    s.push_back({{"cmd", "dump"}, {"target", "lstProperties"}});
    const auto lines = Design(s, path);

    const Printed printed = Read(lines);
    ASSERT_EQ(printed.values.size(), 5u);
    EXPECT_EQ(printed.values[0], true) << "F4 opens the editor";
    EXPECT_EQ(printed.values[1], "top,right") << "the value box follows the keys";
    EXPECT_EQ(printed.values[2], "right,bottom") << "and the clicks";
    EXPECT_EQ(printed.values[3], "top,right") << "Escape puts the value back";
    EXPECT_EQ(printed.values[4], false) << "Enter closes it";
    ASSERT_EQ(printed.dumps.size(), 1u);
    EXPECT_NE(std::find(printed.dumps[0].begin(), printed.dumps[0].end(), "Anchor: top,right"), printed.dumps[0].end());

    const auto saved = nlohmann::json::parse(test::ReadFile(path));
    ASSERT_EQ(saved["controls"].size(), 2u);
    for (const auto& c : saved["controls"]) EXPECT_EQ(c.value("anchor", ""), "top,right,bottom") << c.dump();
}

// "Custom..." opens the colour box: a basic colour clicked and then moved to with the arrows
// (framed, shown in the sample, its value in the text), a typed value refused with the
// runtime's message while the box stays open, and OK setting the colour; the file holds it.
TEST(DesignerWindow, TheColourBoxPicksByClickAndByKeysAndRefusesWhatIsNoColour) {
    test::TempFolder folder{"stolvane-designer-colour"};
    const std::string path = (folder.Path() / "colour.json").string();
    const double left = DesignerForm::kFormLeft, top = DesignerForm::kFormTop;
    std::vector<J> s{J{{"cmd", "show"}}, Mouse("click", 870, 232), Mouse("move", left + 2400, top + 1800, 0),
                     Mouse("click", left + 2400, top + 1800)};
    s.push_back({{"cmd", "focus"}, {"target", "lstProperties"}});
    s.push_back(Key("Home"));
    for (int i = 0; i < RowOf("TolvaneButton", "ColourUp"); ++i) s.push_back(Key("Down"));
    s.push_back({{"cmd", "focus"}, {"target", "txtValue"}});
    s.push_back(Key("F4"));
    s.push_back(Key("End"));
    s.push_back(Key("Return"));  // Custom...: the box's commands follow
    const J value{{"cmd", "get"}, {"target", "txtValue"}, {"property", "Text"}};
    auto cell = [](int col, int row) { return std::pair<double, double>{120 + col * 300 + 150, 120 + row * 300 + 150}; };
    const auto blue = cell(5, 1);
    s.push_back(Mouse("move", blue.first, blue.second, 0));
    s.push_back(Mouse("click", blue.first, blue.second));
    s.push_back(value);
    s.push_back(Key("Down"));
    s.push_back(Key("Left"));
    s.push_back(value);
    const auto teal = cell(4, 2);
    s.push_back({{"cmd", "pixel"}, {"x", teal.first}, {"y", teal.second}});
    s.push_back({{"cmd", "pixel"}, {"x", 2640 + 720}, {"y", 825 + 540}});  // the sample
    s.push_back({{"cmd", "text"}, {"text", "&HZZ&"}});
    s.push_back(Key("Return"));  // refused: the box stays
    s.push_back(value);
    s.push_back(Key("A", 2));
    s.push_back(Key("Up"));  // all selected again: the arrows are the grid's
    s.push_back(Key("Return"));
    s.push_back({{"cmd", "get"}, {"target", "txtValue"}, {"property", "Text"}});  // the browser's again
    s.push_back(Mouse("move", 870, 60 + 16 * 360 + 180 + 172, 0));
    s.push_back(Mouse("click", 870, 60 + 16 * 360 + 180 + 172));  // Save
    const auto lines = Design(s, path);

    const Printed printed = Read(lines, true);
    ASSERT_EQ(printed.values.size(), 6u);
    EXPECT_EQ(printed.values[0], "&H00FF0000&") << "the clicked cell";
    EXPECT_EQ(printed.values[1], "&H00C0C000&") << "one down, one left";
    EXPECT_EQ(printed.values[2], printed.values[3]) << "the sample shows the colour picked";
    EXPECT_EQ(printed.values[4], "&HZZ&") << "the box stayed open";
    EXPECT_EQ(printed.values[5], "&H00FFFF00&") << "the browser shows what was set";
    ASSERT_EQ(printed.boxes.size(), 1u);
    EXPECT_EQ(printed.boxes[0].rfind("Invalid property value: ColourUp: ", 0), 0u) << printed.boxes[0];
    EXPECT_EQ(BasicColour(1 * kBasicColourColumns + 4), 0x00FFFF00u);

    const auto saved = nlohmann::json::parse(test::ReadFile(path));
    EXPECT_EQ(saved["controls"][0]["properties"]["ColourUp"], "0x00FFFF00");
}

// By category, a heading row (bold on the button face, with its - or + box) collapses and
// expands its category: clicked, and with Left and Right while it is current. Dumps show
// the headings and their state.
TEST(DesignerWindow, CategoryHeadingsCollapseAndExpand) {
    test::TempFolder folder{"stolvane-designer-headings"};
    const J dump{{"cmd", "dump"}, {"target", "lstProperties"}};
    // The pixels at the right end of the heading's row and of the row under it, and of the
    // designer's own button-face background.
    auto pixel = [](double x, double y) { return J{{"cmd", "pixel"}, {"x", x}, {"y", y}}; };
    std::vector<J> s{J{{"cmd", "show"}}, Mouse("move", 10890, 217, 0), Mouse("click", 10890, 217), dump,
                     pixel(12800, 570), pixel(12800, 810), pixel(9000, 300),
                     Mouse("move", 9600, 570, 0), Mouse("click", 9600, 570),  // the Appearance heading
                     dump, Key("Right"), dump, Key("Left"), Key("Down"), Key("Space"), dump};
    const auto lines = Design(s, (folder.Path() / "headings.json").string());
    std::vector<J> dumps, pixels;
    for (const auto& l : lines) {
        EXPECT_FALSE(l.contains("error") || l.contains("msgbox")) << l.dump();
        if (l.contains("dump")) dumps.push_back(l["dump"]["items"]);
        if (l.contains("value")) pixels.push_back(l["value"]);
    }
    ASSERT_EQ(pixels.size(), 3u);
    EXPECT_EQ(pixels[0], pixels[2]) << "a heading lies on a band of the button face";
    EXPECT_NE(pixels[0], pixels[1]) << "a property's row does not";
    ASSERT_EQ(dumps.size(), 4u);
    // The rows of the first category, and whether its heading is collapsed.
    auto appearance = [](const J& items) {
        size_t rows = 0;
        for (size_t i = 1; i < items.size() && !items[i].value("heading", false); ++i) ++rows;
        return std::pair<size_t, bool>{rows, items.at(0).value("collapsed", false)};
    };
    ASSERT_EQ(dumps[0].at(0)["text"], "Appearance");
    EXPECT_EQ(dumps[0][0]["heading"], true);
    EXPECT_FALSE(dumps[0][1].contains("heading")) << "a property's row";
    const size_t rows = appearance(dumps[0]).first;
    EXPECT_GT(rows, 0u);
    EXPECT_EQ(appearance(dumps[1]), (std::pair<size_t, bool>{0, true})) << "clicked: collapsed";
    EXPECT_EQ(appearance(dumps[2]), (std::pair<size_t, bool>{rows, false})) << "Right expands";
    EXPECT_EQ(appearance(dumps[3]), (std::pair<size_t, bool>{0, true})) << "Left collapses";
    EXPECT_EQ(dumps[3].size() + rows, dumps[0].size());
    EXPECT_EQ(dumps[3][1]["text"], "Behaviour") << "Down went on to the next heading";
    EXPECT_EQ(dumps[3][1].value("collapsed", true), false) << "Space does nothing on a heading";
}

// The browser at scale 1 with the anchor editor open on a button anchored left and top.
TEST(DesignerWindow, GoldenPictureWithTheAnchorEditorOpen) {
    test::TempFolder folder{"stolvane-designer-golden-anchor"};
    Runtime rt;
    DesignerForm designer(rt, (folder.Path() / "golden.json").string());
    Form& f = designer.GetForm();
    rt.ShowForm(f);
    const double left = DesignerForm::kFormLeft, top = DesignerForm::kFormTop;
    rt.Mouse(f, MouseAction::Move, 870, 232, 0, 0);
    rt.Mouse(f, MouseAction::Click, 870, 232, 1, 0);
    rt.Mouse(f, MouseAction::Move, left + 250, top + 250, 0, 0);
    rt.Mouse(f, MouseAction::Down, left + 250, top + 250, 1, 0);
    rt.Mouse(f, MouseAction::Move, left + 1690, top + 730, 1, 0);
    rt.Mouse(f, MouseAction::Up, left + 1690, top + 730, 1, 0);
    rt.FocusListBox(static_cast<ListBox&>(*f.FindAuthored("lstProperties")));
    rt.KeyDown(KeyCode::Home, 0);
    for (int i = 0; i < RowOf("TolvaneButton", "Anchor"); ++i) rt.KeyDown(KeyCode::Down, 0);
    rt.FocusTextBox(static_cast<TextBox&>(*f.FindAuthored("txtValue")));
    rt.KeyDown(KeyCode::F1 + 3, 0);
    rt.KeyDown(KeyCode::Down, 0);  // the bottom bar current
    ASSERT_TRUE(f.FindAuthored("picAnchor")->Visible());
    EXPECT_TRUE(test::CompareGolden(FormRenderer(rt, f, 1).RepaintAll(), "designer_browser_anchor_scale1"));
}

}  // namespace
