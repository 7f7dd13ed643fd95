// SPDX-License-Identifier: MIT
// The renderer and the media layer on the real headless runtime.
#include <gtest/gtest.h>

#include <cmath>

#include "core/units.h"
#include "host/media.h"
#include "host/render.h"
#include "host/runtime.h"
#include "tests/golden_util.h"
#include "tests/test_support.h"

using namespace stolvane;
using stolvane::test::CompareGolden;
using stolvane::test::CountDifferentPixels;

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;

// A 16 x 16 icon: a red disc with a dark rim on a transparent background.
PictureRef MakeIcon() {
    std::vector<uint32_t> px(16 * 16, 0);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            double d = std::hypot(x - 7.5, y - 7.5);
            if (d < 6) px[y * 16 + x] = 0xFFD02020;
            else if (d < 7.5) px[y * 16 + x] = 0xFF400000;
        }
    return Picture::FromPixels(16, 16, std::move(px));
}

// The sample form: lines, labels (access key, Tahoma bold, disabled), an image, an inverting
// shape over a label, a picture box with drawing, a picture button and a check list box.
struct Sample {
    Shape* invert;
    PictureBox* box;
    Line* rule;
    ListBox* list;
};

Sample BuildSample(Form& f) {
    Sample s{};
    auto line = [&](const char* name, double x1, double y1, double x2, double y2, OleColour c) -> Line& {
        Line& l = f.Add<Line>(name);
        l.SetEnds(x1, y1, x2, y2);
        l.SetColour(c);
        return l;
    };
    auto label = [&](const char* name, double left, double top, double width, double height, const char* caption) {
        Label& l = f.Add<Label>(name);
        l.Move(left, top, width, height);
        l.SetCaption(caption);
        return &l;
    };
    line("linTop", 90, 90, 4710, 90, SysColour::ButtonShadow);
    line("linTop2", 90, 105, 4710, 105, SysColour::ButtonHighlight);
    line("linDiag", 3300, 1800, 3900, 2400, RGB(0, 0, 128));
    s.rule = &line("linThick", 150, 2550, 1950, 2550, 0);
    s.rule->SetBorderWidth(3);
    s.rule->SetColour(RGB(0, 128, 0));

    label("lblAccess", 150, 195, 1800, 225, "&Open the file && go");
    Label& bold = *label("lblBold", 150, 450, 1800, 225, "");
    bold.SetFont(*MakeFont("Tahoma", 8.25, true));
    bold.SetCaption("Tahoma Bold");
    label("lblOff", 150, 705, 1800, 225, "Disabled label")->SetEnabled(false);
    Label& wrap = *label("lblWrap", 2100, 1800, 1100, 700, "");
    wrap.SetWordWrap(true);
    wrap.SetAlignment(Alignment::Centre);
    wrap.SetFont(*MakeFont("Arial", 8.25));
    wrap.SetCaption("Words wrap inside the label");

    Image& img = f.Add<Image>("imgIcon");
    img.Move(2100, 195, 0, 0);
    img.SetPicture(MakeIcon());

    Label& under = *label("lblUnder", 150, 1005, 1800, 240, "");
    under.SetBackColour(kWhite);
    under.SetForeColour(0);
    under.SetCaption("Percentage 50%");
    s.invert = &f.Add<Shape>("shpBar");
    s.invert->Move(150, 1005, 900, 240);
    s.invert->SetFilled(true);
    s.invert->SetDrawMode(Shape::Invert);

    s.box = &f.Add<PictureBox>("picBox");
    s.box->Move(150, 1400, 1800, 900);
    s.box->SetBackColour(kWhite);
    s.box->SetBorder(true);
    s.box->FillRect(150, 150, 599, 449, RGB(0, 128, 128));
    for (int i = 0; i < 20; ++i) s.box->PSet(750 + i * 30, 300 + i * 15, RGB(255, 0, 0));

    for (auto [name, left] : {std::pair{"btnPic", 2700.0}, {"btnOff", 3400}, {"btnDown", 4100}}) {
        PictureButton& btn = f.Add<PictureButton>(name);
        btn.Move(left, 195, 600, 450);
        btn.SetPicture(MakeIcon());
        btn.SetEnabled(left != 3400);
        btn.SetPressed(left == 4100);
    }

    s.list = &f.Add<ListBox>("lstItems");
    s.list->Move(2100, 900, 1900, 800);
    for (const char* item : {"First item", "Second item", "Third"}) s.list->AddItem(item);
    s.list->SetSelected(1, true);
    s.list->SetListIndex(2);
    return s;
}

TEST(RenderLooks, SampleFormMatchesGoldenAtScaleOneAndTwoAndTheShapeInvertsEveryPixelBeneathIt) {
    Runtime rt;
    Form& f = rt.NewForm("frmTest", 4800, 2700);
    Sample s = BuildSample(f);
    FormRenderer one(rt, f, 1), two(rt, f, 2);
    const Frame after = one.Update();
    EXPECT_TRUE(CompareGolden(after, "sample_scale1"));
    EXPECT_TRUE(CompareGolden(two.RepaintAll(), "sample_scale2"));

    s.invert->SetVisible(false);
    const Frame& before = one.Update();
    int x0 = 150 / 15, y0 = 1005 / 15, x1 = 1050 / 15, y1 = 1245 / 15;
    int dark = 0;
    for (int y = 0; y < before.height; ++y)
        for (int x = 0; x < before.width; ++x) {
            bool inside = x >= x0 && x < x1 && y >= y0 && y < y1;
            uint32_t expect = inside ? before.PixelRgb(x, y) ^ kWhite : before.PixelRgb(x, y);
            ASSERT_EQ(after.PixelRgb(x, y), expect) << "at " << x << "," << y;
            if (inside && before.PixelRgb(x, y) == 0) ++dark;
        }
    EXPECT_GT(dark, 10) << "the label's text lies under the shape";
}

// Drawn right to left, a line keeps its first point and leaves out its last. (Left to right, last
// point left out and crisp at scale 1 and 2: the sample form's rules in its golden pictures.)
TEST(RenderLooks, ALineDrawnRightToLeftKeepsItsFirstPointAndLeavesOutItsLast) {
    Runtime rt;
    Form& f = rt.NewForm("f", 600, 600);
    f.SetBackColour(kWhite);
    Line& l = f.Add<Line>("l");
    l.SetColour(0);
    l.SetEnds(180, 150, 30, 150);
    FormRenderer r(rt, f, 1);
    EXPECT_EQ(r.PixelAt(180, 150), 0u);
    EXPECT_EQ(r.PixelAt(30, 150), kWhite);
}

// A position computed from a device pixel comes back to that pixel at fractional scales too.
TEST(PixelSnapping, APixelsOwnPositionLandsInThatPixelAtEveryScale) {
    for (double scale : {1.0, 1.1, 1.25, 1.5, 1.75, 2.0}) {
        for (int n = 0; n < 2000; ++n) {
            ASSERT_EQ(PixelHolding(PixelsToTwips(n, scale), scale), n) << "scale " << scale;
            ASSERT_EQ(PixelHolding(PixelsToTwips(-n, scale), scale), -n) << "scale " << scale;
        }
    }
    // Just short of the next pixel is still this one.
    EXPECT_EQ(PixelHolding(PixelsToTwips(3, 1.5) - 0.01, 1.5), 2);
}

TEST(RenderIncremental, RepaintsOnlyWhatChangedAndMatchesAFullRepaint) {
    test::RegisterProbe();
    Runtime rt;
    Form& f = rt.NewForm("f", 4800, 2700);
    Sample s = BuildSample(f);
    ControlElement& probe = rt.PlaceControl(f, "ProbeControl", "probe", -1, {3000, 2300, 1000, 300}, nullptr);
    Surface& ps = probe.GetSurface();
    ps.SetBackColour(RGB(255, 255, 192));
    Label& inner = *static_cast<Label*>(ps.Find("lblText"));

    int step = 0;
    for (double scale : {1.0, 2.0}) {
        FormRenderer r(rt, f, scale);
        r.Update();
        const int64_t all = r.LastRepaintedPixels();
        auto check = [&](const char* what) {
            const Frame& inc = r.Update();
            EXPECT_LT(r.LastRepaintedPixels(), all / 2) << what;
            FormRenderer full(rt, f, scale);
            EXPECT_EQ(CountDifferentPixels(inc, full.RepaintAll()), 0) << what << " at scale " << scale;
            ++step;
        };
        s.rule->SetEnds(300, 2400 + step * 15, 1800, 2400 + step * 15);
        check("thick line moved");
        s.box->PSet(1500, 600, RGB(0, 0, 255));
        s.box->FillRect(300, 600, 600, 750, SysColour::ActiveTitle);
        check("picture box drawing");
        s.list->SetSelected(2, !s.list->Selected(2));
        s.list->SetListIndex(0);
        check("list box");
        inner.SetCaption("Inside " + std::to_string(step));
        check("label inside an embedded control");
        ps.SetLeft(ps.Left() - 60);
        check("embedded control moved");
        r.Update();
        EXPECT_EQ(r.LastRepaintedPixels(), 0) << "nothing changed";
    }
}

// Text drawn again (a repaint, a colour change) comes from a mask of its glyphs kept with its
// layout on an aliased frame; it must give the pixels its first drawing, glyph by glyph, gave.
// The captions are this test's own, so their layouts are drawn here first.
TEST(RenderLooks, TextDrawnAgainFromItsKeptGlyphsGivesThePixelsOfItsFirstDrawing) {
    Runtime rt;
    Form& f = rt.NewForm("f", 4800, 2700);
    const char* captions[] = {"Middle, centred (kept)", "&Open the file && go (kept)", "Wij gaan (kept) fjord",
                              "Tahoma Bold (kept)", "Words wrap inside (kept) the label"};
    const char* fonts[] = {"MS Sans Serif", "Tahoma", "Arial", "Tahoma", "Verdana"};
    for (int i = 0; i < 5; ++i) {
        Label& l = f.Add<Label>("lbl" + std::to_string(i));
        l.Move(i == 0 ? -45 : 150 + i * 30, 150 + i * 450, 2400, i == 4 ? 700 : 300);
        l.SetFont(*MakeFont(fonts[i], 8.25 + i, i == 3));
        l.SetWordWrap(i == 4);
        l.SetAlignment(i % 2 ? Alignment::Left : Alignment::Right);
        l.SetCaption(captions[i]);
        l.SetBackColour(RGB(255, 255, 224));
    }
    for (double scale : {1.0, 1.25, 2.0}) {
        FormRenderer r(rt, f, scale);
        const Frame first = r.RepaintAll();
        const Frame& again = r.RepaintAll();
        EXPECT_EQ(CountDifferentPixels(first, again), 0) << "scale " << scale;
        auto label = [&](int i) { return static_cast<Label*>(f.Find("lbl" + std::to_string(i))); };
        const OleColour fore = label(0)->ForeColour();
        for (int i = 0; i < 5; ++i) label(i)->SetForeColour(RGB(0, 0, 160));
        r.Update();
        for (int i = 0; i < 5; ++i) label(i)->SetForeColour(fore);
        EXPECT_EQ(CountDifferentPixels(first, r.Update()), 0) << "a colour change and back, scale " << scale;
    }
}

// A frame is whole pixels, at least one: its last row shows what lies just past the bottom of a
// form whose height is no whole number of pixels, or 0. A change there is repainted too.
TEST(RenderIncremental, TheLastPixelRowPastTheFormsEdgeIsRepaintedToo) {
    Runtime rt;
    for (double height : {20.0, 0.0}) {
        Form& f = rt.NewForm("f" + std::to_string(int(height)), 600, height);
        Shape& s = f.Add<Shape>("shp");
        s.Move(0, height + 2, 600, 300);  // its top edge lies past the form's bottom edge
        rt.ShowForm(f);
        FormRenderer r(rt, f, 1);
        r.Update();
        s.SetBorderColour(RGB(255, 0, 0));
        const Frame& inc = r.Update();
        EXPECT_EQ(inc.PixelRgb(20, inc.height - 1), RGB(255, 0, 0)) << "height " << height;
        EXPECT_EQ(CountDifferentPixels(inc, FormRenderer(rt, f, 1).RepaintAll()), 0) << "height " << height;
    }
}

// What a later control covers entirely is left out of the frame; a pixel column left shows.
TEST(RenderCovered, WhatALaterControlCoversEntirelyIsLeftOutAndWhatShowsOfItIsPainted) {
    test::RegisterProbe();
    Runtime rt;
    Form& f = rt.NewForm("f", 3000, 1500);
    Label& under = f.Add<Label>("lblUnder");  // lightweight: painted before every control
    under.Move(300, 750, 900, 300);
    under.SetBackColour(RGB(0, 255, 0));
    auto probe = [&](const char* name, const Rect& r, OleColour back) -> Surface& {
        Surface& s = rt.PlaceControl(f, "ProbeControl", name, -1, r, nullptr).GetSurface();
        s.SetBackColour(back);
        return s;
    };
    Surface& low = probe("low", {150, 150, 1500, 1050}, RGB(255, 0, 0));
    // Covers all of `low` but its leftmost pixel column (15 twips; 2 device pixels at scale 2).
    Surface& high = probe("high", {165, 150, 1500, 1050}, RGB(0, 0, 255));
    rt.ShowForm(f);
    for (double scale : {1.0, 2.0}) {
        auto at = [&](const Frame& fr, double x, double y) {
            return fr.PixelRgb(static_cast<int>(x / 15 * scale), static_cast<int>(y / 15 * scale));
        };
        FormRenderer r(rt, f, scale);
        const Frame& whole = r.RepaintAll();
        EXPECT_EQ(at(whole, 150, 900), RGB(255, 0, 0)) << "the column left uncovered, scale " << scale;
        auto same = [&](const char* what) {
            const Frame& inc = r.Update();
            FormRenderer full(rt, f, scale);
            EXPECT_EQ(CountDifferentPixels(inc, full.RepaintAll()), 0) << what << " at scale " << scale;
            return &inc;
        };
        high.SetLeft(150);
        EXPECT_EQ(at(*same("covered entirely"), 150, 900), RGB(0, 0, 255));
        high.SetVisible(false);
        EXPECT_EQ(at(*same("uncovered"), 600, 900), RGB(255, 0, 0));
        low.SetVisible(false);
        EXPECT_EQ(at(*same("the label beneath both"), 600, 900), RGB(0, 255, 0));
        low.SetVisible(true);
        high.SetVisible(true);
        high.SetLeft(165);
        same("as it was");
    }
}

TEST(Measure, TextSizesArePlausibleAndFollowTheFont) {
    Font tahoma = *MakeFont("Tahoma", 8.25);
    Rect line = MeasureTextTwips(tahoma, "Tolvane Label", 0);
    EXPECT_EQ(line.height, 195) << "Tahoma 8.25 pt: the VDMX entry for 11 px, 11 above and 2 below the baseline";
    EXPECT_EQ(std::fmod(line.width, 15), 0) << "sizes are whole pixels";

    const Rect empty = MeasureTextTwips(tahoma, "", 0);
    EXPECT_EQ(std::pair(empty.width, empty.height), std::pair(0.0, line.height));
    EXPECT_EQ(MeasureTextTwips(tahoma, "&Tolvane Label", 0).width, line.width) << "the access-key marker takes no room";

    Rect wrapped = MeasureTextTwips(tahoma, "one two three four five six seven", 900);
    EXPECT_GE(wrapped.height, 3 * line.height);
    EXPECT_LE(wrapped.width, 900);

    Font bold = tahoma;
    bold.bold = true;
    EXPECT_GT(MeasureTextTwips(bold, "Tolvane Label", 0).width, line.width);
    // The VDMX entries where they differ from the rounded font-wide ascent and descent (13 px:
    // 13 + 3, 16 px: 17 + 4), and a face without VDMX: Liberation Sans at 11 px, winAscent 1854
    // and winDescent 434 of 2048.
    for (auto [font, text, height] : {std::tuple{bold, "Tolvane Label", 195}, {*MakeFont("Tahoma", 9.75), "Tolvane", 16 * 15},
                                      {*MakeFont("Tahoma", 12), "Tolvane", 21 * 15}, {*MakeFont("Arial", 8.25), "Tolvane", 12 * 15},
                                      {tahoma, "one\ntwo\nthree", 3 * 195}})
        EXPECT_EQ(MeasureTextTwips(font, text, 0).height, height) << font.name << " " << font.size << " " << text;
    // Text that is not UTF-8 is read as Windows-1252 rather than dropped.
    EXPECT_GT(MeasureTextTwips(tahoma, "caf\xe9", 0).width, MeasureTextTwips(tahoma, "caf", 0).width);
}

TEST(PictureEncoding, DrawingPicturesAreRenderedAtScaleOne) {
    Runtime rt;
    Form& f = rt.NewForm("f", 600, 600);
    PictureBox& box = f.Add<PictureBox>("pic");
    box.Move(0, 0, 150, 90);
    box.SetBackColour(kWhite);
    box.PSet(30, 15, RGB(255, 0, 0));
    PictureRef p = DecodePicture(EncodePng(*box.PersistentImage()), "m");
    ASSERT_EQ(p->PixelWidth(), 10);
    ASSERT_EQ(p->PixelHeight(), 6);
    EXPECT_EQ(p->PixelAt(2, 1), 0xFFFF0000u);
    EXPECT_EQ(p->PixelAt(3, 1), 0xFFFFFFFFu);
}

}  // namespace
