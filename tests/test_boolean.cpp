// SPDX-License-Identifier: MIT
// Boolean: reads as a bool in C++ (comparing with true works), refuses integers at compile time,
// and keeps the classic -1 wherever the value leaves C++: the property table, form files and the
// arguments an event hands to handlers bound by name.
#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

#include "controls/tick/tolvanetick.h"
#include "host/form_file.h"
#include "host/runtime.h"
#include "tests/test_support.h"

using namespace stolvane;

namespace {

// ---- What does not compile: the -1 must never meet an integer silently.
template <class A, class B>
constexpr bool kEquatable = requires(A a, B b) { a == b; };
template <class A, class B>
constexpr bool kUnequatable = requires(A a, B b) { a != b; };
template <class A, class B>
constexpr bool kAddable = requires(A a, B b) { a + b; };
template <class To, class From>
constexpr bool kCastable = requires(From f) { static_cast<To>(f); };

static_assert(sizeof(Boolean) == 2 && std::is_trivially_copyable_v<Boolean>);
static_assert(!std::is_convertible_v<int, Boolean> && !std::is_convertible_v<int16_t, Boolean>);
static_assert(!std::is_convertible_v<Boolean, int> && !std::is_convertible_v<Boolean, int16_t>);
static_assert(!std::is_convertible_v<double, Boolean> && !std::is_convertible_v<const char*, Boolean>);
static_assert(std::is_convertible_v<bool, Boolean> && std::is_convertible_v<Boolean, bool>);
static_assert(!kEquatable<Boolean, int> && !kEquatable<int, Boolean> && !kEquatable<Boolean, int16_t>);
static_assert(!kUnequatable<Boolean, int> && !kUnequatable<long, Boolean> && !kEquatable<Boolean, double>);
static_assert(kEquatable<Boolean, bool> && kEquatable<bool, Boolean> && kEquatable<Boolean, Boolean>);
static_assert(!kAddable<Boolean, int> && !kCastable<int, Boolean> && !kCastable<Boolean, int>);
// Usable in constant expressions, with the classic numbers behind it.
static_assert(BooleanTrue == true && BooleanFalse == false && true == True && !False);
static_assert(True.Raw() == -1 && False.Raw() == 0 && ToBoolean(true) == True);
static_assert(Boolean::FromRaw(-1) == true && Boolean::FromRaw(5).Raw() == -1 && Boolean::FromRaw(0) == false);

struct BooleanTick : test::FolderTest {
    Runtime rt;
    Form& f = rt.NewForm("f", 6000, 2400);
    TolvaneTick& tick =
        static_cast<TolvaneTick&>(rt.PlaceControl(f, "TolvaneTick", "tik", -1, {300, 300, 4875, 270}, nullptr)
                                      .GetControl());
};

// The trap this type exists for: after SetValue(true) the value compares equal to true, while
// the property table, scripts and form files still see -1.
TEST_F(BooleanTick, ValueSetFromCppReadsTrueAndIsMinusOneOutside) {
    tick.SetValue(true);
    EXPECT_TRUE(tick.Value() == true);
    EXPECT_EQ(AsInteger(tick.GetProperty("Value")), -1);

    tick.SetProperty("Value", Value{int64_t{0}});
    EXPECT_TRUE(tick.Value() == false);
    tick.SetProperty("Value", Value{int64_t{5}});
    EXPECT_TRUE(tick.Value() == true);
    EXPECT_EQ(AsInteger(tick.GetProperty("Value")), -1) << "a non-zero number is stored as True";

    // A form file's -1 and true both load as True, and what is saved loads back the same.
    for (const char* value : {"-1", "true"}) {
        Form& loaded = LoadFormText(rt, std::string(R"({"name": "frmB", "controls": [{"name": "tik", "class": )"
                                                    R"("TolvaneTick", "properties": {"Value": )") +
                                            value + "}}]}",
                                    dir.string(), "boolean.json");
        EXPECT_TRUE(loaded.Find<TolvaneTick>("tik").Value() == true) << value;
        SaveFormFile(rt, loaded, (dir / "saved.json").string());
        Form& again = LoadFormFile(rt, (dir / "saved.json").string());
        EXPECT_EQ(again.Find<TolvaneTick>("tik").Value(), True) << value;
    }
}

// A handler bound by name gets the Boolean by reference: it reads the new value and its
// change is what the check box keeps.
TEST_F(BooleanTick, HandlersByNameReadAndChangeTheValueChangeArgument) {
    rt.ShowForm(f);
    std::vector<bool> seen;
    tick.OnEvent("ValueChange", [&](EventArgs& args) {
        ASSERT_EQ(args.size(), 1u);
        Boolean* value = std::get<Boolean*>(args[0].ref);
        seen.push_back(*value);
        if (seen.size() == 2) *value = true;
    });
    tick.GetSurface().SetFocus();
    rt.KeyPress(32);
    EXPECT_TRUE(tick.Value() == true);
    rt.KeyPress(32);
    EXPECT_EQ(seen, (std::vector<bool>{true, false}));
    EXPECT_TRUE(tick.Value() == true) << "the handler's assignment holds";
}

}  // namespace
