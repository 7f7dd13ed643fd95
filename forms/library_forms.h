// SPDX-License-Identifier: MIT
// The library's own forms (about box, samples viewer, known problems), registered by name
// with their designs and handlers.
#pragma once

#include "core/library.h"

namespace stolvane {
void RegisterLibraryForms(Library& library);
}
