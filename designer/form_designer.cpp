// SPDX-License-Identifier: MIT
#include "designer/form_designer.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <set>
#include <tuple>

#include "core/element_members.h"
#include "core/errors.h"
#include "core/library.h"
#include "core/names.h"
#include "core/text.h"
#include "core/surface_members.h"
#include "designer/form_text.h"
#include "designer/naming.h"
#include "designer/property_text.h"

namespace stolvane {

using namespace designer;

namespace {

bool IsName(const std::string& property) { return ToLower(property) == "name"; }

constexpr double kElementWidth = 1215, kElementHeight = 375;
constexpr int kMaxTabIndex = 32767;  // the highest a form file takes

bool Contains(const Rect& r, double x, double y) {
    return x >= r.left && y >= r.top && x < r.left + r.width && y < r.top + r.height;
}

// The refused value named, as scripts and form files name it: "Invalid property value: Caption: ...".
[[noreturn]] void Rethrow(HostError& e, const std::string& property) {
    const std::string bare = "Invalid property value";
    if (e.number != ErrorNumber::InvalidProperty) throw;
    if (e.description.rfind(bare + ": " + property + ":", 0) == 0) throw;
    std::string detail = e.description.size() > bare.size() + 2 ? e.description.substr(bare.size() + 2) : "refused";
    throw HostError(ErrorNumber::InvalidProperty, bare + ": " + property + ": " + detail);
}

// An element's bounds set through its kind's members: a line by its ends.
void SetElementBounds(Element& e, const Rect& r) {
    if (auto* line = dynamic_cast<Line*>(&e)) {
        const bool down = (line->Y2() >= line->Y1()) == (line->X2() >= line->X1());
        const double x1 = line->X1() <= line->X2() ? r.left : r.left + r.width;
        const double x2 = line->X1() <= line->X2() ? r.left + r.width : r.left;
        const double y1 = (x1 == r.left) == down ? r.top : r.top + r.height;
        const double y2 = (x1 == r.left) == down ? r.top + r.height : r.top;
        line->SetEnds(x1, y1, x2, y2);
        return;
    }
    const ElementKindInfo& info = KindInfo(e.Kind());
    if (!info.boxed) return;
    for (auto [name, v] : {std::pair{"Left", r.left}, {"Top", r.top}, {"Width", r.width}, {"Height", r.height}})
        if (const ElementMember* m = info.Find(name)) m->set(e, Value{v});
}

}  // namespace

FormDesigner::FormDesigner(Runtime& runtime, DesignSink* sink) : m_doc(runtime, sink) {
    m_history.Reset(m_doc.Text());
    m_savedText = m_history.Current();
}

// ---------------------------------------------------------------- files

void FormDesigner::New() {
    m_doc.New();
    m_selection.Clear();
    m_history.Reset(m_doc.Text());
    m_savedText = m_history.Current();
}

void FormDesigner::Open(const std::string& path) {
    m_doc.Open(path);
    m_selection.Clear();
    m_history.Reset(m_doc.Text());
    m_savedText = m_history.Current();
}

void FormDesigner::Save(const std::string& path) {
    m_doc.Save(path);
    // Pictures are named relative to the new folder from now on.
    m_history.Record(m_doc.Text());
    m_savedText = m_history.Current();
}

void FormDesigner::Changed() { m_history.Record(m_doc.Text()); }

void FormDesigner::Reload(const std::string& text) {
    m_doc.Restore(text);
    std::vector<std::string> kept;
    for (const std::string& n : m_selection.Names())
        if (GetForm().FindSurface(n) || GetForm().FindAuthored(n)) kept.push_back(n);
    m_selection.Set(std::move(kept));
}

bool FormDesigner::Undo() {
    auto text = m_history.Undo();
    if (!text) return false;
    Reload(*text);
    return true;
}

bool FormDesigner::Redo() {
    auto text = m_history.Redo();
    if (!text) return false;
    Reload(*text);
    return true;
}

// ---------------------------------------------------------------- placing

std::vector<std::string> FormDesigner::Placeable() const {
    std::vector<std::string> out;
    for (const ClassInfo& c : GetRuntime().GetLibrary().Classes())
        if (!c.summary.empty()) out.push_back(c.name);
    for (const ElementKindInfo& k : ElementKinds())
        if (k.inFormFiles && k.place) out.push_back(k.className);
    return out;
}

Surface& FormDesigner::ContainerNamed(const std::string& container) const {
    if (container.empty()) return GetForm();
    Surface* s = GetForm().FindSurface(container);
    const ClassInfo* info = s && s->GetControl() ? GetRuntime().GetLibrary().FindClass(s->GetControl()->ClassName())
                                                 : nullptr;
    if (!info || !info->container)
        throw HostError(ErrorNumber::InvalidCall, container + " is not a control that holds other controls");
    return *s;
}

std::string FormDesigner::Place(const std::string& kind, const std::string& container, const Rect& rect) {
    Runtime& rt = GetRuntime();
    Surface& holder = ContainerNamed(container);
    const Rect r{grid.Snap(rect.left), grid.Snap(rect.top), grid.SnapLength(rect.width), grid.SnapLength(rect.height)};
    std::string name;
    if (const ClassInfo* info = rt.GetLibrary().FindClass(kind)) {
        name = NextName(GetForm(), info->name);
        const int tabIndex = NextTabIndex();
        rt.PlaceControl(holder, info->name, name, -1, r, nullptr).GetSurface().SetTabIndex(tabIndex);
    } else if (const ElementKindInfo* k = FindElementKind(kind); k && k->inFormFiles && k->place) {
        name = NextName(GetForm(), k->className);
        Element& e = rt.PlaceElement(holder, k->kind, name, -1);
        SetElementBounds(e, r);
    } else {
        std::vector<std::string> names = Placeable();
        throw HostError(ErrorNumber::InvalidCall, "Nothing called " + kind + " can be placed" +
                                                      DidYouMean(kind, names) + "; the toolbox holds " +
                                                      JoinNames(names));
    }
    m_selection.Only(name);
    Changed();
    return name;
}

std::string FormDesigner::PlaceDefault(const std::string& kind) {
    double w = kElementWidth, h = kElementHeight;
    if (const ClassInfo* info = GetRuntime().GetLibrary().FindClass(kind)) w = info->designWidth, h = info->designHeight;
    const bool snapping = grid.snap;
    grid.snap = false;
    struct Restore {
        SnapGrid& g;
        bool s;
        ~Restore() { g.snap = s; }
    } restore{grid, snapping};
    const double left = snapping ? grid.step * std::round((GetForm().Width() - w) / 2 / grid.step)
                                 : (GetForm().Width() - w) / 2;
    const double top = snapping ? grid.step * std::round((GetForm().Height() - h) / 2 / grid.step)
                                : (GetForm().Height() - h) / 2;
    return Place(kind, "", {std::max(0.0, left), std::max(0.0, top), w, h});
}

// ---------------------------------------------------------------- finding

Target FormDesigner::Find(const std::string& name) const {
    Form& form = GetForm();
    if (name.empty() || name == form.Name()) return {&form, nullptr};
    if (Surface* s = form.FindSurface(name)) return {s, nullptr};
    if (Element* e = form.FindAuthored(name)) return {e->Owner(), e};
    throw HostError(ErrorNumber::ObjectRequired, "Object required: nothing on the form is called " + name);
}

std::string FormDesigner::NameAt(double x, double y) const {
    // Innermost first: inside a container, what it holds; windowed things above the others.
    std::function<std::string(Surface&, double, double)> at = [&](Surface& s, double px, double py) -> std::string {
        const auto& elements = s.Elements();
        for (int pass = 0; pass < 2; ++pass) {
            for (auto it = elements.rbegin(); it != elements.rend(); ++it) {
                Element& e = **it;
                if (e.Windowed() != (pass == 0) || !e.Visible() || !Contains(e.Bounds(), px, py)) continue;
                if (auto* ce = dynamic_cast<ControlElement*>(&e)) {
                    if (ce->IsDesignChild()) continue;
                    Surface& inner = ce->GetSurface();
                    std::string deeper = at(inner, px - inner.Left(), py - inner.Top());
                    return deeper.empty() ? inner.FullName() : deeper;
                }
                if (e.Authored() || s.IsForm()) return e.FullName();
            }
        }
        return "";
    };
    return at(GetForm(), x, y);
}

void FormDesigner::SelectAll() {
    std::vector<std::string> names;
    for (const auto& e : GetForm().Elements()) {
        if (auto* ce = dynamic_cast<ControlElement*>(e.get())) {
            if (!ce->IsDesignChild()) names.push_back(ce->GetSurface().FullName());
        } else {
            names.push_back(e->FullName());
        }
    }
    m_selection.Set(std::move(names));
}

Rect FormDesigner::Bounds(const std::string& name) const {
    Target t = Find(name);
    return t.element ? t.element->Bounds() : t.surface->Bounds();
}

Rect FormDesigner::FormBounds(const std::string& name) const {
    Target t = Find(name);
    Runtime& rt = GetRuntime();
    if (t.element) {
        Rect b = t.element->Bounds();
        return {rt.FormX(*t.surface) + b.left, rt.FormY(*t.surface) + b.top, b.width, b.height};
    }
    if (t.surface->IsForm()) return {0, 0, t.surface->Width(), t.surface->Height()};
    return {rt.FormX(*t.surface), rt.FormY(*t.surface), t.surface->Width(), t.surface->Height()};
}

// ---------------------------------------------------------------- arranging

void FormDesigner::SetBounds(const std::string& name, const Rect& r) {
    Target t = Find(name);
    if (t.element)
        SetElementBounds(*t.element, r);
    else if (!t.surface->IsForm())
        t.surface->Move(r.left, r.top, r.width, r.height);
    else
        return;
    Changed();
}

std::pair<double, double> FormDesigner::MoveShift(const std::vector<std::string>& moving, const std::string* into,
                                                  double dx, double dy) const {
    if (!into) {
        const Rect first = Bounds(moving.front());
        return {grid.Snap(first.left + dx) - first.left, grid.Snap(first.top + dy) - first.top};
    }
    const Rect to = FormBounds(*into), first = FormBounds(moving.front());
    return {grid.Snap(first.left + dx - to.left) + to.left - first.left,
            grid.Snap(first.top + dy - to.top) + to.top - first.top};
}

std::vector<Rect> FormDesigner::MovedBoundsOf(const std::vector<std::string>& moving, const std::string* into,
                                              double dx, double dy) const {
    std::vector<Rect> out;
    if (moving.empty()) return out;
    // Everything selected moves by the same distance: what lies inside something selected with it.
    const auto [mx, my] = MoveShift(moving, into, dx, dy);
    for (const std::string& n : SelectedPlaced()) {
        Rect r = FormBounds(n);
        r.left += mx;
        r.top += my;
        out.push_back(r);
    }
    return out;
}

std::vector<Rect> FormDesigner::MovedBounds(double dx, double dy) const {
    return MovedBoundsOf(SelectedOutermost(), nullptr, dx, dy);
}

std::vector<Rect> FormDesigner::MovedBounds(double dx, double dy, const std::string& container) const {
    const std::vector<std::string> moving = SelectedOutermost();
    // When nothing changes container it is a plain move.
    const bool stays =
        std::all_of(moving.begin(), moving.end(), [&](const std::string& n) { return ContainerOf(n) == container; });
    return MovedBoundsOf(moving, stays ? nullptr : &container, dx, dy);
}

void FormDesigner::MoveSelection(double dx, double dy) {
    // What lies inside something selected moves with it, not once more on its own.
    const std::vector<std::string> moving = SelectedOutermost();
    if (moving.empty()) return;
    std::tie(dx, dy) = MoveShift(moving, nullptr, dx, dy);
    if (dx == 0 && dy == 0) return;
    for (const std::string& n : moving) {
        Target t = Find(n);
        Rect b = t.element ? t.element->Bounds() : t.surface->Bounds();
        b.left += dx;
        b.top += dy;
        if (t.element) SetElementBounds(*t.element, b);
        else t.surface->Move(b.left, b.top, b.width, b.height);
    }
    Changed();
}

std::string FormDesigner::ContainerOf(const std::string& name) const {
    const Target t = Find(name);
    const Surface* holder = t.element ? t.surface : t.surface->Container();
    return !holder || holder->IsForm() ? std::string() : holder->FullName();
}

bool FormDesigner::InsideSelection(const std::string& container) const {
    for (const Surface* s = container.empty() ? nullptr : GetForm().FindSurface(container); s && !s->IsForm();
         s = s->Container())
        if (m_selection.Has(s->FullName())) return true;
    return false;
}

std::vector<std::string> FormDesigner::SelectedOutermost() const {
    std::vector<std::string> out;
    for (const std::string& n : SelectedPlaced())
        if (!InsideSelection(ContainerOf(n))) out.push_back(n);
    return out;
}

std::string FormDesigner::DropTargetAt(double x, double y) const {
    const Library& library = GetRuntime().GetLibrary();
    std::function<std::string(Surface&, double, double)> at = [&](Surface& s, double px, double py) -> std::string {
        const auto& elements = s.Elements();
        for (auto it = elements.rbegin(); it != elements.rend(); ++it) {
            auto* ce = dynamic_cast<ControlElement*>(it->get());
            if (!ce || ce->IsDesignChild() || !ce->Visible() || !Contains(ce->Bounds(), px, py)) continue;
            Surface& inner = ce->GetSurface();
            if (m_selection.Has(inner.FullName())) continue;  // what is dragged is not where it drops
            const ClassInfo* info = inner.GetControl() ? library.FindClass(inner.GetControl()->ClassName()) : nullptr;
            if (!info || !info->container) continue;
            std::string deeper = at(inner, px - inner.Left(), py - inner.Top());
            return deeper.empty() ? inner.FullName() : deeper;
        }
        return "";
    };
    return at(GetForm(), x, y);
}

void FormDesigner::MoveSelectionInto(const std::string& container, double dx, double dy) {
    ContainerNamed(container);
    if (InsideSelection(container))
        throw HostError(ErrorNumber::InvalidCall,
                        "Invalid procedure call or argument: " + container +
                            " is selected or lies in something selected: nothing can be put into itself");
    const std::vector<std::string> moving = SelectedOutermost();
    if (moving.empty()) return;
    if (std::all_of(moving.begin(), moving.end(), [&](const std::string& n) { return ContainerOf(n) == container; }))
        return MoveSelection(dx, dy);
    // Where each thing will lie, in the form's twips: the first snapped to the new container's
    // grid, the others keeping their distances to it.
    const Rect into = FormBounds(container);
    const auto [mx, my] = MoveShift(moving, &container, dx, dy);
    std::map<std::string, std::pair<double, double>> shifts;
    for (const std::string& n : moving) {
        const Rect from = FormBounds(ContainerOf(n));
        shifts[n] = {mx + from.left - into.left, my + from.top - into.top};
    }
    Json doc = ParseFormText(m_doc.Text(), GetForm().Name());
    Json entries = CopyEntries(doc, moving);
    for (Json& e : entries) {
        const auto [sx, sy] = shifts[e.value("name", std::string())];
        ShiftEntry(e, sx, sy);
    }
    RemoveEntries(doc, moving);
    InsertEntries(doc, container, entries);
    Reload(FormText(doc));
    Changed();
}

std::vector<std::string> FormDesigner::Touching(const std::string& container, const Rect& r) const {
    Surface& holder = ContainerNamed(container);
    std::vector<std::string> out;
    for (const auto& e : holder.Elements()) {
        std::string name;
        if (auto* ce = dynamic_cast<ControlElement*>(e.get())) {
            if (!ce->IsDesignChild()) name = ce->GetSurface().FullName();
        } else if (e->Authored() || holder.IsForm()) {
            name = e->FullName();
        }
        if (name.empty() || !e->Visible()) continue;
        const Rect b = FormBounds(name);
        if (b.left <= r.left + r.width && r.left <= b.left + b.width && b.top <= r.top + r.height &&
            r.top <= b.top + b.height)
            out.push_back(name);
    }
    return out;
}

void FormDesigner::ResizeForm(double width, double height) {
    Form& form = GetForm();
    width = grid.SnapLength(width);
    height = grid.SnapLength(height);
    if (width == form.Width() && height == form.Height()) return;
    form.Move(form.Left(), form.Top(), width, height);
    Changed();
}

void FormDesigner::ResizeSelection(double dw, double dh) {
    bool any = false;
    for (const std::string& n : m_selection.Names()) {
        Target t = Find(n);
        if (t.surface->IsForm() && !t.element) continue;
        Rect b = t.element ? t.element->Bounds() : t.surface->Bounds();
        b.width = grid.SnapLength(b.width + dw);
        b.height = grid.SnapLength(b.height + dh);
        if (t.element) SetElementBounds(*t.element, b);
        else t.surface->Move(b.left, b.top, b.width, b.height);
        any = true;
    }
    if (any) Changed();
}

std::vector<std::string> FormDesigner::SelectedPlaced() const {
    std::vector<std::string> out;
    for (const std::string& n : m_selection.Names()) {
        Target t = Find(n);
        if (t.element || !t.surface->IsForm()) out.push_back(n);
    }
    return out;
}

namespace {

Rect BoundsOf(const Target& t) { return t.element ? t.element->Bounds() : t.surface->Bounds(); }

void Put(const Target& t, const Rect& r) {
    if (t.element) SetElementBounds(*t.element, r);
    else t.surface->Move(r.left, r.top, r.width, r.height);
}

}  // namespace

void FormDesigner::AlignSelection(Align how) {
    const std::vector<std::string> placed = SelectedPlaced();
    if (placed.size() < 2) return;
    const Rect first = FormBounds(placed.front());
    for (size_t i = 1; i < placed.size(); ++i) {
        const Rect at = FormBounds(placed[i]);
        double dx = 0, dy = 0;
        switch (how) {
            case Align::Lefts: dx = first.left - at.left; break;
            case Align::Rights: dx = first.left + first.width - (at.left + at.width); break;
            case Align::Centres: dx = first.left + first.width / 2 - (at.left + at.width / 2); break;
            case Align::Tops: dy = first.top - at.top; break;
            case Align::Bottoms: dy = first.top + first.height - (at.top + at.height); break;
            case Align::Middles: dy = first.top + first.height / 2 - (at.top + at.height / 2); break;
        }
        const Target t = Find(placed[i]);
        Rect b = BoundsOf(t);
        b.left += dx;
        b.top += dy;
        Put(t, b);
    }
    Changed();
}

void FormDesigner::MakeSameSize(Size what) {
    const std::vector<std::string> placed = SelectedPlaced();
    if (placed.size() < 2) return;
    const Rect first = Bounds(placed.front());
    for (size_t i = 1; i < placed.size(); ++i) {
        const Target t = Find(placed[i]);
        Rect b = BoundsOf(t);
        if (what != Size::Height) b.width = first.width;
        if (what != Size::Width) b.height = first.height;
        Put(t, b);
    }
    Changed();
}

void FormDesigner::CentreInForm(bool horizontally, bool vertically) {
    const std::vector<std::string> placed = SelectedPlaced();
    if (placed.empty()) return;
    double left = 0, top = 0, right = 0, bottom = 0;
    for (size_t i = 0; i < placed.size(); ++i) {
        const Rect r = FormBounds(placed[i]);
        left = i ? std::min(left, r.left) : r.left;
        top = i ? std::min(top, r.top) : r.top;
        right = i ? std::max(right, r.left + r.width) : r.left + r.width;
        bottom = i ? std::max(bottom, r.top + r.height) : r.top + r.height;
    }
    const double dx = horizontally ? std::round((GetForm().Width() - (right - left)) / 2 - left) : 0;
    const double dy = vertically ? std::round((GetForm().Height() - (bottom - top)) / 2 - top) : 0;
    if (dx == 0 && dy == 0) return;
    for (const std::string& n : placed) {
        const Target t = Find(n);
        Rect b = BoundsOf(t);
        b.left += dx;
        b.top += dy;
        Put(t, b);
    }
    Changed();
}

void FormDesigner::Reorder(bool toFront) {
    if (m_selection.Empty()) return;
    Json doc = ParseFormText(m_doc.Text(), GetForm().Name());
    if (ReorderEntries(doc, m_selection.Names(), toFront) == 0) return;
    const std::string text = FormText(doc);
    if (text == m_doc.Text()) return;
    Reload(text);
    Changed();
}

void FormDesigner::BringToFront() { Reorder(true); }
void FormDesigner::SendToBack() { Reorder(false); }

void FormDesigner::DeleteSelection() {
    if (m_selection.Empty()) return;
    Json doc = ParseFormText(m_doc.Text(), GetForm().Name());
    if (RemoveEntries(doc, m_selection.Names()) == 0) return;
    m_selection.Clear();
    Reload(FormText(doc));
    Changed();
}

// ---------------------------------------------------------------- properties

void FormDesigner::Rename(const std::string& from, const std::string& to) {
    if (!ValidName(to))
        throw HostError(ErrorNumber::InvalidProperty,
                        "Invalid property value: Name: expected a letter followed by letters, digits or underscores "
                        "(at most 40), found \"" + to + "\"");
    if (to == from || (from.empty() && to == GetForm().Name())) return;
    Json doc = ParseFormText(m_doc.Text(), GetForm().Name());
    const std::set<std::string> names = EntryNames(doc);
    if (names.count(to) || to == GetForm().Name())
        throw HostError(ErrorNumber::InvalidProperty,
                        "Invalid property value: Name: " + to + " is already the name of something on the form");
    if (from.empty() || from == GetForm().Name())
        doc["name"] = to;
    else
        RenameEntry(doc, from, to);
    std::vector<std::string> selected = m_selection.Names();
    for (auto& n : selected)
        if (n == from) n = to;
    m_selection.Set(selected);
    Reload(FormText(doc));
    Changed();
}

void FormDesigner::SetProperty(const std::string& name, const std::string& property, const std::string& text) {
    Target t = Find(name);
    if (IsName(property)) return Rename(t.element ? t.element->FullName() : (t.surface->IsForm() ? "" : t.surface->FullName()), text);
    SetProperty(t, property, text);
    Changed();
}

void FormDesigner::SetProperty(const Target& t, const std::string& property, const std::string& text) {
    Runtime& rt = GetRuntime();
    try {
        if (t.element) {
            const ElementMember* m = KindInfo(t.element->Kind()).Find(property);
            if (!m) throw Errors::NoSuchProperty(property);
            if (m->readOnly || !m->set) throw HostError(383, "Property is read-only");
            m->set(*t.element, ParseValue(text, TextTypeOf(m->type), nullptr, rt, m->name));
            return;
        }
        if (Control* c = t.surface->GetControl()) {
            if (const PropertyInfo* p = c->FindProperty(property)) {
                if (!p->set) throw HostError(383, "Property is read-only");
                Value value = ParseValue(text, TextTypeOf(p->type), p->enumeration, rt, p->name);
                if (const EnumInfo* e = p->enumeration; e && e->Refuses()) {
                    const int64_t n = AsInteger(Coerce(value, p->type));
                    if (!e->Contains(n))
                        throw HostError(ErrorNumber::InvalidProperty,
                                        "Invalid property value: " + p->name + ": " + std::to_string(n) + " is not " +
                                            WithArticle(e->name) + " value (" + e->List() + ")");
                }
                p->set(*c, value);
                return;
            }
        }
        const SurfaceMember* m = FindSurfaceMember(*t.surface, property);
        if (!m || m->shownByRuntime) throw Errors::NoSuchProperty(property);
        if (m->readOnly || !m->set) throw HostError(383, "Property is read-only");
        m->set(*t.surface, ParseValue(text, TextTypeOf(m->type), nullptr, rt, m->name));
    } catch (HostError& e) {
        Rethrow(e, property);
    }
}

std::string FormDesigner::PropertyText(const std::string& name, const std::string& property) const {
    Target t = Find(name);
    if (IsName(property))
        return t.element ? t.element->FullName() : t.surface->IsForm() ? GetForm().Name() : t.surface->FullName();
    if (t.element) {
        const ElementMember* m = KindInfo(t.element->Kind()).Find(property);
        if (!m) throw Errors::NoSuchProperty(property);
        return m->type == MemberType::Items ? "(List)" : ShowValue(m->get(*t.element), TextTypeOf(m->type));
    }
    if (Control* c = t.surface->GetControl())
        if (const PropertyInfo* p = c->FindProperty(property))
            return ShowValue(p->get(*c), TextTypeOf(p->type), p->enumeration);
    const SurfaceMember* m = FindSurfaceMember(*t.surface, property);
    if (!m || !m->get) throw Errors::NoSuchProperty(property);
    return ShowValue(m->get(*t.surface), TextTypeOf(m->type));
}

Value FormDesigner::PropertyValue(const std::string& name, const std::string& property) const {
    Target t = Find(name);
    if (t.element) {
        const ElementMember* m = KindInfo(t.element->Kind()).Find(property);
        if (!m || !m->get) throw Errors::NoSuchProperty(property);
        return m->get(*t.element);
    }
    if (Control* c = t.surface->GetControl())
        if (const PropertyInfo* p = c->FindProperty(property)) return p->get(*c);
    const SurfaceMember* m = FindSurfaceMember(*t.surface, property);
    if (!m || !m->get) throw Errors::NoSuchProperty(property);
    return m->get(*t.surface);
}

namespace {

PropertyRow MakeRow(std::string name, std::string value, std::string help, TextType type = TextType::String,
                    const EnumInfo* enumeration = nullptr) {
    PropertyRow row;
    row.name = std::move(name);
    row.value = std::move(value);
    row.help = std::move(help);
    row.type = type;
    row.enumeration = enumeration;
    return row;
}

}  // namespace

std::vector<PropertyRow> FormDesigner::Properties(const std::string& name) const {
    Target t = Find(name);
    std::vector<PropertyRow> rows;
    rows.push_back(MakeRow("Name", PropertyText(name, "Name"), "The name code and form files know it by."));
    // A member of a kind or a surface: a small range of whole numbers is offered as a list.
    auto member = [&](const MemberInfo& m) {
        PropertyRow row = MakeRow(m.name, PropertyText(name, m.name), m.help, TextTypeOf(m.type));
        if (row.type == TextType::Integer && m.range && !m.overflow && m.hi - m.lo < 64)
            row.ranged = true, row.lo = m.lo, row.hi = m.hi;
        rows.push_back(std::move(row));
    };
    if (t.element) {
        for (const ElementMember& m : KindInfo(t.element->Kind()).members)
            if (!m.readOnly && m.set && m.stored) member(m);
    } else {
        if (Control* c = t.surface->GetControl())
            for (const PropertyInfo& p : c->Properties())
                if (p.isPublic && p.set && p.persisted)
                    rows.push_back(MakeRow(p.name, PropertyText(name, p.name), p.help, TextTypeOf(p.type), p.enumeration));
        for (const SurfaceMember& m : SurfaceMembers())
            if (m.AppliesTo(*t.surface) && m.set && !m.readOnly && !m.shownByRuntime &&
                std::none_of(rows.begin(), rows.end(), [&](const PropertyRow& r) { return r.name == m.name; }))
                member(m);
    }
    for (PropertyRow& row : rows) row.category = CategoryOf(row.name, row.type);
    std::sort(rows.begin(), rows.end(), [](const PropertyRow& a, const PropertyRow& b) {
        return ToLower(a.name) < ToLower(b.name);
    });
    return rows;
}

std::vector<PropertyRow> FormDesigner::CommonProperties(const std::vector<std::string>& names) const {
    if (names.size() < 2) return Properties(names.empty() ? std::string() : names.front());
    std::vector<PropertyRow> rows = Properties(names.front());
    std::erase_if(rows, [](const PropertyRow& r) { return IsName(r.name); });
    for (size_t i = 1; i < names.size(); ++i) {
        const std::vector<PropertyRow> other = Properties(names[i]);
        std::erase_if(rows, [&](PropertyRow& r) {
            auto it = std::find_if(other.begin(), other.end(), [&](const PropertyRow& o) { return o.name == r.name; });
            if (it == other.end() || it->type != r.type) return true;
            if (it->value != r.value) r.value.clear();
            return false;
        });
    }
    return rows;
}

void FormDesigner::SetProperty(const std::vector<std::string>& names, const std::string& property,
                               const std::string& text) {
    if (names.size() < 2) return SetProperty(names.empty() ? std::string() : names.front(), property, text);
    if (IsName(property))
        throw HostError(ErrorNumber::InvalidProperty, "Invalid property value: Name: each thing needs a name of its own");
    std::vector<Target> targets;
    for (const std::string& n : names) targets.push_back(Find(n));
    const std::string before = m_doc.Text();
    try {
        for (const Target& t : targets) SetProperty(t, property, text);
    } catch (...) {
        // Some took the value before one refused it: the form as it was, whole.
        if (m_doc.Text() != before) Reload(before);
        throw;
    }
    Changed();
}

int FormDesigner::NextTabIndex() const {
    int highest = -1;
    std::function<void(Surface&)> walk = [&](Surface& s) {
        for (const auto& e : s.Elements()) {
            auto* ce = dynamic_cast<ControlElement*>(e.get());
            if (!ce || ce->IsDesignChild()) continue;
            highest = std::max(highest, ce->GetSurface().TabIndex());
            walk(ce->GetSurface());
        }
    };
    walk(GetForm());
    return std::min(highest + 1, kMaxTabIndex);
}

std::vector<std::string> FormDesigner::TabOrder() const {
    std::vector<std::pair<int, std::string>> keyed;
    std::function<void(Surface&)> collect = [&](Surface& s) {
        for (const auto& e : s.Elements()) {
            auto* ce = dynamic_cast<ControlElement*>(e.get());
            if (!ce || ce->IsDesignChild()) continue;
            Surface& cs = ce->GetSurface();
            if (cs.TabStop()) keyed.push_back({cs.TabIndex(), cs.FullName()});
            collect(cs);
        }
    };
    collect(GetForm());
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> out;
    for (auto& [index, n] : keyed) out.push_back(std::move(n));
    return out;
}

void FormDesigner::SetTabOrder(const std::vector<std::string>& order) {
    std::vector<std::string> now = TabOrder(), asked = order;
    std::sort(now.begin(), now.end());
    std::sort(asked.begin(), asked.end());
    if (now != asked)
        throw HostError(ErrorNumber::InvalidCall, "A tab order names every control that takes the focus, once");
    bool changed = false;
    for (size_t i = 0; i < order.size(); ++i) {
        Surface& s = *GetForm().FindSurface(order[i]);
        if (s.TabIndex() != static_cast<int>(i)) s.SetTabIndex(static_cast<int>(i)), changed = true;
    }
    if (changed) Changed();
}

// ---------------------------------------------------------------- clipboard

std::string FormDesigner::Copy() const {
    Json doc = ParseFormText(m_doc.Text(), GetForm().Name());
    Json clip;
    clip["name"] = doc.value("name", std::string("Form1"));
    clip["controls"] = CopyEntries(doc, m_selection.Names());
    return FormText(clip);
}

std::string FormDesigner::Cut() {
    std::string text = Copy();
    DeleteSelection();
    return text;
}

std::vector<std::string> FormDesigner::Paste(const std::string& text, const std::string& container) {
    Json clip = ParseFormText(text, "the clipboard");
    Json entries = clip["controls"];
    if (!entries.is_array() || entries.empty()) return {};
    if (!container.empty()) ContainerNamed(container);
    Json doc = ParseFormText(m_doc.Text(), GetForm().Name());
    std::set<std::string> taken = EntryNames(doc);
    taken.insert(doc.value("name", std::string()));
    std::vector<std::string> names = MakeNamesUnique(entries, taken);
    // The pasted controls follow those on the form in the tab order, keeping theirs among
    // themselves.
    std::vector<Json*> pasted;
    std::function<void(Json&)> collect = [&](Json& list) {
        for (Json& e : list) {
            if (!e.is_object()) continue;
            const auto kind = e.find("class");
            if (kind == e.end() || !kind->is_string() || !GetRuntime().GetLibrary().FindClass(kind->get<std::string>()))
                continue;  // an element: no place in the tab order
            pasted.push_back(&e);
            if (e.contains("controls") && e["controls"].is_array()) collect(e["controls"]);
        }
    };
    collect(entries);
    auto tabIndexOf = [](const Json* e) {
        const auto it = e->find("tabIndex");
        return it != e->end() && it->is_number_integer() ? it->get<int64_t>() : int64_t{0};
    };
    std::stable_sort(pasted.begin(), pasted.end(),
                     [&](const Json* a, const Json* b) { return tabIndexOf(a) < tabIndexOf(b); });
    int next = NextTabIndex();
    for (Json* e : pasted) (*e)["tabIndex"] = std::min(next++, kMaxTabIndex);
    InsertEntries(doc, container, entries);
    // The text is checked by loading it, as a file is: what does not load changes nothing.
    try {
        m_doc.Restore(FormText(doc));
    } catch (const FormFileError& e) {
        throw HostError(ErrorNumber::InvalidCall, std::string("The clipboard holds no controls that can be pasted: ") +
                                                      e.what());
    }
    m_selection.Set(names);
    Changed();
    return names;
}

}  // namespace stolvane
