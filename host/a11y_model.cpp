// SPDX-License-Identifier: MIT
// Builds the accessible objects of a form from the declarations of the control classes and the
// element kinds (host/a11y_model.h).
#include "host/a11y_model.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sstream>

#include <pango/pango.h>

#include "core/element_members.h"
#include "core/text_box.h"
#include "host/runtime.h"
#include "host/text_box_view.h"
#include "host/text_layouts.h"

namespace stolvane {

namespace {

constexpr int16_t kSpace = 32;

const ClassInfo* ClassOf(Runtime& rt, const Surface& s) {
    Control* c = s.GetControl();
    return c ? rt.GetLibrary().FindClass(c->ClassName()) : nullptr;
}

// A control's own Enabled property, where its class has one.
bool ControlEnabled(Control& c) {
    if (!c.FindProperty("Enabled")) return true;
    Value v = c.GetProperty("Enabled");
    if (auto* i = std::get_if<int64_t>(&v)) return *i != 0;
    return true;
}

std::string PropertyText(Control& c, const std::string& name) {
    if (name.empty() || !c.FindProperty(name)) return {};
    Value v = c.GetProperty(name);
    if (auto* s = std::get_if<std::string>(&v)) return *s;
    return {};
}

bool Exposed(const Element& e) { return e.Descriptor().accessible.role != AccessibleRole::NotExposed; }

int Pixels(double twips, double scale) { return static_cast<int>(std::lround(TwipsToPixels(twips, scale))); }

// Whether the surface and every container up to its form are visible.
bool SurfaceShowing(Runtime& rt, Surface& s) {
    for (Surface* at = &s; at; at = at->Container()) {
        if (at->IsForm()) return rt.IsShown(static_cast<Form&>(*at));
        if (!at->Visible()) return false;
    }
    return false;
}

// The design child a control shows as an object of its own, if the element is one.
std::optional<AccessiblePart> PartOf(Runtime& rt, Surface& owner, const Element& e) {
    const ClassInfo* cls = ClassOf(rt, owner);
    Control* c = owner.GetControl();
    if (!cls || !c || !cls->accessible.parts) return std::nullopt;
    for (AccessiblePart& p : cls->accessible.parts(*c))
        if (p.element == &e) return p;
    return std::nullopt;
}

// The label whose access key a label object hands on: the one it shows, but not a link's (a
// link names nothing).
const Label* LabelElementOf(Runtime& rt, const AccessibleRef& r) {
    const Label* l = ShownLabel(rt, r);
    if (!l || r.element) return l;
    return ClassOf(rt, *r.surface)->accessible.role(*r.surface->GetControl()) == AccessibleRole::Label ? l : nullptr;
}

// The caption an object names itself by (access-key marker included), empty for none.
std::string OwnCaption(Runtime& rt, const AccessibleRef& r) {
    if (r.item >= 0) return {};
    if (r.element) {
        const AccessibleKind& a = r.element->Descriptor().accessible;
        return a.name ? a.name(*r.element) : std::string();
    }
    if (!r.surface || r.surface->IsForm() || !r.surface->GetControl()) return {};
    const ClassInfo* cls = ClassOf(rt, *r.surface);
    return cls ? PropertyText(*r.surface->GetControl(), cls->accessible.nameProperty) : std::string();
}

bool HasCaption(Runtime& rt, const AccessibleRef& r) { return !WithoutAccessKeyMarker(OwnCaption(rt, r)).empty(); }

// The object a label names: what follows it in tab order, when the label marks an access key
// (which hands the focus there) or that object has no caption of its own.
std::optional<AccessibleRef> NamedBy(Runtime& rt, const Label& label) {
    if (!label.Visible()) return std::nullopt;
    Target t = rt.LabelTarget(label, false);
    if (!t) return std::nullopt;
    AccessibleRef to{t.surface, t.element, -1};
    if (AccessKeyOf(label.Caption()).empty() && HasCaption(rt, to)) return std::nullopt;
    return to;
}

// Every label object of a form: its label elements and label controls.
void Labels(Runtime& rt, Surface& s, std::vector<std::pair<AccessibleRef, const Label*>>& out) {
    for (auto& e : s.Elements()) {
        if (auto* ce = dynamic_cast<ControlElement*>(e.get())) {
            if (ce->IsDesignChild()) continue;
            AccessibleRef r{&ce->GetSurface(), nullptr, -1};
            if (const Label* l = LabelElementOf(rt, r)) out.push_back({r, l});
            Labels(rt, ce->GetSurface(), out);
            continue;
        }
        if (!s.IsForm() && !e->Authored()) continue;
        AccessibleRef r{&s, e.get(), -1};
        if (const Label* l = LabelElementOf(rt, r)) out.push_back({r, l});
    }
}

}  // namespace

std::vector<std::string> AccessibleStates::Names() const {
    std::vector<std::string> out;
    auto add = [&](bool on, const char* name) {
        if (on) out.push_back(name);
    };
    add(active, "active");
    add(modal, "modal");
    add(focusable, "focusable");
    add(focused, "focused");
    add(enabled, "sensitive");
    add(enabled, "enabled");
    add(visible, "visible");
    add(showing, "showing");
    add(checkable, "checkable");
    add(checked, "checked");
    add(pressed, "pressed");
    add(expandable, "expandable");
    add(expanded, "expanded");
    add(selectable, "selectable");
    add(selected, "selected");
    add(editable, "editable");
    add(multiLine, "multi-line");
    add(singleLine, "single-line");
    return out;
}

static std::string WithoutMarker(const std::string& caption) {
    std::string out;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size()) ++i;
        else if (caption[i] == '&') continue;
        out += caption[i];
    }
    return out;
}

std::string WithoutAccessKeyMarker(const std::string& caption) {
    // Leading and trailing blanks say nothing when read out.
    const std::string out = WithoutMarker(caption);
    const size_t first = out.find_first_not_of(" \t\n");
    if (first == std::string::npos) return {};
    const size_t last = out.find_last_not_of(" \t\n");
    return out.substr(first, last - first + 1);
}


std::string AccessKeyOf(const std::string& caption) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] == '&') {
            ++i;
            continue;
        }
        unsigned char c = static_cast<unsigned char>(caption[i + 1]);
        if (c < 0x80 && c > ' ') return std::string("Alt+") + static_cast<char>(std::toupper(c));
        return {};
    }
    return {};
}

Form* FormOf(const AccessibleRef& ref) { return ref.surface ? ref.surface->OwningForm() : nullptr; }

namespace {

// A popup's own objects: the menu or tooltip itself, and a menu's rows.
void DescribePopup(const AccessiblePopup& popup, const AccessibleRef& ref, AccessibleNode& n) {
    Form* form = FormOf(ref);
    if (!ref.element) {
        n.role = popup.role;
        n.name = popup.role == AccessibleRole::ToolTip ? popup.text : std::string();
        n.states.visible = true;
        n.states.showing = form && form->Visible();
        return;
    }
    for (size_t i = 0; i < popup.rows.size(); ++i) {
        const AccessiblePopup::Row& row = popup.rows[i];
        if (row.label != ref.element || !row.item) continue;
        n.role = AccessibleRole::MenuItem;
        n.name = WithoutAccessKeyMarker(row.item->Caption());
        // While the menu is open, the letter alone chooses the item.
        std::string key = AccessKeyOf(row.item->Caption());
        n.accessKey = key.empty() ? key : key.substr(4);
        n.states.enabled = row.item->Enabled();
        n.states.selectable = true;
        n.states.selected = n.states.focused = popup.highlighted == static_cast<int>(i);
        n.actions = {{"click", AccessibleActionKind::MouseClick, "Chooses the item, as a click on it does"}};
        return;
    }
}

}  // namespace

AccessibleNode DescribeAccessible(Runtime& rt, const AccessibleRef& ref, double scale, const AccessiblePopup* popup) {
    AccessibleNode n;
    n.ref = ref;
    Form* form = FormOf(ref);
    const double formLeft = form ? form->Left() : 0, formTop = form ? form->Top() : 0;
    auto place = [&](double x, double y, double w, double h) {
        n.extents.x = Pixels(x, scale);
        n.extents.y = Pixels(y, scale);
        n.extents.width = Pixels(w, scale);
        n.extents.height = Pixels(h, scale);
        // The window stands at the form's position in classic pixels; its contents are scaled.
        n.extents.screenX = Pixels(formLeft, 1) + n.extents.x;
        n.extents.screenY = Pixels(formTop, 1) + n.extents.y;
    };

    if (popup && ref.surface) {
        DescribePopup(*popup, ref, n);
        if (ref.element) {
            Rect b = ref.element->Bounds();
            // A row reaches across the menu, as its highlight does.
            place(45, b.top - 30, form ? form->Width() - 90 : b.width, 270);
            n.states.visible = ref.element->Visible();
            n.states.showing = n.states.visible && form && form->Visible();
        } else if (form) {
            place(0, 0, form->Width(), form->Height());
            n.extents.screenX = Pixels(formLeft, 1);
            n.extents.screenY = Pixels(formTop, 1);
        }
        return n;
    }

    if (!ref.element && ref.surface && ref.surface->IsForm()) {
        Form& f = static_cast<Form&>(*ref.surface);
        n.role = rt.IsModal(f) ? AccessibleRole::Dialog : AccessibleRole::Frame;
        n.name = f.Caption().empty() ? f.Name() : f.Caption();
        n.states.visible = f.Visible();
        n.states.showing = rt.IsShown(f);
        n.states.modal = rt.IsModal(f);
        n.states.active = rt.IsShown(f) && rt.ActiveForm() == &f;
        place(0, 0, f.Width(), f.Height());
        n.extents.screenX = Pixels(formLeft, 1);
        n.extents.screenY = Pixels(formTop, 1);
        return n;
    }

    // A label names the object after it in tab order; that object, when it has no caption or
    // access key of its own, is read by the label's.
    auto relate = [&](bool hasCaption) {
        if (const Label* label = LabelElementOf(rt, ref)) {
            n.labelFor = NamedBy(rt, *label);
            return;
        }
        // Only what takes the focus follows a label in tab order.
        if (!n.states.focusable || (hasCaption && !n.accessKey.empty())) return;
        std::vector<std::pair<AccessibleRef, const Label*>> labels;
        if (form) Labels(rt, *form, labels);
        for (auto& [labelRef, label] : labels) {
            std::optional<AccessibleRef> to = NamedBy(rt, *label);
            if (!to || !(*to == ref)) continue;
            n.labelledBy = labelRef;
            if (!hasCaption) n.name = WithoutAccessKeyMarker(label->Caption());
            if (n.accessKey.empty()) n.accessKey = AccessKeyOf(label->Caption());
            // The key needs an action to be told by; what has none takes the focus by it.
            if (!n.accessKey.empty() && n.actions.empty())
                n.actions = {{"activate", AccessibleActionKind::Focus, "Takes the focus, as the label's access key gives it"}};
            return;
        }
    };

    if (!ref.element && ref.surface) {
        // A placed control.
        Surface& s = *ref.surface;
        Control* c = s.GetControl();
        const ClassInfo* cls = ClassOf(rt, s);
        const AccessibleClass* a = cls ? &cls->accessible : nullptr;
        n.role = a && a->role && c ? a->role(*c) : AccessibleRole::Panel;
        std::string caption = a && c ? PropertyText(*c, a->nameProperty) : std::string();
        std::string tip = s.EmbeddingElement() ? s.EmbeddingElement()->ToolTipText() : std::string();
        n.name = WithoutAccessKeyMarker(caption);
        const bool hasCaption = !n.name.empty();
        n.description = tip;
        if (c) {
            std::string keys = c->AccessKeys();
            if (!keys.empty()) n.accessKey = std::string("Alt+") + keys[0];
        }
        n.states.visible = s.Visible();
        n.states.showing = SurfaceShowing(rt, s);
        n.states.enabled = s.Enabled() && (!c || ControlEnabled(*c));
        n.states.focusable = s.TabStop() && n.states.enabled;
        n.states.focused = rt.Focused() == &s && !rt.FocusedTextBox() && !rt.FocusedListBox();
        if (a && c) {
            if (a->checked) {
                n.states.checkable = true;
                n.states.checked = a->checked(*c);
            }
            if (a->pressed) n.states.pressed = a->pressed(*c);
            if (a->value) n.value = a->value(*c);
            n.actions = a->actions;
        }
        relate(hasCaption);
        if (n.name.empty()) n.name = tip;
        if (n.name.empty()) n.name = s.FullName();
        if (const Label* shown = ShownLabel(rt, ref)) n.text = LabelText(*shown);
        place(rt.FormX(s), rt.FormY(s), s.Width(), s.Height());
        return n;
    }

    if (!ref.element) return n;
    Element& e = *ref.element;
    const AccessibleKind& a = e.Descriptor().accessible;
    const double ox = ref.surface ? rt.FormX(*ref.surface) : 0, oy = ref.surface ? rt.FormY(*ref.surface) : 0;
    const bool ownerShowing = ref.surface && SurfaceShowing(rt, *ref.surface);

    if (ref.item >= 0) {
        // A row of a list box: a checkable list item.
        auto& list = static_cast<ListBox&>(e);
        n.role = AccessibleRole::ListItem;
        if (ref.item < list.ListCount()) {
            n.name = list.List(ref.item);
            n.states.checked = list.CheckBoxes() && !list.Heading(ref.item) && list.Selected(ref.item);
            // A heading collapses and expands the rows under it.
            n.states.expandable = list.Heading(ref.item);
            n.states.expanded = list.Heading(ref.item) && !list.Collapsed(ref.item);
            Rect r = list.RowRect(ref.item);
            place(ox + list.Left() + r.left, oy + list.Top() + r.top, r.width, r.height);
            n.states.showing = ownerShowing && list.Visible() && r.height > 0;
        }
        const bool heading = ref.item < list.ListCount() && list.Heading(ref.item);
        n.states.checkable = list.CheckBoxes() && !heading;
        n.states.selectable = true;
        n.states.selected = list.ListIndex() == ref.item;
        n.states.visible = list.Visible();
        n.states.enabled = list.TakesInput();
        n.actions = {heading ? AccessibleAction{"click", AccessibleActionKind::MouseClick,
                                                "Collapses or expands the rows under the heading, as a click on it does"}
                     : list.CheckBoxes()
                         ? AccessibleAction{"toggle", AccessibleActionKind::MouseClick,
                                            "Ticks or unticks the row, as a click on its box does"}
                         : AccessibleAction{"click", AccessibleActionKind::MouseClick, "Makes the row the current one"}};
        return n;
    }

    // A design child shown as an object of its own inside its control.
    std::optional<AccessiblePart> part =
        ref.surface && !e.Authored() && !ref.surface->IsForm() ? PartOf(rt, *ref.surface, e) : std::nullopt;

    n.role = part && part->role != AccessibleRole::NotExposed ? part->role : a.role;
    std::string caption = a.name ? a.name(e) : std::string();
    n.name = part && !part->name.empty() ? part->name : WithoutAccessKeyMarker(caption);
    const bool hasCaption = !n.name.empty();
    n.description = e.ToolTipText();
    n.accessKey = AccessKeyOf(caption);
    n.states.visible = e.Visible();
    n.states.showing = ownerShowing && e.Visible();
    n.states.enabled = a.enabled ? a.enabled(e) : true;
    n.states.focusable = a.focusable ? a.focusable(e) && n.states.enabled : false;
    n.states.focused = (rt.FocusedTextBox() == &e) || (rt.FocusedListBox() == &e);
    if (a.text) n.text = a.text(e);
    if (const Label* shown = ShownLabel(rt, ref)) n.text = LabelText(*shown);
    if (a.editable) n.states.editable = a.editable(e);
    if (a.multiLine) {
        n.states.multiLine = a.multiLine(e);
        n.states.singleLine = !n.states.multiLine;
    }
    if (auto* box = dynamic_cast<TextBox*>(&e)) {
        n.caret = box->SelStart() + box->SelLength();
        n.selectionStart = box->SelStart();
        n.selectionLength = box->SelLength();
    }
    n.actions = part && !part->actions.empty() ? part->actions : a.actions;
    if (!part) relate(hasCaption);
    if (n.name.empty()) n.name = e.ToolTipText();
    if (n.name.empty()) n.name = e.FullName();
    Rect b = e.Bounds();
    place(ox + b.left, oy + b.top, b.width, b.height);
    return n;
}

std::vector<AccessibleRef> AccessibleChildren(Runtime& rt, const AccessibleRef& ref, const AccessiblePopup* popup) {
    std::vector<AccessibleRef> out;
    if (popup) {
        // A menu holds its rows; a tooltip is read by its text alone.
        if (!ref.element && ref.surface)
            for (auto& row : popup->rows)
                if (row.label && row.item) out.push_back({ref.surface, row.label, -1});
        return out;
    }
    if (ref.element) {
        if (ref.item < 0 && ref.element->Kind() == ElementKind::ListBox) {
            auto& list = static_cast<ListBox&>(*ref.element);
            for (int i = 0; i < list.ListCount(); ++i) out.push_back({ref.surface, ref.element, i});
        }
        return out;
    }
    if (!ref.surface) return out;
    Surface& s = *ref.surface;
    // Controls by their TabIndex; an element keeps its place after the control before it, as
    // the tab order has it.
    std::vector<std::pair<int, AccessibleRef>> keyed;
    int last = -1;
    for (auto& e : s.Elements()) {
        if (auto* ce = dynamic_cast<ControlElement*>(e.get())) {
            if (ce->IsDesignChild()) continue;
            last = ce->GetSurface().TabIndex();
            keyed.push_back({last, {&ce->GetSurface(), nullptr, -1}});
            continue;
        }
        // Inside a control, only what the form's author placed there; the rest is its design.
        if (!s.IsForm() && !e->Authored()) continue;
        if (!Exposed(*e)) continue;
        keyed.push_back({last, {&s, e.get(), -1}});
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    // The parts of its design a control shows as objects, before what its author placed in it.
    if (!s.IsForm() && s.GetControl())
        if (const ClassInfo* cls = ClassOf(rt, s); cls && cls->accessible.parts)
            for (AccessiblePart& p : cls->accessible.parts(*s.GetControl()))
                if (p.element) out.push_back({&s, p.element, -1});
    for (auto& k : keyed) out.push_back(k.second);
    return out;
}

AccessibleNode AccessibleTree(Runtime& rt, Form& form, double scale) {
    struct Build {
        Runtime& rt;
        double scale;
        AccessibleNode operator()(const AccessibleRef& r) const {
            AccessibleNode n = DescribeAccessible(rt, r, scale);
            if (n.labelledBy) n.labelledByName = DescribeAccessible(rt, *n.labelledBy, scale).name;
            for (auto& c : AccessibleChildren(rt, r)) n.children.push_back((*this)(c));
            return n;
        }
    };
    return Build{rt, scale}({&form, nullptr, -1});
}

namespace {

std::string Quoted(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    return out + "\"";
}

void Format(const AccessibleNode& n, int depth, std::ostringstream& out) {
    out << std::string(static_cast<size_t>(depth) * 2, ' ') << RoleName(n.role) << ' ' << Quoted(n.name);
    if (!n.accessKey.empty()) out << " key " << n.accessKey;
    if (n.value) out << " value " << *n.value;
    if (n.text && n.role == AccessibleRole::Text) out << " text " << Quoted(*n.text);
    auto states = n.states.Names();
    out << " [";
    for (size_t i = 0; i < states.size(); ++i) out << (i ? " " : "") << states[i];
    out << ']';
    if (!n.actions.empty()) {
        out << " actions";
        for (auto& a : n.actions) out << ' ' << a.name;
    }
    if (n.labelledBy) out << " labelled by " << Quoted(n.labelledByName);
    if (!n.description.empty() && n.description != n.name) out << " description " << Quoted(n.description);
    out << " at " << n.extents.x << ',' << n.extents.y << ' ' << n.extents.width << 'x' << n.extents.height << '\n';
    for (auto& c : n.children) Format(c, depth + 1, out);
}

}  // namespace

std::string FormatAccessibleTree(const AccessibleNode& root) {
    std::ostringstream out;
    Format(root, 0, out);
    return out.str();
}

bool InvokeAccessibleAction(Runtime& rt, const AccessibleRef& ref, size_t index, const AccessiblePopup* popup) {
    AccessibleNode n = DescribeAccessible(rt, ref, 1, popup);
    if (index >= n.actions.size() || !n.states.enabled) return false;
    const AccessibleAction& action = n.actions[index];
    try {
        if (popup) {
            // A menu's row: the menu closes with its item chosen, as a click on the row does.
            for (auto& row : popup->rows)
                if (row.label == ref.element && row.item && popup->choose) popup->choose(*row.item);
        } else if (action.kind == AccessibleActionKind::Focus) {
            if (ref.element) rt.FocusElement(*ref.element);
            else if (ref.surface) rt.SetFocus(*ref.surface);
        } else if (action.kind == AccessibleActionKind::SpaceKey && !ref.element && ref.surface && ref.surface->GetControl()) {
            int16_t key = kSpace;
            ref.surface->GetControl()->OnKeyPress(key);
        } else if (ref.item >= 0) {
            auto& list = static_cast<ListBox&>(*ref.element);
            // On its check box, else on the row.
            Rect box = list.CheckBoxRect(ref.item);
            if (box.width <= 0) box = list.RowRect(ref.item);
            rt.MouseTo({ref.surface, ref.element}, MouseAction::Click, box.left + box.width / 2,
                       box.top + box.height / 2, 1, 0);
        } else if (ref.element) {
            Rect b = ref.element->Bounds();
            rt.MouseTo({ref.surface, ref.element}, MouseAction::Click, b.width / 2, b.height / 2, 1, 0);
        } else if (ref.surface) {
            rt.MouseTo({ref.surface, nullptr}, MouseAction::Click, ref.surface->Width() / 2,
                       ref.surface->Height() / 2, 1, 0);
        }
    } catch (const HostError& e) {
        rt.ReportError(e);
    }
    rt.CollectGarbage();
    return true;
}

TextSpan TextUnitAt(const std::string& text, int offset, TextUnit boundary, const std::vector<int>& wraps) {
    const int count = static_cast<int>(g_utf8_strlen(text.c_str(), static_cast<gssize>(text.size())));
    offset = std::clamp(offset, 0, count);
    // Whether a unit starts (or ends) before each character, and at the end of the text.
    std::vector<bool> at(static_cast<size_t>(count) + 1, false);
    if (boundary == TextUnit::LineStart || boundary == TextUnit::LineEnd) {
        at[0] = at[static_cast<size_t>(count)] = true;
        int i = 0;
        for (const char* p = text.c_str(); *p; p = g_utf8_next_char(p), ++i)
            if (*p == '\n') at[static_cast<size_t>(boundary == TextUnit::LineStart ? i + 1 : i)] = true;
        // A line the layout wraps starts where the line before it ends: after its trailing
        // blank, where the box shows the next line. A line after a break ends at the break.
        for (int w : wraps) {
            if (w <= 0 || w >= count) continue;
            if (boundary == TextUnit::LineEnd && g_utf8_get_char(g_utf8_offset_to_pointer(text.c_str(), w - 1)) == '\n')
                continue;
            at[static_cast<size_t>(w)] = true;
        }
    } else {
        std::vector<PangoLogAttr> attrs(static_cast<size_t>(count) + 1);
        pango_get_log_attrs(text.c_str(), static_cast<int>(text.size()), -1, pango_language_from_string("en"),
                            attrs.data(), count + 1);
        for (size_t i = 0; i < attrs.size(); ++i) {
            const PangoLogAttr& a = attrs[i];
            switch (boundary) {
                case TextUnit::WordStart: at[i] = a.is_word_start; break;
                case TextUnit::WordEnd: at[i] = a.is_word_end; break;
                case TextUnit::SentenceStart: at[i] = a.is_sentence_start; break;
                default: at[i] = a.is_sentence_end; break;
            }
        }
    }
    TextSpan span{0, count};
    // At the end of the text (where the caret stands after typing), the last unit.
    if (offset == count && count > 0) --offset;
    for (int i = offset; i >= 0; --i)
        if (at[static_cast<size_t>(i)]) {
            span.start = i;
            break;
        }
    for (int i = offset + 1; i <= count; ++i)
        if (at[static_cast<size_t>(i)]) {
            span.end = i;
            break;
        }
    if (span.end < span.start) span.end = span.start;
    return span;
}

std::vector<int> LineStarts(const TextBox& box) {
    TextBoxView view(box);
    std::vector<int> starts;
    starts.reserve(static_cast<size_t>(view.LineCount()));
    for (int line = 0; line < view.LineCount(); ++line) starts.push_back(view.LineStart(line));
    return starts;
}

std::optional<Rect> CharacterBounds(const TextBox& box, int offset) {
    const int count = static_cast<int>(g_utf8_strlen(box.Text().c_str(), -1));
    if (offset < 0 || offset >= count) return std::nullopt;
    TextBoxView view(box);
    std::vector<TextBoxView::Span> spans = view.Spans(offset, offset + 1);
    if (spans.empty()) return std::nullopt;
    const TextBoxView::Span& s = spans.front();
    const double lh = view.LineHeight();
    const double x = view.AreaLeft() + view.OriginX() - box.ScrollX() + std::min(s.x0, s.x1);
    const double y = view.AreaTop() - box.ScrollY() + s.line * lh;
    return Rect{x, y, std::abs(s.x1 - s.x0), lh};
}

const Label* ShownLabel(Runtime& rt, const AccessibleRef& ref) {
    if (ref.item >= 0) return nullptr;
    if (ref.element) {
        auto* l = dynamic_cast<const Label*>(ref.element);
        return l && ref.element->Descriptor().accessible.role == AccessibleRole::Label ? l : nullptr;
    }
    if (!ref.surface || ref.surface->IsForm() || !ref.surface->GetControl()) return nullptr;
    const ClassInfo* cls = ClassOf(rt, *ref.surface);
    if (!cls || !cls->accessible.role) return nullptr;
    const AccessibleRole role = cls->accessible.role(*ref.surface->GetControl());
    if (role != AccessibleRole::Label && role != AccessibleRole::Link) return nullptr;
    for (auto& e : ref.surface->Elements())
        if (auto* l = dynamic_cast<const Label*>(e.get())) return l;
    return nullptr;
}

namespace {

// A label's text laid out exactly as the label is drawn: wrapped at its width in whole pixels
// where it wraps, its lines aligned as it aligns them.
TextLayoutRef LabelLayout(const Label& label) {
    const int wrap = label.WordWrap() ? std::max(1, PixelHolding(label.Width())) : 0;
    return SharedTextLayout(label.GetFont(), label.Caption(), true, wrap, label.Alignment());
}

int CharacterCount(const char* text, int bytes) {
    return static_cast<int>(g_utf8_strlen(text, static_cast<gssize>(bytes)));
}

// Where a label's box stands inside the object that shows it, in twips: a label control's
// label element lies somewhere in the control.
std::pair<double, double> LabelOrigin(const AccessibleRef& ref, const Label& label) {
    if (ref.element) return {0, 0};
    return {label.Left(), label.Top()};
}

}  // namespace

std::string LabelText(const Label& label) {
    if (label.Caption().empty()) return {};
    return pango_layout_get_text(LabelLayout(label)->layout);
}

std::vector<int> TextLineStarts(Runtime& rt, const AccessibleRef& ref) {
    if (auto* box = dynamic_cast<const TextBox*>(ref.element); box && ref.item < 0) return LineStarts(*box);
    const Label* label = ShownLabel(rt, ref);
    if (!label || label->Caption().empty()) return {};
    TextLayoutRef text = LabelLayout(*label);
    const char* chars = pango_layout_get_text(text->layout);
    std::vector<int> starts;
    for (GSList* l = pango_layout_get_lines_readonly(text->layout); l; l = l->next)
        starts.push_back(CharacterCount(chars, static_cast<PangoLayoutLine*>(l->data)->start_index));
    return starts;
}

std::optional<Rect> TextCharacterBounds(Runtime& rt, const AccessibleRef& ref, int offset) {
    if (auto* box = dynamic_cast<const TextBox*>(ref.element); box && ref.item < 0)
        return CharacterBounds(*box, offset);
    const Label* label = ShownLabel(rt, ref);
    if (!label || label->Caption().empty() || offset < 0) return std::nullopt;
    TextLayoutRef text = LabelLayout(*label);
    const char* chars = pango_layout_get_text(text->layout);
    if (offset >= static_cast<int>(g_utf8_strlen(chars, -1))) return std::nullopt;
    const int index = static_cast<int>(g_utf8_offset_to_pointer(chars, offset) - chars);
    PangoRectangle pos;
    pango_layout_index_to_pos(text->layout, index, &pos);
    int line = 0, x = 0;
    pango_layout_index_to_line_x(text->layout, index, FALSE, &line, &x);
    // As the label draws it: a line that does not wrap stands at the left, right or centre of
    // the box; every line is the font's line height below the one before.
    const int boxLeft = PixelHolding(label->Left()), boxWidth = PixelHolding(label->Left() + label->Width()) - boxLeft;
    int shift = 0;
    if (!label->WordWrap()) {
        if (label->Alignment() == Alignment::Right) shift = boxWidth - text->width;
        else if (label->Alignment() == Alignment::Centre) shift = (boxWidth - text->width) / 2;
    }
    const auto [ox, oy] = LabelOrigin(ref, *label);
    const double left = TwipsToPixels(ox) + shift + std::min(pos.x, pos.x + pos.width) / double(PANGO_SCALE);
    return Rect{left, TwipsToPixels(oy) + line * text->line.height, std::abs(pos.width) / double(PANGO_SCALE),
                double(text->line.height)};
}

std::optional<TextLook> TextLookOf(Runtime& rt, const AccessibleRef& ref) {
    TextLook look;
    if (auto* box = dynamic_cast<const TextBox*>(ref.element); box && ref.item < 0) {
        look.font = box->GetFont();
        look.fore = rt.ResolveColour(box->ForeColour());
        look.back = rt.ResolveColour(box->BackColour());
        return look;
    }
    const Label* label = ShownLabel(rt, ref);
    if (!label) return std::nullopt;
    look.font = label->GetFont();
    // A disabled label is drawn grey (with a raised copy beneath).
    look.fore = rt.ResolveColour(label->Enabled() ? label->ForeColour() : OleColour(SysColour::GreyText));
    if (!label->Transparent()) look.back = rt.ResolveColour(label->BackColour());
    else if (Surface* under = label->Owner()) look.back = rt.ResolveColour(under->BackColour());
    if (label->Caption().empty()) return look;
    // What the layout underlines beyond the font: the access key.
    TextLayoutRef text = LabelLayout(*label);
    const char* chars = pango_layout_get_text(text->layout);
    PangoAttrList* attrs = pango_layout_get_attributes(text->layout);
    if (!attrs || look.font.underline) return look;
    PangoAttrIterator* it = pango_attr_list_get_iterator(attrs);
    do {
        auto* u = reinterpret_cast<PangoAttrInt*>(pango_attr_iterator_get(it, PANGO_ATTR_UNDERLINE));
        if (!u || u->value == PANGO_UNDERLINE_NONE) continue;
        int start = 0, end = 0;
        pango_attr_iterator_range(it, &start, &end);
        const int bytes = static_cast<int>(std::strlen(chars));
        start = std::min(start, bytes);
        end = std::min(end, bytes);
        if (end > start) look.underlined.push_back({CharacterCount(chars, start), CharacterCount(chars, end)});
    } while (pango_attr_iterator_next(it));
    pango_attr_iterator_destroy(it);
    return look;
}

}  // namespace stolvane
