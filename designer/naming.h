// SPDX-License-Identifier: MIT
// Names the designer gives what it places: the classic scheme of the class (or the element
// kind) followed by the first number not yet taken on the form (TolvaneButton1,
// TolvaneButton2 ...), and the check a name typed by the author must pass.
#pragma once

#include <string>

#include "core/form.h"

namespace stolvane::designer {

// The first of Base1, Base2 ... that names nothing on the form yet.
std::string NextName(const Form& form, const std::string& base);
// A valid name: a letter, then letters, digits and underscores, at most 40 of them.
bool ValidName(const std::string& name);

}  // namespace stolvane::designer
