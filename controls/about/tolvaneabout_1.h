// SPDX-License-Identifier: MIT
// TolvaneAbout_1: the about badge on a light face, with a small window for its icon. Both badges
// are declared with what they share, in aboutbadge.h.
#pragma once

#include <stolvane/controls/about/aboutbadge.h>
