// SPDX-License-Identifier: MIT
// The `stolvane` command run as a program: version, help, render, script and demo, with their
// exit statuses (0 success, 1 runtime failure, 2 bad input).
#include <gtest/gtest.h>

#include <cairo.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>

#include "tests/test_util.h"

namespace fs = std::filesystem;
using stolvane::test::ReadFile;

namespace {

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

struct Cli : stolvane::test::FolderTest {
    std::string out, err;
    std::string env;  // put before the command: "env -u DISPLAY "

    // Runs the command in the test's folder with input from a file (empty by default); returns
    // its exit status.
    int Run(const std::string& args, std::string input = {}) {
        if (input.empty()) {
            input = (dir / "empty.txt").string();
            std::ofstream(input).close();
        }
        std::string cmd = "cd " + Quote(dir.string()) + " && " + env + Quote(STOLVANE_CLI) + " " + args + " < " +
                          Quote(input) + " > out.txt 2> err.txt";
        int rc = std::system(cmd.c_str());
        out = ReadFile(dir / "out.txt");
        err = ReadFile(dir / "err.txt");
        return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    }
    std::string Script(const char* name) { return std::string(STOLVANE_SOURCE_DIR) + "/tests/scripts/" + name; }
};

// 0x00RRGGBB of a pixel of a PNG file.
uint32_t PngPixel(cairo_surface_t* s, int x, int y) {
    const unsigned char* row = cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s);
    return reinterpret_cast<const uint32_t*>(row)[x] & 0x00FFFFFF;
}

TEST_F(Cli, VersionAndHelp) {
    EXPECT_EQ(Run("--version"), 0);
    EXPECT_TRUE(std::regex_match(out, std::regex("stolvane [0-9]+\\.[0-9]+\\.[0-9]+ \\(controls v1\\.15\\.96\\)\n")))
        << out;
    EXPECT_EQ(Run("--help"), 0);
    for (const char* usage : {"render FORM.json -o OUT.png [--scale N]", "script [--design] [FORM.json]",
                              "design [FORM.json] [--scale N]", "demo", "Exit status"})
        EXPECT_NE(out.find(usage), std::string::npos) << usage;
    EXPECT_EQ(Run(""), 2);
    EXPECT_NE(err.find("--help"), std::string::npos);
    EXPECT_EQ(Run("render form.json"), 2) << "no -o";
    EXPECT_EQ(Run("render form.json -o x.png --scale 0"), 2);
    EXPECT_EQ(Run("render missing.json -o x.png --scale 16"), 2);
    EXPECT_NE(err.find("cannot read"), std::string::npos) << "16, the largest scale, is taken: " << err;
    // Options are answered with the nearest one and the command's list.
    EXPECT_EQ(Run("run form.json --evnets"), 2);
    EXPECT_NE(err.find("run: unknown option '--evnets' (did you mean \"--events\"?); its options are --events, "
                       "--all-events, --scale"),
              std::string::npos)
        << err;
    EXPECT_EQ(Run("render form.json --scale"), 2);
    EXPECT_NE(err.find("--scale needs a value"), std::string::npos) << err;
}

// The designer's window refuses a form file as run does, and says when there is no display.
TEST_F(Cli, DesignRefusesWhatRunRefusesAndNeedsADisplay) {
    env = "env -u DISPLAY -u WAYLAND_DISPLAY ";
    std::ofstream(dir / "broken.json") << "{\"form\": {\"name\": \"Form1\"}, \"controls\": [{\"class\": \"TolvaneButon\"}]}";
    fs::create_directories(dir / "folder");
    EXPECT_EQ(Run("run folder"), 2);
    const std::string unreadable = err;
    EXPECT_EQ(Run("design folder"), 2);
    EXPECT_EQ(err, unreadable);
    // What run says of a file that does not load once it has a display (render says the same).
    EXPECT_EQ(Run("render broken.json -o x.png"), 2);
    const std::string malformed = err;
    EXPECT_EQ(Run("design broken.json"), 2);
    EXPECT_EQ(err, malformed);
    EXPECT_EQ(Run("design new.json"), 1);
    EXPECT_EQ(err, "stolvane: design: no display to open a window on (set DISPLAY)\n");
    EXPECT_FALSE(fs::exists(dir / "new.json")) << "nothing is written without a window";
    EXPECT_EQ(Run("desing"), 2);
    EXPECT_NE(err.find("did you mean \"design\"?"), std::string::npos) << err;
    EXPECT_EQ(Run("design a.json b.json"), 2);
}

// The form a script builds renders at each scale, alone and as a demo example among others.
TEST_F(Cli, ScriptBuildsAFormThatRenderAndDemoDraw) {
    ASSERT_EQ(Run("script", Script("make_form.jsonl")), 0) << err;
    EXPECT_EQ(out.find("\"error\""), std::string::npos) << out;
    ASSERT_TRUE(fs::exists(dir / "form.json"));

    ASSERT_EQ(Run("render form.json -o out.png"), 0) << err;
    ASSERT_EQ(Run("render form.json -o out2.png --scale 2"), 0) << err;
    cairo_surface_t* one = cairo_image_surface_create_from_png((dir / "out.png").c_str());
    cairo_surface_t* two = cairo_image_surface_create_from_png((dir / "out2.png").c_str());
    ASSERT_EQ(cairo_surface_status(one), CAIRO_STATUS_SUCCESS);
    ASSERT_EQ(cairo_surface_status(two), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(one), 100);
    EXPECT_EQ(cairo_image_surface_get_height(one), 60);
    EXPECT_EQ(cairo_image_surface_get_width(two), 200);
    EXPECT_EQ(PngPixel(one, 20, 15), 0xFF0000u) << "the picture box at (10..30, 10..20) px";
    EXPECT_EQ(PngPixel(one, 5, 5), 0xC0C0C0u) << "the form's button-face background";
    EXPECT_EQ(PngPixel(two, 40, 30), 0xFF0000u);
    cairo_surface_destroy(one);
    cairo_surface_destroy(two);

    fs::create_directories(dir / "examples");
    fs::rename(dir / "form.json", dir / "examples" / "first.json");
    fs::copy_file(dir / "examples" / "first.json", dir / "examples" / "second.json");
    ASSERT_EQ(Run("demo --no-window --examples examples -o pictures"), 0) << err;
    EXPECT_TRUE(fs::exists(dir / "pictures" / "first.png"));
    EXPECT_TRUE(fs::exists(dir / "pictures" / "second.png"));
    EXPECT_NE(out.find("pictures/first.png"), std::string::npos) << out;
    EXPECT_NE(out.find((dir / "pictures").string()), std::string::npos) << out;

    std::ofstream(dir / "examples" / "third.json") << "not a form";
    EXPECT_EQ(Run("demo --no-window --examples examples -o pictures"), 1) << "one example failed";
    EXPECT_NE(err.find("third.json"), std::string::npos) << err;
    EXPECT_EQ(Run("demo --no-window --examples nowhere"), 2);
}

// A form file over a megabyte is rendered with the heap grown up front: the same labels come
// out as from a small file. The large one holds the small one's labels, then thousands more
// below the form's bottom edge, which exist and never show.
TEST_F(Cli, ALargeFormFileRendersWhatASmallOneDoes) {
    auto write = [&](const char* file, int hidden) {
        std::ofstream f(dir / file);
        f << R"({"name": "frmMany", "width": 4800, "height": 1800, "controls": [)";
        for (int i = 0; i < 24 + hidden; ++i) {
            const bool shown = i < 24;
            f << (i ? ",\n" : "\n") << R"({"name": "lbl)" << i << R"(", "class": "TolvaneLabel", "left": )"
              << (shown ? 120 + i % 4 * 1150 : 120) << R"(, "top": )" << (shown ? 120 + i / 4 * 270 : 2400 + i * 30)
              << R"(, "width": 1100, "height": 255, "properties": {"Caption": "Label )" << i
              << R"(", "Colour": )" << (i * 0x0A1B2CLL % 0xFFFFFF) << "}}";
        }
        f << "]}\n";
    };
    write("small.json", 0);
    write("large.json", 8000);
    ASSERT_GT(fs::file_size(dir / "large.json"), 1u << 20);
    ASSERT_EQ(Run("render small.json -o small.png"), 0) << err;
    ASSERT_EQ(Run("render large.json -o large.png"), 0) << err;
    cairo_surface_t* small = cairo_image_surface_create_from_png((dir / "small.png").c_str());
    cairo_surface_t* large = cairo_image_surface_create_from_png((dir / "large.png").c_str());
    ASSERT_EQ(cairo_surface_status(small), CAIRO_STATUS_SUCCESS);
    ASSERT_EQ(cairo_surface_status(large), CAIRO_STATUS_SUCCESS);
    const int w = cairo_image_surface_get_width(small), h = cairo_image_surface_get_height(small);
    ASSERT_EQ(cairo_image_surface_get_width(large), w);
    ASSERT_EQ(cairo_image_surface_get_height(large), h);
    int differ = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) differ += PngPixel(small, x, y) != PngPixel(large, x, y);
    EXPECT_EQ(differ, 0);
    cairo_surface_destroy(small);
    cairo_surface_destroy(large);
}

TEST_F(Cli, BadFormsAreRefusedWithStatusTwoAndWriteNothing) {
    std::ofstream(dir / "broken.json") << "{ \"name\": \"frmBroken\", \"controls\": [ ";
    std::ofstream(dir / "keep.png") << "earlier picture";
    EXPECT_EQ(Run("render broken.json -o new.png"), 2);
    EXPECT_NE(err.find("broken.json"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(dir / "new.png"));
    EXPECT_EQ(Run("render broken.json -o keep.png"), 2);
    EXPECT_EQ(ReadFile(dir / "keep.png"), "earlier picture") << "a failed render never damages the old file";

    EXPECT_EQ(Run("script broken.json", Script("make_form.jsonl")), 2);
    EXPECT_TRUE(out.empty()) << out;
    EXPECT_EQ(Run("script missing.json"), 2);
    EXPECT_FALSE(fs::exists(dir / "form.json")) << "the script did not run";
}

TEST_F(Cli, DemoFindsTheSourceTreeExamplesByItself) {
    size_t examples = 0;
    for (auto& e : fs::directory_iterator(fs::path(STOLVANE_SOURCE_DIR) / "examples"))
        examples += e.path().extension() == ".json";
    ASSERT_EQ(Run("demo --no-window"), 0) << err;
    size_t pictures = 0;
    for (auto& e : fs::directory_iterator(dir / "stolvane-demo")) pictures += e.path().extension() == ".png";
    EXPECT_EQ(pictures, examples + 4) << "the showcase and the three library forms besides";
    EXPECT_TRUE(fs::exists(dir / "stolvane-demo" / "frmAbout.png"));
}

// Rendering, scripts (keys by name included) and descriptions open no window, so they do not
// load SDL, nor the accessibility bus's bridge and D-Bus, nor what those pull in: the loader's
// own trace of what it loads names none of them.
TEST_F(Cli, RenderScriptAndDescribeDoNotLoadSdl) {
    std::ofstream(dir / "keys.jsonl") << "{\"cmd\":\"place\",\"class\":\"TolvaneTick\",\"name\":\"t\"}\n"
                                         "{\"cmd\":\"key\",\"key\":\"Tab\"}\n{\"cmd\":\"key\",\"key\":\"page down\"}\n"
                                         "{\"cmd\":\"save\",\"path\":\"form.json\"}\n";
    auto trace = std::make_unique<stolvane::test::ScopedEnv>("LD_DEBUG", "libs");
    const int script = Run("script", (dir / "keys.jsonl").string());
    const std::string scriptErr = err;
    const int render = Run("render form.json -o out.png");
    const std::string renderErr = err;
    const int describe = Run("describe TolvaneTick");
    trace.reset();
    ASSERT_EQ(script, 0) << scriptErr;
    EXPECT_NE(scriptErr.find("libcairo.so"), std::string::npos) << "the loader traced what it loaded";
    EXPECT_EQ(render, 0);
    EXPECT_EQ(describe, 0);
    for (const char* library : {"libSDL2", "libatk-bridge", "libdbus"}) {
        EXPECT_EQ(scriptErr.find(library), std::string::npos) << "script loaded " << library;
        EXPECT_EQ(renderErr.find(library), std::string::npos) << "render loaded " << library;
        EXPECT_EQ(err.find(library), std::string::npos) << "describe loaded " << library;
    }
}

}  // namespace
