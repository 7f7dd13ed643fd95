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
#include "designer/designer_form.h"
#include "host/fonts.h"
#include "host/keys.h"
#include "host/render.h"
#include "tests/golden_util.h"
#include "host/pictures.h"
#include "tests/test_util.h"

using namespace stolvane;

namespace {

using J = nlohmann::json;

constexpr double kLeft = DesignerForm::kFormLeft, kTop = DesignerForm::kFormTop;
// The toolbox's Save button (x 870), the browser's drop-down button (docs/designer.md) and the
// centre of entry `i` of the open drop-down.
constexpr double kSaveY = 60 + 16 * 360 + 180 + 172;
constexpr double kDropX = 11670, kDropY = 5677;
double EntryY(int i) { return 5835 + 30 + i * 240 + 120; }

// Runs the lines on the designer of `form`; returns the output objects.
std::vector<J> Design(const std::vector<J>& commands, const std::string& form) {
    std::string script;
    for (const auto& c : commands) script += c.dump() + "\n";
    std::istringstream in(script);
    std::ostringstream out, err;
    EXPECT_EQ(RunScript(in, out, err, form, true), 0) << err.str();
    std::vector<J> lines;
    std::istringstream read(out.str());
    for (std::string line; std::getline(read, line);) lines.push_back(J::parse(line));
    return lines;
}

// The row of a property in the browser: of a new control of the class, of two of them selected
// together, or of the form (no class).
int RowOf(const std::string& className, const std::string& property, bool two = false) {
    Runtime rt;
    FormDesigner d{rt};
    std::vector<PropertyRow> rows = d.Properties("");
    if (two) rows = d.CommonProperties({d.PlaceDefault(className), d.PlaceDefault(className)});
    else if (!className.empty()) rows = d.Properties(d.PlaceDefault(className));
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].name == property) return static_cast<int>(i);
    return -1;
}

J Mouse(const char* action, double x, double y, int button = 1) {
    return {{"cmd", "mouse"}, {"action", action}, {"x", x}, {"y", y}, {"button", button}};
}
J Key(const char* key, int shift = 0) { return {{"cmd", "key"}, {"key", key}, {"shift", shift}}; }
J Get(const char* target, const char* property) { return {{"cmd", "get"}, {"target", target}, {"property", property}}; }
J Focus(const char* target) { return {{"cmd", "focus"}, {"target", target}}; }
J Text(const std::string& text) { return {{"cmd", "text"}, {"text", text}}; }
J Dump(const char* target) { return {{"cmd", "dump"}, {"target", target}}; }
J Pixel(double x, double y) { return {{"cmd", "pixel"}, {"x", x}, {"y", y}}; }
const J kStatus = Get("lblStatus", "Caption");

void Add(std::vector<J>& s, std::initializer_list<J> commands) { s.insert(s.end(), commands); }

// A click where a user's pointer moves first (a button hovered last lets it go).
void Click(std::vector<J>& s, double x, double y, int shift = 0) {
    s.push_back(Mouse("move", x, y, 0));
    s.push_back(Mouse("click", x, y));
    s.back()["shift"] = shift;
}

// A drag from one point of the designed form to another (its twips), with these keys held.
void Drag(std::vector<J>& s, double x0, double y0, double x1, double y1, int shift = 0) {
    s.push_back(Mouse("move", kLeft + x0, kTop + y0, 0));
    for (J j : {Mouse("down", kLeft + x0, kTop + y0), Mouse("move", kLeft + x1, kTop + y1, 1),
                Mouse("up", kLeft + x1, kTop + y1)}) {
        j["shift"] = shift;
        s.push_back(j);
    }
}

// Picks a row of the property browser with the keys, then focuses the value box.
void PickRow(std::vector<J>& s, int row) {
    s.push_back(Focus("lstProperties"));
    s.push_back(Key("Home"));
    for (int i = 0; i < row; ++i) s.push_back(Key("Down"));
    s.push_back(Focus("txtValue"));
}

void TypeProperty(std::vector<J>& s, int row, const std::string& value) {
    PickRow(s, row);
    s.push_back(Key("A", 2));
    s.push_back(value.empty() ? Key("Delete") : Text(value));
    s.push_back(Key("Return"));
}
void TypeProperty(std::vector<J>& s, const std::string& kind, const std::string& property, const std::string& value) {
    const int row = RowOf(kind, property);
    EXPECT_GE(row, 0) << kind << "." << property;
    TypeProperty(s, row, value);
}

// What a designer session printed: the values got (by type, in order), the message boxes' texts,
// the clipboard's and each dumped list (its items, and their texts). An error fails the test, and
// so does a message box unless the test expects some.
struct Printed {
    std::vector<J> flags, items;
    std::vector<std::string> texts, boxes, clips;
    std::vector<int64_t> numbers;
    std::vector<std::vector<std::string>> dumps;
};

Printed Read(const std::vector<J>& lines, bool boxesExpected = false) {
    Printed p;
    for (const auto& l : lines) {
        EXPECT_FALSE(l.contains("error") || (!boxesExpected && l.contains("msgbox"))) << l.dump();
        if (l.contains("msgbox")) p.boxes.push_back(l["msgbox"]["text"].get<std::string>());
        if (l.contains("clipboard")) p.clips.push_back(l["clipboard"].get<std::string>());
        if (l.contains("value")) {
            const J& v = l["value"];
            if (v.is_string()) p.texts.push_back(v.get<std::string>());
            if (v.is_number()) p.numbers.push_back(v.get<int64_t>());
            if (v.is_boolean()) p.flags.push_back(v);
        }
        if (l.contains("dump")) {
            p.items.push_back(l["dump"].value("items", J::array()));
            p.dumps.emplace_back();
            for (const auto& item : p.items.back())
                p.dumps.back().push_back(item.is_string() ? item.get<std::string>() : item.value("text", ""));
        }
    }
    return p;
}

// A designer's window shown and driven through the runtime, as the script driver drives it.
struct Shown {
    test::TempFolder folder{"stolvane-designer-shown"};
    Runtime rt;
    DesignerForm designer{rt, (folder.Path() / "shown.json").string()};
    Form& f = designer.GetForm();
    Shown() { rt.ShowForm(f); }
    void Act(MouseAction action, double x, double y, int button = 1, int shift = 0) {
        rt.Mouse(f, action, x, y, static_cast<int16_t>(button), static_cast<int16_t>(shift));
    }
    void Click(double x, double y) {
        Act(MouseAction::Move, x, y, 0);
        Act(MouseAction::Click, x, y);
    }
    // A drag on the designed form (its twips), with these keys held.
    void Drag(double x0, double y0, double x1, double y1, int shift = 0) {
        Act(MouseAction::Move, kLeft + x0, kTop + y0, 0);
        Act(MouseAction::Down, kLeft + x0, kTop + y0, 1, shift);
        Act(MouseAction::Move, kLeft + x1, kTop + y1, 1, shift);
        Act(MouseAction::Up, kLeft + x1, kTop + y1, 1, shift);
    }
    // Picks a button's property in the browser with the keys and opens its editor with F4.
    void OpenEditor(const std::string& property) {
        rt.FocusListBox(static_cast<ListBox&>(*f.FindAuthored("lstProperties")));
        rt.KeyDown(KeyCode::Home, 0);
        for (int i = 0; i < RowOf("TolvaneButton", property); ++i) rt.KeyDown(KeyCode::Down, 0);
        rt.FocusTextBox(static_cast<TextBox&>(*f.FindAuthored("txtValue")));
        rt.KeyDown(KeyCode::F1 + 3, 0);
    }
};

// Each test's folder, the file its designer saves to and its script, which shows the designer.
struct DesignerWindow : ::testing::Test {
    test::TempFolder folder{"stolvane-designer-window"};
    const std::string path = (folder.Path() / "designed.json").string();
    std::vector<J> s{J{{"cmd", "show"}}};
};

// A button dragged out from the toolbox, captioned in the browser and saved loads as the
// reference. Its grab handles resize it from the side dragged, on the grid, one step each for
// Ctrl+Z and Ctrl+Y; opened again, the arrow keys move and size it.
TEST_F(DesignerWindow, AButtonPlacedCaptionedAndSavedLoadsAsTheReferenceAndIsSizedByItsHandles) {
    Click(s, 870, 232);  // the toolbox's first tool: TolvaneButton
    Drag(s, 250, 230, 1690, 710);
    s.push_back(kStatus);
    TypeProperty(s, "TolvaneButton", "Caption", "&OK");
    Click(s, 870, kSaveY);
    // A handle's centre pixel, in the form's twips: the button is pixels 16 to 111 by 16 to 47.
    auto at = [](int px, int py) { return std::pair{px * 15 + 7.0, py * 15 + 7.0}; };
    const auto [cx, cy] = at(111, 47);
    Drag(s, cx, cy, cx + 470, cy + 250);  // the bottom-right corner
    s.push_back(kStatus);
    const auto [lx, ly] = at(16, 39);  // the middle of the left side (now 16 to 63 down): only it moves
    Drag(s, lx, ly, lx - 130, ly + 300);
    Add(s, {kStatus, Key("Z", 2), kStatus, Key("Y", 2), kStatus});
    EXPECT_EQ(Read(Design(s, path)).texts, (std::vector<std::string>{
                                 "TolvaneButton1: 240, 240, 1440 x 480 twips (16, 16, 96 x 32 pixels)",
                                 "TolvaneButton1: 240, 240, 1920 x 720 twips (16, 16, 128 x 48 pixels)",
                                 "TolvaneButton1: 120, 240, 2040 x 720 twips (8, 16, 136 x 48 pixels)",
                                 "TolvaneButton1: 240, 240, 1920 x 720 twips (16, 16, 128 x 48 pixels)",
                                 "TolvaneButton1: 120, 240, 2040 x 720 twips (8, 16, 136 x 48 pixels)",
                             }));
    const std::string reference =
        test::ReadFile(std::filesystem::path(STOLVANE_SOURCE_DIR) / "tests" / "designer" / "button_ok.json");
    EXPECT_EQ(test::ReadFile(path), reference);

    std::vector<J> second{J{{"cmd", "show"}}};
    Click(second, kLeft + 600, kTop + 400);
    Add(second, {Key("Right"), Key("Down", 1), kStatus});
    EXPECT_EQ(Read(Design(second, path)).texts,
              std::vector<std::string>{"TolvaneButton1: 360, 240, 1440 x 600 twips (24, 16, 96 x 40 pixels)"});
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
TEST_F(DesignerWindow, ClosingWithUnsavedChangesAsksWhetherToSaveThem) {
    Runtime rt;
    AnsweringBackend backend;
    rt.SetBackend(&backend);
    const std::string question = "STolvane Designer: Save changes to Form1? [&Yes|&No|Cancel]";
    // The designer closed with the backend's answer after a change: whether it closed.
    auto close = [&](const std::string& file, int answer) {
        DesignerForm designer(rt, file);
        rt.ShowForm(designer.GetForm());
        designer.Designer().PlaceDefault("TolvaneButton");
        backend.boxes.clear();
        backend.answer = answer;
        const bool closed = rt.CloseForm(designer.GetForm());
        EXPECT_EQ(closed, !rt.IsLoaded(designer.GetForm()));
        if (!closed) rt.UnloadForm(designer.GetForm());
        return closed;
    };
    EXPECT_FALSE(close(path, 2)) << "Cancel";
    EXPECT_EQ(backend.boxes, std::vector<std::string>{question});
    EXPECT_TRUE(close(path, 1)) << "No";
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(close((folder.Path() / "gone" / "closing.json").string(), 0)) << "Yes, but it cannot be saved";
    ASSERT_EQ(backend.boxes.size(), 2u);
    EXPECT_NE(backend.boxes[1].find("gone"), std::string::npos) << backend.boxes[1];
    EXPECT_TRUE(close(path, 0)) << "Yes";
    EXPECT_EQ(J::parse(test::ReadFile(path))["controls"][0]["name"], "TolvaneButton1");
    rt.SetBackend(nullptr);
}

// The mouse drops a button into a panel (on the panel's grid) and drags the panel with it, draws
// rubber bands on the form and (with Ctrl) in the panel, and sizes the form on the grid.
TEST_F(DesignerWindow, TheMouseDropsIntoPanelsDrawsRubberBandsAndSizesTheForm) {
    Click(s, 870, 60 + 360 + 172);  // TolvanePanel
    Drag(s, 1200, 1200, 3600, 3000);
    Click(s, 870, 232);  // TolvaneButton
    Drag(s, 240, 240, 1440, 720);
    Drag(s, 600, 400, 1810, 1530);  // released over the panel: into it, on its grid
    s.push_back(kStatus);
    Drag(s, 3300, 2800, 3540, 2800);  // the panel, by its empty area, with the button in it
    s.push_back(kStatus);
    Drag(s, 4700, 100, 1300, 1300);  // a band from the empty form: it touches the panel only
    s.push_back(kStatus);
    Drag(s, 3400, 2900, 2000, 1700, 2);  // Ctrl: a band inside the panel, touching the button
    s.push_back(kStatus);
    Drag(s, 4700, 3500, 4690, 3490);  // a click on the empty form: the form is selected
    Drag(s, 320 * 15 + 40, 240 * 15 + 40, 320 * 15 + 290, 240 * 15 + 170);  // the form's corner
    s.push_back(kStatus);
    const Printed printed = Read(Design(s, path));

    EXPECT_EQ(printed.texts, (std::vector<std::string>{
                                 "TolvaneButton1: 1440, 1320, 1200 x 480 twips (96, 88, 80 x 32 pixels)",
                                 "TolvanePanel1: 1440, 1200, 2400 x 1800 twips (96, 80, 160 x 120 pixels)",
                                 "TolvanePanel1: 1440, 1200, 2400 x 1800 twips (96, 80, 160 x 120 pixels)",
                                 "TolvaneButton1: 1680, 1320, 1200 x 480 twips (112, 88, 80 x 32 pixels)",
                                 "Form1: 0, 0, 5040 x 3720 twips (0, 0, 336 x 248 pixels)",
                             }));
}

// The designer's keys and files: the clipboard carries the selection as form-file text, Ctrl+A
// selects the whole form, Ctrl+X cuts, F5 runs the form being designed as a form of its own that
// raises events until it is closed. New, Open and Save As go through their keys and buttons and
// the file-name box (Enter for OK, Escape for Cancel): New first asks about unsaved changes (a
// script answers Cancel unless told No); a file that does not load is told and changes nothing.
TEST_F(DesignerWindow, KeysCopyPasteCutAndRunTheFormAndNewOpenAndSaveAsGoThroughTheFileNameBox) {
    const std::string other = (folder.Path() / "other.json").string();
    const std::string broken = (folder.Path() / "broken.json").string();
    std::ofstream(broken) << "{\"name\": \"Form1\", \"widht\": 10}";
    const J caption = Get("", "Caption");
    Click(s, 870, 232);
    Click(s, kLeft + 2400, kTop + 1800);  // a button of its default size
    Add(s, {Key("C", 2), Key("V", 2), Key("A", 2), kStatus, Key("F5")});
    // The running form: what the commands address until it closes.
    s.push_back(Get("TolvaneButton2", "Caption"));
    Click(s, 1500, 1500);  // the pasted copy, on top of the first
    s.push_back({{"cmd", "set"}, {"target", ""}, {"property", "Visible"}, {"value", false}});
    Add(s, {Key("X", 2), kStatus, J{{"cmd", "clipboard"}}, Key("Z", 2), Key("A", 2), kStatus});
    Add(s, {Key("N", 2), kStatus});  // asked, answered Cancel: the buttons stay
    Click(s, 1300, 6172);            // Save As
    Add(s, {Get("txtFileName", "Text"), Text(other), Key("Return"), caption});
    Add(s, {Key("N", 2), kStatus, caption});  // saved: nothing to ask
    Add(s, {Key("O", 2), Text(broken), Key("Return"), kStatus});  // told, and nothing changes
    Click(s, 1300, 6000 + 3 * 360 + 172);                          // Open, cancelled
    Add(s, {Text(other), Key("Escape"), caption});
    Add(s, {Key("O", 2), Text(other), Key("Return"), Key("A", 2), kStatus, caption});
    // A change, then New answered No: lost, as asked.
    Add(s, {Key("Delete"), J{{"cmd", "answer"}, {"button", "&No"}}, Key("N", 2), kStatus});
    const auto lines = Design(s, path);
    const Printed printed = Read(lines, true);

    std::vector<std::string> clicks;
    for (const auto& l : lines)
        if (l.value("event", "") == "Click" && l["control"].get<std::string>().rfind("Tolvane", 0) == 0)
            clicks.push_back(l["control"].get<std::string>());
    EXPECT_EQ(clicks, std::vector<std::string>{"TolvaneButton2"}) << "the running form is not in design mode";
    ASSERT_FALSE(printed.texts.empty());
    const std::string both = printed.texts[0];
    const std::string empty = "Form1: 0, 0, 4800 x 3600 twips (0, 0, 320 x 240 pixels)";
    EXPECT_NE(both.find(", 2 selected"), std::string::npos) << both;
    // The running form's copy captioned as the first; both cut; the cut undone brings both back.
    EXPECT_EQ(printed.texts, (std::vector<std::string>{both, "TolvaneButton1", empty, both, both, path,
                                                       "STolvane Designer - " + other, empty, "STolvane Designer",
                                                       empty, "STolvane Designer", both,
                                                       "STolvane Designer - " + other, empty}));
    ASSERT_EQ(printed.clips.size(), 1u);
    EXPECT_EQ(J::parse(printed.clips[0])["controls"].size(), 2u) << "both cut";
    ASSERT_EQ(printed.boxes.size(), 3u);
    EXPECT_EQ(printed.boxes[0], "Save changes to Form1?");
    EXPECT_NE(printed.boxes[1].find("widht"), std::string::npos) << printed.boxes[1];
    EXPECT_EQ(printed.boxes[2], "Save changes to Form1?");
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(J::parse(test::ReadFile(other))["controls"][0]["name"], "TolvaneButton1") << "not saved";
}

// The centre of the arranging toolbar's button `i` (0 cmdAlignLefts ... 12 cmdSendToBack), as
// docs/designer.md places them: 360 twips apart, each group 120 further on.
std::pair<double, double> BarButton(int i) {
    const int group = i < 6 ? 0 : i < 9 ? 1 : i < 11 ? 2 : 3;
    return {kLeft + 360 * i + 120 * group + 180, DesignerForm::kBarTop + 180};
}

// The arranging toolbar: greyed (its pictures too) until enough is selected, each button one
// undoable step as the browser's shared values show; Ctrl+Left aligns, Ctrl+J and Ctrl+K order.
TEST_F(DesignerWindow, TheToolbarArrangesTheSelectionEachAsOneStepGreyedUntilItCan) {
    // A dark pixel of cmdAlignLefts' picture (16 pixels in the middle of its 24).
    const J picture = Pixel(kLeft + 60 + 4 * 15 + 7, DesignerForm::kBarTop + 60 + 4 * 15 + 7);
    const J dump = Dump("lstProperties");
    auto bar = [&](int i) { Click(s, BarButton(i).first, BarButton(i).second); };
    Add(s, {Get("cmdAlignLefts", "Enabled"), Get("cmdCentreHorizontally", "Enabled"), picture});
    for (const auto& [x0, y0, x1, y1] : {std::array{240, 240, 1680, 720}, {600, 960, 2640, 1680}}) {
        Click(s, 870, 232);
        Drag(s, x0, y0, x1, y1);
    }
    // TolvaneButton2 (600, 960, 2040 x 720) selected, then TolvaneButton1 (240, 240, 1440 x 480) added.
    Add(s, {Get("cmdAlignLefts", "Enabled"), Get("cmdCentreHorizontally", "Enabled")});
    Click(s, kLeft + 300, kTop + 300, 1);
    Add(s, {Get("cmdAlignLefts", "Enabled"), picture});
    for (int i : {0, 8, 9}) bar(i), s.push_back(dump);  // align lefts, same size, centre horizontally
    for (int i = 0; i < 3; ++i) Add(s, {Key("Z", 2), dump});
    Add(s, {Key("Left", 2), dump});
    // The order: TolvaneButton1 alone brought to front by the toolbar, sent to back with Ctrl+K
    // and brought to front again with Ctrl+J (the clipboard shows the form's order after the
    // first two, the saved file after the last); with nothing selected the order buttons are
    // greyed.
    Click(s, kLeft + 4000, kTop + 3000);
    s.push_back(Get("cmdBringToFront", "Enabled"));
    Click(s, kLeft + 700, kTop + 300);
    bar(11);
    Add(s, {Key("A", 2), Key("C", 2), J{{"cmd", "clipboard"}}});
    Click(s, kLeft + 4000, kTop + 3000);
    Click(s, kLeft + 700, kTop + 300);
    Add(s, {Key("K", 2), Key("A", 2), Key("C", 2), J{{"cmd", "clipboard"}}});
    Click(s, kLeft + 4000, kTop + 3000);
    Click(s, kLeft + 700, kTop + 300);
    Add(s, {Key("J", 2), Key("S", 2)});
    const Printed printed = Read(Design(s, path));

    EXPECT_EQ(printed.flags, (std::vector<J>{false, false, false, true, true, false}))
        << "aligning needs two things selected, centring one, ordering one";
    EXPECT_EQ(printed.numbers, (std::vector<int64_t>{0x808080, 0x800000})) << "greyed, then the picture's own dark blue";
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
    ASSERT_EQ(printed.clips.size(), 2u);
    const auto fronted = J::parse(printed.clips[0])["controls"], backed = J::parse(printed.clips[1])["controls"];
    ASSERT_EQ(fronted.size(), 2u);
    EXPECT_EQ(fronted[1]["name"], "TolvaneButton1") << "brought to front: drawn last";
    ASSERT_EQ(backed.size(), 2u);
    EXPECT_EQ(backed[0]["name"], "TolvaneButton1") << "sent to back by Ctrl+K";
    const auto saved = J::parse(test::ReadFile(path))["controls"];
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[1]["name"], "TolvaneButton1") << "brought to front by Ctrl+J";
    EXPECT_EQ(saved[1]["left"], 600) << "aligned by Ctrl+Left";
}

// A dragged selection shows dotted outlines (every other pixel inverted) where the drop puts each
// thing, repainting only their edges and the status line. A Shift-press that takes the pressed
// thing out of the selection drags nothing.
TEST_F(DesignerWindow, ADraggedSelectionShowsOutlinesWhereItLandsRepaintingOnlyTheirEdges) {
    Shown w;
    FormDesigner& d = w.designer.Designer();
    d.Place("TolvaneButton", "", {240, 240, 1440, 480});
    d.Place("TolvaneButton", "", {2400, 1200, 1200, 480});
    w.Click(kLeft + 300, kTop + 300);
    w.Act(MouseAction::Move, kLeft + 2500, kTop + 1300, 0);
    w.Act(MouseAction::Click, kLeft + 2500, kTop + 1300, 1, 1);
    ASSERT_EQ(d.GetSelection().Size(), 2u);

    FormRenderer screen(w.rt, w.f, 1);
    screen.Update();
    w.Act(MouseAction::Down, kLeft + 300, kTop + 300);
    const Frame before = screen.Update();
    w.Act(MouseAction::Move, kLeft + 430, kTop + 370);  // 130, 70 twips: a grid step each way, snapped
    const Frame& after = screen.Update();
    const std::vector<Rect> outlines{{360, 360, 1440, 480}, {2520, 1320, 1200, 480}};
    // Each repainted area is the status line or a row or column of pixels on an outline's edge
    // (with the pixel either side of it, which the renderer repaints along).
    const Rect status = w.f.FindAuthored("lblStatus")->Bounds();
    int64_t edges = 0;
    for (const PixelRect& r : screen.LastRepaintedArea()) {
        if ((r.y + 1) * 15 >= status.top && (r.y + r.height - 1) * 15 <= status.top + status.height) continue;
        edges += int64_t{r.width} * r.height;
        EXPECT_TRUE(r.width <= 3 || r.height <= 3) << r.x << ", " << r.y << ", " << r.width << " x " << r.height;
    }
    EXPECT_GT(edges, 0);
    EXPECT_LE(edges, 3 * 2 * (98 + 30 + 82 + 30)) << "the outlines' edges, three pixels thick";
    // The outline's corner pixel inverted, the pixel beside it (odd) left alone.
    const int cx = static_cast<int>((kLeft + 360) / 15), cy = static_cast<int>((kTop + 360) / 15);
    EXPECT_EQ(after.PixelRgb(cx, cy), before.PixelRgb(cx, cy) ^ 0xFFFFFFu);
    EXPECT_EQ(after.PixelRgb(cx + 1, cy), before.PixelRgb(cx + 1, cy));
    w.Act(MouseAction::Up, kLeft + 430, kTop + 370);
    EXPECT_EQ(d.FormBounds("TolvaneButton1"), outlines[0]);
    EXPECT_EQ(d.FormBounds("TolvaneButton2"), outlines[1]);
    const Frame& released = screen.Update();
    EXPECT_EQ(released.data, FormRenderer(w.rt, w.f, 1).RepaintAll().data) << "no outline left behind";

    // Shift-pressed, TolvaneButton2 leaves the selection: the drag moves neither it nor
    // TolvaneButton1; pressed so, the last one selected leaves it and nothing is dragged.
    const std::string moved = d.Document().Text();
    w.Drag(2600, 1400, 3200, 1400, 1);
    w.Drag(800, 600, 1400, 600, 1);
    EXPECT_TRUE(d.GetSelection().Empty());
    EXPECT_EQ(d.Document().Text(), moved) << "nothing dragged";
}

// Every type with an editor of its own set through the browser, by mouse and by keys: a Boolean,
// an enumeration, a system colour, a font, a picture; Custom... opens the colour box (basic
// colours clicked or moved to, a value that is no colour refused while it stays open). The saved
// form holds exactly those values.
TEST_F(DesignerWindow, PropertiesOfEveryTypeAreSetThroughTheBrowsersOwnEditorsAndTheColourBox) {
    {
        std::vector<uint32_t> argb(16 * 16, 0xFF008000u);
        std::ofstream(folder.Path() / "dot.png", std::ios::binary) << EncodePng(*Picture::FromPixels(16, 16, argb));
    }
    Click(s, 870, 232);
    Click(s, kLeft + 2400, kTop + 1800);  // a button of its default size
    auto pick = [&](const char* property) { PickRow(s, RowOf("TolvaneButton", property)); };
    const J values = Dump("lstValues"), value = Get("txtValue", "Text");
    pick("Enabled");  // the drop-down button, then the keys
    Click(s, kDropX, kDropY);
    Add(s, {values, Key("Down"), Key("Return")});
    pick("ButtonStyle");  // F4, then a click on the second entry
    s.push_back(Key("F4"));
    Click(s, 9600, EntryY(1));
    pick("Colour");  // Alt+Down; ButtonShadow (16) lies below the first eight entries
    Add(s, {Key("Down", 4), Key("Home")});
    for (int i = 0; i < 16; ++i) s.push_back(Key("Down"));
    Add(s, {values, Key("Return"), value});
    pick("ColourUp");  // Custom...: the colour box's commands follow
    Add(s, {Key("F4"), Key("End"), Key("Return")});
    auto cell = [](int col, int row) { return std::pair<double, double>{120 + col * 300 + 150, 120 + row * 300 + 150}; };
    Click(s, cell(5, 1).first, cell(5, 1).second);
    Add(s, {value, Key("Down"), Key("Left"), value, Pixel(cell(4, 2).first, cell(4, 2).second)});
    Add(s, {Pixel(2640 + 720, 825 + 540), Text("&HZZ&"), Key("Return"), value});  // the sample; refused
    Add(s, {Key("A", 2), Key("Up"), value});  // all selected again: the arrows are the grid's
    Add(s, {Key("A", 2), Text("&H000000FF&"), Key("Return"), value});
    pick("Font");  // Escape closes it, nothing changed; then the first family, keeping the size
    Add(s, {Key("F4"), Key("Escape"), Get("lstValues", "Visible"), Key("F4"), Key("Home"), Key("Return")});
    pick("Picture");  // Browse...: the file's name typed in a small form of its own
    Add(s, {Key("F4"), Key("End"), Key("Return"), Text((folder.Path() / "dot.png").string()), Key("Return")});
    Add(s, {Focus("txtValue"), Key("F4"), Get("picPreview", "Visible")});  // the preview shows it
    Add(s, {Pixel(9060 + 75, EntryY(1) + 120 + 75), Key("Escape")});
    Click(s, 870, kSaveY);
    const Printed printed = Read(Design(s, path), true);

    const auto& dumps = printed.dumps;
    ASSERT_EQ(dumps.size(), 2u);
    EXPECT_EQ(dumps[0], (std::vector<std::string>{"True", "False"}));
    EXPECT_EQ(dumps[1].size(), 8u) << "eight at a time";
    EXPECT_EQ(dumps[1].back(), "ButtonShadow") << "scrolled to the current entry";
    // The colour picked, the basic colour clicked, one down and one left, the refused text still
    // in the open box, the grid's colour one up, and the typed colour as the browser shows it.
    EXPECT_EQ(printed.texts, (std::vector<std::string>{"0x80000010", "&H00FF0000&", "&H00C0C000&", "&HZZ&",
                                                       "&H00FFFF00&", "&H000000FF&"}));
    EXPECT_EQ(printed.flags, (std::vector<J>{false, true})) << "Escape closes the drop-down; the preview shows";
    ASSERT_EQ(printed.numbers.size(), 3u);
    EXPECT_EQ(printed.numbers[0], printed.numbers[1]) << "the sample shows the colour picked";
    EXPECT_EQ(printed.numbers[2], 0x008000) << "the picture previewed";
    ASSERT_EQ(printed.boxes.size(), 1u);
    EXPECT_EQ(printed.boxes[0].rfind("Invalid property value: ColourUp: ", 0), 0u) << printed.boxes[0];

    const auto saved = J::parse(test::ReadFile(path));
    ASSERT_EQ(saved["controls"].size(), 1u);
    // The font's family the first one, its size kept.
    EXPECT_EQ(saved["controls"][0]["properties"],
              J({{"Caption", "TolvaneButton1"}, {"Enabled", false}, {"ButtonStyle", 1}, {"Colour", "0x80000010"},
                 {"ColourUp", "0x000000FF"}, {"Font", {{"Name", FontFamilies().front()}, {"Size", 8.25}}},
                 {"Picture", "dot.png"}}));
}

// A click on a bar of the anchor editor (open under the value box).
void ClickAnchorBar(std::vector<J>& s, uint8_t edge) {
    const Rect r = AnchorEditor::BarRect(edge);
    Click(s, PropertyBrowser::kLeft + r.left + r.width / 2, 5835 + r.top + r.height / 2);
}

// By category, a heading (on the button face) holds no value and collapses by click, Left and
// Right. Two buttons selected share values: their anchors edited in the picture of bars by keys
// and clicks (Enter applies as one step, Escape forgets), a caption typed. The tab-order editor
// renumbers them; the form's default and cancel buttons are picked from the buttons.
TEST_F(DesignerWindow, ByCategoryTwoSelectedTheirAnchorsTheTabOrderAndTheFormsButtons) {
    for (double y : {240.0, 960.0}) {  // two buttons dragged out from the toolbox
        Click(s, 870, 232);
        Drag(s, 250, y, 1690, y + 480);
    }
    const J properties = Dump("lstProperties"), value = Get("txtValue", "Text");
    Click(s, 10890, 217);  // cmdCategorized
    // The right end of the first heading's row and of the row under it, and the button face.
    Add(s, {properties, Pixel(12800, 570), Pixel(12800, 810), Pixel(9000, 300)});
    Add(s, {Focus("lstProperties"), Key("Home"), Key("Down"), value, Key("Up"), value});
    Click(s, 9600, 570);  // the Appearance heading
    Add(s, {properties, Key("Right"), properties, Key("Left"), Key("Down"), Key("Space"), properties});
    Click(s, 9660, 217);  // cmdAlphabetic
    Click(s, kLeft + 600, kTop + 400);
    Click(s, kLeft + 600, kTop + 1100, 1);  // Shift: both selected
    PickRow(s, RowOf("TolvaneButton", "Anchor", true));
    // F4 opens the editor, the left bar current: freed, then the right one set; Enter applies.
    Add(s, {Key("F4"), Get("picAnchor", "Visible"), Key("Space"), Key("Right"), Key("Space"), value, Key("Return")});
    Click(s, kDropX, kDropY);  // the drop-down button opens it too
    ClickAnchorBar(s, AnchorEdge::Bottom);
    ClickAnchorBar(s, AnchorEdge::Top);
    Add(s, {value, Key("Escape"), value, Key("F4")});
    ClickAnchorBar(s, AnchorEdge::Bottom);
    Add(s, {Key("Return"), Get("picAnchor", "Visible")});  // top,right,bottom
    Click(s, 870, kSaveY);
    Add(s, {Key("Z", 2), properties});  // one step back: both at top,right again
    TypeProperty(s, RowOf("TolvaneButton", "Caption", true), "Same");
    Click(s, 12210, 217);  // cmdTabOrder: the commands go to its form
    s.push_back(Dump("lstOrder"));
    Click(s, 3540, 712);   // cmdDown: TolvaneButton1 goes after TolvaneButton2
    Click(s, 3540, 2767);  // cmdOK
    Click(s, kLeft + 3600, kTop + 3000);  // the form: End picks its DefaultButton, a click its CancelButton
    PickRow(s, RowOf("", "DefaultButton"));
    Add(s, {Key("F4"), Dump("lstValues"), Key("End"), Key("Return")});
    PickRow(s, RowOf("", "CancelButton"));
    s.push_back(Key("F4"));
    Click(s, 9600, EntryY(1));
    Click(s, 870, kSaveY);
    const Printed printed = Read(Design(s, path));

    const auto& dumps = printed.dumps;
    const auto& items = printed.items;
    ASSERT_EQ(dumps.size(), 7u);
    ASSERT_GE(dumps[0].size(), 2u);
    EXPECT_EQ(dumps[0][0], "Appearance");
    EXPECT_EQ(items[0][0]["heading"], true);
    EXPECT_EQ(dumps[0][1].rfind("    ", 0), 0u) << "a property under its heading: " << dumps[0][1];
    ASSERT_EQ(printed.numbers.size(), 3u);
    EXPECT_EQ(printed.numbers[0], printed.numbers[2]) << "a heading lies on a band of the button face";
    EXPECT_NE(printed.numbers[0], printed.numbers[1]) << "a property's row does not";
    // The rows of the first category, and whether its heading is collapsed.
    auto appearance = [](const J& rows) {
        size_t n = 0;
        for (size_t i = 1; i < rows.size() && !rows[i].value("heading", false); ++i) ++n;
        return std::pair<size_t, bool>{n, rows.at(0).value("collapsed", false)};
    };
    const size_t rows = appearance(items[0]).first;
    EXPECT_GT(rows, 0u);
    EXPECT_EQ(appearance(items[1]), (std::pair<size_t, bool>{0, true})) << "clicked: collapsed";
    EXPECT_EQ(appearance(items[2]), (std::pair<size_t, bool>{rows, false})) << "Right expands";
    EXPECT_EQ(appearance(items[3]), (std::pair<size_t, bool>{0, true})) << "Left collapses";
    EXPECT_EQ(items[3].size() + rows, items[0].size());
    EXPECT_EQ(dumps[3][1], "Behaviour") << "Down went on to the next heading";
    EXPECT_EQ(items[3][1].value("collapsed", true), false) << "Space does nothing on a heading";

    // A property's value, its heading's none; the anchors' value box following the keys and the
    // clicks, and put back by Escape.
    ASSERT_EQ(printed.texts.size(), 5u);
    EXPECT_FALSE(printed.texts[0].empty());
    EXPECT_EQ(std::vector(printed.texts.begin() + 1, printed.texts.end()),
              (std::vector<std::string>{"", "top,right", "right,bottom", "top,right"}));
    EXPECT_EQ(printed.flags, (std::vector<J>{true, false})) << "F4 opens the anchor editor, Enter closes it";
    EXPECT_NE(std::find(dumps[4].begin(), dumps[4].end(), "Anchor: top,right"), dumps[4].end())
        << "the value the two share";
    EXPECT_EQ(dumps[5], (std::vector<std::string>{"TolvaneButton1", "TolvaneButton2"}));
    EXPECT_EQ(dumps[6], (std::vector<std::string>{"(None)", "TolvaneButton1", "TolvaneButton2"}));

    const auto saved = J::parse(test::ReadFile(path));
    ASSERT_EQ(saved["controls"].size(), 2u);
    for (const auto& c : saved["controls"]) {
        EXPECT_EQ(c["properties"]["Caption"], "Same") << c.dump();
        EXPECT_EQ(c.value("anchor", ""), "top,right") << c.dump();
    }
    EXPECT_EQ(saved["controls"][0]["name"], "TolvaneButton1");
    EXPECT_EQ(saved["controls"][0].value("tabIndex", 0), 1) << saved.dump();
    EXPECT_EQ(saved["controls"][1].value("tabIndex", 0), 0);
    EXPECT_EQ(saved.value("defaultButton", ""), "TolvaneButton2");
    EXPECT_EQ(saved.value("cancelButton", ""), "TolvaneButton1");
}

// The designer at scale 1 and 2 with a label and a selected button, its ButtonStyle drop-down
// open; the toolbox shows every tool's own picture.
TEST_F(DesignerWindow, GoldenPicturesWithTheDropDownOpen) {
    Shown w;
    w.Click(870, w.f.FindSurface("tbxTolvaneLabel")->Top() + 170);
    w.Drag(250, 1300, 2150, 1540);
    w.Click(870, 232);
    w.Drag(250, 250, 1690, 730);
    w.OpenEditor("ButtonStyle");
    ASSERT_TRUE(w.f.FindAuthored("lstValues")->Visible());
    for (double scale : {1.0, 2.0})
        EXPECT_TRUE(test::CompareGolden(FormRenderer(w.rt, w.f, scale).RepaintAll(),
                                        std::string("designer_browser_scale") + (scale == 1 ? "1" : "2")));
}

// The browser at scale 1 with the anchor editor open on a button anchored left and top.
TEST_F(DesignerWindow, GoldenPictureWithTheAnchorEditorOpen) {
    Shown w;
    w.Click(870, 232);
    w.Drag(250, 250, 1690, 730);
    w.OpenEditor("Anchor");
    w.rt.KeyDown(KeyCode::Down, 0);  // the bottom bar current
    ASSERT_TRUE(w.f.FindAuthored("picAnchor")->Visible());
    EXPECT_TRUE(test::CompareGolden(FormRenderer(w.rt, w.f, 1).RepaintAll(), "designer_browser_anchor_scale1"));
}

}  // namespace
