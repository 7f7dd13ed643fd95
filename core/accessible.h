// SPDX-License-Identifier: MIT
// What a control class or an element kind tells assistive technologies about its instances: the
// role, where its name comes from, which states (checked, pressed), value and text it has, and
// the actions a screen reader may invoke. Classes and kinds declare this beside their property
// tables; the runtime builds the accessible tree from the declarations and knows no class.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace stolvane {

class Control;
class Element;

// The roles the library's objects take, as the accessibility bus names them.
enum class AccessibleRole {
    NotExposed,  // timers, lines, shapes
    Application,
    Frame,
    Dialog,
    PushButton,
    CheckBox,
    Label,
    Link,
    Panel,
    ProgressBar,
    StatusBar,
    TitleBar,
    Image,
    Canvas,
    List,
    ListItem,
    Text,
    Menu,
    MenuItem,
    ToolTip,
};
// "push button": the role's name as the bus spells it (lower case, words apart).
const char* RoleName(AccessibleRole role);

// How an action is carried out: exactly as the keyboard or the mouse would do it.
enum class AccessibleActionKind {
    SpaceKey,    // Space pressed on the control (a button clicks, a check box toggles)
    MouseClick,  // the left button pressed and released in the middle of it
    Focus,       // the focus moved to it, as the access key of the label before it does
};
struct AccessibleAction {
    std::string name;  // "click", "toggle", "press"
    AccessibleActionKind kind = AccessibleActionKind::MouseClick;
    std::string description;
};

// A child of a control's design that is an object of its own inside the control (a title
// bar's caption buttons): the control's own design children are otherwise spoken for by it.
struct AccessiblePart {
    Element* element = nullptr;
    // NotExposed: the role the element's kind declares.
    AccessibleRole role = AccessibleRole::NotExposed;
    // Read before the element's caption and tip; empty: as the element's kind names it.
    std::string name;
    // Empty: the actions the element's kind declares.
    std::vector<AccessibleAction> actions;
};

// A control class's declaration. Null functions: the class has no such state.
struct AccessibleClass {
    // The role of an instance; null: a panel. A function, since it may follow the instance's
    // properties (a panel showing its percentage is a progress bar).
    std::function<AccessibleRole(Control&)> role;
    // The property whose text names the instance ("Caption"); its access-key marker is left
    // out. Empty, or an empty text: the control's ToolTipText, else its name.
    std::string nameProperty;
    std::function<bool(Control&)> checked;                  // a check box's tick
    std::function<bool(Control&)> pressed;                  // a latched button held down
    std::function<std::optional<double>(Control&)> value;   // a progress bar's value, 0 to 100
    std::vector<AccessibleAction> actions;
    // The design children shown as objects of their own, in reading order; only those the
    // control shows at the moment.
    std::function<std::vector<AccessiblePart>(Control&)> parts;
};

// An element kind's declaration. Null functions: the kind has no such state.
struct AccessibleKind {
    AccessibleRole role = AccessibleRole::NotExposed;
    std::function<std::string(const Element&)> name;        // with its access-key marker, if any
    std::function<bool(const Element&)> enabled;
    std::function<bool(const Element&)> focusable;          // a tab stop
    std::function<std::optional<std::string>(const Element&)> text;
    std::function<bool(const Element&)> editable;
    std::function<bool(const Element&)> multiLine;
    std::vector<AccessibleAction> actions;
};

}  // namespace stolvane
