// SPDX-License-Identifier: MIT
// The library's own forms on the real headless runtime: the samples viewer's paging and closing
// clicks, the about box's version line, logo, OK and Samples, the known-problems list, About on
// a control, elements inside a container in form files, golden pictures of the three forms and
// the showcase, and the showcase driven by a real pointer under a private X server.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>

#include "controls/label/tolvanelabel.h"
#include "controls/tick/tolvanetick.h"
#include "forms/showcase/showcase.h"
#include "host/form_file.h"
#include "host/render.h"
#include "host/runtime.h"
#include "host/window.h"
#include "tests/display.h"
#include "tests/golden_util.h"
#include "tests/test_support.h"

using namespace stolvane;
namespace fs = std::filesystem;

namespace {

struct FormsTest : ::testing::Test {
    Runtime rt;
    test::Recorder log;
    std::function<void(Form&)> whileModal = [](Form&) {};  // drives each modal form; may close it
    std::vector<std::string> modal;                          // modal forms in the order they opened
    test::HookBackend hooks;

    FormsTest() {
        rt.SetObserver(&log);
        hooks.modal = [this](Form& f) {
            modal.push_back(f.Name());
            whileModal(f);
        };
        rt.SetBackend(&hooks);
    }
    static std::string Caption(Form& f, const char* name, int index = -1) {
        return AsString(f.FindControl(name, index)->GetProperty("Caption"));
    }
    static bool Enabled(Form& f, const char* name, int index = -1) {
        return AsInteger(f.FindControl(name, index)->GetProperty("Enabled")) != 0;
    }
    // A click with the pointer in the middle of a control (or at an offset from its top left).
    // The pointer moves there first, as a real one does: whatever held the capture from the
    // last click (a lit caption) sees it leave.
    void Click(Form& f, const char* name, int index = -1, double dx = -1, double dy = -1) {
        Surface& s = *f.FindSurface(name, index);
        const double x = rt.FormX(s) + (dx < 0 ? s.Width() / 2 : dx), y = rt.FormY(s) + (dy < 0 ? s.Height() / 2 : dy);
        rt.Mouse(f, MouseAction::Move, x, y, 0, 0);
        rt.Mouse(f, MouseAction::Click, x, y, 1, 0);
    }
    Form& Load(const char* name) {
        Form& f = rt.LoadForm(name);
        rt.ShowForm(f);
        return f;
    }
    Image& Tile(Form& f, int i) { return *dynamic_cast<Image*>(f.FindAuthored("imgRotate", i)); }
};

TEST_F(FormsTest, SamplesPagesStopAtBothEndsEachPageSetsEveryLineAndClicksClose) {
    Form& f = Load("frmSamples");
    // Each page's title, and which of its four lines show text ('x') or are cleared ('-').
    const std::pair<const char*, std::string> pages[] = {
        {"About... 'TolvanePanel'", "xxxx"}, {"About... 'TolvaneButton'", "xxx-"},
        {"About... 'TolvaneLabel'", "x---"}, {"About... 'TolvaneTick'", "x---"},
        {"About... 'TolvaneCaption'", "xx--"}};
    auto expectPage = [&](int p) {
        EXPECT_EQ(Caption(f, "tplName"), pages[p].first);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(Caption(f, "tplDes", i).empty(), pages[p].second[i] == '-') << p << " line " << i;
    };
    expectPage(0);  // the design shows page 0 as the table has it
    EXPECT_FALSE(Enabled(f, "tpbDirection", 0));
    EXPECT_TRUE(Enabled(f, "tpbDirection", 1));
    Click(f, "tpbDirection", 0);  // disabled: nothing happens
    expectPage(0);

    for (int p = 1; p <= 4; ++p) {
        Click(f, "tpbDirection", 1);
        expectPage(p);
    }
    // Every line shows: the first description needs six lines of 195 twips here, more than the
    // design's five, and grows; none overlaps the next, whose background would hide the last pixel
    // row of the text above (the underscores of m_Grad_Lef, the tail of a g).
    EXPECT_GE(f.FindSurface("tplDes", 0)->Height(), 6 * 195);
    for (int i = 0; i < 3; ++i) {
        const Surface &above = *f.FindSurface("tplDes", i), &below = *f.FindSurface("tplDes", i + 1);
        EXPECT_GE(below.Top(), above.Top() + above.Height()) << "description " << i + 1;
    }
    EXPECT_FALSE(Enabled(f, "tpbDirection", 1));
    EXPECT_TRUE(Enabled(f, "tpbDirection", 0));
    Click(f, "tpbDirection", 1);  // disabled at the last page
    expectPage(4);

    Click(f, "tpbDirection", 0);
    expectPage(3);
    EXPECT_TRUE(Enabled(f, "tpbDirection", 1));
    // The descriptions wrap within the heights the design gives them.
    EXPECT_EQ(f.FindSurface("tplDes", 3)->Height(), 1035);

    // It closes on the body and the lines, but not on the title.
    Click(f, "tplName");
    Click(f, "TolvanePanel2", -1, 20, 20);  // the small panel's edge, beside the title
    Click(f, "TolvaneCaption1");
    EXPECT_TRUE(rt.IsLoaded(f));
    Click(f, "TolvanePanel1", -1, 2400, 1125);  // between lines 0 and 1
    EXPECT_FALSE(rt.IsLoaded(f));

    Form& again = Load("frmSamples");
    Click(again, "tplDes", 3);
    EXPECT_FALSE(rt.IsLoaded(again)) << "the last line closes it too";
}

TEST_F(FormsTest, AboutShowsTheVersionTurnsItsLogoClockwiseAndOpensSamplesOnTop) {
    Form& f = Load("frmAbout");
    EXPECT_EQ(Caption(f, "tplVersion"), "Version: v1.15.96, last revised on: 01/02/99");
    std::vector<PictureRef> design;
    for (int i = 0; i < 6; ++i) design.push_back(Tile(f, i).GetPicture());
    rt.Advance(399);
    EXPECT_EQ(Tile(f, 0).GetPicture(), design[0]);
    rt.Advance(1);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(Tile(f, (i + 1) % 6).GetPicture(), design[i]) << "after one tick, tile " << i;
    rt.Advance(2000);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(Tile(f, i).GetPicture(), design[i]) << "after six ticks, tile " << i;

    // Samples opens on top; the box stays open until OK.
    whileModal = [&](Form& s) {
        EXPECT_EQ(rt.ActiveForm(), &s);
        EXPECT_TRUE(rt.IsShown(f)) << "the about box stays open under the samples viewer";
        EXPECT_NEAR(s.Left() + s.Width() / 2, f.Left() + f.Width() / 2, 1) << "centred on the about box";
        Click(s, "tplDes", 0);
    };
    Click(f, "tpbSamples");
    EXPECT_EQ(modal, std::vector<std::string>{"frmSamples"});
    EXPECT_TRUE(rt.IsShown(f));
    Click(f, "bOK");
    EXPECT_FALSE(rt.IsShown(f));
    EXPECT_TRUE(rt.IsLoaded(f)) << "OK only hides; the code that opened the box unloads it";
}

TEST_F(FormsTest, AboutOnAControlReturnsOnlyOnceTheBoxClosedAndLeavesNothingLoaded) {
    Form& main = rt.NewForm("frmMain", 9000, 6000);
    main.Move(1500, 1500, 9000, 6000);
    auto& label = rt.Place<TolvaneLabel>(main, "TolvaneLabel1", {0, 0, 960, 210});
    rt.ShowForm(main);
    whileModal = [&](Form& about) {
        EXPECT_EQ(about.Name(), "frmAbout");
        EXPECT_NEAR(about.Left() + about.Width() / 2, main.Left() + main.Width() / 2, 1) << "centred on its owner";
        rt.Advance(800);  // the logo turns while the box is open
        Click(about, "bOK");
    };
    label.About();
    label.About();
    EXPECT_EQ(modal, (std::vector<std::string>{"frmAbout", "frmAbout"}));
    EXPECT_EQ(log.Count("hidden frmAbout"), 2u);
    rt.CollectGarbage();
    ASSERT_EQ(rt.Forms().size(), 1u);

    hooks.modal = nullptr;  // a box that cannot be shown fails and is not left behind
    EXPECT_THROW(label.About(), HostError);
    rt.CollectGarbage();
    EXPECT_EQ(rt.Forms().size(), 1u);
}

TEST_F(FormsTest, StatusDescribesTheTickedItemByItsData) {
    Form& f = Load("frmStatus");
    auto& list = *dynamic_cast<ListBox*>(f.FindAuthored("lstBugs"));
    const std::string text = list.List(0);
    Surface& panel = *f.FindSurface("TolvanePanel1");
    Rect row = list.RowRect(0), box = list.CheckBoxRect(0);
    auto clickList = [&](const Rect& r) {
        rt.Mouse(f, MouseAction::Click, panel.Left() + list.Left() + r.left + r.width / 2,
                 panel.Top() + list.Top() + r.top + r.height / 2, 1, 0);
    };
    clickList(row);
    EXPECT_EQ(Caption(f, "tllProblem"), "Please select an item for description.") << "nothing ticked";
    clickList(box);  // ticks it, then the click describes it
    EXPECT_EQ(Caption(f, "tllProblem"), "CAN USE WORKAROUND: " + text) << "item data 1";
    list.SetItemData(0, 7);
    clickList(row);
    EXPECT_EQ(Caption(f, "tllProblem"), "   PROBLEMATIC BUG: " + text);
}

TEST_F(FormsTest, ElementsInAContainerLoadSaveAndAnswerToTheirNames) {
    test::TempFolder folder("stolvane-forms");
    const fs::path& dir = folder.Path();
    Form& f = rt.LoadForm("frmStatus");
    ASSERT_NE(rt.Resolve(f, "lstBugs").element, nullptr);
    ASSERT_NE(rt.Resolve(f, "TolvanePanel1.Line2").element, nullptr);
    SaveFormFile(rt, f, (dir / "a.json").string());
    SaveFormFile(rt, LoadFormFile(rt, (dir / "a.json").string()), (dir / "b.json").string());
    const std::string ta = test::ReadFile(dir / "a.json");
    EXPECT_EQ(ta, test::ReadFile(dir / "b.json"));
    EXPECT_NE(ta.find("\"lstBugs\""), std::string::npos) << "the list is saved inside the panel";
    EXPECT_EQ(ta.find("\"lblCaption\""), std::string::npos) << "a control's own design is not";
}

TEST_F(FormsTest, GoldenPicturesOfTheLibraryFormsAndTheShowcase) {
    Form& show = LoadFormText(rt, showcase::Design(), "", "frmShowcase");
    showcase::Attach(show);
    rt.ShowForm(show);
    for (auto [form, name] : {std::pair{&Load("frmAbout"), "about"}, {&Load("frmSamples"), "samples"},
                              {&Load("frmStatus"), "status"}, {&show, "showcase"}})
        for (double scale : {1.0, 2.0})
            EXPECT_TRUE(test::CompareGolden(FormRenderer(rt, *form, scale).RepaintAll(),
                                            std::string("forms_") + name + "_scale" + (scale == 1 ? "1" : "2")));
}

// With a real pointer the showcase opens the about box and the samples viewer as windows above it.
TEST(FormsWindow, ShowcaseOpensTheAboutBoxAndTheSamplesViewerWithARealPointer) {
    NEED_DISPLAY();
    Runtime rt;
    Form& show = LoadFormText(rt, showcase::Design(), "", "frmShowcase");
    showcase::Attach(show);
    WindowHost host(rt);

    // Screen pixel of the middle of a control (or of an offset into it).
    auto at = [&](Form& f, const char* name, int index = -1, double dx = -1) {
        Surface& s = *f.FindSurface(name, index);
        auto px = [](double twips) { return std::to_string(std::lround(twips / 15)); };
        return std::vector<std::string>{"mousemove", px(f.Left() + rt.FormX(s) + (dx < 0 ? s.Width() / 2 : dx)),
                                        px(f.Top() + rt.FormY(s) + s.Height() / 2), "click", "1"};
    };
    struct Steps : RuntimeObserver {
        std::function<void(Form&, bool)> onShown;
        void OnFormShown(Form& f, bool shown) override { onShown(f, shown); }
    } steps;
    Form* about = nullptr;
    int ticks = 0, ticksAtSamples = 0;
    bool aboutWindow = false, samplesWindow = false, samplesAtEnd = false;
    steps.onShown = [&](Form& f, bool shown) {
        if (f.Name() == "frmAbout" && shown) {
            about = &f;
            auto* t98 = dynamic_cast<Timer*>(f.FindAuthored("T98"));
            t98->onTick = [&ticks, old = t98->onTick] { ++ticks, old(); };
            display.XdotoolLater(400, at(show, "tikGrip", -1, 100));  // the showcase is blocked
            display.XdotoolLater(900, at(f, "tpbSamples"));
        } else if (f.Name() == "frmSamples" && shown) {
            aboutWindow = host.WindowId(*about) != 0;
            ticksAtSamples = ticks;
            for (int i = 0; i < 4; ++i) display.XdotoolLater(700 + 350 * i, at(f, "tpbDirection", 1));
            display.XdotoolLater(2400, at(f, "tplDes", 0));
        } else if (f.Name() == "frmSamples") {
            samplesWindow = host.WindowId(f) != 0;
            samplesAtEnd = AsString(f.FindControl("tplName")->GetProperty("Caption")) == "About... 'TolvaneCaption'";
            display.XdotoolLater(500, at(*about, "bOK"));
        }
    };
    rt.SetObserver(&steps);
    rt.ShowForm(show);
    for (int i = 0; i < 10; ++i) host.Step(20);
    ASSERT_NE(host.WindowId(show), 0u);
    auto* grip = dynamic_cast<TolvaneTick*>(show.FindControl("tikGrip"));
    ASSERT_EQ(display.Xdotool(at(show, "btnAbout")), 0);
    for (int i = 0; i < 300 && !(about && !rt.IsShown(*about) && ticks); ++i) host.Step(20);

    EXPECT_TRUE(aboutWindow) << "the about box had a window of its own";
    EXPECT_TRUE(samplesWindow && samplesAtEnd) << "the samples viewer had a window and reached its last page";
    EXPECT_GT(ticks, ticksAtSamples) << "the about box's timer ran while the samples viewer was open";
    EXPECT_EQ(grip->Value(), True) << "the showcase took no input while the about box was open";
    rt.CollectGarbage();
    EXPECT_EQ(rt.Forms().size(), 1u) << "About unloaded both forms";

    ASSERT_EQ(display.Xdotool(at(show, "tikGrip", -1, 100)), 0);
    for (int i = 0; i < 10; ++i) host.Step(20);
    EXPECT_EQ(grip->Value(), False) << "the showcase takes input again";
    rt.SetObserver(nullptr);
}

}  // namespace
