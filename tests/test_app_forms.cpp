// SPDX-License-Identifier: MIT
// What applications build around the controls, through the scripted driver: anchoring and the
// form's Resize, minimum sizes, and the keyboard conventions (preview, default and cancel
// buttons, keys by name).
#include <SDL.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <tuple>

#include "controls/button/tolvanebutton.h"
#include "controls/caption/tolvanecaption.h"
#include "controls/label/tolvanelabel.h"
#include "controls/panel/tolvanepanel.h"
#include "forms/showcase/showcase.h"
#include "host/form_file.h"
#include "host/render.h"
#include "host/runtime.h"
#include "host/tooltip_form.h"
#include "host/window.h"
#include "tests/display.h"
#include "tests/golden_util.h"
#include "tests/test_support.h"

using namespace stolvane;
using nlohmann::json;

namespace {

struct AppForms : ::testing::Test {
    Runtime rt;  // registers the library
    static std::vector<json> Run(const std::string& script) { return test::ScriptLines(script); }
};

// One probe per combination of edges, each 1200 x 900 at (600, 600) on a 9600 x 7200 form.
std::string PlaceAnchored(const std::vector<std::string>& anchors, const std::string& container = "") {
    std::string s;
    for (size_t i = 0; i < anchors.size(); ++i) {
        std::string name = "p" + std::to_string(i);
        s += R"({"cmd":"place","class":"TolvaneButton","name":")" + name +
             R"(","left":600,"top":600,"width":1200,"height":900)" +
             (container.empty() ? "" : R"(,"container":")" + container + "\"") + "}\n";
        s += R"({"cmd":"set","target":")" + name + R"(","property":"Anchor","value":")" + anchors[i] + "\"}\n";
    }
    return s;
}

std::string Geometry(size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i)
        for (const char* m : {"Left", "Top", "Width", "Height"})
            s += R"({"cmd":"get","target":"p)" + std::to_string(i) + R"(","property":")" + m + "\"}\n";
    return s;
}

}  // namespace

TEST_F(AppForms, AnchoredControlsKeepTheirDistancesStretchAndComeBack) {
    const std::vector<std::string> anchors{"left,top", "right,bottom", "left,right", "top,bottom",
                                           "left,top,right,bottom", "", "right"};
    auto out = test::ValuesOf(Run(PlaceAnchored(anchors) + R"({"cmd":"resize","width":12000,"height":9000})" "\n" +
                          Geometry(anchors.size()) + R"({"cmd":"resize","width":9600,"height":7200})" "\n" +
                          Geometry(anchors.size())));
    ASSERT_EQ(out.size(), anchors.size() * 8);
    // The form grew by 2400 x 1800.
    const std::vector<std::vector<double>> grown{
        {600, 600, 1200, 900},  {3000, 2400, 1200, 900}, {600, 1500, 3600, 900},  {1800, 600, 1200, 2700},
        {600, 600, 3600, 2700}, {1800, 1500, 1200, 900}, {3000, 1500, 1200, 900}};
    // (An axis anchored to neither side keeps the centre: "left,right" centres vertically.)
    for (size_t i = 0; i < anchors.size(); ++i)
        for (size_t m = 0; m < 4; ++m) {
            EXPECT_EQ(out[i * 4 + m].get<double>(), grown[i][m]) << "anchor \"" << anchors[i] << "\" member " << m;
            // Back at the old size, everything is where it started.
            EXPECT_EQ(out[anchors.size() * 4 + i * 4 + m].get<double>(), (std::vector<double>{600, 600, 1200, 900}[m]))
                << "anchor \"" << anchors[i] << "\" member " << m;
        }
}

TEST_F(AppForms, AnchorsWorkInsideAStretchedPanelForControlsAndElements) {
    auto out = test::ValuesOf(Run(
        R"({"cmd":"place","class":"TolvanePanel","name":"pnl","left":300,"top":300,"width":6000,"height":4000}
{"cmd":"set","target":"pnl","property":"Anchor","value":"left,top,right,bottom"}
)" + PlaceAnchored({"right,bottom"}, "pnl") +
        R"({"cmd":"place","class":"label","name":"lbl","container":"pnl","left":120,"top":120,"width":900,"height":300}
{"cmd":"set","target":"lbl","property":"Anchor","value":"Left, Right"}
{"cmd":"resize","width":10600,"height":7700}
{"cmd":"get","target":"pnl","property":"Width"}
{"cmd":"get","target":"p0","property":"Left"}
{"cmd":"get","target":"p0","property":"Top"}
{"cmd":"get","target":"lbl","property":"Width"}
{"cmd":"get","target":"lbl","property":"Anchor"}
)"));
    EXPECT_EQ(out, (std::vector<json>{7000, 1600, 1100, 1900, "left,right"}));
}

TEST_F(AppForms, TheFormRaisesResizeOnceShownAndAnAnchorMustNameEdges) {
    auto lines = Run(R"({"cmd":"resize","width":8000}
{"cmd":"show"}
{"cmd":"resize","width":9000,"height":6000}
{"cmd":"resize","width":9000,"height":6000}
{"cmd":"place","class":"TolvaneButton","name":"p"}
{"cmd":"set","target":"p","property":"Anchor","value":"left,middle"}
{"cmd":"set","target":"p","property":"Anchor","value":"left,left"}
)");
    auto resizes = test::EventsNamed(lines, "Resize");
    ASSERT_EQ(resizes.size(), 1u);
    EXPECT_EQ(resizes[0]["control"], "");
    EXPECT_EQ(test::ErrorNumbers(lines), (std::vector<int>{380, 380}));
}

TEST_F(AppForms, TheMinimumSizeHoldsForScriptsAndGripDrags) {
    auto out = test::ValuesOf(Run(R"({"cmd":"set","target":"","property":"MinWidth","value":6000}
{"cmd":"set","target":"","property":"MinHeight","value":4000}
{"cmd":"resize","width":1500,"height":900}
{"cmd":"get","target":"","property":"Width"}
{"cmd":"get","target":"","property":"Height"}
{"cmd":"place","class":"TolvanePanel","name":"bar","left":0,"top":3685,"width":6000,"height":315}
{"cmd":"set","target":"bar","property":"Grip","value":true}
{"cmd":"set","target":"bar","property":"GripSize","value":true}
{"cmd":"show"}
{"cmd":"mouse","action":"down","x":5880,"y":3880}
{"cmd":"mouse","action":"move","x":900,"y":600,"button":1}
{"cmd":"mouse","action":"up","x":900,"y":600}
{"cmd":"get","target":"","property":"Width"}
{"cmd":"get","target":"","property":"Height"}
)"));
    EXPECT_EQ(out, (std::vector<json>{6000, 4000, 6000, 4000}));
}

namespace {
const char* kButtons = R"({"cmd":"place","class":"TolvaneTick","name":"tik","left":300,"top":300}
{"cmd":"set","target":"tik","property":"Caption","value":"Status bar &grip"}
{"cmd":"place","class":"TolvanePanel","name":"pnl","left":300,"top":900,"width":3000,"height":600}
{"cmd":"place","class":"TolvaneButton","name":"ok","left":300,"top":1800}
{"cmd":"place","class":"TolvaneButton","name":"cancel","left":1800,"top":1800}
{"cmd":"set","target":"","property":"DefaultButton","value":"ok"}
{"cmd":"set","target":"","property":"CancelButton","value":"cancel"}
{"cmd":"show"}
)";

std::vector<std::string> Clicks(const std::vector<json>& lines) {
    std::vector<std::string> out;
    for (auto& l : lines)
        if (l.value("event", "") == "Click" && (l["control"] == "ok" || l["control"] == "cancel"))
            out.push_back(l["control"]);
    return out;
}
}  // namespace

// Enter clicks the focused button, else the default one, and Escape the cancel button. Return,
// Escape and Tab keep these meanings in a text box (a multi-line one keeps Return).
TEST_F(AppForms, EnterClicksTheFocusedOrDefaultButtonAndTextBoxesLeaveEnterEscapeAndTabToTheForm) {
    auto lines = Run(std::string(kButtons) + R"({"cmd":"focus","target":"tik"}
{"cmd":"key","key":"Return"}
{"cmd":"key","key":"escape"}
{"cmd":"focus","target":"cancel"}
{"cmd":"key","key":"RETURN"}
{"cmd":"key","key":"Return","shift":2}
{"cmd":"place","class":"TextBox","name":"txtOne","left":300,"top":2400,"width":2400,"height":315}
{"cmd":"place","class":"TextBox","name":"txtMany","left":300,"top":2900,"width":2400,"height":900}
{"cmd":"set","target":"txtMany","property":"MultiLine","value":true}
{"cmd":"focus","target":"txtOne"}
{"cmd":"text","text":"ab"}
{"cmd":"key","key":"Return"}
{"cmd":"key","key":"Escape"}
{"cmd":"get","target":"txtOne","property":"Text"}
{"cmd":"focus","target":"txtMany"}
{"cmd":"text","text":"a"}
{"cmd":"key","key":"Return"}
{"cmd":"text","text":"b"}
{"cmd":"get","target":"txtMany","property":"Text"}
{"cmd":"focus","target":"txtOne"}
{"cmd":"key","key":"Tab"}
{"cmd":"text","text":"c"}
{"cmd":"get","target":"txtMany","property":"Text"}
{"cmd":"get","target":"txtOne","property":"Text"}
{"cmd":"set","target":"","property":"KeyPreview","value":true}
{"cmd":"focus","target":"txtOne"}
{"cmd":"key","key":"Left"}
)");
    EXPECT_EQ(Clicks(lines), (std::vector<std::string>{"ok", "cancel", "cancel", "ok", "cancel"}));
    // Tab went from txtOne to txtMany.
    EXPECT_EQ(test::ValuesOf(lines), (std::vector<json>{"ab", "a\nb", "a\nbc", "ab"}));
    // The multi-line box saw its Return; the buttons' keys and Tab reached no box; with
    // KeyPreview the form's KeyDown comes before the box's.
    auto order = test::Said(test::EventsNamed(lines, "KeyDown"), "control");
    ASSERT_EQ(order.size(), 3u);
    EXPECT_EQ(order[0], "txtMany");
    EXPECT_NE(order[1], "txtOne");
    EXPECT_EQ(order[2], "txtOne");
}

// Only with KeyPreview does the form see the keys first, with their codes and shift mask.
TEST_F(AppForms, TabPassesPanelsAltLetterTogglesACheckBoxAndTheFormPreviewsKeys) {
    auto lines = Run(std::string(kButtons) + R"({"cmd":"key","key":"Tab"}
{"cmd":"key","key":"Tab"}
{"cmd":"key","key":"Tab","shift":1}
{"cmd":"focus","target":"cancel"}
{"cmd":"key","key":"G","shift":4}
{"cmd":"key","key":"F1"}
{"cmd":"set","target":"","property":"KeyPreview","value":true}
{"cmd":"key","key":"F1"}
{"cmd":"key","key":"F1","up":true}
{"cmd":"key","key":"q","shift":2}
{"cmd":"key","key":"a","shift":1}
)");
    // Shown: the first tab stop (the check box); the panel is none: Tab goes to ok, cancel,
    // Shift+Tab back to ok; Alt+G focuses the check box again.
    EXPECT_EQ(test::Said(lines, "focus"), (std::vector<json>{"tik", "ok", "cancel", "ok", "cancel", "tik"}));
    EXPECT_EQ(test::EventsNamed(lines, "ValueChange").size(), 1u);
    std::vector<json> form;
    for (auto& l : lines)
        if (l.contains("event") && l["control"] == "") form.push_back({l["event"], l["args"]});
    EXPECT_EQ(form, (std::vector<json>{{"KeyDown", {{"KeyCode", 112}, {"Shift", 0}}},
                                       {"KeyUp", {{"KeyCode", 112}, {"Shift", 0}}},
                                       {"KeyDown", {{"KeyCode", 81}, {"Shift", 2}}},
                                       {"KeyDown", {{"KeyCode", 65}, {"Shift", 1}}},
                                       {"KeyPress", {{"KeyAscii", 65}}}}));
}

// A label's access key focuses what follows the label in tab order, round to the first.
TEST_F(AppForms, ALabelsAccessKeyFocusesTheNextControlInTabOrder) {
    auto lines = Run(
        R"({"cmd":"place","class":"TolvaneButton","name":"first","left":300,"top":300,"width":1200,"height":450}
{"cmd":"place","class":"label","name":"lblName","left":300,"top":900,"width":1200,"height":300}
{"cmd":"set","target":"lblName","property":"Caption","value":"&Name"}
{"cmd":"place","class":"TolvaneButton","name":"second","left":300,"top":1500,"width":1200,"height":450}
{"cmd":"place","class":"TolvaneLabel","name":"lblGo","left":3000,"top":300,"width":1200,"height":300}
{"cmd":"set","target":"lblGo","property":"Caption","value":"&Go"}
{"cmd":"place","class":"TolvaneButton","name":"third","left":3000,"top":900,"width":1200,"height":450}
{"cmd":"place","class":"label","name":"lblEnd","left":3000,"top":1500,"width":1200,"height":300}
{"cmd":"set","target":"lblEnd","property":"Caption","value":"&End"}
{"cmd":"show"}
{"cmd":"accesskey","char":"n"}
{"cmd":"accesskey","char":"G"}
{"cmd":"accesskey","char":"E"}
{"cmd":"key","key":"N","shift":4}
{"cmd":"accesskey","char":"Q"}
)");
    EXPECT_TRUE(test::ErrorNumbers(lines).empty());
    EXPECT_EQ(test::Said(lines, "focus"), (std::vector<json>{"first", "second", "third", "first", "second"}));
}

// showform opens a library form modally and refuses a name the library lacks.
TEST_F(AppForms, LibraryFormsCloseOnEscapeAndTheSamplesViewerPagesOnEnter) {
    auto lines = Run(R"({"cmd":"showform","name":"frmAbout"}
{"cmd":"key","key":"Escape"}
{"cmd":"showform","name":"frmSamples"}
{"cmd":"key","key":"Return"}
{"cmd":"get","target":"tplName","property":"Caption"}
{"cmd":"key","key":"Escape"}
{"cmd":"showform","name":"frmNothing"}
)");
    EXPECT_EQ(test::Said(lines, "shown"), (std::vector<json>{true, false, true, false}));
    EXPECT_EQ(test::Said(lines, "value"), (std::vector<json>{"About... 'TolvaneButton'"}));
    EXPECT_EQ(test::ErrorNumbers(lines), std::vector<int>{5});
}

// The known-problems list takes the focus, frames its current row and answers keys as the mouse.
TEST_F(AppForms, TheKnownProblemsListTakesTheFocusAndAnswersArrowsAndSpace) {
    // A pixel of the focus frame's left side on the first row (the list's text starts 19 px in).
    const char* framePixel = R"({"cmd":"pixel","x":450,"y":225}
)";
    auto lines = Run(std::string(R"({"cmd":"showform","name":"frmStatus"}
)") + framePixel + R"({"cmd":"key","key":"Down"}
{"cmd":"get","target":"TolvanePanel1.lstBugs","property":"ListIndex"}
)" + framePixel + R"({"cmd":"key","key":"Space"}
{"cmd":"tab"}
)" + framePixel + R"({"cmd":"tab","shift":true}
{"cmd":"key","key":"Up"}
{"cmd":"key","key":"Space"}
{"cmd":"get","target":"TolvanePanel1.lstBugs","property":"ListIndex"}
{"cmd":"key","key":"Return"}
)");
    EXPECT_EQ(test::Said(lines, "focus"),
              (std::vector<json>{"TolvanePanel1.lstBugs", "lblOK", "TolvanePanel1.lstBugs"}));
    EXPECT_EQ(test::Said(test::Said(lines, "msgbox"), "text"), (std::vector<json>{"0", "0"}))
        << "Space ticks and unticks the row";
    auto values = test::ValuesOf(lines);
    ASSERT_EQ(values.size(), 5u);
    EXPECT_EQ(values[0], 0) << "no row is current yet: the frame's dot on the white field is black";
    EXPECT_EQ(values[1], 0);
    EXPECT_EQ(values[2], 0x7FFFFF) << "the frame inverts the navy highlight";
    EXPECT_EQ(values[3], 0x800000) << "without the focus the highlight shows whole";
    EXPECT_EQ(values[4], 0) << "Up at the first row stays there";
    EXPECT_EQ(test::EventsNamed(lines, "Click").size(), 1u) << "Enter clicks OK, the default button";
    EXPECT_EQ(lines.back(), json::parse(R"({"form":"frmStatus","shown":false})"));
}

// A tooltip shows after a rest of 500 ms and hides after 5 s, on leaving or on a press.
TEST_F(AppForms, TooltipsShowAfterARestAndHideOnLeavingPressingOrInTime) {
    auto tips = [](const std::vector<json>& lines) {
        std::vector<json> out;
        for (auto& l : lines) {
            EXPECT_FALSE(l.contains("error")) << l.dump();
            if (l.contains("tooltip")) out.push_back(l);
            if (l.contains("value")) out.push_back(l["value"]);
        }
        return out;
    };
    const std::string setup =
        R"({"cmd":"place","class":"textbox","name":"lbl","left":600,"top":600,"width":1200,"height":300}
{"cmd":"set","target":"lbl","property":"ToolTipText","value":"Hello"}
{"cmd":"place","class":"label","name":"bare","left":3000,"top":600,"width":1200,"height":300}
{"cmd":"show"}
{"cmd":"mouse","action":"move","x":700,"y":700}
{"cmd":"advance","ms":300}
{"cmd":"mouse","action":"move","x":750,"y":700}
{"cmd":"advance","ms":499}
{"cmd":"get","target":"lbl","property":"Left"}
{"cmd":"advance","ms":1}
)";
    const json shown = json::parse(R"({"tooltip":"Hello","x":750,"y":1000})");
    const json hidden = json::parse(R"({"tooltip":null})");
    // Shown after a rest counted from the last move, gone after five seconds.
    EXPECT_EQ(tips(Run(setup + R"({"cmd":"advance","ms":4999}
{"cmd":"get","target":"lbl","property":"Left"}
{"cmd":"advance","ms":1}
{"cmd":"mouse","action":"move","x":760,"y":700}
{"cmd":"advance","ms":6000}
)")),
              (std::vector<json>{600, shown, 600, hidden}));
    // A move onto something without a tip hides it; moving back rests afresh.
    EXPECT_EQ(tips(Run(setup + R"({"cmd":"mouse","action":"move","x":3100,"y":700}
{"cmd":"advance","ms":1000}
{"cmd":"mouse","action":"move","x":750,"y":700}
{"cmd":"advance","ms":500}
)")),
              (std::vector<json>{600, shown, hidden, shown}));
    // A press hides it and it does not come back over the same element.
    EXPECT_EQ(tips(Run(setup + R"({"cmd":"mouse","action":"click","x":750,"y":700}
{"cmd":"mouse","action":"move","x":740,"y":700}
{"cmd":"advance","ms":1000}
)")),
              (std::vector<json>{600, shown, hidden}));
}

// The caption bar's icon shows its tip although the bar holds the capture.
TEST_F(AppForms, TheCaptionBarsIconShowsItsTipWhileTheBarFollowsThePointer) {
    auto lines = Run(R"({"cmd":"showform","name":"frmSamples"}
{"cmd":"mouse","action":"move","x":150,"y":150}
{"cmd":"advance","ms":500}
{"cmd":"mouse","action":"move","x":2400,"y":150}
{"cmd":"advance","ms":500}
)");
    auto captures = test::Said(lines, "capture");
    EXPECT_TRUE(std::any_of(captures.begin(), captures.end(), [](const json& c) { return !c.is_null(); }))
        << "the bar holds the capture while the pointer is over it";
    EXPECT_EQ(test::Said(lines, "tooltip"), (std::vector<json>{"System Menu", nullptr}));
}

// A control's tip and a picture button's are members of their own, set from a script or a form
// file and saved with the form, and show over them (a button's caption label included).
TEST_F(AppForms, AControlsToolTipTextShowsOverItAndIsSavedWithTheForm) {
    test::TempFolder dir("stolvane-tips");
    const std::string path = (dir.Path() / "tips.json").string();
    auto lines = Run(R"({"cmd":"place","class":"TolvaneButton","name":"cmdSave","left":600,"top":600,"width":1500,"height":450}
{"cmd":"set","target":"cmdSave","property":"ToolTipText","value":"Saves the file"}
{"cmd":"place","class":"picturebutton","name":"btnOpen","left":3000,"top":600,"width":450,"height":450}
{"cmd":"set","target":"btnOpen","property":"ToolTipText","value":"Opens a file"}
{"cmd":"show"}
{"cmd":"mouse","action":"move","x":1350,"y":825}
{"cmd":"advance","ms":500}
{"cmd":"mouse","action":"move","x":3200,"y":800}
{"cmd":"advance","ms":500}
{"cmd":"save","path":")" + path + R"("}
{"cmd":"load","form":")" + path + R"("}
{"cmd":"get","target":"cmdSave","property":"ToolTipText"}
{"cmd":"get","target":"btnOpen","property":"ToolTipText"}
)");
    // Each hides as the pointer moves on, the last as the loaded form replaces the run's form.
    EXPECT_EQ(test::Said(lines, "tooltip"),
              (std::vector<json>{"Saves the file", nullptr, "Opens a file", nullptr}));
    EXPECT_EQ(test::ValuesOf(lines), (std::vector<json>{"Saves the file", "Opens a file"}));
}

// The tooltip a window shows: its text on pale yellow in a black frame, or in the tooltip
// colours the desktop sets.
TEST_F(AppForms, TheTooltipFormIsPaleYellowInABlackFrameOrTheDesktopsTooltipColours) {
    Form& tip = BuildToolTipForm(rt, "System Menu", 0, 0);
    Frame f = FormRenderer(rt, tip, 1).RepaintAll();
    ASSERT_GT(f.width, 40);
    ASSERT_GE(f.height, 16);
    EXPECT_LE(f.height, 24);
    const int w = f.width, h = f.height;
    for (auto [x, y] : {std::pair{0, 0}, {w - 1, h - 1}, {w / 2, 0}, {0, h / 2}, {w - 1, h / 2}, {w / 2, h - 1}})
        EXPECT_EQ(f.PixelRgb(x, y), 0u) << x << "," << y;
    EXPECT_EQ(f.PixelRgb(1, 1), 0xE1FFFFu);
    int dark = 0;
    for (int y = 1; y < h - 1; ++y)
        for (int x = 1; x < w - 1; ++x) dark += f.PixelRgb(x, y) == 0;
    EXPECT_GT(dark, 20) << "the text shows";
    rt.GetTheme().Set(24, 0x00FF00);
    rt.GetTheme().Set(6, 0x0000FF);
    Frame themed = FormRenderer(rt, tip, 1).RepaintAll();
    EXPECT_EQ(themed.PixelRgb(1, 1), 0x00FF00u);
    EXPECT_EQ(themed.PixelRgb(0, 0), 0x0000FFu);
}

TEST_F(AppForms, LoadedFormsAnswerTypedLookUpsAndRefuseWhatTheyLack) {
    Form& form = LoadFormText(rt, R"J({"name": "frmMain", "controls": [
        {"name": "cmdOK", "class": "TolvaneButton"},
        {"name": "tplDes(2)", "class": "TolvaneLabel"},
        {"name": "tmrPoll", "class": "Timer"}]})J", "", "frmMain");
    EXPECT_EQ(form.Find<TolvaneLabel>("tplDes(2)").GetSurface().Index(), 2);
    auto message = [](auto&& f) {
        try {
            f();
        } catch (const HostError& e) {
            EXPECT_EQ(e.number, ErrorNumber::InvalidCall);
            return e.description;
        }
        return std::string("no error");
    };
    EXPECT_EQ(message([&] { form.Find<TolvaneButton>("cmdCancel"); }),
              "form frmMain has no control named \"cmdCancel\"");
    EXPECT_EQ(message([&] { form.Find<TolvaneLabel>("cmdOK"); }),
              "\"cmdOK\" on form frmMain is a TolvaneButton, not TolvaneLabel");
    EXPECT_EQ(message([&] { form.FindElement<Label>("tmrPoll"); }),
              "\"tmrPoll\" on form frmMain is a Timer, not the kind asked for");
    EXPECT_NE(message([&] { form.Find<TolvaneButton>("cmdOK").OnEvent("Clik", [](EventArgs&) {}); })
                  .find("did you mean \"Click\""),
              std::string::npos);
}

TEST_F(AppForms, HandlersDisconnect) {
    Form& form = rt.NewForm("f");
    auto& ok = rt.Place<TolvaneButton>(form, "cmdOK", {0, 0, 1200, 495});
    int typed = 0, named = 0;
    Connection a = ok.Click += [&] { ++typed; };
    Connection b = ok.GetSurface().GetControl()->OnEvent("Click", [&](EventArgs&) { ++named; });
    rt.ShowForm(form);
    rt.Mouse(form, MouseAction::Click, 600, 240, MouseButton::Left, 0);
    a.Disconnect();
    b.Disconnect();
    b.Disconnect();  // once is enough; again does nothing
    rt.Mouse(form, MouseAction::Click, 600, 240, MouseButton::Left, 0);
    EXPECT_EQ(typed, 1);
    EXPECT_EQ(named, 1);
}

TEST(AppFromFileExample, RunsHeadless) {
    int status = -1;
    const std::string out = test::ExampleOutput("example_app_from_file --headless", &status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_EQ(out,
              "after 1 s: 50 %\n"
              "after 2 s: 100 %, Done.\n"
              "grown to 9000 x 4500: Close at 7485, 3540; 600 x 300 pixels\n"
              "closed by Ctrl+Q\n");
}

// The showcase grown twice and filling a 1024 x 768 screen keeps its layout whole.
TEST_F(AppForms, GoldenPicturesOfTheShowcaseAtThreeSizes) {
    Form& show = LoadFormText(rt, showcase::Design(), "", "frmShowcase");
    showcase::Attach(show);
    rt.ShowForm(show);
    for (auto [w, h, name] : {std::tuple{10500.0, 6300.0, "grown"}, {12750.0, 7800.0, "larger"},
                              {1024.0 * 15, 768.0 * 15, "screen"}}) {
        show.Move(show.Left(), show.Top(), w, h);
        EXPECT_TRUE(test::CompareGolden(FormRenderer(rt, show, 1).RepaintAll(), std::string("showcase_") + name));
    }
}

// In a real window the grip's drag and maximising keep the showcase's layout whole.
TEST(AppFormsWindow, TheGripAndMaximisingKeepTheShowcasesLayoutWhole) {
    NEED_DISPLAY();
    Runtime rt;
    Form& show = LoadFormText(rt, showcase::Design(), "", "frmShowcase");
    showcase::Attach(show);
    WindowHost host(rt);
    rt.ShowForm(show);
    for (int i = 0; i < 10; ++i) host.Step(20);
    ASSERT_NE(host.WindowId(show), 0u);
    const Surface& cap = show.Find<TolvaneCaption>("capShowcase").GetSurface();
    const Surface& bar = show.Find<TolvanePanel>("pnlStatus").GetSurface();
    auto whole = [&](const char* when) {
        EXPECT_EQ(cap.Width(), show.Width()) << when;
        EXPECT_EQ(bar.Left(), 0) << when;
        EXPECT_EQ(bar.Width(), show.Width()) << when;
        EXPECT_EQ(bar.Top() + bar.Height(), show.Height()) << when;
        // The close button (btnCommand(2)) ends near the window's right edge, and the picture the
        // window shows has it there: the button face in its middle, not the title gradient.
        const Element* close = cap.Find("btnCommand", 2);
        ASSERT_NE(close, nullptr);
        const double closeRight = rt.FormX(cap) + close->Bounds().Right();
        EXPECT_GE(closeRight, show.Width() - 10 * 15) << when;
        EXPECT_LE(closeRight, show.Width()) << when;
        Frame frame = FormRenderer(rt, show, 1).RepaintAll();
        int w = 0, h = 0;
        SDL_GetWindowSize(SDL_GetWindowFromID(host.WindowId(show)), &w, &h);
        EXPECT_EQ(std::pair(w * 15.0, h * 15.0), std::pair(show.Width(), show.Height())) << when << ": the window";
        const int cx = static_cast<int>((rt.FormX(cap) + close->Bounds().left) / 15) + 1;
        const int cy = static_cast<int>((rt.FormY(cap) + close->Bounds().top) / 15) + 1;
        EXPECT_NE(frame.PixelRgb(cx, cy), frame.PixelRgb(cx - 60, cy)) << when << ": no button on the gradient";
    };
    whole("at first");
    // The grip's drag, by real pointer input: from the status bar's bottom-right corner 120 px
    // right and 80 px down.
    int wx = 0, wy = 0;
    SDL_GetWindowPosition(SDL_GetWindowFromID(host.WindowId(show)), &wx, &wy);
    const double before = show.Width(), beforeHeight = show.Height();
    const int gx = wx + static_cast<int>((bar.Left() + bar.Width()) / 15) - 4;
    const int gy = wy + static_cast<int>((bar.Top() + bar.Height()) / 15) - 4;
    ASSERT_EQ(display.Xdotool({"mousemove", std::to_string(gx), std::to_string(gy)}), 0);
    for (int i = 0; i < 5; ++i) host.Step(20);
    ASSERT_EQ(display.Xdotool({"mousedown", "1"}), 0);
    for (int i = 0; i < 5; ++i) host.Step(20);
    for (int step = 1; step <= 4; ++step) {
        ASSERT_EQ(display.Xdotool({"mousemove", std::to_string(gx + 30 * step), std::to_string(gy + 20 * step)}), 0);
        for (int i = 0; i < 5; ++i) host.Step(20);
    }
    ASSERT_EQ(display.Xdotool({"mouseup", "1"}), 0);
    for (int i = 0; i < 10; ++i) host.Step(20);
    EXPECT_NEAR(show.Width(), before + 120 * 15, 2 * 15);
    EXPECT_NEAR(show.Height(), beforeHeight + 80 * 15, 2 * 15);
    whole("after the grip's drag");
    show.SetWindowState(Form::Maximized);
    for (int i = 0; i < 20; ++i) host.Step(20);
    EXPECT_EQ(show.Width(), 1024 * 15.0);
    whole("maximised");
}
