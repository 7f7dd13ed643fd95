// SPDX-License-Identifier: MIT
// What a hostile user or a careless script can hand the runtime: saves and renders aimed at
// things that are not regular files, sizes and times beyond the documented limits, text long
// enough to overflow a pixel count. Each is refused clearly or handled, never hangs or destroys.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/script.h"
#include "host/file_write.h"
#include "host/form_file.h"
#include "host/render.h"
#include "host/runtime.h"
#include "tests/test_support.h"
#include "tests/test_util.h"

using namespace stolvane;
namespace fs = std::filesystem;

namespace {

struct Limits : test::FolderTest {};

TEST_F(Limits, SavesAndRendersReplaceOnlyRegularFiles) {
    Runtime rt;
    Form& form = rt.NewForm("frmSave", 600, 300);
    FormRenderer renderer(rt, form, 1);
    Frame frame = renderer.RepaintAll();

    // A FIFO (and a device node, where this test may make one) is refused and left as it was.
    fs::path fifo = dir / "pipe.json";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::vector<fs::path> specials{fifo};
    fs::path device = dir / "null.json";
    if (mknod(device.c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0) specials.push_back(device);
    for (const fs::path& p : specials) {
        try {
            SaveFormFile(rt, form, p.string());
            ADD_FAILURE() << "saved onto " << p;
        } catch (const FormFileError& e) {
            EXPECT_NE(std::string(e.what()).find("not a regular file"), std::string::npos) << e.what();
        }
        EXPECT_THROW(WritePng(frame, p.string()), HostError);
        struct stat st {};
        ASSERT_EQ(lstat(p.c_str(), &st), 0);
        EXPECT_FALSE(S_ISREG(st.st_mode)) << p << " was replaced";
    }

    // A dangling link is written through: the link stays, its target appears.
    fs::create_symlink("target.json", dir / "link.json");
    SaveFormFile(rt, form, (dir / "link.json").string());
    EXPECT_TRUE(fs::is_symlink(dir / "link.json"));
    EXPECT_NE(test::ReadFile(dir / "target.json").find("frmSave"), std::string::npos);
    WritePng(frame, (dir / "link.json").string());
    EXPECT_TRUE(fs::is_symlink(dir / "link.json")) << "a render writes through the link too";

    // A temporary file a killed save left behind (its process gone) goes with the next save; the
    // temporary names never look like forms.
    pid_t gone = fork();
    if (gone == 0) _exit(0);
    waitpid(gone, nullptr, 0);
    fs::path stale = dir / (".f.json.stolvane-" + std::to_string(gone) + ".tmp");
    std::ofstream(stale) << "half a form";
    SaveFormFile(rt, form, (dir / "f.json").string());
    EXPECT_FALSE(fs::exists(stale));
    for (auto& e : fs::directory_iterator(dir)) EXPECT_EQ(e.path().string().find(".tmp"), std::string::npos);
}

TEST_F(Limits, SizesBeyondTheLimitsAreRefusedAndWorkStaysBounded) {
    // A button 2^31 twips high was accepted, and drawing its focus dots never ended.
    std::string out = test::ScriptOutput(
        "{\"cmd\":\"place\",\"class\":\"TolvaneButton\",\"name\":\"A\",\"left\":0,\"top\":0}\n"
        "{\"cmd\":\"resize\",\"target\":\"A\",\"height\":2147483648}\n"
        "{\"cmd\":\"resize\",\"target\":\"A\",\"height\":491505}\n"
        "{\"cmd\":\"show\"}\n{\"cmd\":\"tab\"}\n{\"cmd\":\"get\",\"target\":\"A\",\"property\":\"Height\"}\n"
        "{\"cmd\":\"move\",\"target\":\"A\",\"top\":-491505}\n{\"cmd\":\"get\",\"target\":\"A\",\"property\":\"Top\"}\n"
        "{\"cmd\":\"render\",\"path\":\"" + (dir / "big.png").string() + "\",\"scale\":17}\n");
    EXPECT_NE(out.find("\"number\":380"), std::string::npos) << out;
    EXPECT_NE(out.find("{\"value\":491505}"), std::string::npos) << "the largest size still works: " << out;
    EXPECT_NE(out.find("{\"value\":-491505}"), std::string::npos) << "and the farthest place, the top alone: " << out;
    EXPECT_NE(out.find("\"scale\\\" must be above 0 and at most 16"), std::string::npos) << out;
    EXPECT_FALSE(fs::exists(dir / "big.png"));

    // Time: at most an hour per advance, in whole milliseconds.
    out = test::ScriptOutput("{\"cmd\":\"advance\",\"ms\":3600001}\n{\"cmd\":\"advance\",\"ms\":0.5}\n"
                             "{\"cmd\":\"advance\",\"ms\":3600000}\n");
    EXPECT_NE(out.find("\"number\":5,"), std::string::npos) << out;
    EXPECT_NE(out.find("\"line\":2"), std::string::npos) << "half a millisecond is refused: " << out;
    EXPECT_EQ(out.find("\"line\":3"), std::string::npos) << "one hour is fine: " << out;

    // A form too large to draw says so (it said "Out of memory"); one beyond the largest size
    // does not load at all.
    Runtime rt;
    Form& huge = LoadFormText(rt, R"({"name":"frmHuge","width":491000,"height":491000})", "", "huge.json");
    try {
        FormRenderer(rt, huge, 1).RepaintAll();
        ADD_FAILURE() << "a 32 734-pixel frame was made";
    } catch (const HostError& e) {
        EXPECT_NE(e.description.find("over the limit of 8192 x 8192"), std::string::npos) << e.description;
    }
    try {
        LoadFormText(rt, R"({"name":"frmHuger","width":1e9,"height":300})", "", "huger.json");
        ADD_FAILURE();
    } catch (const FormFileError& e) {
        EXPECT_NE(std::string(e.what()).find("largest size"), std::string::npos) << e.what();
    }
}

// Controls nest 33 levels deep at most (a form's own controls are the first level): the 33rd
// loads and renders, a 34th is refused with the reason and exit status 2, and so is a file
// nested 20 000 deep, which once exhausted the stack.
TEST_F(Limits, ControlsNestThirtyThreeLevelsDeepAndNoDeeper) {
    auto nested = [](int levels) {
        std::string json = R"({"name":"frmDeep","width":3000,"height":3000,"controls":[)";
        for (int i = 0; i < levels; ++i)
            json += R"({"name":"pnl)" + std::to_string(i) + R"(","class":"TolvanePanel","left":15,"top":15,)"
                    R"("width":2000,"height":2000)" + (i + 1 < levels ? std::string(R"(,"controls":[)") : "}");
        for (int i = 1; i < levels; ++i) json += "]}";
        return json + "]}";
    };
    auto render = [&](int levels) {
        std::ofstream(dir / "deep.json") << nested(levels);
        const std::string command = std::string(STOLVANE_CLI) + " render " + (dir / "deep.json").string() + " -o " +
                                    (dir / "deep.png").string() + " 2>" + (dir / "err.txt").string();
        const int status = std::system(command.c_str());
        return std::pair(WIFEXITED(status) ? WEXITSTATUS(status) : -1, test::ReadFile(dir / "err.txt"));
    };
    EXPECT_EQ(render(33).first, 0) << render(33).second;
    // One level past the limit is refused by the form reader; a file nested far deeper is
    // refused by the byte scan before any document is built.
    const std::pair<int, const char*> refused[] = {{34, "controls are nested too deeply"},
                                                   {20000, "nested deeper than 100 levels"}};
    for (const auto& [levels, why] : refused) {
        auto [status, err] = render(levels);
        EXPECT_EQ(status, 2) << levels;
        EXPECT_NE(err.find(why), std::string::npos) << levels << ": " << err;
    }
}

TEST_F(Limits, AVeryLongCaptionDrawsWithoutOverflowingItsAdvance) {
    // 200 000 wide letters: over 2^31 in pango's units along one run.
    Runtime rt;
    Form& form = rt.NewForm("frmLong", 3000, 600);
    Label& label = form.Add<Label>("lblLong");
    label.Move(0, 0, 3000, 300);
    label.SetCaption(std::string(200000, 'W'));
    rt.ShowForm(form);
    Frame f = FormRenderer(rt, form, 1).RepaintAll();
    EXPECT_EQ(f.width, 200);
}

}  // namespace
