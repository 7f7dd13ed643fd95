// SPDX-License-Identifier: MIT
// Costs of painting a form: a full repaint of a busy form against the incremental update after
// one label changed colour, which repaints only that label's pixels.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_measure.h"
#include "host/render.h"
#include "host/runtime.h"

using namespace stolvane;

namespace {

// A 640 x 480 form with about fifty elements of every drawn kind.
Label* BuildBusyForm(Form& f) {
    Label* first = nullptr;
    for (int i = 0; i < 20; ++i) {
        Label& l = f.Add<Label>("lbl", i);
        l.Move(150 + (i % 2) * 4500, 150 + (i / 2) * 330, 4200, 240);
        l.SetCaption("&Label number " + std::to_string(i) + " with some text");
        if (!first) first = &l;
    }
    for (int i = 0; i < 15; ++i) {
        Line& l = f.Add<Line>("lin", i);
        l.SetEnds(0, 3600 + i * 60, 9600, 3600 + i * 60);
        l.SetColour(i % 2 ? SysColour::ButtonShadow : SysColour::ButtonHighlight);
    }
    std::vector<uint32_t> px(32 * 32, 0xFF2060A0);
    PictureRef icon = Picture::FromPixels(32, 32, std::move(px));
    for (int i = 0; i < 6; ++i) {
        Image& img = f.Add<Image>("img", i);
        img.Move(150 + i * 600, 4800, 0, 0);
        img.SetPicture(icon);
    }
    for (int i = 0; i < 4; ++i) {
        Shape& s = f.Add<Shape>("shp", i);
        s.Move(150 + i * 1200, 5500, 1000, 300);
        s.SetFilled(true);
        s.SetFillColour(RGB(0, 0, 128));
        if (i == 3) s.SetDrawMode(Shape::Invert);
    }
    for (int i = 0; i < 3; ++i) {
        PictureBox& b = f.Add<PictureBox>("pic", i);
        b.Move(5000 + i * 1500, 4800, 1350, 1200);
        b.SetBorder(true);
        b.FillRect(0, 0, 600, 600, RGB(0, 128, 128));
    }
    ListBox& list = f.Add<ListBox>("lst");
    list.Move(150, 6000, 4000, 1000);
    for (int i = 0; i < 5; ++i) list.AddItem("Item " + std::to_string(i));
    PictureButton& btn = f.Add<PictureButton>("btn");
    btn.Move(5000, 6200, 900, 600);
    btn.SetPicture(icon);
    return first;
}

void BM_FullRepaint50Elements(benchmark::State& state) {
    Runtime rt;
    Form& f = rt.NewForm("f", 9600, 7200);
    BuildBusyForm(f);
    FormRenderer r(rt, f, 1);
    for (auto _ : state) benchmark::DoNotOptimize(r.RepaintAll().data.data());
    state.counters["pixels"] = static_cast<double>(r.LastRepaintedPixels());
    // Against a plain cairo paint of a frame of the same size, measured here as well.
    double full = bench::MinPerCall([&] { benchmark::DoNotOptimize(r.RepaintAll().data.data()); }, 15, 10);
    bench::RawFill raw(r.RepaintAll().width, r.RepaintAll().height);
    double paint = raw.SecondsToPaint();
    state.counters["full_us"] = full * 1e6;
    state.counters["paint_us"] = paint * 1e6;
    state.counters["x_paint"] = full / paint;
}
BENCHMARK(BM_FullRepaint50Elements)->Unit(benchmark::kMicrosecond);

void BM_IncrementalLabelColour(benchmark::State& state) {
    Runtime rt;
    Form& f = rt.NewForm("f", 9600, 7200);
    Label* label = BuildBusyForm(f);
    FormRenderer r(rt, f, 1);
    r.Update();
    bool red = false;
    for (auto _ : state) {
        red = !red;
        label->SetForeColour(red ? RGB(255, 0, 0) : RGB(0, 0, 0));
        benchmark::DoNotOptimize(r.Update().data.data());
    }
    state.counters["pixels"] = static_cast<double>(r.LastRepaintedPixels());
}
BENCHMARK(BM_IncrementalLabelColour)->Unit(benchmark::kMicrosecond);

}  // namespace
