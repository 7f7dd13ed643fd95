// SPDX-License-Identifier: MIT
// JSON pictures of what a form holds, for the scripted driver's answers: a control with its
// geometry, every persisted property and its elements; an element with the state its kind
// has; property values, fonts and pictures as scripts read and write them.
#pragma once

#include <nlohmann/json.hpp>

#include "core/control.h"
#include "core/element_members.h"
#include "core/elements.h"
#include "core/form.h"
#include "core/surface_members.h"
#include "core/value.h"

namespace stolvane {

class Runtime;

// Output objects keep their members in the documented order.
using Json = nlohmann::ordered_json;

// An event as the scripted driver prints it: {"event","control","args"}, Boolean arguments
// (the "b" prefix, as bValue) as true/false, dropped data as {"files","text"}.
Json EventJson(Runtime& runtime, Surface& source, const std::string& name, EventArgs& args);
// The same for an event of an intrinsic element (a text box's Change).
Json EventJson(Runtime& runtime, Element& source, const std::string& name, EventArgs& args);

// A number as scripts see it: integral values print without a fraction.
Json NumberJson(double v);
// A 32-bit float printed with the fewest digits that read back as the same float (0.1, not
// 0.10000000149011612).
Json FloatJson(float v);
// Colours are unsigned 32-bit numbers; system colours stay 0x800000nn.
Json ColourJson(OleColour c);
// {"Name","Size","Bold","Italic","Underline","Strikethrough","Weight","Charset"}
Json FontJson(const Font& f);
// {"handle","width","height"}, the size in twips; no picture at all shows as the empty one.
Json PictureJson(const PictureRef& p);
// A property value shown by the type the property holds (Booleans as true/false).
Json ValueJson(const Value& v, PropType type);

// An element's member by its type; a list box's rows as [{"text","data","checked"}].
Json MemberJson(const ElementMember& m, const Element& e);
// A member's value by its type, as dumps and scripts show it.
Json MemberValueJson(MemberType type, const Value& v);
// A surface's member; a form's visibility is whether the runtime shows it.
Json SurfaceMemberJson(Runtime& runtime, const SurfaceMember& m, Surface& s);

// A form (the whole form, "class":"Form"), a control placed on it or embedded in a control's
// design, or an element.
Json DumpForm(Runtime& runtime, Form& form);
Json DumpSurface(Runtime& runtime, Surface& surface);
Json DumpElement(Runtime& runtime, Element& element);

}  // namespace stolvane
