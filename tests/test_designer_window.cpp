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

// Where the browser's parts lie (docs/designer.md): the drop-down button, and the centre of
// entry `i` of the open drop-down.
constexpr double kDropX = 11670, kDropY = 5677;
double EntryY(int i) { return 5835 + 30 + i * 240 + 120; }

// Reads the items a list of the designer shows from a dump.
std::vector<std::string> Items(const J& dump) {
    std::vector<std::string> out;
    for (const auto& item : dump.value("items", J::array())) out.push_back(item.is_string() ? item.get<std::string>() : item.value("text", ""));
    return out;
}

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

    std::vector<std::vector<std::string>> dumps;
    std::vector<J> values;
    std::vector<std::string> boxes;
    for (const auto& l : lines) {
        EXPECT_FALSE(l.contains("error")) << l.dump();
        if (l.contains("dump")) dumps.push_back(Items(l["dump"]));
        else if (l.contains("value")) values.push_back(l["value"]);
        if (l.contains("msgbox")) boxes.push_back(l["msgbox"]["text"].get<std::string>());
    }
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
    click(870, 60 + 16 * 360 + 180 + 172);  // Save
    const auto lines = Design(s, path);

    std::vector<std::vector<std::string>> dumps;
    std::vector<std::string> values;
    for (const auto& l : lines) {
        EXPECT_FALSE(l.contains("error") || l.contains("msgbox")) << l.dump();
        if (l.contains("dump")) dumps.push_back(Items(l["dump"]));
        else if (l.contains("value")) values.push_back(l["value"].get<std::string>());
    }
    ASSERT_EQ(dumps.size(), 3u);
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
}

}  // namespace
