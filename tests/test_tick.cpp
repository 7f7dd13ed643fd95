// SPDX-License-Identifier: MIT
// TolvaneTick headless, and its golden pictures.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/tick/tolvanetick.h"
#include "host/runtime.h"
#include "tests/golden_util.h"
#include "tests/test_support.h"
#include "tests/test_util.h"

using namespace stolvane;
using stolvane::test::Recorder;

namespace {

constexpr double kLeft = 300, kTop = 300;
constexpr double kPx = 15;

struct TickTest : ::testing::Test {
    Runtime rt;
    Recorder log;
    Form& f = rt.NewForm("f", 6000, 2400);
    TolvaneTick& tick = Place("TolvaneTick1", kLeft, kTop);

    TickTest() {
        rt.SetObserver(&log);
        rt.ShowForm(f);
    }

    TolvaneTick& Place(const std::string& name, double left, double top, const PropertyMap* stored = nullptr) {
        auto& ce = rt.PlaceControl(f, "TolvaneTick", name, -1, {left, top, 4875, 270}, stored);
        return static_cast<TolvaneTick&>(ce.GetControl());
    }
    Surface& S() { return tick.GetSurface(); }
    PictureBox& Box(const std::string& name = "TolvaneTick1") {
        return *static_cast<PictureBox*>(rt.Resolve(f, name + ".imgCheck").element);
    }
    Surface& CaptionSurface() { return *rt.Resolve(f, "TolvaneTick1.lblCaption").surface; }
    Label& CaptionText() { return *static_cast<Label*>(rt.Resolve(f, "TolvaneTick1.lblCaption.lblCaption").element); }
    void ClickAt(double x, double y) { rt.Mouse(f, MouseAction::Click, kLeft + x, kTop + y, MouseButton::Left, 0); }
    void ClickBox() { ClickAt(15 + 120, Box().Top() + 120); }
    void ClickCaption() { ClickAt(300 + 300, CaptionSurface().Top() + 60); }
    void ClickSurface() { ClickAt(280, 20); }  // between the box and the caption
    std::vector<std::string> Events() { return log.EventsOf("TolvaneTick1"); }
    // What the box shows at pixel (x, y) of its frame.
    OleColour BoxPixel(int x, int y) { return Box().Point(x * kPx + 7, y * kPx + 7); }
    // The glyph pixel (x, y) as the box shows it, inside its two-pixel frame.
    OleColour GlyphPixel(int x, int y) { return BoxPixel(x + TolvaneTick::kFrame, y + TolvaneTick::kFrame); }
};

TEST_F(TickTest, EachKindOfClickTogglesExactlyOnceUnlessDisabled) {
    ClickBox();
    EXPECT_EQ(tick.Value(), True);
    ClickCaption();
    EXPECT_EQ(tick.Value(), False);
    ClickSurface();
    EXPECT_EQ(tick.Value(), True);
    EXPECT_EQ(Events(), (std::vector<std::string>{"ValueChange", "Click", "ValueChange", "Click", "ValueChange",
                                                  "Click"}));
    EXPECT_EQ(rt.Focused(), &S());

    // Over a lit caption (which holds the capture) a click still toggles once.
    rt.Mouse(f, MouseAction::Move, kLeft + 600, kTop + CaptionSurface().Top() + 60, 0, 0);
    ASSERT_EQ(rt.Captured(), &CaptionSurface());
    ClickCaption();
    EXPECT_EQ(tick.Value(), False);
    EXPECT_EQ(Events().size(), 8u);

    // Disabled, it does not toggle and its caption is grey.
    rt.Mouse(f, MouseAction::Move, 100, 100, 0, 0);
    tick.SetEnabled(False);
    EXPECT_EQ(CaptionText().ForeColour(), SysColour::GreyText);
    ClickBox();
    ClickCaption();
    ClickSurface();
    S().SetFocus();
    rt.KeyPress(32);
    EXPECT_EQ(tick.Value(), False);
    EXPECT_EQ(Events().size(), 8u);
    tick.SetEnabled(True);
    EXPECT_EQ(CaptionText().ForeColour(), SysColour::ButtonText);
    ClickCaption();
    EXPECT_EQ(tick.Value(), True);
}

TEST_F(TickTest, SpaceTogglesOtherKeysDoNotAndCodeRaisesNoEvent) {
    S().SetFocus();
    rt.KeyPress(13);
    rt.KeyPress('a');
    EXPECT_EQ(tick.Value(), False);
    rt.KeyPress(32);
    EXPECT_EQ(tick.Value(), True);
    EXPECT_EQ(Events().size(), 2u);
    tick.SetValue(False);  // drawn at once, no event
    EXPECT_EQ(GlyphPixel(10, 2), rt.ResolveColour(SysColour::Window));
    EXPECT_EQ(Events().size(), 2u);
    EXPECT_TRUE(log.Has("changed TolvaneTick1 Value"));
    tick.SetValue(True);
    EXPECT_EQ(GlyphPixel(10, 2), 0u);
}

TEST_F(TickTest, ValueChangeHandlerCanOverrideTheValueWithoutRedrawing) {
    std::vector<Boolean> seen;
    tick.ValueChange += [&](Boolean& bValue) {
        seen.push_back(bValue);
        bValue = False;
    };
    ClickBox();
    EXPECT_EQ(seen, std::vector<Boolean>{True});
    EXPECT_EQ(tick.Value(), False);
    EXPECT_EQ(GlyphPixel(10, 2), 0u);  // the box still shows the tick
}

TEST_F(TickTest, CheckStyleShowsAtTheNextToggleOrAsStoredAndBackColourAtOnce) {
    const OleColour window = rt.ResolveColour(SysColour::Window);
    tick.SetValue(True);
    tick.SetCheckStyle(CheckStyle::Cross);
    EXPECT_EQ(Box().GetPicture(), TolvaneTick::TickGlyph());
    EXPECT_EQ(GlyphPixel(10, 2), 0u);

    ClickBox();  // off: the well is plain back colour
    EXPECT_EQ(GlyphPixel(10, 2), window);
    ClickBox();  // on again: now the cross
    EXPECT_EQ(Box().GetPicture(), TolvaneTick::CrossGlyph());
    EXPECT_EQ(GlyphPixel(5, 6), 0u);

    // A new back colour shows at once, around the cross still shown.
    tick.SetBackColour(RGB(255, 255, 0));
    EXPECT_EQ(GlyphPixel(5, 6), 0u);
    EXPECT_EQ(GlyphPixel(0, 0), RGB(255, 255, 0));
    ClickBox();
    EXPECT_EQ(BoxPixel(7, 7), RGB(255, 255, 0));

    // Stored crossed and ticked, it loads showing the cross.
    const PropertyMap bag{{"CheckStyle", int64_t{CheckStyle::Cross}}, {"Value", int64_t{True.Raw()}}};
    Place("Copy", kLeft, 1500, &bag);
    EXPECT_EQ(Box("Copy").GetPicture(), TolvaneTick::CrossGlyph());
}

TEST_F(TickTest, FocusRectangleSurroundsTheCaptionOrTheBoxAndGoesWithTheFocus) {
    // Wider than a 16-bit twip count reaches.
    auto& other = rt.PlaceControl(f, "TolvaneTick", "Other", -1, {300, 1200, 40000, 270}, nullptr);
    const OleColour dot = rt.ResolveColour(SysColour::DarkShadow);
    S().SetFocus();
    // The dots are in the golden picture; the lower edge stays inside a control of the usual height.
    ASSERT_EQ(S().Height(), 270);
    EXPECT_EQ(S().Point(600, 255), dot);

    other.GetSurface().SetFocus();
    EXPECT_TRUE(S().GetDrawing().Empty());
    const double otherTop = rt.Resolve(f, "Other.lblCaption").surface->Top() - 45;
    EXPECT_EQ(other.GetSurface().Point(39990, otherTop), dot);
    EXPECT_EQ(other.GetSurface().Point(39985, otherTop + 30), dot);

    // Without a caption it surrounds the box alone.
    tick.SetCaption("");
    const double t = Box().Top(), h = Box().Height(), w = Box().Width();
    S().SetFocus();
    EXPECT_EQ(S().Point(0, t - 15), dot);
    EXPECT_EQ(S().Point(w + 15, t - 15), dot);
    EXPECT_EQ(S().Point(120, t + h), dot);
    // Nothing is drawn out where the caption would be.
    EXPECT_EQ(S().Point(w + 105, t - 15), rt.ResolveColour(S().BackColour()));
}

TEST_F(TickTest, SizeHasAMinimumAndTheBoxAndCaptionAreCentred) {
    S().Move(kLeft, kTop, 100, 100);
    EXPECT_EQ(S().Width(), 360);
    EXPECT_EQ(S().Height(), 270);
    S().Move(kLeft, kTop, 3000, 900);
    EXPECT_EQ(Box().Top(), 450 - 120);
    EXPECT_EQ(CaptionSurface().Width(), 3000 - 240 - 75);
    EXPECT_EQ(CaptionSurface().Top(), 450 - CaptionSurface().Height() / 2 + 15);
}

TEST_F(TickTest, CaptionSettingsReachTheEmbeddedLabelAndLightUp) {
    EXPECT_EQ(CaptionText().Caption(), "TolvaneTick1");
    tick.SetCaption("&Remember me");
    tick.SetColour(RGB(0, 128, 0));
    tick.SetColourUp(RGB(255, 0, 0));
    tick.SetFont(MakeFont("Arial", 10, true));
    EXPECT_EQ(CaptionText().Caption(), "&Remember me");
    EXPECT_TRUE(rt.AccessKey('r'));
    EXPECT_EQ(tick.Value(), True);
    EXPECT_EQ(CaptionText().ForeColour(), RGB(0, 128, 0));
    EXPECT_TRUE(CaptionText().GetFont().bold);

    rt.Mouse(f, MouseAction::Move, kLeft + 600, kTop + CaptionSurface().Top() + 60, 0, 0);
    rt.Advance(1200);
    EXPECT_EQ(CaptionText().ForeColour(), RGB(255, 0, 0));

    EXPECT_EQ(test::ErrorOf([&] { tick.SetAlign(3); }), ErrorNumber::InvalidProperty);
    EXPECT_EQ(tick.Align(), 3);
    // The refused value does not lock the caption: good settings still reach it.
    tick.SetAlign(Alignment::Right);
    tick.SetCaption("Save&&Quit");  // a plain ampersand, no access key
    EXPECT_FALSE(rt.AccessKey('q'));
    EXPECT_EQ(CaptionText().Alignment(), Alignment::Right);
    EXPECT_EQ(CaptionText().Caption(), "Save&&Quit");
}

struct TickLooks : TickTest {
    TickLooks() {
        rt.GetTheme().Reset();
        f.Move(0, 0, 2700, 600);
        S().Move(150, 150, 2400, 300);
        tick.SetFont(MakeFont("Tahoma", 8.25));
        tick.SetCaption("Remember me");
    }
    void Check(const std::string& name) { test::CheckGoldenAtBothScales(rt, f, name); }
};

// Unticked and ticked boxes at rest are in the showcase's golden pictures.
TEST_F(TickLooks, TickedAndFocused) {
    tick.SetValue(True);
    S().SetFocus();
    Check("tick_focused");
}

TEST_F(TickLooks, Crossed) {
    tick.SetCheckStyle(CheckStyle::Cross);
    tick.SetValue(True);
    Check("tick_crossed");
}

}  // namespace
