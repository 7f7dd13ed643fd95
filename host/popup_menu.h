// SPDX-License-Identifier: MIT
// The form a popup menu shows: a raised box of the menu colour holding one label per item (the
// default item bold, disabled items greyed) and a sunken rule for each separator. The window
// backend opens it as a window of its own; tests render it.
#pragma once

#include <utility>
#include <vector>

#include "core/form.h"

namespace stolvane {

class Runtime;

struct PopupMenuForm {
    Form* form = nullptr;  // null when the menu has no visible item
    std::vector<std::pair<Label*, MenuItem*>> rows;  // the items' labels, top to bottom
};

// Builds the menu of root's visible items with its top-left corner at the pointer. The form is
// loaded but not shown.
PopupMenuForm BuildPopupMenu(Runtime& rt, MenuItem& root, MenuItem* defaultItem);

// Highlights one row (-1: none) in the selection colours.
void HighlightPopupRow(PopupMenuForm& menu, int row);

}  // namespace stolvane
