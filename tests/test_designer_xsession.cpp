// SPDX-License-Identifier: MIT
// A session with the designer as a user has it: `stolvane design` in a window on a private X
// server, driven by real pointer and key input through xdotool. A button is placed from the
// toolbox, captioned in the property browser and saved; the saved file renders exactly as the
// designer showed the form on the screen, and closing the window ends the command with status 0.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "designer/designer_form.h"
#include "host/form_file.h"
#include "host/render.h"
#include "tests/display.h"
#include "tests/test_util.h"

using namespace stolvane;

namespace {

// Waits (at most ten seconds) until the condition holds.
bool WaitUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return done();
}

struct Area {
    int x, y, width, height;
};

// Pixels of twips: the designer runs at scale 1.
int Px(double twips) { return static_cast<int>(twips / 15); }

TEST(DesignerXSession, AButtonPlacedCaptionedAndSavedWithRealInputRendersAsTheDesignerShowedIt) {
    NEED_DISPLAY();
    test::TempFolder folder{"stolvane-designer-xsession"};
    const std::string path = (folder.Path() / "designed.json").string();

    // Where things lie in the designer's window (its layout, from a designer without one): the
    // Caption row of a button's properties, and the picture of the form being designed.
    Rect captionRow;
    {
        Runtime rt;
        DesignerForm layout(rt, "");
        const std::string button = layout.Designer().PlaceDefault("TolvaneButton");
        const auto rows = layout.Designer().Properties(button);
        int index = -1;
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i].name == "Caption") index = static_cast<int>(i);
        auto& list = *dynamic_cast<ListBox*>(layout.GetForm().FindAuthored("lstProperties"));
        list.Clear();
        for (const auto& r : rows) list.AddItem(r.name);
        captionRow = list.RowRect(index);
        captionRow.left += list.Left(), captionRow.top += list.Top();
        ASSERT_GT(captionRow.height, 0);
    }

    // Started through env so that it runs without the accessibility bridge, whatever the
    // test's own environment says; the display ends it if the test leaves early.
    const pid_t designer =
        display.StartProgram({"env", "STOLVANE_ACCESSIBILITY=0", STOLVANE_CLI, "design", path, "--scale", "1"});
    ASSERT_GT(designer, 0);
    const auto found = display.Output({"xdotool", "search", "--sync", "--name", "STolvane Designer"});
    ASSERT_TRUE(found.has_value()) << "the designer's window did not appear";
    const std::string window = found->substr(0, found->find('\n'));
    const auto geometry = display.Output({"xdotool", "getwindowgeometry", "--shell", window});
    ASSERT_TRUE(geometry.has_value());
    int wx = -1, wy = -1;
    for (std::istringstream lines(*geometry); lines.good();) {
        std::string line;
        std::getline(lines, line);
        if (line.rfind("X=", 0) == 0) wx = std::stoi(line.substr(2));
        if (line.rfind("Y=", 0) == 0) wy = std::stoi(line.substr(2));
    }
    ASSERT_GE(wx, 0);
    ASSERT_GE(wy, 0);

    const Area form{wx + Px(DesignerForm::kFormLeft), wy + Px(DesignerForm::kFormTop), 320, 240};  // 4800 x 3600
    const Area status{wx + 4, wy + Px(8100 - 315), 500, 17};
    const Area value{wx + Px(9060), wy + Px(5520), Px(2760), Px(315)};
    auto shot = [&](const Area& a) {
        return test::ScreenPixels(display.Name(), a.x, a.y, a.width, a.height).value_or(std::vector<uint32_t>{});
    };
    // Input, then a wait until the area shows its effect.
    auto act = [&](const std::vector<std::string>& input, const Area& changes) {
        const auto before = shot(changes);
        EXPECT_EQ(display.Xdotool(input), 0);
        return WaitUntil([&] { return shot(changes) != before; });
    };
    auto at = [](int x, int y) { return std::vector<std::string>{"mousemove", std::to_string(x), std::to_string(y)}; };
    auto with = [](std::vector<std::string> a, const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    ASSERT_TRUE(WaitUntil([&] {
        const auto pixels = shot(form);
        return pixels.size() > 1 && pixels[1] == 0xC0C0C0;
    })) << "the form under design is drawn";

    // The toolbox's first tool, then a rectangle dragged from (240, 240) to (1680, 720) twips.
    ASSERT_TRUE(act(with(at(wx + 58, wy + 15), {"click", "1"}), status)) << "the status line names the tool";
    ASSERT_TRUE(act(with(with(with(at(form.x + 16, form.y + 16), {"mousedown", "1"}), at(form.x + 60, form.y + 40)),
                         with(at(form.x + 112, form.y + 48), {"mouseup", "1"})),
                    form))
        << "the button is placed";
    // The Caption row clicked hands its value to the value box, where typing replaces it.
    ASSERT_TRUE(act(with(at(wx + Px(captionRow.left) + 40, wy + Px(captionRow.top + captionRow.height / 2)),
                         {"click", "1"}),
                    value));
    ASSERT_TRUE(act({"type", "&OK"}, value));
    ASSERT_TRUE(act({"key", "Return"}, form)) << "the caption is applied";
    EXPECT_EQ(display.Xdotool(with(at(wx + 58, wy + Px(6000 + 172)), {"click", "1"})), 0);  // Save
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(path); })) << "saved";
    // A click on the empty form drops the selection's frame, and "Snap to grid" unticked takes
    // the grid's dots away: the picture is the form alone.
    ASSERT_TRUE(act(with(at(form.x + 280, form.y + 200), {"click", "1"}), form));
    ASSERT_TRUE(act(with(at(wx + 20, wy + Px(7440 + 150)), {"click", "1"}), form));
    const std::vector<uint32_t> designed = shot(form);

    // Alt+F4 closes the designer (nothing unsaved, nothing asked) and the command ends.
    EXPECT_EQ(display.Xdotool({"key", "alt+F4"}), 0);
    int ended = -1;
    ASSERT_TRUE(WaitUntil([&] { return waitpid(designer, &ended, WNOHANG) == designer; })) << "the command ended";
    EXPECT_TRUE(WIFEXITED(ended) && WEXITSTATUS(ended) == 0) << ended;

    Runtime rt;
    Form& saved = LoadFormFile(rt, path);
    rt.ShowForm(saved);
    FormRenderer renderer(rt, saved, 1);
    const Frame& frame = renderer.RepaintAll();
    ASSERT_EQ(frame.width * frame.height, static_cast<int>(designed.size()));
    int differing = 0;
    for (int y = 0; y < frame.height; ++y)
        for (int x = 0; x < frame.width; ++x) {
            const uint32_t bgr = frame.PixelRgb(x, y);
            const uint32_t rgb = (bgr & 0xFF) << 16 | (bgr & 0xFF00) | (bgr >> 16 & 0xFF);
            if (rgb != designed[static_cast<size_t>(y) * frame.width + x]) ++differing;
        }
    EXPECT_EQ(differing, 0) << "pixels of the saved form unlike the designed one";
}

}  // namespace
