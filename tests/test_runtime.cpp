// SPDX-License-Identifier: MIT
// The runtime's input routing, capture, focus, timers and safe unloading, through the same
// entry points windows and scripts use.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/convert.h"
#include "host/runtime.h"
#include "tests/test_support.h"

using namespace stolvane;
using test::ProbeControl;

namespace {

struct RuntimeInput : ::testing::Test {
    Runtime rt;
    test::Recorder rec;
    Form* form = nullptr;
    ProbeControl* a = nullptr;
    ProbeControl* b = nullptr;
    void SetUp() override {
        test::RegisterProbe();
        rt.SetObserver(&rec);
        form = &rt.NewForm("frmTest");
        a = &static_cast<ProbeControl&>(rt.PlaceControl(*form, "ProbeControl", "A", -1, {0, 0, 1200, 600}, nullptr).GetControl());
        b = &static_cast<ProbeControl&>(rt.PlaceControl(*form, "ProbeControl", "B", -1, {3000, 0, 1200, 600}, nullptr).GetControl());
        rt.ShowForm(*form);
        ProbeControl::journal.clear();
    }
    const std::vector<std::string>& J() { return ProbeControl::journal; }
};

TEST(Conversions, RoundHalfToEvenAndRaiseOverflowInsteadOfWrapping) {
    EXPECT_EQ(ToInt16(0.5), 0);
    EXPECT_EQ(ToInt16(1.5), 2);
    EXPECT_EQ(ToInt16(-2.5), -2);
    EXPECT_EQ(ToInt16(32767.4), 32767);
    EXPECT_EQ(ToInt32(2147483647.0), 2147483647);
    for (double bad : {32767.5, -32769.0, 1e9}) {
        try {
            ToInt16(bad);
            FAIL() << bad;
        } catch (const HostError& e) {
            EXPECT_EQ(e.number, 6);
            EXPECT_EQ(e.description, "Overflow");
        }
    }
    EXPECT_THROW(ToInt32(2147483648.0), HostError);
}

// Element setters refuse what the kind cannot draw, whoever sets them.
TEST(ElementValues, ShapesAndLinesRefuseDrawModesAndWidthsTheyCannotDraw) {
    Runtime rt;
    Form& f = rt.NewForm("f");
    Shape& shape = f.Add<Shape>("shp");
    Line& line = f.Add<Line>("lin");
    shape.SetDrawMode(16);
    for (int16_t mode : {0, 17}) EXPECT_THROW(shape.SetDrawMode(mode), HostError) << mode;
    EXPECT_THROW(line.SetBorderWidth(0), HostError);
    EXPECT_EQ(std::pair(shape.GetDrawMode(), line.BorderWidth()), std::pair(int16_t{16}, int16_t{1}));
}

TEST_F(RuntimeInput, MouseGoesToTheTopmostReceptiveElementWithLocalCoordinates) {
    rt.Mouse(*form, MouseAction::Down, 150, 30, 1, 0);  // over the label element at (0,0)-(600,200)
    rt.Mouse(*form, MouseAction::Up, 150, 30, 1, 0);
    rt.Mouse(*form, MouseAction::Down, 900, 300, 1, 0);  // over the surface itself
    EXPECT_EQ(J()[0], "A lblText MouseDown 150");
    EXPECT_EQ(J()[2], "A MouseDown 1 900 300");
}

TEST_F(RuntimeInput, ClickNeedsDownAndUpOnTheSameTarget) {
    rt.Mouse(*form, MouseAction::Down, 900, 300, 1, 0);
    rt.Mouse(*form, MouseAction::Up, 1000, 500, 1, 0);
    rt.Mouse(*form, MouseAction::Down, 900, 300, 1, 0);
    rt.Mouse(*form, MouseAction::Up, 3100, 100, 1, 0);  // released over B
    std::vector<std::string> want = {"A MouseDown 1 900 300", "A MouseUp 1 1000 500", "A Click",
                                     "A MouseDown 1 900 300", "A MouseUp 1 3100 100"};
    EXPECT_EQ(J(), want) << "the release over B goes to A (implicit capture) and does not click";
    EXPECT_EQ(rec.Count("event A Click"), 1u);
}

TEST_F(RuntimeInput, CaptureRoutesMovesOutsideToTheCapturingControl) {
    rt.SetCapture(a->GetSurface());
    rt.Mouse(*form, MouseAction::Move, 3500, 100, 0, 0);  // over B, but A holds the capture
    EXPECT_EQ(J().back(), "A MouseMove 0 3500 100");
    rt.ReleaseCapture();
    rt.Mouse(*form, MouseAction::Move, 3500, 400, 0, 0);
    EXPECT_EQ(J().back(), "B MouseMove 0 500 400");
    EXPECT_TRUE(rec.Has("capture A"));
    EXPECT_TRUE(rec.Has("capture none"));
}

TEST_F(RuntimeInput, DirectedMouseAndCursorPosition) {
    form->Move(1500, 3000, form->Width(), form->Height());
    rt.MouseTo({&b->GetSurface(), nullptr}, MouseAction::Click, 30, 45, 1, 0);
    EXPECT_EQ(J().back(), "B Click");
    // The cursor follows: form left 1500 + control 3000 + 30 = 4530 twips = pixel 302.
    EXPECT_EQ(rt.CursorPosition().x, 302);
    EXPECT_EQ(rt.CursorPosition().y, 203);
}

TEST_F(RuntimeInput, FocusMovesWithTabAndKeysGoToTheFocusedControl) {
    b->GetSurface().SetTabIndex(0);
    a->GetSurface().SetTabIndex(1);
    rt.Tab();
    rt.KeyPress(32);
    rt.Tab();
    EXPECT_EQ(rt.Focused(), &a->GetSurface());
    std::vector<std::string> want = {"B GotFocus", "B KeyPress 32", "B LostFocus", "A GotFocus"};
    EXPECT_EQ(J(), want);
    EXPECT_TRUE(rec.Has("focus B"));
}

TEST_F(RuntimeInput, AccessKeysReachTheirOwnerWhateverHasTheFocus) {
    b->m_AccessKey = "O";
    EXPECT_TRUE(rt.AccessKey('o'));
    EXPECT_FALSE(rt.AccessKey('x'));
    EXPECT_EQ(J(), std::vector<std::string>{"B AccessKey 111"});
}

TEST_F(RuntimeInput, DropsGoToTheElementThatTakesThemElseToItsControl) {
    // B's label takes no drops of its own: the drop reaches B in B's coordinates.
    EXPECT_EQ(rt.Drop(*form, 3100, 50, {{"/tmp/a.png", "/tmp/b.png"}, ""}), DropEffect::Move);
    EXPECT_EQ(J().back(), "B Drop 2 files '' at 100 50");
    b->label->Move(300, 150, 600, 200);
    rt.Drop(*form, 3400, 200, {{"/tmp/a.png"}, ""});
    EXPECT_EQ(J().back(), "B Drop 1 files '' at 400 200") << "passed on in B's own coordinates";
    b->label->Move(0, 0, 600, 200);
    int32_t* seen = nullptr;
    b->label->onOLEDragDrop = [&](DragData& d, int32_t& effect, MouseArgs& a) {
        ProbeControl::journal.push_back("label got '" + d.text + "' at " + std::to_string(static_cast<int>(a.x)));
        seen = &effect;
        effect = DropEffect::None;
    };
    EXPECT_EQ(rt.Drop(*form, 3100, 50, {{}, "hello"}), DropEffect::None);
    EXPECT_EQ(J().back(), "label got 'hello' at 100");
    EXPECT_NE(seen, nullptr);
    a->GetSurface().SetEnabled(false);
    EXPECT_EQ(rt.Drop(*form, 900, 300, {{"x"}, ""}), DropEffect::None);
}

TEST_F(RuntimeInput, DisabledControlsGetNoInput) {
    a->GetSurface().SetEnabled(false);
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

TEST_F(RuntimeInput, AHandlerThatUnloadsItsOwnFormFindsItsObjectsAlive) {
    Form& other = rt.NewForm("frmOther");
    auto& c = static_cast<ProbeControl&>(rt.PlaceControl(other, "ProbeControl", "C", -1, {0, 0, 1200, 600}, nullptr).GetControl());
    rt.ShowForm(other);
    c.ClickEvent += [&] {
        rt.UnloadForm(other);
        c.m_Caption = "still here";  // the control must not be gone yet
    };
    rt.Mouse(other, MouseAction::Click, 900, 300, 1, 0);
    EXPECT_EQ(rt.Forms().size(), 1u) << "destroyed once the click was over";
    EXPECT_EQ(rt.Focused(), nullptr);
}

TEST_F(RuntimeInput, ChangesMarkOnlyTheirAreaForRepaint) {
    rt.TakeDirty(*form);
    b->label->SetCaption("x");
    auto dirty = rt.TakeDirty(*form);
    ASSERT_FALSE(dirty.empty());
    for (auto& r : dirty) {
        EXPECT_GE(r.left, 3000);
        EXPECT_LE(r.Right(), 3600);
    }
    a->GetSurface().SetLeft(200);  // old and new places
    dirty = rt.TakeDirty(*form);
    ASSERT_EQ(dirty.size(), 2u);
    EXPECT_EQ(dirty[0].left, 0);
    EXPECT_EQ(dirty[1].left, 200);
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
    hooks.launch = [](const std::string&) { return false; };
    EXPECT_THROW(rt.Navigate("http://unreachable"), HostError);
}

TEST(RuntimeServices, ThemeResolvesSystemColoursAndFollowsTheDesktopFile) {
    Runtime rt;
    EXPECT_EQ(rt.ResolveColour(SysColour::ButtonFace), RGB(192, 192, 192));
    EXPECT_EQ(rt.ResolveColour(0x00123456), 0x00123456u);
    rt.GetDesktop().Set("Colors", "ButtonFace", "212 208 200");
    rt.GetTheme().ApplyDesktop(rt.GetDesktop());
    EXPECT_EQ(rt.ResolveColour(SysColour::ButtonFace), RGB(212, 208, 200));
    rt.GetDesktop().Set("Colors", "ButtonShadow", "not a colour");
    rt.GetTheme().ApplyDesktop(rt.GetDesktop());
    EXPECT_EQ(rt.ResolveColour(SysColour::ButtonShadow), RGB(128, 128, 128));
}

TEST(RuntimeServices, ParentPropertiesByNameAndMissingOnesFail) {
    Runtime rt;
    test::RegisterProbe();
    Form& f = rt.NewForm("f", 4800, 3600);
    auto& outer = rt.PlaceControl(f, "ProbeControl", "Outer", -1, {0, 0, 3000, 3000}, nullptr);
    auto& inner = rt.PlaceControl(outer.GetSurface(), "ProbeControl", "Inner", -1, {0, 0, 600, 600}, nullptr);
    Surface& s = outer.GetSurface();
    EXPECT_EQ(rt.ParentProperty(s, "Width"), 4800);
    rt.SetParentProperty(s, "WindowState", 2);
    EXPECT_EQ(f.GetWindowState(), 2);
    EXPECT_EQ(rt.ParentProperty(inner.GetSurface(), "Width"), 3000);
    EXPECT_THROW(rt.ParentProperty(inner.GetSurface(), "WindowState"), HostError);
    EXPECT_EQ(rt.PathOf(inner.GetSurface()), "Inner");
    EXPECT_EQ(rt.Resolve(f, "Inner.lblText").element, inner.GetSurface().Find("lblText"));
}

}  // namespace

namespace {

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
