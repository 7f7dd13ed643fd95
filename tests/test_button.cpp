// SPDX-License-Identifier: MIT
// TolvaneButton headless, its golden pictures and the C++ example.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "controls/button/tolvanebutton.h"
#include "host/render.h"
#include "host/runtime.h"
#include "tests/golden_util.h"
#include "tests/test_support.h"

using namespace stolvane;
using namespace stolvane::ButtonState;
using Strings = std::vector<std::string>;

namespace {

constexpr double kLeft = 300, kTop = 300;
Surface* const kNone = nullptr;

// A 16-pixel-wide disc, blue or grey, on a transparent ground; 16 or 60 pixels high.
PictureRef Disc(bool grey = false, int height = 16) {
    std::vector<uint32_t> px;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < 16; ++x) {
            const int dx = 2 * x - 15, dy = 2 * (y % 16) - 15, r2 = dx * dx + dy * dy;
            px.push_back(r2 > 225 ? 0 : r2 > 150 ? (grey ? 0xFF606060u : 0xFF003080u)
                                      : dx < -4 && dy < -4 ? 0xFFFFFFFFu : (grey ? 0xFFA0A0A0u : 0xFF2080F0u));
        }
    return Picture::FromPixels(16, height, std::move(px));
}

struct ButtonTest : ::testing::Test {
    Runtime rt;
    test::Recorder log;
    test::HookBackend hooks;
    Form& f = rt.NewForm("f", 7200, 3000);
    TolvaneButton& b = Place("TolvaneButton1", kLeft);
    TolvaneButton& other = Place("Other", 4200);
    bool launchSucceeds = true;

    ButtonTest() {
        rt.SetObserver(&log);
        hooks.launch = [this](const std::string&) { return launchSucceeds; };
        rt.SetBackend(&hooks);
        rt.ShowForm(f);
    }
    TolvaneButton& Place(const std::string& name, double left, const PropertyMap* stored = nullptr) {
        return static_cast<TolvaneButton&>(
            rt.PlaceControl(f, "TolvaneButton", name, -1, {left, kTop, 3195, 1875}, stored).GetControl());
    }
    Surface& Sf() { return b.GetSurface(); }
    double W() { return Sf().Width(); }
    double Ht() { return Sf().Height(); }
    Line& L(const std::string& n) { return *static_cast<Line*>(rt.Resolve(f, "TolvaneButton1." + n).element); }
    Image& Img() { return *static_cast<Image*>(rt.Resolve(f, "TolvaneButton1.imgButton").element); }
    Surface& Cap() { return *rt.Resolve(f, "TolvaneButton1.lblCaption").surface; }
    Label& CapText() { return *static_cast<Label*>(rt.Resolve(f, "TolvaneButton1.lblCaption.lblCaption").element); }
    void M(MouseAction a, double x = 600, double y = 300, int16_t button = MouseButton::Left) {
        rt.Mouse(f, a, kLeft + x, kTop + y, button, 0);
    }
    void Hover(double x = 600, double y = 300) { M(MouseAction::Move, x, y, 0); }
    Strings Events(const std::string& who = "TolvaneButton1") { return log.EventsOf(who); }
    std::vector<OleColour> Bevel() {
        std::vector<OleColour> out;
        for (auto n : {"TopLine", "LefLine", "BotLine", "RigLine", "inTop", "InLef", "InBot", "InRig", "in2Bot", "in2Rig"})
            out.push_back(L(n).Colour());
        return out;
    }
};

TEST_F(ButtonTest, SizeHasAMinimumAndTheCaptionFollowsIt) {
    for (auto [w0, h0, w, h] : {std::array{200.0, 100.0, 300.0, 300.0}, {1200, 450, 1200, 450}}) {
        Sf().Move(kLeft, kTop, w0, h0);
        ASSERT_EQ(std::pair(W(), Ht()), std::pair(w, h));
        // The caption spans 75 to W - 110, centred vertically (one line of its font high).
        EXPECT_EQ(std::tuple(Cap().Left(), Cap().Width(), Cap().Top()), std::tuple(75, w - 185, h / 2 - Cap().Height() / 2));
    }
    b.SetFont(MakeFont("Tahoma", 14));  // a taller caption is centred again, still in Arial
    EXPECT_GT(Cap().Height(), 300);
    EXPECT_EQ(Cap().Top(), 225 - Cap().Height() / 2);
    EXPECT_EQ(CapText().GetFont().name, "Arial");
}

// A style outside the table is stored as given, from code or through the property table, and
// drawn as tbtWin95.
TEST_F(ButtonTest, AStyleOutsideTheTableIsKeptAndDrawnAsWin95) {
    b.SetButtonStyle(ButtonType::tbtWin95);
    const std::vector<OleColour> win95 = Bevel();
    b.SetButtonStyle(7);
    EXPECT_EQ(std::pair(b.ButtonStyle(), Bevel()), std::pair(int16_t{7}, win95));
    b.SetProperty("ButtonStyle", int64_t{-1});
    EXPECT_EQ(std::pair(b.ButtonStyle(), Bevel()), std::pair(int16_t{-1}, win95));
}

TEST_F(ButtonTest, PressMovesPictureAndCaptionOnceAndBack) {
    b.SetPicture(Disc());
    auto where = [&] { return std::array{Img().Left(), Img().Top(), Cap().Left(), Cap().Top()}; };
    const auto rest = where();
    const auto pressed = std::array{rest[0] + 15, rest[1] + 15, rest[2] + 15, rest[3] + 15};
    b.SetIsDown(True);
    b.SetIsDown(True);
    EXPECT_EQ(where(), pressed);
    b.SetIsDown(False);
    EXPECT_EQ(where(), rest);
    M(MouseAction::Down);
    EXPECT_EQ(where(), pressed);
    M(MouseAction::Up);
    EXPECT_EQ(where(), rest);
    // Laid out again while latched (new caption, new size), it stays pressed and comes up
    // exactly where the new layout puts it at rest.
    b.SetCatch(True);
    M(MouseAction::Click);
    b.SetCaption("Latched");
    Sf().SetWidth(2700);
    EXPECT_EQ(Cap().Left(), 75 + 240 + 15);
    M(MouseAction::Click);
    EXPECT_EQ(std::pair(Cap().Left(), Cap().Top()), std::pair(75.0 + 240, Ht() / 2 - Cap().Height() / 2));
}

TEST_F(ButtonTest, PictureStandsWhereAlignImageSays) {
    const double w = W(), h = Ht(), lh = Cap().Height(), T = h / 2 - lh / 2;
    struct Case {
        int16_t align; std::string caption; PictureRef pic;
        double capLeft, capWidth; bool capShown; double picLeft, picTop; bool picShown;
    };
    const PictureRef disc = Disc(), tall = Disc(false, 60);
    // The four alignments with a caption, and a picture alone, are in the button_pictures golden.
    const Case cases[] = {
        {9, "x", disc, 75, w - 185, true, w / 2 - 120, T + lh, true},                     // as iaBottom
        {ImageAligns::iaRight, "", disc, 0, 0, false, w / 2 - 120, h / 2 - 120, true},    // picture alone
        {ImageAligns::iaTop, "x", tall, 75, w - 185, true, w / 2 - 120, T - 900, false},  // no room above
        {ImageAligns::iaBottom, "x", tall, 75, w - 185, true, w / 2 - 120, T + lh, false},  // nor below
        {ImageAligns::iaLeft, "x", Picture::Empty(), 75, w - 185, true, -1, -1, false},     // no picture
    };
    for (const Case& c : cases) {
        b.SetCaption(c.caption);
        b.SetAlignImage(c.align);
        b.SetPicture(c.pic);
        SCOPED_TRACE("align " + std::to_string(c.align) + " caption '" + c.caption + "'");
        EXPECT_EQ(std::pair(Cap().Visible(), Img().Visible()), std::pair(c.capShown, c.picShown));
        if (c.capShown) EXPECT_EQ(std::pair(Cap().Left(), Cap().Width()), std::pair(c.capLeft, c.capWidth));
        if (c.picLeft >= 0) EXPECT_EQ(std::pair(Img().Left(), Img().Top()), std::pair(c.picLeft, c.picTop));
    }
    // A picture wider than the button leaves the caption no room rather than failing.
    Sf().SetWidth(300);
    b.SetPicture(Picture::FromPixels(40, 4, std::vector<uint32_t>(160, 0xFF000000u)));
    EXPECT_EQ(Cap().Width(), TolvaneLabel::kMinimumSize);
}

TEST_F(ButtonTest, DisabledButtonIsGreyShowsItsOwnPictureStaysSilentAndFreesTheMouse) {
    b.SetPicture(Disc());
    Hover();
    b.SetEnabled(False);
    EXPECT_EQ(rt.Captured(), nullptr);  // the mouse is free for the other controls
    b.SetPictureDisabled(Disc(true));
    EXPECT_EQ(Img().GetPicture(), b.PictureDisabled());

    log.lines.clear();
    Hover();
    M(MouseAction::Click);
    M(MouseAction::Click, Img().Left() + 60, Img().Top() + 60);
    Sf().SetFocus();
    rt.KeyPress(32);
    b.SetCaption("&Go");
    EXPECT_FALSE(rt.AccessKey('g'));
    EXPECT_EQ(Events(), Strings{});
    EXPECT_EQ(b.State(), Flat);
    EXPECT_TRUE(Sf().GetDrawing().Empty());  // no focus dots
    other.GetSurface().SetFocus();
    EXPECT_EQ(CapText().ForeColour(), SysColour::GreyText);  // and still grey without the focus

    // Disabled by its own Click, it lets the next control have the mouse.
    b.SetEnabled(True);
    b.Click += [&] { b.SetEnabled(False); };
    Hover();
    M(MouseAction::Click);
    rt.Mouse(f, MouseAction::Click, 4200 + 600, kTop + 300, MouseButton::Left, 0);
    EXPECT_EQ(Events("Other"), (Strings{"MouseDown", "Click", "MouseMove"}));
}

TEST_F(ButtonTest, HoverRaisesTheFlatButtonAndTheCaptureNoticesItLeaving) {
    b.SetColour(RGB(0, 128, 0));
    b.SetColourUp(RGB(255, 0, 0));
    EXPECT_EQ(CapText().ForeColour(), RGB(0, 128, 0));  // ColourUp shows only when raised
    Hover();
    EXPECT_EQ(std::tuple(b.State(), rt.Captured(), CapText().ForeColour()), std::tuple(Up, &Sf(), RGB(255, 0, 0)));
    Hover(W() + 1, 300);  // arrives through the capture
    EXPECT_EQ(std::tuple(b.State(), rt.Captured(), CapText().ForeColour()), std::tuple(Flat, kNone, RGB(0, 128, 0)));
    EXPECT_EQ(Events(), (Strings{"MouseMove", "MouseMove"}));
    // Hovered over its caption, the caption label starts a fade timer of its own, which the
    // button's capture leaves running: colours set afterwards still show exactly as set.
    Hover(Cap().Left() + 300, Cap().Top() + 60);
    Hover(-100, 300);
    b.SetColourUp(RGB(0, 0, 255));
    rt.Advance(1500);
    EXPECT_EQ(CapText().ForeColour(), RGB(0, 128, 0));  // still the rest colour
    b.SetColour(RGB(0, 0, 128));
    rt.Advance(1500);
    EXPECT_EQ(CapText().ForeColour(), RGB(0, 0, 128));
    Hover();
    b.SetColourUp(RGB(255, 255, 0));
    rt.Advance(1500);
    EXPECT_EQ(CapText().ForeColour(), RGB(255, 255, 0));  // raised: the new hover colour
}

TEST_F(ButtonTest, ReleaseClicksOnTheEdgesButNotBeyondOrAfterDraggingOut) {
    int clicks = 0;
    b.Click += [&] { ++clicks; };
    for (auto [x, y, want] : {std::tuple{W(), 300.0, 1}, {600, Ht(), 2}, {W(), Ht(), 3}, {W() + 15, 300, 3}}) {
        M(MouseAction::Down);
        M(MouseAction::Up, x, y);
        EXPECT_EQ(clicks, want) << x << "," << y;
    }
    log.lines.clear();
    M(MouseAction::Down);
    M(MouseAction::Move, W() + 300, 300);  // a held button stays down outside
    EXPECT_EQ(b.State(), Down);
    M(MouseAction::Up, W() + 300, 300);
    EXPECT_EQ(std::tuple(clicks, b.State(), rt.Captured()), std::tuple(3, Flat, kNone));
    EXPECT_EQ(Events(), (Strings{"MouseDown", "MouseMove", "MouseMove"}));
}

TEST_F(ButtonTest, CatchingButtonLatchesAndClickSeesTheOldState) {
    b.SetCatch(True);
    std::vector<Boolean> seen;
    b.Click += [&] { seen.push_back(b.IsDown()); };
    Hover();
    log.lines.clear();
    M(MouseAction::Click);
    EXPECT_EQ(std::pair(b.IsDown(), b.State()), std::pair(True, Down));
    Hover(-300, 300);
    Hover();
    EXPECT_EQ(std::pair(b.State(), rt.Captured()), std::pair(Down, kNone));
    M(MouseAction::Click);
    EXPECT_EQ(seen, (std::vector<Boolean>{False, True}));
    EXPECT_EQ(std::pair(b.IsDown(), b.State()), std::pair(False, Up));  // the pointer is still over it
    EXPECT_EQ(Events(), (Strings{"MouseDown", "Click", "MouseDown", "Click", "MouseMove"}));
    EXPECT_FALSE(log.Has("changed TolvaneButton1 IsDown"));
}

TEST_F(ButtonTest, KeysClickWithoutLatchingAndAFailedLinkIsReportedOncePerClick) {
    const std::string msg = "msgbox STolvane: The TolvaneButton was unable to link to http://x.invalid/. "
                            "Your system is not correctly configured for WWW access.";
    b.SetCatch(True);
    b.SetCaption("Fish && &Chips");
    b.SetHyperlink("http://x.invalid/");
    launchSucceeds = false;
    Sf().SetFocus();
    rt.KeyPress(13);
    rt.KeyPress(32);
    EXPECT_TRUE(rt.AccessKey('c'));
    EXPECT_EQ(Events(), (Strings{"Click", "Click"}));
    EXPECT_EQ(std::tuple(b.IsDown(), b.State(), log.Count(msg)), std::tuple(False, Flat, size_t{2}));
    b.SetCatch(False);
    M(MouseAction::Click);
    EXPECT_EQ(std::pair(b.State(), log.Count(msg)), std::pair(Up, size_t{3}));  // the click finished
    launchSucceeds = true;
    M(MouseAction::Click);
    EXPECT_EQ(std::pair(log.Count("navigate http://x.invalid/ ok"), log.Count(msg)), std::pair(size_t{1}, size_t{3}));
}

TEST_F(ButtonTest, PressOnThePictureOrCaptionActsOnTheButtonInItsCoordinates) {
    b.SetPicture(Disc());
    std::vector<std::pair<float, float>> downs;
    b.MouseDown += [&](int16_t&, int16_t&, float& x, float& y) { downs.push_back({x, y}); };
    const double px = Img().Left() + 100, py = Img().Top() + 50, cx = Cap().Left() + 400, cy = Cap().Top() + 60;
    M(MouseAction::Down, px, py);
    EXPECT_EQ(b.State(), Down);
    M(MouseAction::Up, px, py);
    Hover(-100, 300);  // let go of the capture, so the next press lands on the caption
    M(MouseAction::Click, cx, cy);
    EXPECT_EQ(downs, (std::vector<std::pair<float, float>>{{px, py}, {cx, cy}}));
    EXPECT_EQ(Events(), (Strings{"MouseDown", "Click", "MouseMove", "MouseMove", "MouseDown", "Click", "MouseMove"}));
}

TEST_F(ButtonTest, EventsArrivingDuringTheClickRunAndTheClickFinishes) {
    auto& timer = static_cast<Timer&>(rt.PlaceElement(f, ElementKind::Timer, "tmrTick", -1));
    int ticks = 0, pumped = 0;
    timer.onTick = [&] { ++ticks; };
    timer.SetInterval(100);
    hooks.pump = [&] {
        if (pumped++) return;  // the other button's click pumps too
        rt.Advance(300);
        rt.MouseTo({&other.GetSurface(), nullptr}, MouseAction::Click, 300, 300, MouseButton::Left, 0);
        rt.Mouse(f, MouseAction::Move, 100, 100, 0, 0);  // the pointer has left meanwhile
    };
    M(MouseAction::Click);
    EXPECT_EQ(std::pair(pumped, ticks), std::pair(2, 3));
    EXPECT_EQ(Events("Other"), (Strings{"MouseDown", "Click", "MouseMove", "MouseMove"}));
    EXPECT_EQ(Events(), (Strings{"MouseDown", "Click", "MouseMove"}));
    EXPECT_EQ(b.State(), Flat);  // the hover test ran where the pointer is now
}

TEST_F(ButtonTest, FormUnloadedDuringTheClickLeavesNothingBehind) {
    hooks.pump = [&] { rt.UnloadForm(f); };
    b.SetHyperlink("http://x.invalid/");
    launchSucceeds = false;
    Hover();
    M(MouseAction::Click);
    EXPECT_EQ(std::tuple(rt.Forms().size(), rt.Captured(), rt.Focused()), std::tuple(size_t{0}, kNone, kNone));
    hooks.pump = nullptr;
    Form& g = rt.NewForm("g", 4000, 3000);
    auto& next = rt.Place<TolvaneButton>(g, "Next", {300, 300, 3195, 1875});
    rt.ShowForm(g);
    rt.Mouse(g, MouseAction::Move, 900, 600, 0, 0);
    rt.Mouse(g, MouseAction::Click, 900, 600, MouseButton::Left, 0);
    EXPECT_EQ(next.State(), Up);
    EXPECT_EQ(Events("Next"), (Strings{"MouseMove", "MouseDown", "Click", "MouseMove"}));
}

// Beyond the property table's round trip: a stored IsDown does not show pressed, a key no
// property shows is kept for the next save, and a store without a caption gives the class name.
TEST_F(ButtonTest, AStoredIsDownShowsFlatAndUnknownKeysAreKept) {
    const PropertyMap bag{{"IsDown", int64_t{True.Raw()}}, {"MousePointer", int64_t{99}}};
    TolvaneButton& copy = Place("Copy", kLeft, &bag);
    EXPECT_EQ(std::pair(copy.IsDown(), copy.State()), std::pair(True, Flat));
    EXPECT_THROW(copy.GetProperty("MousePointer"), HostError);
    PropertyMap again;
    copy.WriteProperties(again);
    EXPECT_EQ(AsInteger(again.Read("MousePointer", int64_t{0})), 99);
    EXPECT_EQ(copy.Caption(), "TolvaneButton");
}

// Each look is a button alone on a small form; the tiles are set in rows into one picture.
using Look = std::function<void(Runtime&, Form&, TolvaneButton&)>;
const Look kFlat = [](Runtime&, Form&, TolvaneButton&) {};
const Look kUp = [](Runtime& rt, Form& f, TolvaneButton&) { rt.Mouse(f, MouseAction::Move, 600, 450, 0, 0); };
const Look kDown = [](Runtime&, Form&, TolvaneButton& b) { b.SetIsDown(True); };
Look Focused(const Look& look) {
    return [look](Runtime& rt, Form& f, TolvaneButton& b) {
        b.GetSurface().SetFocus();
        b.SetIsDown(False);
        look(rt, f, b);
    };
}
Look WithPicture(int16_t align, std::string caption = "&Button") {
    return [=](Runtime&, Form&, TolvaneButton& b) {
        b.SetCaption(caption);
        b.SetAlignImage(align);
        b.SetPicture(Disc());
    };
}
Look Disabled(PictureRef greyed) {
    return [=](Runtime&, Form&, TolvaneButton& b) {
        b.SetPicture(Disc());
        b.SetPictureDisabled(greyed);
        b.SetEnabled(False);
    };
}

void CheckLooks(const std::string& name, int16_t style, const std::vector<std::vector<Look>>& rows) {
    test::CheckGoldenAtBothScales([&](double scale) {
        std::vector<Frame> tiles;
        for (const auto& row : rows)
            for (const Look& look : row) {
                Runtime rt;
                rt.GetTheme().Reset();
                Form& f = rt.NewForm("f", 2100, 1200);
                f.SetFont(MakeFont("Tahoma", 8.25));
                auto& btn = rt.Place<TolvaneButton>(f, "Button", {150, 150, 1800, 900});
                btn.SetButtonStyle(style);
                btn.SetCaption("&Button");
                rt.ShowForm(f);
                look(rt, f, btn);
                tiles.push_back(FormRenderer(rt, f, scale).Update());
            }
        return test::Tiled(tiles, rows[0].size());
    }, name);
}

TEST(ButtonLooks, FourStylesFlatUpDownWin95FocusedPicturesAndDisabled) {
    using namespace ImageAligns;
    CheckLooks("button_win95", ButtonType::tbtWin95,
               {{kFlat, kUp, kDown}, {Focused(kFlat), Focused(kUp), Focused(kDown)}});
    CheckLooks("button_tolvane", ButtonType::tbtTolvane, {{kFlat, kUp, kDown}});
    CheckLooks("button_win98", ButtonType::tbtWin98, {{kFlat, kUp, kDown}});
    CheckLooks("button_win31", ButtonType::tbtWin31, {{kFlat, kUp, kDown}});
    CheckLooks("button_pictures", ButtonType::tbtWin95,
               {{WithPicture(iaLeft), WithPicture(iaTop), WithPicture(iaRight)},
                {WithPicture(iaBottom), WithPicture(iaLeft, ""), kFlat}});
    CheckLooks("button_disabled", ButtonType::tbtWin95, {{Disabled(Disc(true)), Disabled(Picture::Empty())}});
}

TEST(ButtonExample, BuiltInCodeClicksHeadlessly) {
    int status = -1;
    const std::string out = test::ExampleOutput("example_button_in_code --headless", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, "Clicked 1 time\nClicked 2 times\nClicked 3 times\nClicked 4 times\n");
}

}  // namespace
