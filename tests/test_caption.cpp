// TolvaneCaption on the real headless runtime: defaults and the store, the caption buttons'
// placement and the text's extent, button and menu states against the window state, window
// and button commands with their events, the system menu, double-clicks, dragging the form,
// the hover bevel with the capture, a bar inside a container, the gradient's colours, golden
// pictures, and the bar commanding a real window under a private X server.
#include <gtest/gtest.h>

#include <sstream>

#include <SDL.h>

#include <functional>
#include <string>
#include <vector>

#include "controls/caption/tolvanecaption.h"
#include "host/popup_menu.h"
#include "host/render.h"
#include "host/runtime.h"
#include "host/window.h"
#include "tests/golden_util.h"
#include "tests/display.h"
#include "tests/test_support.h"

using namespace stolvane;
using Strings = std::vector<std::string>;
using namespace ButtonStyle;

namespace {

constexpr double kFormLeft = 1500, kFormTop = 1500, SW = 6075;

struct CaptionTest : ::testing::Test {
    Runtime rt;
    test::Recorder log;
    Form& f = rt.NewForm("f", 9000, 3000);
    TolvaneCaption& c = Place("TolvaneCaption1");
    std::vector<std::string> menus;  // what each popup showed: captions with their state
    std::function<MenuItem*(MenuItem&, MenuItem*)> choose = [](MenuItem&, MenuItem*) { return nullptr; };

    CaptionTest() {
        f.Move(kFormLeft, kFormTop, 9000, 3000);
        rt.SetObserver(&log);
        rt.SetMenuChooser([this](MenuItem& root, MenuItem* def) {
            std::string shown;
            for (MenuItem* m : root.Items())
                shown += (m == def ? "*" : "") + m->Caption() + (m->Enabled() ? " " : "(off) ");
            menus.push_back(shown);
            return choose(root, def);
        });
        rt.ShowForm(f);
    }
    TolvaneCaption& Place(const std::string& name, const PropertyMap* stored = nullptr, Surface* in = nullptr) {
        return static_cast<TolvaneCaption&>(
            rt.PlaceControl(in ? *in : f, "TolvaneCaption", name, -1, {0, 0, SW, 300}, stored).GetControl());
    }
    Surface& Bar() { return c.GetSurface(); }
    Element& E(const std::string& path) { return *rt.Resolve(f, "TolvaneCaption1." + path).element; }
    PictureButton& Btn(int i) { return static_cast<PictureButton&>(E("btnCommand(" + std::to_string(i) + ")")); }
    MenuItem& Item(int i) { return static_cast<MenuItem&>(E("mnuCloseCommand(" + std::to_string(i) + ")")); }
    Label& Text() { return static_cast<Label&>(E("lblCaption")); }
    Line& L(const std::string& n) { return static_cast<Line&>(E(n)); }
    void Resize(double w) { Bar().SetWidth(w); }
    // Mouse input at a point of the bar.
    void M(MouseAction a, double x, double y, int16_t button = MouseButton::Left) { rt.Mouse(f, a, x, y, button, 0); }
    // Mouse input with the pointer at a screen position (twips), wherever the form is now.
    void Screen(MouseAction a, double sx, double sy, int16_t button = MouseButton::Left) {
        rt.Mouse(f, a, sx - f.Left(), sy - f.Top(), button, 0);
    }
    Strings Events() {
        Strings out;
        for (auto& l : log.lines)
            if (l.rfind("event TolvaneCaption1 ", 0) == 0) out.push_back(l.substr(22));
        log.lines.clear();
        return out;
    }
    std::vector<double> Lefts() {
        std::vector<double> out;
        for (int i = 0; i < 4; ++i) out.push_back(Btn(i).Visible() ? Btn(i).Left() - SW : 1);
        return out;
    }
    std::vector<bool> Items() {
        std::vector<bool> out;
        for (int i : {0, 3, 4, 6}) out.push_back(Item(i).Enabled());
        return out;
    }
};

// ---------------------------------------------------------------- properties and the store

TEST_F(CaptionTest, NewBarShowsItsNameAndThreeButtonsAndStoresOnlyWhatDiffers) {
    EXPECT_EQ(Text().Caption(), "TolvaneCaption1");
    EXPECT_EQ(Lefts(), (std::vector<double>{-780, -540, -270, 1}));  // help hidden
    EXPECT_FALSE(L("linSep(0)").Visible());
    EXPECT_TRUE(IsNoPicture(static_cast<Image&>(E("imgIcon")).GetPicture()));
    EXPECT_EQ(static_cast<Image&>(E("imgIcon")).ToolTipText(), "System Menu");
    EXPECT_EQ(Btn(0).ToolTipText() + Btn(1).ToolTipText() + Btn(2).ToolTipText(), "MinimizeMaximizeClose");

    PropertyMap fresh;
    c.WriteProperties(fresh);
    ASSERT_EQ(fresh.Entries().size(), size_t{1});
    EXPECT_EQ(fresh.Entries()[0].first, "Caption");

    const std::vector<std::pair<std::string, Value>> set = {
        {"AlignH", int64_t{2}}, {"Caption", std::string("Stored")}, {"Halt", int64_t{1}}, {"Enabled", int64_t{False}},
        {"Font", MakeFont("Tahoma", 10, true)}, {"Font_Colour", int64_t{RGB(1, 2, 3)}},
        {"Grad_Rig", int64_t{RGB(4, 5, 6)}}, {"Grad_Lef", int64_t{RGB(7, 8, 9)}},
        {"Icon", TolvaneCaption::Glyph(0, false)}, {"Help", int64_t{0}}, {"Maximize", int64_t{7}},
        {"Minimize", int64_t{2}}};
    for (auto& [name, v] : set) c.SetProperty(name, v);
    PropertyMap bag, again;
    c.WriteProperties(bag);
    Strings keys;
    for (auto& [k, v] : bag.Entries()) keys.push_back(k);
    EXPECT_EQ(keys, (Strings{"AlignH", "Caption", "Halt", "Enabled", "Font", "Font_Colour", "Grad_Rig", "Grad_Lef",
                             "Icon", "Help", "Maximize", "Minimize"}));
    TolvaneCaption& copy = Place("Copy", &bag);
    for (auto& [name, v] : set) EXPECT_TRUE(ValuesEqual(copy.GetProperty(name), v)) << name;

    // A stored form without caption keys.
    PropertyMap empty;
    TolvaneCaption& plain = Place("Plain", &empty);
    EXPECT_EQ(plain.Caption(), "TolvaneCaption");
    EXPECT_EQ(std::vector<int32_t>({plain.Minimize(), plain.Maximize(), plain.Halt(), plain.Help()}),
              (std::vector<int32_t>{0, 0, 0, 2}));
}

TEST_F(CaptionTest, AlignmentTheTextElementRefusesLeavesTheRestOfTheRefreshDone) {
    c.SetAlignH(2);
    c.SetAlignH(9);  // stored as given; the text keeps centring, the later steps still run
    c.SetCaption("After");
    EXPECT_EQ(c.AlignH(), 9);
    EXPECT_EQ(Text().Alignment(), 2);
    EXPECT_EQ(Text().Caption(), "After");
}

// ---------------------------------------------------------------- layout

TEST_F(CaptionTest, ButtonsCloseUpFromTheRightForEveryCombinationOfAbsentButtons) {
    struct Case {
        int32_t min, max, halt, help;
        std::vector<double> lefts;  // minimise, maximise, close, help (1: hidden)
    };
    const std::vector<Case> cases = {
        {0, 0, 0, 0, {-780, -540, -270, -1050}},
        {0, 0, 2, 2, {-510, -270, 1, 1}},        // no close: maximise takes its place
        {0, 2, 0, 2, {-540, 1, -270, 1}},        // no maximise: minimise keeps a gap from close
        {2, 0, 0, 0, {1, -540, -270, -810}},     // help next to maximise
        {2, 2, 0, 0, {1, 1, -270, -540}},        // help next to close
        {2, 2, 2, 0, {1, 1, 1, -270}},           // help alone
        {1, 1, 1, 1, {-780, -540, -270, -1050}}, // non-functional buttons keep their places
        {0, 5, 0, 2, {-780, 1, -270, 1}},        // a style outside 0 to 2 hides but keeps its place
    };
    for (const Case& k : cases) {
        c.SetMinimize(k.min), c.SetMaximize(k.max), c.SetHalt(k.halt), c.SetHelp(k.help);
        Resize(SW + 15), Resize(SW);
        EXPECT_EQ(Lefts(), k.lefts) << k.min << k.max << k.halt << k.help;
        for (int i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(Btn(i).Top(), 37.5);
    }
    // A style change shows or hides at once; the others move only at the next resize.
    c.SetMaximize(Nonexistant);
    EXPECT_EQ(Lefts(), (std::vector<double>{-780, 1, -270, 1}));
    Resize(SW + 15), Resize(SW);
    EXPECT_EQ(Lefts(), (std::vector<double>{-540, 1, -270, 1}));
}

TEST_F(CaptionTest, TextRunsBetweenTheIconAreaAndTheButtons) {
    struct Case {
        bool icon, buttons;
        double left, width;
        bool separator;
    };
    for (const Case& k : {Case{false, false, 30, SW - 60, false}, Case{false, true, 30, SW - 780, false},
                          Case{true, false, 360, SW - 420, true}, Case{true, true, 360, SW - 1110, true}}) {
        c.SetIcon(k.icon ? TolvaneCaption::Glyph(1, false) : nullptr);
        const int32_t style = k.buttons ? Functional : Nonexistant;
        c.SetMinimize(style), c.SetMaximize(style), c.SetHalt(style), c.SetHelp(Nonexistant);
        EXPECT_EQ(Text().Left(), k.left);
        EXPECT_EQ(Text().Width(), k.width);
        EXPECT_EQ(L("linSep(0)").Visible(), k.separator);
        EXPECT_EQ(L("linSep(1)").Visible(), k.separator);
    }
    // Too narrow for the margins: the width keeps its last value, the rest is still done.
    c.SetIcon(nullptr);
    Resize(600);
    EXPECT_EQ(Text().Width(), SW - 780);
    EXPECT_EQ(Text().Left(), 30);
    EXPECT_EQ(L("linSep(0)").Visible(), false);
    c.SetMaximize(Nonfunctional);
    EXPECT_FALSE(Btn(1).Enabled());
    EXPECT_EQ(L("linRig").X1(), 585);
    EXPECT_EQ(L("linBot").Y1(), 285);
}

TEST_F(CaptionTest, ButtonAndMenuStatesFollowTheStylesAndTheWindowState) {
    // Restore, Minimize, Maximize, Close.
    EXPECT_EQ(Items(), (std::vector<bool>{false, true, true, true}));
    f.SetWindowState(Form::Maximized);
    c.SetCaption("refresh");
    EXPECT_EQ(Items(), (std::vector<bool>{true, true, false, true})) << "minimise keeps its item while maximised";
    Item(3).SetEnabled(false);
    c.SetCaption("again");
    EXPECT_FALSE(Item(3).Enabled());
    f.SetWindowState(Form::Normal);
    c.SetCaption("normal");
    EXPECT_EQ(Items(), (std::vector<bool>{false, true, true, true}));

    c.SetMinimize(Nonfunctional), c.SetMaximize(Nonfunctional), c.SetHalt(Nonfunctional);
    EXPECT_EQ(Items(), (std::vector<bool>{false, false, false, false}));
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(Btn(i).Visible() && !Btn(i).Enabled());
    c.SetMinimize(Nonexistant), c.SetMaximize(4), c.SetHalt(Nonexistant), c.SetHelp(Nonfunctional);
    EXPECT_EQ(Items(), (std::vector<bool>{false, false, false, false}));
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(!Btn(i).Visible() && Btn(i).Enabled());
    EXPECT_TRUE(Btn(3).Visible() && !Btn(3).Enabled());
}

// ---------------------------------------------------------------- commands

TEST_F(CaptionTest, MenuCommandsSetTheWindowStateUpdateTheItemsAndReport) {
    int writes = 0;
    f.onWindowStateChanged = [&](int) { ++writes; };
    c.SetMinimize(Nonfunctional);
    Item(0).onClick();  // "&Restore" on a normal form: nothing written, items still updated
    EXPECT_EQ(writes, 0);
    EXPECT_EQ(Items(), (std::vector<bool>{false, true, true, true})) << "until the next refresh";
    EXPECT_EQ(Events(), Strings{"RestoreClick"});
    Item(4).onClick();
    EXPECT_EQ(f.GetWindowState(), Form::Maximized);
    EXPECT_EQ(Items(), (std::vector<bool>{true, true, false, true}));
    Item(3).onClick();
    EXPECT_EQ(f.GetWindowState(), Form::Minimized);
    EXPECT_EQ(Items(), (std::vector<bool>{true, false, false, true}));
    Item(6).onClick();
    for (int i : {1, 2, 5}) Item(i).onClick();
    c.WindowCommand(9);
    EXPECT_EQ(Events(), (Strings{"MaximizeClick", "MinimizeClick", "HaltClick"}));
    EXPECT_TRUE(rt.IsLoaded(f));
}

TEST_F(CaptionTest, CaptionButtonsCommandTheFormAndHelpReportsItself) {
    c.SetHelp(Functional);
    Resize(SW + 15), Resize(SW);
    auto click = [&](int i) { M(MouseAction::Click, Btn(i).Left() + 100, 150); };
    click(1);
    EXPECT_EQ(f.GetWindowState(), Form::Maximized);
    click(1);
    EXPECT_EQ(f.GetWindowState(), Form::Normal);
    click(0);
    EXPECT_EQ(f.GetWindowState(), Form::Minimized);
    click(1);  // maximise from minimised
    click(2);
    click(3);
    EXPECT_EQ(Events(), (Strings{"MaximizeClick", "RestoreClick", "MinimizeClick", "MaximizeClick", "HaltClick",
                                 "HelpClick"}));
    EXPECT_EQ(f.GetWindowState(), Form::Maximized);
}

TEST_F(CaptionTest, IconOpensTheSystemMenuAndMenuClickFollowsWhateverWasChosen) {
    c.SetIcon(TolvaneCaption::Glyph(3, false));
    M(MouseAction::Click, 150, 150);  // dismissed
    ASSERT_EQ(menus.size(), size_t{1});
    EXPECT_EQ(menus[0], "&Restore(off) &Move &Size Mi&nimize Ma&ximize - *&Close ");
    choose = [](MenuItem& root, MenuItem* def) { return def; };
    M(MouseAction::Click, 150, 150);
    choose = [](MenuItem& root, MenuItem*) { return root.Items()[1]; };  // "&Move"
    M(MouseAction::Click, 150, 150);
    choose = [](MenuItem& root, MenuItem*) { return root.Items()[4]; };
    M(MouseAction::Click, 150, 150);
    EXPECT_EQ(Events(), (Strings{"MenuClick", "HaltClick", "MenuClick", "MenuClick", "MaximizeClick", "MenuClick"}));
    EXPECT_EQ(f.GetWindowState(), Form::Maximized);
    EXPECT_EQ(log.Count("capture TolvaneCaption1"), 0u) << "the icon starts no drag and takes no capture";

    rt.MouseTo(rt.Resolve(f, "TolvaneCaption1.imgIcon"), MouseAction::DoubleClickOnly, 10, 10, 1, 0);
    EXPECT_EQ(Events(), Strings{"HaltClick"});
}

TEST_F(CaptionTest, DoubleClickTogglesMaximiseOnlyWhileThatButtonIsShownAndWorking) {
    auto dbl = [&](double x) {
        rt.Mouse(f, MouseAction::DoubleClickOnly, x, 150, 1, 0);
        M(MouseAction::Up, x, 150);
    };
    dbl(15);  // the bar's own surface
    EXPECT_EQ(f.GetWindowState(), Form::Maximized);
    dbl(1000);  // the text
    EXPECT_EQ(f.GetWindowState(), Form::Normal);
    EXPECT_EQ(Events(), (Strings{"MaximizeClick", "MouseUp", "RestoreClick", "MouseUp"}));
    for (int32_t style : {Nonfunctional, Nonexistant}) {
        c.SetMaximize(style);
        dbl(1000);
        EXPECT_EQ(f.GetWindowState(), Form::Normal);
    }
}

// ---------------------------------------------------------------- mouse

TEST_F(CaptionTest, AnyButtonHeldOnTheBarOrItsTextDragsTheFormAtTheOffsetOfThePress) {
    for (int16_t button : {MouseButton::Left, MouseButton::Right}) {
        for (double x : {15.0, 1200.0}) {  // surface, text
            const double l0 = f.Left(), t0 = f.Top();
            Screen(MouseAction::Down, l0 + x, t0 + 150, button);
            EXPECT_EQ(std::pair(c.DragX(), c.DragY()), std::pair(int32_t(-x), int32_t(-150)));
            Screen(MouseAction::Move, l0 + x + 450, t0 + 150 + 300, button);
            Screen(MouseAction::Move, l0 + x + 900, t0 + 150 - 150, button);
            EXPECT_EQ(std::pair(f.Left(), f.Top()), std::pair(l0 + 900, t0 - 150));
            Screen(MouseAction::Up, l0 + x + 900, t0 + 150 - 150, button);
            Screen(MouseAction::Move, l0 + 5000, t0 + 5000, 0);
            EXPECT_EQ(f.Left(), l0 + 900) << "the drag ends with the release";
        }
    }
    // Far out on a wide screen the positions pass 16 bits; the form still follows.
    f.Move(60000, 40000, 9000, 3000);
    Screen(MouseAction::Down, 61200, 40140);
    Screen(MouseAction::Move, 61500, 40200);
    Screen(MouseAction::Up, 61500, 40200);
    EXPECT_EQ(std::pair(f.Left(), f.Top()), std::pair(60300.0, 40060.0));

    // The text passes its own coordinates to MouseDown.
    double seenX = -1;
    c.MouseDown += [&](int16_t&, int16_t&, float& x, float&) { seenX = x; };
    M(MouseAction::Move, 7000, 2000, 0);  // off the bar, no capture
    M(MouseAction::Down, 1000, 150);
    EXPECT_EQ(seenX, 1000 - Text().Left());
    M(MouseAction::Up, 1000, 150);
}

TEST_F(CaptionTest, BevelSinksUnderThePointerWithTheCaptureAndRisesWhenItLeaves) {
    auto bevel = [&] { return std::pair(L("linTop").Colour(), L("linBot").Colour()); };
    const auto raised = std::pair(SysColour::ButtonHighlight, SysColour::ButtonShadow);
    const auto sunken = std::pair(SysColour::ButtonShadow, SysColour::ButtonHighlight);
    M(MouseAction::Move, 3000, 150, 0);
    EXPECT_EQ(bevel(), sunken);
    EXPECT_EQ(rt.Captured(), &Bar());
    M(MouseAction::Move, SW, 300, 0);  // the edges are inside
    EXPECT_EQ(rt.Captured(), &Bar());
    M(MouseAction::Move, Btn(2).Left() + 100, 150, 0);  // over a button: the press must reach it
    EXPECT_EQ(bevel(), sunken);
    EXPECT_EQ(rt.Captured(), nullptr);
    M(MouseAction::Move, 3000, 150, 0);
    M(MouseAction::Move, 3000, 301, 0);
    EXPECT_EQ(bevel(), raised);
    EXPECT_EQ(rt.Captured(), nullptr);

    // Disabled: the bevel stays as it is, the capture still comes and goes.
    M(MouseAction::Move, 3000, 150, 0);
    c.SetEnabled(False);
    M(MouseAction::Move, 3000, 400, 0);
    EXPECT_EQ(bevel(), sunken);
    EXPECT_EQ(c.Status(), CaptionStatus::Sunken);
    EXPECT_EQ(rt.Captured(), nullptr);
    c.SetEnabled(True);
    M(MouseAction::Move, 3000, 150, 0);
    M(MouseAction::Move, 3000, 400, 0);
    EXPECT_EQ(bevel(), raised);
    c.SetEnabled(False);
    M(MouseAction::Move, 3000, 150, 0);
    EXPECT_EQ(bevel(), raised);
    EXPECT_EQ(rt.Captured(), &Bar());
    M(MouseAction::Click, 3000, 150);
    EXPECT_EQ(rt.Captured(), nullptr) << "every release lets the mouse go";
    Events();
    M(MouseAction::Move, 3000, 150, 0);
    M(MouseAction::Click, 3000, 150);
    EXPECT_EQ(Events(), (Strings{"MouseMove", "MouseDown", "MouseUp", "Click"}));
}

TEST_F(CaptionTest, BarInAContainerCommandsTheFormThatHoldsIt) {
    test::RegisterProbe();
    Surface& box = rt.PlaceControl(f, "ProbeControl", "Box", -1, {600, 600, 7000, 1200}, nullptr).GetSurface();
    auto& inner = Place("Inner", nullptr, &box);
    inner.WindowCommand(TolvaneCaption::CmdMaximize);
    EXPECT_EQ(f.GetWindowState(), Form::Maximized);
    inner.ButtonCommand(TolvaneCaption::Maximise);
    EXPECT_EQ(f.GetWindowState(), Form::Normal);
    const double l0 = f.Left(), t0 = f.Top();
    Screen(MouseAction::Down, l0 + 600 + 3000, t0 + 600 + 150);
    Screen(MouseAction::Move, l0 + 600 + 3300, t0 + 600 + 450);
    Screen(MouseAction::Up, l0 + 600 + 3300, t0 + 600 + 450);
    EXPECT_EQ(std::pair(f.Left(), f.Top()), std::pair(l0 + 300, t0 + 300));
    EXPECT_EQ(std::pair(box.Left(), box.Top()), std::pair(600.0, 600.0));
}

// ---------------------------------------------------------------- colours

TEST_F(CaptionTest, GradientRunsFromTheLeftColourToTheRightOneOrTheDesktopsTitleColour) {
    auto ends = [&] {
        FormRenderer r(rt, f, 1);
        return std::pair(r.PixelAt(37, 22), r.PixelAt(SW - 45, 22));
    };
    auto near = [](uint32_t a, uint32_t b) {
        // The far band is a few steps short of the right colour: the bands run past the end.
        return std::abs(RedOf(a) - RedOf(b)) <= 6 && std::abs(GreenOf(a) - GreenOf(b)) <= 6 &&
               std::abs(BlueOf(a) - BlueOf(b)) <= 6;
    };
    rt.GetTheme().Reset();
    const OleColour navy = RGB(0, 0, 128);
    rt.GetDesktop().Clear();
    c.SetCaption("flat");
    EXPECT_EQ(ends(), std::pair(navy, navy)) << "no desktop setting: flat title colour";

    rt.GetDesktop().Set("Colors", "GradientActiveTitle", "16 132 208");
    c.SetCaption("desktop");
    auto [l, r] = ends();
    EXPECT_TRUE(near(l, navy)) << std::hex << l;
    EXPECT_TRUE(near(r, RGB(16, 132, 208))) << std::hex << r;
    EXPECT_EQ(c.Grad_Rig(), SysColour::ActiveTitle) << "the stored colours never change";

    c.SetGrad_Lef(RGB(255, 0, 0));
    c.SetGrad_Rig(RGB(0, 0, 255));
    std::tie(l, r) = ends();
    EXPECT_TRUE(near(l, RGB(255, 0, 0))) << std::hex << l;
    EXPECT_TRUE(near(r, RGB(0, 0, 255))) << std::hex << r;
}

// ---------------------------------------------------------------- looks

Frame Stack(const std::vector<Frame>& tiles) {
    Frame out;
    for (const Frame& t : tiles) out.width = std::max(out.width, t.width), out.height += t.height;
    out.stride = out.width * 4;
    out.data.assign(size_t(out.stride) * out.height, 0);
    int y0 = 0;
    for (const Frame& t : tiles) {
        for (int y = 0; y < t.height; ++y)
            std::copy_n(&t.data[size_t(y) * t.stride], t.width * 4, &out.data[size_t(y0 + y) * out.stride]);
        y0 += t.height;
    }
    return out;
}

struct Look {
    Runtime rt;
    Form& f = rt.NewForm("f", 4500, 390);
    TolvaneCaption* c = nullptr;
    explicit Look(double height = 390) {
        rt.GetTheme().Reset();
        rt.GetDesktop().Clear();
        rt.GetDesktop().Set("Colors", "GradientActiveTitle", "16 132 208");
        f.Move(0, 0, 4500, height);
        f.SetFont(MakeFont("Tahoma", 8.25));
        c = &rt.Place<TolvaneCaption>(f, "capLook", {45, 45, 4410, 300});
        c->SetFont(MakeFont("Tahoma", 8.25, true));
        c->SetCaption("TolvaneCaption");
        rt.ShowForm(f);
    }
    PictureRef Icon() { return rt.LoadPicture(std::string(STOLVANE_SOURCE_DIR) + "/examples/stolvane.png"); }
};

TEST(CaptionLooks, BarsWithAndWithoutButtonsNonFunctionalAndSunken) {
    const std::vector<std::function<void(Look&)>> looks = {
        [](Look& k) { k.c->SetIcon(k.Icon()), k.c->SetHelp(Functional);
            k.c->GetSurface().SetWidth(4425), k.c->GetSurface().SetWidth(4410); },
        [](Look& k) { k.c->SetMinimize(Nonexistant), k.c->SetMaximize(Nonexistant), k.c->SetHalt(Nonexistant); },
        [](Look& k) { k.c->SetIcon(k.Icon()), k.c->SetMaximize(Nonfunctional), k.c->SetAlignH(Alignment::Centre); },
        [](Look& k) { k.rt.Mouse(k.f, MouseAction::Move, 2000, 200, 0, 0); },
    };
    for (double scale : {1.0, 2.0}) {
        std::vector<Frame> tiles;
        for (auto& look : looks) {
            Look k;
            look(k);
            tiles.push_back(FormRenderer(k.rt, k.f, scale).Update());
        }
        EXPECT_TRUE(test::CompareGolden(Stack(tiles), scale == 1 ? "caption_bars_scale1" : "caption_bars_scale2"));
    }
}

TEST(CaptionLooks, SystemMenuOpenBelowTheIcon) {
    for (double scale : {1.0, 2.0}) {
        Look k(2400);
        k.c->SetIcon(k.Icon());
        k.rt.SetCursor({8, 12});
        auto& root = static_cast<MenuItem&>(*k.rt.Resolve(k.f, "capLook.mnuClose").element);
        PopupMenuForm menu = BuildPopupMenu(k.rt, root, root.Items()[6]);
        ASSERT_NE(menu.form, nullptr);
        HighlightPopupRow(menu, 3);
        Frame bar = FormRenderer(k.rt, k.f, scale).Update();
        const Frame popup = FormRenderer(k.rt, *menu.form, scale).Update();
        const int ox = int(8 * scale), oy = int(12 * scale);
        for (int y = 0; y < popup.height && oy + y < bar.height; ++y)
            std::copy_n(&popup.data[size_t(y) * popup.stride], std::min(popup.width, bar.width - ox) * 4,
                        &bar.data[size_t(oy + y) * bar.stride + size_t(ox) * 4]);
        EXPECT_TRUE(test::CompareGolden(bar, scale == 1 ? "caption_menu_scale1" : "caption_menu_scale2"));
    }
}

// ---------------------------------------------------------------- a real window

// The bar of a frameless form commands its window under a private X server: dragged by the
// bar, maximised and restored by the button and by a double-click, minimised (hidden without a
// window manager), and "&Close" chosen from the icon's menu with the pointer.
TEST(CaptionWindow, RealPointerDragsMaximisesRestoresAndChoosesFromTheMenu) {
    if (!test::PrivateDisplay::Available()) GTEST_SKIP() << "Xvfb and xdotool come with scripts/setup";
    test::PrivateDisplay display;
    ASSERT_TRUE(display.Start());

    Runtime rt;
    Form& form = rt.NewForm("frmBar", 6000, 2400);
    form.SetBorderStyle(Form::None);
    form.Move(1500, 1500, 6000, 2400);  // pixel (100, 100), 400 x 160
    auto& bar = rt.Place<TolvaneCaption>(form, "capBar", {0, 0, 6000, 300});
    bar.SetIcon(TolvaneCaption::Glyph(3, false));
    Strings events;
    for (auto* e : {&bar.MaximizeClick, &bar.RestoreClick, &bar.MinimizeClick, &bar.HaltClick, &bar.MenuClick})
        *e += [&events, e] { events.push_back(e->Name()); };

    WindowHost host(rt);
    rt.ShowForm(form);
    auto steps = [&](int n = 10) {
        for (int i = 0; i < n; ++i) host.Step(20);
    };
    steps();
    ASSERT_NE(host.WindowId(form), 0u);
    SDL_Window* win = SDL_GetWindowFromID(host.WindowId(form));
    auto bounds = [&] {
        int x = 0, y = 0, w = 0, h = 0;
        SDL_GetWindowPosition(win, &x, &y);
        SDL_GetWindowSize(win, &w, &h);
        return std::vector<int>{x, y, w, h};
    };
    auto words = [](const std::string& args) {
        std::vector<std::string> out;
        std::istringstream in(args);
        for (std::string w; in >> w;) out.push_back(w);
        return out;
    };
    auto xdo = [&](const std::string& args) {
        ASSERT_EQ(display.Xdotool(words(args)), 0);
        steps();
    };

    // Drag by the bar: pressed at (200, 110), released 50 right and 30 down.
    xdo("mousemove 200 110 mousedown 1");
    xdo("mousemove 220 125");
    xdo("mousemove 250 140");
    xdo("mouseup 1");
    EXPECT_EQ(bounds(), (std::vector<int>{150, 130, 400, 160}));
    EXPECT_EQ(std::pair(form.Left(), form.Top()), std::pair(2250.0, 1950.0));

    // Maximise and restore by the button (maximise at 5460 to 5700 twips: pixels 364 to 380).
    xdo("mousemove 522 140 click 1");
    EXPECT_EQ(bounds(), (std::vector<int>{0, 0, 1024, 768})) << "no window manager: the usable screen";
    EXPECT_EQ(form.GetWindowState(), Form::Maximized);
    xdo("mousemove 372 10 click 1");
    EXPECT_EQ(bounds(), (std::vector<int>{150, 130, 400, 160}));

    // And by a double-click on the caption text.
    xdo("mousemove 250 140 click --repeat 2 --delay 60 1");
    EXPECT_EQ(form.GetWindowState(), Form::Maximized);
    xdo("mousemove 100 10 click --repeat 2 --delay 60 1");
    EXPECT_EQ(bounds(), (std::vector<int>{150, 130, 400, 160}));

    // Minimise hides the window until the form is restored.
    xdo("mousemove 506 140 click 1");
    EXPECT_TRUE(SDL_GetWindowFlags(win) & SDL_WINDOW_HIDDEN);
    form.SetWindowState(Form::Normal);
    steps();
    EXPECT_FALSE(SDL_GetWindowFlags(win) & SDL_WINDOW_HIDDEN);

    // The icon's menu opens at the pointer; "&Close" is its last row (about 110 pixels down).
    display.XdotoolLater(700, {"mousemove", "200", "250", "click", "1"});
    xdo("mousemove 160 140 click 1");
    for (int i = 0; i < 60 && (events.empty() || events.back() != "MenuClick"); ++i) host.Step(20);
    EXPECT_EQ(events, (Strings{"MaximizeClick", "RestoreClick", "MaximizeClick", "RestoreClick", "MinimizeClick",
                               "HaltClick", "MenuClick"}));
    EXPECT_TRUE(rt.IsShown(form)) << "the bar never closes its form itself";
    rt.UnloadForm(form);
    EXPECT_FALSE(host.Step(10));
}

}  // namespace
