// SPDX-License-Identifier: MIT
// Forms with many elements: the incremental frame (which paints only the elements its grid
// finds near each change, with kept text layouts), hit-testing through the grid, names.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "controls/label/tolvanelabel.h"
#include "host/render.h"
#include "host/runtime.h"
#include "tests/golden_util.h"
#include "tests/test_support.h"

using namespace stolvane;
using stolvane::test::CountDifferentPixels;

namespace {

struct BusyForm {
    Runtime rt;
    Form& form = rt.NewForm("f", 4800, 3600);
    std::vector<Label*> labels;
    std::vector<Shape*> shapes;
    std::vector<Line*> lines;
    std::vector<TolvaneLabel*> links;
    BusyForm() {
        form.SetFont(MakeFont("Tahoma", 8.25));
        for (int i = 0; i < 40; ++i) {
            Label& l = form.Add<Label>("lbl", i);
            l.Move(60 + (i % 4) * 1140, 60 + (i / 4) * 300, 1100, 240);
            l.SetCaption("&Label " + std::to_string(i));
            labels.push_back(&l);
        }
        for (int i = 0; i < 8; ++i) {
            Shape& s = form.Add<Shape>("shp", i);
            s.Move(200 + i * 500, 3000, 400, 300);
            s.SetFilled(i % 2 == 0);
            s.SetFillColour(RGB(0, 0, 128));
            if (i % 3 == 0) s.SetDrawMode(Shape::Invert);
            shapes.push_back(&s);
        }
        for (int i = 0; i < 6; ++i) {
            Line& l = form.Add<Line>("lin", i);
            l.SetEnds(0, 2900 + i * 30, 4800, 2900 + i * 30);
            lines.push_back(&l);
        }
        for (int i = 0; i < 6; ++i) {
            auto& t = rt.Place<TolvaneLabel>(form, "lnk", {60.0 + i * 790, 3350, 750, 210}, i);
            t.SetCaption("Link " + std::to_string(i));
            t.SetColourUp(RGB(255, 0, 0));
            links.push_back(&t);
        }
        rt.ShowForm(form);
    }
};

TEST(RepaintAtScale, IncrementalFramesMatchAFullRepaintThroughARandomRunOfChangesAndHovers) {
    BusyForm b;
    ASSERT_GE(b.form.Elements().size(), Surface::kGridFrom) << "the form's grid is in use";
    std::mt19937 rng(11);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    for (double scale : {1.0, 2.0}) {
        FormRenderer r(b.rt, b.form, scale);
        r.Update();
        const int steps = scale == 1.0 ? 400 : 120;
        for (int step = 0; step < steps; ++step) {
            Label& l = *b.labels[static_cast<size_t>(pick(40))];
            switch (pick(10)) {
                case 0: l.Move(pick(4000), pick(3000), 300 + pick(1500), 120 + pick(400)); break;
                case 1: l.SetCaption(pick(2) ? "&Short" : "A much longer caption that may wrap " + std::to_string(step)); break;
                case 2: l.SetForeColour(RGB(pick(256), pick(256), pick(256))); break;
                case 3: l.SetVisible(!l.Visible()); break;
                case 4: l.SetAlignment(static_cast<int16_t>(pick(3))); l.SetWordWrap(pick(2)); break;
                case 5: b.shapes[static_cast<size_t>(pick(8))]->SetWidth(100 + pick(1200)); break;
                case 6: {
                    double y = 2000 + pick(1500);
                    b.lines[static_cast<size_t>(pick(6))]->SetEnds(pick(2000), y, 2000 + pick(2800), y + pick(2) * 300);
                    break;
                }
                case 7: b.links[static_cast<size_t>(pick(6))]->SetColour(RGB(0, 0, pick(256))); break;
                default: {
                    // The pointer moves (over a link, or away), and the fades run on.
                    b.rt.Mouse(b.form, MouseAction::Move, pick(4800), 3000 + pick(600), 0, 0);
                    b.rt.Advance(TolvaneLabel::kFadeInterval * (1 + pick(3)));
                    break;
                }
            }
            const Frame& inc = r.Update();
            FormRenderer full(b.rt, b.form, scale);
            ASSERT_EQ(CountDifferentPixels(inc, full.RepaintAll()), 0) << "step " << step << " at scale " << scale;
        }
    }
}

// The grid follows every move, resize and removal: hits and pixels are those of the elements
// where they are now, an element larger than many cells is found all over, and a point on an
// element's left edge is on it while its right edge is outside.
TEST(RepaintAtScale, TheGridFollowsMovesResizesAndRemovalsAndHitsExactEdges) {
    BusyForm b;
    FormRenderer r(b.rt, b.form, 1);
    auto hit = [&](double x, double y) { return b.rt.HitTest(b.form, x, y).element; };
    ASSERT_EQ(hit(150, 150), b.labels[0]) << "the grid is built";
    Label& top = *b.labels[39];
    top.Move(100, 100, 600, 200);  // over label 0, and later in the z-order
    EXPECT_EQ(hit(150, 150), &top);
    top.Move(1180, 2505, 600, 200);  // from the gap between two columns of labels
    EXPECT_EQ(hit(150, 150), b.labels[0]);
    EXPECT_EQ(hit(1180, 2550), &top) << "the left edge is on the element";
    EXPECT_EQ(hit(1780, 2550), b.labels[33]) << "the right edge is outside it";
    top.SetWidth(2200);  // far wider than a cell
    EXPECT_EQ(hit(3370, 2600), &top);
    top.Move(0, 0, 4800, 2880);  // over most of the form's cells
    EXPECT_EQ(hit(4790, 2870), &top);
    EXPECT_EQ(hit(4790, 2880), nullptr) << "the bottom edge is outside it";
    top.SetBackColour(RGB(255, 0, 0));
    EXPECT_EQ(r.PixelAt(4785, 2865), RGB(255, 0, 0)) << "drawn wherever it reaches";

    // A control that fails while being placed is removed again after the grid exists.
    test::RegisterProbe();
    const PropertyMap bad{{"Small", Value{int64_t{40000}}}};  // does not fit 16 bits
    EXPECT_THROW(b.rt.PlaceControl(b.form, "ProbeControl", "Broken", -1, {60, 3000, 600, 300}, &bad), HostError);
    // Removed after the grid exists: a label and a link control.
    b.form.RemoveElement(*b.labels[5]);
    b.form.RemoveElement(*b.links[2]->GetSurface().EmbeddingElement());
    top.SetVisible(false);
    EXPECT_EQ(hit(1200, 400), nullptr) << "the removed label is hit no more";
    EXPECT_EQ(b.rt.HitTest(b.form, 1650, 3400).surface, &b.form) << "nor the removed control";
    EXPECT_EQ(b.rt.HitTest(b.form, 150, 3400).surface, &b.links[0]->GetSurface());
    b.labels[6]->Move(1200, 400, 300, 200);
    EXPECT_EQ(hit(1250, 450), b.labels[6]);
    const Frame& inc = r.Update();
    FormRenderer full(b.rt, b.form, 1);
    EXPECT_EQ(CountDifferentPixels(inc, full.RepaintAll()), 0);
}

TEST(RepaintAtScale, NamesAndArrayMembersOfALargeFormAreFoundAndKeptUnique) {
    Runtime rt;
    Form& f = rt.NewForm("f", 9600, 7200);
    for (int i = 0; i < 2000; ++i) rt.Place<TolvaneLabel>(f, "lbl", {0, i * 15.0, 900, 210}, i);
    EXPECT_EQ(f.FindSurface("lbl", 1234)->Top(), 1234 * 15.0);
    EXPECT_EQ(f.FindSurface("lbl"), nullptr) << "an array member is not the plain name";
    EXPECT_THROW(rt.Place<TolvaneLabel>(f, "lbl", {0, 0, 900, 210}, 7), HostError);
    EXPECT_THROW(rt.PlaceElement(f, ElementKind::Label, "lbl", 7), HostError);
    EXPECT_NE(rt.Resolve(f, "lbl(1999)").surface, nullptr);
}

}  // namespace
