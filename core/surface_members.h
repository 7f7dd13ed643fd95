// SPDX-License-Identifier: MIT
// The members of surfaces, the way element kinds have theirs (core/element_members.h): a
// control's place, size, visibility and tab order as its container sees them, and a form's
// caption, frame, window state, font and pictures. Form files, dumps and the scripted driver
// all work from these rows, so that each member is named, typed and converted in one place.
#pragma once

#include <vector>

#include "core/element_members.h"
#include "core/surface.h"

namespace stolvane {

struct SurfaceMember : MemberInfo {
    enum Scope { AllSurfaces, ControlsOnly, FormsOnly };
    // Where a dump shows it: among the surface's own keys ("left"), under "properties"
    // ("Caption"), or not at all.
    enum DumpPlace { NotDumped, DumpKey, DumpProperty };
    Scope scope = AllSurfaces;
    DumpPlace dump = NotDumped;
    // Its place among a form file's keys (1 first); 0 for members form files do not hold.
    int fileOrder = 0;
    // For a form, the member is whether the runtime shows it: the runtime answers and changes it.
    bool shownByRuntime = false;
    std::function<Value(const Surface&)> get;
    std::function<void(Surface&, const Value&)> set;  // null: not settable (no such member to set)

    bool AppliesTo(const Surface& s) const {
        return scope == AllSurfaces || (scope == FormsOnly) == s.IsForm();
    }
};

// Every surface member, in the order dumps list them.
const std::vector<SurfaceMember>& SurfaceMembers();
// The member of that name or alias (any case) the surface has; null for none.
const SurfaceMember* FindSurfaceMember(const Surface& s, const std::string& name);
// The members a form file holds, in the order it lists them.
const std::vector<const SurfaceMember*>& FormFileMembers();

}  // namespace stolvane
