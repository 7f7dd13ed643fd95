// SPDX-License-Identifier: MIT
// The ATK objects the accessibility bus serves, read through ATK's own interfaces as the
// at-spi2-atk bridge reads them for a screen reader, without a bus (a detached bridge): objects
// made anew when the interfaces they need change.
#include <gtest/gtest.h>

#include <atk/atk.h>

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

    AtkObject* Object(Surface* s, Element* e = nullptr) {
        return ATK_OBJECT(bridge.Object({s, e, -1}));
    }
    static bool Defunct(AtkObject* a) {
        AtkStateSet* set = atk_object_ref_state_set(a);
        const bool defunct = atk_state_set_contains_state(set, ATK_STATE_DEFUNCT);
        g_object_unref(set);
        return defunct;
    }
};

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
    AtkObject* frame = Object(&form);
    // Held as a client holds what it reads, so that they can be asked after they went.
    AtkObject* bar = ATK_OBJECT(g_object_ref(Object(&panel.GetSurface())));
    AtkObject* child = Object(&inside.GetSurface());
    AtkObject* text = ATK_OBJECT(g_object_ref(Object(&form, &box)));
    bridge.Update();
    std::vector<std::pair<std::string, AtkObject*>> heard;
    g_signal_connect(frame, "children-changed",
                     G_CALLBACK(+[](AtkObject*, guint i, gpointer c, gpointer list) {
                         static_cast<decltype(heard)*>(list)->push_back({std::to_string(i), ATK_OBJECT(c)});
                     }),
                     &heard);
    EXPECT_EQ(atk_object_get_role(bar), ATK_ROLE_PANEL);
    EXPECT_FALSE(ATK_IS_VALUE(bar));
    EXPECT_FALSE(ATK_IS_ACTION(text));  // named by the label, which marks no key

    // The panel shows a percentage: a progress bar, read by its value.
    panel.SetPercentage(40);
    bridge.Update();
    AtkObject* progress = Object(&panel.GetSurface());
    ASSERT_NE(progress, bar);
    EXPECT_TRUE(Defunct(bar));
    EXPECT_EQ(atk_object_get_role(progress), ATK_ROLE_PROGRESS_BAR);
    ASSERT_TRUE(ATK_IS_VALUE(progress));
    gdouble value = 0;
    atk_value_get_value_and_text(ATK_VALUE(progress), &value, nullptr);
    EXPECT_EQ(value, 40);
    ASSERT_EQ(heard.size(), 2u);
    EXPECT_EQ(heard[0], std::make_pair(std::string("0"), bar));  // removed, then added where it was
    EXPECT_EQ(heard[1], std::make_pair(std::string("0"), progress));
    EXPECT_EQ(atk_object_get_parent(child), progress);
    EXPECT_EQ(atk_object_get_index_in_parent(progress), 0);
    EXPECT_FALSE(Defunct(child));

    // A value changing makes nothing anew; back at 0 the panel has no value to offer.
    panel.SetPercentage(45);
    bridge.Update();
    EXPECT_EQ(Object(&panel.GetSurface()), progress);
    panel.SetPercentage(0);
    bridge.Update();
    EXPECT_FALSE(ATK_IS_VALUE(Object(&panel.GetSurface())));

    // The label comes to mark an access key: the box it names gains the action that key does.
    caption.SetCaption("&Name:");
    bridge.Update();
    AtkObject* keyed = Object(&form, &box);
    ASSERT_TRUE(ATK_IS_ACTION(keyed));
    EXPECT_TRUE(Defunct(text));
    EXPECT_STREQ(atk_action_get_name(ATK_ACTION(keyed), 0), "activate");
    EXPECT_STREQ(atk_action_get_keybinding(ATK_ACTION(keyed), 0), "<Alt>N");
    EXPECT_TRUE(ATK_IS_EDITABLE_TEXT(keyed));

    // A label given a link changes role, not interfaces: the same object, still clickable.
    heard.clear();
    inside.SetHyperlink("https://example.org/");
    bridge.Update();
    EXPECT_EQ(Object(&inside.GetSurface()), child);
    EXPECT_EQ(atk_object_get_role(child), ATK_ROLE_LINK);
    EXPECT_EQ(atk_action_get_n_actions(ATK_ACTION(child)), 1);
    EXPECT_TRUE(heard.empty());
    g_object_unref(bar);
    g_object_unref(text);
}

