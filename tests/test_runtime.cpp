// SPDX-License-Identifier: MIT
// The runtime's input routing, capture, focus, timers, repaint areas and safe unloading, through
// the same entry points windows and scripts use, each checked against what the user sees.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/convert.h"
#include "host/keys.h"
#include "host/render.h"
#include "host/runtime.h"
#include "tests/test_support.h"

using namespace stolvane;
using test::ProbeControl;

namespace {

struct Input : ::testing::Test {
    Runtime rt;
    Form* form = nullptr;
    void SetUp() override {
        test::RegisterProbe();
        form = &rt.NewForm("frmTest", 6000, 4500);
        rt.ShowForm(*form);
        ProbeControl::journal.clear();
    }
    ProbeControl& Probe(Surface& in, const std::string& name, const Rect& r) {
        auto& placed = rt.PlaceControl(in, "ProbeControl", name, -1, r, nullptr);
        return static_cast<ProbeControl&>(placed.GetControl());
    }
};

// Two probes side by side, A at the left edge and B 3000 twips right of it.
struct RuntimeInput : Input {
    ProbeControl* a = nullptr;
    ProbeControl* b = nullptr;
    void SetUp() override {
        Input::SetUp();
        a = &Probe(*form, "A", {0, 0, 1200, 600});
        b = &Probe(*form, "B", {3000, 0, 1200, 600});
        ProbeControl::journal.clear();
    }
    const std::vector<std::string>& J() { return ProbeControl::journal; }
};

TEST(Conversions, RoundHalfToEvenAndRaiseOverflowInsteadOfWrapping) {
    EXPECT_EQ(ToInt16(0.5), 0);
    EXPECT_EQ(ToInt16(1.5), 2);
    EXPECT_EQ(ToInt16(32767.4), 32767);
    EXPECT_EQ(ToInt32(2147483647.0), 2147483647);
    for (double bad : {32767.5, -32769.0})
        EXPECT_EQ(test::ErrorOf([&] { ToInt16(bad); }), ErrorNumber::Overflow) << bad;
    EXPECT_THROW(ToInt32(2147483648.0), HostError);
}

// Element setters refuse what the kind cannot draw, whoever sets them.
TEST_F(Input, ShapesAndLinesRefuseDrawModesAndWidthsTheyCannotDraw) {
    Shape& shape = form->Add<Shape>("shp");
    Line& line = form->Add<Line>("lin");
    shape.SetDrawMode(16);
    for (int16_t mode : {0, 17}) EXPECT_THROW(shape.SetDrawMode(mode), HostError) << mode;
    EXPECT_THROW(line.SetBorderWidth(0), HostError);
    EXPECT_EQ(std::pair(shape.GetDrawMode(), line.BorderWidth()), std::pair(int16_t{16}, int16_t{1}));
}

TEST_F(RuntimeInput, DirectedMouseAndCursorPosition) {
    form->Move(1500, 3000, form->Width(), form->Height());
    rt.MouseTo({&b->GetSurface(), nullptr}, MouseAction::Click, 30, 45, 1, 0);
    EXPECT_EQ(J().back(), "B Click");
    // The cursor follows: form left 1500 + control 3000 + 30 = 4530 twips = pixel 302.
    EXPECT_EQ(rt.CursorPosition().x, 302);
    EXPECT_EQ(rt.CursorPosition().y, 203);
}

TEST_F(RuntimeInput, DropsGoToTheElementThatTakesThemElseToItsControlButNoInputToADisabledOne) {
    // B's label takes no drops of its own: the drop reaches B in B's coordinates.
    EXPECT_EQ(rt.Drop(*form, 3100, 50, {{"/tmp/a.png", "/tmp/b.png"}, ""}), DropEffect::Move);
    EXPECT_EQ(J().back(), "B Drop 2 files '' at 100 50");
    b->label->Move(300, 150, 600, 200);
    rt.Drop(*form, 3400, 200, {{"/tmp/a.png"}, ""});
    EXPECT_EQ(J().back(), "B Drop 1 files '' at 400 200") << "passed on in B's own coordinates";
    b->label->Move(0, 0, 600, 200);
    b->label->onOLEDragDrop = [&](DragData& d, int32_t& effect, MouseArgs& a) {
        ProbeControl::journal.push_back("label got '" + d.text + "' at " + std::to_string(static_cast<int>(a.x)));
        effect = DropEffect::None;
    };
    EXPECT_EQ(rt.Drop(*form, 3100, 50, {{}, "hello"}), DropEffect::None);
    EXPECT_EQ(J().back(), "label got 'hello' at 100");
    a->GetSurface().SetEnabled(false);
    ProbeControl::journal.clear();
    EXPECT_EQ(rt.Drop(*form, 900, 300, {{"x"}, ""}), DropEffect::None);
    rt.Mouse(*form, MouseAction::Click, 900, 300, 1, 0);
    EXPECT_TRUE(J().empty());
    EXPECT_THROW(a->GetSurface().SetFocus(), HostError);
}

TEST_F(RuntimeInput, TimersFireExactlyTheDueTicksInOrder) {
    a->timer->SetInterval(100);
    a->timer->SetEnabled(true);
    b->timer->SetInterval(250);
    b->timer->SetEnabled(true);
    rt.Advance(99);
    EXPECT_TRUE(J().empty());
    rt.Advance(401);  // now 500: A at 100..500 (5), B at 250, 500 (2)
    std::vector<std::string> want = {"A Tick", "A Tick", "B Tick", "A Tick", "A Tick", "A Tick", "B Tick"};
    EXPECT_EQ(J(), want);
    a->timer->SetEnabled(false);
    rt.Advance(1000);
    EXPECT_EQ(std::count(J().begin(), J().end(), "A Tick"), 5);
    a->timer->SetInterval(65535);
    EXPECT_THROW(a->timer->SetInterval(65536), HostError) << "the longest interval is 65535 ms";
}

TEST_F(RuntimeInput, ATimerReenabledFromItsTickStartsAFreshInterval) {
    a->timer->SetInterval(100);
    a->timer->SetEnabled(true);
    a->timer->onTick = [&] {
        ProbeControl::journal.push_back("tick at " + std::to_string(rt.Now()));
        a->timer->SetEnabled(false);
        a->timer->SetEnabled(true);
    };
    rt.Advance(300);
    std::vector<std::string> want = {"tick at 100", "tick at 200", "tick at 300"};
    EXPECT_EQ(J(), want);
}

constexpr uint32_t kNavy = RGB(0, 0, 128);  // the classic selection highlight


// The first and last device row of the highlight the renderer drew in `column`.
std::pair<int, int> HighlightRows(const Frame& f, int column) {
    int first = -1, last = -1;
    for (int y = 0; y < f.height; ++y)
        if (f.PixelRgb(column, y) == kNavy) {
            if (first < 0) first = y;
            last = y;
        }
    return {first, last};
}

TEST_F(Input, AListBoxClickSelectsTheRowDrawnUnderThePointerAtScaleOneAndTwo) {
    ListBox& list = form->Add<ListBox>("lstItems");
    // Rows past the ninth and a two-line row: a click must find every row where it is drawn.
    list.Move(150, 150, 3000, 4200);
    for (int i = 0; i < 12; ++i) list.AddItem(i == 4 ? "two\nlines" : "Item " + std::to_string(i));
    std::vector<int> ticked;
    list.onItemCheck = [&](int row) { ticked.push_back(row); };
    for (double scale : {1.0, 2.0}) {
        const int s = static_cast<int>(scale);
        const double tw = 15.0 / scale;  // twips per device pixel
        const int textColumn = (10 + 2 + 17) * s - 1;  // one pixel left of the text
        const int checkColumn = (10 + 2 + 7) * s;      // inside the check boxes
        for (int row = 0; row < list.ListCount(); ++row) {
            list.SetListIndex(row);
            FormRenderer renderer(rt, *form, scale);
            auto [first, last] = HighlightRows(renderer.RepaintAll(), textColumn);
            ASSERT_GE(first, 0) << "row " << row << " is drawn at scale " << scale;
            const double y = ((first + last) / 2 + 0.5) * tw;
            list.SetListIndex(row == 0 ? 1 : 0);
            rt.Mouse(*form, MouseAction::Click, (textColumn + 0.5) * tw, y, 1, 0);
            EXPECT_EQ(list.ListIndex(), row) << "click at device row " << (first + last) / 2 << ", scale " << scale;
            EXPECT_FALSE(list.Selected(row)) << "a click on the text does not tick";
            rt.Mouse(*form, MouseAction::Click, (checkColumn + 0.5) * tw, y, 1, 0);
            EXPECT_TRUE(list.Selected(row)) << "a click on the check box ticks row " << row;
            list.SetSelected(row, false);
        }
    }
    EXPECT_EQ(ticked.size(), 24u);
    list.SetListIndex(11);
    list.RemoveItem(11);
    EXPECT_EQ(list.ListIndex(), 10) << "the selection follows the last row out";
    // The sunken edge and the empty space below the last row select nothing.
    list.SetListIndex(3);
    rt.Mouse(*form, MouseAction::Click, 1000, 4340, 1, 0);
    rt.Mouse(*form, MouseAction::Click, 160, 600, 1, 0);
    EXPECT_EQ(list.ListIndex(), 3);
}

// Without check boxes (the designer's property list) the text starts where the boxes were,
// and neither a click there nor Space ticks a row: they only make it current.
TEST_F(Input, AListBoxWithoutCheckBoxesOnlyMakesRowsCurrent) {
    ListBox& list = form->Add<ListBox>("lstPlain");
    list.Move(150, 150, 3000, 1500);
    list.AddItem("Caption: OK");
    list.AddItem("Width: 1440");
    list.SetCheckBoxes(false);
    list.SetListIndex(0);
    FormRenderer renderer(rt, *form, 1);
    EXPECT_GE(HighlightRows(renderer.RepaintAll(), 10 + 2 + ListBox::kPlainTextLeftPixels - 1).first, 0)
        << "the highlight starts just left of the text";
    const Rect row = list.RowRect(1);
    rt.Mouse(*form, MouseAction::Click, 150 + 7 * 15, 150 + row.top + row.height / 2, 1, 0);
    EXPECT_EQ(list.ListIndex(), 1);
    rt.KeyDown(KeyCode::Space, 0);
    EXPECT_FALSE(list.Selected(1));
}

// More rows than fit: the current row is scrolled into view, drawn and hit where it shows.
TEST_F(Input, AListBoxScrollsToShowItsCurrentRow) {
    ListBox& list = form->Add<ListBox>("lstLong");
    list.Move(150, 150, 3000, 60 + 4 * 240);  // four rows of sixteen pixels
    for (int i = 0; i < 10; ++i) list.AddItem("Item " + std::to_string(i));
    const int textColumn = 10 + 2 + 17 - 1;
    rt.FocusListBox(list);
    list.SetListIndex(3);
    const int fourthRow = HighlightRows(FormRenderer(rt, *form, 1).RepaintAll(), textColumn).first;
    rt.KeyDown(KeyCode::End, 0);
    EXPECT_EQ(list.ListIndex(), 9);
    EXPECT_EQ(list.TopIndex(), 6);
    EXPECT_EQ(HighlightRows(FormRenderer(rt, *form, 1).RepaintAll(), textColumn).first, fourthRow)
        << "the last row shows where the fourth was";
    rt.Mouse(*form, MouseAction::Click, 1500, 150 + 30 + 120, 1, 0);  // the first row shown
    EXPECT_EQ(list.ListIndex(), 6);
    rt.KeyDown(KeyCode::Home, 0);
    EXPECT_EQ(list.TopIndex(), 0);
}

TEST_F(Input, WindowedElementsLieAboveLightweightOnesWhateverTheirOrder) {
    PictureBox& box = form->Add<PictureBox>("picBox");  // added first, yet on top
    box.Move(0, 0, 1500, 1500);
    box.SetBackColour(RGB(255, 0, 0));
    Label& label = form->Add<Label>("lblOver");
    label.Move(750, 750, 1500, 1500);
    label.SetBackColour(RGB(0, 255, 0));
    std::vector<std::string> clicks;
    box.onClick = [&] { clicks.push_back("box"); };
    label.onClick = [&] { clicks.push_back("label"); };
    rt.Mouse(*form, MouseAction::Click, 1000, 1000, 1, 0);  // where both lie
    rt.Mouse(*form, MouseAction::Click, 2000, 2000, 1, 0);  // the label alone
    EXPECT_EQ(clicks, (std::vector<std::string>{"box", "label"}));
    FormRenderer r(rt, *form, 1);
    EXPECT_EQ(r.PixelAt(1000, 1000), RGB(255, 0, 0)) << "drawn above as it is hit first";
    EXPECT_EQ(r.PixelAt(2000, 2000), RGB(0, 255, 0));
}

TEST_F(Input, APictureButtonLooksPressedWhileHeldAndClicksOnRelease) {
    PictureButton& button = form->Add<PictureButton>("cmdPic");
    button.Move(300, 300, 600, 600);
    int clicks = 0, downs = 0;
    button.onClick = [&] { ++clicks; };
    button.onMouseDown = [&](MouseArgs&) { ++downs; };
    rt.Mouse(*form, MouseAction::Down, 600, 600, 1, 0);
    EXPECT_TRUE(button.Pressed());
    rt.Mouse(*form, MouseAction::Up, 600, 600, 1, 0);
    EXPECT_FALSE(button.Pressed());
    EXPECT_EQ(clicks, 1);
    // Released elsewhere: the button comes up without a click.
    rt.Mouse(*form, MouseAction::Down, 600, 600, 1, 0);
    rt.Mouse(*form, MouseAction::Up, 3000, 3000, 1, 0);
    EXPECT_FALSE(button.Pressed());
    EXPECT_EQ(clicks, 1);
    // Disabled: no pressed look and no notifications.
    button.SetEnabled(false);
    rt.Mouse(*form, MouseAction::Down, 600, 600, 1, 0);
    EXPECT_FALSE(button.Pressed());
    rt.Mouse(*form, MouseAction::Up, 600, 600, 1, 0);
    EXPECT_EQ(std::pair(clicks, downs), std::pair(1, 2));
}

TEST_F(Input, TabSkipsHiddenDisabledNonStopAndDesignChildControlsInBothDirections) {
    ProbeControl& a = Probe(*form, "A", {0, 0, 1200, 600});
    ProbeControl& b = Probe(*form, "B", {1500, 0, 1200, 600});
    ProbeControl& c = Probe(*form, "C", {3000, 0, 1200, 600});
    ProbeControl& hidden = Probe(*form, "Hidden", {0, 900, 1200, 600});
    ProbeControl& off = Probe(*form, "Off", {1500, 900, 1200, 600});
    ProbeControl& disabled = Probe(*form, "Disabled", {3000, 900, 1200, 600});
    rt.CreateEmbedded(a.GetSurface(), "ProbeControl", "Part", -1, {0, 0, 300, 300}, {});
    hidden.GetSurface().SetVisible(false);
    off.GetSurface().SetTabStop(false);
    disabled.GetSurface().SetEnabled(false);
    // Tab order by TabIndex, not by placing order.
    a.GetSurface().SetTabIndex(2);
    b.GetSurface().SetTabIndex(0);
    c.GetSurface().SetTabIndex(1);
    hidden.GetSurface().SetTabIndex(0);
    off.GetSurface().SetTabIndex(0);
    ProbeControl::journal.clear();

    auto walk = [&](bool backwards) {
        std::string order;
        for (int i = 0; i < 4; ++i) {
            rt.Tab(backwards);
            order += rt.Focused() ? rt.Focused()->Name() + " " : "none ";
        }
        return order;
    };
    EXPECT_EQ(walk(false), "B C A B ");
    ASSERT_GE(ProbeControl::journal.size(), 4u);
    const std::vector<std::string> first(ProbeControl::journal.begin(), ProbeControl::journal.begin() + 4);
    EXPECT_EQ(first, (std::vector<std::string>{"B GotFocus", "B LostFocus", "C GotFocus", "C LostFocus"}));
    EXPECT_EQ(walk(true), "A C B A ") << "backwards, wrapping round";
}

// A form that opens gives the focus to its first control in tab order that can take it; a
// label is no tab stop. Modal forms do the same; a form that already holds the focus keeps it.
TEST(InitialFocus, GoesToTheFirstTabStopWhenAFormOpensAndPassesLabelsBy) {
    Runtime rt;
    rt.SetFocusOnShow(true);  // as windows and scripts have it
    Form& f = rt.NewForm("f", 6000, 3000);
    rt.PlaceControl(f, "TolvaneLabel", "lblTitle", -1, {0, 0, 1200, 210}, nullptr);
    rt.PlaceControl(f, "TolvaneTick", "chkA", -1, {0, 600, 1800, 270}, nullptr).GetSurface().SetTabIndex(2);
    rt.PlaceControl(f, "TolvaneButton", "cmdOK", -1, {0, 1200, 1200, 480}, nullptr).GetSurface().SetTabIndex(1);
    rt.ShowForm(f);
    ASSERT_TRUE(rt.Focused());
    EXPECT_EQ(rt.Focused()->Name(), "cmdOK");

    // Shown again after hiding, the form keeps the control that has the focus.
    rt.Tab();
    rt.HideForm(f);
    rt.ShowForm(f);
    EXPECT_EQ(rt.Focused()->Name(), "chkA");

    // A form with nothing that takes the focus leaves it alone.
    Form& g = rt.NewForm("g");
    rt.PlaceControl(g, "TolvaneLabel", "lblOnly", -1, {0, 0, 1200, 210}, nullptr);
    rt.ShowForm(g);
    EXPECT_EQ(rt.Focused()->Name(), "chkA");
}

TEST_F(Input, ResizeFromAResizeHandlerIsCutOffWhenItNeverSettles) {
    ProbeControl& p = Probe(*form, "P", {0, 0, 1200, 600});
    Surface& s = p.GetSurface();
    p.onResize = [&] { s.SetWidth(s.Width() + 15); };  // never content
    ProbeControl::journal.clear();
    s.SetWidth(2000);
    const auto resizes = std::count(ProbeControl::journal.begin(), ProbeControl::journal.end(), "P Resize");
    EXPECT_GE(resizes, 2) << "resized again after it changed its own size";
    EXPECT_LE(resizes, 16) << "but not for ever";
    // A handler that settles is resized again once, and the limit does not stick.
    p.onResize = [&] { s.SetWidth(std::max(s.Width(), 3000.0)); };
    ProbeControl::journal.clear();
    s.SetWidth(100);
    EXPECT_EQ(ProbeControl::journal, (std::vector<std::string>{"P Resize", "P Resize"}));
    EXPECT_EQ(s.Width(), 3000);
}

// A container that is disabled or hidden keeps input from what it holds; the column at an
// element's right edge is outside it; Shift+Tab with nothing focused starts from the end.
TEST_F(Input, ContainersKeepInputFromWhatTheyHoldWhenDisabledOrHidden) {
    Surface& box = rt.PlaceControl(*form, "TolvanePanel", "pnlBox", -1, {0, 0, 3000, 1500}, nullptr).GetSurface();
    box.SetTabStop(false);
    ProbeControl& inner = Probe(box, "Inner", {300, 300, 1200, 600});
    inner.m_AccessKey = "K";
    Probe(*form, "Last", {3300, 0, 1200, 600}).GetSurface().SetTabIndex(5);
    rt.Tab(true);
    ASSERT_TRUE(rt.Focused());
    EXPECT_EQ(rt.Focused()->Name(), "Last") << "Shift+Tab from nowhere goes to the last tab stop";
    rt.Tab(true);
    ASSERT_EQ(rt.Focused(), &inner.GetSurface());
    ProbeControl::journal.clear();
    rt.Mouse(*form, MouseAction::Click, 1499, 600, 1, 0);
    rt.Mouse(*form, MouseAction::Click, 1500, 600, 1, 0);  // the column at the right edge
    EXPECT_EQ(std::count(ProbeControl::journal.begin(), ProbeControl::journal.end(), "Inner Click"), 1);
    EXPECT_TRUE(rt.AccessKey('k'));
    EXPECT_EQ(ProbeControl::journal.back(), "Inner AccessKey 107") << "the key reaches its owner";
    EXPECT_FALSE(rt.AccessKey('x'));

    box.SetEnabled(false);
    ProbeControl::journal.clear();
    rt.Mouse(*form, MouseAction::Click, 900, 600, 1, 0);
    rt.KeyPress(65);
    EXPECT_FALSE(rt.AccessKey('k'));
    rt.Tab();
    EXPECT_EQ(rt.Focused()->Name(), "Last") << "Tab passes by what a disabled container holds";
    rt.Tab();
    EXPECT_EQ(rt.Focused()->Name(), "Last");
    box.SetEnabled(true);
    box.SetVisible(false);
    EXPECT_FALSE(rt.AccessKey('k')) << "nor does a hidden container's control answer its access key";
    for (const std::string& line : ProbeControl::journal)
        EXPECT_TRUE(line.rfind("Inner ", 0) != 0 || line == "Inner LostFocus") << "reached the control inside: " << line;
}

TEST(RuntimeServices, NavigationOpensOnlyWebAndMailLinksAndTheAboutPage) {
    Runtime rt;
    std::vector<std::string> launched;
    test::HookBackend hooks;
    hooks.launch = [&](const std::string& t) { launched.push_back(t); return true; };
    rt.SetBackend(&hooks);
    rt.Navigate("https://example.org/x");
    rt.Navigate("MAILTO:someone@example.org");
    for (const char* bad : {"file:///etc/passwd", "javascript:alert(1)", "-e", "/usr/bin/xterm", "", "http"})
        EXPECT_THROW(rt.Navigate(bad), HostError) << bad;
    EXPECT_EQ(launched.size(), 2u);
    // Of file: addresses only the library's about page opens: a page that exists (in a build
    // tree the source tree's docs/about.html), or the address the application set instead.
    const std::string about = AboutPageAddress();
    ASSERT_EQ(about.rfind("file:///", 0), 0u) << about;
    EXPECT_TRUE(std::filesystem::is_regular_file(about.substr(7))) << about;
    rt.Navigate(about);
    EXPECT_EQ(launched.back(), about);
    SetAboutPageAddress("https://example.org/our-about");
    EXPECT_EQ(AboutPageAddress(), "https://example.org/our-about");
    EXPECT_THROW(rt.Navigate(about), HostError) << "no longer the about page";
    SetAboutPageAddress("");
    EXPECT_EQ(AboutPageAddress(), about);
}

// Parent properties by name serve the panel's grip and the caption bar; one the parent lacks fails.
TEST_F(Input, AParentPropertyTheContainerLacksFails) {
    Surface& s = Probe(*form, "Outer", {0, 0, 3000, 3000}).GetSurface();
    Surface& inner = Probe(s, "Inner", {0, 0, 600, 600}).GetSurface();
    EXPECT_THROW(rt.ParentProperty(inner, "WindowState"), HostError);
}

TEST(PersistentDrawing, RedrawingWithoutClearingStaysBoundedAndReadsBackTheLatest) {
    Drawing d;
    for (int i = 0; i < 20000; ++i) {
        d.Fill(0, 0, 1500, 1500, static_cast<uint32_t>(i));  // a whole-area redraw
        d.Point(15 * (i % 40), 3000, static_cast<uint32_t>(i));  // and a dotted line, again and again
    }
    EXPECT_LT(d.Ops().size(), 600u);
    EXPECT_EQ(d.ColourAt(700, 700), 19999u);
    EXPECT_EQ(d.ColourAt(15 * 39, 3000), 19999u);
    EXPECT_EQ(d.ColourAt(0, 3000), 19960u);
    EXPECT_FALSE(d.ColourAt(0, 4500).has_value());
    // Distinct points are all kept.
    Drawing dots;
    for (int i = 0; i < 5000; ++i) dots.Point(15.0 * i, 0, 1);
    EXPECT_EQ(dots.Ops().size(), 5000u);
}

}  // namespace
