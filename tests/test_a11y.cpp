// SPDX-License-Identifier: MIT
// The accessible model: the tree a screen reader sees of the showcase (roles, names, keys and
// states against a table), the naming rule, states that follow the controls, actions that do
// what the keyboard or mouse does, text boxes and list boxes, popup menus, and the
// `stolvane a11y` command. A modal form as a dialog, a tooltip, and what the title bar's buttons
// do are read over the bus by tests/a11y/atspi_showcase.py.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>

#include "controls/button/tolvanebutton.h"
#include "controls/caption/tolvanecaption.h"
#include "controls/panel/tolvanepanel.h"
#include "controls/tick/tolvanetick.h"
#include "core/text_box.h"
#include "forms/showcase/showcase.h"
#include "host/a11y_model.h"
#include "host/form_file.h"
#include "host/popup_menu.h"
#include "host/runtime.h"
#include "test_support.h"

using namespace stolvane;

namespace {

struct Row {
    size_t index;  // in tab order
    int depth;
    std::string role, name, key;
    std::vector<std::string> states;  // each must hold
};

void Flatten(const AccessibleNode& n, int depth, std::vector<const AccessibleNode*>& out, std::vector<int>& depths) {
    out.push_back(&n);
    depths.push_back(depth);
    for (auto& c : n.children) Flatten(c, depth + 1, out, depths);
}

bool Holds(const AccessibleNode& n, const std::string& state) {
    auto names = n.states.Names();
    return std::find(names.begin(), names.end(), state) != names.end();
}

struct A11y : ::testing::Test {
    Runtime rt;
    test::Recorder events;
    Form* form = nullptr;

    void OpenShowcase() {
        form = &LoadFormText(rt, showcase::Design(), "", "frmShowcase");
        showcase::Attach(*form);
        rt.SetFocusOnShow(true);
        rt.SetObserver(&events);
        rt.ShowForm(*form);
    }
    // "btnStyle(2)" or "btnAbout".
    AccessibleRef RefOf(const std::string& control) {
        auto open = control.find('(');
        if (open == std::string::npos) return {form->FindSurface(control), nullptr, -1};
        return {form->FindSurface(control.substr(0, open), std::stoi(control.substr(open + 1))), nullptr, -1};
    }
    AccessibleNode Node(const std::string& control) { return DescribeAccessible(rt, RefOf(control)); }
};

// The showcase as a screen reader reads it, in tab order: an object of each kind it holds. A
// name is the caption without its marker; else the tip (also the description); else the
// control's name.
TEST_F(A11y, ShowcaseTreeMatchesTheTableAndNamesFollowCaptionThenTipThenName) {
    OpenShowcase();
    const std::vector<Row> table = {
        {0, 0, "frame", "STolvane showcase", "", {"active", "showing"}},
        {1, 1, "title bar", "STolvane showcase - classic controls at work", "", {"showing"}},
        {2, 2, "push button", "System Menu", "", {"showing", "sensitive"}},
        {6, 1, "panel", "pnlBody", "", {"showing"}},
        {7, 2, "label", "Buttons in four styles", "", {}},
        {8, 2, "push button", "Win 95", "Alt+9", {"focusable", "focused", "sensitive"}},
        {13, 2, "link", "Visit the STolvane home page", "", {"sensitive"}},
        {19, 2, "push button", "TolvaneAbout_11", "", {"sensitive"}},
        {24, 2, "progress bar", "Progress: 60 %", "", {}},
        {30, 1, "status bar", "Ready. Drag the grip in the corner to make the window larger.", "", {"showing"}},
    };
    AccessibleNode root = AccessibleTree(rt, *form);
    std::vector<const AccessibleNode*> nodes;
    std::vector<int> depths;
    Flatten(root, 0, nodes, depths);
    // The timer and the controls' design children are not there.
    ASSERT_EQ(nodes.size(), 31u) << FormatAccessibleTree(root);
    for (const Row& row : table) {
        SCOPED_TRACE("object " + std::to_string(row.index) + ": " + row.name);
        const AccessibleNode& n = *nodes[row.index];
        EXPECT_EQ(depths[row.index], row.depth);
        EXPECT_EQ(RoleName(n.role), row.role);
        EXPECT_EQ(n.name, row.name);
        EXPECT_EQ(n.accessKey, row.key);
        for (auto& s : row.states) EXPECT_TRUE(Holds(n, s)) << s;
    }
    EXPECT_EQ(std::count_if(nodes.begin(), nodes.end(), [](auto* n) { return n->states.focused; }), 1);

    EXPECT_EQ(WithoutAccessKeyMarker("Fish && &Chips"), "Fish & Chips");
    EXPECT_EQ(WithoutAccessKeyMarker("  Ready.  "), "Ready.");
    EXPECT_EQ(WithoutAccessKeyMarker("Trailing &"), "Trailing");
    EXPECT_EQ(AccessKeyOf("Fish && &Chips"), "Alt+C");
    form->FindSurface("TolvaneAbout_11")->EmbeddingElement()->SetToolTipText("About the controls");
    AccessibleNode badge = Node("TolvaneAbout_11");
    EXPECT_EQ(badge.name, "About the controls");
    EXPECT_EQ(badge.description, "About the controls");
    EXPECT_EQ(Node("btnAbout").description, "");
}

// States and roles follow the controls as they change, and actions as they are enabled. The
// title bar holds its icon's button and the caption buttons it shows, none a tab stop.
TEST_F(A11y, StatesRolesActionsAndTheTitleBarsButtonsFollowTheControls) {
    OpenShowcase();
    auto names = [&] {
        std::vector<std::string> out;
        for (auto& r : AccessibleChildren(rt, RefOf("capShowcase"))) out.push_back(DescribeAccessible(rt, r).name);
        return out;
    };
    auto part = [&](const std::string& name) {
        for (auto& r : AccessibleChildren(rt, RefOf("capShowcase")))
            if (DescribeAccessible(rt, r).name == name) return r;
        ADD_FAILURE() << "no " << name << " in the title bar";
        return AccessibleRef{};
    };
    AccessibleNode max = DescribeAccessible(rt, part("Maximize"));
    EXPECT_EQ(max.description, "Maximize");
    EXPECT_FALSE(max.states.focusable);

    // A button the bar does not show is not there; one it shows disabled reads as disabled.
    auto& bar = form->Find<TolvaneCaption>("capShowcase");
    bar.SetMaximize(ButtonStyle::Nonexistant);
    bar.SetHalt(ButtonStyle::Nonfunctional);
    bar.SetHelp(ButtonStyle::Functional);
    EXPECT_EQ(names(), (std::vector<std::string>{"System Menu", "Help", "Minimize", "Close"}));
    EXPECT_FALSE(DescribeAccessible(rt, part("Close")).states.enabled);

    auto& about = form->Find<TolvaneButton>("btnAbout");
    about.SetEnabled(BooleanFalse);
    EXPECT_FALSE(Node("btnAbout").states.enabled);
    EXPECT_FALSE(Node("btnAbout").states.focusable);
    EXPECT_EQ(Node("btnAbout").accessKey, "");  // a disabled button answers to no key
    about.SetEnabled(BooleanTrue);
    about.SetCatch(BooleanTrue);
    about.SetIsDown(BooleanTrue);
    EXPECT_TRUE(Node("btnAbout").states.pressed);

    form->Find<TolvanePanel>("pnlProgress").SetPercentage(0);
    EXPECT_EQ(Node("pnlProgress").role, AccessibleRole::Panel);
    EXPECT_FALSE(Node("pnlProgress").value);

    // An action does what the keyboard or the mouse would: the button clicks, the box toggles.
    EXPECT_TRUE(InvokeAccessibleAction(rt, RefOf("tikCross"), 0));
    EXPECT_TRUE(Node("tikCross").states.checked);
    EXPECT_TRUE(events.Has("event tikCross ValueChange"));
    EXPECT_TRUE(events.Has("event tikCross Click"));

    EXPECT_TRUE(InvokeAccessibleAction(rt, RefOf("btnStyle(2)"), 0));
    EXPECT_TRUE(events.Has("event btnStyle(2) Click"));
    EXPECT_FALSE(InvokeAccessibleAction(rt, RefOf("btnStyle(2)"), 1));  // no second action

    // A disabled control does nothing.
    form->Find<TolvaneTick>("tikGrip").SetEnabled(BooleanFalse);
    EXPECT_FALSE(InvokeAccessibleAction(rt, RefOf("tikGrip"), 0));
    EXPECT_TRUE(Node("tikGrip").states.checked);

    form->FindSurface("pnlBody")->SetVisible(false);
    EXPECT_TRUE(Node("btnAbout").states.visible);
    EXPECT_FALSE(Node("btnAbout").states.showing);
}

// Text boxes expose their text (hidden text as its mask), caret and kind; list boxes their rows.
TEST_F(A11y, TextBoxesAndListBoxes) {
    Form& f = rt.NewForm("frmEntry");
    form = &f;
    auto& name = static_cast<TextBox&>(rt.PlaceElement(f, ElementKind::TextBox, "txtName", -1));
    name.Move(120, 120, 2400, 300);
    name.SetText("Ada");
    name.SetToolTipText("Your name");
    auto& secret = static_cast<TextBox&>(rt.PlaceElement(f, ElementKind::TextBox, "txtSecret", -1));
    secret.SetPasswordChar("*");
    secret.SetText("h\xC3\xA9llo");
    auto& notes = static_cast<TextBox&>(rt.PlaceElement(f, ElementKind::TextBox, "txtNotes", -1));
    notes.SetMultiLine(true);
    notes.SetLocked(true);
    auto& list = static_cast<ListBox&>(rt.PlaceElement(f, ElementKind::ListBox, "lstParts", -1));
    list.Move(120, 600, 2400, 1200);
    list.AddItem("Wheels");
    list.AddItem("Axles");
    list.SetSelected(1, true);
    list.AddItem("Body");
    list.SetHeading(2, true);
    int toggled = -1;
    list.onHeadingToggle = [&](int row) { toggled = row; };
    rt.ShowForm(f);
    rt.FocusElement(name);

    AccessibleNode root = AccessibleTree(rt, f);
    ASSERT_EQ(root.children.size(), 4u) << FormatAccessibleTree(root);
    const AccessibleNode& n = root.children[0];
    EXPECT_EQ(n.role, AccessibleRole::Text);
    EXPECT_EQ(n.name, "Your name");
    EXPECT_EQ(n.text, "Ada");
    EXPECT_TRUE(Holds(n, "editable") && Holds(n, "single-line") && Holds(n, "focused"));
    EXPECT_EQ(n.extents.x, 8);
    EXPECT_EQ(root.children[1].text, "*****");  // five characters, not six bytes
    EXPECT_TRUE(Holds(root.children[2], "multi-line"));
    EXPECT_FALSE(Holds(root.children[2], "editable"));
    const AccessibleNode& rows = root.children[3];
    EXPECT_EQ(rows.role, AccessibleRole::List);
    ASSERT_EQ(rows.children.size(), 3u);
    EXPECT_EQ(rows.children[1].name, "Axles");
    EXPECT_TRUE(rows.children[0].extents.x >= rows.extents.x && rows.children[0].extents.y >= rows.extents.y);
    EXPECT_TRUE(rows.children[1].states.checked);
    EXPECT_TRUE(InvokeAccessibleAction(rt, rows.children[0].ref, 0));
    EXPECT_TRUE(list.Selected(0));
    // A heading row: expandable and expanded, no check box; its action collapses it.
    const AccessibleNode& heading = rows.children[2];
    EXPECT_TRUE(Holds(heading, "expandable") && Holds(heading, "expanded"));
    EXPECT_FALSE(Holds(heading, "checkable"));
    EXPECT_FALSE(Holds(rows.children[0], "expandable"));
    EXPECT_TRUE(InvokeAccessibleAction(rt, heading.ref, 0));
    EXPECT_TRUE(list.Collapsed(2));
    EXPECT_EQ(toggled, 2);
    EXPECT_FALSE(Holds(DescribeAccessible(rt, heading.ref), "expanded"));

    // 160 pixels wide, doubled at scale 2.
    EXPECT_EQ(DescribeAccessible(rt, n.ref, 2).extents.width, 320);
}

// A popup menu is a menu of its items while it is up: the highlighted one selected and focused,
// a disabled one insensitive, each keyed by its letter and chosen by its action.
TEST(A11yPopups, MenuRowsReadTheirItemsStatesAndChoose) {
    Runtime rt;
    Form& owner = rt.NewForm("frmOwner");
    MenuItem& root = static_cast<MenuItem&>(rt.PlaceElement(owner, ElementKind::MenuItem, "mnuRoot", -1));
    const char* captions[] = {"&Open", "-", "&Save", "E&xit"};
    for (int i = 0; i < 4; ++i) {
        auto& item = static_cast<MenuItem&>(rt.PlaceElement(owner, ElementKind::MenuItem, "mnuItem", i));
        item.SetCaption(captions[i]);
        root.Items().push_back(&item);
    }
    root.Items()[2]->SetEnabled(false);
    PopupMenuForm built = BuildPopupMenu(rt, root, root.Items()[0]);
    ASSERT_NE(built.form, nullptr);
    rt.ShowForm(*built.form);
    MenuItem* chosen = nullptr;
    AccessiblePopup popup;
    for (auto& [label, item] : built.rows) popup.rows.push_back({label, item});
    popup.highlighted = 2;
    popup.choose = [&](MenuItem& item) { chosen = &item; };

    AccessibleRef menu{built.form, nullptr, -1};
    EXPECT_EQ(DescribeAccessible(rt, menu, 1, &popup).role, AccessibleRole::Menu);
    std::vector<AccessibleRef> rows = AccessibleChildren(rt, menu, &popup);
    ASSERT_EQ(rows.size(), 3u);  // the separator is no item
    std::vector<AccessibleNode> items;
    for (auto& r : rows) items.push_back(DescribeAccessible(rt, r, 1, &popup));
    EXPECT_EQ(items[0].role, AccessibleRole::MenuItem);
    EXPECT_EQ(items[0].name, "Open");
    EXPECT_EQ(items[2].accessKey, "X");
    EXPECT_FALSE(items[1].states.enabled);
    EXPECT_TRUE(items[2].states.selected && items[2].states.focused);
    EXPECT_FALSE(items[0].states.focused);
    EXPECT_GT(items[1].extents.y, items[0].extents.y);
    EXPECT_FALSE(InvokeAccessibleAction(rt, rows[1], 0, &popup));  // disabled
    EXPECT_TRUE(InvokeAccessibleAction(rt, rows[2], 0, &popup));
    EXPECT_EQ(chosen, root.Items()[3]);
}

// A label names what follows it in tab order when it marks an access key (which then reaches
// that object) or that object has no caption of its own; the relation goes both ways.
TEST_F(A11y, LabelsNameTheControlAfterThem) {
    Form& f = rt.NewForm("frmLabels");
    form = &f;
    auto label = [&](const std::string& name, const std::string& caption) -> Label& {
        auto& l = static_cast<Label&>(rt.PlaceElement(f, ElementKind::Label, name, -1));
        l.SetCaption(caption);
        return l;
    };
    auto box = [&](const std::string& name) -> TextBox& {
        return static_cast<TextBox&>(rt.PlaceElement(f, ElementKind::TextBox, name, -1));
    };
    label("lblName", "&Name:");
    TextBox& name = box("txtName");
    label("lblNotes", "Notes");
    TextBox& notes = box("txtNotes");
    notes.SetToolTipText("Anything else");
    label("lblGo", "&Go");
    rt.Place<TolvaneButton>(f, "btnGo", {120, 2000, 1200, 400}).SetCaption("Start");
    label("lblHeading", "Later");
    rt.Place<TolvaneButton>(f, "btnLater", {120, 2600, 1200, 400}).SetCaption("Later");
    label("lblLast", "&Trailing");
    rt.ShowForm(f);

    AccessibleNode root = AccessibleTree(rt, f);
    ASSERT_EQ(root.children.size(), 9u) << FormatAccessibleTree(root);
    const AccessibleNode& nameBox = root.children[1];
    ASSERT_TRUE(nameBox.labelledBy);
    EXPECT_EQ(nameBox.labelledBy->element, f.FindAuthored("lblName"));
    EXPECT_NE(FormatAccessibleTree(root).find("  text \"Name:\" key Alt+N text \"\" [focusable"), std::string::npos)
        << FormatAccessibleTree(root);
    EXPECT_NE(FormatAccessibleTree(root).find("actions activate labelled by \"Name:\" at "), std::string::npos);
    ASSERT_TRUE(root.children[0].labelFor);
    EXPECT_EQ(root.children[0].labelFor->element, &name);
    // Without a key the label still names a box that has no caption; the tip stays its description.
    EXPECT_EQ(root.children[3].name, "Notes");
    EXPECT_EQ(root.children[3].description, "Anything else");
    EXPECT_EQ(root.children[3].accessKey, "");
    // A captioned button keeps its caption and takes the label's key.
    EXPECT_EQ(root.children[5].name, "Start");
    EXPECT_EQ(root.children[5].accessKey, "Alt+G");
    // A label without a key does not rename a captioned control; the last label names nothing.
    EXPECT_FALSE(root.children[6].labelFor);
    EXPECT_FALSE(root.children[7].labelledBy);
    EXPECT_FALSE(root.children[8].labelFor);

    // The box's action does what the label's key does: the focus moves to it.
    rt.FocusElement(notes);
    EXPECT_TRUE(InvokeAccessibleAction(rt, nameBox.ref, 0));
    EXPECT_EQ(rt.FocusedTextBox(), &name);
}

// Where a text box's characters lie, and its lines as it wraps them.
TEST(A11yText, UnitsAndCharacterBounds) {
    Runtime rt;
    Form& f = rt.NewForm("frmText");
    auto& box = static_cast<TextBox&>(rt.PlaceElement(f, ElementKind::TextBox, "txtText", -1));
    box.Move(0, 0, 3000, 315);
    box.SetText("WiW");
    auto w = CharacterBounds(box, 0), i = CharacterBounds(box, 1), last = CharacterBounds(box, 2);
    ASSERT_TRUE(w && i && last);
    EXPECT_GT(w->width, i->width);
    EXPECT_DOUBLE_EQ(i->left, w->left + w->width);
    EXPECT_DOUBLE_EQ(last->top, w->top);
    EXPECT_FALSE(CharacterBounds(box, 3));

    // A multi-line box is read by line as it wraps: a wrapped line keeps its trailing blank,
    // a line break still ends a line, and a line ends where the next one starts or at a break.
    box.SetMultiLine(true);
    box.Move(0, 0, 1100, 1500);
    const std::string words = "alpha beta gamma delta epsilon zeta\neta";
    box.SetText(words);
    std::vector<int> starts = LineStarts(box);
    ASSERT_GE(starts.size(), 3u);
    EXPECT_EQ(starts.back(), 36);  // "eta", after the break
    const int second = starts[1];
    ASSERT_GT(second, 0);
    EXPECT_EQ(words[static_cast<size_t>(second) - 1], ' ');
    auto line = [&](int offset, TextUnit unit) {
        TextSpan s = TextUnitAt(words, offset, unit, starts);
        return std::make_pair(s.start, s.end);
    };
    EXPECT_EQ(line(1, TextUnit::LineStart), std::make_pair(0, second));
    EXPECT_EQ(line(37, TextUnit::LineStart), std::make_pair(36, 39));
    EXPECT_EQ(line(1, TextUnit::LineEnd), std::make_pair(0, second));
    EXPECT_EQ(line(37, TextUnit::LineEnd), std::make_pair(35, 39));  // from the break
}

// The command prints the tree of a form file, and refuses what it cannot read.
TEST(A11yCommand, PrintsTheTreeOfAFormFile) {
    test::TempFolder dir{"stolvane-a11y"};
    auto run = [&](const std::string& args, std::string& out) {
        std::string cmd = "cd '" + dir.Path().string() + "' && '" + std::string(STOLVANE_CLI) + "' a11y " + args +
                          " > out.txt 2> err.txt";
        int rc = std::system(cmd.c_str());
        out = test::ReadFile(dir.Path() / "out.txt");
        return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    };
    std::string out;
    EXPECT_EQ(run("'" + std::string(STOLVANE_SOURCE_DIR) + "/examples/panel.json'", out), 0);
    EXPECT_EQ(out.rfind("frame \"Panels\" [active ", 0), 0u) << out;
    EXPECT_NE(out.find("    check box \"Sound\" key Alt+S [focusable focused sensitive enabled visible showing "
                       "checkable checked] actions toggle"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("  progress bar \"Copying files... 50 %\" value 50 ["), std::string::npos) << out;
    EXPECT_EQ(run("frmAbout", out), 0);
    EXPECT_NE(out.find("  push button \"OK\" key Alt+O"), std::string::npos) << out;
    EXPECT_EQ(run("missing.json", out), 2);
    EXPECT_EQ(run("", out), 2);
}

}  // namespace
