// SPDX-License-Identifier: MIT
// A form in a real window under a private X server: real pointer input through xdotool reaches
// the control, and what the form asks of its window (position, frame) happens.
#include <gtest/gtest.h>

#include <SDL.h>

#include <string>

#include "host/runtime.h"
#include "host/window.h"
#include "tests/display.h"
#include "tests/test_support.h"

using namespace stolvane;
using test::PrivateDisplay;
using test::ProbeControl;

namespace {

TEST(Window, RealPointerInputReachesTheControlAndTheWindowFollowsTheForm) {
    NEED_DISPLAY();

    Runtime rt;
    test::RegisterProbe();
    ProbeControl::journal.clear();
    Form& form = rt.NewForm("frmWindow", 3000, 1500);
    form.SetBorderStyle(Form::None);  // no window manager: a borderless window sits exactly where asked
    form.Move(1500, 1500, 3000, 1500);
    rt.PlaceControl(form, "ProbeControl", "P", -1, {600, 300, 1200, 600}, nullptr);
    {
        WindowHost host(rt);
        rt.ShowForm(form);
        for (int i = 0; i < 10; ++i) host.Step(20);
        ASSERT_NE(host.WindowId(form), 0u);

        // Form at pixel (100, 100); the control's surface at +(40, 20); its label covers the
        // first 40 x 13 pixels, so click below it, on the surface: pixel (100+40+60, 100+20+25).
        ASSERT_EQ(display.Xdotool({"mousemove", "200", "145", "click", "1"}), 0);
        bool clicked = false;
        for (int i = 0; i < 100 && !clicked; ++i) {
            host.Step(20);
            for (auto& line : ProbeControl::journal)
                if (line == "P Click") clicked = true;
        }
        EXPECT_TRUE(clicked);
        bool sawDown = false;
        for (auto& line : ProbeControl::journal)
            if (line == "P MouseDown 1 900 375") sawDown = true;
        EXPECT_TRUE(sawDown) << "the press arrives in the control's own twips";

        // Moving the form moves its window.
        form.SetLeft(3000);
        for (int i = 0; i < 5; ++i) host.Step(20);
        int x = 0, y = 0;
        SDL_GetWindowPosition(SDL_GetWindowFromID(host.WindowId(form)), &x, &y);
        EXPECT_EQ(x, 200);

        // A popup menu is a window of its own, answered from the keyboard: the arrows skip the
        // disabled item, Return runs the highlighted item's handler before PopupMenu returns.
        MenuItem& root = form.Add<MenuItem>("mnuRoot");
        std::string picked;
        for (const char* caption : {"&Restore", "&Move", "-", "&Close"}) {
            MenuItem& item = form.Add<MenuItem>("mnuItem");
            item.SetCaption(caption);
            item.onClick = [&picked, caption] { picked = caption; };
            root.Items().push_back(&item);
        }
        root.Items()[0]->SetEnabled(false);
        ASSERT_EQ(display.Xdotool({"mousemove", "150", "150"}), 0);
        for (int i = 0; i < 5; ++i) host.Step(20);
        display.XdotoolLater(500, {"key", "Down", "Down", "Return"});
        form.PopupMenu(root, root.Items()[3]);
        EXPECT_EQ(picked, "&Close");
        display.XdotoolLater(500, {"key", "m"});
        form.PopupMenu(root, root.Items()[3]);
        EXPECT_EQ(picked, "&Move") << "an access key chooses its item";

        rt.UnloadForm(form);
        EXPECT_FALSE(host.Step(10)) << "the loop ends once no form is shown";
    }
}

// A label clicked in a real window stops glowing when the pointer then leaves it: after its
// release it holds the capture again, so the move away reaches it.
TEST(Window, AClickedLabelReturnsToItsRestColourWhenThePointerLeaves) {
    NEED_DISPLAY();

    Runtime rt;
    Form& form = rt.NewForm("frmHover", 3000, 1500);
    form.SetBorderStyle(Form::None);
    form.Move(1500, 1500, 3000, 1500);  // at pixel (100, 100), 200 x 100 pixels
    auto& label = rt.PlaceControl(form, "TolvaneLabel", "lblLink", -1, {600, 300, 1200, 210}, nullptr).GetControl();
    label.SetProperty("Colour", Value{int64_t{RGB(0, 0, 0)}});
    label.SetProperty("ColourUp", Value{int64_t{RGB(200, 0, 0)}});
    auto& caption = *static_cast<Label*>(rt.Resolve(form, "lblLink.lblCaption").element);
    WindowHost host(rt);
    rt.ShowForm(form);
    auto wait = [&](int ms) {
        for (int i = 0; i < ms / 20; ++i) host.Step(20);
    };
    wait(200);
    // The label covers pixels (140, 120) to (220, 134).
    ASSERT_EQ(display.Xdotool({"mousemove", "160", "126"}), 0);
    wait(1600);
    EXPECT_EQ(caption.ForeColour(), RGB(200, 0, 0)) << "lit under the pointer";
    ASSERT_EQ(display.Xdotool({"click", "1"}), 0);
    wait(200);
    ASSERT_EQ(display.Xdotool({"mousemove", "120", "180"}), 0);  // in the window, off the label
    bool rest = false;
    for (int i = 0; i < 50 && !rest; ++i) {
        host.Step(20);
        rest = caption.ForeColour() == RGB(0, 0, 0);
    }
    EXPECT_TRUE(rest) << "the highlight ended when the pointer left";
}

}  // namespace
