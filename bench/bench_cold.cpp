// SPDX-License-Identifier: MIT
// Whole-process costs of `stolvane render`, as a user starting the command pays them: the
// process's own CPU (user and system, from the kernel's account of the finished child), so that
// other work on the machine adds little. Beside them, the same loads warm, in this process.
//
// BM_ColdRenderOneLabelVsFloor: a form of one TolvaneLabel rendered to a PNG by the command, and
// the same text drawn into a PNG of the same size by the smallest C program that can
// (bench/floor/floor_label.c); runs interleaved, medians compared.
// BM_ColdRenderLabels: forms of 1 000, 10 000 and 100 000 TolvaneLabels, cold (the command) and
// warm (loaded and fully rendered again in this process, as BM_PlaceAndLoadGrowth does; the
// least CPU of a few runs).
//
// STOLVANE_BENCH_CLI names another `stolvane` to time (an older build, to compare).
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/form_file.h"
#include "host/render.h"
#include "host/runtime.h"

extern char** environ;

namespace stolvane::bench {
namespace {

namespace fs = std::filesystem;

std::string Cli() {
    const char* other = std::getenv("STOLVANE_BENCH_CLI");
    return other && *other ? other : STOLVANE_CLI;
}

// Runs a program to its end; its CPU seconds (user and system), or a negative number when it
// could not start or failed.
double ChildCpuSeconds(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", args[0]);
        return -1;
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s %s failed (status %d)\n", args[0], args.size() > 2 ? args[1] : "", status);
        return -1;
    }
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// This process's CPU seconds so far (user and system), to time the warm loads the same way.
double OwnCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

struct TempDir {
    fs::path path = fs::temp_directory_path() / ("stolvane_bench_cold_" + std::to_string(static_cast<long>(::getpid())));
    TempDir() { fs::create_directories(path); }
    ~TempDir() { fs::remove_all(path); }
};

// A form of n TolvaneLabels in rows of 40, named lbl0, lbl1 ... (an array's index stops at
// 32 767); n = 1 is one label, "Label 0", on a 1 500 x 900 twip form.
std::string LabelsFile(const fs::path& dir, int n) {
    std::string path = (dir / ("cold_" + std::to_string(n) + ".json")).string();
    std::ofstream out(path);
    out << R"({"name": "frmCold", "caption": "Labels", "width": )" << (n == 1 ? 1500 : 9600)
        << R"(, "height": )" << (n == 1 ? 900 : 7200) << R"(, "font": {"Name": "Tahoma", "Size": 8.25}, "controls": [)";
    for (int i = 0; i < n; ++i)
        out << (i ? ",\n" : "\n") << "{\"name\": \"lbl" << i << "\", \"class\": \"TolvaneLabel\", \"left\": "
            << 120 + i % 40 * 230 << ", \"top\": " << 120 + i / 40 % 30 * 230
            << ", \"width\": 1200, \"height\": 255, \"properties\": {\"Caption\": \"Label " << i << "\"}}";
    out << "]}\n";
    return path;
}

void BM_ColdRenderOneLabelVsFloor(benchmark::State& state) {
    TempDir dir;
    const std::string form = LabelsFile(dir.path, 1);
    const std::string png = (dir.path / "out.png").string();
    std::vector<double> command, floor;
    for (auto _ : state) {
        for (int run = 0; run < 31; ++run) {
            floor.push_back(ChildCpuSeconds({STOLVANE_FLOOR, png, "100", "60", "Label 0"}));
            command.push_back(ChildCpuSeconds({Cli(), "render", form, "-o", png}));
        }
    }
    if (std::min(*std::min_element(command.begin(), command.end()), *std::min_element(floor.begin(), floor.end())) < 0) {
        state.SkipWithError("a run failed");
        return;
    }
    const double c = Median(command), f = Median(floor);
    state.counters["render_cpu_ms"] = c * 1e3;
    state.counters["floor_cpu_ms"] = f * 1e3;
    state.counters["x_floor"] = c / f;
}
BENCHMARK(BM_ColdRenderOneLabelVsFloor)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ColdRenderLabels(benchmark::State& state) {
    TempDir dir;
    const int counts[] = {1000, 10000, 100000};
    for (auto _ : state) {
        for (int n : counts) {
            const std::string form = LabelsFile(dir.path, n);
            const std::string png = (dir.path / "out.png").string();
            std::vector<double> cold;
            for (int run = 0; run < (n >= 100000 ? 3 : 5); ++run)
                cold.push_back(ChildCpuSeconds({Cli(), "render", form, "-o", png}));
            if (*std::min_element(cold.begin(), cold.end()) < 0) {
                state.SkipWithError("a run failed");
                return;
            }
            double warm = 1e30;
            for (int run = 0; run < (n >= 100000 ? 2 : 3); ++run) {
                const double before = OwnCpuSeconds();
                {
                    Runtime rt;
                    Form& f = LoadFormFile(rt, form);
                    FormRenderer r(rt, f, 1);
                    benchmark::DoNotOptimize(r.RepaintAll().data.data());
                }
                warm = std::min(warm, OwnCpuSeconds() - before);
            }
            state.counters["cold_cpu_ms_" + std::to_string(n)] = Median(cold) * 1e3;
            state.counters["warm_ms_" + std::to_string(n)] = warm * 1e3;
        }
    }
}
BENCHMARK(BM_ColdRenderLabels)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace stolvane::bench
