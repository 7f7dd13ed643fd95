// SPDX-License-Identifier: MIT
// TolvaneCaption headless and in a real window: layout, commands, the system menu, drags, the hover bevel, pictures.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "controls/caption/tolvanecaption.h"
#include "host/media.h"
#include "host/popup_menu.h"
#include "host/render.h"
#include "host/runtime.h"
#include "host/window.h"
#include "tests/display.h"
#include "tests/golden_util.h"
#include "tests/test_support.h"

using namespace stolvane;
using namespace ButtonStyle;
using Strings = std::vector<std::string>;
using Lefts = std::vector<double>;

namespace {

constexpr double SW = 6075;

struct CaptionTest : ::testing::Test {
    Runtime rt;
    test::Recorder log;
    Form& f = rt.NewForm("f", 9000, 3000);
    TolvaneCaption& c = Place("TolvaneCaption1");
    Strings menus;  // what each popup showed: captions with their state, * marking the default
    std::function<MenuItem*(MenuItem&, MenuItem*)> choose = [](MenuItem&, MenuItem*) { return nullptr; };
    test::HookBackend hooks;

    CaptionTest() {
        f.Move(1500, 1500, 9000, 3000);
        rt.SetObserver(&log);
        hooks.menu = [this](MenuItem& root, MenuItem* def) {
            std::string shown;
            for (MenuItem* m : root.Items())
                shown += (m == def ? "*" : "") + m->Caption() + (m->Enabled() ? " " : "(off) ");
            menus.push_back(shown);
            return choose(root, def);
        };
        rt.SetBackend(&hooks);
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
    void Relayout() { Bar().SetWidth(SW + 15), Bar().SetWidth(SW); }
    void Styles(int32_t min, int32_t max, int32_t halt, int32_t help) {
        c.SetMinimize(min), c.SetMaximize(max), c.SetHalt(halt), c.SetHelp(help);
    }
    // Mouse input at a point of the bar.
    void M(MouseAction a, double x, double y, int16_t button = MouseButton::Left) { rt.Mouse(f, a, x, y, button, 0); }
    // Mouse input with the pointer at a screen position (twips), wherever the form is now.
    void Screen(MouseAction a, double sx, double sy, int16_t button = MouseButton::Left) {
        rt.Mouse(f, a, sx - f.Left(), sy - f.Top(), button, 0);
    }
    Strings Events() {
        Strings out = log.EventsOf("TolvaneCaption1");
        log.lines.clear();
        return out;
    }
    // Each button's left edge from the bar's right edge; 1 for a hidden button.
    Lefts ButtonLefts() {
        Lefts out;
        for (int i = 0; i < 4; ++i) out.push_back(Btn(i).Visible() ? Btn(i).Left() - SW : 1);
        return out;
    }
    // Restore, Minimize, Maximize, Close.
    std::vector<bool> Items() { return {Item(0).Enabled(), Item(3).Enabled(), Item(4).Enabled(), Item(6).Enabled()}; }
};

// An alignment the text refuses is stored as given; the text keeps the last good one and the
// later steps of the refresh still run.
TEST_F(CaptionTest, ARefusedAlignmentIsStoredAndTheRefreshGoesOn) {
    c.SetAlignH(2);
    c.SetAlignH(9);
    c.SetCaption("After");
    c.SetFont_Colour(RGB(255, 255, 0));
    EXPECT_EQ(c.AlignH(), 9);
    EXPECT_EQ(Text().Alignment(), 2);
    EXPECT_EQ(std::pair(Text().Caption(), Text().ForeColour()), std::pair(std::string("After"), RGB(255, 255, 0)));
}

TEST_F(CaptionTest, ButtonsCloseUpFromTheRightAndTheTextRunsBetweenTheIconAreaAndThem) {
    struct Case {
        int32_t min, max, halt, help;
        Lefts lefts;  // minimise, maximise, close, help (1: hidden)
    };
    const Case cases[] = {
        {0, 0, 2, 2, {-510, -270, 1, 1}},         // no close: maximise takes its place
        {0, 2, 0, 2, {-540, 1, -270, 1}},         // no maximise: minimise keeps a gap from close
        {2, 0, 0, 0, {1, -540, -270, -810}},      // help next to maximise
        {2, 2, 0, 0, {1, 1, -270, -540}},         // help next to close
        {2, 2, 2, 0, {1, 1, 1, -270}},            // help alone
        {1, 1, 1, 1, {-780, -540, -270, -1050}},  // non-functional buttons keep their places
        {0, 5, 0, 2, {-780, 1, -270, 1}},         // a style outside 0 to 2 hides but keeps its place
    };
    for (const Case& k : cases) {
        Styles(k.min, k.max, k.halt, k.help);
        Relayout();
        EXPECT_EQ(ButtonLefts(), k.lefts) << k.min << k.max << k.halt << k.help;
        EXPECT_EQ(Text().Width(), SW - 780) << "any button shown keeps the text clear of the buttons";
        for (int i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(Btn(i).Top(), 37.5);
    }
    // A style change shows or hides at once; the others move only at the next resize.
    c.SetMaximize(Nonexistant);
    EXPECT_EQ(ButtonLefts(), (Lefts{-780, 1, -270, 1}));

    // The text's left edge and width, with and without icon and buttons; the separator with the icon.
    for (auto [icon, buttons, left, width] : {std::tuple{false, false, 30.0, SW - 60}, {false, true, 30, SW - 780},
                                              {true, false, 360, SW - 420}, {true, true, 360, SW - 1110}}) {
        c.SetIcon(icon ? TolvaneCaption::Glyph(1, false) : nullptr);
        const int32_t style = buttons ? Functional : Nonexistant;
        Styles(style, style, style, Nonexistant);
        EXPECT_EQ(std::pair(Text().Left(), Text().Width()), std::pair(left, width));
        EXPECT_EQ(std::pair(L("linSep(0)").Visible(), L("linSep(1)").Visible()), std::pair(icon, icon));
    }
    // Too narrow for the margins: the width keeps its last value, the rest is still done.
    c.SetIcon(nullptr);
    Bar().SetWidth(600);
    EXPECT_EQ(std::pair(Text().Left(), Text().Width()), std::pair(30.0, SW - 780));
    EXPECT_EQ(std::pair(L("linRig").X1(), L("linBot").Y1()), std::pair(585.0, 285.0));
}

TEST_F(CaptionTest, ButtonAndMenuStatesFollowTheStylesAndTheWindowState) {
    f.SetWindowState(Form::Maximized);
    c.SetCaption("refresh");
    EXPECT_EQ(Items(), (std::vector<bool>{true, true, false, true})) << "minimise keeps its item while maximised";
    Item(3).SetEnabled(false);
    c.SetCaption("again");
    EXPECT_FALSE(Item(3).Enabled());
    f.SetWindowState(Form::Normal);
    c.SetCaption("normal");
    EXPECT_EQ(Items(), (std::vector<bool>{false, true, true, true}));

    Styles(Nonfunctional, Nonfunctional, Nonfunctional, Nonexistant);
    EXPECT_EQ(Items(), (std::vector<bool>{false, false, false, false}));
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(Btn(i).Visible() && !Btn(i).Enabled());
    Styles(Nonexistant, 4, Nonexistant, Nonfunctional);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(!Btn(i).Visible() && Btn(i).Enabled());
    EXPECT_TRUE(Btn(3).Visible() && !Btn(3).Enabled());
}

TEST_F(CaptionTest, MenuItemsButtonsAndDoubleClicksCommandTheFormAndReport) {
    int writes = 0;
    f.onWindowStateChanged = [&](int) { ++writes; };
    c.SetMinimize(Nonfunctional);
    Item(0).onClick();  // "&Restore" on a normal form: nothing written, items still updated
    EXPECT_EQ(writes, 0);
    EXPECT_EQ(Items(), (std::vector<bool>{false, true, true, true})) << "until the next refresh";
    Item(4).onClick();
    EXPECT_EQ(f.GetWindowState(), Form::Maximized);
    EXPECT_EQ(Items(), (std::vector<bool>{true, true, false, true}));
    Item(3).onClick();
    EXPECT_EQ(f.GetWindowState(), Form::Minimized);
    EXPECT_EQ(Items(), (std::vector<bool>{true, false, false, true}));
    for (int i : {6, 1, 2, 5, 9}) c.WindowCommand(i);
    EXPECT_EQ(Events(), (Strings{"RestoreClick", "MaximizeClick", "MinimizeClick", "HaltClick"}));
    EXPECT_TRUE(rt.IsLoaded(f)) << "the bar never closes its form itself";

    c.SetMinimize(Functional), c.SetHelp(Functional);
    Relayout();
    for (int i : {1, 0, 1, 1, 2, 3}) M(MouseAction::Click, Btn(i).Left() + 100, 150);
    EXPECT_EQ(Events(), (Strings{"MaximizeClick", "MinimizeClick", "MaximizeClick", "RestoreClick", "HaltClick",
                                 "HelpClick"})) << "maximise from minimised maximises";
    EXPECT_EQ(f.GetWindowState(), Form::Normal);

    // A double-click on the bar or its text toggles maximise while that button is shown and works.
    for (double x : {15.0, 1000.0}) {
        rt.Mouse(f, MouseAction::DoubleClickOnly, x, 150, 1, 0);
        M(MouseAction::Up, x, 150);
    }
    EXPECT_EQ(Events(), (Strings{"MaximizeClick", "MouseUp", "RestoreClick", "MouseUp"}));
    for (int32_t style : {Nonfunctional, Nonexistant}) {
        c.SetMaximize(style);
        rt.Mouse(f, MouseAction::DoubleClickOnly, 1000, 150, 1, 0);
        EXPECT_EQ(f.GetWindowState(), Form::Normal);
    }
}

TEST_F(CaptionTest, IconOpensTheSystemMenuAndMenuClickFollowsWhateverWasChosen) {
    c.SetIcon(TolvaneCaption::Glyph(3, false));
    M(MouseAction::Click, 150, 150);  // dismissed
    ASSERT_EQ(menus, Strings{"&Restore(off) &Move &Size Mi&nimize Ma&ximize - *&Close "});
    choose = [](MenuItem&, MenuItem* def) { return def; };
    M(MouseAction::Click, 150, 150);
    choose = [](MenuItem& root, MenuItem*) { return root.Items()[4]; };
    M(MouseAction::Click, 150, 150);
    EXPECT_EQ(Events(), (Strings{"MenuClick", "HaltClick", "MenuClick", "MaximizeClick", "MenuClick"}));
    EXPECT_EQ(f.GetWindowState(), Form::Maximized);
    EXPECT_EQ(log.Count("capture TolvaneCaption1"), 0u) << "the icon starts no drag and takes no capture";
    rt.MouseTo(rt.Resolve(f, "TolvaneCaption1.imgIcon"), MouseAction::DoubleClickOnly, 10, 10, 1, 0);
    EXPECT_EQ(Events(), Strings{"HaltClick"});
}

TEST_F(CaptionTest, AnyButtonHeldOnTheBarOrItsTextDragsTheFormAtTheOffsetOfThePress) {
    for (int16_t button : {MouseButton::Left, MouseButton::Right})
        for (double x : {15.0, 1200.0}) {  // surface, text
            const double l0 = f.Left(), t0 = f.Top();
            Screen(MouseAction::Down, l0 + x, t0 + 150, button);
            Screen(MouseAction::Move, l0 + x + 450, t0 + 150 + 300, button);
            Screen(MouseAction::Move, l0 + x + 900, t0 + 150 - 150, button);
            EXPECT_EQ(std::pair(f.Left(), f.Top()), std::pair(l0 + 900, t0 - 150));
            Screen(MouseAction::Up, l0 + x + 900, t0 + 150 - 150, button);
            Screen(MouseAction::Move, l0 + 5000, t0 + 5000, 0);
            EXPECT_EQ(f.Left(), l0 + 900) << "the drag ends with the release";
        }
    // Far out on a wide screen the positions pass 16 bits; the form still follows.
    f.Move(60000, 40000, 9000, 3000);
    Screen(MouseAction::Down, 61200, 40140);
    Screen(MouseAction::Move, 61500, 40200);
    Screen(MouseAction::Up, 61500, 40200);
    EXPECT_EQ(std::pair(f.Left(), f.Top()), std::pair(60300.0, 40060.0));

    double seenX = -1;
    c.MouseDown += [&](int16_t&, int16_t&, float& x, float&) { seenX = x; };
    M(MouseAction::Move, 7000, 2000, 0);  // off the bar, no capture
    M(MouseAction::Down, 1000, 150);
    EXPECT_EQ(seenX, 1000 - Text().Left()) << "the text passes its own coordinates";
}

TEST_F(CaptionTest, BevelSinksUnderThePointerWithTheCaptureAndRisesWhenItLeaves) {
    auto bevel = [&] { return std::pair(L("linTop").Colour(), L("linBot").Colour()); };
    const auto raised = std::pair(SysColour::ButtonHighlight, SysColour::ButtonShadow);
    const auto sunken = std::pair(SysColour::ButtonShadow, SysColour::ButtonHighlight);
    auto move = [&](std::initializer_list<double> ys) {
        for (double y : ys) M(MouseAction::Move, 3000, y, 0);
    };
    move({150});
    EXPECT_EQ(std::pair(bevel(), rt.Captured()), std::pair(sunken, &Bar()));
    // Over a button the pointer is off the bar's own surface: the bevel rests, and the capture
    // goes so that the press reaches the button.
    M(MouseAction::Move, Btn(2).Left() + 100, 150, 0);
    EXPECT_EQ(std::pair(bevel(), rt.Captured()), std::pair(raised, (Surface*)nullptr));
    move({150, 301});
    EXPECT_EQ(std::pair(bevel(), rt.Captured()), std::pair(raised, (Surface*)nullptr));
    // It sinks as the pointer comes onto the text's start beside an icon, and over the places
    // hidden buttons keep.
    c.SetIcon(TolvaneCaption::Glyph(3, false));
    M(MouseAction::Move, 450, 150, 0);
    EXPECT_EQ(std::pair(bevel(), rt.Captured()), std::pair(sunken, &Bar()));
    Styles(Nonexistant, Nonexistant, Nonexistant, Nonexistant);
    M(MouseAction::Move, SW - 150, 150, 0);
    EXPECT_EQ(std::pair(bevel(), rt.Captured()), std::pair(sunken, &Bar()));
    c.SetIcon(nullptr), move({400});

    // Disabled, the bevel stays as it is; the capture still comes and goes.
    move({150}), c.SetEnabled(False), move({400});
    EXPECT_EQ(std::pair(bevel(), c.Status()), std::pair(sunken, CaptionStatus::Sunken));
    EXPECT_EQ(rt.Captured(), nullptr);
    c.SetEnabled(True), move({150, 400}), c.SetEnabled(False), move({150});
    EXPECT_EQ(std::pair(bevel(), rt.Captured()), std::pair(raised, &Bar()));
    Events();
    M(MouseAction::Click, 3000, 150);
    EXPECT_EQ(rt.Captured(), nullptr) << "every release lets the mouse go";
    EXPECT_EQ(Events(), (Strings{"MouseDown", "MouseUp", "Click"}));
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

TEST_F(CaptionTest, GradientRunsFromTheLeftColourToTheRightOneOrTheDesktopsTitleColour) {
    // The far band is a few steps short of the right colour: the bands run past the end.
    auto near = [](uint32_t a, uint32_t b) {
        return std::max({std::abs(RedOf(a) - RedOf(b)), std::abs(GreenOf(a) - GreenOf(b)),
                         std::abs(BlueOf(a) - BlueOf(b))}) <= 6;
    };
    auto ends = [&](OleColour left, OleColour right) {
        FormRenderer r(rt, f, 1);
        EXPECT_TRUE(near(r.PixelAt(37, 22), left)) << std::hex << r.PixelAt(37, 22);
        const double x = Bar().Width() - 45;
        EXPECT_TRUE(near(r.PixelAt(x, 22), right)) << std::hex << r.PixelAt(x, 22);
    };
    rt.GetTheme().Reset();
    rt.GetDesktop().Clear();
    c.SetCaption("flat");
    ends(RGB(0, 0, 128), RGB(0, 0, 128));  // no desktop setting: the flat title colour
    rt.GetDesktop().Set("Colors", "GradientActiveTitle", "16 132 208");
    c.SetCaption("desktop");
    ends(RGB(0, 0, 128), RGB(16, 132, 208));
    EXPECT_EQ(c.Grad_Rig(), SysColour::ActiveTitle) << "the stored colours never change";
    c.SetGrad_Lef(RGB(255, 0, 0));
    c.SetGrad_Rig(RGB(0, 0, 255));
    ends(RGB(255, 0, 0), RGB(0, 0, 255));
    Bar().SetWidth(SW + 1500);  // wider than designed
    ends(RGB(255, 0, 0), RGB(0, 0, 255));
}

// Bars of 4410 x 300 twips, 45 twips inside their own 4500 x 390 strips of one form.
struct Looks {
    Runtime rt;
    Form& f = rt.NewForm("f", 4500, 390);
    std::vector<TolvaneCaption*> bars;
    Looks(int count, double height) {
        rt.GetTheme().Reset();
        rt.GetDesktop().Clear();
        rt.GetDesktop().Set("Colors", "GradientActiveTitle", "16 132 208");
        f.Move(0, 0, 4500, height);
        f.SetFont(MakeFont("Tahoma", 8.25));
        for (int i = 0; i < count; ++i) {
            bars.push_back(&rt.Place<TolvaneCaption>(f, "capLook" + std::to_string(i), {45, 45 + 390. * i, 4410, 300}));
            bars.back()->SetFont(MakeFont("Tahoma", 8.25, true));
            bars.back()->SetCaption("TolvaneCaption");
        }
        rt.ShowForm(f);
    }
    PictureRef Icon() { return LoadPictureFile(std::string(STOLVANE_SOURCE_DIR) + "/examples/stolvane.png"); }
};

TEST(CaptionLooks, BarsWithAndWithoutButtonsNonFunctionalSunkenAndTheSystemMenu) {
    Looks k(4, 4 * 390);
    k.bars[0]->SetIcon(k.Icon()), k.bars[0]->SetHelp(Functional);
    k.bars[0]->GetSurface().SetWidth(4425), k.bars[0]->GetSurface().SetWidth(4410);
    k.bars[1]->SetMinimize(Nonexistant), k.bars[1]->SetMaximize(Nonexistant), k.bars[1]->SetHalt(Nonexistant);
    k.bars[2]->SetIcon(k.Icon()), k.bars[2]->SetMaximize(Nonfunctional), k.bars[2]->SetAlignH(Alignment::Centre);
    k.rt.Mouse(k.f, MouseAction::Move, 2000, 3 * 390 + 200, 0, 0);
    for (int scale : {1, 2})
        EXPECT_TRUE(
            test::CompareGolden(FormRenderer(k.rt, k.f, scale).Update(), "caption_bars_scale" + std::to_string(scale)));

    Looks m(1, 2400);
    m.bars[0]->SetIcon(m.Icon());
    m.rt.SetCursor({8, 12});
    auto& root = static_cast<MenuItem&>(*m.rt.Resolve(m.f, "capLook0.mnuClose").element);
    PopupMenuForm menu = BuildPopupMenu(m.rt, root, root.Items()[6]);
    ASSERT_NE(menu.form, nullptr);
    HighlightPopupRow(menu, 3);
    for (int scale : {1, 2}) {
        Frame bar = FormRenderer(m.rt, m.f, scale).Update();
        const Frame popup = FormRenderer(m.rt, *menu.form, scale).Update();
        const int ox = 8 * scale, oy = 12 * scale;
        for (int y = 0; y < popup.height && oy + y < bar.height; ++y)
            std::copy_n(&popup.data[size_t(y) * popup.stride], std::min(popup.width, bar.width - ox) * 4,
                        &bar.data[size_t(oy + y) * bar.stride + size_t(ox) * 4]);
        EXPECT_TRUE(test::CompareGolden(bar, "caption_menu_scale" + std::to_string(scale)));
    }
}

// The bar of a frameless form commands its window under a private X server with the real pointer.
// Calls onMenu as a popup menu opens (a test sends what closes it from there, once the host
// is inside the menu's loop) and counts the tooltips shown.
struct MenuWatch : RuntimeObserver {
    std::function<void()> onMenu;
    int tips = 0;
    void OnMenu(const std::vector<std::string>&, const std::string&) override { onMenu(); }
    void OnToolTip(Form&, const std::optional<std::string>& text, double, double) override { tips += text ? 1 : 0; }
};

// A frameless form of 400 x 160 pixels at pixel (200, 200), its bar along the top with the
// bar's icon, shown in a real window. Made once the test's display is up.
struct BarWindow {
    Runtime rt;
    Form& form = rt.NewForm("frmBar", 6000, 2400);
    TolvaneCaption& bar = rt.Place<TolvaneCaption>(form, "capBar", {0, 0, 6000, 300});
    WindowHost host{rt};
    SDL_Window* win = nullptr;

    BarWindow() {
        form.SetBorderStyle(Form::None);
        form.Move(3000, 3000, 6000, 2400);
        bar.SetIcon(TolvaneCaption::Glyph(3, false));
        rt.ShowForm(form);
        Steps(10);
        win = SDL_GetWindowFromID(host.WindowId(form));
    }
    void Steps(int n) {
        for (int i = 0; i < n; ++i) host.Step(20);
    }
    // Steps until done holds, for at most ms by the clock: a step returns early whenever an event comes.
    bool StepUntil(int ms, const std::function<bool()>& done) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!done() && std::chrono::steady_clock::now() < until) host.Step(20);
        return done();
    }
    std::vector<int> Bounds() {
        int x = 0, y = 0, w = 0, h = 0;
        SDL_GetWindowPosition(win, &x, &y);
        SDL_GetWindowSize(win, &w, &h);
        return {x, y, w, h};
    }
};

// The real pointer drags the form by its bar, and each drag ends with the form under the
// pointer; the bevel rests off the bar; a double-click on the icon halts; the button maximises
// and restores the window; the icon's menu chooses, and a drag after it keeps its own offset.
TEST(CaptionWindow, RealPointerDragsCommandsTheWindowAndChoosesFromTheMenu) {
    NEED_DISPLAY();
    BarWindow w;
    ASSERT_NE(w.win, nullptr);
    Strings events;
    for (auto* e : {&w.bar.MaximizeClick, &w.bar.RestoreClick, &w.bar.HaltClick, &w.bar.MenuClick})
        *e += [&events, e] { events.push_back(e->Name()); };
    auto xdo = [&](const std::vector<std::string>& words, int steps = 5) {
        ASSERT_EQ(display.Xdotool(words), 0);
        w.Steps(steps);
    };
    auto at = [](int v) { return std::to_string(v); };

    std::mt19937 random(6);
    for (int drag = 0; drag < 20; ++drag) {
        // On the caption text, a different place each time: two drags are no double-click.
        const int grip = drag % 2 ? 60 : 260;
        const std::vector<int> start = w.Bounds();
        int px = start[0] + grip, py = start[1] + 10;
        // One press, four moves and the release, in one go: the moves arrive together.
        std::vector<std::string> words{"mousemove", at(px), at(py), "mousedown", "1"};
        for (int k = 0; k < 4; ++k) {
            px = std::clamp(px + std::uniform_int_distribution<int>(-40, 40)(random), 160, 860);
            py = std::clamp(py + std::uniform_int_distribution<int>(-30, 30)(random), 20, 600);
            words.insert(words.end(), {"sleep", "0.02", "mousemove", at(px), at(py)});
        }
        words.insert(words.end(), {"sleep", "0.02", "mouseup", "1"});
        xdo(words);
        // Where the pointer really is (xdotool may leave out a move): the form must be there.
        std::istringstream where(display.Output({"xdotool", "getmouselocation"}).value_or(""));
        for (std::string word; where >> word;) {
            if (word.rfind("x:", 0) == 0) px = std::stoi(word.substr(2));
            if (word.rfind("y:", 0) == 0) py = std::stoi(word.substr(2));
        }
        const std::vector<int> end = w.Bounds();
        EXPECT_LE(std::abs(end[0] - (px - grip)), 1) << "drag " << drag << " ended at " << end[0] << "," << end[1];
        EXPECT_LE(std::abs(end[1] - (py - 10)), 1) << "drag " << drag << " ended at " << end[0] << "," << end[1];
    }

    // The bevel sinks under the pointer on the bar and rests once the pointer has left the
    // window from the bar.
    w.form.Move(3000, 3000, 6000, 2400);
    w.Steps(5);
    xdo({"mousemove", "350", "205"});
    EXPECT_EQ(w.bar.Status(), CaptionStatus::Sunken);
    xdo({"mousemove", "350", "150"});
    EXPECT_NE(w.bar.Status(), CaptionStatus::Sunken) << "left the window from the bar";

    // The icon (pixels 202 to 218): a double-click, whose first click opens the menu. The wait
    // after it keeps the next click from making a double-click with it.
    xdo({"mousemove", "210", "210", "click", "--repeat", "2", "--delay", "80", "1"}, 40);

    // The button (pixels 364 to 380 of the bar) maximises the window to the screen (there is no
    // window manager) and restores it.
    xdo({"mousemove", "572", "210", "click", "1"}, 10);
    EXPECT_EQ(w.Bounds(), (std::vector<int>{0, 0, 1024, 768}));
    xdo({"mousemove", "372", "10", "click", "1"}, 10);
    EXPECT_EQ(w.Bounds(), (std::vector<int>{200, 200, 400, 160}));
    // The icon's menu opens at the pointer; "&Close" is its last row (about 110 pixels down).
    // What closes a menu is sent once it is up: the call posted as the menu opens runs in its loop.
    Runtime& rt = w.rt;
    std::vector<std::string> closing{"mousemove", "250", "320", "click", "1"};
    MenuWatch watch;
    watch.onMenu = [&] { rt.Post([&] { display.XdotoolLater(100, closing); }); };
    rt.SetObserver(&watch);
    xdo({"mousemove", "210", "210", "click", "1"}, 10);
    w.StepUntil(1200, [&] { return events.size() == 6; });
    EXPECT_EQ(events, (Strings{"MenuClick", "HaltClick", "MaximizeClick", "RestoreClick", "HaltClick", "MenuClick"}));
    ASSERT_TRUE(display.WaitForLater());

    // After the icon's menu has closed, by a click elsewhere or by Escape, a press on the bar
    // drags the form at that press's own offset to the pointer: at once, where the pointer
    // already is, or after a move.
    auto menus = [&events] { return std::ranges::count(events, "MenuClick"); };

    // The menu opens at the icon (pixel 210, 210 of the form at 200, 200) and reaches about 120
    // pixels right and down. The drag's press is on the caption text beyond it, at 450, 210.
    struct Case {
        std::vector<std::string> close;
        bool atOnce;  // the drag follows in the same run of input, else once the menu has gone
    };
    const Case cases[] = {
        {{"mousemove", "450", "300", "click", "1", "mousemove", "450", "210"}, true},  // below the bar
        {{"mousemove", "300", "205", "click", "1", "mousemove", "450", "210"}, true},  // on the bar
        {{"mousemove", "450", "300", "click", "1"}, false},
        {{"key", "Escape", "mousemove", "450", "210"}, true},
        {{"mousemove", "450", "210", "key", "Escape"}, true},  // pressed where the pointer already is
    };
    const std::vector<std::string> drag{"mousedown", "1", "mousemove", "470", "220", "mousemove", "530", "235",
                                        "mouseup", "1"};
    // What the display and the runtime hold, for a failure to explain itself.
    auto state = [&] {
        std::ostringstream out;
        int px = 0, py = 0;
        const uint32_t buttons = SDL_GetGlobalMouseState(&px, &py);
        SDL_Window* keys = SDL_GetKeyboardFocus();
        Surface* held = rt.Captured();
        out << "; pointer " << px << "," << py << " buttons " << buttons << ", keyboard on window "
            << (keys ? SDL_GetWindowID(keys) : 0) << " (the form's is " << w.host.WindowId(w.form) << "), capture "
            << (held ? held->Name() : std::string("none"));
        return out.str();
    };
    // Neither the icon's tooltip nor the menus keep the keyboard from the form: keys typed while
    // the tooltip is up, or after the menus, reach it.
    const std::string formWindow = std::to_string(test::X11WindowOf(w.host.WindowId(w.form)));
    auto focused = [&] {
        const auto out = display.Output({"xdotool", "getwindowfocus"});
        return out ? out->substr(0, out->find('\n')) : std::string("none");
    };
    ASSERT_EQ(display.Xdotool({"mousemove", "212", "212"}), 0);
    ASSERT_TRUE(w.StepUntil(3000, [&] { return watch.tips > 0; }));
    w.StepUntil(100, [] { return false; });
    EXPECT_EQ(focused(), formWindow) << "with the tooltip up";
    // No tooltip comes up while the menu is open, even with the pointer resting on a button of
    // the bar outside it: it would take the menu's keyboard and close it.
    closing = {"mousemove", "586", "210", "sleep", "1", "key", "Escape"};
    auto before = menus();
    const int tipsBefore = watch.tips;
    ASSERT_EQ(display.Xdotool({"mousemove", "210", "210", "click", "1"}), 0);
    ASSERT_TRUE(w.StepUntil(5000, [&] { return menus() != before; }));
    EXPECT_TRUE(display.WaitForLater());
    EXPECT_EQ(watch.tips, tipsBefore) << "a tooltip came up over the menu";
    for (const Case& k : cases) {
        const std::string name = k.close[0] + " " + k.close[1] + (k.atOnce ? ", the drag at once" : "");
        w.form.Move(3000, 3000, 6000, 2400);
        w.StepUntil(600, [] { return false; });  // no double-click with what came before
        closing = k.close;
        if (k.atOnce) closing.insert(closing.end(), drag.begin(), drag.end());
        before = menus();
        ASSERT_EQ(display.Xdotool({"mousemove", "210", "210", "click", "1"}), 0);
        ASSERT_TRUE(w.StepUntil(5000, [&] { return menus() != before; })) << name << state();
        EXPECT_EQ(menus(), before + 1) << name;
        // The input sent from the menu's loop has all reached the display before the form is
        // looked at, and none of it is left over for the next case.
        ASSERT_TRUE(display.WaitForLater()) << name;
        if (!k.atOnce) {
            w.StepUntil(600, [] { return false; });
            std::vector<std::string> words{"mousemove", "400", "250", "mousemove", "450", "210"};
            words.insert(words.end(), drag.begin(), drag.end());
            ASSERT_EQ(display.Xdotool(words), 0);
        }
        const std::vector<int> there = {280, 225, 400, 160};
        w.StepUntil(4000, [&] { return w.Bounds() == there && !SDL_GetMouseState(nullptr, nullptr); });
        w.Steps(5);
        EXPECT_EQ(w.Bounds(), there) << name << state();
    }
    EXPECT_EQ(focused(), formWindow) << "after the menus";
    rt.SetObserver(nullptr);
    rt.UnloadForm(w.form);
    EXPECT_FALSE(w.host.Step(10));
}

}  // namespace
