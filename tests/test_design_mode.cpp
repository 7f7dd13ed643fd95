// SPDX-License-Identifier: MIT
// Design mode on the real headless runtime: controls of a form (or of a container) being
// designed draw exactly as at run time, but the mouse and the keys go to the designer's sink,
// they raise no events, take no focus or capture and run no timers; turning it off brings
// them back to life.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/button/tolvanebutton.h"
#include "host/form_file.h"
#include "host/keys.h"
#include "host/render.h"
#include "host/runtime.h"
#include "tests/golden_util.h"
#include "tests/test_support.h"

using namespace stolvane;
using stolvane::test::Recorder;

namespace {

// Records what the designer hears: the placed thing under the pointer and the action.
struct SinkLog : DesignSink {
    Runtime* rt = nullptr;
    std::vector<std::string> lines;
    void DesignMouse(Form&, const Target& placed, MouseAction action, double x, double y, int16_t, int16_t) override {
        const char* names[] = {"move", "down", "up", "click", "dblclick", "dblclickonly"};
        std::string what = placed.element ? rt->PathOf(*placed.element) : rt->PathOf(*placed.surface);
        lines.push_back(std::string(names[static_cast<int>(action)]) + " " + (what.empty() ? "form" : what) + " " +
                        std::to_string(static_cast<int>(x)) + "," + std::to_string(static_cast<int>(y)));
    }
    void DesignKey(Form&, int16_t keyCode, int16_t shift) override {
        lines.push_back("key " + std::to_string(keyCode) + " " + std::to_string(shift));
    }
};

const char* kForm = R"({"name":"frmDesign","width":4800,"height":3600,"controls":[
  {"name":"cmdOK","class":"TolvaneButton","left":240,"top":240,"width":1500,"height":500,
   "properties":{"Caption":"&OK","ButtonStyle":0}},
  {"name":"lblNote","class":"TolvaneLabel","left":240,"top":1200,"width":1500,"height":210,
   "properties":{"Caption":"Note","Colour":"0x00000000","ColourUp":"0x00FF0000"}},
  {"name":"tmrTick","class":"Timer","interval":100,"enabled":true},
  {"name":"txtName","class":"TextBox","left":240,"top":1800,"width":1500,"height":300},
  {"name":"pnlBox","class":"TolvanePanel","left":2400,"top":240,"width":2000,"height":2000,"controls":[
    {"name":"cmdInner","class":"TolvaneButton","left":120,"top":120,"width":1200,"height":500}]}]})";

struct DesignModeTest : ::testing::Test {
    Runtime rt;
    Recorder log;
    SinkLog sink;
    int ticks = 0;

    DesignModeTest() {
        sink.rt = &rt;
        rt.SetObserver(&log);
        rt.SetFocusOnShow(true);
    }
    Form& Load(bool design) {
        FormLoadOptions options;
        options.designMode = design;
        options.designSink = &sink;
        Form& f = LoadFormText(rt, kForm, "", "frmDesign", options);
        static_cast<Timer*>(rt.Resolve(f, "tmrTick").element)->onTick = [this] { ++ticks; };
        rt.ShowForm(f);
        return f;
    }
};

TEST_F(DesignModeTest, ADesignedFormDrawsExactlyAsAtRunTime) {
    rt.SetFocusOnShow(false);  // a focused button draws its focus, which no designed one has
    Form& running = Load(false);
    Form& designed = Load(true);
    FormRenderer a(rt, running, 1), b(rt, designed, 1);
    EXPECT_EQ(test::CountDifferentPixels(a.Update(), b.Update()), 0);
}

TEST_F(DesignModeTest, TheMouseAndTheKeysGoToTheDesignerAndNoControlReactsOrRaisesEvents) {
    Form& f = Load(true);
    FormRenderer r(rt, f, 1);
    const Frame before = r.Update();
    log.lines.clear();

    // Down on the button's caption (a part of its design): the designer hears it as the button,
    // and so it goes on while the button is held, outside it too.
    rt.Mouse(f, MouseAction::Move, 900, 480, 0, 0);
    rt.Mouse(f, MouseAction::Down, 900, 480, 1, 0);
    rt.Mouse(f, MouseAction::Move, 3000, 3000, 1, 0);
    rt.Mouse(f, MouseAction::Up, 3000, 3000, 1, 0);
    rt.Mouse(f, MouseAction::Click, 2500, 1500, 1, 0);  // in the panel, off its button
    rt.Mouse(f, MouseAction::Click, 2700, 500, 1, 0);  // on the button inside the panel
    rt.Mouse(f, MouseAction::Move, 900, 1300, 0, 0);   // over the label
    rt.Mouse(f, MouseAction::Click, 100, 3000, 1, 0);  // the form itself
    rt.MouseTo(rt.Resolve(f, "cmdOK"), MouseAction::Down, 10, 10, 1, 0);
    rt.KeyDown(KeyCode::Tab, 0);
    rt.KeyPress('a');
    rt.AccessKey('O');
    EXPECT_EQ(sink.lines, (std::vector<std::string>{
                              "move cmdOK 900,480", "down cmdOK 900,480", "move cmdOK 3000,3000",
                              "up cmdOK 3000,3000", "down pnlBox 2500,1500", "up pnlBox 2500,1500",
                              "click pnlBox 2500,1500", "down cmdInner 2700,500", "up cmdInner 2700,500",
                              "click cmdInner 2700,500", "move lblNote 900,1300", "down form 100,3000",
                              "up form 100,3000", "click form 100,3000", "down cmdOK 250,250", "key 9 0"}));
    rt.Advance(2000);
    EXPECT_EQ(ticks, 0) << "no timer runs while designed";
    EXPECT_EQ(rt.Resolve(f, "lblNote.T98").element, nullptr) << "the label never started its fade";
    EXPECT_EQ(rt.Captured(), nullptr);
    EXPECT_EQ(rt.Focused(), nullptr) << "neither showing nor a click gave the focus: a designed control is no tab stop";
    // Nor does a text box take the focus or typing when a caller or a script asks for it.
    auto& name = static_cast<TextBox&>(*rt.Resolve(f, "txtName").element);
    rt.SetFocus(*rt.Resolve(f, "cmdOK").surface);
    rt.FocusTextBox(name);
    rt.TypeText("typed");
    rt.KeyDown(KeyCode::Back, 0);
    EXPECT_EQ(rt.Focused(), nullptr);
    EXPECT_EQ(rt.FocusedTextBox(), nullptr);
    EXPECT_EQ(name.Text(), "");
    EXPECT_TRUE(log.lines.empty()) << log.lines.front();
    EXPECT_EQ(rt.PointerAt(f, 900, 1300).first, 0);

    EXPECT_EQ(test::CountDifferentPixels(before, r.Update()), 0) << "nothing the input did shows";

    // A property set by the designer draws, and still raises nothing.
    auto& ok = static_cast<TolvaneButton&>(*rt.Resolve(f, "cmdOK").surface->GetControl());
    ok.SetCaption("Done");
    static_cast<TextBox*>(rt.Resolve(f, "txtName").element)->SetText("typed");
    for (const std::string& line : log.lines) EXPECT_NE(line.rfind("event ", 0), 0u) << line;
    EXPECT_TRUE(r.Update().width > 0 && !r.LastRepaintedArea().empty());
}

TEST_F(DesignModeTest, TurnedOffTheFormRunsAgainAndAContainerCanBeDesignedAlone) {
    Form& f = Load(true);
    rt.Advance(1000);
    EXPECT_EQ(ticks, 0);
    rt.SetDesignMode(f, false);
    rt.Advance(1000);
    EXPECT_EQ(ticks, 10) << "the timer starts again a whole interval from now";
    rt.Mouse(f, MouseAction::Click, 900, 480, 1, 0);
    EXPECT_TRUE(log.Has("event cmdOK Click"));

    // Only the panel designed: its button goes to the designer, the rest of the form runs.
    log.lines.clear();
    sink.lines.clear();
    Surface& panel = *rt.Resolve(f, "pnlBox").surface;
    rt.SetDesignMode(panel, true, &sink);
    rt.Mouse(f, MouseAction::Move, 100, 3000, 0, 0);  // the button that followed the pointer lets go
    EXPECT_FALSE(rt.UserMode(*rt.Resolve(f, "cmdInner").surface));
    EXPECT_TRUE(rt.UserMode(*rt.Resolve(f, "cmdOK").surface));
    rt.Mouse(f, MouseAction::Click, 2700, 500, 1, 0);
    rt.Mouse(f, MouseAction::Click, 900, 480, 1, 0);
    EXPECT_EQ(sink.lines, (std::vector<std::string>{"down cmdInner 2700,500", "up cmdInner 2700,500",
                                                    "click cmdInner 2700,500"}));
    EXPECT_TRUE(log.Has("event cmdOK Click"));
    EXPECT_FALSE(log.Has("event cmdInner Click"));
    rt.Advance(100);
    EXPECT_EQ(ticks, 11) << "the form's own timer runs on";

    // A control that holds the focus when its container starts being designed lets it go.
    rt.SetDesignMode(panel, false);
    rt.SetFocus(*rt.Resolve(f, "cmdInner").surface);
    rt.SetDesignMode(panel, true, &sink);
    EXPECT_EQ(rt.Focused(), nullptr);
}

}  // namespace
