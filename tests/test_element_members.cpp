// SPDX-License-Identifier: MIT
// Every member of every element kind under one name: set by a script, saved in a form file,
// loaded by the next run, then dumped and read back, the value the same under the same name.
// Older spellings keep working in files and scripts.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app/script.h"
#include "core/element_members.h"
#include "core/surface_members.h"
#include "host/media.h"
#include "host/runtime.h"
#include "tests/test_support.h"

using namespace stolvane;
using nlohmann::json;
namespace fs = std::filesystem;

namespace {

struct ElementMembers : test::PictureFolderTest {
    // The answers of a script that must run through: events and notifications left out.
    std::vector<json> Run(const std::string& script, std::optional<std::string> form = std::nullopt) {
        int status = -1;
        std::vector<json> lines;
        for (json& j : test::ScriptLines(script, form, false, &status))
            if (!j.contains("event")) lines.push_back(std::move(j));
        EXPECT_EQ(status, 0);
        return lines;
    }
    // A value other than the member's default, as a script gives it.
    json NonDefault(const MemberInfo& m) const {
        switch (m.type) {
            case MemberType::Boolean: return AsInteger(m.defaultValue) == 0;
            case MemberType::Int16:
            case MemberType::Int32: {
                int64_t v = m.overflow ? 2 : m.lo + 1;
                return v == AsInteger(m.defaultValue) ? m.lo : v;
            }
            case MemberType::Colour: return 0x00123456;
            case MemberType::Twips: return 345;
            case MemberType::Size: return 1230;
            // An anchor is a list of edges; any other string member takes any text.
            case MemberType::String: return m.name == "Anchor" ? json("right,bottom") : json("Hello \"there\"");
            case MemberType::Font: return json{{"Name", "Arial"}, {"Size", 12}, {"Bold", true}};
            case MemberType::Picture: return (dir / "pic.png").string();
            case MemberType::Items: return json::parse(R"(["one", {"text": "two", "data": 7, "checked": true}])");
        }
        return nullptr;
    }
    // Pictures come back as new handles: compare their size.
    static json Comparable(const MemberInfo& m, json v) {
        if (m.type == MemberType::Picture) v.erase("handle");
        return v;
    }
};

TEST_F(ElementMembers, EveryStoredMemberRoundTripsThroughScriptsFilesAndDumps) {
    std::string file = (dir / "all.json").string();
    std::string first, second;
    struct Case {
        const ElementMember* member;
        std::string element;
    };
    std::vector<Case> cases;
    for (const ElementKindInfo& kind : ElementKinds()) {
        if (!kind.inFormFiles) continue;
        for (const ElementMember& m : kind.members) {
            if (!m.stored || m.readOnly) continue;
            // One element per member, so that no member disturbs another (a picture sizes an image).
            std::string name = "el" + std::to_string(cases.size());
            cases.push_back({&m, name});
            first += test::Cmd({{"cmd", "place"}, {"class", kind.className}, {"name", name}, {"width", 600}, {"height", 300}});
            first += test::Cmd({{"cmd", "set"}, {"target", name}, {"property", m.name}, {"value", NonDefault(m)}});
            first += test::Cmd({{"cmd", "get"}, {"target", name}, {"property", m.name}});
            second += test::Cmd({{"cmd", "dump"}, {"target", name}});
            second += test::Cmd({{"cmd", "get"}, {"target", name}, {"property", m.name}});
        }
    }
    first += test::Cmd({{"cmd", "save"}, {"path", file}});
    auto before = Run(first);
    auto after = Run(second, file);
    ASSERT_EQ(before.size(), cases.size()) << before.back();
    ASSERT_EQ(after.size(), 2 * cases.size()) << after.back();
    std::ifstream in(file);
    json saved = json::parse(in);
    for (size_t i = 0; i < cases.size(); ++i) {
        const ElementMember& m = *cases[i].member;
        std::string what = cases[i].element + "." + m.name;
        json value = Comparable(m, before[i]["value"]);
        EXPECT_NE(value, nullptr) << what;
        const json& dump = after[2 * i]["dump"];
        ASSERT_TRUE(dump.contains(m.Key())) << what << " missing from " << dump;
        EXPECT_EQ(Comparable(m, dump[m.Key()]), value) << what;
        EXPECT_EQ(Comparable(m, after[2 * i + 1]["value"]), value) << what;
        // The file holds it under the same key.
        auto entry = std::find_if(saved["controls"].begin(), saved["controls"].end(),
                                  [&](const json& c) { return c["name"] == cases[i].element; });
        ASSERT_NE(entry, saved["controls"].end()) << what;
        EXPECT_TRUE(entry->contains(m.Key())) << what << " not saved: " << *entry;
    }
}

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

// The form's own members the same way: a stored one comes back from the file under its key, and
// every one reads back through scripts and dumps under its name.
TEST_F(ElementMembers, EveryFormMemberRoundTripsThroughScriptsFilesAndDumps) {
    std::string file = (dir / "form.json").string();
    Runtime probe;
    Form& shape = probe.NewForm("frmProbe");
    std::string first, second;
    std::vector<const SurfaceMember*> cases;
    for (const SurfaceMember& m : SurfaceMembers()) {
        if (!m.AppliesTo(shape) || !m.set || m.shownByRuntime) continue;
        cases.push_back(&m);
        json value = NonDefault(m);
        first += test::Cmd({{"cmd", "set"}, {"target", ""}, {"property", m.name}, {"value", value}});
        first += test::Cmd({{"cmd", "get"}, {"target", ""}, {"property", m.name}});
        second += test::Cmd({{"cmd", "get"}, {"target", ""}, {"property", m.name}});
    }
    first += test::Cmd({{"cmd", "save"}, {"path", file}});
    second += test::Cmd({{"cmd", "dump"}, {"target", ""}});
    auto before = Run(first);
    auto after = Run(second, file);
    ASSERT_EQ(before.size(), cases.size()) << before.back();
    ASSERT_EQ(after.size(), cases.size() + 1) << after.back();
    std::ifstream in(file);
    json saved = json::parse(in);
    const json& dump = after.back()["dump"];
    for (size_t i = 0; i < cases.size(); ++i) {
        const SurfaceMember& m = *cases[i];
        json value = Comparable(m, before[i]["value"]);
        EXPECT_NE(value, nullptr) << m.name;
        json shown = m.dump == SurfaceMember::DumpKey ? dump[m.Key()] : dump["properties"][m.name];
        if (!m.stored) continue;  // the next run starts from the default
        EXPECT_TRUE(saved.contains(m.Key())) << m.name << " not saved: " << saved;
        EXPECT_EQ(Comparable(m, after[i]["value"]), value) << m.name;
        EXPECT_EQ(Comparable(m, shown), value) << m.name << " in " << dump;
    }
    // Names a form does not have, and one it has but cannot be set, are no members to set.
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
                       test::Cmd({{"cmd", "set"}, {"target", "lbl"}, {"property", "BACKCOLOR"}, {"value", 16711680}}) +
                       test::Cmd({{"cmd", "get"}, {"target", "lbl"}, {"property", "BackColour"}}) +
                       test::Cmd({{"cmd", "dump"}, {"target", "lin"}}) + test::Cmd({{"cmd", "dump"}, {"target", "lbl"}}),
                   file);
    ASSERT_EQ(out.size(), 5u) << out.back();
    EXPECT_EQ(out[0]["value"], 255);
    EXPECT_EQ(out[1]["value"], 65280);
    EXPECT_EQ(out[2]["value"], 16711680);
    const json& line = out[3]["dump"];
    EXPECT_EQ(line["colour"], 255);
    EXPECT_EQ(line["borderWidth"], 3);
    EXPECT_EQ(line["width"], 3) << "the old dump name stays";
    const json& label = out[4]["dump"];
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
