// SPDX-License-Identifier: MIT
// The input router's branches, each checked against what the user sees: list-box rows hit where
// they are drawn, windowed elements above lightweight ones, the picture button's press, the tab
// order, the resize re-entry limit and the merging of repaint areas.
#include <gtest/gtest.h>

#include "host/keys.h"
#include "host/render.h"
#include "host/runtime.h"
#include "tests/golden_util.h"
#include "tests/test_support.h"

using namespace stolvane;
using test::ProbeControl;

namespace {

constexpr uint32_t kNavy = RGB(0, 0, 128);  // the classic selection highlight

struct Input : ::testing::Test {
    Runtime rt;
    Form* form = nullptr;
    void SetUp() override {
        test::RegisterProbe();
        ProbeControl::journal.clear();
        form = &rt.NewForm("frmTest", 6000, 4500);
        rt.ShowForm(*form);
    }
    ProbeControl& Probe(Surface& in, const std::string& name, const Rect& r) {
        return static_cast<ProbeControl&>(rt.PlaceControl(in, "ProbeControl", name, -1, r, nullptr).GetControl());
    }
};

// Where the renderer drew row `row` highlighted: the first and last device row of the
// highlight in the column just left of the text.
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

    auto walk = [&](bool backwards) {
        std::string order;
        for (int i = 0; i < 4; ++i) {
            rt.Tab(backwards);
            order += rt.Focused() ? rt.Focused()->Name() + " " : "none ";
        }
        return order;
    };
    EXPECT_EQ(walk(false), "B C A B ");
    EXPECT_EQ(walk(true), "A C B A ") << "backwards, wrapping round";
}

// A form that opens gives the focus to its first control in tab order that can take it; a
// label is no tab stop. Modal forms do the same; a form that already holds the focus keeps it.
TEST(InitialFocus, GoesToTheFirstTabStopWhenAFormOpensAndPassesLabelsBy) {
    Runtime rt;
    rt.SetFocusOnShow(true);  // as windows and scripts have it
    test::Recorder log;
    rt.SetObserver(&log);
    Form& f = rt.NewForm("f", 6000, 3000);
    rt.PlaceControl(f, "TolvaneLabel", "lblTitle", -1, {0, 0, 1200, 210}, nullptr);
    rt.PlaceControl(f, "TolvaneTick", "chkA", -1, {0, 600, 1800, 270}, nullptr).GetSurface().SetTabIndex(2);
    rt.PlaceControl(f, "TolvaneButton", "cmdOK", -1, {0, 1200, 1200, 480}, nullptr).GetSurface().SetTabIndex(1);
    rt.ShowForm(f);
    ASSERT_TRUE(rt.Focused());
    EXPECT_EQ(rt.Focused()->Name(), "cmdOK");
    EXPECT_TRUE(log.Has("focus cmdOK"));
    rt.Tab();
    EXPECT_EQ(rt.Focused()->Name(), "chkA");
    rt.Tab();
    EXPECT_EQ(rt.Focused()->Name(), "cmdOK") << "the label is passed by";

    // Shown again after hiding, the form keeps the control that has the focus.
    rt.Tab();
    rt.HideForm(f);
    rt.ShowForm(f);
    EXPECT_EQ(rt.Focused()->Name(), "chkA");

    // A form with nothing that takes the focus leaves it alone.
    Runtime bare;
    bare.SetFocusOnShow(true);
    Form& g = bare.NewForm("g");
    bare.PlaceControl(g, "TolvaneLabel", "lblOnly", -1, {0, 0, 1200, 210}, nullptr);
    bare.ShowForm(g);
    EXPECT_EQ(bare.Focused(), nullptr);
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

// Many changes at once merge into fewer repaint areas; whatever was merged, the next frame is
// the frame a full repaint gives, far from the first change as near it.
TEST_F(Input, ManyChangesAtOnceStillRepaintEveryChangedPlace) {
    std::vector<Label*> labels;
    for (int i = 0; i < 80; ++i) {
        Label& l = form->Add<Label>("lbl", i);
        l.Move(150.0 + 60 * i, 150.0 + 45 * i, 45, 30);
        labels.push_back(&l);
    }
    FormRenderer inc(rt, *form, 1);
    inc.Update();
    for (Label* l : labels) l->SetBackColour(RGB(255, 0, 0));
    const Frame& after = inc.Update();
    FormRenderer full(rt, *form, 1);
    EXPECT_EQ(test::CountDifferentPixels(after, full.RepaintAll()), 0);
    EXPECT_EQ(inc.PixelAt(150 + 60 * 79 + 15, 150 + 45 * 79 + 15), RGB(255, 0, 0)) << "the last change";
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

}  // namespace
