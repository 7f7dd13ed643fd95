// SPDX-License-Identifier: MIT
// Form files through the real runtime: what a file holds comes back after a save, every kind
// of bad file is refused with a message naming the file, the control and the key while no
// form is left behind, and a save either replaces the file whole or leaves it as it was.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>

#include "core/library.h"
#include "host/form_file.h"
#include "host/media.h"
#include "host/runtime.h"
#include "tests/test_util.h"

using namespace stolvane;
namespace fs = std::filesystem;

namespace {

// A test control with one stored property of every type; "Style" is an enumeration (0 to 2).
class TestWidget : public Control {
public:
    explicit TestWidget(Surface& s) : Control(s) {}
    const char* ClassName() const override { return "TestWidget"; }
    const std::vector<PropertyInfo>& Properties() const override { return PropertyTable(); }
    static const std::vector<PropertyInfo>& PropertyTable() {
        static const std::vector<PropertyInfo> table = {
            FieldProperty("Flag", PropType::Boolean, &TestWidget::m_Flag, Default(int64_t{True.Raw()}), nullptr),
            FieldProperty("Style", PropType::Int16, &TestWidget::m_Style, Default(int64_t{0}), nullptr),
            FieldProperty("Count", PropType::Int32, &TestWidget::m_Count, Default(int64_t{0}), nullptr),
            FieldProperty("BackColour", PropType::Colour, &TestWidget::m_BackColour,
                          Default(int64_t{SysColour::ButtonFace}), nullptr),
            FieldProperty("Ratio", PropType::Single, &TestWidget::m_Ratio, Default(1.0), nullptr),
            FieldProperty("Caption", PropType::String, &TestWidget::m_Caption, Default(std::string()), nullptr),
            FieldProperty("Font", PropType::Font, &TestWidget::m_Font, AmbientFontDefault(), nullptr),
            FieldProperty("Picture", PropType::Picture, &TestWidget::m_Picture, Default(Picture::Empty()), nullptr),
        };
        return table;
    }
    Boolean m_Flag = False;
    int16_t m_Style = 0;
    int32_t m_Count = 0;
    OleColour m_BackColour = 0;
    float m_Ratio = 0;
    std::string m_Caption;
    FontRef m_Font;
    PictureRef m_Picture;
};

class TestBox : public TestWidget {
public:
    using TestWidget::TestWidget;
    const char* ClassName() const override { return "TestBox"; }
};

// Refuses whatever it is given to read, as a control whose reading fails would.
class TestFragile : public TestWidget {
public:
    using TestWidget::TestWidget;
    const char* ClassName() const override { return "TestFragile"; }
    void ReadProperties(PropertyBag&) override { throw HostError::InvalidProperty(); }
};

void RegisterTestClasses() {
    auto& lib = Library::Instance();
    lib.AddClass(DescribeClass<TestWidget>("TestWidget", 1200, 480));
    lib.AddClass(DescribeClass<TestBox>("TestBox", 3000, 2000, true));
    lib.AddClass(DescribeClass<TestFragile>("TestFragile", 1200, 480));
}

using test::ReadFile;

void WriteAll(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}

std::vector<std::string> Listing(const fs::path& dir) {
    std::vector<std::string> names;
    for (auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

PictureRef Checker(int size) {
    std::vector<uint32_t> px(static_cast<size_t>(size) * size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            px[static_cast<size_t>(y) * size + x] = ((x + y) % 2) ? 0xFF2040A0u : 0xFFFFFFFFu;
    return Picture::FromPixels(size, size, std::move(px));
}

struct FormFiles : test::FolderTest {
    Runtime rt;
    void SetUp() override {
        RegisterTestClasses();
        WriteAll(dir / "pic.png", EncodePng(*Checker(4)));
    }

    TestWidget& Widget(Form& f, const std::string& name, int index = -1) {
        Control* c = f.FindControl(name, index);
        EXPECT_NE(c, nullptr) << name;
        return static_cast<TestWidget&>(*c);
    }
    // A 3 x 3 checker in PNG, as a data URL written by hand.
    std::string DataUrl() {
        return "data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAAAMAAAADCAYAAABWKLW/AAAAGUlEQVR42mP4DwQKDgtA1H8GGANEMyDLAAAad"
               "xvpzgVuTQAAAABJRU5ErkJggg==";
    }
};

// A form as a person might write it: keys in any order, colours as integers or hex strings,
// Booleans as -1, a picture by relative path and one embedded.
std::string SampleForm(const std::string& dataUrl) {
    return R"J({
  "caption": "Sample", "name": "frmSample", "left": 300, "top": 150, "width": 6000, "height": 4000,
  "borderStyle": 1, "font": {"Name": "Tahoma", "Size": 8.25}, "icon": "pic.png", "backColour": 16777215,
  "controls": [
    {"name": "w1", "class": "TestWidget", "left": 120, "top": 120, "width": 1500, "height": 400, "tabIndex": 2,
     "properties": {"Flag": 0, "Style": 2, "Count": -70000, "BackColour": "0x000000FF", "Ratio": 0.1,
                    "Caption": "&Open \"it\"", "Font": {"Name": "Arial", "Size": 12, "Bold": true, "Italic": -1},
                    "Picture": "pic.png"}},
    {"name": "box", "class": "TestBox", "left": 120, "top": 700, "tabIndex": 0, "properties": {}, "controls": [
      {"name": "arr(1)", "class": "TestWidget", "left": 60, "top": 60, "visible": false, "properties": {"Picture": ")J" +
           dataUrl + R"J("}},
      {"name": "arr(2)", "class": "TestWidget", "left": 60, "top": 600, "properties": {"Caption": "two"}}
    ]},
    {"name": "linTop", "class": "Line", "x1": 0, "y1": 15, "x2": 6000, "y2": 15, "colour": "0x80000010", "borderWidth": 2},
    {"name": "lblOpen", "class": "Label", "left": 3600, "top": 120, "width": 1200, "height": 255, "caption": "&Open",
     "alignment": 2, "foreColour": 255, "transparent": true, "font": {"Name": "Tahoma", "Size": 9, "Bold": true}},
    {"name": "imgLogo", "class": "Image", "left": 3600, "top": 600, "picture": ")J" +
           dataUrl + R"J("},
    {"name": "picBox", "class": "PictureBox", "left": 3600, "top": 1200, "width": 900, "height": 600,
     "picture": "pic.png", "backColour": "0x00FFFFFF", "border": true},
    {"name": "lstItems", "class": "ListBox", "left": 4600, "top": 1200, "width": 1200, "height": 900,
     "items": ["one", {"text": "two", "data": 42, "checked": true}, {"text": "Parts", "heading": true, "collapsed": true}]},
    {"name": "tmrTick", "class": "Timer", "interval": 250, "enabled": false},
    {"name": "shpFrame", "class": "Shape", "left": 0, "top": 0, "width": 600, "height": 600, "filled": true,
     "fillColour": "0x00C0C0C0", "drawMode": 6},
    {"name": "pbGo", "class": "PictureButton", "left": 0, "top": 3000, "width": 480, "height": 480, "enabled": false,
     "picture": "pic.png"}
  ]
})J";
}

TEST_F(FormFiles, LoadingPlacesEverythingWithItsTypedValuesAndSavingGivesTheSameFileAgain) {
    WriteAll(dir / "sample.json", SampleForm(DataUrl()));
    Form& f = LoadFormFile(rt, (dir / "sample.json").string());
    EXPECT_EQ(std::tuple(f.Name(), f.Caption(), f.GetBorderStyle(), f.Icon()->PixelWidth(), f.BackColour()),
              std::tuple(std::string("frmSample"), std::string("Sample"), 1, 4, 0x00FFFFFFu));
    EXPECT_EQ(f.Bounds(), (Rect{300, 150, 6000, 4000}));

    TestWidget& w1 = Widget(f, "w1");
    EXPECT_EQ(std::tuple(w1.m_Flag, w1.m_Style, w1.m_Count, w1.m_BackColour, w1.m_Caption),
              std::tuple(False, int16_t{2}, -70000, 0x000000FFu, std::string("&Open \"it\"")));
    EXPECT_FLOAT_EQ(w1.m_Ratio, 0.1f);
    EXPECT_EQ(std::tuple(w1.m_Font->name, w1.m_Font->bold, w1.m_Font->italic, w1.m_Font->weight),
              std::tuple(std::string("Arial"), true, true, 700));
    EXPECT_EQ(std::pair(w1.m_Picture->PixelWidth(), w1.GetSurface().TabIndex()), std::pair(4, 2));

    // Missing keys read their defaults: the ambient font is the form's.
    TestWidget& a2 = Widget(f, "arr", 2);
    EXPECT_EQ(a2.m_Flag, True);
    EXPECT_FLOAT_EQ(a2.m_Ratio, 1.0f);
    EXPECT_EQ(a2.m_Font->name, "Tahoma");
    EXPECT_EQ(a2.GetSurface().Container(), f.FindSurface("box"));
    EXPECT_EQ(a2.GetSurface().Bounds(), (Rect{60, 600, 1200, 480}));  // the class's size when none is given
    EXPECT_FALSE(Widget(f, "arr", 1).GetSurface().Visible());
    EXPECT_EQ(Widget(f, "arr", 1).m_Picture->PixelWidth(), 3);

    auto& line = static_cast<Line&>(*f.Find("linTop"));
    EXPECT_EQ(std::tuple(line.BorderWidth(), line.Colour()), std::tuple(2, 0x80000010u));
    auto& label = static_cast<Label&>(*f.Find("lblOpen"));
    EXPECT_EQ(std::tuple(label.Caption(), label.Alignment(), label.GetFont().bold), std::tuple(std::string("&Open"), 2, true));
    EXPECT_EQ(static_cast<Image&>(*f.Find("imgLogo")).Width(), 45);  // takes its picture's size
    auto& list = static_cast<ListBox&>(*f.Find("lstItems"));
    ASSERT_EQ(list.ListCount(), 3);
    EXPECT_EQ(std::pair(list.ItemData(1), list.Selected(1)), std::pair(42, true));
    EXPECT_EQ(std::tuple(list.Heading(1), list.Heading(2), list.Collapsed(2)), std::tuple(false, true, true));
    EXPECT_FALSE(static_cast<Timer&>(*f.Find("tmrTick")).Enabled());
    EXPECT_EQ(static_cast<Shape&>(*f.Find("shpFrame")).GetDrawMode(), 6);
    EXPECT_FALSE(static_cast<PictureButton&>(*f.Find("pbGo")).Enabled());

    SaveFormFile(rt, f, (dir / "a.json").string());
    std::string a = ReadFile(dir / "a.json");
    // Saving writes exactly what the controls wrote: omitted keys stayed at their defaults.
    EXPECT_NE(a.find("\"Picture\": \"pic.png\""), std::string::npos);
    EXPECT_NE(a.find("\"Picture\": \"" + DataUrl() + "\""), std::string::npos);  // embedded stays as it was
    EXPECT_NE(a.find("\"BackColour\": \"0x000000FF\""), std::string::npos);
    EXPECT_NE(a.find("\"Ratio\": 0.1"), std::string::npos);
    EXPECT_EQ(a.find("\"Flag\": true"), std::string::npos);

    Form& f2 = LoadFormFile(rt, (dir / "a.json").string());
    SaveFormFile(rt, f2, (dir / "b.json").string());
    EXPECT_EQ(ReadFile(dir / "b.json"), a);
    EXPECT_EQ(Widget(f2, "w1").m_Caption, "&Open \"it\"");

    // From another folder, pictures are found again through a relative path.
    fs::create_directory(dir / "sub");
    SaveFormFile(rt, f2, (dir / "sub" / "c.json").string());
    EXPECT_NE(ReadFile(dir / "sub" / "c.json").find("\"../pic.png\""), std::string::npos);
    Form& f3 = LoadFormFile(rt, (dir / "sub" / "c.json").string());
    EXPECT_EQ(Widget(f3, "w1").m_Picture->PixelWidth(), 4);
}

TEST_F(FormFiles, PicturesMadeInCodeAreEmbeddedAndValuesOutsideAnEnumerationAreKept) {
    WriteAll(dir / "f.json", R"J({"name": "frmE", "controls": [
        {"name": "w", "class": "TestWidget", "properties": {"Style": 42, "Flag": -1}}]})J");
    Form& f = LoadFormFile(rt, (dir / "f.json").string());
    TestWidget& w = Widget(f, "w");
    EXPECT_EQ(w.m_Style, 42);
    w.m_Picture = Checker(5);
    SaveFormFile(rt, f, (dir / "g.json").string());
    std::string g = ReadFile(dir / "g.json");
    EXPECT_NE(g.find("\"Style\": 42"), std::string::npos);
    EXPECT_NE(g.find("\"Picture\": \"data:image/png;base64,"), std::string::npos);
    Form& again = LoadFormFile(rt, (dir / "g.json").string());
    EXPECT_EQ(Widget(again, "w").m_Picture->PixelAt(1, 0), 0xFF2040A0u);
}

struct BadFile {
    const char* text;
    std::vector<const char*> mentions;
};

TEST_F(FormFiles, EveryBadFileIsRefusedByNameAndLoadsNothing) {
    // An object of many keys with one of them given twice, far apart.
    std::string wide = R"J({"name": "f", "controls": [{"name": "w1", "class": "TestWidget", "properties": {)J";
    for (int i = 0; i < 40; ++i) wide += "\"k" + std::to_string(i) + "\": 1, ";
    wide += R"J("k3": 2}}]})J";
    const BadFile cases[] = {
        {"{\"name\": \"f\",\n  \"controls\": [}", {"bad.json: line 2, column 16: malformed JSON"}},
        {"", {"bad.json: line 1, column 1: malformed JSON"}},
        {R"J({"name": "f", "left": 1e999})J", {"malformed JSON", "1e999"}},
        {R"J({"name": "f", "widht": 10})J", {"unknown key \"widht\""}},
        {R"J({"name": "f", "width": 10, "width": 20})J", {"key \"width\" appears twice"}},
        {wide.c_str(), {"key \"k3\" appears twice"}},
        {R"J({"name": "f", "width": 10, "width": 20, "controls": [}})J", {"line 1, column 54: malformed JSON"}},
        {R"J({"name": "f", "controls": [{"name": "w1", "class": "TestWidget", "properties": {"Style": 70000}}]})J",
         {"control \"w1\", property \"Style\"", "overflow"}},
        {R"J({"name": "f", "controls": [{"name": "w1", "class": "TestWidget", "properties": {"Style": 1.5}}]})J",
         {"control \"w1\", property \"Style\": expected an integer"}},
        {R"J({"name": "f", "controls": [{"name": "w1", "class": "TestWidget", "properties": {"Flag": "yes"}}]})J",
         {"property \"Flag\": expected true or false"}},
        {R"J({"name": "f", "controls": [{"name": "w1", "class": "TestWidget", "properties": {"Font": {"Size": 0}}}]})J",
         {"property \"Font\", font member \"Size\": a font size must lie above 0"}},
        {R"J({"name": "f", "controls": [{"name": "w1", "class": "TestWidget", "properties": {"BackColour": "red"}}]})J",
         {"property \"BackColour\": expected a colour"}},
        {R"J({"name": "f", "controls": [{"name": "w1", "class": "TestWidget", "properties": {"caption": "x"}}]})J",
         {"control \"w1\", property \"caption\": unknown property of TestWidget", "did you mean \"Caption\""}},
        {R"J({"name": "f", "controls": [{"name": "a", "class": "TestWidget"}, {"name": "a", "class": "Line"}]})J",
         {"control \"a\": the name is used twice"}},
        {R"J({"name": "f", "controls": [{"name": "a(1)", "class": "TestWidget"}, {"name": "a", "class": "TestWidget"}]})J",
         {"control \"a\"", "with and without an array index"}},
        {R"J({"name": "f", "controls": [{"name": "w1", "class": "TestWidget", "width": -15}]})J",
         {"control \"w1\", key \"width\"", "negative"}},
        {R"J({"name": "f", "controls": [{"name": "w1", "class": "TestWidget", "properties": {"Picture": "nowhere.png"}}]})J",
         {"control \"w1\", property \"Picture\": picture \"nowhere.png\" does not load"}},
        {R"J({"name": "f", "controls": [{"name": "i", "class": "Image", "picture": "data:image/png;base64,!!"}]})J",
         {"control \"i\", key \"picture\"", "base64"}},
        {R"J({"name": "f", "controls": [{"name": "w1", "class": "TestWidget", "controls": []}]})J",
         {"control \"w1\", key \"controls\": TestWidget cannot hold controls"}},
        {R"J({"name": "f", "controls": [{"name": "l", "class": "Label", "alignment": 3}]})J",
         {"control \"l\", key \"alignment\""}},
        {R"J({"name": "f", "controls": [{"name": "t", "class": "Timer", "left": 0}]})J",
         {"control \"t\": unknown key \"left\" for a Timer"}},
        // Valid to the last key, then a control's own reading fails while the form is half built.
        {R"J({"name": "f", "controls": [{"name": "ok", "class": "TestWidget"}, {"name": "l", "class": "Line"},
            {"name": "z", "class": "TestFragile"}]})J",
         {"control \"z\": Invalid property value"}},
    };
    std::string path = (dir / "bad.json").string();
    size_t before = rt.Forms().size();
    for (const BadFile& c : cases) {
        WriteAll(path, c.text);
        try {
            LoadFormFile(rt, path);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const FormFileError& e) {
            std::string msg = e.what();
            EXPECT_EQ(msg.rfind(path + ": ", 0), 0u) << msg;
            for (const char* m : c.mentions) EXPECT_NE(msg.find(m), std::string::npos) << msg << "\n  lacks: " << m;
        }
        EXPECT_EQ(rt.Forms().size(), before) << c.text;
    }
}

struct SavingAtomically : FormFiles {
    Form* form = nullptr;
    void SetUp() override {
        FormFiles::SetUp();
        form = &rt.NewForm("frmSave", 3000, 2000);
        // Placed anew: the test class sets no first-time defaults, so its font stays unset.
        rt.PlaceControl(*form, "TestWidget", "w", -1, {0, 0, 1200, 480}, nullptr);
    }
};

// A missing folder or a folder at the path is refused by the check a render makes too (test_errors.cpp).
TEST_F(SavingAtomically, AFolderThatCannotTakeTheFileFailsAndAnOldFileIsReplacedWhole) {
    WriteAll(dir / "plain", "not a folder");
    EXPECT_THROW(SaveFormFile(rt, *form, (dir / "plain" / "f.json").string()), FormFileError);
    fs::remove(dir / "plain");

    WriteAll(dir / "f.json", std::string(200000, 'x'));
    SaveFormFile(rt, *form, (dir / "f.json").string());
    std::string text = ReadFile(dir / "f.json");
    EXPECT_EQ(text.find("xx"), std::string::npos);
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(LoadFormFile(rt, (dir / "f.json").string()).Name(), "frmSave");
    EXPECT_EQ(Listing(dir), (std::vector<std::string>{"f.json", "pic.png"}));
}

TEST_F(SavingAtomically, AFailedSaveLeavesTheOldFileByteForByte) {
    const std::string old = "{\"name\": \"frmOld\"}\n";
    WriteAll(dir / "f.json", old);

    // A picture that cannot be encoded fails before any file is touched.
    auto& box = static_cast<PictureBox&>(rt.PlaceElement(*form, ElementKind::PictureBox, "picBad", -1));
    box.SetPicture(Picture::FromDrawing(std::make_shared<Drawing>(), 0, 0, 0));
    try {
        SaveFormFile(rt, *form, (dir / "f.json").string());
        ADD_FAILURE() << "saved an unencodable picture";
    } catch (const FormFileError& e) {
        EXPECT_NE(std::string(e.what()).find("control \"picBad\", key \"picture\""), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadFile(dir / "f.json"), old);
    form->RemoveElement(box);

    // A write that fails half way (the file size limit stands in for a full disk).
    struct rlimit saved {};
    getrlimit(RLIMIT_FSIZE, &saved);
    auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool failed = false;
    try {
        SaveFormFile(rt, *form, (dir / "f.json").string());
    } catch (const FormFileError&) {
        failed = true;
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(failed);
    EXPECT_EQ(ReadFile(dir / "f.json"), old);
    EXPECT_EQ(Listing(dir), (std::vector<std::string>{"f.json", "pic.png"}));
}

}  // namespace
