// SPDX-License-Identifier: MIT
// Costs of a form of many intrinsic elements: loading a form text of n `Label` elements, at
// 500, 5 000 and 50 000. Each label placed used to look through every element placed before it
// (50 000 took 54 s); the cost per label should stay the same as n grows.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_measure.h"
#include "host/form_file.h"
#include "host/runtime.h"

using namespace stolvane;

namespace {

std::string LabelElements(int n) {
    std::string text = "{\"name\":\"frmMany\",\"controls\":[";
    for (int i = 0; i < n; ++i)
        text += (i ? ",\n" : "") + std::string("{\"name\":\"lbl") + std::to_string(i) +
                "\",\"class\":\"Label\",\"left\":" + std::to_string(i % 600 * 15) + ",\"caption\":\"x\"}";
    return text + "]}";
}

void BM_LoadLabelElementsGrowth(benchmark::State& state) {
    const int counts[] = {500, 5000, 50000};
    double load[3] = {};
    for (auto _ : state) {
        for (int k = 0; k < 3; ++k) {
            std::string text = LabelElements(counts[k]);
            load[k] = bench::MinPerCall(
                [&] {
                    Runtime rt;
                    benchmark::DoNotOptimize(&LoadFormText(rt, text, "", "many.json"));
                },
                counts[k] >= 50000 ? 2 : 5, 1);
        }
    }
    for (int k = 0; k < 3; ++k) state.counters["load_ms_" + std::to_string(counts[k])] = load[k] * 1e3;
    // Per label, against 5 000 labels: 1 when the cost is linear. (500 labels fit the caches,
    // and cost less per label for that alone.)
    state.counters["per_label_x_50000"] = load[2] / load[1] / 10;
}
BENCHMARK(BM_LoadLabelElementsGrowth)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
