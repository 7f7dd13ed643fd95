// SPDX-License-Identifier: MIT
// Every property of every library class, walked from its class table: a newly placed control
// shows the declared default; a script's set notifies once under the saved key and changes the
// value; the form file holds it under that key; the next run reads it back and dumps it; and a
// control left at its defaults writes only the keys whose first-time default differs from the
// store's. The typed C++ setters reach the same declarations.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "app/dump.h"
#include "app/script.h"
#include "controls/panel/tolvanepanel.h"
#include "core/library.h"
#include "host/media.h"
#include "host/runtime.h"
#include "tests/test_support.h"

using namespace stolvane;
using nlohmann::json;
namespace fs = std::filesystem;

namespace {

// Every output line of a script on an optional form file, "changed" notifications included.
std::vector<json> Lines(const std::string& script, const std::optional<std::string>& form = std::nullopt) {
    int status = -1;
    auto lines = test::ScriptLines(script, form, true, &status);
    EXPECT_EQ(status, 0);
    return lines;
}

using test::Cmd;

struct PropertyTables : test::PictureFolderTest {
    // A value other than the default, as a script gives it.
    json NonDefault(const PropertyInfo& p, const Value& def) const {
        if (p.enumeration)
            for (auto& e : p.enumeration->values)
                if (e.value != AsInteger(def)) return e.value;
        switch (p.type) {
            case PropType::Boolean: return AsInteger(def) == 0;
            case PropType::Int16:
            case PropType::Int32: return AsInteger(def) + 1;
            case PropType::Colour: return 0x00123456;
            case PropType::Single: return AsNumber(def) + 0.5;
            case PropType::String: return "Hello \"there\"";
            case PropType::Font: return json{{"Name", "Arial"}, {"Size", 12}, {"Bold", true}};
            case PropType::Picture: return (dir / "pic.png").string();
        }
        return nullptr;
    }
    // Pictures come back as new handles: compare their size.
    static json Comparable(json v) {
        if (v.is_object()) v.erase("handle");
        return v;
    }
};

struct Case {
    const ClassInfo* cls;
    const PropertyInfo* property;
    std::string control;
    json expectedDefault;
};

TEST_F(PropertyTables, EveryPropertyRoundTripsThroughScriptsAndFormFiles) {
    // Specimens under the scripts' names give each declared default as the script should see it.
    Runtime rt;
    Form& specimens = rt.NewForm("Specimens", 12000, 9000);
    std::vector<Case> cases;
    std::vector<std::pair<const ClassInfo*, std::string>> untouched;
    std::string first, second;
    auto place = [&](const ClassInfo& c, const std::string& name) {
        first += Cmd({{"cmd", "place"}, {"class", c.name}, {"name", name}, {"width", c.designWidth},
                      {"height", c.designHeight}});
        return &rt.PlaceControl(specimens, c.name, name, -1, {0, 0, c.designWidth, c.designHeight}, nullptr)
                    .GetControl();
    };
    for (const ClassInfo& c : Library::Instance().Classes()) {
        if (c.summary.empty()) continue;  // test classes registered by other tests
        const std::string rest = "rest" + std::to_string(untouched.size());
        place(c, rest);
        untouched.emplace_back(&c, rest);
        for (const PropertyInfo& p : c.properties()) {
            if (!p.isPublic || !p.persisted) continue;
            // One control per property, so that no property disturbs another.
            const std::string name = "c" + std::to_string(cases.size());
            Control* specimen = place(c, name);
            const Value def = p.firstTime ? p.firstTime(*specimen) : p.storeDefault(*specimen);
            cases.push_back({&c, &p, name, ValueJson(def, p.type)});
            first += Cmd({{"cmd", "get"}, {"target", name}, {"property", p.name}});
            first += Cmd({{"cmd", "set"}, {"target", name}, {"property", p.name},
                          {"value", NonDefault(p, p.storeDefault(*specimen))}});
            first += Cmd({{"cmd", "get"}, {"target", name}, {"property", p.name}});
            second += Cmd({{"cmd", "get"}, {"target", name}, {"property", p.name}});
            second += Cmd({{"cmd", "dump"}, {"target", name}});
        }
    }
    ASSERT_GT(cases.size(), 60u) << "every library class is registered";
    const std::string file = (dir / "all.json").string();
    first += Cmd({{"cmd", "save"}, {"path", file}});
    // Only what the commands answer, and the notifications.
    std::vector<json> before, after;
    for (const json& j : Lines(first))
        if (j.contains("value") || j.contains("changed") || j.contains("error")) before.push_back(j);
    for (const json& j : Lines(second, file))
        if (j.contains("value") || j.contains("dump") || j.contains("error")) after.push_back(j);
    ASSERT_EQ(after.size(), 2 * cases.size()) << after.back();
    std::ifstream in(file);
    const json saved = json::parse(in);
    auto savedControl = [&](const std::string& name) {
        for (const json& c : saved["controls"])
            if (c["name"] == name) return c;
        ADD_FAILURE() << name << " not saved";
        return json::object();
    };

    size_t line = 0;
    auto next = [&] {
        EXPECT_LT(line, before.size());
        return line < before.size() ? before[line++] : json();
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& k = cases[i];
        const std::string what = k.cls->name + "." + k.property->name;
        // Lines for this control start at its get; "changed" lines follow the set.
        while (line < before.size() && before[line].contains("changed")) ++line;
        EXPECT_EQ(Comparable(next()["value"]), Comparable(k.expectedDefault)) << what << ": default";
        std::vector<std::string> changed;
        while (line < before.size() && before[line].contains("changed")) {
            if (before[line]["control"] == k.control) changed.push_back(before[line]["changed"]);
            ++line;
        }
        EXPECT_EQ(changed, std::vector<std::string>{k.property->name}) << what << ": one notification by its key";
        const json value = Comparable(next()["value"]);
        EXPECT_NE(value, Comparable(k.expectedDefault)) << what << ": the set changed it";
        const json stored = savedControl(k.control)["properties"];
        EXPECT_TRUE(stored.contains(k.property->name)) << what << " not saved under its key: " << stored;
        EXPECT_EQ(Comparable(after[2 * i]["value"]), value) << what << ": read back";
        EXPECT_EQ(Comparable(after[2 * i + 1]["dump"]["properties"][k.property->name]), value) << what << ": dumped";
    }
    // Left at their defaults, controls write only what a new instance sets apart from the store
    // default (its own name as the caption).
    for (auto& [cls, name] : untouched) {
        std::set<std::string> expected, written;
        for (const PropertyInfo& p : cls->properties())
            if (p.persisted && p.firstTime) expected.insert(p.name);
        const json stored = savedControl(name)["properties"];
        for (auto& [key, v] : stored.items()) written.insert(key);
        EXPECT_EQ(written, expected) << cls->name;
    }
}

// The typed setters and the table are one: each setter notifies by the declared key, and the
// store's order is the declared one (the panel keeps its grip settings ahead of the gradient).
TEST_F(PropertyTables, TypedSettersNotifyByTheDeclaredKeyAndTheStoreKeepsItsOrder) {
    Runtime rt;
    test::Recorder log;
    rt.SetObserver(&log);
    Form& f = rt.NewForm("f", 6000, 4000);
    auto& panel = static_cast<TolvanePanel&>(rt.PlaceControl(f, "TolvanePanel", "pnl", -1, {0, 0, 3000, 2000}, nullptr)
                                                 .GetControl());
    log.lines.clear();
    panel.SetGrad_Bot(RGB(1, 2, 3));
    panel.SetTileRaw(5);
    panel.SetBorder(900);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"changed pnl Grad_Bot", "changed pnl Tile", "changed pnl Border"}));
    EXPECT_EQ(panel.Border(), 360) << "the declared refresh clamps";
    EXPECT_EQ(panel.Tile(), True) << "stored as given, read back as a Boolean";
    EXPECT_EQ(AsInteger(panel.GetProperty("Tile")), True.Raw());
    EXPECT_THROW(panel.SetFont(nullptr), HostError) << "a missing font is refused before anything is stored";
    EXPECT_TRUE(panel.Font());

    std::vector<std::string> order;
    for (const PropertyInfo* p : SavedOrder(TolvanePanel::PropertyTable())) order.push_back(p->name);
    EXPECT_EQ(order, (std::vector<std::string>{"AlignH", "AlignV", "AutoSize", "Background", "BevelInner",
                                               "BevelOuter", "Bind_Parent", "Border", "Caption", "Enabled", "Font",
                                               "Font_Colour", "Grip", "GripSize", "Gradient", "Grad_Bot", "Grad_Top",
                                               "MouseReaction", "Percentage", "Tile"}));
}

}  // namespace
