// SPDX-License-Identifier: MIT
// TolvaneAbout_2: the about badge on a title-bar blue face, with a ticked box for its icon. Both
// badges are declared with what they share, in aboutbadge.h.
#pragma once

#include <stolvane/controls/about/aboutbadge.h>
