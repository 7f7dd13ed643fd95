// SPDX-License-Identifier: MIT
// frmAbout: the library's about box. The version line, the six-tile logo turning clockwise one
// place every 400 ms, OK (hides the box for the code that opened it to unload) and Samples
// (opens the samples viewer modally on top).
#pragma once

#include <string>

#include "core/form.h"

namespace stolvane::about {

// "Version: v1.15.96, last revised on: " and the first 8 characters of the version comment.
std::string VersionLine(const std::string& versionComment);

// Wires the handlers of a freshly loaded frmAbout.
void Attach(Form& form);

}  // namespace stolvane::about
