// SPDX-License-Identifier: MIT
// The class reference: what `stolvane describe` prints and docs/controls.md holds, made from
// the class tables (properties with types, defaults, saved keys, enumerations and help texts;
// events with their arguments).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace stolvane {

// `stolvane describe [--markdown] [CLASS]`; returns the exit status.
int DescribeCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The whole reference as Markdown: the text of docs/controls.md.
std::string ControlReferenceMarkdown();

}  // namespace stolvane
