// SPDX-License-Identifier: MIT
// TolvanePanel headless: properties, geometry, the background, grip drags, failures, mouse reactions and pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "controls/panel/tolvanepanel.h"
#include "host/media.h"
#include "host/render.h"
#include "host/runtime.h"
#include "tests/golden_util.h"
#include "tests/test_support.h"

using namespace stolvane;
using Ends = std::vector<double>;
using XY = std::pair<double, double>;

namespace {

constexpr double kLeft = 600, kTop = 600, kW = 3000, kH = 1500;
const std::string kBox = "msgbox STolvane's TolvanePanel Message: An error has occurred ";
const std::string kError = " The error was reported as number 380, 'Invalid property value'.\n\r\n\rThis error will "
    "result in the terminating of the control. To remedy this error please ensure that this program was correctly "
    "downloaded and installed. The latest version can be obtained from:\n\r\n\r" + AboutPageAddress() +
    "\n\r\n\r";

// w x h pixels: red left half, blue right half.
PictureRef Halves(int w, int h) {
    std::vector<uint32_t> px(size_t(w * h));
    for (size_t i = 0; i < px.size(); ++i) px[i] = int(i % w) < w / 2 ? 0xFFFF0000u : 0xFF0000FFu;
    return Picture::FromPixels(w, h, std::move(px));
}

struct PanelTest : ::testing::Test {
    Runtime rt;
    test::Recorder log;
    Form& f = rt.NewForm("f", 9600, 7200);
    TolvanePanel& p = rt.Place<TolvanePanel>(f, "TolvanePanel1", {kLeft, kTop, kW, kH});

    PanelTest() {
        test::RegisterProbe();
        rt.SetObserver(&log);
        rt.ShowForm(f);
        p.SetGrip(True);
    }
    Surface& Sf() { return p.GetSurface(); }
    XY Extent() { return {Sf().Width(), Sf().Height()}; }
    template <class T = Line>
    T& El(const std::string& name, int index = -1) {
        if (Element* e = Sf().Find(name, index)) return static_cast<T&>(*e);
        throw std::runtime_error("no element " + name);
    }
    Ends Of(const std::string& name) { return {El(name).X1(), El(name).Y1(), El(name).X2(), El(name).Y2()}; }
    TolvanePanel& Load(const std::string& n, const PropertyMap& bag) {
        return static_cast<TolvanePanel&>(rt.PlaceControl(f, "TolvanePanel", n, -1, {0, 0, kW, kH}, &bag).GetControl());
    }
    void At(MouseAction a, double x, double y, int16_t button = 0) { rt.Mouse(f, a, kLeft + x, kTop + y, button, 0); }
    size_t Count(const std::string& event) { return log.Count("event TolvanePanel1 " + event); }
    // The left, top, right and bottom of the gradient's first fill, which covers its whole box.
    Ends GradientBox() {
        for (const DrawOp& op : El<PictureBox>("imgBackground").GetDrawing().Ops())
            if (op.width > 15 && op.height > 15) return {op.left, op.top, op.left + op.width, op.top + op.height};
        return {};
    }
    bool BevelsShown() {
        return El("linTop").Visible() && El("linLef").Visible() && El("linBot").Visible() && El("linRig").Visible();
    }
    // Presses the left button at the first point, moves through the others and lets go at the last.
    void Path(const std::vector<XY>& points) {
        At(MouseAction::Down, points[0].first, points[0].second, 1);
        for (size_t i = 1; i < points.size(); ++i) At(MouseAction::Move, points[i].first, points[i].second, 1);
        At(MouseAction::Up, points.back().first, points.back().second, 1);
    }
    // Drags the grip's hot spot from near the corner.
    void Drag(double dx, double dy) {
        const double x = Sf().Width() - 30, y = Sf().Height() - 30;
        Path({{x, y}, {x + dx, y + dy}});
    }
};

TEST_F(PanelTest, SettersClampTheStoreDoesNotKeysGoInStoreOrderAndAutoSizeFits) {
    for (auto [key, given, kept] :
         {std::tuple{"Border", 5, 15}, {"Border", 1000, 360}, {"Percentage", 150, 100}, {"Percentage", -20, 0}}) {
        p.SetProperty(key, Value{int64_t{given}});
        EXPECT_EQ(AsInteger(p.GetProperty(key)), kept) << key << " " << given;
    }

    p.SetAlignV(1), p.SetGradient(1), p.SetGrad_Top(RGB(1, 2, 3)), p.SetTile(True), p.SetBorder(90);
    PropertyMap bag;
    p.WriteProperties(bag);
    std::vector<std::string> keys;
    for (auto& [k, v] : bag.Entries()) keys.push_back(k);
    EXPECT_EQ(keys, (std::vector<std::string>{"AlignV", "Border", "Caption", "Grip", "Gradient", "Grad_Top", "Tile"}));
    TolvanePanel& copy = Load("Copy", bag);
    for (const PropertyInfo& info : TolvanePanel::PropertyTable())
        if (info.name != "Font") EXPECT_TRUE(ValuesEqual(info.get(p), info.get(copy))) << info.name;

    const PropertyMap stored{{"Border", Value{int64_t{5}}}, {"Percentage", Value{int64_t{150}}}};
    TolvanePanel& read = Load("Stored", stored);
    EXPECT_EQ(read.Border(), 5) << "reading does not clamp";
    EXPECT_EQ(read.Percentage(), 100) << "the bar clamps it once the panel is laid out";

    // AutoSize fits a picture inside the bevels.
    p.SetAutoSize(True);
    for (auto [inner, outer, w, h] : {std::array{0, 1, 1530, 930}, {1, 1, 1710, 1110}, {0, 0, 1500, 900}}) {
        p.SetBevelInner(int16_t(inner)), p.SetBevelOuter(int16_t(outer));
        p.SetBackground(Halves(100, 60));  // 1500 x 900 twips; the border is 90
        EXPECT_EQ(Extent(), XY(w, h)) << inner << outer;
    }
}

TEST_F(PanelTest, TypedSettersNotifyByTheDeclaredKey) {
    log.lines.clear();
    p.SetGrad_Bot(RGB(1, 2, 3));
    p.SetTileRaw(5);
    p.SetBorder(900);
    for (const char* key : {"Grad_Bot", "Tile", "Border"})
        EXPECT_EQ(log.Count(std::string("changed TolvanePanel1 ") + key), 1u) << key;
    EXPECT_EQ(p.Border(), 360) << "the declared refresh clamps";
    EXPECT_EQ(p.Tile(), True) << "stored as given, read back as a Boolean";
    EXPECT_THROW(p.SetFont(nullptr), HostError) << "a missing font is refused before it is stored";
    EXPECT_TRUE(p.Font());
}

TEST_F(PanelTest, InnerBevelShadowLinesGradientBoxBarAndCaptionFollowBorderAndSize) {
    p.SetBevelInner(PanelStyle::Elevated);
    p.SetGrad_Top(RGB(255, 0, 0));
    EXPECT_EQ(GradientBox(), (Ends{75, 75, 2910, 1425}));
    // Shadow lines sit one pixel inside the innermost sunken bevel.
    EXPECT_EQ(Of("slinTop"), (Ends{15, 15, 2970, 15}));
    EXPECT_EQ(Of("slinLef"), (Ends{15, 15, 15, 1485}));
    p.SetBevelInner(PanelStyle::Sunken);

    // An old gradient stays while only the bevels move, until a resize draws it anew.
    p.SetBorder(120);
    EXPECT_EQ(GradientBox()[0], 75);
    Sf().SetWidth(3015);
    EXPECT_EQ(GradientBox()[0], 135);

    auto& bar = El<Shape>("shpPerc");
    p.SetPercentage(50);
    EXPECT_EQ((Ends{bar.Left(), bar.Width(), bar.Height(), double(bar.Visible())}), (Ends{0, 1522.5, 1515, 1}));
    p.SetPercentage(0);
    Sf().Move(kLeft, kTop, 200, 100);
    EXPECT_EQ(Extent(), XY(285, 285)) << "the minimum size";
    EXPECT_EQ((Ends{bar.Width(), bar.Height(), double(bar.Visible())}), (Ends{15, 300, 0}));
    EXPECT_EQ(XY(El<Image>("shpGrip").Left(), El<Image>("shpGrip").Top()), XY(30, 30)) << "15 inside the corner";

    // Where the caption stands is in the panel_captions golden; with no room left it has no width.
    p.SetCaption("One line");
    p.SetBorder(360);
    EXPECT_EQ(El<Label>("lblCaption").Width(), 0);
    for (auto& l : log.lines) EXPECT_NE(l.rfind("msgbox", 0), 0u) << l;
}

TEST_F(PanelTest, BackgroundPictureGradientBarStripAndControlsInside) {
    FormRenderer r(rt, f);
    auto px = [&](double x, double y) { return r.PixelAt(kLeft + x, kTop + y); };
    p.SetBevelOuter(PanelStyle::None);
    p.SetCaption("");
    p.SetBackground(Halves(20, 10));
    p.SetGrad_Top(RGB(0, 255, 255)), p.SetGrad_Bot(RGB(0, 255, 255));
    EXPECT_EQ(std::pair(px(750, 750), px(2250, 750)), std::pair(RGB(255, 0, 0), RGB(0, 0, 255))) << "fitted, centred";
    auto& grab = El<Image>("imgGrab");
    EXPECT_EQ((Ends{grab.Width(), grab.Height(), double(grab.Visible())}), (Ends{3000, 1500, 1}));
    p.SetBackground(Picture::Empty());
    EXPECT_EQ(px(150, 90), RGB(0, 255, 255));
    EXPECT_FALSE(grab.Visible());

    p.SetGrad_Bot(RGB(0, 0, 128));
    p.SetPercentage(40);
    r.Update();
    p.SetPercentage(41);
    r.Update();
    EXPECT_GT(r.LastRepaintedPixels(), 0);
    EXPECT_LE(r.LastRepaintedPixels(), 6 * 104) << "two pixels of bar and a spare pixel each side";

    // Controls inside are drawn above the bar, clipped at the panel's edge and hit first.
    test::ProbeControl::journal.clear();
    p.SetGrad_Top(RGB(0, 128, 255)), p.SetGrad_Bot(RGB(0, 128, 255));
    rt.PlaceControl(Sf(), "ProbeControl", "Inner", -1, {300, 600, 600, 300}, nullptr);
    rt.PlaceControl(Sf(), "ProbeControl", "Wide", -1, {2700, 600, 1200, 300}, nullptr);
    p.SetPercentage(100);
    const uint32_t face = rt.ResolveColour(SysColour::ButtonFace) & 0xFFFFFF;
    EXPECT_EQ(r.PixelAt(kLeft + 450, kTop + 850), face) << "the control is drawn above the bar, not inverted";
    EXPECT_EQ(r.PixelAt(kLeft + 150, kTop + 750), RGB(255, 127, 0)) << "the panel is inverted";
    EXPECT_EQ(r.PixelAt(kLeft + 3300, kTop + 750), face) << "clipped at the panel's edge";
    EXPECT_EQ(rt.HitTest(f, kLeft + 3300, kTop + 750).surface, static_cast<Surface*>(&f)) << "no hit outside the panel";

    p.SetMouseReaction(MouseReaction::Nullify);
    At(MouseAction::Click, 450, 850, 1);
    const auto& journal = test::ProbeControl::journal;
    EXPECT_NE(std::find(journal.begin(), journal.end(), "Inner Click"), journal.end());
    EXPECT_EQ(Count("Click"), 0u);
}

TEST_F(PanelTest, GripResizesOrMovesOnlyWhilePressedAndTheParentFollowsWithoutAFailureFarPastItsEdges) {
    p.SetMouseReaction(MouseReaction::Nullify);
    p.SetGripSize(True);
    p.SetBind_Parent(False);
    At(MouseAction::Move, 2970, 1470);
    At(MouseAction::Move, 3270, 1770);
    EXPECT_EQ(Extent(), XY(kW, kH)) << "no press, no drag";
    Drag(300, 150);
    At(MouseAction::Move, 3100, 1450);  // on the grip, after the release
    EXPECT_EQ(Extent(), XY(3300, 1650)) << "the release ends the drag";
    EXPECT_EQ(f.Width(), 9600);

    p.SetBind_Parent(True);
    Drag(300, -150);
    EXPECT_EQ(Extent(), XY(3600, 1500));
    EXPECT_EQ(XY(f.Width(), f.Height()), XY(9900, 7050));

    // Without GripSize the panel moves by the travel since the last move, the parent with it.
    p.SetGripSize(False);
    p.SetBind_Parent(False);
    Drag(0, 150);
    EXPECT_EQ(XY(Sf().Top(), f.Height()), XY(kTop + 150, 7050));
    EXPECT_EQ(Extent(), XY(3600, 1500));
    p.SetBind_Parent(True);
    Path({{3570, 1620}, {3870, 1620}, {3870, 1770}});  // each move by the travel since the one before
    EXPECT_EQ(XY(Sf().Left(), Sf().Top()), XY(kLeft + 300, kTop + 300));
    EXPECT_EQ(XY(f.Width(), f.Height()), XY(10200, 7200));

    p.SetGrip(False);
    Drag(300, 0);
    EXPECT_EQ(XY(Sf().Left(), Sf().Width()), XY(kLeft + 300, 3600)) << "no grip, no drag";

    // While the hover reaction holds the capture, a press on the grip is the grip's.
    Sf().Move(kLeft, kTop, kW, kH);
    p.SetGrip(True), p.SetGripSize(True);
    p.SetMouseReaction(MouseReaction::Disappear);
    log.lines.clear();
    At(MouseAction::Move, 1500, 750);
    At(MouseAction::Move, 2970, 1470);
    ASSERT_EQ(rt.Captured(), &Sf());
    const double gripRight = El<Image>("shpGrip").Bounds().Right();
    At(MouseAction::Down, gripRight, 1470, 1);  // the column just right of the grip
    At(MouseAction::Move, gripRight + 150, 1470, 1);
    At(MouseAction::Up, gripRight + 150, 1470, 1);
    EXPECT_EQ(XY(Sf().Width(), Count("MouseDown")), XY(kW, 1)) << "a press beside the grip is the panel's";
    At(MouseAction::Move, 1500, 750);
    log.lines.clear();
    Drag(150, 150);
    EXPECT_EQ(XY(Sf().Width(), f.Width()), XY(kW + 150, 10350));
    EXPECT_EQ(Count("Click") + Count("MouseDown"), 0u) << "a grip drag is no click";
    EXPECT_EQ(rt.Captured(), nullptr) << "the release lets the mouse go";

    // A status bar inside the panel: its grip dragged far past the outer panel's left and top edges
    // shrinks that panel to its smallest, and no error is reported (a container refuses a negative size).
    auto& q = rt.Place<TolvanePanel>(Sf(), "TolvanePanel2", {300, 300, 1500, 600});
    q.SetGrip(True), q.SetGripSize(True), q.SetBind_Parent(True);
    const double x = kLeft + 300 + 1500 - 30, y = kTop + 300 + 600 - 30;
    rt.Mouse(f, MouseAction::Down, x, y, 1, 0);
    rt.Mouse(f, MouseAction::Move, x - 20000, y - 20000, 1, 0);
    rt.Mouse(f, MouseAction::Up, x - 20000, y - 20000, 1, 0);
    EXPECT_EQ(Extent(), XY(285, 285)) << "the outer panel, a status bar too, at its smallest";
    for (auto& l : log.lines) EXPECT_NE(l.rfind("msgbox", 0), 0u) << l;
}

TEST_F(PanelTest, FailuresAreReportedOnceEachAndTheRestStillRuns) {
    p.SetAlignH(7);  // the caption refuses it
    EXPECT_EQ(log.Count(kBox + "whilst maintaining the TolvanePanel1 TolvanePanel OCX control." + kError), 1u);
    p.SetPercentage(30);
    EXPECT_TRUE(El<Shape>("shpPerc").Visible()) << "the steps after the failing one still run";

    // A parent that refuses to be resized: reported once per move of the grip.
    auto& holder = static_cast<test::ProbeControl&>(
        rt.PlaceControl(f, "ProbeControl", "holder", -1, {0, 0, 6000, 3000}, nullptr).GetControl());
    auto& inner = static_cast<TolvanePanel&>(
        rt.PlaceControl(holder.GetSurface(), "TolvanePanel", "Inner", -1, {0, 0, 3000, 1500}, nullptr).GetControl());
    inner.SetGrip(True), inner.SetGripSize(True), inner.SetMouseReaction(MouseReaction::Nullify);
    holder.onResize = [] { throw HostError(ErrorNumber::InvalidProperty, "Invalid property value"); };
    Path({{2970 - kLeft, 1470 - kTop}, {3120 - kLeft, 1470 - kTop}, {3270 - kLeft, 1470 - kTop}});  // on Inner's grip
    holder.onResize = nullptr;
    EXPECT_EQ(log.Count(kBox + "in resizing the TolvanePanel's parent control." + kError), 2u);
    EXPECT_EQ(inner.GetSurface().Width(), 3300) << "the panel itself was resized before the parent failed";
}

TEST_F(PanelTest, MouseReactionsWithTheCaptureAndTheEvents) {
    // Reaction, Enabled, bevels; what a move inside shows: any bevel, the shadow, the capture.
    struct Row { int16_t reaction; Boolean enabled; int16_t outer, inner; bool bevel, shadow, captured; };
    const Row rows[] = {
        {MouseReaction::Disappear, True, PanelStyle::Sunken, PanelStyle::Sunken, false, false, true},
        {MouseReaction::Shadow, True, PanelStyle::Sunken, PanelStyle::None, true, true, true},
        {MouseReaction::Shadow, True, PanelStyle::Elevated, PanelStyle::None, true, false, true},
        {MouseReaction::Shadow, True, PanelStyle::Sunken, PanelStyle::Elevated, true, false, true},
        {MouseReaction::Disappear, False, PanelStyle::Sunken, PanelStyle::None, true, false, true},
        {MouseReaction::Nullify, True, PanelStyle::Sunken, PanelStyle::None, true, false, false},
    };
    for (const Row& w : rows) {
        p.SetMouseReaction(w.reaction), p.SetEnabled(w.enabled), p.SetBevelOuter(w.outer), p.SetBevelInner(w.inner);
        At(MouseAction::Move, 1500, 750);
        EXPECT_EQ((std::vector<bool>{BevelsShown() || El("inTop").Visible(), El("slinLef").Visible(), !!rt.Captured()}),
                  (std::vector<bool>{w.bevel, w.shadow, w.captured})) << w.reaction << bool(w.enabled) << w.outer << w.inner;
        At(MouseAction::Move, kW + 15, 750);
        EXPECT_TRUE(BevelsShown() && El("inTop").Visible() == (w.inner != 0) && !El("slinTop").Visible());
        EXPECT_EQ(rt.Captured(), nullptr);
    }

    p.SetMouseReaction(MouseReaction::Disappear);
    log.lines.clear();
    At(MouseAction::Move, 1500, 750);
    ASSERT_EQ(rt.Captured(), &Sf());
    p.SetMouseReaction(MouseReaction::Nullify);
    At(MouseAction::Move, 1500, 750);
    EXPECT_FALSE(BevelsShown()) << "Nullify keeps the over state as it was";
    EXPECT_EQ(rt.Captured(), nullptr) << "but lets the mouse go";
    EXPECT_EQ(Count("MouseMove"), 1u) << "and raises no MouseMove";
    rt.HideForm(f), rt.ShowForm(f);
    EXPECT_TRUE(BevelsShown()) << "Show brings the normal state back";

    p.SetMouseReaction(MouseReaction::Disappear);
    for (Boolean enabled : {False, True}) {
        p.SetEnabled(enabled);
        log.lines.clear();
        At(MouseAction::Move, 100, 100);
        At(MouseAction::Click, 100, 100, 1);
        const size_t n = enabled ? 1 : 0;
        EXPECT_EQ((std::vector{Count("MouseMove"), Count("MouseDown"), Count("MouseUp"), Count("Click")}),
                  (std::vector<size_t>{1, n, n, 1})) << "Enabled limits only MouseDown and MouseUp";
    }
    EXPECT_EQ(rt.Captured(), nullptr) << "a release lets the mouse go";
}

TEST_F(PanelTest, CaptionMovesClicksAndDropsReachThePanel) {
    p.SetCaption("Caption");
    Label& c = El<Label>("lblCaption");
    std::vector<float> seen;
    p.OLEDragDrop += [&](DragData& d, int32_t& effect, int16_t&, int16_t&, float& x, float& y) {
        seen = {x, y, float(d.files.size())};
        effect = DropEffect::Move;
    };
    EXPECT_EQ(rt.DropTo({&Sf(), &c}, 30, 15, DragData{{"a.png"}, ""}), DropEffect::Move);
    EXPECT_EQ(seen, (std::vector<float>{30, 15, 1})) << "a drop keeps the caption's coordinates";

    rt.ReleaseCapture();
    rt.MouseTo({&Sf(), &c}, MouseAction::Click, 10, 10, 1, 0);
    p.SetBackground(Halves(20, 10));
    rt.ReleaseCapture();
    rt.MouseTo({&Sf(), &El<Image>("imgGrab")}, MouseAction::Click, 10, 10, 1, 0);
    EXPECT_EQ(Count("Click"), 2u) << "one from the caption, one from the stretched picture";
}

using Tile = std::vector<std::pair<std::string, Value>>;  // properties, set in this order

// One panel of w x h twips on each form, 150 twips in; the forms' pictures set out `columns` to a row.
void CheckLooks(const std::string& name, size_t columns, const std::vector<Tile>& tiles, double w = 3000,
                double h = 1200) {
    test::CheckGoldenAtBothScales([&](double scale) {
        std::vector<Frame> frames;
        for (const Tile& tile : tiles) {
            Runtime rt;
            rt.GetTheme().Reset();
            Form& f = rt.NewForm("f", w + 300, h + 300);
            f.SetFont(MakeFont("Tahoma", 8.25));
            auto& panel = rt.Place<TolvanePanel>(f, "Panel", {150, 150, w, h});
            rt.ShowForm(f);
            for (auto& [key, value] : tile) {
                if (key == "hover")  // the pointer comes to rest over the panel
                    rt.Mouse(f, MouseAction::Move, 150 + w / 2, 150 + h / 2, 0, 0);
                else
                    panel.SetProperty(key, value);
            }
            frames.push_back(FormRenderer(rt, f, scale).Update());
        }
        return test::Tiled(frames, columns);
    }, name);
}

TEST(PanelLooks, BevelsBackgroundsCaptionsAndStatusBars) {
    // A gradient drawn first, then the bevels: the inner bevel moves the gradient inside it.
    auto bevels = [](int64_t outer, int64_t inner, std::string caption, int64_t reaction = 0) {
        Tile t{{"Grad_Top", int64_t{RGB(255, 255, 255)}}, {"Grad_Bot", int64_t{RGB(96, 160, 208)}},
               {"MouseReaction", reaction}, {"BevelOuter", outer}, {"BevelInner", inner}, {"Caption", caption}};
        if (reaction) t.push_back({"hover", Value{}});
        return t;
    };
    CheckLooks("panel_bevels", 3,
               {bevels(0, 0, "None"), bevels(1, 0, "Sunken"), bevels(2, 0, "Elevated"),
                bevels(2, 1, "Elevated, sunken inner"), bevels(1, 2, "Sunken, elevated inner"),
                bevels(2, 2, "Both elevated"), bevels(1, 1, "Shadow, pointer over", MouseReaction::Shadow),
                bevels(2, 1, "Shadow, elevated outer, pointer over", MouseReaction::Shadow),
                bevels(1, 1, "Disappear, pointer over", MouseReaction::Disappear)});
    auto gradient = [](int64_t style, std::string caption) {
        return Tile{{"Grad_Top", int64_t{RGB(0, 0, 128)}}, {"Grad_Bot", int64_t{RGB(16, 132, 208)}},
                    {"Gradient", style}, {"Font_Colour", int64_t{RGB(255, 255, 255)}}, {"Caption", caption}};
    };
    const PictureRef logo = LoadPictureFile(std::string(STOLVANE_SOURCE_DIR) + "/examples/stolvane.png");
    auto picture = [&](int64_t tile) {
        // Tile after the picture: the picture already laid out stretched is laid out anew.
        return Tile{{"BevelInner", int64_t{1}}, {"BevelOuter", int64_t{2}}, {"Caption", std::string()},
                    {"Background", logo}, {"Tile", tile}};
    };
    CheckLooks("panel_backgrounds", 2,
               {gradient(0, "Horizontal"), gradient(1, "Vertical"), picture(True.Raw()), picture(False.Raw())});
    auto align = [](int64_t h, int64_t v, std::string c) { return Tile{{"AlignH", h}, {"AlignV", v}, {"Caption", c}}; };
    CheckLooks("panel_captions", 3, {align(0, 0, "Top left"), align(2, 2, "Middle, centred"),
                                     align(1, 1, "A longer caption that wraps, right at the bottom")});
    CheckLooks("panel_statusbars", 1,
               {{{"Grad_Top", int64_t{RGB(255, 255, 255)}}, {"Grad_Bot", int64_t{RGB(0, 64, 160)}},
                 {"Gradient", int64_t{1}}, {"Caption", std::string("Copying files... 50 %")},
                 {"Percentage", int64_t{50}}},
                {{"AlignH", int64_t{Alignment::Left}}, {"Caption", std::string("Ready")}, {"Grip", int64_t{True.Raw()}}}},
               6000, 345);
}

}  // namespace
