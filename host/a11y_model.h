// SPDX-License-Identifier: MIT
// The accessible model of a form: the tree of objects a screen reader sees (the form, then its
// controls and intrinsic elements in tab order, containers holding their children), each with a
// role, name, description, states, access key, actions, value, text and extents in pixels. It is
// built from what each control class and element kind declares (core/accessible.h); a control's
// design children are not objects of their own, the control speaks for them. The bus side
// (host/a11y_atk.*) and the `stolvane a11y` command both read it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/accessible.h"
#include "core/font.h"
#include "core/form.h"

namespace stolvane {

class Runtime;
class TextBox;

// One accessible object: a form (surface only), a control (its surface), an intrinsic element
// (its owner and the element) or a row of a list box (the list and the row).
struct AccessibleRef {
    Surface* surface = nullptr;
    Element* element = nullptr;
    int item = -1;
    bool operator==(const AccessibleRef& o) const {
        return surface == o.surface && element == o.element && item == o.item;
    }
    // What identifies the object for as long as it lives (the element, else the surface).
    const void* Key() const { return element ? static_cast<const void*>(element) : surface; }
};

struct AccessibleStates {
    bool focusable = false, focused = false;
    bool enabled = true;  // sensitive and enabled
    bool visible = true, showing = false;
    bool checkable = false, checked = false;
    bool pressed = false;
    bool expandable = false, expanded = false;  // a list's heading row
    bool selectable = false, selected = false;
    bool editable = false, multiLine = false, singleLine = false;
    bool modal = false, active = false;
    // The states that hold, by their bus names, in one fixed order.
    std::vector<std::string> Names() const;
};

// Pixels; relative to the form's client area, and on the screen.
struct AccessibleExtents {
    int x = 0, y = 0, width = 0, height = 0;
    int screenX = 0, screenY = 0;
};

// What a window backend shows on a form of its own outside the application's forms, told to
// the model while it is up: a popup menu (a row for each item, the row highlighted, and how a
// row is chosen) or a tooltip (its text).
struct AccessiblePopup {
    AccessibleRole role = AccessibleRole::Menu;  // Menu or ToolTip
    std::string text;                            // a tooltip's
    struct Row {
        Element* label = nullptr;  // the row's label on the popup's form
        MenuItem* item = nullptr;
    };
    std::vector<Row> rows;
    int highlighted = -1;
    std::function<void(MenuItem&)> choose;  // closes the menu with the item chosen
};
// The popup a form shows, or null for a form of the application.
using AccessiblePopups = std::function<const AccessiblePopup*(const Form&)>;

struct AccessibleNode {
    AccessibleRef ref;
    AccessibleRole role = AccessibleRole::NotExposed;
    std::string name, description;
    AccessibleStates states;
    std::string accessKey;  // "Alt+O"
    std::vector<AccessibleAction> actions;
    std::optional<double> value;  // 0 to 100
    std::optional<std::string> text;
    int caret = -1;              // characters, for a text box
    int selectionStart = 0, selectionLength = 0;
    AccessibleExtents extents;
    // A label naming the control after it in tab order, and that control.
    std::optional<AccessibleRef> labelFor, labelledBy;
    std::string labelledByName;  // filled by AccessibleTree, for the text it prints
    std::vector<AccessibleNode> children;
};

// "&About..." -> "About...", "&&" -> "&".
std::string WithoutAccessKeyMarker(const std::string& caption);
// The key the marker gives: "&About..." -> "Alt+A"; empty for none.
std::string AccessKeyOf(const std::string& caption);

// The node for one object, without its children. `scale`: device pixels per classic pixel.
// `popup`: what the object's form shows, when it is a popup's.
AccessibleNode DescribeAccessible(Runtime& rt, const AccessibleRef& ref, double scale = 1,
                                  const AccessiblePopup* popup = nullptr);
// The objects inside one, in tab order.
std::vector<AccessibleRef> AccessibleChildren(Runtime& rt, const AccessibleRef& ref,
                                              const AccessiblePopup* popup = nullptr);
// The whole tree of a form.
AccessibleNode AccessibleTree(Runtime& rt, Form& form, double scale = 1);
// One node a line, indented two spaces a level: role, name, key, value, states, actions, ...
std::string FormatAccessibleTree(const AccessibleNode& root);
// Carries out an action of the object as the keyboard or the mouse would; false when it has no
// action of that index.
bool InvokeAccessibleAction(Runtime& rt, const AccessibleRef& ref, size_t index,
                            const AccessiblePopup* popup = nullptr);
// The unit of a text (word, sentence, line) around an offset, as screen readers ask for it:
// from the boundary at or before the offset to the next one after it. Boundaries are where
// units start (or, for the End kinds, where they end); offsets count characters.
enum class TextUnit { WordStart, WordEnd, SentenceStart, SentenceEnd, LineStart, LineEnd };
struct TextSpan {
    int start = 0, end = 0;
};
// `wraps`: where a text box's laid-out lines start, in characters (`LineStarts`), so that a
// line is read as the box shows it; without them a line runs from one line break to the next.
TextSpan TextUnitAt(const std::string& text, int offset, TextUnit boundary, const std::vector<int>& wraps = {});
// Where each line of a text box starts as it is laid out (wrapped or not), in characters.
std::vector<int> LineStarts(const TextBox& box);
// Where one character of a text box lies, in pixels at scale 1 relative to the box; nothing
// for an offset past its text.
std::optional<Rect> CharacterBounds(const TextBox& box, int offset);

// The label element that shows a label object's text: the object itself, or the one inside a
// label control (a link's too); null for other objects.
const Label* ShownLabel(Runtime& rt, const AccessibleRef& ref);
// A label's text as it shows it: its caption without the access-key marker, laid out as it is
// drawn (the same layout gives the text, its lines and where each character lies).
std::string LabelText(const Label& label);
// The same for any object with a text (a text box, a label): where its lines start as laid out
// (a label's wrapped where it wraps), in characters, and where one character lies, in pixels
// at scale 1 relative to the object. Nothing for other objects, or past the text.
std::vector<int> TextLineStarts(Runtime& rt, const AccessibleRef& ref);
std::optional<Rect> TextCharacterBounds(Runtime& rt, const AccessibleRef& ref, int offset);

// How an object's text looks, for the attributes a reader tells: the font it is drawn in, its
// colours (direct colours, 0x00BBGGRR; no background where the text is drawn over what lies
// behind it), and the runs the font does not underline but the text shows underlined (a
// label's access key).
struct TextLook {
    Font font;
    uint32_t fore = 0;
    std::optional<uint32_t> back;
    std::vector<TextSpan> underlined;
};
std::optional<TextLook> TextLookOf(Runtime& rt, const AccessibleRef& ref);
// The form an object belongs to.
Form* FormOf(const AccessibleRef& ref);

}  // namespace stolvane
