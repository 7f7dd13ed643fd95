// SPDX-License-Identifier: MIT
// Errors that help a user mend the input: unknown names answered with the nearest valid one and
// the list of them, enumerations checked where the class refuses other values, file problems
// in the system's words, script errors with their input line and unknown command members.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/cli.h"
#include "host/form_file.h"
#include "host/runtime.h"
#include "tests/test_support.h"

using namespace stolvane;
namespace fs = std::filesystem;

namespace {

std::string LoadError(const std::string& controlJson) {
    Runtime rt;
    try {
        LoadFormText(rt, R"({"name":"f","controls":[)" + controlJson + "]}", "", "t.json");
    } catch (const FormFileError& e) {
        return e.what();
    }
    return "";
}

using test::ScriptOutput;

TEST(Errors, FormFilesNameTheNearestClassAndPropertyAndListTheValidOnes) {
    std::string e = LoadError(R"({"name":"b","class":"TolvaneButtn"})");
    EXPECT_NE(e.find("unknown class \"TolvaneButtn\" (did you mean \"TolvaneButton\"?)"), std::string::npos) << e;
    EXPECT_NE(e.find("TolvaneCaption"), std::string::npos) << e;
    EXPECT_NE(e.find("Timer"), std::string::npos) << "element classes are listed too: " << e;

    e = LoadError(R"({"name":"b","class":"TolvaneButton","properties":{"Captoin":"x"}})");
    EXPECT_NE(e.find("AlignImage, ButtonStyle, Catch"), std::string::npos) << e;
    e = LoadError(R"({"name":"b","class":"TolvaneButton","properties":{"Zzzzzz":1}})");
    EXPECT_EQ(e.find("did you mean"), std::string::npos) << "nothing is near: " << e;
}

TEST(Errors, EnumerationsAreCheckedOnlyWhereTheClassRefusesOtherValues) {
    std::string e = LoadError(R"({"name":"l","class":"TolvaneLabel","properties":{"Align":7}})");
    EXPECT_NE(e.find("7 is not an Alignment value (Left 0, Right 1, Centre 2)"), std::string::npos) << e;

    // Scripts meet the same check through the property table.
    std::string out = ScriptOutput(R"({"cmd":"place","class":"TolvaneLabel","name":"L"}
{"cmd":"set","target":"L","property":"Align","value":9}
{"cmd":"get","target":"L","property":"Align"}
{"cmd":"set","target":"L","property":"Align","value":0}
)");
    EXPECT_NE(out.find(R"x({"error":{"number":380,"description":"Invalid property value: Align: 9 is not an Alignment value (Left 0, Right 1, Centre 2)","line":2}})x"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find(R"({"value":2})"), std::string::npos) << "the refused value was not stored: " << out;
    EXPECT_EQ(out.find("\"line\":4"), std::string::npos) << out;
}

TEST(Errors, ScriptsRefuseUnknownMembersBeforeActingAndNameTheLine) {
    std::string out = ScriptOutput(R"({"cmd":"place","class":"TolvaneLabel","name":"L","widht":900}

{"cmd":"get","target":"L","property":"Caption"}
{"cmd":"plcae"}
{"cmd":"place","class":"TolvaneLable","name":"M"}
)");
    for (const char* expected : {
             R"({"error":{"number":5,"description":"place: unknown member \"widht\" (did you mean \"width\"?); it takes class, name, container, left, top, width, height, x1, y1, x2, y2","line":1}})",
             R"("number":424)",  // nothing was placed
             R"("line":3)",       // blank lines count
             R"(unknown command \"plcae\" (did you mean \"place\"?))",
             R"(no class named \"TolvaneLable\" (did you mean \"TolvaneLabel\"?))",
         })
        EXPECT_NE(out.find(expected), std::string::npos) << expected << "\n" << out;
}

// The script's set and get answer a misspelt name, a value of the wrong kind, a colour, a font
// member and a mouse action as form files do, and take every value form files take.
TEST(Errors, ScriptSetAndGetAnswerAsFormFilesDo) {
    std::string out = ScriptOutput(R"({"cmd":"place","class":"TolvaneLabel","name":"L"}
{"cmd":"set","target":"L","property":"Captoin","value":"x"}
{"cmd":"get","target":"L","property":"ColourUpp"}
{"cmd":"set","target":"L","property":"Caption","value":7}
{"cmd":"set","target":"L","property":"Colour","value":"0x000000FF"}
{"cmd":"get","target":"L","property":"Colour"}
{"cmd":"set","target":"L","property":"Colour","value":"red"}
{"cmd":"set","target":"L","property":"Font","value":{"Nmae":"Tahoma"}}
{"cmd":"mouse","action":"clik","target":"L"}
{"cmd":"place","class":"Image","name":"I"}
{"cmd":"set","target":"I","property":"Strech","value":true}
{"cmd":"set","target":"I","property":"Picture","value":"data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAAAIAAAADCAIAAAA2iEnWAAAAEElEQVR4nGP4z8AARAwoFABE0AX7pM/egAAAAABJRU5ErkJggg=="}
{"cmd":"get","target":"I","property":"Picture"}
)");
    for (const char* expected : {
             R"(Object doesn't support this property or method: Captoin (did you mean \"Caption\"?); its members are )",
             R"("line":2)",
             R"(ColourUpp (did you mean \"ColourUp\"?))",
             R"("number":380,"description":"Invalid property value: Caption: expected a string, found 7","line":4)",
             R"({"value":255})",
             R"(Invalid property value: Colour: expected a colour (an integer or \"0x00BBGGRR\"), found \"red\")",
             R"(a font has no \"Nmae\" (did you mean \"Name\"?); its members are Name, Size, Bold)",
             R"(unknown action \"clik\" (did you mean \"click\"?); the actions are move, down, up, click, dblclick)",
             R"(Strech (did you mean \"Stretch\"?); its members are Name, Left)",
             R"("width":30,"height":45})",
         })
        EXPECT_NE(out.find(expected), std::string::npos) << expected << "\n" << out;
    EXPECT_EQ(out.find(R"("line":12)"), std::string::npos) << "the embedded picture loads: " << out;
}

TEST(Errors, FileProblemsAreSaidInPlainWordsWithoutTemporaryNames) {
    test::TempFolder folder("stolvane-errors");
    const fs::path& dir = folder.Path();
    const std::string form = (dir / "f.json").string();
    std::ofstream(form) << R"({"name":"f","width":600,"height":600})";
    auto render = [&](const std::string& input, const std::string& output, std::string& err) {
        std::istringstream in;
        std::ostringstream out, e;
        int status = RunCommand({"render", input, "-o", output}, in, out, e);
        err = e.str();
        return status;
    };
    std::string err;
    const std::string missing = (dir / "nowhere" / "a.png").string();
    EXPECT_EQ(render(form, missing, err), ExitStatus::Failure);
    EXPECT_EQ(err, "stolvane: cannot write " + missing + ": the folder " + (dir / "nowhere").string() +
                       " does not exist\n");
    EXPECT_EQ(render(form, dir.string(), err), ExitStatus::Failure);
    EXPECT_EQ(err, "stolvane: cannot write " + dir.string() + ": it is a folder\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1) << "nothing was written";
}

}  // namespace
