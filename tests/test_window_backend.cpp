// SPDX-License-Identifier: MIT
// Forms in real windows under a private X server: real pointer and keyboard input through
// xdotool (typed text, editing keys, the clipboard, popup menus), forms that go while their
// events are still queued, calls posted from other threads, what the window manager is told
// (icon, owner, modal, minimum size, focus), minimise and restore with and without a window
// manager, message boxes, what a repaint presents, and a Wayland compositor.
#include <gtest/gtest.h>

#include <SDL.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "controls/panel/tolvanepanel.h"
#include "core/text_box.h"
#include "host/keys.h"
#include "host/runtime.h"
#include "host/window.h"
#include "tests/display.h"
#include "tests/test_support.h"

using namespace stolvane;
using test::PrivateDisplay;
using test::ProbeControl;

namespace {

// A borderless form at pixel (100, 100): with no window manager it sits exactly where asked.
Form& BareForm(Runtime& rt, const std::string& name, double width, double height) {
    Form& form = rt.NewForm(name, width, height);
    form.SetBorderStyle(Form::None);
    form.Move(1500, 1500, width, height);
    return form;
}

// Runs the window loop until the condition holds, for at most about four seconds.
bool StepUntil(WindowHost& host, const std::function<bool()>& done) {
    for (int i = 0; i < 200; ++i) {
        if (done()) return true;
        host.Step(20);
    }
    return done();
}

Label& PlaceLabel(Runtime& rt, Form& form, const std::string& name, double left, double top) {
    auto& l = static_cast<Label&>(rt.PlaceElement(form, ElementKind::Label, name, -1));
    l.SetCaption(name);
    l.Move(left, top, 1200, 300);
    return l;
}

// A click (press and release) at a pixel of the window, queued as the display would deliver it.
void QueueClick(uint32_t windowId, int x, int y) {
    for (bool down : {true, false}) {
        SDL_Event e{};
        e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        e.button.windowID = windowId;
        e.button.button = SDL_BUTTON_LEFT;
        e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.button.clicks = 1;
        e.button.x = x, e.button.y = y;
        SDL_PushEvent(&e);
    }
}

void QueueWindowEvent(uint32_t windowId, uint8_t event) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = windowId;
    e.window.event = event;
    SDL_PushEvent(&e);
}

// Random sequences of modal forms opened (shown modally, the about box, message boxes), clicked
// in, closed, hidden and unloaded (by their own click handlers too, with an expose or a move for
// the same window queued behind the click), with their owners unloaded sometimes and stale
// window events, driven from inside whichever loop is running through posted calls. Under
// AddressSanitizer any use of a form after it went fails. STOLVANE_TEST_SEED repeats a run
// that failed with the seed it printed.
TEST(LifetimeWindow, RandomModalFormSequencesLeaveNoWindowOrFormBehind) {
    NEED_DISPLAY();
    const char* given = std::getenv("STOLVANE_TEST_SEED");
    const unsigned seed = given ? static_cast<unsigned>(std::strtoul(given, nullptr, 10)) : 17u;
    Runtime rt;
    WindowHost host(rt);
    std::vector<uint32_t> seenIds;
    std::map<std::string, int> opened;  // what the runs did, to check they did it
    for (int run = 0; run < 100; ++run) {
        SCOPED_TRACE("STOLVANE_TEST_SEED=" + std::to_string(seed) + ", run " + std::to_string(run));
        std::mt19937 random(seed + static_cast<unsigned>(run));
        Form& main = BareForm(rt, "frmMain", 4500, 3000);
        std::function<void(Form&)> furnish = [&](Form& f) {
            Form* self = &f;
            PlaceLabel(rt, f, "lblOpen", 150, 150).onClick = [&rt, &opened, self, &furnish] {
                Form& m = rt.NewForm("frmModal", 3600, 2400);
                if (opened["modal"]++ % 2) m.SetBorderStyle(Form::None);
                m.CentreOn(*self);
                furnish(m);
                rt.ShowModal(m, self);
                if (rt.IsLoaded(m)) rt.UnloadForm(m);
            };
            PlaceLabel(rt, f, "lblHide", 150, 600).onClick = [&rt, self] { rt.HideForm(*self); };
            PlaceLabel(rt, f, "lblUnload", 150, 1050).onClick = [&rt, &opened, self] {
                ++opened["unloaded by its own click"];
                rt.UnloadForm(*self);
            };
            PlaceLabel(rt, f, "lblMessage", 1500, 150).onClick = [&rt, &opened] {
                ++opened["message box"];
                rt.MsgBox("Something happened.", std::nullopt);
            };
            PlaceLabel(rt, f, "lblOwner", 1500, 600).onClick = [&rt, self] {
                // Unloads every other form: owners go while their modal forms are open.
                for (auto& other : rt.Forms())
                    if (other.get() != self && rt.IsLoaded(*other)) rt.UnloadForm(*other);
            };
            auto& panel = rt.Place<TolvanePanel>(f, "pnlAbout", {1500, 1050, 1200, 300});
            PlaceLabel(rt, f, "lblAbout", 1500, 1500).onClick = [&opened, &panel] {
                ++opened["about box"];
                panel.About();
            };
        };
        furnish(main);
        rt.ShowForm(main);
        int actions = 0;
        std::function<void()> act = [&] {
            Form* active = rt.ActiveForm();
            if (!active) return;
            if (++actions > 25) {
                for (auto& f : rt.Forms()) rt.UnloadForm(*f);
                return;
            }
            const uint32_t id = host.WindowId(*active);
            if (id) seenIds.push_back(id);
            const int what = std::uniform_int_distribution<int>(0, 9)(random);
            if (what < 7 && id) {
                std::vector<BoxElement*> targets;
                for (auto& e : active->Elements())
                    if (e->ReceivesMouse())
                        if (auto* box = dynamic_cast<BoxElement*>(e.get())) targets.push_back(box);
                if (!targets.empty()) {
                    BoxElement* t = targets[std::uniform_int_distribution<size_t>(0, targets.size() - 1)(random)];
                    QueueClick(id, static_cast<int>((rt.FormX(*active) + t->Left() + t->Width() / 2) / 15),
                               static_cast<int>((rt.FormY(*active) + t->Top() + t->Height() / 2) / 15));
                    // The same batch may ask the window, gone by then or not, to paint or move.
                    if (const int behind = std::uniform_int_distribution<int>(0, 3)(random); behind < 2)
                        QueueWindowEvent(id, behind == 0 ? SDL_WINDOWEVENT_EXPOSED : SDL_WINDOWEVENT_MOVED);
                }
            } else if (what < 9 && !seenIds.empty()) {
                // An expose or a move for any window this test has seen, gone or not.
                QueueWindowEvent(seenIds[std::uniform_int_distribution<size_t>(0, seenIds.size() - 1)(random)],
                                 what == 7 ? SDL_WINDOWEVENT_EXPOSED : SDL_WINDOWEVENT_MOVED);
            } else if (id) {
                QueueWindowEvent(id, SDL_WINDOWEVENT_CLOSE);
            }
            rt.Post(act);
        };
        rt.Post(act);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (host.Step(200) && std::chrono::steady_clock::now() < deadline) {
        }
        ASSERT_FALSE(host.Step(0)) << "the run ended with a form still shown";
        for (auto& f : rt.Forms()) rt.UnloadForm(*f);
        rt.CollectGarbage();
        ASSERT_TRUE(rt.Forms().empty());
        for (uint32_t id : seenIds) EXPECT_EQ(SDL_GetWindowFromID(id), nullptr) << "a window outlived its form";
        if (seenIds.size() > 64) seenIds.erase(seenIds.begin(), seenIds.end() - 64);
    }
    for (const char* what : {"modal", "about box", "message box", "unloaded by its own click"})
        EXPECT_GT(opened[what], 0) << what << " never happened: the runs did not cover it";
}

// A worker thread drives a progress bar from 0 to 100 % through Runtime::Post; the window loop
// sleeps between the calls and shows each one.
TEST(PostWindow, AWorkerThreadDrivesAProgressPanelThroughPost) {
    NEED_DISPLAY();
    Runtime rt;
    Form& form = BareForm(rt, "frmCopy", 4500, 1200);
    auto& bar = rt.Place<TolvanePanel>(form, "pnlProgress", {150, 150, 4200, 900});
    WindowHost host(rt);
    rt.ShowForm(form);
    for (int i = 0; i < 5; ++i) host.Step(20);
    std::vector<int> seen;
    std::thread worker([&rt, &bar, &seen, &form] {
        for (int i = 0; i <= 100; ++i) {
            rt.Post([&bar, &seen, i] {
                bar.SetPercentage(static_cast<int16_t>(i));
                seen.push_back(i);
            });
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        rt.Post([&rt, &form] { rt.UnloadForm(form); });
    });
    int steps = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (host.Step(-1) && std::chrono::steady_clock::now() < deadline) ++steps;
    worker.join();
    ASSERT_EQ(seen.size(), 101u);
    for (int i = 0; i <= 100; ++i) EXPECT_EQ(seen[i], i);
    EXPECT_LE(steps, 110) << "the loop woke for the posted calls, not to poll";
}

// What the window manager is told and what comes back: the form's icon, its minimum client size,
// a modal form transient for its owner and marked modal, the keyboard back at the owner when
// the modal form closes, and a minimised form restored. Run without and with a window manager.
void CheckHintsAndStates(PrivateDisplay& display, bool managed) {
    Runtime rt;
    Form& main = rt.NewForm("frmOwner", 4500, 3000);
    main.Move(1500, 1500, 4500, 3000);
    main.SetIcon(Picture::FromPixels(16, 16, std::vector<uint32_t>(256, 0xFF2040C0)));
    main.SetMinClientSize(3000, 1500);
    WindowHost host(rt);
    rt.ShowForm(main);
    for (int i = 0; i < 10; ++i) host.Step(20);
    const unsigned long owner = test::X11WindowOf(host.WindowId(main));
    ASSERT_NE(owner, 0u);
    auto prop = [&](unsigned long id, const char* name) {
        return display.Output({"xprop", "-id", std::to_string(id), name}).value_or("");
    };
    const std::string icon = prop(owner, "_NET_WM_ICON");
    EXPECT_TRUE(icon.find("16 x 16") != std::string::npos || icon.find("16, 16") != std::string::npos)
        << icon.substr(0, 80);
    EXPECT_NE(prop(owner, "WM_NORMAL_HINTS").find("minimum size: 200 by 100"), std::string::npos)
        << prop(owner, "WM_NORMAL_HINTS");

    Form& dialog = rt.NewForm("frmDialog", 3000, 1500);
    dialog.CentreOn(main);
    std::string transient, state;
    rt.Post([&] {
        rt.Post([&] {
            const unsigned long id = test::X11WindowOf(host.WindowId(dialog));
            transient = prop(id, "WM_TRANSIENT_FOR");
            state = prop(id, "_NET_WM_STATE");
            rt.HideForm(dialog);
        });
        rt.ShowModal(dialog, &main);
    });
    for (int i = 0; i < 20; ++i) host.Step(20);
    std::ostringstream hex;
    hex << "0x" << std::hex << owner;
    EXPECT_NE(transient.find(hex.str()), std::string::npos) << transient;
    EXPECT_NE(state.find("_NET_WM_STATE_MODAL"), std::string::npos) << state;
    std::string focus;
    EXPECT_TRUE(StepUntil(host, [&] {
        focus = display.Output({"xdotool", "getwindowfocus"}).value_or("");
        return focus == std::to_string(owner) + "\n";
    })) << "the keyboard is back at the owner, not at " << focus;

    auto viewable = [&] {
        std::string out = display.Output({"xwininfo", "-id", std::to_string(owner)}).value_or("");
        return out.find("IsViewable") != std::string::npos;
    };
    main.SetWindowState(Form::Minimized);
    EXPECT_TRUE(StepUntil(host, [&] { return !viewable(); })) << (managed ? "iconified" : "hidden");
    main.SetWindowState(Form::Normal);
    EXPECT_TRUE(StepUntil(host, viewable)) << "restored";
    EXPECT_EQ(main.GetWindowState(), Form::Normal);
}

TEST(HintsWindow, IconOwnerModalMinimumSizeFocusAndRestoreOnABareServer) {
    NEED_DISPLAY();
    CheckHintsAndStates(display, false);
}

TEST(HintsWindow, IconOwnerModalMinimumSizeFocusAndRestoreUnderAWindowManager) {
    NEED_DISPLAY();
    if (!display.StartWindowManager()) {
        // Not installed is a skip; installed but not coming up is a fault to see, not to skip.
        ASSERT_TRUE(display.WindowManagerProblem().empty()) << display.WindowManagerProblem();
        GTEST_SKIP() << "openbox is installed by scripts/setup";
    }
    CheckHintsAndStates(display, true);
}

// A message box is a dialog of the runtime's own look in the middle of its owner, answered by
// Return; the code that raised it goes on afterwards.
TEST(HintsWindow, AMessageBoxIsAClassicDialogCentredOnItsOwnerAndAnsweredByReturn) {
    NEED_DISPLAY();
    Runtime rt;
    Form& main = BareForm(rt, "frmOwner", 9000, 6000);
    WindowHost host(rt);
    rt.ShowForm(main);
    for (int i = 0; i < 5; ++i) host.Step(20);
    bool answered = false;
    Form* box = nullptr;
    uint32_t face = 0;
    double boxMiddleX = 0, boxMiddleY = 0;
    rt.Post([&] {
        rt.Post([&] {
            box = rt.ActiveForm();
            boxMiddleX = box->Left() + box->Width() / 2;
            boxMiddleY = box->Top() + box->Height() / 2;
            face = test::ShownPixel(host.WindowId(*box), 5, 5).value_or(0);
            display.XdotoolLater(0, {"key", "Return"});
        });
        rt.MsgBox("The copy is complete. Every file arrived where it was meant to go.", std::string("Copy"));
        answered = true;
    });
    EXPECT_TRUE(StepUntil(host, [&] { return answered; }));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(face, 0xC0C0C0u) << "the button face of the classic scheme";
    EXPECT_NEAR(boxMiddleX, main.Left() + main.Width() / 2, 15);
    EXPECT_NEAR(boxMiddleY, main.Top() + main.Height() / 2, 15);
    EXPECT_EQ(rt.Forms().size(), 1u) << "the box is unloaded";
}

// Errors about windows the program destroyed are ignored, also when SDL answers its last
// requests as it shuts down; any other X error still ends the program as Xlib's own handler
// does, although SDL's handler hands it back to the guard.
TEST(LifetimeWindow, AnXErrorAboutAWindowNeverDestroyedStillReachesXlibsHandler) {
    NEED_DISPLAY();
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            Runtime rt;
            Form& form = rt.NewForm("frmError", 3000, 1500);
            WindowHost host(rt);
            rt.ShowForm(form);
            host.Step(20);
            test::MapNoWindow(host.WindowId(form));
            std::_Exit(0);
        },
        testing::ExitedWithCode(1), "BadWindow");
}

// The window receives only the rectangles a change repainted: pixels drawn over behind the
// program's back stay until an expose shows the whole frame again. At scale 2 the frame has
// twice the pixels of the form's classic size, one window pixel each, and a resize shows the
// grown part.
TEST(PresentWindow, OnlyChangedRectanglesGoOutAndExposeAndResizeShowEverything) {
    NEED_DISPLAY();
    Runtime rt;
    Form& form = BareForm(rt, "frmPresent", 3000, 1500);  // 200 x 100 classic pixels
    form.SetBackColour(RGB(0, 128, 255));
    auto& label = static_cast<Label&>(rt.PlaceElement(form, ElementKind::Label, "lblPatch", -1));
    label.SetCaption("");
    label.SetBackColour(RGB(255, 0, 0));
    label.Move(300, 300, 600, 300);  // classic pixels (20, 20) to (60, 40); doubled on the screen
    WindowHost host(rt, 2);
    rt.ShowForm(form);
    for (int i = 0; i < 5; ++i) host.Step(20);
    const uint32_t id = host.WindowId(form);
    int w = 0, h = 0;
    SDL_GetWindowSize(SDL_GetWindowFromID(id), &w, &h);
    EXPECT_EQ(std::pair(w, h), std::pair(400, 200));
    EXPECT_EQ(test::ShownPixel(id, 50, 50), 0xFF0000u);
    EXPECT_EQ(test::ShownPixel(id, 119, 79), 0xFF0000u) << "the label's last pixel at scale 2";
    EXPECT_EQ(test::ShownPixel(id, 121, 81), 0x0080FFu);

    ASSERT_TRUE(test::PaintOver(id, 300, 100, 20, 20));
    label.SetBackColour(RGB(0, 160, 0));
    host.Step(0);
    EXPECT_EQ(test::ShownPixel(id, 50, 50), 0x00A000u) << "the change reached the screen";
    EXPECT_EQ(test::ShownPixel(id, 310, 110), 0x000000u) << "only the label's rectangle was sent";

    QueueWindowEvent(id, SDL_WINDOWEVENT_EXPOSED);
    host.Step(0);
    EXPECT_EQ(test::ShownPixel(id, 310, 110), 0x0080FFu) << "an expose shows the whole frame";

    form.Move(1500, 1500, 6000, 3000);
    for (int i = 0; i < 10; ++i) host.Step(20);
    SDL_GetWindowSize(SDL_GetWindowFromID(id), &w, &h);
    EXPECT_EQ(std::pair(w, h), std::pair(800, 400));
    EXPECT_EQ(test::ShownPixel(id, 790, 390), 0x0080FFu) << "the grown part is shown";
    EXPECT_EQ(test::ShownPixel(id, 50, 50), 0x00A000u);
}

// Under Weston the form opens through SDL's Wayland driver, shows its pixels and closes cleanly.
// Weston runs on the private X server (its x11 backend): its headless backend offers no input
// seat, and SDL 2.26 cannot start without one.
TEST(WaylandWindow, AFormRendersUnderWestonAndClosesCleanly) {
    NEED_DISPLAY();
    // The compositor, ended with the display, keeps its socket and log in a folder of the test's.
    test::TempFolder folder("stolvane-wayland");
    const std::string runtimeDir = folder.Path().string();  // its owner's alone, as weston wants
    test::ScopedEnv runtimeDirEnv("XDG_RUNTIME_DIR", runtimeDir.c_str());
    const std::string socket = "wayland-stolvane";
    const pid_t weston = display.StartProgram({"weston", "--backend=x11-backend.so", "--socket=" + socket,
                                               "--idle-time=0", "--log=" + runtimeDir + "/weston.log"});
    if (weston == 0) GTEST_SKIP() << "weston is installed by scripts/setup";
    bool up = false;
    for (int i = 0; i < 200 && !up; ++i) {
        up = std::filesystem::exists(runtimeDir + "/" + socket);
        if (!up) std::this_thread::sleep_for(std::chrono::milliseconds(25));
        int status = 0;
        if (waitpid(weston, &status, WNOHANG) == weston)
            GTEST_SKIP() << "weston could not start here (exit " << status << ")";
    }
    if (!up) GTEST_SKIP() << "weston did not offer its socket";
    test::ScopedEnv wayland("WAYLAND_DISPLAY", socket.c_str());
    test::ScopedEnv noX("DISPLAY", nullptr);
    test::ScopedEnv driver("SDL_VIDEODRIVER", "wayland");
    {
        Runtime rt;
        Form& form = rt.NewForm("frmWayland", 3000, 1500);
        form.SetBackColour(RGB(0, 128, 255));
        WindowHost host(rt);
        EXPECT_STREQ(SDL_GetCurrentVideoDriver(), "wayland");
        rt.ShowForm(form);
        for (int i = 0; i < 10; ++i) host.Step(20);
        ASSERT_NE(host.WindowId(form), 0u);
        EXPECT_EQ(test::ShownPixel(host.WindowId(form), 20, 20), 0x0080FFu) << "the form's back colour, as 0xRRGGBB";
        rt.UnloadForm(form);
        EXPECT_FALSE(host.Step(10));
    }
    int status = 0;
    EXPECT_EQ(waitpid(weston, &status, WNOHANG), 0) << "the compositor is still running: nothing crashed it";
}

// Real pointer and keyboard input reach the controls: a press arrives in the control's own
// twips; a popup menu is a window of its own, answered from the keyboard, and the keyboard
// comes back to the form after it (with no window manager, each menu takes it); keys typed (a
// non-ASCII character included) arrive as SDL's committed text, editing keys arrive as keys,
// and a copy in one box is pasted into another through the display's clipboard.
TEST(Window, RealPointerAndKeysReachTheControlsPopupMenusAndTextBoxes) {
    NEED_DISPLAY();
    Runtime rt;
    test::RegisterProbe();
    ProbeControl::journal.clear();
    Form& form = BareForm(rt, "frmWindow", 4500, 3000);  // 300 x 200 pixels
    rt.PlaceControl(form, "ProbeControl", "P", -1, {600, 300, 1200, 600}, nullptr);
    auto& one = static_cast<TextBox&>(rt.PlaceElement(form, ElementKind::TextBox, "txtOne", -1));
    one.Move(300, 1500, 3600, 315);  // pixels (120..360, 200..221) on the screen
    auto& two = static_cast<TextBox&>(rt.PlaceElement(form, ElementKind::TextBox, "txtTwo", -1));
    two.Move(300, 2100, 3600, 315);  // pixels (120..360, 240..261)
    WindowHost host(rt);
    rt.ShowForm(form);
    for (int i = 0; i < 10; ++i) host.Step(20);
    ASSERT_NE(host.WindowId(form), 0u);

    // Form at pixel (100, 100); the probe's surface at +(40, 20); its label covers the first
    // 40 x 13 pixels, so click below it, on the surface: pixel (100+40+60, 100+20+25).
    ASSERT_EQ(display.Xdotool({"mousemove", "200", "145", "click", "1"}), 0);
    auto logged = [](const std::string& line) { return std::ranges::count(ProbeControl::journal, line) > 0; };
    EXPECT_TRUE(StepUntil(host, [&] { return logged("P Click"); }));
    EXPECT_TRUE(logged("P MouseDown 1 900 375")) << "the press arrives in the control's own twips";

    // The arrows skip the disabled item, Return runs the highlighted item's handler before
    // PopupMenu returns.
    MenuItem& root = form.Add<MenuItem>("mnuRoot");
    std::string picked;
    for (const char* text : {"&Restore", "&Move", "-", "&Close"}) {
        MenuItem& item = form.Add<MenuItem>("mnuItem");
        item.SetCaption(text);
        item.onClick = [&picked, text] { picked = text; };
        root.Items().push_back(&item);
    }
    root.Items()[0]->SetEnabled(false);
    ASSERT_EQ(display.Xdotool({"mousemove", "150", "150"}), 0);
    for (int i = 0; i < 5; ++i) host.Step(20);
    display.XdotoolLater(500, {"key", "Down", "Down", "Return"});
    form.PopupMenu(root, root.Items()[3]);
    EXPECT_EQ(picked, "&Close");
    // The second menu opens at once, before the loop has read that the form has the keyboard
    // again: the form still gets it back after this one, and the typing below reaches it.
    display.XdotoolLater(500, {"key", "m"});
    form.PopupMenu(root, root.Items()[3]);
    EXPECT_EQ(picked, "&Move") << "an access key chooses its item";

    ASSERT_EQ(display.Xdotool({"mousemove", "150", "210", "click", "1"}), 0);
    ASSERT_TRUE(StepUntil(host, [&] { return rt.FocusedTextBox() == &one; }));
    // "é" is on no key of the server's keyboard: a spare key types it, as a French keyboard's
    // would. (xdotool would map one for the moment it types, and take it back before the window
    // has read the key.)
    ASSERT_TRUE(display.Output({"xmodmap", "-e", "keycode 200 = eacute Eacute"}).has_value());
    ASSERT_EQ(display.Xdotool({"type", "--delay", "30", "caf\xC3\xA9 ok"}), 0);
    EXPECT_TRUE(StepUntil(host, [&] { return one.Text() == "caf\xC3\xA9 ok"; })) << one.Text();
    // Editing keys: BackSpace deletes "k", Home and Shift+End select the whole text (the Shift
    // held when End went down counts, though its release is read before End's press).
    ASSERT_EQ(display.Xdotool({"key", "--delay", "30", "BackSpace", "Home", "shift+End"}), 0);
    EXPECT_TRUE(StepUntil(host, [&] { return one.SelLength() == 6; })) << one.SelLength();
    EXPECT_EQ(one.Text(), "caf\xC3\xA9 o");

    // Copied with Ctrl+C, pasted into the other box with Ctrl+V after a click into it.
    ASSERT_EQ(display.Xdotool({"key", "ctrl+c"}), 0);
    for (int i = 0; i < 5; ++i) host.Step(20);
    ASSERT_EQ(display.Xdotool({"mousemove", "150", "250", "click", "1"}), 0);
    ASSERT_TRUE(StepUntil(host, [&] { return rt.FocusedTextBox() == &two; }));
    ASSERT_EQ(display.Xdotool({"key", "ctrl+v"}), 0);
    EXPECT_TRUE(StepUntil(host, [&] { return two.Text() == "caf\xC3\xA9 o"; })) << two.Text();
    EXPECT_EQ(rt.GetBackend().ClipboardText(), "caf\xC3\xA9 o");

    rt.UnloadForm(form);
    EXPECT_FALSE(host.Step(10)) << "the loop ends once no form is shown";
}

// Scripts name keys as SDL does without loading SDL. Every name SDL gives a key (as SDL spells
// it, in small and in capital letters), every single ASCII character and a few near misses
// read as the key SDL reads them as, wherever that key has a code here.
TEST(KeyNames, ReadAsSdlReadsThem) {
    std::vector<std::string> names = {"enter", "ENTER", "", "Keypad", "F0", "F25", "Left  Ctrl", "Ctrl", "\xC3\xA9"};
    for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc) {
        std::string name = SDL_GetScancodeName(static_cast<SDL_Scancode>(sc));
        if (name.empty()) continue;
        std::string lower = name, upper = name;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        names.insert(names.end(), {name, lower, upper});
    }
    for (int c = 1; c < 128; ++c) names.emplace_back(1, static_cast<char>(c));
    int named = 0;
    for (const std::string& name : names) {
        const SDL_Keycode theirs = SDL_GetKeyFromName(name.c_str());
        const int32_t ours = SdlKeyOfName(name);
        if (KeyCodeOfSdl(theirs) == 0) {
            EXPECT_EQ(KeyCodeOfSdl(ours), 0) << "\"" << name << "\" names no key here";
            continue;
        }
        ++named;
        EXPECT_EQ(ours, theirs) << "\"" << name << "\"";
    }
    EXPECT_GT(named, 150) << "letters, digits, F1-F24, the keypad, arrows, modifiers in three spellings";
}

}  // namespace
