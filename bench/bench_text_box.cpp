// SPDX-License-Identifier: MIT
// Typing into a long multi-line text box: one character typed at the end of a 10 000-character
// text repaints only the lines it changed, against a full repaint of the box.
#include <benchmark/benchmark.h>

#include <string>

#include "core/text_box.h"
#include "host/render.h"
#include "host/runtime.h"

using namespace stolvane;

namespace {

struct LongText {
    Runtime rt;
    Form& form = rt.NewForm("f", 9600, 7200);
    TextBox& box = static_cast<TextBox&>(rt.PlaceElement(form, ElementKind::TextBox, "txtLong", -1));
    LongText() {
        box.Move(0, 0, 9600, 7200);
        box.SetMultiLine(true);
        box.SetScrollBars(TextBox::Vertical);
        std::string text;
        while (text.size() < 10000) text += "The quick brown fox jumps over the lazy dog. ";
        text.resize(10000);
        box.SetText(text);
        rt.ShowForm(form);
        rt.FocusTextBox(box);
        box.Edit().MoveCaret(TextEdit::Move::TextEnd, false);
        rt.TypeText("x");  // scrolls to the end
    }
};

// Each iteration types a character at the end (a word of five, then a space, so wrapping
// happens now and then) and brings the frame up to date; the counters give the pixels
// repainted and the ratio against repainting the whole box.
void BM_TypeAtEndOfLongText(benchmark::State& state) {
    LongText t;
    FormRenderer r(t.rt, t.form, 1);
    r.Update();
    int64_t pixels = 0, n = 0;
    for (auto _ : state) {
        t.rt.TypeText(n % 6 == 5 ? " " : "a");
        benchmark::DoNotOptimize(r.Update().data.data());
        pixels += r.LastRepaintedPixels();
        ++n;
    }
    r.RepaintAll();
    const double full = static_cast<double>(r.LastRepaintedPixels());
    state.counters["pixels"] = n ? static_cast<double>(pixels) / n : 0;
    state.counters["x_full"] = n && full > 0 ? (static_cast<double>(pixels) / n) / full : 0;
}
BENCHMARK(BM_TypeAtEndOfLongText)->Unit(benchmark::kMicrosecond)->Iterations(200);

void BM_FullRepaintOfLongText(benchmark::State& state) {
    LongText t;
    FormRenderer r(t.rt, t.form, 1);
    for (auto _ : state) benchmark::DoNotOptimize(r.RepaintAll().data.data());
    state.counters["pixels"] = static_cast<double>(r.LastRepaintedPixels());
}
BENCHMARK(BM_FullRepaintOfLongText)->Unit(benchmark::kMicrosecond);

}  // namespace
