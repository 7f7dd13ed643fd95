// SPDX-License-Identifier: MIT
// Hostile forms, scripts and saves: modal forms nested without end, timer storms, pictures that
// add up past memory, forms that would not reopen, files that are not what they seem. Each is
// refused with a clear error or bounded, never crashes, hangs or runs out of memory. Large
// inputs are made here, at run time, and every file lives in a folder the test makes.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/cli.h"
#include "host/file_write.h"
#include "host/form_file.h"
#include "host/limits.h"
#include "host/media.h"
#include "host/picture_budget.h"
#include "host/render.h"
#include "host/runtime.h"
#include "tests/test_support.h"

using namespace stolvane;
namespace fs = std::filesystem;

namespace {

struct Hostile : test::FolderTest {
    Runtime rt;
    static void Write(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }
    static size_t Count(const std::string& text, const std::string& what) {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    }
    template <class F>
    static std::string ErrorOf(F&& f) {
        try {
            f();
        } catch (const std::exception& e) {
            return e.what();
        }
        return "no error";
    }
};

std::string Png(int w, int h, uint32_t argb) {
    return EncodePng(*Picture::FromPixels(w, h, std::vector<uint32_t>(size_t(w) * h, argb)));
}

TEST_F(Hostile, ModalFormsNestOnlyToTheirLimit) {
    // showform inside showform (and an About inside those) used to recurse until the stack ran out.
    std::string lines;
    for (int i = 0; i < limits::kMaxModalDepth; ++i) lines += "{\"cmd\":\"showform\",\"name\":\"frmAbout\"}\n";
    lines += "{\"cmd\":\"showform\",\"name\":\"frmStatus\"}\n";
    lines += "{\"cmd\":\"call\",\"target\":\"bOK\",\"method\":\"About\"}\n";
    lines += "{\"cmd\":\"get\",\"target\":\"\",\"property\":\"Name\"}\n";
    std::string out = test::ScriptOutput(lines);
    EXPECT_EQ(Count(out, "\"shown\":true"), size_t(limits::kMaxModalDepth)) << out.substr(0, 2000);
    EXPECT_EQ(Count(out, "\"number\":28"), 2u) << "one for showform, one for About";
    EXPECT_NE(out.find("Out of stack space: at most 64 modal forms"), std::string::npos);
    EXPECT_NE(out.find("{\"value\":\"frmAbout\"}"), std::string::npos) << "the innermost open form goes on";
}

struct TickCounter {
    Runtime rt;
    Form& form = rt.NewForm("frmTimers", 600, 300);
    int64_t ticks = 0;
    Timer& Add(int index, int32_t interval) {
        auto& t = static_cast<Timer&>(rt.PlaceElement(form, ElementKind::Timer, "tmr", index));
        t.onTick = [this] { ++ticks; };
        t.SetInterval(interval);
        return t;
    }
};

TEST_F(Hostile, AnAdvanceFiresAtMostItsBudgetOfTicksThenCoalesces) {
    // 100 one-millisecond timers over an hour were 360 million ticks (two minutes).
    TickCounter c;
    for (int i = 0; i < 100; ++i) c.Add(i, 1);
    c.rt.Advance(Runtime::kMaxAdvanceMs);
    EXPECT_EQ(c.ticks, limits::kMaxTicksPerAdvance + 100) << "the budget, then each timer once";
    EXPECT_EQ(c.rt.Now(), Runtime::kMaxAdvanceMs);
    EXPECT_EQ(c.rt.NextTimerDue(), 1) << "the timers keep their rhythm";
}

TEST_F(Hostile, ALoopTurnFiresEachLateTimerOnce) {
    TickCounter c;
    c.Add(0, 10);
    c.Add(1, 1);
    c.Add(2, 1000);
    // A turn that took 95 ms: the 10 ms timer missed nine ticks, the 1 ms one ninety-five; each
    // fires once, and the next tick of each comes on its old rhythm.
    c.rt.AdvanceLoopTurn(95);
    EXPECT_EQ(c.ticks, 2);
    EXPECT_EQ(c.rt.NextTimerDue(), 1);
    c.ticks = 0;
    c.rt.AdvanceLoopTurn(5);  // now 100: the 10 ms timer (due 100) and the 1 ms one
    EXPECT_EQ(c.ticks, 2);
}

TEST_F(Hostile, PicturesAreChargedToTheFormsBudgetBeforeDecoding) {
    // The form's budget: each picture is charged from its header, and the one that goes past
    // the budget is refused before it is decoded (its data here would not even decode).
    {
        PictureBudget budget(100);
        EXPECT_NO_THROW(DecodePicture(Png(8, 8, 0xFF0000FF), ""));
        std::string bad = Png(8, 8, 0xFF00FF00);
        bad[bad.find("IDAT") + 6] ^= 0x55;
        EXPECT_EQ(test::ErrorOf([&] { DecodePicture(bad, ""); }), 7) << "Out of memory";
        EXPECT_EQ(budget.Used(), 64);
    }
    EXPECT_NO_THROW(DecodePicture(Png(8, 8, 0xFF0000FF), "")) << "no budget outside a form file";

    // A form file: its pictures share one budget (the form's, inside this smaller one).
    Write(dir / "a.png", Png(8, 8, 0xFF0000FF));
    Write(dir / "b.png", Png(8, 8, 0xFF00FF00));
    std::string form = R"({"name":"frmPics","controls":[
        {"name":"imgA","class":"Image","picture":"a.png"},
        {"name":"imgA2","class":"Image","picture":"a.png"},
        {"name":"imgB","class":"Image","picture":"b.png"}]})";
    Write(dir / "f.json", form);
    {
        PictureBudget outer(100);
        std::string err = ErrorOf([&] { LoadFormFile(rt, (dir / "f.json").string()); });
        EXPECT_NE(err.find("control \"imgB\", key \"picture\": picture \"b.png\" does not load (Out of memory"),
                  std::string::npos)
            << err;
        EXPECT_EQ(test::ErrorOf([&] { DecodePicture(Png(8, 8, 0xFF0000FF), ""); }), 7)
            << "the caller's budget still holds once the form's has ended";
    }
    PictureBudget roomy(128);
    EXPECT_NO_THROW(LoadFormFile(rt, (dir / "f.json").string())) << "a picture named twice counts once";
}

TEST_F(Hostile, IconsHoldingPngImagesLoad) {
    // An icon directory of two images: a 4 x 4 bitmap-sized entry that is a PNG too, and a
    // 24 x 24 PNG, the largest, which is what the icon shows.
    std::string small = Png(4, 4, 0xFFFF0000), large = Png(24, 24, 0xFF0000FF);
    auto le16 = [](uint32_t v) { return std::string{char(v & 0xFF), char(v >> 8 & 0xFF)}; };
    auto le32 = [&](uint32_t v) { return le16(v & 0xFFFF) + le16(v >> 16); };
    std::string ico = std::string("\0\0\1\0", 4) + le16(2);
    size_t offset = 6 + 2 * 16;
    for (auto [side, image] : {std::pair{4, &small}, std::pair{24, &large}}) {
        ico += std::string{char(side), char(side), 0, 0} + le16(1) + le16(32) + le32(uint32_t(image->size())) +
               le32(uint32_t(offset));
        offset += image->size();
    }
    ico += small + large;
    PictureRef p = DecodePicture(ico, "");
    EXPECT_EQ(p->PixelWidth(), 24);
    EXPECT_EQ(p->PixelHeight(), 24);
}

TEST_F(Hostile, WhatSavesLoadsAndWhatWouldNotLoadIsNotSaved) {
    Form& form = rt.NewForm("frmFar", 600, 300);
    auto& label = static_cast<Label&>(rt.PlaceElement(form, ElementKind::Label, "lblFar", -1));
    const std::string path = (dir / "far.json").string();

    // The farthest position a file holds saves and loads; one twip further is refused by both.
    label.Move(1e9, -1e9, 100, 100);
    SaveFormFile(rt, form, path);
    EXPECT_NO_THROW(rt.UnloadForm(LoadFormFile(rt, path)));
    label.SetLeft(1e9 + 1);
    std::string err = ErrorOf([&] { SaveFormFile(rt, form, path); });
    EXPECT_NE(err.find("control \"lblFar\", key \"left\""), std::string::npos) << err;
    label.SetLeft(0);

    // Text that is not UTF-8 is a FormFileError naming the key, not the JSON library's exception.
    label.SetCaption("caf\xE9");
    err = ErrorOf([&] { SaveFormFile(rt, form, path); });
    EXPECT_NE(err.find("key \"caption\": the text is not UTF-8"), std::string::npos) << err;
    // Text over the limit: neither saved nor read.
    std::string longText(limits::kMaxTextBytes + 1, 'x');
    label.SetCaption(longText);
    err = ErrorOf([&] { SaveFormFile(rt, form, path); });
    EXPECT_NE(err.find("over the limit of " + std::to_string(limits::kMaxTextBytes)), std::string::npos) << err;
    err = ErrorOf([&] {
        LoadFormText(rt, R"({"name":"f","controls":[{"name":"l","class":"Label","caption":")" + longText + "\"}]}", "",
                     "long.json");
    });
    EXPECT_NE(err.find("long.json: control \"l\", key \"caption\": a text of " +
                       std::to_string(limits::kMaxTextBytes + 1) + " bytes"),
              std::string::npos)
        << err;

    // Panels in panels: as deep as a form file holds saves, one level more is refused.
    Form& nest = rt.NewForm("frmNest", 600, 300);
    Surface* inside = &nest;
    auto panelIn = [&](Surface& container, const std::string& name) -> Surface& {
        return rt.PlaceControl(container, "TolvanePanel", name, -1, {0, 0, 600, 300}, nullptr).GetSurface();
    };
    for (int depth = 0; depth <= limits::kMaxNesting; ++depth) inside = &panelIn(*inside, "pnl" + std::to_string(depth));
    const std::string nested = (dir / "nested.json").string();
    SaveFormFile(rt, nest, nested);
    panelIn(*inside, "pnlTooDeep");
    err = ErrorOf([&] { SaveFormFile(rt, nest, nested); });
    EXPECT_NE(err.find("control \"pnlTooDeep\": containers are nested more than 32 deep"), std::string::npos) << err;
}

TEST_F(Hostile, SizesBeyondTheLimitsAreRefusedAndWorkStaysBounded) {
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

    // Time: at most an hour per advance, in whole milliseconds.
    out = test::ScriptOutput("{\"cmd\":\"advance\",\"ms\":3600001}\n{\"cmd\":\"advance\",\"ms\":0.5}\n"
                             "{\"cmd\":\"advance\",\"ms\":3600000}\n");
    EXPECT_NE(out.find("\"number\":5,"), std::string::npos) << out;
    EXPECT_NE(out.find("\"line\":2"), std::string::npos) << "half a millisecond is refused: " << out;
    EXPECT_EQ(out.find("\"line\":3"), std::string::npos) << "one hour is fine: " << out;

    // A form too large to draw says so (it said "Out of memory"); one beyond the largest size
    // does not load at all.
    Form& huge = LoadFormText(rt, R"({"name":"frmHuge","width":491000,"height":491000})", "", "f.json");
    std::string err = ErrorOf([&] { FormRenderer(rt, huge, 1).RepaintAll(); });
    EXPECT_NE(err.find("over the limit of 8192 x 8192"), std::string::npos) << err;
    err = ErrorOf([&] { LoadFormText(rt, R"({"name":"frmHuger","width":1e9,"height":300})", "", "f.json"); });
    EXPECT_NE(err.find("largest size"), std::string::npos) << err;
}

// Controls nest 33 levels deep at most (a form's own controls are the first level): the 33rd
// loads and renders, a 34th is refused with the reason.
TEST_F(Hostile, ControlsNestThirtyThreeLevelsDeepAndFormTextIsCheckedBeforeADocumentIsBuilt) {
    auto nested = [](int levels) {
        std::string json = R"({"name":"frmDeep","width":3000,"height":3000,"controls":[)";
        for (int i = 0; i < levels; ++i)
            json += R"({"name":"pnl)" + std::to_string(i) + R"(","class":"TolvanePanel","left":15,"top":15,)"
                    R"("width":2000,"height":2000)" + (i + 1 < levels ? std::string(R"(,"controls":[)") : "}");
        for (int i = 1; i < levels; ++i) json += "]}";
        return json + "]}";
    };
    EXPECT_NO_THROW(FormRenderer(rt, LoadFormText(rt, nested(33), "", "d.json"), 1).RepaintAll());
    std::string err = ErrorOf([&] { LoadFormText(rt, nested(34), "", "d.json"); });
    EXPECT_NE(err.find("controls are nested too deeply"), std::string::npos) << err;

    // The text is checked before a document is built: 60 MB of "[" needed gigabytes and
    // minutes; now it stops at the first level too deep.
    std::string brackets(60u << 20, '[');
    err = ErrorOf([&] { LoadFormText(rt, brackets, "", "deep.json"); });
    EXPECT_EQ(err, "deep.json: line 1, column 101: nested deeper than 100 levels");
    // More values than a form file may hold.
    std::string many = "[0";
    many.reserve(limits::kMaxJsonValues * 2 + 8);
    for (size_t i = 0; i < limits::kMaxJsonValues; ++i) many += ",0";
    err = ErrorOf([&] { LoadFormText(rt, many + "]", "", "many.json"); });
    EXPECT_NE(err.find("more than 4000000 values"), std::string::npos) << err;
    // A NUL byte ended the text without a word, so this loaded.
    err = ErrorOf([&] { LoadFormText(rt, std::string("{\"name\":\"f\"}\n\0{", 15), "", "nul.json"); });
    EXPECT_EQ(err, "nul.json: line 2, column 1: a NUL byte, which a form file (text) never holds");
    // Brackets and NULs inside strings are text.
    EXPECT_NO_THROW(LoadFormText(rt, R"({"name":"f","caption":"[[[{{{\"\\u0000"})", "", "ok.json"));
}

// A FIFO is neither read from nor replaced by a save or a render.
TEST_F(Hostile, AFifoIsNeverWaitedOn) {
    const fs::path fifo = dir / "pipe.json";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ErrorOf([&] { LoadFormFile(rt, fifo.string()); }), fifo.string() + ": is a FIFO, not a form file");
    Form& form = rt.NewForm("frmSave", 600, 300);
    const std::string saved = ErrorOf([&] { SaveFormFile(rt, form, fifo.string()); });
    EXPECT_NE(saved.find("not a regular file"), std::string::npos) << saved;
    EXPECT_THROW(WritePng(FormRenderer(rt, form, 1).RepaintAll(), fifo.string()), HostError);
    EXPECT_TRUE(fs::is_fifo(fifo));

    std::ostringstream err;
    EXPECT_EQ(RenderFormFile(fifo.string(), (dir / "out.png").string(), 1, err), ExitStatus::BadInput);
    EXPECT_EQ(err.str(), "stolvane: cannot read " + fifo.string() + ": it is a FIFO, not a regular file\n");
}

TEST_F(Hostile, RenderingIntoABrokenLinkIsRefusedBeforeRendering) {
    Write(dir / "f.json", R"({"name":"frmLink","width":300,"height":200})");
    fs::create_symlink("loop2.png", dir / "loop1.png");
    fs::create_symlink("loop1.png", dir / "loop2.png");
    fs::create_symlink("missing/out.png", dir / "dangling.png");
    for (auto [name, why] : {std::pair{"loop1.png", "Too many levels of symbolic links"},
                             std::pair{"dangling.png", "does not exist"}}) {
        std::ostringstream err;
        const fs::path png = dir / name;
        EXPECT_EQ(RenderFormFile((dir / "f.json").string(), png.string(), 1, err), ExitStatus::Failure);
        EXPECT_EQ(err.str().rfind("stolvane: cannot write " + png.string() + ": ", 0), 0u) << err.str();
        EXPECT_NE(err.str().find(why), std::string::npos) << err.str();
        EXPECT_TRUE(fs::is_symlink(png));
    }
}

TEST_F(Hostile, SavesKeepOwnerAndModeWriteThroughLinksAndRefuseWhatCannotBeWritten) {
    Form& form = rt.NewForm("frmSave", 600, 300);
    const fs::path path = dir / "f.json";

    // A file nobody may write is refused (for root too, who could) and left as it was.
    Write(path, "read only");
    ::chmod(path.c_str(), 0444);
    std::string err = ErrorOf([&] { SaveFormFile(rt, form, path.string()); });
    EXPECT_NE(err.find("Permission denied (the file is read-only)"), std::string::npos) << err;
    EXPECT_EQ(test::ReadFile(path), "read only");
    EXPECT_EQ(WriteProblem(path.string()), "Permission denied (the file is read-only)") << "render refuses it first";

    // The mode is kept; so are owner and group, which only root can give away.
    ::chmod(path.c_str(), 0640);
    if (::geteuid() == 0) ASSERT_EQ(::chown(path.c_str(), 4242, 4343), 0);
    struct stat before {};
    ::stat(path.c_str(), &before);
    SaveFormFile(rt, form, path.string());
    struct stat after {};
    ::stat(path.c_str(), &after);
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_NE(test::ReadFile(path).find("frmSave"), std::string::npos);

    // A file with a second name is refused: replacing it would part the names.
    const fs::path link = dir / "other.json";
    fs::create_hard_link(path, link);
    const std::string text = test::ReadFile(path);
    form.SetCaption("changed");
    err = ErrorOf([&] { SaveFormFile(rt, form, path.string()); });
    EXPECT_NE(err.find("it has 2 hard links"), std::string::npos) << err;
    EXPECT_EQ(test::ReadFile(link), text);
    EXPECT_EQ(fs::hard_link_count(path), 2u);

    // A dangling link is written through (the link stays, its target appears); a temporary file
    // a killed save left behind (its process gone) goes with the next save.
    fs::create_symlink("target.json", dir / "link.json");
    SaveFormFile(rt, form, (dir / "link.json").string());
    EXPECT_TRUE(fs::is_symlink(dir / "link.json"));
    EXPECT_NE(test::ReadFile(dir / "target.json").find("frmSave"), std::string::npos);
    WritePng(FormRenderer(rt, form, 1).RepaintAll(), (dir / "link.json").string());
    EXPECT_TRUE(fs::is_symlink(dir / "link.json")) << "a render writes through the link too";

    pid_t gone = fork();
    if (gone == 0) _exit(0);
    waitpid(gone, nullptr, 0);
    fs::path stale = dir / (".g.json.stolvane-" + std::to_string(gone) + ".tmp");
    Write(stale, "half a form");
    SaveFormFile(rt, form, (dir / "g.json").string());
    EXPECT_FALSE(fs::exists(stale));
}

TEST_F(Hostile, LongFileNamesSaveAndRender) {
    Form& form = rt.NewForm("frmLong", 300, 200);
    FormRenderer renderer(rt, form, 1);
    Frame frame = renderer.RepaintAll();
    for (size_t length : {size_t(233), size_t(240), size_t(NAME_MAX)}) {
        const std::string name = std::string(length - 5, 'n') + ".json";
        const fs::path path = dir / name;
        SaveFormFile(rt, form, path.string());
        EXPECT_NE(test::ReadFile(path).find("frmLong"), std::string::npos) << length;
        SaveFormFile(rt, form, path.string());  // again, over the file
        const fs::path png = dir / (std::string(length - 4, 'p') + ".png");
        EXPECT_NO_THROW(WritePng(frame, png.string())) << length;
        EXPECT_TRUE(fs::is_regular_file(png));
    }
    for (auto& e : fs::directory_iterator(dir))
        EXPECT_EQ(e.path().filename().string().find(".stolvane-"), std::string::npos) << "no temporary file left";
}

TEST_F(Hostile, TextIsLaidOutOnlyUpToTheLimit) {
    // A 10 MB caption cost a gigabyte and more at every render; past the limit text is cut.
    Font font;
    std::string head(limits::kMaxTextBytes - 1, 'w');
    head += "\xC3\xA9";  // a two-byte letter across the limit is left out whole
    std::string huge = head + std::string(10u << 20, 'w');
    Rect all = MeasureTextTwips(font, huge, 0);
    Rect cut = MeasureTextTwips(font, head.substr(0, limits::kMaxTextBytes - 1), 0);
    EXPECT_EQ(all.width, cut.width);
    EXPECT_EQ(all.height, cut.height);
}

TEST_F(Hostile, ALinkXdgOpenCouldNotOpenIsReportedAsFailed) {
    // A stand-in for xdg-open, first in the PATH: it exits as the script says.
    const fs::path bin = dir / "bin";
    fs::create_directories(bin);
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    test::ScopedEnv path("PATH", (bin.string() + ":" + oldPath).c_str());
    // Links are opened as the window host opens them.
    struct Opener : Backend {
        bool Launch(const std::string& target) override { return LaunchWithXdgOpen(target); }
    } opener;
    test::Recorder rec;
    rt.SetBackend(&opener);
    rt.SetObserver(&rec);
    Write(bin / "xdg-open", "#!/bin/sh\nexit 3\n");
    fs::permissions(bin / "xdg-open", fs::perms::owner_all);
    EXPECT_EQ(test::ErrorOf([&] { rt.Navigate("http://example.invalid/"); }), ErrorNumber::NavigationFailed);
    EXPECT_TRUE(rec.Has("navigate http://example.invalid/ failed"));
    Write(bin / "xdg-open", "#!/bin/sh\nexit 0\n");
    EXPECT_NO_THROW(rt.Navigate("http://example.invalid/"));
    EXPECT_TRUE(rec.Has("navigate http://example.invalid/ ok"));
}

}  // namespace
