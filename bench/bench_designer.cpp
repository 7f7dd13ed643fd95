// SPDX-License-Identifier: MIT
// The designer's costs on a form of 1 000 controls: the form-file text it records after every
// change for undo (the chosen way: a whole snapshot per change), loading such a snapshot again
// (undo, redo, delete, paste), and a move of one control with its snapshot.
#include <benchmark/benchmark.h>

#include <string>

#include "designer/form_designer.h"
#include "host/runtime.h"

using namespace stolvane;

namespace {

// A form of 1 000 buttons and labels, placed through the designer.
struct BigDesign {
    Runtime rt;
    FormDesigner d{rt};
    BigDesign() {
        d.SetProperty("", "Width", "19200");
        d.SetProperty("", "Height", "14400");
        for (int i = 0; i < 1000; ++i)
            d.Place(i % 2 ? "TolvaneLabel" : "TolvaneButton", "",
                    {120.0 + (i % 20) * 960, 120.0 + (i / 20) * 240, 840, 240});
    }
};

BigDesign& Design() {
    static BigDesign big;
    return big;
}

void BM_DesignerSnapshot1000(benchmark::State& state) {
    BigDesign& big = Design();
    size_t bytes = 0;
    for (auto _ : state) {
        std::string text = big.d.Document().Text();
        bytes = text.size();
        benchmark::DoNotOptimize(text);
    }
    state.counters["snapshot_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_DesignerSnapshot1000)->Unit(benchmark::kMillisecond);

void BM_DesignerReload1000(benchmark::State& state) {
    BigDesign& big = Design();
    const std::string text = big.d.Document().Text();
    for (auto _ : state) big.d.Document().Restore(text);
}
BENCHMARK(BM_DesignerReload1000)->Unit(benchmark::kMillisecond);

void BM_DesignerMoveOne1000(benchmark::State& state) {
    BigDesign& big = Design();
    big.d.GetSelection().Only("TolvaneButton1");
    double dx = 120;
    for (auto _ : state) {
        big.d.MoveSelection(dx, 0);
        dx = -dx;
    }
}
BENCHMARK(BM_DesignerMoveOne1000)->Unit(benchmark::kMillisecond);

}  // namespace
