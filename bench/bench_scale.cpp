// SPDX-License-Identifier: MIT
// The runtime's costs at scale, each reported as a ratio measured in this same run (see
// bench/README.md): a label's hover fade step against a raw cairo fill of the pixels it
// repaints, an update and a mouse move on forms of 100, 1 000 and 10 000 controls against the
// same on 100, loading and placing 10 000 labels, the fade after many hovers against the first,
// and a full repaint of a busy form against a cairo paint of the frame.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "bench/bench_measure.h"
#include "controls/label/tolvanelabel.h"
#include "host/form_file.h"
#include "host/render.h"
#include "host/runtime.h"
#include "host/text_layouts.h"

#include <pango/pangocairo.h>

using namespace stolvane;
using namespace stolvane::bench;

namespace {

constexpr double kFormWidth = 9600, kFormHeight = 7200;  // 640 x 480 pixels
constexpr double kCellWidth = 1200, kCellHeight = 300;   // one label per cell, eight a row
constexpr int kColumns = 8;

Rect Cell(int i) {
    return {60 + (i % kColumns) * kCellWidth, 60 + (i / kColumns) * kCellHeight, kCellWidth - 120, 210};
}

// A 640 x 480 form of n TolvaneLabels in rows of eight; the rows beyond the form's bottom edge
// stand for the far part of a large form (they exist, are laid out and hit-tested, and never show).
struct LabelForm {
    Runtime rt;
    Form& form;
    std::vector<TolvaneLabel*> labels;
    explicit LabelForm(int n) : form(rt.NewForm("frmBig", kFormWidth, kFormHeight)) {
        form.SetFont(MakeFont("Tahoma", 8.25));
        labels.reserve(n);
        for (int i = 0; i < n; ++i) {
            auto& l = rt.Place<TolvaneLabel>(form, "lbl", Cell(i), i);
            l.SetCaption("Label " + std::to_string(i));
            labels.push_back(&l);
        }
        rt.ShowForm(form);
    }
};

// A point of the form between two labels: no control there, only the form.
constexpr double kGapX = 60 + 3 * kCellWidth - 40, kGapY = 60 + 5 * kCellHeight + 100;

// One fade step: the timer tick, then the incremental update it causes. Forty other labels
// share the form: clear of the fading one, or (overlapped) in rows it crosses, so that its
// repaint redraws the text of those under it too.
struct FadeRig {
    Runtime rt;
    Form& form;
    TolvaneLabel& label;
    FormRenderer renderer;
    explicit FadeRig(bool overlapped = true)
        : form(rt.NewForm("frmFade", kFormWidth, kFormHeight)),
          label(rt.Place<TolvaneLabel>(form, "lblLink", {600, 600, 4500, 210})),
          renderer(rt, form, 1) {
        form.SetFont(MakeFont("Tahoma", 8.25));
        label.SetCaption("Visit the home page of the project");
        label.SetColourUp(RGB(255, 0, 0));
        // Row 2 (from 660 twips down) lies under the label; row 4 (from 1260) is clear of it.
        const int firstCell = overlapped ? 16 : 32;
        for (int i = 0; i < 40; ++i) {
            auto& other = rt.Place<TolvaneLabel>(form, "lbl", Cell(i + firstCell), i);
            other.SetCaption("Other label " + std::to_string(i));
        }
        rt.ShowForm(form);
        renderer.RepaintAll();
    }
    // Pointer in, the preparing tick; then steps() runs the colour steps.
    void Enter() {
        rt.Mouse(form, MouseAction::Move, 700, 650, 0, 0);
        rt.Advance(TolvaneLabel::kFadeInterval);
        renderer.Update();
    }
    void Leave() {
        rt.Mouse(form, MouseAction::Move, 100, 7000, 0, 0);
        renderer.Update();
    }
    void Step() {
        rt.Advance(TolvaneLabel::kFadeInterval);
        renderer.Update();
    }
    // The fastest colour step over several hovers, in seconds; and of its two halves, the
    // tick (the control's work and the dirty area) and the update (the painting).
    double bestTick = 1e30, bestUpdate = 1e30;
    double MinStepSeconds(int hovers) {
        double best = 1e30;
        for (int h = 0; h < hovers; ++h) {
            Enter();
            for (int s = 0; s < TolvaneLabel::kFadeSteps; ++s) {
                double t0 = NowSeconds();
                rt.Advance(TolvaneLabel::kFadeInterval);
                double t1 = NowSeconds();
                renderer.Update();
                double t2 = NowSeconds();
                best = std::min(best, t2 - t0);
                bestTick = std::min(bestTick, t1 - t0);
                bestUpdate = std::min(bestUpdate, t2 - t1);
            }
            Leave();
        }
        return best;
    }
};

void Report(benchmark::State& state, const char* name, double value) { state.counters[name] = value; }

// The least hand-written cairo code that puts the fade step's pixels on the frame: a context
// made, the repainted rectangles filled with the label's back colour, the caption's glyphs
// (positioned once, beforehand, from the same layout the renderer draws) shown in the step's
// colour in the font cairo already holds, the context destroyed. No clip, no state saved.
class GlyphFloor {
public:
    GlyphFloor(int width, int height, const TextLayout& text, int x, int y)
        : m_surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(1, width), std::max(1, height))) {
        PangoLayoutIter* it = pango_layout_get_iter(text.layout);
        do {
            PangoLayoutRun* run = pango_layout_iter_get_run_readonly(it);
            if (!run) continue;
            PangoRectangle logical;
            pango_layout_iter_get_run_extents(it, nullptr, &logical);
            Run r;
            r.font = cairo_scaled_font_reference(pango_cairo_font_get_scaled_font(PANGO_CAIRO_FONT(run->item->analysis.font)));
            int advance = 0;
            for (int i = 0; i < run->glyphs->num_glyphs; ++i) {
                const PangoGlyphInfo& g = run->glyphs->glyphs[i];
                if (g.glyph != PANGO_GLYPH_EMPTY && !(g.glyph & PANGO_GLYPH_UNKNOWN_FLAG))
                    r.glyphs.push_back({g.glyph, x + (logical.x + advance + g.geometry.x_offset) / double(PANGO_SCALE),
                                        y + text.line.ascent + g.geometry.y_offset / double(PANGO_SCALE)});
                advance += g.geometry.width;
            }
            m_runs.push_back(std::move(r));
        } while (pango_layout_iter_next_run(it));
        pango_layout_iter_free(it);
    }
    ~GlyphFloor() {
        for (Run& r : m_runs) cairo_scaled_font_destroy(r.font);
        cairo_surface_destroy(m_surface);
    }
    GlyphFloor(const GlyphFloor&) = delete;
    GlyphFloor& operator=(const GlyphFloor&) = delete;

    void Draw(const std::vector<PixelRect>& rects, double grey) {
        cairo_t* cr = cairo_create(m_surface);
        cairo_set_source_rgb(cr, 0.83, 0.82, 0.78);
        for (const PixelRect& r : rects) cairo_rectangle(cr, r.x, r.y, r.width, r.height);
        cairo_fill(cr);
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
        cairo_set_source_rgb(cr, grey, 0, 0);
        for (const Run& r : m_runs) {
            cairo_set_scaled_font(cr, r.font);
            cairo_show_glyphs(cr, r.glyphs.data(), static_cast<int>(r.glyphs.size()));
        }
        cairo_destroy(cr);
    }
    double SecondsToDraw(const std::vector<PixelRect>& rects) {
        int step = 0;
        return MinPerCall([&] { Draw(rects, (++step % 10) / 10.0); }, 25, 50);
    }

private:
    struct Run {
        cairo_scaled_font_t* font = nullptr;
        std::vector<cairo_glyph_t> glyphs;
    };
    cairo_surface_t* m_surface;
    std::vector<Run> m_runs;
};

// One hover fade step of a label against a raw cairo fill of the very pixels it repainted, and
// against the hand-written cairo code for the same pixels (GlyphFloor; the clear label only,
// whose repaint draws no other text): the label clear of the others (argument 0), and under
// five of them (1).
void BM_FadeStepVsFill(benchmark::State& state) {
    FadeRig rig(state.range(0) != 0);
    state.SetLabel(state.range(0) ? "overlapped" : "clear");
    rig.Enter();
    rig.Step();
    std::vector<PixelRect> area = rig.renderer.LastRepaintedArea();
    int64_t pixels = rig.renderer.LastRepaintedPixels();
    rig.Leave();
    double step = 1e30;
    for (auto _ : state) step = std::min(step, rig.MinStepSeconds(40));
    const int width = rig.renderer.Update().width, height = rig.renderer.Update().height;
    RawFill fill(width, height);
    double raw = fill.SecondsToFill(area);
    Report(state, "pixels", static_cast<double>(pixels));
    Report(state, "step_us", step * 1e6);
    Report(state, "tick_us", rig.bestTick * 1e6);
    Report(state, "update_us", rig.bestUpdate * 1e6);
    Report(state, "fill_us", raw * 1e6);
    Report(state, "x_fill", step / raw);
    if (state.range(0) == 0) {
        // The caption as the label draws it: its font, left-aligned at the label's top left.
        TextLayoutRef text = SharedTextLayout(*rig.label.HeldFont(), rig.label.Caption(), true);
        GlyphFloor floor(width, height, *text, PixelHolding(rig.label.GetSurface().Left()),
                         PixelHolding(rig.label.GetSurface().Top()));
        double glyphs = floor.SecondsToDraw(area);
        Report(state, "floor_us", glyphs * 1e6);
        Report(state, "x_floor", step / glyphs);
    }
}
BENCHMARK(BM_FadeStepVsFill)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

// A fade step after the label has been hovered 1 000 times, against the same step the first time.
void BM_FadeAfterManyHovers(benchmark::State& state) {
    FadeRig rig;
    double first = rig.MinStepSeconds(5);
    for (auto _ : state) {
        for (int h = 0; h < 1000; ++h) {
            rig.rt.Mouse(rig.form, MouseAction::Move, 700, 650, 0, 0);
            rig.rt.Advance(TolvaneLabel::kFadeInterval);
            rig.rt.Mouse(rig.form, MouseAction::Move, 100, 7000, 0, 0);
        }
        rig.renderer.Update();
    }
    double later = rig.MinStepSeconds(5);
    Report(state, "first_us", first * 1e6);
    Report(state, "after_1000_us", later * 1e6);
    Report(state, "x_first", later / first);
    Report(state, "drawing_ops", static_cast<double>(rig.label.GetSurface().GetDrawing().Ops().size()));
}
BENCHMARK(BM_FadeAfterManyHovers)->Unit(benchmark::kMillisecond)->Iterations(1);

// The incremental update after one label's colour change and one mouse move over an empty part
// of the form, at 100, 1 000 and 10 000 controls, each against the same on 100 controls.
void BM_UpdateAndMoveGrowth(benchmark::State& state) {
    const int counts[] = {100, 1000, 10000};
    double update[3] = {}, move[3] = {};
    for (auto _ : state) {
        for (int k = 0; k < 3; ++k) {
            LabelForm f(counts[k]);
            FormRenderer r(f.rt, f.form, 1);
            r.Update();
            bool red = false;
            TolvaneLabel& l = *f.labels[9];
            update[k] = MinPerCall([&] {
                red = !red;
                l.SetColour(red ? RGB(255, 0, 0) : RGB(0, 0, 0));
                benchmark::DoNotOptimize(r.Update().data.data());
            });
            bool left = false;
            move[k] = MinPerCall(
                [&] {
                    left = !left;
                    f.rt.Mouse(f.form, MouseAction::Move, kGapX + (left ? 0 : 15), kGapY, 0, 0);
                },
                15, 200);
        }
    }
    for (int k = 0; k < 3; ++k) {
        std::string n = std::to_string(counts[k]);
        Report(state, ("update_us_" + n).c_str(), update[k] * 1e6);
        Report(state, ("move_us_" + n).c_str(), move[k] * 1e6);
    }
    Report(state, "update_x_1000", update[1] / update[0]);
    Report(state, "update_x_10000", update[2] / update[0]);
    Report(state, "move_x_1000", move[1] / move[0]);
    Report(state, "move_x_10000", move[2] / move[0]);
}
BENCHMARK(BM_UpdateAndMoveGrowth)->Unit(benchmark::kMillisecond)->Iterations(1);

// Placing n TolvaneLabels from code (array members "lbl(i)"), and loading and fully rendering a
// form file of n TolvaneLabels, as `stolvane render` does; at 100, 1 000 and 10 000.
std::string LabelFormFile(const std::filesystem::path& dir, int n) {
    std::string path = (dir / ("labels_" + std::to_string(n) + ".json")).string();
    std::ofstream out(path);
    out << R"({"name": "frmBig", "caption": "Labels", "width": 9600, "height": 7200,)"
        << R"( "font": {"Name": "Tahoma", "Size": 8.25}, "controls": [)";
    for (int i = 0; i < n; ++i) {
        Rect c = Cell(i);
        out << (i ? ",\n" : "\n") << "{\"name\": \"lbl(" << i << ")\", \"class\": \"TolvaneLabel\", \"left\": "
            << c.left << ", \"top\": " << c.top << ", \"width\": " << c.width << ", \"height\": " << c.height
            << ", \"properties\": {\"Caption\": \"Label " << i << "\"}}";
    }
    out << "]}\n";
    return path;
}

void BM_PlaceAndLoadGrowth(benchmark::State& state) {
    const int counts[] = {100, 1000, 10000};
    double place[3] = {}, load[3] = {};
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("stolvane_bench_" + std::to_string(static_cast<long>(::getpid())));
    std::filesystem::create_directories(dir);
    for (auto _ : state) {
        for (int k = 0; k < 3; ++k) {
            int n = counts[k];
            int runs = n >= 10000 ? 2 : 5;
            place[k] = MinPerCall([&] { LabelForm f(n); }, runs, 1);
            std::string path = LabelFormFile(dir, n);
            load[k] = MinPerCall(
                [&] {
                    Runtime rt;
                    Form& form = LoadFormFile(rt, path);
                    FormRenderer r(rt, form, 1);
                    benchmark::DoNotOptimize(r.RepaintAll().data.data());
                },
                runs, 1);
        }
    }
    std::filesystem::remove_all(dir);
    for (int k = 0; k < 3; ++k) {
        std::string n = std::to_string(counts[k]);
        Report(state, ("place_ms_" + n).c_str(), place[k] * 1e3);
        Report(state, ("load_render_ms_" + n).c_str(), load[k] * 1e3);
    }
    // Per control, against 100 controls: 1 when the cost is linear.
    Report(state, "place_per_ctl_x_10000", place[2] / place[0] / 100);
    Report(state, "load_per_ctl_x_10000", load[2] / load[0] / 100);
}
BENCHMARK(BM_PlaceAndLoadGrowth)->Unit(benchmark::kMillisecond)->Iterations(1);

// What one placed TolvaneLabel holds: a child process places n of them on a shown form (as
// LabelForm does) and reports its peak resident size and the heap bytes in use; the figures per
// label are the differences between 100 000 and 1 000 labels, divided by the 99 000 between.
// A process of its own for each count, since a peak only grows.
struct MemoryAt {
    double peakKb = 0;     // peak resident set size
    double heapBytes = 0;  // malloc's bytes in use
};

MemoryAt MemoryWithLabels(int n) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return {};
    // The child starts with this process's resident pages. Memory an earlier benchmark freed
    // stays resident in malloc's arenas unless handed back: the child would place its labels in
    // it and its peak would not grow with them.
    malloc_trim(0);
    const pid_t child = fork();
    if (child == 0) {
        close(pipeFds[0]);
        double heap = 0;
        {
            LabelForm f(n);
            benchmark::DoNotOptimize(f.labels.data());
            heap = static_cast<double>(mallinfo2().uordblks);
            if (write(pipeFds[1], &heap, sizeof heap) != sizeof heap) _exit(1);
            _exit(0);  // the peak is taken; tearing down would only cost time
        }
    }
    close(pipeFds[1]);
    MemoryAt m;
    if (read(pipeFds[0], &m.heapBytes, sizeof m.heapBytes) != sizeof m.heapBytes) m.heapBytes = 0;
    close(pipeFds[0]);
    int status = 0;
    rusage usage{};
    if (child > 0 && wait4(child, &status, 0, &usage) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0)
        m.peakKb = static_cast<double>(usage.ru_maxrss);
    return m;
}

void BM_MemoryPerLabel(benchmark::State& state) {
    MemoryAt few, many;
    for (auto _ : state) {
        few = MemoryWithLabels(1000);
        many = MemoryWithLabels(100000);
    }
    if (few.peakKb == 0 || many.peakKb == 0) {
        state.SkipWithError("a child process placing the labels failed");
        return;
    }
    Report(state, "peak_mb_1000", few.peakKb / 1024);
    Report(state, "peak_mb_100000", many.peakKb / 1024);
    Report(state, "rss_kb_per_label", (many.peakKb - few.peakKb) / 99000);
    Report(state, "heap_kb_per_label", (many.heapBytes - few.heapBytes) / 99000 / 1024);
}
BENCHMARK(BM_MemoryPerLabel)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
