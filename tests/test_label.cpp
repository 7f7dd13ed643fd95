// SPDX-License-Identifier: MIT
// TolvaneLabel headless, and its golden pictures.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/label/tolvanelabel.h"
#include "host/runtime.h"
#include "tests/golden_util.h"
#include "tests/test_support.h"
#include "tests/test_util.h"

using namespace stolvane;
using stolvane::test::Recorder;
using Strings = std::vector<std::string>;

namespace {

constexpr double kLeft = 600, kTop = 600;

struct LabelTest : ::testing::Test {
    Runtime rt;
    Recorder log;
    Form& f = rt.NewForm("f", 4800, 2400);
    TolvaneLabel& lbl = Place("TolvaneLabel1", kLeft, kTop);
    std::vector<std::string> opened;
    bool launchSucceeds = true;
    test::HookBackend hooks;

    LabelTest() {
        rt.SetObserver(&log);
        hooks.launch = [this](const std::string& target) {
            opened.push_back(target);
            return launchSucceeds;
        };
        rt.SetBackend(&hooks);
        rt.ShowForm(f);
    }

    TolvaneLabel& Place(const std::string& name, double left, double top, const PropertyMap* stored = nullptr) {
        auto& ce = rt.PlaceControl(f, "TolvaneLabel", name, -1, {left, top, 960, 210}, stored);
        return static_cast<TolvaneLabel&>(ce.GetControl());
    }
    Label& Caption(const std::string& name = "TolvaneLabel1") {
        return *static_cast<Label*>(rt.Resolve(f, name + ".lblCaption").element);
    }
    Timer& T98() { return *static_cast<Timer*>(rt.Resolve(f, "TolvaneLabel1.T98").element); }
    Surface& S() { return lbl.GetSurface(); }
    void MoveTo(double x, double y) { rt.Mouse(f, MouseAction::Move, kLeft + x, kTop + y, 0, 0); }
    void ClickAt(double x, double y) { rt.Mouse(f, MouseAction::Click, kLeft + x, kTop + y, MouseButton::Left, 0); }
    size_t EventCount(const std::string& name) { return log.Count("event TolvaneLabel1 " + name); }
};

TEST_F(LabelTest, FadeMovesATenthOfTheWayPerTickRoundingHalvesToEven) {
    // Per step: red +24.5, green -20, blue +0.1, so halves turn up on odd steps.
    lbl.SetColour(RGB(10, 200, 100));
    lbl.SetColourUp(RGB(255, 0, 101));
    MoveTo(100, 50);
    rt.Advance(100);  // preparation: the colour does not change yet
    EXPECT_EQ(Caption().ForeColour(), RGB(10, 200, 100));

    std::vector<OleColour> seen;
    for (int step = 1; step <= 10; ++step) {
        rt.Advance(100);
        seen.push_back(Caption().ForeColour());
    }
    EXPECT_EQ(seen[0], RGB(34, 180, 100));   // 34.5 -> 34
    EXPECT_EQ(seen[2], RGB(84, 140, 100));   // 83.5 -> 84
    EXPECT_EQ(seen[9], RGB(255, 0, 101));    // exactly ColourUp at step 10
    EXPECT_TRUE(T98().Enabled());

    rt.Advance(100);  // the tick after step 10 stops the timer
    EXPECT_FALSE(T98().Enabled());
    EXPECT_EQ(Caption().ForeColour(), RGB(255, 0, 101));

    // A further move inside runs one more tick that re-applies the hover colour and stops.
    MoveTo(120, 50);
    EXPECT_TRUE(T98().Enabled());
    rt.Advance(100);
    EXPECT_FALSE(T98().Enabled());
    EXPECT_EQ(Caption().ForeColour(), RGB(255, 0, 101));
}

TEST_F(LabelTest, LeavingRestoresTheRestColourAtOnceAndReleasesTheMouseEvenAfterAClick) {
    lbl.SetColour(RGB(0, 0, 0));
    lbl.SetColourUp(RGB(200, 0, 0));
    MoveTo(100, 50);
    EXPECT_EQ(rt.Captured(), &S());
    rt.Advance(500);
    MoveTo(-100, 50);  // arrives through the capture
    EXPECT_EQ(Caption().ForeColour(), RGB(0, 0, 0));
    EXPECT_FALSE(T98().Enabled());
    EXPECT_EQ(rt.Captured(), nullptr);
    EXPECT_EQ(EventCount("MouseMove"), 2u);

    // The next hover starts again from the preparation tick.
    MoveTo(100, 50);
    rt.Advance(200);
    EXPECT_EQ(Caption().ForeColour(), RGB(20, 0, 0));

    // After a click the label looks where the pointer is at once: still on it, it holds the
    // capture again, so that leaving later still returns the rest colour.
    rt.Advance(1500);
    ClickAt(100, 50);
    EXPECT_EQ(rt.Captured(), &S()) << "the capture is taken again for the pointer still inside";
    EXPECT_EQ(Caption().ForeColour(), RGB(200, 0, 0));
    MoveTo(-300, 50);
    EXPECT_EQ(Caption().ForeColour(), RGB(0, 0, 0));
    EXPECT_EQ(rt.Captured(), nullptr);

    // Released away from the label (the press dragged off it), the rest colour stays.
    MoveTo(100, 50);
    rt.Advance(1500);
    rt.Mouse(f, MouseAction::Down, kLeft + 100, kTop + 50, MouseButton::Left, 0);
    rt.Mouse(f, MouseAction::Move, kLeft - 300, kTop + 50, MouseButton::Left, 0);
    rt.Mouse(f, MouseAction::Up, kLeft - 300, kTop + 50, MouseButton::Left, 0);
    EXPECT_EQ(Caption().ForeColour(), RGB(0, 0, 0));
    EXPECT_EQ(rt.Captured(), nullptr);
}

TEST_F(LabelTest, EqualColoursChangeNothingAndAColourChangedMidFadeIsReached) {
    lbl.SetColour(RGB(1, 2, 3));
    lbl.SetColourUp(RGB(1, 2, 3));
    MoveTo(100, 50);
    rt.Advance(3000);
    EXPECT_TRUE(T98().Enabled()) << "the timer runs until the pointer leaves";
    EXPECT_EQ(Caption().ForeColour(), RGB(1, 2, 3));
    MoveTo(100, 500);
    EXPECT_FALSE(T98().Enabled());

    lbl.SetColour(RGB(0, 0, 0));
    lbl.SetColourUp(RGB(100, 0, 0));
    MoveTo(100, 50);
    rt.Advance(500);
    lbl.SetColourUp(SysColour::Window);
    rt.Advance(1000);
    EXPECT_EQ(Caption().ForeColour(), rt.ResolveColour(SysColour::Window));
}

TEST_F(LabelTest, DisabledLabelIsGreyIgnoresHoverButStillClicks) {
    lbl.SetColour(RGB(0, 0, 0));
    lbl.SetColourUp(RGB(250, 0, 0));
    MoveTo(100, 50);
    rt.Advance(300);
    lbl.SetHyperlink("https://example.org/");
    lbl.SetEnabled(False);  // during a fade: it stops and the text stays grey
    EXPECT_FALSE(T98().Enabled());
    EXPECT_EQ(rt.Captured(), nullptr);
    rt.Advance(1000);
    EXPECT_EQ(Caption().ForeColour(), SysColour::GreyText);

    log.lines.clear();
    MoveTo(100, 50);
    EXPECT_FALSE(T98().Enabled());
    EXPECT_EQ(rt.Captured(), nullptr);
    EXPECT_EQ(EventCount("MouseMove"), 0u);
    ClickAt(100, 50);
    EXPECT_EQ(EventCount("MouseDown") + EventCount("Click") + EventCount("MouseUp"), 3u);
    EXPECT_EQ(opened, std::vector<std::string>{"https://example.org/"});
}

// The underline shows in the label_hyperlink golden.
TEST_F(LabelTest, AHyperlinkShowsTheHandAndAClickOpensItOnceRaisesClickBeforeMouseUpAndReportsFailures) {
    lbl.Font()->underline = false;
    lbl.SetHyperlink("https://example.org/a");
    EXPECT_FALSE(lbl.Font()->underline) << "the underline is the caption's, not the font object's";
    auto [pointer, icon] = rt.PointerAt(f, kLeft + 100, kTop + 50);
    EXPECT_EQ(pointer, MousePointer::Custom);
    ASSERT_TRUE(icon);
    EXPECT_EQ(std::pair(icon->PixelWidth(), icon->PixelHeight()), std::pair(16, 16));
    log.lines.clear();
    ClickAt(100, 50);
    EXPECT_EQ(opened, std::vector<std::string>{"https://example.org/a"});
    EXPECT_EQ(log.EventsOf("TolvaneLabel1"), (Strings{"MouseDown", "Click", "MouseUp"}));
    EXPECT_FALSE(log.Has("msgbox STolvane: The TolvaneLabel was unable to link to https://example.org/a. "
                         "Your system is not correctly configured for WWW access."));

    // While hovering the label holds the capture, so the press, the release and the runtime's
    // click all reach its surface: still one link opened and one Click.
    MoveTo(100, 50);
    ClickAt(100, 50);
    EXPECT_EQ(opened.size(), 2u);
    EXPECT_EQ(EventCount("Click"), 2u);

    rt.MouseTo(Target{&S(), nullptr}, MouseAction::Click, 10, 10, MouseButton::Left, 0);
    EXPECT_EQ(opened.size(), 3u);
    EXPECT_EQ(EventCount("Click"), 3u);

    // Unreachable or refused links are reported and still raise Click.
    const std::string tail = ". Your system is not correctly configured for WWW access.";
    launchSucceeds = false;
    lbl.SetHyperlink("http://unreachable.invalid/");
    ClickAt(100, 50);
    EXPECT_TRUE(log.Has("msgbox STolvane: The TolvaneLabel was unable to link to http://unreachable.invalid/" + tail));
    EXPECT_EQ(EventCount("Click"), 4u);

    lbl.SetHyperlink("");
    EXPECT_FALSE(Caption().GetFont().underline);
    EXPECT_EQ(rt.PointerAt(f, kLeft + 100, kTop + 50).first, MousePointer::Default);
}

TEST_F(LabelTest, CaptionChangeShowsTheTextThenRaisesChangeCaptionOnce) {
    std::string shownWhenRaised;
    int raised = 0;
    lbl.ChangeCaption += [&] {
        ++raised;
        shownWhenRaised = Caption().Caption();
    };
    lbl.SetCaption("Hello");
    EXPECT_EQ(raised, 1);
    EXPECT_EQ(shownWhenRaised, "Hello");
    EXPECT_TRUE(log.Has("changed TolvaneLabel1 Caption"));
}

TEST_F(LabelTest, SizeHasAMinimumAndTheHeightIsOneTextLine) {
    const double line = S().Height();
    EXPECT_EQ(line, rt.MeasureText(*lbl.Font(), "Tolvane Label", 0).height);

    S().SetWidth(10);
    for (double h : {10, 4000}) {
        S().SetHeight(h);
        EXPECT_EQ(S().Height(), line);
    }
    EXPECT_EQ(std::tuple(S().Width(), Caption().Width(), Caption().Height()), std::tuple(75.0, 75.0, line));

    lbl.SetFont(MakeFont("Tahoma", 24));
    EXPECT_GT(S().Height(), line);
    EXPECT_EQ(Caption().Height(), S().Height());

    // Odd input does not break the label.
    TolvaneLabel& zero = Place("Zero", 0, 0);
    zero.GetSurface().Move(0, 0, 0, 0);
    zero.SetCaption("");
    zero.SetFont(MakeFont("Tahoma", 400));
    EXPECT_GT(zero.GetSurface().Height(), 5000);

    EXPECT_EQ(test::ErrorOf([&] { lbl.SetAlign(7); }), ErrorNumber::InvalidProperty);
    EXPECT_EQ(lbl.Align(), 7) << "refused, yet stored";
}

// Stored values show as the label loads (grey when disabled, a link underlined); a new label takes
// its own name and the form's font.
TEST_F(LabelTest, StoredValuesShowAsTheLabelLoads) {
    const PropertyMap bag{{"Caption", std::string("Visit us")}, {"Enabled", int64_t{False.Raw()}},
                          {"Hyperlink", std::string("mailto:someone@example.org")}};
    Place("Copy", 0, 1200, &bag);
    EXPECT_EQ(Caption("Copy").Caption(), "Visit us");
    EXPECT_EQ(Caption("Copy").ForeColour(), SysColour::GreyText);
    EXPECT_TRUE(Caption("Copy").GetFont().underline);
    TolvaneLabel& fresh = Place("New", 0, 0);
    EXPECT_EQ(std::pair(fresh.Caption(), fresh.Font()), std::pair(std::string("New"), f.GetFont()));
}

struct LabelLooks : LabelTest {
    LabelLooks() {
        rt.GetTheme().Reset();
        f.Move(0, 0, 2400, 600);
        S().Move(240, 150, 1920, 210);
        lbl.SetFont(MakeFont("Tahoma", 8.25));
        lbl.SetCaption("Tolvane Label");
    }
    void Check(const std::string& name) { test::CheckGoldenAtBothScales(rt, f, name); }
};

TEST_F(LabelLooks, AtRestLitAndWithHyperlink) {
    Check("label_rest");
    rt.Mouse(f, MouseAction::Move, 600, 200, 0, 0);
    rt.Advance(1200);
    Check("label_lit");
    rt.Mouse(f, MouseAction::Move, 10, 10, 0, 0);
    lbl.SetHyperlink("https://example.org/");
    lbl.SetColour(RGB(0, 0, 255));
    Check("label_hyperlink");
}

// Tahoma Bold at 8.25 pt comes from the face's bold bitmaps at scale 1; at 9.75 and 12 pt and at
// scale 2 from its outlines, which have to be emboldened (they are the regular ones).
TEST_F(LabelLooks, BoldAtThreeSizes) {
    f.Move(0, 0, 4200, 1260);
    S().Move(120, 90, 3960, 210);
    lbl.SetFont(MakeFont("Tahoma", 8.25, true));
    lbl.SetCaption("Bold when the hyperlink, 8.25");
    lbl.SetAlign(0);
    int top = 390;
    for (double size : {9.75, 12.0}) {
        TolvaneLabel& more = Place(size == 12 ? "Twelve" : "Nine", 120, top);
        more.GetSurface().Move(120, top, 3960, 210);
        more.SetFont(MakeFont("Tahoma", size, true));
        more.SetCaption(size == 12 ? "Bold when the hyperlink, 12" : "Bold when the hyperlink, 9.75");
        more.SetAlign(0);
        top += 390;
    }
    Check("label_bold");
}

}  // namespace
