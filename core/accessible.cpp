// SPDX-License-Identifier: MIT
// The roles' names as the accessibility bus spells them.
#include "core/accessible.h"

namespace stolvane {

const char* RoleName(AccessibleRole role) {
    switch (role) {
        case AccessibleRole::NotExposed: return "not exposed";
        case AccessibleRole::Application: return "application";
        case AccessibleRole::Frame: return "frame";
        case AccessibleRole::Dialog: return "dialog";
        case AccessibleRole::PushButton: return "push button";
        case AccessibleRole::CheckBox: return "check box";
        case AccessibleRole::Label: return "label";
        case AccessibleRole::Link: return "link";
        case AccessibleRole::Panel: return "panel";
        case AccessibleRole::ProgressBar: return "progress bar";
        case AccessibleRole::StatusBar: return "status bar";
        case AccessibleRole::TitleBar: return "title bar";
        case AccessibleRole::Image: return "image";
        case AccessibleRole::Canvas: return "canvas";
        case AccessibleRole::List: return "list";
        case AccessibleRole::ListItem: return "list item";
        case AccessibleRole::Text: return "text";
        case AccessibleRole::Menu: return "menu";
        case AccessibleRole::MenuItem: return "menu item";
        case AccessibleRole::ToolTip: return "tool tip";
    }
    return "unknown";
}

}  // namespace stolvane
