// SPDX-License-Identifier: MIT
// Text boxes in a real window under a private X server: keys typed with xdotool (a non-ASCII
// character included) arrive as SDL's committed text, editing keys arrive as keys, and a copy
// in one box is pasted into another through the display's clipboard.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "core/text_box.h"
#include "host/runtime.h"
#include "host/window.h"
#include "tests/display.h"

using namespace stolvane;
using test::PrivateDisplay;

namespace {

// Runs the window loop until the condition holds, for at most about four seconds.
bool StepUntil(WindowHost& host, const std::function<bool()>& done) {
    for (int i = 0; i < 200; ++i) {
        if (done()) return true;
        host.Step(20);
    }
    return done();
}

TEST(TextBoxWindow, TypedTextEditingKeysAndTheClipboardReachTheBoxes) {
    NEED_DISPLAY();

    Runtime rt;
    Form& form = rt.NewForm("frmTyping", 4500, 1800);
    form.SetBorderStyle(Form::None);  // no window manager: a borderless window sits exactly where asked
    form.Move(1500, 1500, 4500, 1800);  // pixel (100, 100)
    auto& one = static_cast<TextBox&>(rt.PlaceElement(form, ElementKind::TextBox, "txtOne", -1));
    one.Move(300, 300, 3600, 315);  // pixels (120..360, 120..141) on the screen
    auto& two = static_cast<TextBox&>(rt.PlaceElement(form, ElementKind::TextBox, "txtTwo", -1));
    two.Move(300, 900, 3600, 315);  // pixels (120..360, 160..181)
    {
        WindowHost host(rt);
        rt.ShowForm(form);
        for (int i = 0; i < 10; ++i) host.Step(20);
        ASSERT_NE(host.WindowId(form), 0u);

        ASSERT_EQ(display.Xdotool({"mousemove", "150", "130", "click", "1"}), 0);
        ASSERT_TRUE(StepUntil(host, [&] { return rt.FocusedTextBox() == &one; }));
        // "é" is on no key of the server's keyboard: a spare key types it, as a French keyboard's
        // would. (xdotool would map one for the moment it types, and take it back before the
        // window has read the key.)
        ASSERT_TRUE(display.Output({"xmodmap", "-e", "keycode 200 = eacute Eacute"}).has_value());
        ASSERT_EQ(display.Xdotool({"type", "--delay", "30", "caf\xC3\xA9 ok"}), 0);
        EXPECT_TRUE(StepUntil(host, [&] { return one.Text() == "caf\xC3\xA9 ok"; })) << one.Text();
        // Editing keys: BackSpace deletes "k", Home and Shift+End select the whole text (the
        // Shift held when End went down counts, though its release is read before End's press).
        ASSERT_EQ(display.Xdotool({"key", "--delay", "30", "BackSpace", "Home", "shift+End"}), 0);
        EXPECT_TRUE(StepUntil(host, [&] { return one.SelLength() == 6; })) << one.SelLength();
        EXPECT_EQ(one.Text(), "caf\xC3\xA9 o");

        // Copied with Ctrl+C, pasted into the other box with Ctrl+V after a click into it.
        ASSERT_EQ(display.Xdotool({"key", "ctrl+c"}), 0);
        for (int i = 0; i < 5; ++i) host.Step(20);
        ASSERT_EQ(display.Xdotool({"mousemove", "150", "170", "click", "1"}), 0);
        ASSERT_TRUE(StepUntil(host, [&] { return rt.FocusedTextBox() == &two; }));
        ASSERT_EQ(display.Xdotool({"key", "ctrl+v"}), 0);
        EXPECT_TRUE(StepUntil(host, [&] { return two.Text() == "caf\xC3\xA9 o"; })) << two.Text();
        EXPECT_EQ(rt.GetBackend().ClipboardText(), "caf\xC3\xA9 o");

        rt.UnloadForm(form);
        for (int i = 0; i < 3; ++i) host.Step(20);
    }
}

}  // namespace
