// SPDX-License-Identifier: MIT
// The form designer's model on the real headless runtime: placing with classic names, the
// grid, selections, properties refused in the runtime's words, cut, copy and paste as
// form-file text, undo and redo of every change, and saving what `stolvane run` then loads,
// checked by round trips through the real form reader and writer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "designer/form_designer.h"
#include "host/form_file.h"
#include "host/runtime.h"
#include "tests/test_util.h"

using namespace stolvane;

namespace {

struct DesignerTest : ::testing::Test {
    Runtime rt;
    FormDesigner d{rt};
    test::TempFolder folder{"stolvane-designer"};

    std::string Saved(FormDesigner& designer, const std::string& file) {
        const std::string path = (folder.Path() / file).string();
        designer.Save(path);
        return path;
    }
    // The form as `stolvane run` loads the file, written out again.
    std::string LoadedText(const std::string& path) {
        Runtime plain;
        Form& f = LoadFormFile(plain, path);
        return FormFileText(plain, f, folder.Path().string(), "check");
    }
    // Expects the call to be refused with error `number` whose message starts with `message`,
    // leaving the form as it was.
    template <class F>
    void ExpectRefused(F call, int number, const std::string& message) {
        const std::string before = d.Document().Text();
        const size_t undoable = d.History().Bytes();
        try {
            call();
            ADD_FAILURE() << "not refused: " << message;
        } catch (const HostError& e) {
            EXPECT_EQ(e.number, number);
            EXPECT_EQ(e.description.substr(0, message.size()), message) << e.description;
        }
        EXPECT_EQ(d.Document().Text(), before);
        EXPECT_EQ(d.History().Bytes(), undoable);
    }
};

TEST_F(DesignerTest, PlacesEveryClassAndElementKindWithClassicNamesSnappedToTheGrid) {
    for (const std::string& kind : d.Placeable()) d.PlaceDefault(kind);
    EXPECT_EQ(d.Place("TolvaneButton", "", {130, 250, 1000, 400}), "TolvaneButton2");
    EXPECT_EQ(d.Place("label", "", {0, 0, 500, 200}), "Label2");
    EXPECT_EQ(d.Place("TolvanePanel", "", {2400, 1200, 2400, 1800}), "TolvanePanel2");
    EXPECT_EQ(d.Place("TolvaneTick", "TolvanePanel2", {100, 100, 1200, 300}), "TolvaneTick2");
    EXPECT_EQ(d.FormBounds("TolvaneTick2").left, 2400 + 120);
    EXPECT_EQ(d.NameAt(2400 + 130, 1200 + 130), "TolvaneTick2");
    EXPECT_EQ(d.NameAt(2400 + 2000, 1200 + 1500), "TolvanePanel2");
    EXPECT_THROW(d.Place("TolvaneTick", "TolvaneButton2", {0, 0, 100, 100}), HostError);
    EXPECT_THROW(d.Place("Buton", "", {0, 0, 100, 100}), HostError);

    // Saved and loaded as `stolvane run` loads it: the same form, control for control; opened
    // again in a designer, the same form again, unchanged.
    const std::string path = Saved(d, "placed.json");
    EXPECT_EQ(LoadedText(path), d.Document().Text());
    EXPECT_FALSE(d.Modified());
    FormDesigner again{rt};
    again.Open(path);
    EXPECT_EQ(again.Document().Text(), d.Document().Text());
    EXPECT_FALSE(again.Modified());
}

TEST_F(DesignerTest, MovesAndResizesTheSelectionOnTheGridOrFreely) {
    d.Place("TolvaneButton", "", {120, 120, 1200, 480});
    d.grid.snap = false;
    d.MoveSelection(7, -3);
    EXPECT_EQ(d.Bounds("TolvaneButton1").left, 127);
    EXPECT_EQ(d.Bounds("TolvaneButton1").top, 117);
    d.grid.snap = true;
    // One step wide and shrunk by a step, a shape stays one step wide instead of vanishing.
    d.Place("Shape", "", {3600, 240, 120, 360});
    d.ResizeSelection(-120, 0);
    EXPECT_EQ(d.Bounds("Shape1"), (Rect{3600, 240, 120, 360}));
    EXPECT_EQ(d.NameAt(3600 + 60, 240 + 60), "Shape1");
}

// Dropped into a container, things keep where they show on the form (the first on the
// container's grid); a container takes what it holds along; nothing goes into itself or what
// it holds; each drop is one step, and the file holds the new nesting.
TEST_F(DesignerTest, DropsIntoAndOutOfContainersKeepingWhereItShows) {
    d.Place("TolvanePanel", "", {1200, 1200, 2400, 1800});
    d.Place("TolvanePanel", "TolvanePanel1", {1200, 960, 960, 600});
    d.Place("TolvaneButton", "", {240, 240, 1200, 480});
    d.Place("Line", "", {240, 840, 960, 120});
    const std::string before = d.Document().Text();
    const Rect line = d.FormBounds("Line1");

    EXPECT_EQ(d.DropTargetAt(1300, 1300), "TolvanePanel1");
    EXPECT_EQ(d.DropTargetAt(2500, 2300), "TolvanePanel2");
    d.GetSelection().Set({"TolvaneButton1", "Line1"});
    d.MoveSelectionInto("TolvanePanel1", 1210, 1330);  // the button's left 1450 -> 1440, top 1570 -> 1560
    EXPECT_EQ(d.ContainerOf("TolvaneButton1"), "TolvanePanel1");
    EXPECT_EQ(d.ContainerOf("Line1"), "TolvanePanel1");
    EXPECT_EQ(d.FormBounds("TolvaneButton1"), (Rect{1440, 1560, 1200, 480}));
    EXPECT_EQ(d.Bounds("TolvaneButton1"), (Rect{240, 360, 1200, 480}));
    EXPECT_EQ(d.FormBounds("Line1"), (Rect{line.left + 1200, line.top + 1320, line.width, line.height}))
        << "the others keep their distances";
    EXPECT_EQ(LoadedText(Saved(d, "dropped.json")), d.Document().Text());
    const std::string in = d.Document().Text();

    // The outer panel dragged carries both panels' contents; the inner one cannot take it.
    d.GetSelection().Set({"TolvanePanel1", "TolvaneButton1"});
    EXPECT_EQ(d.DropTargetAt(2500, 2300), "") << "what is dragged is no place to drop it";
    EXPECT_EQ(test::ErrorOf([&] { d.MoveSelectionInto("TolvanePanel2", 120, 0); }), 5);
    EXPECT_EQ(test::ErrorOf([&] { d.MoveSelectionInto("TolvanePanel1", 120, 0); }), 5);
    EXPECT_EQ(d.Document().Text(), in);
    d.MoveSelectionInto("", 240, 0);
    EXPECT_EQ(d.FormBounds("TolvanePanel1").left, 1440);
    EXPECT_EQ(d.FormBounds("TolvaneButton1").left, 1680) << "moved once, with its container";
    EXPECT_EQ(d.FormBounds("TolvanePanel2").left, 1440 + 1200);

    // Out onto the form again, and the drops undone one by one.
    d.GetSelection().Only("TolvaneButton1");
    d.MoveSelectionInto("", 0, 2400);
    EXPECT_EQ(d.ContainerOf("TolvaneButton1"), "");
    EXPECT_EQ(d.FormBounds("TolvaneButton1"), (Rect{1680, 3960, 1200, 480}));
    ASSERT_TRUE(d.Undo() && d.Undo());
    EXPECT_EQ(d.Document().Text(), in);
    ASSERT_TRUE(d.Undo());
    EXPECT_EQ(d.Document().Text(), before);

    // A panel placed off the grid: what drops into it lies on the panel's own grid.
    d.grid.snap = false;
    d.Place("TolvanePanel", "", {3050, 250, 1700, 900});
    d.grid.snap = true;
    d.GetSelection().Only("TolvaneButton1");
    d.MoveSelectionInto("TolvanePanel3", 2940, 140);  // 130, 130 inside the panel -> 120, 120
    EXPECT_EQ(d.Bounds("TolvaneButton1"), (Rect{120, 120, 1200, 480}));
    EXPECT_EQ(d.FormBounds("TolvaneButton1"), (Rect{3170, 370, 1200, 480}));
}

TEST_F(DesignerTest, ArrangesTheSelectionToTheFirstSelectedEachAsOneStep) {
    d.Place("TolvanePanel", "", {1200, 1200, 2400, 1800});
    d.Place("TolvaneButton", "", {240, 240, 1200, 480});
    d.Place("Label", "TolvanePanel1", {120, 600, 600, 240});
    d.Place("Shape", "", {2400, 240, 480, 360});
    // The label lies in the panel: it lines up where it lies in the form.
    d.GetSelection().Set({"TolvaneButton1", "Label1", "Shape1"});
    const std::string before = d.Document().Text();
    auto check = [&](auto arrange, const std::vector<Rect>& expected) {
        arrange();
        std::vector<Rect> now;
        for (const char* n : {"TolvaneButton1", "Label1", "Shape1"}) now.push_back(d.FormBounds(n));
        EXPECT_EQ(now, expected);
        ASSERT_TRUE(d.Undo());
        EXPECT_EQ(d.Document().Text(), before) << "one step each";
    };
    using A = FormDesigner::Align;
    const Rect b{240, 240, 1200, 480}, l{1320, 1800, 600, 240}, s{2400, 240, 480, 360};
    check([&] { d.AlignSelection(A::Rights); }, {b, {840, l.top, 600, 240}, {960, s.top, 480, 360}});
    check([&] { d.AlignSelection(A::Centres); }, {b, {540, l.top, 600, 240}, {600, s.top, 480, 360}});
    check([&] { d.AlignSelection(A::Tops); }, {b, {l.left, 240, 600, 240}, {s.left, 240, 480, 360}});
    check([&] { d.AlignSelection(A::Bottoms); }, {b, {l.left, 480, 600, 240}, {s.left, 360, 480, 360}});
    check([&] { d.AlignSelection(A::Middles); }, {b, {l.left, 360, 600, 240}, {s.left, 300, 480, 360}});
    using S = FormDesigner::Size;
    check([&] { d.MakeSameSize(S::Width); }, {b, {l.left, l.top, 1200, 240}, {s.left, s.top, 1200, 360}});
    check([&] { d.MakeSameSize(S::Height); }, {b, {l.left, l.top, 600, 480}, {s.left, s.top, 480, 480}});
    // Centred as a group down the 4800 x 3600 form: the rectangle around them is 240..2040 high,
    // so everything moves down by 660.
    check([&] { d.CentreInForm(false, true); },
          {{240, 900, 1200, 480}, {1320, 2460, 600, 240}, {2400, 900, 480, 360}});
    EXPECT_EQ(d.Find("Label1").surface, d.Find("TolvanePanel1").surface);
}

TEST_F(DesignerTest, BringsToFrontWithinItsOwnContainerKeepingTheSelection) {
    d.Place("Shape", "", {240, 240, 1200, 1200});
    d.Place("Label", "", {480, 480, 1200, 1200});
    d.Place("TolvanePanel", "", {2400, 240, 2160, 2160});
    d.Place("TolvaneButton", "TolvanePanel1", {120, 120, 1200, 480});
    d.Place("TolvaneButton", "TolvanePanel1", {240, 240, 1200, 480});
    EXPECT_EQ(d.NameAt(600, 600), "Label1");
    EXPECT_EQ(d.NameAt(2400 + 300, 240 + 300), "TolvaneButton2");

    d.GetSelection().Set({"Shape1", "TolvaneButton1"});
    d.BringToFront();
    EXPECT_EQ(d.NameAt(600, 600), "Shape1") << "drawn and hit above the label";
    EXPECT_EQ(d.NameAt(2400 + 300, 240 + 300), "TolvaneButton1") << "in its own container";
    EXPECT_EQ(d.GetSelection().Names(), (std::vector<std::string>{"Shape1", "TolvaneButton1"}));
    const std::string front = d.Document().Text();
    d.BringToFront();
    EXPECT_EQ(d.Document().Text(), front);
    EXPECT_EQ(d.History().Current(), front) << "already in front: no new step";
}

TEST_F(DesignerTest, PropertiesGoThroughTheClassTablesAndRefusedValuesChangeNothing) {
    d.Place("TolvaneLabel", "", {240, 240, 1200, 240});
    d.Place("TolvaneButton", "", {240, 960, 1200, 480});
    d.SetProperty("TolvaneButton1", "Caption", "&Save");
    d.SetProperty("TolvaneLabel1", "Align", "Left");
    EXPECT_EQ(d.PropertyText("TolvaneLabel1", "Align"), "0 - Left") << "an enumeration's value with its name";
    d.SetProperty("TolvaneLabel1", "Colour", "&H000000FF&");
    EXPECT_EQ(d.PropertyText("TolvaneLabel1", "Colour"), "0x000000FF");
    d.SetProperty("TolvaneLabel1", "Font", "Tahoma, 8.25, Bold");
    EXPECT_EQ(d.PropertyText("TolvaneLabel1", "Font"), "Tahoma, 8.25, Bold");
    EXPECT_EQ(d.PropertyText("", "BackColour"), "0x8000000F") << "a system colour shown as one";

    ExpectRefused([&] { d.SetProperty("TolvaneLabel1", "Align", "7"); }, 380,
                  "Invalid property value: Align: 7 is not an Alignment value (Left 0, Right 1, Centre 2)");
    ExpectRefused([&] { d.SetProperty("TolvaneLabel1", "Align", "sideways"); }, 380,
                  "Invalid property value: Align: expected a whole number or one of Left 0");
    ExpectRefused([&] { d.SetProperty("TolvaneButton1", "Width", "-5"); }, 380, "Invalid property value: Width");
    ExpectRefused([&] { d.SetProperty("TolvaneButton1", "Name", "9lives"); }, 380, "Invalid property value: Name");
    ExpectRefused([&] { d.SetProperty("TolvaneButton1", "Name", "TolvaneLabel1"); }, 380,
                  "Invalid property value: Name: TolvaneLabel1 is already");

    d.SetProperty("TolvaneButton1", "Name", "cmdSave");
    d.SetProperty("", "DefaultButton", "cmdSave");
    d.SetProperty("", "CancelButton", "cmdSave");
    d.SetProperty("cmdSave", "Name", "cmdStore");
    EXPECT_EQ(d.GetForm().DefaultButton(), "cmdStore") << "a rename follows the form's references";
    EXPECT_EQ(d.GetForm().CancelButton(), "cmdStore");
    EXPECT_EQ(d.GetSelection().Names(), std::vector<std::string>{"cmdStore"});
    EXPECT_EQ(LoadedText(Saved(d, "props.json")), d.Document().Text());
}

// A multi-selection shows what its things have in common and sets it on all of them as one
// step, or on none; the tab order is the controls that take the focus, renumbered as one step.
TEST_F(DesignerTest, SeveralSelectedShareTheirCommonPropertiesAndTheTabOrderIsRenumberedInOneStep) {
    d.Place("TolvaneButton", "", {240, 240, 1200, 480});
    d.Place("TolvaneButton", "", {240, 960, 1200, 480});
    d.Place("Label", "", {240, 1680, 1200, 240});
    d.SetProperty("TolvaneButton1", "Caption", "One");
    auto row = [](const std::vector<PropertyRow>& rows, const std::string& name) -> const PropertyRow* {
        for (const PropertyRow& r : rows)
            if (r.name == name) return &r;
        return nullptr;
    };
    const auto both = d.CommonProperties({"TolvaneButton1", "TolvaneButton2"});
    ASSERT_TRUE(row(both, "Caption") && row(both, "Width"));
    EXPECT_EQ(row(both, "Caption")->value, "") << "they disagree";
    EXPECT_EQ(row(both, "Width")->value, "1200");
    EXPECT_FALSE(row(both, "Name")) << "names are each one's own";
    const auto mixed = d.CommonProperties({"TolvaneButton1", "Label1"});
    EXPECT_FALSE(row(mixed, "ButtonStyle"));
    EXPECT_TRUE(row(mixed, "Left"));

    d.SetProperty(std::vector<std::string>{"TolvaneButton1", "TolvaneButton2"}, "Caption", "Both");
    // Refused by one of them (Label1 takes no ButtonStyle): the ones before it keep theirs.
    ExpectRefused([&] { d.SetProperty(std::vector<std::string>{"TolvaneButton1", "Label1"}, "ButtonStyle", "1"); }, 438,
                  "Object doesn't support");
    d.Undo();
    EXPECT_EQ(d.PropertyText("TolvaneButton1", "Caption"), "One") << "one step for both";
    EXPECT_EQ(d.PropertyText("TolvaneButton2", "Caption"), "TolvaneButton2");

    d.Place("TolvanePanel", "", {1800, 240, 2400, 1800});
    d.Place("TolvaneButton", "TolvanePanel1", {120, 120, 1200, 480});
    const std::vector<std::string> order{"TolvaneButton1", "TolvaneButton2", "TolvaneButton3"};
    EXPECT_EQ(d.TabOrder(), order) << "neither the label nor the panel takes the focus; the panel's button does";
    d.SetTabOrder({"TolvaneButton3", "TolvaneButton2", "TolvaneButton1"});
    EXPECT_EQ(d.TabOrder(), (std::vector<std::string>{"TolvaneButton3", "TolvaneButton2", "TolvaneButton1"}));
    EXPECT_EQ(d.PropertyText("TolvaneButton1", "TabIndex"), "2");
    ExpectRefused([&] { d.SetTabOrder({"TolvaneButton1"}); }, 5, "A tab order names every control");
    d.Undo();
    EXPECT_EQ(d.TabOrder(), order) << "one step";
}

// A placed or pasted control goes last in the tab order, form-wide (a pasted block keeps its
// own order among itself).
TEST_F(DesignerTest, PlacedAndPastedControlsGoLastInTheTabOrder) {
    d.Place("TolvanePanel", "", {1200, 1200, 2400, 1800});
    d.Place("TolvaneButton", "TolvanePanel1", {120, 120, 1200, 480});
    d.Place("Label", "", {240, 240, 960, 240});
    d.Place("TolvaneButton", "", {240, 600, 1200, 480});
    EXPECT_EQ(d.PropertyText("TolvanePanel1", "TabIndex"), "0");
    EXPECT_EQ(d.PropertyText("TolvaneButton1", "TabIndex"), "1") << "inside the panel, numbered with the form";
    EXPECT_EQ(d.PropertyText("TolvaneButton2", "TabIndex"), "2");
    d.SetProperty("TolvaneButton1", "Caption", "One");
    d.SetProperty("TolvaneButton2", "Caption", "Two");
    d.SetTabOrder({"TolvaneButton2", "TolvaneButton1"});
    d.GetSelection().Set({"TolvaneButton1", "TolvaneButton2"});
    d.Paste(d.Copy());
    const std::vector<std::string> order = d.TabOrder();
    ASSERT_EQ(order.size(), 4u);
    EXPECT_EQ(d.PropertyText(order[2], "Caption"), "Two") << "the pasted pair keeps its order, after the others";
    EXPECT_EQ(d.PropertyText(order[3], "Caption"), "One");
    EXPECT_EQ(d.PropertyText(order[2], "TabIndex"), "2");
}

TEST_F(DesignerTest, EveryChangeUndoesBackToEmptyAndRedoesToTheSameFile) {
    const std::string empty = d.Document().Text();
    std::vector<std::string> steps;
    auto step = [&] { steps.push_back(d.Document().Text()); };
    d.Place("TolvanePanel", "", {240, 240, 3600, 2400}), step();
    d.Place("TolvaneButton", "TolvanePanel1", {120, 120, 1200, 480}), step();
    d.SetProperty("TolvaneButton1", "Caption", "Go"), step();
    d.GetSelection().Only("TolvanePanel1");
    d.MoveSelection(240, 0), step();
    d.DeleteSelection(), step();
    EXPECT_THROW(d.Find("TolvaneButton1"), HostError) << "a container goes with what it holds";
    const std::string last = d.Document().Text();
    for (size_t i = steps.size(); i-- > 0;) {
        EXPECT_EQ(d.Document().Text(), steps[i]);
        ASSERT_TRUE(d.Undo());
    }
    EXPECT_EQ(d.Document().Text(), empty);
    EXPECT_FALSE(d.Undo());
    while (d.Redo()) {
    }
    EXPECT_EQ(d.Document().Text(), last);
    EXPECT_FALSE(d.Modified()) << "the last step left the form empty, as it was new";
    d.Undo();
    EXPECT_TRUE(d.Modified());
    EXPECT_EQ(d.PropertyText("TolvaneButton1", "Caption"), "Go") << "undo brings back the container's children";
}

TEST_F(DesignerTest, CutCopyAndPasteAsFormFileTextWithinAndAcrossDesigners) {
    d.Place("TolvanePanel", "", {240, 240, 3600, 2400});
    d.Place("TolvaneButton", "TolvanePanel1", {120, 120, 1200, 480});
    d.SetProperty("TolvaneButton1", "Caption", "Inner");
    d.GetSelection().Only("TolvanePanel1");
    const std::string clip = d.Copy();

    // Pasted on the same form: new names, the children renamed too.
    EXPECT_EQ(d.Paste(clip), std::vector<std::string>{"TolvanePanel2"});
    EXPECT_EQ(d.PropertyText("TolvaneButton2", "Caption"), "Inner");
    EXPECT_EQ(d.Find("TolvaneButton2").surface->Container(), d.Find("TolvanePanel2").surface);

    // Cut from one designer and pasted into a container of another: the names are free there.
    FormDesigner other{rt};
    other.Place("TolvanePanel", "", {0, 0, 4800, 3600});
    d.GetSelection().Only("TolvaneButton1");
    const std::string cut = d.Cut();
    EXPECT_THROW(d.Find("TolvaneButton1"), HostError);
    EXPECT_EQ(other.Paste(cut, "TolvanePanel1"), std::vector<std::string>{"TolvaneButton1"});
    EXPECT_EQ(other.FormBounds("TolvaneButton1").left, 120);
    EXPECT_EQ(other.GetSelection().Names(), std::vector<std::string>{"TolvaneButton1"});
    EXPECT_THROW(other.Paste("{\"controls\":[{\"name\":\"x\",\"class\":\"Nothing\"}]}"), HostError);
}

}  // namespace
