// SPDX-License-Identifier: MIT
// Costs of the shared drawing routines the panel and the caption bar run on every repaint.
#include <benchmark/benchmark.h>

#include "core/routines.h"
#include "host/runtime.h"

using namespace stolvane;

// A full 256-band gradient into a picture box, as the panel paints its canvas.
static void BM_GradientTopBottom3840(benchmark::State& state) {
    Runtime rt;
    Form& f = rt.NewForm("f", 6000, 6000);
    PictureBox& canvas = f.Add<PictureBox>("canvas");
    canvas.Move(0, 0, 6000, 3840);
    for (auto _ : state) {
        canvas.Cls();
        OleColour c1 = SysColour::ActiveTitle, c2 = RGB(255, 255, 255);
        GradientTopBottom(canvas, c1, c2, 0, 0, 6000, 3840);
        benchmark::DoNotOptimize(c2);
    }
}
BENCHMARK(BM_GradientTopBottom3840);

// Fitting a tall picture into the largest box: the one-twip search would take over 30000 steps.
static void BM_FitImageLargeMaxima(benchmark::State& state) {
    Runtime rt;
    Form& f = rt.NewForm("f", 6000, 6000);
    Image& img = f.Add<Image>("img");
    img.SetStretch(true);
    for (auto _ : state) {
        img.Move(0, 0, 15, 30000);
        int16_t mw = 1, mh = 32767;
        FitImage(img, mw, mh);
        benchmark::DoNotOptimize(mh);
    }
}
BENCHMARK(BM_FitImageLargeMaxima);
