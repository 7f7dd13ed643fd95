// SPDX-License-Identifier: MIT
// A program built from core/ and host/ alone, with a library of one control of its own: the
// runtime loads, lays out, paints, routes input to and saves that control without any of the
// library's controls or forms being linked in.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/control.h"
#include "core/library.h"
#include "host/form_file.h"
#include "host/render.h"
#include "host/runtime.h"
#include "tests/test_util.h"

namespace stolvane {
namespace {

// A square that fills itself with its colour and counts its clicks.
class Swatch : public Control {
public:
    explicit Swatch(Surface& s) : Control(s) {}
    const char* ClassName() const override { return "Swatch"; }
    static const std::vector<PropertyInfo>& PropertyTable() {
        static const std::vector<PropertyInfo> props = {
            FieldProperty("Colour", PropType::Colour, &Swatch::m_Colour, Default(int64_t{0x0000FF}), &Swatch::SetColour),
        };
        return props;
    }
    const std::vector<PropertyInfo>& Properties() const override { return PropertyTable(); }
    void ReadProperties(PropertyBag& bag) override {
        ReadAllProperties(bag);
        Paint();
    }
    void InitProperties() override { Paint(); }
    void Resize() override { Paint(); }
    void OnClick() override { ++clicks; }
    void SetColour(OleColour c) {
        m_Colour = c;
        PropertyChanged("Colour");
        Paint();
    }
    void Paint() {
        Surface& s = GetSurface();
        s.Cls();
        s.FillRect(0, 0, s.Width(), s.Height(), m_Colour);
    }

    OleColour m_Colour = 0x0000FF;
    int clicks = 0;
};

struct SwatchLibrary {
    Library library;
    SwatchLibrary() { library.AddClass(DescribeClass<Swatch>("Swatch", 600, 600)); }
};

TEST(HostOnly, ARuntimeGivenItsOwnLibraryPlacesPaintsClicksAndSavesItsControl) {
    SwatchLibrary own;
    Runtime rt(own.library);
    Form& form = rt.NewForm("frmOwn", 1500, 1500);
    ControlElement& placed = rt.PlaceControl(form, "Swatch", "swRed", -1, {300, 300, 600, 600}, nullptr);
    rt.ShowForm(form);

    FormRenderer renderer(rt, form);
    EXPECT_EQ(renderer.PixelAt(310, 310), 0x0000FFu) << "the control's own drawing";
    EXPECT_NE(renderer.PixelAt(100, 100), 0x0000FFu) << "the form around it";

    rt.Mouse(form, MouseAction::Click, 450, 450, 1, 0);
    EXPECT_EQ(static_cast<Swatch&>(placed.GetControl()).clicks, 1);

    // Saved and read back through the runtime's library.
    static_cast<Swatch&>(placed.GetControl()).SetColour(0x00FF00);
    test::TempFolder folder("stolvane-host-only");
    const std::filesystem::path& dir = folder.Path();
    SaveFormFile(rt, form, (dir / "own.json").string());
    Form& again = LoadFormFile(rt, (dir / "own.json").string());
    rt.ShowForm(again);
    FormRenderer second(rt, again);
    EXPECT_EQ(second.PixelAt(310, 310), 0x00FF00u);

    // A class the given library lacks is unknown, whatever else the program might carry.
    EXPECT_THROW(rt.PlaceControl(form, "TolvaneButton", "cmd", -1, {0, 0, 100, 100}, nullptr), HostError);
    EXPECT_THROW(rt.LoadForm("frmAbout"), HostError);
}

}  // namespace
}  // namespace stolvane
