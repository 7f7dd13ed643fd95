// SPDX-License-Identifier: MIT
// Form-file text taken apart and put together again: what the designer copies to the
// clipboard (a form file holding only the copied controls), what it pastes (their names made
// unique on the form) and what it deletes or renames, all on the document the writer made.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "host/form_json.h"

namespace stolvane::designer {

using formfile::Json;

// Parses form-file text; malformed text throws FormFileError naming `source`.
Json ParseFormText(const std::string& text, const std::string& source);
// Text laid out as the writer lays out form files.
std::string FormText(const Json& doc);

// Every name in the document's "controls", however deep.
std::set<std::string> EntryNames(const Json& doc);
// Copies of the entries named (at any depth; a container brings its children), in file order.
Json CopyEntries(const Json& doc, const std::vector<std::string>& names);
// Takes the entries named out of the document; returns how many went.
size_t RemoveEntries(Json& doc, const std::vector<std::string>& names);
// Gives each entry (and each child of a container) a name the taken names do not hold yet,
// after the classic scheme of its class (TolvaneButton3); returns the new top-level names.
std::vector<std::string> MakeNamesUnique(Json& entries, std::set<std::string>& taken);
// Adds the entries to the controls of the form (container empty) or of the container named;
// false when there is no such container.
bool InsertEntries(Json& doc, const std::string& container, const Json& entries);
// Moves the entries named to the end of their own list of controls (front: drawn last, above
// the others) or to its start (back), keeping their order among themselves; returns how many
// were found.
size_t ReorderEntries(Json& doc, const std::vector<std::string>& names, bool toFront);
// Moves an entry by (dx, dy) twips in its container: a line by its ends, a control or a boxed
// element by its left and top (absent: 0); a timer has no place and stays as it is.
void ShiftEntry(Json& entry, double dx, double dy);
// Renames an entry and what refers to it (the form's default and cancel buttons); false when
// there is none of that name.
bool RenameEntry(Json& doc, const std::string& from, const std::string& to);

}  // namespace stolvane::designer
