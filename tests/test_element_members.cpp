// SPDX-License-Identifier: MIT
// The members of the element kinds and the form: declared defaults are what a new element
// holds, older spellings keep working in files and scripts, list rows through scripts.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app/script.h"
#include "core/element_members.h"
#include "host/runtime.h"
#include "tests/test_support.h"

using namespace stolvane;
using nlohmann::json;

namespace {

struct ElementMembers : test::FolderTest {
    // The answers of a script that must run through: events and notifications left out.
    std::vector<json> Run(const std::string& script, std::optional<std::string> form = std::nullopt) {
        int status = -1;
        std::vector<json> lines;
        for (json& j : test::ScriptLines(script, form, false, &status))
            if (!j.contains("event")) lines.push_back(std::move(j));
        EXPECT_EQ(status, 0);
        return lines;
    }
};

// A member's declared default is what a newly placed element holds: a form file leaves out a
// member at its default, so a wrong one would load the element with a value it was not saved with.
TEST_F(ElementMembers, EveryDeclaredDefaultIsWhatANewElementHolds) {
    Runtime rt;
    Form& form = rt.NewForm("frmDefaults", 3000, 3000);
    int n = 0;
    for (const ElementKindInfo& kind : ElementKinds()) {
        if (!kind.inFormFiles) continue;
        Element& e = rt.PlaceElement(form, kind.kind, "el" + std::to_string(n++), -1);
        for (const ElementMember& m : kind.members) {
            if (!m.stored || m.alwaysWritten || !m.get) continue;
            const std::string what = kind.className + "." + m.name;
            switch (m.type) {
                case MemberType::Boolean:
                case MemberType::Int16:
                case MemberType::Int32:
                case MemberType::Colour: EXPECT_EQ(AsInteger(m.get(e)), AsInteger(m.defaultValue)) << what; break;
                case MemberType::String: EXPECT_EQ(AsString(m.get(e)), AsString(m.defaultValue)) << what; break;
                default: break;  // fonts, pictures and rows have defaults of their own kind
            }
        }
    }
    EXPECT_GT(n, 5);
}

// Names a form does not have, and one it has but cannot be set, are no members to set; a
// member's name is read without regard to case.
TEST_F(ElementMembers, TheFormRefusesMembersItLacksAndReadsNamesInAnyCase) {
    auto out = Run(test::Cmd({{"cmd", "get"}, {"target", ""}, {"property", "TabIndex"}}) +
                   test::Cmd({{"cmd", "set"}, {"target", ""}, {"property", "Name"}, {"value", "frmOther"}}) +
                   test::Cmd({{"cmd", "set"}, {"target", ""}, {"property", "BACKCOLOR"}, {"value", 255}}) +
                   test::Cmd({{"cmd", "get"}, {"target", ""}, {"property", "backcolour"}}));
    ASSERT_EQ(out.size(), 3u) << out.back();
    EXPECT_EQ(out[0]["error"]["number"], 438);
    EXPECT_EQ(out[1]["error"]["number"], 438);
    EXPECT_EQ(out[2]["value"], 255);
}

TEST_F(ElementMembers, OlderSpellingsAreStillAcceptedAndRenamedDumpMembersStillWritten) {
    std::string file = (dir / "old.json").string();
    std::ofstream(file) << R"({"name": "frmOld", "controls": [
        {"name": "lin", "class": "Line", "x2": 600, "borderColour": "0x000000FF", "borderWidth": 3},
        {"name": "lbl", "class": "Label", "left": 0, "top": 0, "width": 600, "height": 200, "colour": 255}]})";
    auto out = Run(test::Cmd({{"cmd", "get"}, {"target", "lin"}, {"property", "BorderColor"}}) +
                       test::Cmd({{"cmd", "set"}, {"target", "lbl"}, {"property", "ForeColor"}, {"value", 65280}}) +
                       test::Cmd({{"cmd", "get"}, {"target", "lbl"}, {"property", "colour"}}) +
                       test::Cmd({{"cmd", "dump"}, {"target", "lin"}}) + test::Cmd({{"cmd", "dump"}, {"target", "lbl"}}),
                   file);
    ASSERT_EQ(out.size(), 4u) << out.back();
    EXPECT_EQ(out[0]["value"], 255);
    EXPECT_EQ(out[1]["value"], 65280);
    const json& line = out[2]["dump"];
    EXPECT_EQ(line["colour"], 255);
    EXPECT_EQ(line["borderWidth"], 3);
    EXPECT_EQ(line["width"], 3) << "the old dump name stays";
    const json& label = out[3]["dump"];
    EXPECT_EQ(label["foreColour"], 65280);
    EXPECT_EQ(label["colour"], 65280) << "the old dump name stays";

    // One member given twice under two spellings is refused, naming both.
    std::ofstream(file) << R"({"name": "f", "controls": [
        {"name": "l", "class": "Label", "foreColour": 1, "colour": 2}]})";
    std::istringstream in("");
    std::ostringstream o, err;
    EXPECT_EQ(RunScript(in, o, err, file), 2);
    EXPECT_NE(err.str().find("control \"l\": keys \"foreColour\" and \"colour\" give the same member"),
              std::string::npos)
        << err.str();
}

TEST_F(ElementMembers, ListBoxRowsCountAndSelectionInScripts) {
    auto out = Run(test::Cmd({{"cmd", "place"}, {"class", "listbox"}, {"name", "lst"}}) +
                   test::Cmd({{"cmd", "set"}, {"target", "lst"}, {"property", "Items"}, {"value", {"a", "b", "c"}}}) +
                   test::Cmd({{"cmd", "set"}, {"target", "lst"}, {"property", "ListIndex"}, {"value", 2}}) +
                   test::Cmd({{"cmd", "get"}, {"target", "lst"}, {"property", "ListCount"}}) +
                   test::Cmd({{"cmd", "set"}, {"target", "lst"}, {"property", "ListCount"}, {"value", 1}}) +
                   test::Cmd({{"cmd", "set"}, {"target", "lst"}, {"property", "ListIndex"}, {"value", 3}}) +
                   test::Cmd({{"cmd", "set"}, {"target", "lst"}, {"property", "Items"}, {"value", {{{"txt", "x"}}}}}) +
                   test::Cmd({{"cmd", "dump"}, {"target", "lst"}}));
    ASSERT_EQ(out.size(), 5u);
    EXPECT_EQ(out[0]["value"], 3);
    EXPECT_EQ(out[1]["error"]["number"], 383) << "ListCount is read only";
    EXPECT_EQ(out[2]["error"]["number"], 380) << "no fourth row";
    EXPECT_EQ(out[3]["error"]["number"], 380) << "an unknown row member";
    EXPECT_EQ(out[4]["dump"]["listIndex"], 2);
    EXPECT_EQ(out[4]["dump"]["items"].size(), 3u);
}

}  // namespace
