// SPDX-License-Identifier: MIT
// The scripted driver run in-process: commands in, JSON lines out, in the order things happen.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/library.h"
#include "tests/test_support.h"

using namespace stolvane;
using nlohmann::json;

namespace {

// A control whose notifications all show up in a script's output: it takes the capture while a
// button is held, raises the classic mouse events, a Boolean ValueChange on the space key, an
// event for clicks on its "hot" label element and a popup menu on a double-click. Its design
// embeds a TolvaneLabel, lblCaption.
class ScriptProbe : public Control {
public:
    explicit ScriptProbe(Surface& s) : Control(s) {
        Label* hot = &s.Add<Label>("lblHot");
        hot->Move(0, 0, 600, 300);
        hot->onMouseDown = [this](MouseArgs& a) { Raise(HotDown, a.button, a.shift, a.x, a.y); };
        hot->onClick = [this] { Raise(HotClick); };
        s.AddControl("TolvaneLabel", "lblCaption", {0, 600, 900, 210});
        menu = &s.Add<MenuItem>("mnuRoot");
        for (const char* caption : {"&Restore", "&Close"}) {
            MenuItem& item = s.Add<MenuItem>("mnuItem", static_cast<int>(menu->Items().size()));
            item.SetCaption(caption);
            item.onClick = [this, c = std::string(caption)]() mutable { Raise(Picked, c); };
            menu->Items().push_back(&item);
        }
    }
    const char* ClassName() const override { return "ScriptProbe"; }
    void OnMouseDown(MouseArgs& a) override {
        GetHost().SetCapture(GetSurface());
        Raise(MouseDownEvent, a.button, a.shift, a.x, a.y);
    }
    void OnMouseMove(MouseArgs& a) override { Raise(MouseMoveEvent, a.button, a.shift, a.x, a.y); }
    void OnMouseUp(MouseArgs& a) override {
        GetHost().ReleaseCapture();
        Raise(MouseUpEvent, a.button, a.shift, a.x, a.y);
    }
    void OnClick() override {
        Raise(ClickEvent);
        if (m_Link.empty()) return;
        try {
            GetHost().Navigate(m_Link);
        } catch (const HostError&) {
            GetHost().MsgBox("Cannot open " + m_Link);
        }
    }
    void OnOLEDragDrop(DragData& d, int32_t& effect, MouseArgs&) override { Raise(OLEDragDrop, d, effect); }
    void OnDblClick() override { GetSurface().PopupMenu(*menu, menu->Items().back()); }
    void OnKeyPress(int16_t& k) override {
        if (k != 32) return;
        m_Value = !m_Value;
        PropertyChanged("Value");
        Raise(ValueChange, m_Value);
    }
    const std::vector<PropertyInfo>& Properties() const override { return PropertyTable(); }
    static const std::vector<PropertyInfo>& PropertyTable() {
        using P = ScriptProbe;
        static const std::vector<PropertyInfo> props = {
            FieldProperty("Value", PropType::Boolean, &P::m_Value, Default(int64_t{0}), nullptr),
            FieldProperty("Link", PropType::String, &P::m_Link, Default(std::string()), nullptr),
        };
        return props;
    }
    static ClassInfo Class() { return DescribeClass<ScriptProbe>("ScriptProbe", 1200, 900); }

    Event<> ClickEvent{"Click"};
    Event<DragData, int32_t> OLEDragDrop{"OLEDragDrop", {"Data", "Effect"}};
    Event<> HotClick{"HotClick"};
    Event<Boolean> ValueChange{"ValueChange", {"bValue"}};
    Event<std::string> Picked{"Picked", {"Caption"}};
    MouseEvent MouseDownEvent{"MouseDown", kMouseArgNames};
    MouseEvent MouseMoveEvent{"MouseMove", kMouseArgNames};
    MouseEvent MouseUpEvent{"MouseUp", kMouseArgNames};
    MouseEvent HotDown{"HotDown", kMouseArgNames};

    std::string m_Link;
    Boolean m_Value = False;
    MenuItem* menu = nullptr;
};

struct Script : ::testing::Test {
    int status = -1;

    void SetUp() override {
        Runtime warmUp;  // registers the library before the test classes go in
        Library::Instance().AddClass(ScriptProbe::Class());
        test::RegisterProbe();
    }

    std::vector<json> Run(const std::string& script, bool withChanges = true) {
        return test::ScriptLines(script, std::nullopt, withChanges, &status);
    }
};

const char* kProbe =
    R"({"cmd":"place","class":"ScriptProbe","name":"P1","left":1200,"top":1200,"width":1200,"height":900}
{"cmd":"show"}
)";

TEST_F(Script, MouseIsHitTestedHonoursTheCaptureAndClicksOnlyWhereItWentDown) {
    auto out = Run(std::string(kProbe) +
                   R"({"cmd":"mouse","action":"down","x":2100,"y":1650}
{"cmd":"mouse","action":"move","x":100,"y":100,"button":1}
{"cmd":"mouse","action":"up","x":100,"y":100}
{"cmd":"mouse","action":"click","x":1300,"y":1250}
{"cmd":"mouse","action":"click","target":"P1.lblHot","x":30,"y":45,"button":2,"shift":1}
)",
                   false);
    ASSERT_GE(out.size(), 8u);
    EXPECT_EQ(out[0], json::parse(R"({"form":"Form1","shown":true})"));
    EXPECT_EQ(out[1], json::parse(R"({"focus":"P1"})")) << "the form opens with its first tab stop focused";
    out.erase(out.begin() + 1);
    EXPECT_EQ(out[1], json::parse(R"({"capture":"P1"})"));
    EXPECT_EQ(out[2], json::parse(R"({"event":"MouseDown","control":"P1","args":{"Button":1,"Shift":0,"X":900,"Y":450}})"));
    // Outside the control, but it holds the capture: coordinates stay relative to it.
    EXPECT_EQ(out[3], json::parse(R"({"event":"MouseMove","control":"P1","args":{"Button":1,"Shift":0,"X":-1100,"Y":-1100}})"));
    EXPECT_EQ(out[4], json::parse(R"({"capture":null})"));
    EXPECT_EQ(out[5]["event"], "MouseUp");
    EXPECT_TRUE(test::EventsNamed(out, "Click").empty()) << "released outside: no click";
    auto hot = test::EventsNamed(out, "HotDown");
    ASSERT_EQ(hot.size(), 2u);
    EXPECT_EQ(hot[0]["args"], json::parse(R"({"Button":1,"Shift":0,"X":100,"Y":50})"));
    EXPECT_EQ(hot[1]["args"], json::parse(R"({"Button":2,"Shift":1,"X":30,"Y":45})"));
    EXPECT_EQ(test::EventsNamed(out, "HotClick").size(), 2u);
}

TEST_F(Script, PropertiesConvertByTypeAndDumpsShowEveryPersistedProperty) {
    auto out = Run(
        R"js({"cmd":"place","class":"ProbeControl","name":"Q"}
{"cmd":"set","target":"Q","property":"Caption","value":"Hello"}
{"cmd":"set","target":"Q","property":"Flag","value":-1}
{"cmd":"get","target":"Q","property":"Flag"}
{"cmd":"set","target":"Q","property":"Flag","value":false}
{"cmd":"get","target":"Q","property":"Flag"}
{"cmd":"set","target":"Q","property":"Small","value":40000}
{"cmd":"set","target":"Q","property":"Ratio","value":0.1}
{"cmd":"set","target":"Q","property":"Font","value":{"Bold":true,"Size":12}}
{"cmd":"set","target":"Q","property":"Width","value":2400}
{"cmd":"dump","target":"Q"}
{"cmd":"dump","target":"Q.lblText"}
{"cmd":"place","class":"TolvaneButton","name":"cmdArray(2)","left":0,"top":0}
{"cmd":"dump","target":"cmdArray(2)"}
)js");
    EXPECT_EQ(out[0], json::parse(R"({"changed":"Caption","control":"Q"})"));
    EXPECT_EQ(test::Said(out, "value"), (std::vector<json>{true, false}));
    EXPECT_EQ(test::ErrorNumbers(out), std::vector<int>{6}) << "40000 does not fit a 16-bit property";

    auto dumps = test::Said(out, "dump");
    ASSERT_EQ(dumps.size(), 3u);
    const json& d = dumps[0];
    EXPECT_EQ(d["width"], 2400);
    const json& p = d["properties"];
    for (const char* key : {"Caption", "Flag", "Small", "Large", "Colour", "Ratio", "Font", "Picture", "AccessKey"})
        EXPECT_TRUE(p.contains(key)) << key << " missing, defaults included";
    EXPECT_EQ(p["Caption"], "Hello");
    EXPECT_EQ(p["Small"], 0) << "the failed set left the value alone";
    EXPECT_EQ(p["Ratio"], 0.1);
    EXPECT_EQ(p["Colour"], 0) << "the value, not the store default";
    EXPECT_EQ(p["Font"]["Bold"], true);
    EXPECT_EQ(p["Font"]["Weight"], 700);
    EXPECT_EQ(p["Font"]["Size"], 12);
    EXPECT_EQ(p["Font"]["Name"], "MS Sans Serif") << "members not given keep the current font's";
    EXPECT_EQ(p["Picture"]["handle"], 0);
    ASSERT_EQ(d["elements"].size(), 2u);
    EXPECT_EQ(d["elements"][1], json::parse(R"({"name":"tmr","kind":"timer","visible":true,"interval":0,"enabled":false})"));
    const json& label = dumps[1];
    EXPECT_EQ(label["kind"], "label");
    EXPECT_EQ(label["colour"], 0x80000012u) << "system colours stay system colours";
    EXPECT_EQ(label["width"], 600);
    const json& member = dumps[2];
    EXPECT_EQ(member["name"], "cmdArray(2)") << "a control-array member is placed";
    EXPECT_TRUE(member["properties"].contains("MousePointer")) << "keys kept only for the form file are dumped too";
}

TEST_F(Script, EmbeddedDesignChildrenAreAddressedWithADotAndDumpedAsControls) {
    auto out = Run(std::string(kProbe) +
                   R"({"cmd":"get","target":"P1.lblCaption","property":"Top"}
{"cmd":"dump"}
)");
    EXPECT_EQ(test::Said(out, "value"), std::vector<json>{600});
    json form = test::Said(out, "dump").at(0);
    EXPECT_EQ(form["class"], "Form");
    ASSERT_EQ(form["controls"].size(), 1u);
    const json& p1 = form["controls"][0];
    auto child = std::find_if(p1["elements"].begin(), p1["elements"].end(),
                              [](const json& e) { return e["name"] == "lblCaption"; });
    ASSERT_NE(child, p1["elements"].end());
    EXPECT_EQ((*child)["kind"], "control");
    EXPECT_EQ((*child)["class"], "TolvaneLabel");
    EXPECT_TRUE((*child).contains("properties"));
}

TEST_F(Script, AFailingCommandPrintsAnErrorAndTheRunGoesOn) {
    auto out = Run(std::string(kProbe) +
                   "{\"cmd\":\"frobnicate\"}\n"
                   "this is not json\n"
                   "\n"
                   R"({"cmd":"mouse","action":"click","x":"left"}
{"cmd":"get","target":"Nobody","property":"Caption"}
{"cmd":"get","target":"P1","property":"Colour"}
{"cmd":"set","target":"P1","property":"Width","value":-5}
{"cmd":"place","class":"NoSuchClass","name":"X1"}
{"cmd":"place","class":"label","name":"lbl.Caption"}
{"cmd":"place","class":"label","name":"two words"}
{"cmd":"call","target":"P1","method":"Frobnicate"}
{"cmd":"load","form":"/nonexistent/form.json"}
{"cmd":"get","target":"P1","property":"Width"}
)");
    EXPECT_EQ(status, 0) << "errors in commands do not fail the run";
    ASSERT_EQ(test::ErrorNumbers(out), (std::vector<int>{5, 5, 5, 424, 438, 380, 5, 5, 5, 438, 53}))
        << "names that could not be addressed";
    EXPECT_EQ(test::Said(out, "error")[9]["description"], "Object doesn't support this property or method: Frobnicate")
        << "the member asked for is named";
    EXPECT_EQ(out.back(), json::parse(R"({"value":1200})")) << "a failed load keeps the form";
}

TEST_F(Script, DropsBooleanArgumentsAndPopupMenusReachTheProbe) {
    auto out = Run(std::string(kProbe) + R"({"cmd":"drop","x":2100,"y":1650,"files":["a.png"],"text":"t"}
{"cmd":"drop","x":2100,"y":1650,"files":"a.png"}
{"cmd":"focus","target":"P1"}
{"cmd":"key","ascii":32}
{"cmd":"key","ascii":32}
{"cmd":"menu","choose":"&Close"}
{"cmd":"mouse","action":"dblclick","x":2100,"y":1650}
{"cmd":"mouse","action":"dblclick","x":2100,"y":1650}
{"cmd":"menu","choose":"&Nothing"}
{"cmd":"mouse","action":"dblclick","x":2100,"y":1650}
)",
                   false);
    auto drops = test::EventsNamed(out, "OLEDragDrop");
    ASSERT_EQ(drops.size(), 1u);
    EXPECT_EQ(drops[0]["args"], json::parse(R"({"Data":{"files":["a.png"],"text":"t"},"Effect":1})"));
    EXPECT_EQ(test::Said(out, "value")[0], 1);
    EXPECT_EQ(test::ErrorNumbers(out).size(), 2u) << "files must be a list; an answer naming no item is reported";
    EXPECT_EQ(test::Said(out, "focus").back(), "P1");
    auto changes = test::EventsNamed(out, "ValueChange");
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(std::pair(changes[0]["args"]["bValue"], changes[1]["args"]["bValue"]), std::pair(json(true), json(false)));
    ASSERT_EQ(test::Said(out, "menu").size(), 3u);
    // The first menu's line, whole: its items and its default together.
    EXPECT_EQ(*std::find_if(out.begin(), out.end(), [](const json& l) { return l.contains("menu"); }),
              json::parse(R"({"menu":["&Restore","&Close"],"default":"&Close"})"));
    auto picked = test::EventsNamed(out, "Picked");
    ASSERT_EQ(picked.size(), 1u) << "the second menu had no answer and was dismissed";
    EXPECT_EQ(picked[0]["args"]["Caption"], "&Close");
}

TEST_F(Script, PixelsFollowTheDesktopColours) {
    auto out = Run(
        R"({"cmd":"place","class":"picturebox","name":"picBox","left":300,"top":300,"width":600,"height":600}
{"cmd":"set","target":"picBox","property":"BackColour","value":255}
{"cmd":"pixel","x":600,"y":600}
{"cmd":"set","target":"picBox","property":"BackColour","value":2147483663}
{"cmd":"pixel","x":600,"y":600}
{"cmd":"desktop","section":"Colors","key":"ButtonFace","value":"0 0 128"}
{"cmd":"pixel","x":600,"y":600}
{"cmd":"desktop","section":"Colors","key":"ButtonFace","value":null}
{"cmd":"pixel","x":600,"y":600}
{"cmd":"desktop","section":"Colors","key":"ButtonFace","value":"not a colour"}
{"cmd":"pixel","x":600,"y":600}
{"cmd":"pixel","x":9600,"y":0}
)");
    // Red; the classic button face; the desktop's, at once; the classic one again, also for a
    // desktop colour that cannot be read.
    EXPECT_EQ(test::Said(out, "value"), (std::vector<json>{0x0000FF, 0xC0C0C0, 0x800000, 0xC0C0C0, 0xC0C0C0}));
    EXPECT_EQ(test::ErrorNumbers(out).size(), 1u) << "a point outside the client area";
}

TEST_F(Script, NavigationNeverStartsABrowserAndFailsWhenTheScriptSaysSo) {
    auto out = Run(std::string(kProbe) +
                   R"({"cmd":"set","target":"P1","property":"Link","value":"https://example.org/"}
{"cmd":"mouse","action":"click","target":"P1","x":900,"y":450}
{"cmd":"navigation","fail":true}
{"cmd":"mouse","action":"click","target":"P1","x":900,"y":450}
)");
    EXPECT_EQ(test::Said(out, "navigate"), (std::vector<json>{"https://example.org/", "https://example.org/"}));
    EXPECT_EQ(test::Said(out, "ok"), (std::vector<json>{true, false}));
    auto boxes = test::Said(out, "msgbox");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], json::parse(R"({"text":"Cannot open https://example.org/","title":"STolvane"})"));
}

// While a modal form is open the commands go to it (the about box here, which its OK hides):
// neither the click over P1 nor a call naming P1 reaches the form underneath.
TEST_F(Script, CommandsGoToTheModalFormUntilItCloses) {
    auto out = Run(std::string(kProbe) +
                   R"({"cmd":"call","target":"P1","method":"About"}
{"cmd":"dump"}
{"cmd":"mouse","action":"click","x":1300,"y":1300}
{"cmd":"call","target":"P1","method":"About"}
{"cmd":"mouse","action":"click","target":"bOK"}
{"cmd":"dump"}
{"cmd":"call","target":"P1","method":"About"}
)");
    EXPECT_EQ(status, 0);
    std::vector<std::string> seq;
    for (auto& l : out) {
        if (l.contains("form")) seq.push_back(l["form"].get<std::string>() + (l["shown"] ? " shown" : " hidden"));
        if (l.contains("dump")) seq.push_back("dump " + l["dump"]["name"].get<std::string>());
        if (l.contains("value")) seq.push_back("returned");
        if (l.value("event", "").ends_with("Click")) seq.push_back("click " + l["control"].get<std::string>());
    }
    std::vector<std::string> want{"Form1 shown", "frmAbout shown", "dump frmAbout", "click bOK", "frmAbout hidden",
                                  "returned", "dump Form1",
                                  // the input ends with the form open: it is closed for the run to end
                                  "frmAbout shown", "frmAbout hidden", "returned"};
    EXPECT_EQ(seq, want);
    EXPECT_EQ(test::ErrorNumbers(out), std::vector<int>{424});
}

}  // namespace

TEST_F(Script, TextBoxesTakeTextCompositionsNamedKeysAndTheRunsOwnClipboard) {
    auto lines = Run(R"({"cmd":"place","class":"textbox","name":"txtName","left":0,"top":0,"width":2400,"height":315}
{"cmd":"show"}
{"cmd":"focus","target":"txtName"}
{"cmd":"text","text":"h\u00e9llo world"}
{"cmd":"compose","text":"\u304b"}
{"cmd":"get","target":"txtName","property":"Text"}
{"cmd":"compose","text":""}
{"cmd":"key","key":"Left","shift":3}
{"cmd":"key","key":"C","shift":2}
{"cmd":"clipboard"}
{"cmd":"clipboard","text":"\ud83d\ude00"}
{"cmd":"key","key":"V","shift":2}
{"cmd":"get","target":"txtName","property":"Text"}
{"cmd":"get","target":"txtName","property":"SelStart"}
{"cmd":"key","key":"Backspace","shift":2}
{"cmd":"key","key":"Keypad 0"}
{"cmd":"key","key":"Keypad 1"}
{"cmd":"key","key":"Keypad 9"}
{"cmd":"key","key":"Nope"}
)",
                     false);
    // The composition is no part of the text; SelStart counts characters.
    EXPECT_EQ(test::Said(lines, "value"), (std::vector<json>{"h\u00e9llo world", "h\u00e9llo \U0001F600", 7}));
    EXPECT_EQ(test::Said(lines, "clipboard"), std::vector<json>{"world"});
    // One Change per edit: the typed text, the paste, the word deleted.
    EXPECT_EQ(test::EventsNamed(lines, "Change").size(), 3u);
    // The numeric pad's digits have codes of their own, 96 to 105, apart from the top row's.
    std::vector<json> codes;
    for (const json& e : test::EventsNamed(lines, "KeyDown")) codes.push_back(e["args"]["KeyCode"]);
    ASSERT_GE(codes.size(), 3u);
    EXPECT_EQ(std::vector<json>(codes.end() - 3, codes.end()), (std::vector<json>{96, 97, 105}));
    EXPECT_EQ(test::ErrorNumbers(lines).size(), 1u);  // the unknown key
}
