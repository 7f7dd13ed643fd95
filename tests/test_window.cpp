// A form in a real window under a private X server: real pointer input through xdotool reaches
// the control, and what the form asks of its window (position, frame) happens.
#include <gtest/gtest.h>

#include <SDL.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "host/runtime.h"
#include "host/window.h"
#include "tests/private_display.h"
#include "tests/test_support.h"

extern char** environ;

using namespace stolvane;
using test::ProbeControl;
using test::OnPath;
using test::PrivateDisplay;
using test::Shell;

namespace {

TEST(Window, RealPointerInputReachesTheControlAndTheWindowFollowsTheForm) {
    if (!OnPath("Xvfb") || !OnPath("xdotool")) GTEST_SKIP() << "Xvfb and xdotool are installed by scripts/setup";
    PrivateDisplay display;
    ASSERT_TRUE(display.Start());

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
        std::string cmd = "xdotool mousemove 200 145 click 1";
        ASSERT_EQ(Shell(cmd), 0);
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
        ASSERT_EQ(Shell("xdotool mousemove 150 150"), 0);
        for (int i = 0; i < 5; ++i) host.Step(20);
        ASSERT_EQ(Shell("(sleep 0.5; xdotool key Down Down Return) >/dev/null 2>&1 &"), 0);
        form.PopupMenu(root, root.Items()[3]);
        EXPECT_EQ(picked, "&Close");
        ASSERT_EQ(Shell("(sleep 0.5; xdotool key m) >/dev/null 2>&1 &"), 0);
        form.PopupMenu(root, root.Items()[3]);
        EXPECT_EQ(picked, "&Move") << "an access key chooses its item";

        rt.UnloadForm(form);
        EXPECT_FALSE(host.Step(10)) << "the loop ends once no form is shown";
    }
}

}  // namespace
