// TolvanePanel on the real headless runtime: setters and the store, AutoSize, bevel, gradient
// box, shadow and caption geometry, the percentage bar, the background flags, the pixels of
// gradient, pictures and the inverting bar, the panel as a container, sizing and both grip
// drags, the mouse reaction table, forwarding, the two failure messages, golden pictures, and a
// grip drag that resizes a real window.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "controls/panel/tolvanepanel.h"
#include "host/form_file.h"
#include "host/render.h"
#include "host/runtime.h"
#include "host/window.h"
#include "tests/golden_util.h"
#include "tests/display.h"
#include "tests/test_support.h"

using namespace stolvane;

namespace {

constexpr double kLeft = 600, kTop = 600, kW = 3000, kH = 1500;
constexpr OleColour S = SysColour::ButtonShadow, L = SysColour::ButtonHighlight;

// A picture of w x h pixels: red in the top-left pixel and the left half, blue in the right
// half, and a green top-left pixel so that tile origins can be found.
PictureRef Halves(int w, int h) {
    std::vector<uint32_t> px;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) px.push_back(x == 0 && y == 0 ? 0xFF00FF00u : x < w / 2 ? 0xFFFF0000u : 0xFF0000FFu);
    return Picture::FromPixels(w, h, std::move(px));
}

// A container that refuses to be resized while `refuse` is set.
class RefusingHolder : public Control {
public:
    using Control::Control;
    static inline bool refuse = false;
    const char* ClassName() const override { return "RefusingHolder"; }
    static const std::vector<PropertyInfo>& PropertyTable() {
        static const std::vector<PropertyInfo> none;
        return none;
    }
    const std::vector<PropertyInfo>& Properties() const override { return PropertyTable(); }
    void Resize() override {
        if (refuse) throw HostError(ErrorNumber::InvalidProperty, "Invalid property value");
    }
};

struct PanelTest : ::testing::Test {
    Runtime rt;
    test::Recorder log;
    Form& f = rt.NewForm("f", 9600, 7200);
    TolvanePanel& p = rt.Place<TolvanePanel>(f, "TolvanePanel1", {kLeft, kTop, kW, kH});

    PanelTest() {
        rt.SetObserver(&log);
        rt.ShowForm(f);
    }
    Surface& Sf() { return p.GetSurface(); }
    template <class T = Line>
    T& El(const std::string& name, int index = -1) {
        Element* e = Sf().Find(name, index);
        if (!e) throw std::runtime_error("no element " + name);
        return static_cast<T&>(*e);
    }
    Label& Caption() { return El<Label>("lblCaption"); }
    static std::vector<double> Ends(const Line& l) { return {l.X1(), l.Y1(), l.X2(), l.Y2()}; }
    void Mouse(MouseAction a, double x, double y, int16_t button = 0) { rt.Mouse(f, a, x, y, button, 0); }
    // Mouse input at a point of the panel.
    void At(MouseAction a, double x, double y, int16_t button = 0) { Mouse(a, kLeft + x, kTop + y, button); }
    std::vector<std::string> Events(const std::string& name) {
        std::vector<std::string> out;
        for (auto& l : log.lines)
            if (l == "event TolvanePanel1 " + name) out.push_back(l);
        return out;
    }
    // The gradient's first fill, over its whole box (the operation before it is the point
    // plotted to resolve the colours).
    DrawOp GradientBox() {
        for (const DrawOp& op : El<PictureBox>("imgBackground").GetDrawing().Ops())
            if (op.width > 15 && op.height > 15) return op;
        return {};
    }
    bool BevelsShown() {
        for (const char* n : {"linTop", "linLef", "linBot", "linRig"})
            if (!El(n).Visible()) return false;
        return true;
    }
};

// ---------------------------------------------------------------- properties and the store

TEST_F(PanelTest, SettersClampStoreAndNotifyWhileReadingKeepsWhatWasStored) {
    p.SetBorder(5);
    EXPECT_EQ(p.Border(), 15);
    p.SetBorder(1000);
    EXPECT_EQ(p.Border(), 360);
    p.SetPercentage(150);
    EXPECT_EQ(p.Percentage(), 100);
    p.SetPercentage(-20);
    EXPECT_EQ(p.Percentage(), 0);
    p.SetTile(5);
    EXPECT_EQ(p.Tile(), True);
    EXPECT_TRUE(log.Has("changed TolvanePanel1 Border"));
    EXPECT_TRUE(log.Has("changed TolvanePanel1 Tile"));

    // Through the generic interface, as scripts and form files set it.
    p.SetProperty("Border", Value{int64_t{2}});
    EXPECT_EQ(AsInteger(p.GetProperty("Border")), 15);

    PropertyMap stored{{"Border", Value{int64_t{5}}}, {"Percentage", Value{int64_t{150}}}};
    auto& read = static_cast<TolvanePanel&>(rt.PlaceControl(f, "TolvanePanel", "Stored", -1, {0, 0, 3000, 1500}, &stored)
                                                .GetControl());
    EXPECT_EQ(read.Border(), 5) << "reading does not clamp";
    EXPECT_EQ(read.Percentage(), 100) << "the bar clamps it once the panel is laid out";
    EXPECT_EQ(read.Caption(), "TolvanePanel") << "a stored form without Caption";
    EXPECT_EQ(p.Caption(), "TolvanePanel1") << "a new instance takes its own name";
}

TEST_F(PanelTest, NonVisualPropertiesDoNotRepaint) {
    FormRenderer r(rt, f);
    r.Update();
    p.SetBind_Parent(False);
    p.SetAutoSize(True);
    p.SetEnabled(False);
    EXPECT_FALSE(rt.HasDirty(f));
    EXPECT_TRUE(log.Has("changed TolvanePanel1 Enabled"));
}

TEST_F(PanelTest, PropertiesAreWrittenInStoreOrderAndReadBackIdentical) {
    PropertyMap defaults;
    p.WriteProperties(defaults);
    EXPECT_TRUE(defaults.Entries().size() <= 1u) << "only the caption (its name) differs from the defaults";

    p.SetAlignV(1);
    p.SetGrip(True);
    p.SetGradient(1);
    p.SetGrad_Top(RGB(1, 2, 3));
    p.SetTile(True);
    p.SetBorder(90);
    PropertyMap bag;
    p.WriteProperties(bag);
    std::vector<std::string> keys;
    for (auto& [k, v] : bag.Entries()) keys.push_back(k);
    EXPECT_EQ(keys, (std::vector<std::string>{"AlignV", "Border", "Caption", "Grip", "Gradient", "Grad_Top", "Tile"}));

    auto& copy = static_cast<TolvanePanel&>(rt.PlaceControl(f, "TolvanePanel", "Copy", -1, {0, 0, 3000, 1500}, &bag)
                                                .GetControl());
    for (const PropertyInfo& info : TolvanePanel::PropertyTable())
        if (info.name != "Font") EXPECT_TRUE(ValuesEqual(info.get(p), info.get(copy))) << info.name;
}

TEST_F(PanelTest, AutoSizeFitsThePictureInsideTheBevels) {
    p.SetAutoSize(True);
    p.SetBackground(Halves(100, 60));  // 1500 x 900 twips
    EXPECT_EQ(Sf().Width(), 1530);
    EXPECT_EQ(Sf().Height(), 930);
    p.SetBevelInner(PanelStyle::Sunken);
    p.SetBackground(Halves(100, 60));
    EXPECT_EQ(Sf().Width(), 1650);
    EXPECT_EQ(Sf().Height(), 1050);
    p.SetBevelInner(PanelStyle::None);
    p.SetBevelOuter(PanelStyle::None);
    p.SetBackground(Halves(10, 10));
    EXPECT_EQ(Sf().Width(), 285) << "the minimum size still holds";
}

// ---------------------------------------------------------------- geometry

TEST_F(PanelTest, SizeHasAMinimumAndBevelsGripAndCanvasFollowIt) {
    Sf().Move(kLeft, kTop, 200, 100);
    EXPECT_EQ(Sf().Width(), 285);
    EXPECT_EQ(Sf().Height(), 285);
    Sf().Move(kLeft, kTop, 285, 285);
    EXPECT_EQ(Sf().Width(), 285);

    Sf().Move(kLeft, kTop, 3000, 1500);
    EXPECT_EQ(Ends(El("linBot")), (std::vector<double>{0, 1485, 3000, 1485}));
    EXPECT_EQ(Ends(El("linRig")), (std::vector<double>{2985, 0, 2985, 1500}));
    EXPECT_EQ(Ends(El("linTop")), (std::vector<double>{0, 0, 2985, 0}));
    EXPECT_EQ(Ends(El("linLef")), (std::vector<double>{0, 0, 0, 1485}));
    auto& grip = El<Image>("shpGrip");
    EXPECT_EQ(grip.Left(), 2745);
    EXPECT_EQ(grip.Top(), 1245);
    EXPECT_EQ(Ends(El("grpLin", 3)), (std::vector<double>{2865, 1470, 2985, 1350}));
    EXPECT_EQ(Ends(El("grpIn", 0)), (std::vector<double>{2955, 1470, 2985, 1425}));
    EXPECT_EQ(El<PictureBox>("imgBackground").Width(), 3000);
    EXPECT_EQ(El<Label>("lblCheck").Height(), 1500);

    // With Grip False the strokes and the hot spot are hidden and the corner starts no drag.
    EXPECT_FALSE(grip.Visible());
    EXPECT_FALSE(El("grpLin", 6).Visible());
    p.SetGrip(True);
    EXPECT_TRUE(grip.Visible());
    EXPECT_TRUE(El("grpIn", 3).Visible());
}

TEST_F(PanelTest, InnerBevelGradientBoxAndShadowLinesFollowTheBorder) {
    p.SetBevelOuter(PanelStyle::Sunken);
    p.SetBevelInner(PanelStyle::Elevated);
    p.SetGrad_Top(RGB(255, 0, 0));
    EXPECT_EQ(Ends(El("inTop")), (std::vector<double>{60, 60, 2925, 60}));
    EXPECT_EQ(Ends(El("inRig")), (std::vector<double>{2925, 60, 2925, 1440}));
    EXPECT_EQ(Ends(El("inLef")), (std::vector<double>{60, 60, 60, 1425}));
    EXPECT_EQ(Ends(El("inBot")), (std::vector<double>{60, 1425, 2940, 1425}));
    // The gradient's first fill covers its whole box.
    const DrawOp box = GradientBox();
    EXPECT_EQ(box.left, 75);
    EXPECT_EQ(box.top, 75);
    EXPECT_EQ(box.left + box.width, 2895 + 15);
    EXPECT_EQ(box.top + box.height, 1410 + 15);
    // Elevated inner: light top and left; sunken outer: dark top and left.
    EXPECT_EQ(El("inTop").Colour(), L);
    EXPECT_EQ(El("inBot").Colour(), S);
    EXPECT_EQ(El("linTop").Colour(), S);
    EXPECT_EQ(El("linRig").Colour(), L);

    // Shadow lines sit one pixel inside the innermost sunken bevel.
    p.SetBevelInner(PanelStyle::None);
    EXPECT_EQ(Ends(El("slinTop")), (std::vector<double>{15, 15, 2970, 15}));
    EXPECT_EQ(Ends(El("slinLef")), (std::vector<double>{15, 15, 15, 1485}));
    p.SetBevelInner(PanelStyle::Sunken);
    EXPECT_EQ(Ends(El("slinTop")), (std::vector<double>{75, 75, 2910, 75}));
    EXPECT_EQ(Ends(El("slinLef")), (std::vector<double>{75, 75, 75, 1425}));
    EXPECT_FALSE(El("slinTop").Visible());
}

TEST_F(PanelTest, CaptionWrapsAtTheInnerWidthAndAlignsTopBottomOrMiddle) {
    p.SetFont(MakeFont("Tahoma", 8.25));
    p.SetCaption("One line");
    Label& c = Caption();
    const double oneLine = c.Height();
    EXPECT_EQ(c.Left(), 60 + 30);
    EXPECT_EQ(c.Width(), 2925 - 60 - 15);
    EXPECT_EQ(c.Top(), 750 - oneLine / 2) << "middle by default";
    p.SetAlignV(0);
    EXPECT_EQ(c.Top(), 0) << "at the very top, not below the bevel";
    p.SetAlignV(1);
    EXPECT_EQ(c.Top() + c.Height(), 1500);
    p.SetAlignH(Alignment::Right);
    EXPECT_EQ(c.Alignment(), Alignment::Right);
    p.SetFont_Colour(RGB(0, 0, 255));
    EXPECT_EQ(c.ForeColour(), RGB(0, 0, 255));

    Sf().SetWidth(1200);
    p.SetCaption("A caption long enough to wrap over several lines of this narrow panel");
    EXPECT_GE(c.Height(), 3 * oneLine);
    EXPECT_EQ(c.Top() + c.Height(), 1500) << "a taller caption still ends on the bottom edge";
    p.SetBorder(360);
    Sf().SetWidth(285);
    EXPECT_EQ(c.Width(), 0) << "no room left: no width, no failure";
    EXPECT_TRUE(Events("MouseMove").empty());
    for (auto& l : log.lines) EXPECT_EQ(l.rfind("msgbox", 0), std::string::npos) << l;
}

TEST_F(PanelTest, BarWidthAndVisibilityFollowThePercentage) {
    auto& bar = El<Shape>("shpPerc");
    p.SetPercentage(50);
    EXPECT_TRUE(bar.Visible());
    EXPECT_EQ(bar.Width(), 1515);
    EXPECT_EQ(bar.Height(), 1515);
    EXPECT_EQ(bar.Left(), 0);
    p.SetPercentage(0);
    EXPECT_FALSE(bar.Visible());
    EXPECT_EQ(bar.Width(), 15);
    Sf().SetHeight(600);
    EXPECT_EQ(bar.Height(), 615);
}

// ---------------------------------------------------------------- background

TEST_F(PanelTest, AnOldGradientStaysUntilAResizeOrAGradientChange) {
    auto& canvas = El<PictureBox>("imgBackground");
    p.SetBevelInner(PanelStyle::Sunken);
    p.SetGrad_Top(RGB(255, 0, 0));
    const DrawOp before = GradientBox();
    const PictureRef image = Sf().GetPicture();
    p.SetBorder(120);
    EXPECT_EQ(El("inTop").Y1(), 120) << "the bevels move";
    EXPECT_EQ(GradientBox().left, before.left) << "the gradient does not";
    EXPECT_EQ(Sf().GetPicture(), image);
    Sf().SetWidth(3015);
    EXPECT_EQ(GradientBox().left, 135) << "a resize draws it anew";
}

TEST_F(PanelTest, APictureHidesTheGradientUntilItIsTakenAway) {
    FormRenderer r(rt, f);
    p.SetBevelOuter(PanelStyle::None);
    p.SetCaption("");
    p.SetTile(True);
    p.SetBackground(Halves(20, 12));
    EXPECT_TRUE(p.PictureLaidOut());
    const uint32_t tiled = r.PixelAt(kLeft + 150, kTop + 90);
    p.SetGrad_Top(RGB(0, 255, 255));
    p.SetGrad_Bot(RGB(0, 255, 255));
    EXPECT_EQ(r.PixelAt(kLeft + 150, kTop + 90), tiled) << "with a picture the colours change nothing";
    p.SetBackground(Picture::Empty());
    EXPECT_EQ(r.PixelAt(kLeft + 150, kTop + 90), RGB(0, 255, 255));
    EXPECT_FALSE(El<Image>("imgGrab").Visible());
}

TEST_F(PanelTest, PixelsOfTheGradientBandsThePicturesAndTheInvertingBar) {
    FormRenderer r(rt, f);
    p.SetBevelOuter(PanelStyle::None);
    p.SetCaption("");
    // 1500 twips: 100 bands of 15 twips, from red to one step short of blue.
    p.SetGrad_Top(RGB(255, 0, 0));
    p.SetGrad_Bot(RGB(0, 0, 255));
    EXPECT_EQ(r.PixelAt(kLeft + 150, kTop), RGB(255, 0, 0));
    EXPECT_EQ(r.PixelAt(kLeft + 150, kTop + 1490), RGB(3, 0, 252));
    p.SetGradient(GradientStyle::Vertical);
    EXPECT_EQ(r.PixelAt(kLeft, kTop + 700), RGB(255, 0, 0));
    EXPECT_EQ(r.PixelAt(kLeft + 2990, kTop + 700), RGB(1, 0, 254));

    // Tiled from the top-left corner: 20 x 12 pixel tiles.
    p.SetTile(True);
    p.SetBackground(Halves(20, 12));
    EXPECT_EQ(r.PixelAt(kLeft + 300, kTop + 180), RGB(0, 255, 0)) << "a tile's first pixel";
    EXPECT_EQ(r.PixelAt(kLeft + 315, kTop + 180), RGB(255, 0, 0));
    EXPECT_EQ(r.PixelAt(kLeft + 2700 + 200, kTop + 1440 + 15), RGB(0, 0, 255));
    // Fitted: a 2:1 picture fills the 2:1 panel, ratio kept, centred.
    p.SetTile(False);
    p.SetBackground(Halves(20, 10));
    EXPECT_TRUE(El<Image>("imgGrab").Visible());
    EXPECT_EQ(El<Image>("imgGrab").Width(), 3000);
    EXPECT_EQ(El<Image>("imgGrab").Height(), 1500);
    EXPECT_EQ(r.PixelAt(kLeft + 750, kTop + 750), RGB(255, 0, 0));
    EXPECT_EQ(r.PixelAt(kLeft + 2250, kTop + 750), RGB(0, 0, 255));

    // The bar inverts the panel's picture beneath it, and nothing else.
    p.SetPercentage(100);
    EXPECT_EQ(r.PixelAt(kLeft + 750, kTop + 750), RGB(0, 255, 255));
    EXPECT_EQ(r.PixelAt(kLeft + 2250, kTop + 750), RGB(255, 255, 0));
    const uint32_t face = rt.ResolveColour(SysColour::ButtonFace) & 0xFFFFFF;
    EXPECT_EQ(r.PixelAt(kLeft + 1500, kTop + kH + 7), face) << "below the panel";
    EXPECT_EQ(r.PixelAt(kLeft + kW + 7, kTop + 750), face) << "right of the panel";
}

TEST_F(PanelTest, APercentageStepRepaintsOnlyTheStripThatChanged) {
    p.SetGrad_Top(RGB(255, 255, 255));
    p.SetGrad_Bot(RGB(0, 0, 128));
    p.SetPercentage(40);
    FormRenderer r(rt, f);
    r.Update();
    p.SetPercentage(41);
    r.Update();
    EXPECT_GT(r.LastRepaintedPixels(), 0);
    EXPECT_LE(r.LastRepaintedPixels(), 6 * 104) << "two pixels of bar and a spare pixel each side";
    p.SetPercentage(39);
    r.Update();
    EXPECT_LE(r.LastRepaintedPixels(), 8 * 104);
}

// ---------------------------------------------------------------- the panel as a container

TEST_F(PanelTest, ControlsInsideMoveWithItAreClippedHitFirstAndDrawnAboveTheBar) {
    test::RegisterProbe();
    test::ProbeControl::journal.clear();
    FormRenderer r(rt, f);
    p.SetCaption("");
    p.SetGrad_Top(RGB(0, 128, 255));
    p.SetGrad_Bot(RGB(0, 128, 255));
    rt.PlaceControl(Sf(), "ProbeControl", "Inner", -1, {300, 600, 600, 300}, nullptr);
    rt.PlaceControl(Sf(), "ProbeControl", "Wide", -1, {2700, 600, 1200, 300}, nullptr);
    Surface* inner = f.FindSurface("Inner");
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(rt.FormX(*inner), kLeft + 300);

    p.SetPercentage(100);
    const uint32_t face = rt.ResolveColour(SysColour::ButtonFace) & 0xFFFFFF;
    EXPECT_EQ(r.PixelAt(kLeft + 450, kTop + 850), face) << "the control is drawn above the bar, not inverted";
    EXPECT_EQ(r.PixelAt(kLeft + 150, kTop + 750), RGB(255, 127, 0)) << "the panel is inverted";
    EXPECT_EQ(r.PixelAt(kLeft + 3300, kTop + 750), face) << "clipped at the panel's edge";
    EXPECT_EQ(rt.HitTest(f, kLeft + 3300, kTop + 750).surface, static_cast<Surface*>(&f)) << "no hit outside the panel";

    p.SetMouseReaction(MouseReaction::Nullify);
    At(MouseAction::Click, 450, 850, 1);
    EXPECT_NE(std::find(test::ProbeControl::journal.begin(), test::ProbeControl::journal.end(), "Inner Click"),
              test::ProbeControl::journal.end());
    EXPECT_TRUE(Events("Click").empty());

    Sf().SetLeft(1200);
    EXPECT_EQ(rt.FormX(*inner), 1500) << "it moves with the panel";
}

// ---------------------------------------------------------------- the grip

struct GripTest : PanelTest {
    GripTest() {
        p.SetGrip(True);
        p.SetMouseReaction(MouseReaction::Nullify);
    }
    // Presses the grip's hot spot (240 x 240 twips, 15 twips inside the bottom-right corner)
    // near the corner, drags it and lets go.
    void Drag(double dx, double dy) {
        const double x = Sf().Width() - 30, y = Sf().Height() - 30;
        At(MouseAction::Down, x, y, 1);
        At(MouseAction::Move, x + dx, y + dy, 1);
        At(MouseAction::Up, x + dx, y + dy, 1);
    }
};

TEST_F(GripTest, ResizeModeFollowsTheCursorAndTheParentGrowsAsMuch) {
    p.SetGripSize(True);
    p.SetBind_Parent(False);
    Drag(300, 150);
    EXPECT_EQ(Sf().Width(), 3300);
    EXPECT_EQ(Sf().Height(), 1650);
    EXPECT_EQ(f.Width(), 9600);
    EXPECT_FALSE(p.GripDragging());

    p.SetBind_Parent(True);
    Drag(300, -150);
    EXPECT_EQ(Sf().Width(), 3600);
    EXPECT_EQ(Sf().Height(), 1500);
    EXPECT_EQ(f.Width(), 9900);
    EXPECT_EQ(f.Height(), 7050);
    EXPECT_EQ(Sf().Left(), kLeft);
}

TEST_F(GripTest, MoveModeMovesThePanelByTheTravelAndTheParentWithIt) {
    p.SetBind_Parent(False);
    Drag(0, 150);
    EXPECT_EQ(Sf().Top(), kTop + 150);
    EXPECT_EQ(Sf().Width(), kW);
    EXPECT_EQ(Sf().Height(), kH);
    EXPECT_EQ(f.Height(), 7200);

    p.SetBind_Parent(True);
    // Two moves in one drag: each moves by the travel since the one before.
    At(MouseAction::Down, 2970, 1470, 1);
    At(MouseAction::Move, 3270, 1470, 1);
    At(MouseAction::Move, 3270, 1620, 1);
    At(MouseAction::Up, 3270, 1620, 1);
    EXPECT_EQ(Sf().Left(), kLeft + 300);
    EXPECT_EQ(Sf().Top(), kTop + 300);
    EXPECT_EQ(f.Width(), 9900);
    EXPECT_EQ(f.Height(), 7350);
}

TEST_F(GripTest, MovesWithoutAPressOrWithTheGripOffDoNothing) {
    p.SetGripSize(True);
    At(MouseAction::Move, 2970, 1470);
    At(MouseAction::Move, 3270, 1770);
    EXPECT_EQ(Sf().Width(), kW);
    Drag(300, 0);
    At(MouseAction::Move, 2700, 1470);  // after the release
    EXPECT_EQ(Sf().Width(), kW + 300);

    p.SetGrip(False);
    At(MouseAction::Down, 3270, 1470, 1);
    At(MouseAction::Move, 3570, 1470, 1);
    At(MouseAction::Up, 3570, 1470, 1);
    EXPECT_EQ(Sf().Width(), kW + 300);
    EXPECT_FALSE(p.GripDragging());
}

TEST_F(GripTest, TheGripWorksWhileTheHoverReactionHoldsTheCapture) {
    p.SetMouseReaction(MouseReaction::Disappear);
    p.SetGripSize(True);
    At(MouseAction::Move, 1500, 750);
    At(MouseAction::Move, 2970, 1470);
    ASSERT_EQ(rt.Captured(), &Sf()) << "the hover holds the capture over the grip too";
    Drag(150, 150);
    EXPECT_EQ(Sf().Width(), kW + 150);
    EXPECT_EQ(f.Width(), 9600 + 150);
    EXPECT_TRUE(Events("Click").empty()) << "a grip drag is no click";
    EXPECT_TRUE(Events("MouseDown").empty());
}

TEST_F(GripTest, AParentThatRefusesToResizeIsReportedOncePerMove) {
    Library::Instance().AddClass(
        DescribeClass<RefusingHolder>("RefusingHolder", 6000, 3000, /*container=*/true));
    rt.PlaceControl(f, "RefusingHolder", "holder", -1, {0, 0, 6000, 3000}, nullptr);
    Surface& holder = *f.FindSurface("holder");
    auto& inner = static_cast<TolvanePanel&>(
        rt.PlaceControl(holder, "TolvanePanel", "Inner", -1, {0, 0, 3000, 1500}, nullptr).GetControl());
    inner.SetGrip(True);
    inner.SetGripSize(True);
    inner.SetMouseReaction(MouseReaction::Nullify);
    RefusingHolder::refuse = true;
    log.lines.clear();
    Mouse(MouseAction::Down, 2970, 1470, 1);
    Mouse(MouseAction::Move, 3120, 1470, 1);
    Mouse(MouseAction::Move, 3270, 1470, 1);
    Mouse(MouseAction::Up, 3270, 1470, 1);
    RefusingHolder::refuse = false;
    const std::string box = std::string("msgbox STolvane's TolvanePanel Message: ") +
                            TolvanePanel::GripFailureText(HostError::InvalidProperty());
    EXPECT_EQ(log.Count(box), 2u);
    EXPECT_EQ(inner.GetSurface().Width(), 3300) << "the panel itself was resized before the parent failed";
    EXPECT_NE(box.find("The error was reported as number 380, 'Invalid property value'.\n\r\n\rThis error"),
              std::string::npos);
    EXPECT_NE(box.find(std::string(kDownloadPage) + "\n\r\n\r"), std::string::npos);
}

TEST_F(PanelTest, AFailingRefreshStepIsReportedAndTheRestStillRuns) {
    p.SetAlignH(7);  // the caption refuses it
    const std::string box = "msgbox STolvane's TolvanePanel Message: An error has occurred whilst maintaining the "
                            "TolvanePanel1 TolvanePanel OCX control. The error was reported as number 380, 'Invalid "
                            "property value'.\n\r\n\rThis error will result in the terminating of the control. To "
                            "remedy this error please ensure that this program was correctly downloaded and "
                            "installed. The latest version can be obtained from:\n\r\n\r" +
                            std::string(kDownloadPage) + "\n\r\n\r";
    EXPECT_EQ(log.Count(box), 1u);
    p.SetPercentage(30);
    EXPECT_TRUE(El<Shape>("shpPerc").Visible()) << "the steps after the failing one still run";
}

// ---------------------------------------------------------------- mouse reaction

TEST_F(PanelTest, DisappearHidesAllBevelsUnderThePointerAndRestoresThemWhenItLeaves) {
    p.SetBevelInner(PanelStyle::Sunken);
    At(MouseAction::Move, 1500, 750);
    EXPECT_EQ(p.MouseState(), TolvanePanel::kStateOver);
    for (const char* n : {"linTop", "linLef", "linBot", "linRig", "inTop", "inLef", "inBot", "inRig"})
        EXPECT_FALSE(El(n).Visible()) << n;
    EXPECT_EQ(rt.Captured(), &Sf());
    At(MouseAction::Move, kW, kH);  // the edges count as inside
    EXPECT_EQ(rt.Captured(), &Sf());
    At(MouseAction::Move, kW + 15, 750);
    EXPECT_TRUE(BevelsShown());
    EXPECT_TRUE(El("inTop").Visible());
    EXPECT_EQ(rt.Captured(), nullptr);
    EXPECT_EQ(Events("MouseMove").size(), 3u) << "raised inside and outside";
}

TEST_F(PanelTest, ShadowDeepensOnlyASunkenBevel) {
    p.SetMouseReaction(MouseReaction::Shadow);
    At(MouseAction::Move, 1500, 750);
    EXPECT_TRUE(El("slinTop").Visible());
    EXPECT_TRUE(El("slinLef").Visible());
    EXPECT_TRUE(BevelsShown());
    At(MouseAction::Move, -15, 750);
    EXPECT_FALSE(El("slinTop").Visible());

    p.SetBevelOuter(PanelStyle::Elevated);
    At(MouseAction::Move, 1500, 750);
    EXPECT_FALSE(El("slinTop").Visible()) << "an elevated bevel has no shadow";
}

TEST_F(PanelTest, NullifyAndDisabledLimitTheReactionAndTheEvents) {
    p.SetEnabled(False);
    At(MouseAction::Move, 1500, 750);
    EXPECT_TRUE(BevelsShown());
    EXPECT_EQ(p.MouseState(), TolvanePanel::kStateNormal);
    EXPECT_EQ(Events("MouseMove").size(), 1u);
    At(MouseAction::Down, 1500, 750, 1);
    At(MouseAction::Up, 1500, 750, 1);
    EXPECT_TRUE(Events("MouseDown").empty());
    EXPECT_TRUE(Events("MouseUp").empty());
    EXPECT_EQ(Events("Click").size(), 1u) << "Enabled does not limit Click";

    p.SetEnabled(True);
    At(MouseAction::Move, 1500, 750);
    ASSERT_FALSE(BevelsShown());
    p.SetMouseReaction(MouseReaction::Nullify);
    EXPECT_FALSE(BevelsShown()) << "Nullify keeps the over state as it was";
    log.lines.clear();
    At(MouseAction::Move, 1500, 750);
    EXPECT_EQ(rt.Captured(), nullptr) << "the capture is released";
    EXPECT_TRUE(Events("MouseMove").empty());
    rt.HideForm(f);
    rt.ShowForm(f);
    EXPECT_TRUE(BevelsShown()) << "Show brings the normal state back";

    p.SetMouseReaction(MouseReaction::Disappear);
    At(MouseAction::Down, 100, 100, 1);
    At(MouseAction::Up, 100, 100, 1);
    EXPECT_EQ(Events("MouseDown").size(), 1u);
    EXPECT_EQ(Events("MouseUp").size(), 1u);
    EXPECT_EQ(rt.Captured(), nullptr) << "a release lets the mouse go";
}

TEST_F(PanelTest, CaptionMovesClicksAndDropsReachThePanel) {
    p.SetMouseReaction(MouseReaction::Nullify);
    p.SetCaption("Caption");
    Label& c = Caption();
    std::vector<float> seen;
    p.MouseMove += [&](int16_t&, int16_t&, float& x, float& y) { seen = {x, y}; };
    p.SetMouseReaction(MouseReaction::Disappear);
    rt.MouseTo({&Sf(), &c}, MouseAction::Move, 100, 50, 0, 0);
    EXPECT_EQ(seen, (std::vector<float>{float(c.Left() + 100), float(c.Top() + 50)}));

    rt.ReleaseCapture();
    rt.MouseTo({&Sf(), &c}, MouseAction::Click, 10, 10, 1, 0);
    EXPECT_EQ(Events("Click").size(), 1u);
    p.SetBackground(Halves(20, 10));
    rt.ReleaseCapture();
    rt.MouseTo({&Sf(), &El<Image>("imgGrab")}, MouseAction::Click, 10, 10, 1, 0);
    EXPECT_EQ(Events("Click").size(), 2u) << "the stretched picture's click, once";

    std::vector<float> dropAt;
    p.OLEDragDrop += [&](DragData& d, int32_t& effect, int16_t&, int16_t&, float& x, float& y) {
        dropAt = {x, y};
        EXPECT_EQ(d.files, std::vector<std::string>{"a.png"});
        effect = DropEffect::Move;
    };
    EXPECT_EQ(rt.DropTo({&Sf(), &c}, 30, 15, DragData{{"a.png"}, ""}), DropEffect::Move);
    EXPECT_EQ(dropAt, (std::vector<float>{30, 15})) << "a drop keeps the caption's coordinates";
}

// ---------------------------------------------------------------- looks

using Setup = std::function<void(TolvanePanel&)>;

// Panels of 200 x 80 pixels, one tile each, in rows, at scale 1 and 2.
void CheckLooks(const std::string& name, const std::vector<std::vector<Setup>>& rows, double w = 3000,
                double h = 1200) {
    for (double scale : {1.0, 2.0}) {
        Frame out;
        for (size_t r = 0; r < rows.size(); ++r)
            for (size_t c = 0; c < rows[r].size(); ++c) {
                Runtime rt;
                rt.GetTheme().Reset();
                Form& f = rt.NewForm("f", w + 300, h + 300);
                f.SetFont(MakeFont("Tahoma", 8.25));
                auto& panel = rt.Place<TolvanePanel>(f, "Panel", {150, 150, w, h});
                rt.ShowForm(f);
                rows[r][c](panel);
                const Frame tile = FormRenderer(rt, f, scale).Update();
                if (out.data.empty()) {
                    out = {tile.width * int(rows[0].size()), tile.height * int(rows.size()), 0, {}};
                    out.stride = out.width * 4;
                    out.data.assign(size_t(out.stride) * out.height, 0);
                }
                for (int y = 0; y < tile.height; ++y)
                    std::copy_n(&tile.data[size_t(y) * tile.stride], tile.width * 4,
                                &out.data[size_t(r * tile.height + y) * out.stride + c * tile.width * 4]);
            }
        EXPECT_TRUE(test::CompareGolden(out, name + (scale == 1 ? "_scale1" : "_scale2")));
    }
}

Setup Bevels(int16_t outer, int16_t inner, const char* caption) {
    return [=](TolvanePanel& p) {
        p.SetBevelOuter(outer);
        p.SetBevelInner(inner);
        p.SetCaption(caption);
    };
}

TEST(PanelLooks, BevelCombinations) {
    using namespace PanelStyle;
    CheckLooks("panel_bevels", {{Bevels(None, None, "None"), Bevels(Sunken, None, "Sunken"),
                                 Bevels(Elevated, None, "Elevated")},
                                {Bevels(Elevated, Sunken, "Elevated, sunken inner"),
                                 Bevels(Sunken, Elevated, "Sunken, elevated inner"),
                                 Bevels(Elevated, Elevated, "Both elevated")}});
}

TEST(PanelLooks, GradientsAndPictures) {
    auto gradient = [](int16_t style) {
        return [=](TolvanePanel& p) {
            p.SetGrad_Top(RGB(0, 0, 128));
            p.SetGrad_Bot(RGB(16, 132, 208));
            p.SetGradient(style);
            p.SetFont_Colour(RGB(255, 255, 255));
            p.SetCaption(style ? "Vertical" : "Horizontal");
        };
    };
    auto picture = [](Boolean tile) {
        return [=](TolvanePanel& p) {
            p.SetBevelInner(PanelStyle::Sunken);
            p.SetBevelOuter(PanelStyle::Elevated);
            p.SetCaption("");
            p.SetTile(tile);
            p.SetBackground(p.GetHost().LoadPicture(std::string(STOLVANE_SOURCE_DIR) + "/examples/stolvane.png"));
        };
    };
    CheckLooks("panel_backgrounds", {{gradient(GradientStyle::Horizontal), gradient(GradientStyle::Vertical)},
                                     {picture(True), picture(False)}});
}

TEST(PanelLooks, CaptionAlignments) {
    auto align = [](int16_t h, int16_t v, const char* text) {
        return [=](TolvanePanel& p) {
            p.SetAlignH(h);
            p.SetAlignV(v);
            p.SetCaption(text);
        };
    };
    CheckLooks("panel_captions", {{align(0, 0, "Top left"), align(2, 2, "Middle, centred"),
                                   align(1, 1, "A longer caption that wraps, right at the bottom")}});
}

TEST(PanelLooks, ProgressBarAndStatusBarGrip) {
    auto progress = [](TolvanePanel& p) {
        p.SetGrad_Top(RGB(255, 255, 255));
        p.SetGrad_Bot(RGB(0, 64, 160));
        p.SetGradient(GradientStyle::Vertical);
        p.SetCaption("Copying files... 50 %");
        p.SetPercentage(50);
    };
    auto status = [](TolvanePanel& p) {
        p.SetAlignH(Alignment::Left);
        p.SetCaption("Ready");
        p.SetGrip(True);
    };
    CheckLooks("panel_statusbars", {{progress}, {status}}, 6000, 345);
}

// ---------------------------------------------------------------- a real window

TEST(PanelWindow, AGripDragWithBindParentResizesTheRealWindow) {
    if (!test::PrivateDisplay::Available()) GTEST_SKIP() << "Xvfb and xdotool are installed by scripts/setup";
    test::PrivateDisplay display;
    ASSERT_TRUE(display.Start());

    Runtime rt;
    Form& form = rt.NewForm("frmStatus", 4500, 3000);
    form.SetBorderStyle(Form::None);  // no window manager: a borderless window sits exactly where asked
    form.Move(1500, 1500, 4500, 3000);
    auto& bar = rt.Place<TolvanePanel>(form, "pnlStatus", {0, 2670, 4500, 330});
    bar.SetGrip(True);
    bar.SetGripSize(True);
    bar.SetCaption("Ready");
    {
        WindowHost host(rt);
        rt.ShowForm(form);
        for (int i = 0; i < 10; ++i) host.Step(20);
        SDL_Window* window = SDL_GetWindowFromID(host.WindowId(form));
        ASSERT_NE(window, nullptr);
        int w = 0, h = 0;
        SDL_GetWindowSize(window, &w, &h);
        ASSERT_EQ(w, 300);
        ASSERT_EQ(h, 200);

        // The window's client area starts at pixel (100, 100); the grip's corner is at its
        // bottom-right. Hover first (the panel takes the capture), then drag 60 right, 40 down.
        ASSERT_EQ(display.Xdotool({"mousemove", "250", "290"}), 0);
        for (int i = 0; i < 5; ++i) host.Step(20);
        ASSERT_EQ(display.Xdotool({"mousemove", "395", "295"}), 0);
        for (int i = 0; i < 5; ++i) host.Step(20);
        ASSERT_EQ(display.Xdotool({"mousedown", "1"}), 0);
        for (int i = 0; i < 5; ++i) host.Step(20);
        for (int step = 1; step <= 4; ++step) {
            ASSERT_EQ(display.Xdotool({"mousemove", std::to_string(395 + 15 * step), std::to_string(295 + 10 * step)}),
                      0);
            for (int i = 0; i < 5; ++i) host.Step(20);
        }
        ASSERT_EQ(display.Xdotool({"mouseup", "1"}), 0);
        for (int i = 0; i < 10; ++i) host.Step(20);

        EXPECT_EQ(form.Width(), 4500 + 900);
        EXPECT_EQ(form.Height(), 3000 + 600);
        SDL_GetWindowSize(window, &w, &h);
        EXPECT_EQ(w, 360) << "the window itself grew";
        EXPECT_EQ(h, 240);
        EXPECT_EQ(bar.GetSurface().Width(), 4500 + 900) << "and the status bar with it";
        EXPECT_FALSE(bar.GripDragging());
        rt.UnloadForm(form);
        host.Step(10);
    }
}

}  // namespace
