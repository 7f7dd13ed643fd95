// SPDX-License-Identifier: MIT
// The class reference and the documents a new user starts from: docs/controls.md is what the
// class tables say, `stolvane describe` answers for one class, and docs/form-files.md's
// complete example loads.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "app/cli.h"
#include "app/describe.h"
#include "controls/button/tolvanebutton.h"
#include "controls/panel/tolvanepanel.h"
#include "core/library.h"
#include "host/form_file.h"
#include "host/runtime.h"

using namespace stolvane;

namespace {

std::string ReadSource(const std::string& relative) {
    std::ifstream in(std::string(STOLVANE_SOURCE_DIR) + "/" + relative);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
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

TEST(Reference, DescribeAnswersForOneClassAndNamesTheNearestForAnUnknownOne) {
    std::string out, err;
    ASSERT_EQ(Cli({"describe", "TolvaneTick"}, out, err), ExitStatus::Success) << err;
    EXPECT_NE(out.find("ValueChange(bValue As Boolean)"), std::string::npos) << out;
    EXPECT_NE(out.find("CheckStyle  CheckStyle, default 0 (Tick), saved as \"CheckStyle\""), std::string::npos);
    EXPECT_NE(out.find("other values: stored, and shows the cross"), std::string::npos);

    ASSERT_EQ(Cli({"describe", "TolvanePanel"}, out, err), ExitStatus::Success);
    EXPECT_NE(out.find("\"The style of the inner bevel.\""), std::string::npos) << "help texts are shown";

    ASSERT_EQ(Cli({"describe", "TolvaneLable"}, out, err), ExitStatus::BadInput);
    EXPECT_NE(err.find("did you mean \"TolvaneLabel\"?"), std::string::npos) << err;
    EXPECT_NE(err.find("TolvaneAbout_2, TolvaneCaption"), std::string::npos) << err;
}

// describe covers the element kinds and the form, and the C++ members it names exist: each
// "C++: Name() / SetName(type)" line is checked against the headers of the class or kind.
// A member is declared by name ("Caption(") or by the property macros, which declare the getter
// and the setter (STOLVANE_PROPERTY) or the setter alone (STOLVANE_SETTER).
static bool Declares(const std::string& header, const std::string& name) {
    if (header.find(" " + name + "(") != std::string::npos) return true;
    const bool setter = name.rfind("Set", 0) == 0;
    const std::string property = setter ? name.substr(3) : name;
    const std::regex macro(std::string(setter ? "STOLVANE_(PROPERTY|SETTER)" : "STOLVANE_PROPERTY") +
                           "\\([^,()]+, " + property + "\\)");
    return std::regex_search(header, macro);
}

TEST(Reference, DescribeCoversElementKindsAndTheFormWithTheirCppMembers) {
    std::string out, err;
    ASSERT_EQ(Cli({"describe", "label"}, out, err), ExitStatus::Success) << err;
    EXPECT_NE(out.find("Label: an intrinsic element kind"), std::string::npos) << out;
    EXPECT_NE(out.find("ForeColour  OLE_COLOR, default 0x80000012 (button text), saved as \"foreColour\""),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("also answers to: Colour, ForeColor"), std::string::npos) << out;
    ASSERT_EQ(Cli({"describe", "Form"}, out, err), ExitStatus::Success) << err;
    EXPECT_NE(out.find("WindowState  Integer"), std::string::npos) << out;
    ASSERT_EQ(Cli({"describe", "Shap"}, out, err), ExitStatus::BadInput);
    EXPECT_NE(err.find("did you mean \"Shape\"?"), std::string::npos) << err;

    const std::string elements = ReadSource("core/elements.h"), form = ReadSource("core/form.h") +
                                                                         ReadSource("core/surface.h");
    const std::map<std::string, std::string> headers{
        {"TolvaneButton", "controls/button/tolvanebutton.h"}, {"TolvanePanel", "controls/panel/tolvanepanel.h"},
        {"TolvaneLabel", "controls/label/tolvanelabel.h"},    {"TolvaneTick", "controls/tick/tolvanetick.h"},
        {"TolvaneCaption", "controls/caption/tolvanecaption.h"}, {"TolvaneAbout_1", "controls/about/aboutbadge.h"},
        {"TolvaneAbout_2", "controls/about/aboutbadge.h"}};
    std::vector<std::pair<std::string, std::string>> described;  // (output, header text)
    for (auto& [cls, header] : headers) {
        ASSERT_EQ(Cli({"describe", cls}, out, err), ExitStatus::Success) << err;
        described.emplace_back(out, ReadSource(header));
    }
    for (const char* kind : {"Line", "Label", "Image", "PictureBox", "Shape", "PictureButton", "MenuItem", "Timer"}) {
        ASSERT_EQ(Cli({"describe", kind}, out, err), ExitStatus::Success) << err;
        described.emplace_back(out, elements);
    }
    ASSERT_EQ(Cli({"describe", "Form"}, out, err), ExitStatus::Success) << err;
    described.emplace_back(out, form);
    int checked = 0;
    for (auto& [text, header] : described) {
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            auto at = line.find("C++: ");
            if (at == std::string::npos || line.find("Runtime::") != std::string::npos) continue;
            std::string members = line.substr(at + 5);
            // Each "Name(" named must be declared in the header.
            for (size_t pos = 0; (pos = members.find('(', pos)) != std::string::npos; ++pos) {
                size_t start = members.find_last_of(" /,", pos);
                std::string name = members.substr(start == std::string::npos ? 0 : start + 1, pos - (start == std::string::npos ? 0 : start + 1));
                if (name.empty()) continue;
                EXPECT_TRUE(Declares(header, name)) << name << " in: " << line;
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 100);
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
