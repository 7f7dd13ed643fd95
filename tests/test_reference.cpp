// SPDX-License-Identifier: MIT
// The class reference and the documents a new user starts from: docs/controls.md is what the
// class tables say, `stolvane describe` answers for one class, and docs/form-files.md's
// complete example loads.
#include <gtest/gtest.h>

#include <sstream>

#include "app/cli.h"
#include "app/describe.h"
#include "host/form_file.h"
#include "host/runtime.h"
#include "tests/test_util.h"

using namespace stolvane;

namespace {

std::string ReadSource(const std::string& relative) {
    return test::ReadFile(STOLVANE_SOURCE_DIR "/" + relative);
}

int Cli(const std::vector<std::string>& args, std::string& out, std::string& err) {
    std::istringstream in;
    std::ostringstream o, e;
    int status = RunCommand(args, in, o, e);
    out = o.str(), err = e.str();
    return status;
}

TEST(Reference, TheCheckedInControlsPageIsWhatTheClassTablesSay) {
    EXPECT_EQ(ReadSource("docs/controls.md"), ControlReferenceMarkdown())
        << "docs/controls.md is out of date: run build/stolvane describe --markdown > docs/controls.md";
}

TEST(Reference, DescribeAnswersForAClassAnElementKindAndTheFormAndNamesTheNearestForAnUnknownOne) {
    std::string out, err;
    ASSERT_EQ(Cli({"describe", "TolvaneTick"}, out, err), ExitStatus::Success) << err;
    EXPECT_NE(out.find("ValueChange(bValue As Boolean)"), std::string::npos) << out;
    EXPECT_NE(out.find("MouseMove(Button As Integer, Shift As Integer, X As Single, Y As Single)"), std::string::npos);
    EXPECT_NE(out.find("CheckStyle  CheckStyle, default 0 (Tick), saved as \"CheckStyle\""), std::string::npos);
    EXPECT_NE(out.find("other values: stored, and shows the cross"), std::string::npos);

    ASSERT_EQ(Cli({"describe", "TolvanePanel"}, out, err), ExitStatus::Success);
    EXPECT_NE(out.find("\"The style of the inner bevel.\""), std::string::npos) << "help texts are shown";

    ASSERT_EQ(Cli({"describe", "TolvaneLable"}, out, err), ExitStatus::BadInput);
    EXPECT_NE(err.find("did you mean \"TolvaneLabel\"?"), std::string::npos) << err;
    EXPECT_NE(err.find("TolvaneAbout_2, TolvaneCaption"), std::string::npos) << err;

    ASSERT_EQ(Cli({"describe", "label"}, out, err), ExitStatus::Success) << err;
    EXPECT_NE(out.find("Label: an intrinsic element kind"), std::string::npos) << out;
    EXPECT_NE(out.find("ForeColour  OLE_COLOR, default 0x80000012 (button text), saved as \"foreColour\""),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("also answers to: Colour, ForeColor"), std::string::npos) << out;
    ASSERT_EQ(Cli({"describe", "Form"}, out, err), ExitStatus::Success) << err;
    EXPECT_NE(out.find("WindowState  Integer"), std::string::npos) << out;
}

TEST(Reference, TheCompleteFormFileExampleLoads) {
    std::string page = ReadSource("docs/form-files.md");
    size_t at = page.find("## A complete example");
    ASSERT_NE(at, std::string::npos);
    size_t start = page.find("```json\n", at) + 8, end = page.find("```", start);
    std::string example = page.substr(start, end - start);
    Runtime rt;
    Form* form = nullptr;
    ASSERT_NO_THROW(form = &LoadFormText(rt, example, std::string(STOLVANE_SOURCE_DIR) + "/examples",
                                         "docs/form-files.md"));
    EXPECT_EQ(form->Name(), "frmMain");
    EXPECT_TRUE(rt.Resolve(*form, "tplDes(2)"));
    EXPECT_TRUE(rt.Resolve(*form, "tmrPoll"));
}

}  // namespace
