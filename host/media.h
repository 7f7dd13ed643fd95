// SPDX-License-Identifier: MIT
// Fonts, text measurement and picture files together, for code that uses all three; each has a
// header of its own (host/fonts.h, host/text_layouts.h, host/pictures.h).
#pragma once

#include "host/fonts.h"
#include "host/pictures.h"
#include "host/text_layouts.h"
