// SPDX-License-Identifier: MIT
// What the controls share from core/, and where a control hovers on a crowded form.
#include <gtest/gtest.h>

#include <array>

#include "controls/button/tolvanebutton.h"
#include "controls/label/tolvanelabel.h"
#include "core/mouse.h"
#include "core/text_box.h"
#include "core/text.h"
#include "host/runtime.h"

using namespace stolvane;

namespace {

// Another surface took the mouse since the hover took it: letting go forgets the hover's capture
// but leaves theirs.
TEST(SharedReactions, HoverLeavesAnotherSurfacesCaptureAlone) {
    Runtime rt;
    Form& f = rt.NewForm("f", 6000, 3000);
    rt.ShowForm(f);
    Surface& one = rt.Place<TolvaneLabel>(f, "One", {0, 0, 900, 210}).GetSurface();
    Surface& two = rt.Place<TolvaneLabel>(f, "Two", {0, 600, 900, 210}).GetSurface();
    HoverCapture hover(one);
    hover.Take();
    rt.SetCapture(two);
    hover.Release();
    EXPECT_FALSE(hover.Held());
    EXPECT_EQ(rt.Captured(), &two);
}

// Left of and above the primary screen, and further than 16 bits of twips reach on a large one.
TEST(SharedReactions, ThePointerPositionIsInScreenTwipsAnywhereOnTheDesktop) {
    Runtime rt;
    for (auto [px, py, tx, ty] : {std::array{10, 20, 150, 300}, {-3, -4, -45, -60}, {3000, 2500, 45000, 37500}}) {
        rt.SetCursor({px, py});
        EXPECT_EQ(fncMousePosition(rt), (MousePoint{tx, ty})) << px << "," << py;
    }
}

TEST(SharedReactions, AccessKeysAreTheMarkedCharactersInUpperCase) {
    EXPECT_EQ(AccessKeysOf("E&xit"), "X");
    EXPECT_EQ(AccessKeysOf("Fish && &chips, &mushy peas"), "CM") << "&& is an ampersand, no marker";
    EXPECT_EQ(AccessKeysOf("Trailing &"), "");
    std::vector<size_t> marked;
    EXPECT_EQ(WithoutAccessMarkers("A&&B &Cd&", &marked), "A&B Cd");
    EXPECT_EQ(marked, std::vector<size_t>{4});
    EXPECT_EQ(ToLower("TolvaneButton Ä"), "tolvanebutton Ä") << "only ASCII letters change";
}

// A control hovers only where it shows; a press still follows the pointer beyond the form.
TEST(SharedReactions, HoverHoldsOnlyWhereTheControlShows) {
    Runtime rt;
    Form& f = rt.NewForm("f", 3000, 1500);
    rt.ShowForm(f);
    auto& lbl = rt.Place<TolvaneLabel>(f, "lblWide", {1800, 300, 1800, 210});  // 600 twips past the right edge
    Surface& s = lbl.GetSurface();
    const double mid = 300 + s.Height() / 2, bottom = 300 + s.Height();
    auto& box = static_cast<TextBox&>(rt.PlaceElement(f, ElementKind::TextBox, "txtOver", -1));
    box.Move(1800, 150, 300, 600);
    auto& cmd = rt.Place<TolvaneButton>(f, "cmdOver", {2400, 150, 450, 600});
    auto move = [&](double x, double y) { rt.Mouse(f, MouseAction::Move, x, y, 0, 0); };

    move(2200, mid);
    ASSERT_EQ(rt.Captured(), &s);
    move(3300, mid);  // beyond the form, on the label's part past its edge
    EXPECT_EQ(rt.Captured(), nullptr);
    int clicks = 0;
    lbl.Click += [&] { ++clicks; };
    rt.Mouse(f, MouseAction::Click, 3300, mid, MouseButton::Left, 0);
    EXPECT_EQ(clicks, 0) << "a click beyond the form reaches nothing on it";

    // The edges still count: the form's last twip and the label's own bottom edge.
    move(3000 - 1, mid);
    EXPECT_EQ(rt.Captured(), &s);
    move(2200, bottom);
    EXPECT_EQ(rt.Captured(), &s);

    // Under the text box and the button the label does not show.
    move(1900, mid);
    EXPECT_EQ(rt.Captured(), nullptr);
    move(2200, mid);
    move(2500, mid);  // the label lets go on the button, and the next move is the button's
    EXPECT_EQ(rt.Captured(), nullptr);
    move(2510, mid);
    EXPECT_EQ(rt.Captured(), &cmd.GetSurface());
    EXPECT_EQ(cmd.State(), ButtonState::Up);

    // A press on the button follows the pointer beyond the form and back, and clicks there.
    int pressed = 0;
    cmd.Click += [&] { ++pressed; };
    rt.Mouse(f, MouseAction::Down, 2500, mid, MouseButton::Left, 0);
    rt.Mouse(f, MouseAction::Move, 2500, 2500, MouseButton::Left, 0);
    EXPECT_EQ(cmd.State(), ButtonState::Down);
    rt.Mouse(f, MouseAction::Move, 2500, mid, MouseButton::Left, 0);
    rt.Mouse(f, MouseAction::Up, 2500, mid, MouseButton::Left, 0);
    EXPECT_EQ(pressed, 1);
}

}  // namespace
