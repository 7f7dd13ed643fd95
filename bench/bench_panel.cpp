// SPDX-License-Identifier: MIT
// Costs of a progress bar: one step of a 640 x 48 status-bar panel's Percentage (with a
// gradient background and a caption) repaints only the strip of the bar that changed, against
// a full repaint of that panel.
#include <benchmark/benchmark.h>

#include "controls/panel/tolvanepanel.h"
#include "host/render.h"
#include "host/runtime.h"

using namespace stolvane;

namespace {

struct StatusBar {
    Runtime rt;
    Form& form = rt.NewForm("f", 9600, 720);
    TolvanePanel& panel = rt.Place<TolvanePanel>(form, "pnlStatus", {0, 0, 9600, 720});
    StatusBar() {
        form.SetFont(MakeFont("Tahoma", 8.25));
        panel.SetFont(MakeFont("Tahoma", 8.25));
        panel.SetGrad_Top(RGB(255, 255, 255));
        panel.SetGrad_Bot(RGB(0, 64, 160));
        panel.SetCaption("Copying files, please wait...");
        panel.SetGrip(True);
        rt.ShowForm(form);
    }
};

void BM_PanelPercentageStep(benchmark::State& state) {
    StatusBar bar;
    FormRenderer r(bar.rt, bar.form, 1);
    r.Update();
    int16_t percent = 0;
    for (auto _ : state) {
        percent = static_cast<int16_t>(percent % 100 + 1);
        bar.panel.SetPercentage(percent);
        benchmark::DoNotOptimize(r.Update().data.data());
    }
    state.counters["pixels"] = static_cast<double>(r.LastRepaintedPixels());
}
BENCHMARK(BM_PanelPercentageStep)->Unit(benchmark::kMicrosecond);

void BM_PanelFullRepaint(benchmark::State& state) {
    StatusBar bar;
    bar.panel.SetPercentage(50);
    FormRenderer r(bar.rt, bar.form, 1);
    for (auto _ : state) benchmark::DoNotOptimize(r.RepaintAll().data.data());
    state.counters["pixels"] = static_cast<double>(r.LastRepaintedPixels());
}
BENCHMARK(BM_PanelFullRepaint)->Unit(benchmark::kMicrosecond);

}  // namespace
