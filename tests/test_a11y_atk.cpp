// SPDX-License-Identifier: MIT
// The ATK objects the accessibility bus serves, read through ATK's own interfaces as the
// at-spi2-atk bridge reads them for a screen reader, without a bus (a detached bridge): objects
// made anew when the interfaces they need change, and the text of labels and text boxes.
#include <gtest/gtest.h>

#include <atk/atk.h>

#include <map>
#include <string>
#include <vector>

#include "controls/label/tolvanelabel.h"
#include "controls/panel/tolvanepanel.h"
#include "core/text_box.h"
#include "host/a11y_atk.h"
#include "host/runtime.h"

using namespace stolvane;

namespace {

struct A11yAtk : ::testing::Test {
    Runtime rt;
    Form& form = rt.NewForm("frmAtk");
    AccessibilityBridge bridge{rt, {}, AccessibilityBridge::Detached{}};

    AtkObject* Object(Surface* s, Element* e = nullptr) { return ATK_OBJECT(bridge.Object({s, e, -1})); }
};

// What a text answers for a unit: "text" start-end.
std::string Unit(gchar* text, gint start, gint end) {
    std::string out = "\"" + std::string(text ? text : "") + "\" " + std::to_string(start) + "-" + std::to_string(end);
    g_free(text);
    return out;
}
// By boundary, as the bridge still asks for clients that ask so (ATK calls it deprecated).
G_GNUC_BEGIN_IGNORE_DEPRECATIONS
const decltype(&atk_text_get_text_at_offset) kBefore = atk_text_get_text_before_offset,
                                               kAt = atk_text_get_text_at_offset,
                                               kAfter = atk_text_get_text_after_offset;
G_GNUC_END_IGNORE_DEPRECATIONS
std::string Around(AtkObject* a, decltype(kAt) side, gint offset, AtkTextBoundary boundary) {
    gint start = 0, end = 0;
    gchar* text = side(ATK_TEXT(a), offset, boundary, &start, &end);
    return Unit(text, start, end);
}

using Attributes = std::map<std::string, std::string>;
Attributes Read(AtkAttributeSet* set) {
    Attributes out;
    for (GSList* l = set; l; l = l->next) {
        auto* a = static_cast<AtkAttribute*>(l->data);
        out[a->name] = a->value;
    }
    atk_attribute_set_free(set);
    return out;
}

}  // namespace

// An object takes its interfaces when it is made: one that needs others later is made anew in
// its place (the old one defunct, its parent telling of the change), holding its children.
TEST_F(A11yAtk, ObjectsAreMadeAnewWhenTheirInterfacesChange) {
    auto& panel = rt.Place<TolvanePanel>(form, "pnlBar", {120, 120, 3000, 600});
    auto& inside = rt.Place<TolvaneLabel>(panel.GetSurface(), "lblInside", {60, 60, 1200, 255});
    auto& caption = static_cast<Label&>(rt.PlaceElement(form, ElementKind::Label, "lblName", -1));
    caption.SetCaption("Name:");
    auto& box = static_cast<TextBox&>(rt.PlaceElement(form, ElementKind::TextBox, "txtName", -1));
    rt.ShowForm(form);
    // Held as a client holds what it reads, so that it can be asked after it went.
    AtkObject* bar = ATK_OBJECT(g_object_ref(Object(&panel.GetSurface())));
    AtkObject* text = Object(&form, &box);
    AtkObject* child = Object(&inside.GetSurface());
    bridge.Update();
    std::vector<std::pair<guint, AtkObject*>> heard;
    g_signal_connect(Object(&form), "children-changed", G_CALLBACK(+[](AtkObject*, guint i, gpointer c, gpointer to) {
                         static_cast<decltype(heard)*>(to)->push_back({i, ATK_OBJECT(c)});
                     }), &heard);
    EXPECT_FALSE(ATK_IS_VALUE(bar));
    EXPECT_FALSE(ATK_IS_ACTION(text));  // named by the label, which marks no key

    panel.SetPercentage(40);  // a progress bar, read by its value
    bridge.Update();
    AtkObject* progress = Object(&panel.GetSurface());
    ASSERT_NE(progress, bar);
    AtkStateSet* states = atk_object_ref_state_set(bar);
    EXPECT_TRUE(atk_state_set_contains_state(states, ATK_STATE_DEFUNCT));
    g_object_unref(states);
    ASSERT_TRUE(ATK_IS_VALUE(progress));
    gdouble value = 0;
    atk_value_get_value_and_text(ATK_VALUE(progress), &value, nullptr);
    EXPECT_EQ(value, 40);
    EXPECT_EQ(heard, (decltype(heard){{0, bar}, {0, progress}}));  // removed, then added where it was
    EXPECT_EQ(atk_object_get_parent(child), progress);
    panel.SetPercentage(45);  // a value changing makes nothing anew
    bridge.Update();
    EXPECT_EQ(Object(&panel.GetSurface()), progress);

    caption.SetCaption("&Name:");  // the box gains the action the label's key does
    bridge.Update();
    AtkObject* keyed = Object(&form, &box);
    ASSERT_TRUE(ATK_IS_ACTION(keyed));
    EXPECT_STREQ(atk_action_get_name(ATK_ACTION(keyed), 0), "activate");
    g_object_unref(bar);
}

// Readers ask for the unit at an offset, before it and after it, by boundary or granularity:
// the unit before ends where the one at the offset starts, the one after starts where it ends.
TEST_F(A11yAtk, TextBeforeAndAfterAnOffset) {
    auto& box = static_cast<TextBox&>(rt.PlaceElement(form, ElementKind::TextBox, "txtText", -1));
    box.SetMultiLine(true);
    box.Move(0, 0, 9000, 1500);
    box.SetText("Gr\xC3\xA2""ce sailed. She came back!\nNext line");
    rt.ShowForm(form);
    AtkObject* a = Object(&form, &box);
    EXPECT_EQ(Around(a, kBefore, 8, ATK_TEXT_BOUNDARY_WORD_START), "\"Gr\xC3\xA2""ce \" 0-6");
    EXPECT_EQ(Around(a, kBefore, 3, ATK_TEXT_BOUNDARY_CHAR), "\"\xC3\xA2\" 2-3");
    EXPECT_EQ(Around(a, kAt, 20, ATK_TEXT_BOUNDARY_SENTENCE_START), "\"She came back!\n\" 14-29");
    EXPECT_EQ(Around(a, kAfter, 36, ATK_TEXT_BOUNDARY_LINE_START), "\"\" 38-38");
    for (int b = ATK_TEXT_BOUNDARY_CHAR; b <= ATK_TEXT_BOUNDARY_LINE_END; ++b)
        for (gint offset = 0; offset <= 38; ++offset) {
            gint at[2], before[2], after[2];
            g_free(kAt(ATK_TEXT(a), offset, static_cast<AtkTextBoundary>(b), &at[0], &at[1]));
            g_free(kBefore(ATK_TEXT(a), offset, static_cast<AtkTextBoundary>(b), &before[0], &before[1]));
            g_free(kAfter(ATK_TEXT(a), offset, static_cast<AtkTextBoundary>(b), &after[0], &after[1]));
            SCOPED_TRACE("boundary " + std::to_string(b) + " at " + std::to_string(offset));
            EXPECT_TRUE(before[1] == at[0] && (before[0] < before[1] || at[0] == 0));
            EXPECT_TRUE(after[0] == at[1] && (after[0] < after[1] || at[1] == 38));
        }
    gint start = 0, end = 0;
    gchar* paragraph = atk_text_get_string_at_offset(ATK_TEXT(a), 30, ATK_TEXT_GRANULARITY_PARAGRAPH, &start, &end);
    EXPECT_EQ(Unit(paragraph, start, end), "\"Next line\" 29-38");

    // An edit after the accented letter is told where it happened, in characters.
    std::vector<std::string> inserted;
    g_signal_connect(a, "text-insert", G_CALLBACK(+[](AtkObject*, gint at, gint n, gchar* s, gpointer to) {
                         static_cast<std::vector<std::string>*>(to)->push_back(Unit(g_strdup(s), at, at + n));
                     }), &inserted);
    box.SetText("Gr\xC3\xA2""ce sailed! She came back!\nNext line");
    bridge.Update();
    EXPECT_EQ(inserted, std::vector<std::string>{"\"!\" 12-13"});
}

// A label reads as it shows: its caption without the marker, no caret or selection to offer,
// its characters where it draws them and its lines as it wraps them; its font and colours by
// ATK's names, its access key a run of its own, underlined. A text box tells its look too.
TEST_F(A11yAtk, LabelsReadAsTheyShow) {
    auto& label = static_cast<Label&>(rt.PlaceElement(form, ElementKind::Label, "lblLong", -1));
    label.Move(300, 150, 1500, 900);  // 100 pixels wide: it wraps
    label.SetWordWrap(true);
    label.SetCaption("Words &that wrap round");
    auto& right = static_cast<Label&>(rt.PlaceElement(form, ElementKind::Label, "lblRight", -1));
    right.Move(300, 1200, 3000, 255);
    right.SetAlignment(Alignment::Right);
    right.SetCaption("Total:");
    right.SetFont(Font{"Arial", true, 0, true, 12, false, false, 700});
    right.SetForeColour(0x0000FF);  // red
    auto& link = rt.Place<TolvaneLabel>(form, "lblLink", {300, 1800, 3000, 255});
    link.SetCaption("Home && away");
    auto& box = static_cast<TextBox&>(rt.PlaceElement(form, ElementKind::TextBox, "txtName", -1));
    rt.ShowForm(form);
    AtkObject* a = Object(&form, &label);
    EXPECT_EQ(Unit(atk_text_get_text(ATK_TEXT(a), 0, -1), 0, 0), "\"Words that wrap round\" 0-0");
    EXPECT_EQ(atk_text_get_caret_offset(ATK_TEXT(a)), -1);
    EXPECT_EQ(atk_text_get_n_selections(ATK_TEXT(a)), 0);
    EXPECT_FALSE(atk_text_set_selection(ATK_TEXT(a), 0, 0, 3));

    gint start = 0, end = 0, x, y, w, h, bx, by, bw, bh;
    g_free(atk_text_get_string_at_offset(ATK_TEXT(a), 2, ATK_TEXT_GRANULARITY_LINE, &start, &end));
    ASSERT_TRUE(start == 0 && end > 5 && end < 21) << end;
    atk_component_get_extents(ATK_COMPONENT(a), &bx, &by, &bw, &bh, ATK_XY_WINDOW);
    std::vector<std::vector<gint>> at;
    for (gint offset : {0, 1, end, 21}) {
        atk_text_get_character_extents(ATK_TEXT(a), offset, &x, &y, &w, &h, ATK_XY_WINDOW);
        at.push_back({x, y, w, h});
    }
    EXPECT_EQ(at[0][0], bx);
    EXPECT_EQ(at[0][1], by);
    EXPECT_EQ(at[1][0], at[0][0] + at[0][2]);
    EXPECT_EQ(at[2][0], bx);  // the next line starts at the left again, a line lower
    EXPECT_EQ(at[2][1], by + at[0][3]);
    EXPECT_EQ(at[3][3], -1);  // past the text
    AtkObject* r = Object(&form, &right);  // aligned right: its last character ends at the edge
    atk_component_get_extents(ATK_COMPONENT(r), &bx, &by, &bw, &bh, ATK_XY_SCREEN);
    atk_text_get_character_extents(ATK_TEXT(r), 5, &x, &y, &w, &h, ATK_XY_SCREEN);
    EXPECT_NEAR(x + w, bx + bw, 1);
    AtkObject* c = Object(&link.GetSurface());  // a label control, inside its own box
    EXPECT_EQ(Unit(atk_text_get_text(ATK_TEXT(c), 0, -1), 0, 0), "\"Home & away\" 0-0");
    atk_component_get_extents(ATK_COMPONENT(c), &bx, &by, &bw, &bh, ATK_XY_SCREEN);
    atk_text_get_character_extents(ATK_TEXT(c), 10, &x, &y, &w, &h, ATK_XY_SCREEN);
    EXPECT_TRUE(x > bx && x + w <= bx + bw && y == by) << x << "," << y << " in " << bx << "," << by;

    auto rgb = [&](OleColour c) {  // 16 bits a channel
        c = rt.ResolveColour(c);
        return std::to_string((c & 0xFF) * 257) + "," + std::to_string((c >> 8 & 0xFF) * 257) + "," +
               std::to_string((c >> 16 & 0xFF) * 257);
    };
    EXPECT_EQ(Read(atk_text_get_default_attributes(ATK_TEXT(r))),
              (Attributes{{"family-name", "Arial"}, {"size", "12"}, {"weight", "700"}, {"style", "italic"},
                          {"underline", "none"}, {"strikethrough", "false"}, {"fg-color", "65535,0,0"},
                          {"bg-color", rgb(SysColour::ButtonFace)}}));
    EXPECT_EQ(Read(atk_text_get_run_attributes(ATK_TEXT(a), 6, &start, &end)), (Attributes{{"underline", "single"}}));
    EXPECT_EQ(std::make_pair(start, end), std::make_pair(6, 7));
    EXPECT_EQ(Read(atk_text_get_run_attributes(ATK_TEXT(a), 9, &start, &end)), Attributes{});
    EXPECT_EQ(std::make_pair(start, end), std::make_pair(7, 21));
    right.SetEnabled(false);  // drawn grey
    EXPECT_EQ(Read(atk_text_get_default_attributes(ATK_TEXT(r)))["fg-color"], rgb(SysColour::GreyText));
    Attributes boxed = Read(atk_text_get_default_attributes(ATK_TEXT(Object(&form, &box))));
    EXPECT_EQ(boxed["family-name"] + " " + boxed["bg-color"], box.GetFont().name + " " + rgb(box.BackColour()));
}
