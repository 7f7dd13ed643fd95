// SPDX-License-Identifier: MIT
// The about badges headless: Click and the about page only on a release strictly inside the
// rectangle recorded at the last move.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/about/tolvaneabout_1.h"
#include "controls/about/tolvaneabout_2.h"
#include "host/runtime.h"
#include "tests/golden_util.h"
#include "tests/test_support.h"

using namespace stolvane;
using Strings = std::vector<std::string>;

namespace {

constexpr double kLeft = 600, kTop = 450;
const std::string kPage = "https://example.org/badge-page";

struct AboutTest : ::testing::Test {
    Runtime rt;
    test::Recorder log;
    test::HookBackend hooks;
    Form& f = rt.NewForm("f", 4800, 2400);
    AboutBadge& b = rt.Place<TolvaneAbout_1>(f, "Badge", {kLeft, kTop, 3000, 2000});
    bool launches = true;

    AboutTest() {
        SetAboutPageAddress(kPage);
        f.Move(1500, 1500, 4800, 2400);
        rt.SetObserver(&log);
        hooks.launch = [this](const std::string&) { return launches; };
        rt.SetBackend(&hooks);
        rt.ShowForm(f);
    }
    ~AboutTest() override { SetAboutPageAddress(""); }
    void M(MouseAction a, double x, double y, int16_t button = MouseButton::Left) {
        rt.Mouse(f, a, kLeft + x, kTop + y, button, 0);
    }
    Strings Events() {
        Strings out;
        for (auto& l : log.lines) {
            if (l.rfind("event Badge ", 0) == 0) out.push_back(l.substr(12));
            if (l.rfind("navigate ", 0) == 0) out.push_back(l);
        }
        log.lines.clear();
        return out;
    }
};

TEST_F(AboutTest, BadgeIsAlwaysItsPicturesSize) {
    EXPECT_EQ(b.GetSurface().Bounds(), (Rect{kLeft, kTop, 1320, 465}));
    b.GetSurface().SetWidth(100);
    b.GetSurface().SetHeight(9000);
    EXPECT_EQ(b.GetSurface().Bounds(), (Rect{kLeft, kTop, 1320, 465}));
}

TEST_F(AboutTest, ReleaseInsideClicksAndOpensTheAboutPageWithTheRestPictureBack) {
    const Strings clicked{"MouseMove", "MouseDown", "Click", "navigate " + kPage + " ok", "MouseUp"};
    M(MouseAction::Move, 600, 200, 0);
    M(MouseAction::Down, 600, 200);
    EXPECT_TRUE(b.ShowsPressed());
    M(MouseAction::Up, 600, 200);
    EXPECT_FALSE(b.ShowsPressed());
    EXPECT_EQ(Events(), clicked);

    // Far out on a wide screen, 4000 pixels in: beyond 16 bits in twips.
    f.Move(60000, 45000, 4800, 2400);
    M(MouseAction::Move, 600, 200, 0);
    EXPECT_EQ(b.ScreenLeft(), 60000 + int32_t(kLeft));
    M(MouseAction::Click, 600, 200);
    EXPECT_EQ(Events(), clicked);

    // A browser that cannot be started changes nothing for the badge.
    launches = false;
    M(MouseAction::Move, 600, 200, 0);
    M(MouseAction::Click, 600, 200);
    EXPECT_EQ(Events(), (Strings{"MouseMove", "MouseDown", "Click",
                                 "navigate " + kPage + " failed", "MouseUp"}));
}

TEST_F(AboutTest, ReleaseOnAnEdgeOutsideOrBeforeAnyMoveDoesNotClick) {
    // Before any move the recorded rectangle is empty.
    M(MouseAction::Down, 600, 210);
    M(MouseAction::Up, 600, 210);
    EXPECT_EQ(Events(), (Strings{"MouseDown", "MouseUp"}));

    // Each edge of the rectangle is outside (positions on whole pixels, as the pointer's are).
    for (auto [x, y] : {std::pair{0.0, 210.0}, {1320.0, 210.0}, {600.0, 0.0}, {600.0, 465.0}}) {
        M(MouseAction::Move, 600, 210, 0);
        EXPECT_EQ(std::pair(b.ScreenRight() - b.ScreenLeft(), b.ScreenBottom() - b.ScreenTop()), std::pair(1320, 465));
        M(MouseAction::Down, 600, 210);
        M(MouseAction::Up, x, y);
        EXPECT_EQ(Events(), (Strings{"MouseMove", "MouseDown", "MouseUp"})) << x << "," << y;
    }
}

TEST_F(AboutTest, DisabledBadgeNeitherPressesNorClicksAndEnabledIsStored) {
    b.SetEnabled(False);
    M(MouseAction::Move, 600, 200, 0);
    M(MouseAction::Down, 600, 200);
    EXPECT_FALSE(b.ShowsPressed());
    M(MouseAction::Up, 600, 200);
    EXPECT_EQ(Events(), (Strings{"MouseMove", "MouseDown", "MouseUp"}));

    PropertyMap bag, fresh;
    b.WriteProperties(bag);
    ASSERT_EQ(bag.Entries().size(), size_t{1});
    EXPECT_EQ(bag.Entries()[0].first, "Enabled");
    auto& copy = static_cast<AboutBadge&>(rt.PlaceControl(f, "TolvaneAbout_2", "Copy", -1, {0, 0, 0, 0}, &bag).GetControl());
    EXPECT_EQ(copy.Enabled(), False);
    b.SetEnabled(True);
    b.WriteProperties(fresh);
    EXPECT_TRUE(fresh.Entries().empty());
}

TEST(AboutLooks, BothBadgesAtRestAndPressed) {
    Runtime rt;
    rt.GetTheme().Reset();
    Form& f = rt.NewForm("f", 3090, 1170);
    rt.Place<TolvaneAbout_1>(f, "One", {150, 120, 0, 0});
    rt.Place<TolvaneAbout_2>(f, "Two", {1620, 120, 0, 0});
    rt.Place<TolvaneAbout_1>(f, "OneDown", {150, 600, 0, 0});
    rt.Place<TolvaneAbout_2>(f, "TwoDown", {1620, 600, 0, 0});
    rt.ShowForm(f);
    for (const char* pressed : {"OneDown", "TwoDown"})
        rt.MouseTo(rt.Resolve(f, pressed), MouseAction::Down, 600, 200, MouseButton::Left, 0);
    test::CheckGoldenAtBothScales(rt, f, "about_badges");
}

}  // namespace
