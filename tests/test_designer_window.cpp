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

std::string ReadAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

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
        ReadAll(std::filesystem::path(STOLVANE_SOURCE_DIR) / "tests" / "designer" / "button_ok.json");
    EXPECT_EQ(ReadAll(path), reference);

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
    EXPECT_NE(ReadAll(path).find("\"left\": 360"), std::string::npos) << ReadAll(path);
}

}  // namespace
