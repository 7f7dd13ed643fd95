// SPDX-License-Identifier: MIT
// The designer's costs on a form of 1 000 controls: the form-file text it records after every
// change for undo (the chosen way: a whole snapshot per change), loading such a snapshot again
// (undo, redo, delete, paste), a move of one control with its snapshot, opening the designer's
// window on it and dragging 100 of its controls there, and the outlines that follow such a drag.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "designer/designer_form.h"
#include "designer/form_designer.h"
#include "host/render.h"
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

// The designer's window on the same form saved to a file: opening it (reading the file, building
// the window, the first picture of the form), and dragging 100 of its controls with the mouse,
// counting the pixels of the form repainted for the picture after the drag against the whole
// form's (the goals: under a second; only what moved).
struct BigFile {
    std::string path = (std::filesystem::temp_directory_path() / "stolvane-bench-designer-1000.json").string();
    BigFile() { Design().d.Save(path); }
    ~BigFile() { std::filesystem::remove(path); }
};

BigFile& File() {
    static BigFile file;
    return file;
}

void BM_DesignerOpenWindow1000(benchmark::State& state) {
    const std::string& path = File().path;
    for (auto _ : state) {
        Runtime rt;
        DesignerForm window(rt, path);
        benchmark::DoNotOptimize(window.FormPixels());
    }
}
BENCHMARK(BM_DesignerOpenWindow1000)->Unit(benchmark::kMillisecond);

void BM_DesignerDrag100Of1000(benchmark::State& state) {
    Runtime rt;
    DesignerForm window(rt, File().path);
    rt.ShowForm(window.GetForm());
    std::vector<std::string> hundred;
    for (int i = 1; i <= 100; ++i) hundred.push_back("TolvaneButton" + std::to_string(i));
    window.Designer().GetSelection().Set(hundred);
    // TolvaneButton1 pressed and dragged a step right and back, each drag one move of the hundred.
    double dx = 120;
    int64_t repainted = 0;
    for (auto _ : state) {
        const Rect at = window.Designer().FormBounds("TolvaneButton1");
        const double x = DesignerForm::kFormLeft + at.left + 60, y = DesignerForm::kFormTop + at.top + 60;
        rt.Mouse(window.GetForm(), MouseAction::Down, x, y, 1, 0);
        rt.Mouse(window.GetForm(), MouseAction::Move, x + dx, y, 1, 0);
        rt.Mouse(window.GetForm(), MouseAction::Up, x + dx, y, 1, 0);
        repainted = window.LastRepaintedPixels();
        dx = -dx;
    }
    state.counters["repainted_pixels"] = static_cast<double>(repainted);
    state.counters["repainted_share"] = static_cast<double>(repainted) / static_cast<double>(window.FormPixels());
}
BENCHMARK(BM_DesignerDrag100Of1000)->Unit(benchmark::kMillisecond);

// While the hundred are dragged, outlines follow the pointer: one move of it, counting the
// pixels of the designer's window repainted for it (the outlines' edges, old and new, and the
// status line) against the workspace's.
void BM_DesignerDragOutline100Of1000(benchmark::State& state) {
    Runtime rt;
    DesignerForm window(rt, File().path);
    Form& f = window.GetForm();
    rt.ShowForm(f);
    FormRenderer screen(rt, f, 1);
    std::vector<std::string> hundred;
    for (int i = 1; i <= 100; ++i) hundred.push_back("TolvaneButton" + std::to_string(i));
    window.Designer().GetSelection().Set(hundred);
    const Rect at = window.Designer().FormBounds("TolvaneButton1");
    const double x = DesignerForm::kFormLeft + at.left + 60, y = DesignerForm::kFormTop + at.top + 60;
    rt.Mouse(f, MouseAction::Down, x, y, 1, 0);
    screen.Update();
    double dx = 120;
    int64_t repainted = 0;
    for (auto _ : state) {
        rt.Mouse(f, MouseAction::Move, x + dx, y, 1, 0);
        screen.Update();
        repainted = screen.LastRepaintedPixels();
        dx = dx == 120 ? 240 : 120;
    }
    rt.Mouse(f, MouseAction::Up, x, y, 1, 0);
    const double workspace = (f.FindAuthored("lblWorkspace")->Bounds().width / 15) *
                             (f.FindAuthored("lblWorkspace")->Bounds().height / 15);
    state.counters["repainted_pixels"] = static_cast<double>(repainted);
    state.counters["repainted_share"] = static_cast<double>(repainted) / workspace;
}
BENCHMARK(BM_DesignerDragOutline100Of1000)->Unit(benchmark::kMillisecond);

}  // namespace
