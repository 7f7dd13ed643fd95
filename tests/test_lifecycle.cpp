// SPDX-License-Identifier: MIT
// The members every class shares, the order in which the runtime drives a control through its
// life, and the property bag conventions.
#include <gtest/gtest.h>

#include <string>

#include "host/runtime.h"
#include "tests/test_support.h"

using namespace stolvane;
using test::ProbeControl;

namespace {

struct Lifecycle : ::testing::Test {
    Runtime rt;
    test::Recorder rec;
    Form* form = nullptr;
    void SetUp() override {
        test::RegisterProbe();
        ProbeControl::journal.clear();
        rt.SetObserver(&rec);
        form = &rt.NewForm("frmTest");
    }
    ProbeControl& Place(const std::string& name, const PropertyMap* stored = nullptr) {
        auto& ce = rt.PlaceControl(*form, "ProbeControl", name, -1, {100, 100, 1200, 600}, stored);
        return static_cast<ProbeControl&>(ce.GetControl());
    }
};

TEST_F(Lifecycle, NewInstanceRunsDefaultsThenResizeThenShowWhenTheFormShows) {
    Place("P1");
    rt.ShowForm(*form);
    Place("P2");  // placed after show: shown at once
    std::vector<std::string> want = {"P1 Create", "P1 InitProperties", "P1 Resize", "P1 Show",
                                     "P2 Create", "P2 InitProperties", "P2 Resize", "P2 Show"};
    EXPECT_EQ(ProbeControl::journal, want);
}

TEST_F(Lifecycle, StoredInstanceReadsItsPropertiesValuesAreCheckedAndWritingDefaultsStoresNothing) {
    PropertyMap stored{{"Caption", std::string("Stored")}, {"Small", int64_t{7}}};
    auto& p = Place("P1", &stored);
    EXPECT_EQ(ProbeControl::journal[1], "P1 ReadProperties");
    EXPECT_EQ(p.m_Caption, "Stored");
    EXPECT_EQ(p.m_Small, 7);
    EXPECT_EQ(p.m_Ratio, 0.5f);                          // missing key: the store default
    EXPECT_EQ(p.m_Font->name, form->GetFont()->name);  // font default: the ambient font
    EXPECT_THROW(p.SetProperty("Small", int64_t{40000}), HostError);  // does not fit 16 bits
    EXPECT_THROW(p.SetProperty("Caption", FontRef{}), HostError);       // not a string

    PropertyMap empty;
    auto& a = Place("A", &empty);
    PropertyMap written;
    a.WriteProperties(written);
    EXPECT_TRUE(written.Entries().empty());

    a.m_Caption = "Changed";
    a.m_Flag = True;
    a.m_Colour = 0x00FF8040;
    a.m_Font = MakeFont("Tahoma", 12, true);
    a.WriteProperties(written);
    auto& b = Place("B", &written);
    for (const char* key : {"Caption", "Flag", "Small", "Large", "Colour", "Ratio", "Font", "Picture"})
        EXPECT_TRUE(ValuesEqual(a.GetProperty(key), b.GetProperty(key))) << key;
    EXPECT_NE(a.m_Font.get(), b.m_Font.get()) << "each reader gets its own font object";
}

}  // namespace
