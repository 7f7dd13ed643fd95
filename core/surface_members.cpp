// SPDX-License-Identifier: MIT
#include "core/surface_members.h"

#include <algorithm>
#include <type_traits>

#include "core/anchor.h"
#include "core/form.h"

namespace stolvane {

namespace {

// Row builders: a member read and written through the surface's (or the form's) own accessors.
template <class S, class G, class Set>
SurfaceMember Row(std::string name, MemberType type, SurfaceMember::Scope scope, SurfaceMember::DumpPlace dump,
                  G get, Set set) {
    SurfaceMember m;
    m.name = std::move(name);
    m.type = type;
    m.scope = scope;
    m.dump = dump;
    m.stored = false;
    m.get = [get](const Surface& s) { return get(static_cast<const S&>(s)); };
    if constexpr (!std::is_same_v<Set, std::nullptr_t>)
        m.set = [set](Surface& s, const Value& v) { set(static_cast<S&>(s), v); };
    return m;
}

SurfaceMember Stored(SurfaceMember m, int fileOrder, bool alwaysWritten, Value defaultValue = {}) {
    m.stored = true;
    m.fileOrder = fileOrder;
    m.alwaysWritten = alwaysWritten;
    m.defaultValue = std::move(defaultValue);
    return m;
}

SurfaceMember Defaulting(SurfaceMember m, Value defaultValue) {
    m.defaultValue = std::move(defaultValue);
    return m;
}

// A place or size: kept in form files, shown among a dump's own keys.
SurfaceMember Place(std::string name, MemberType type, double (Surface::*get)() const, void (Surface::*set)(double),
                    int fileOrder) {
    return Stored(Row<Surface>(std::move(name), type, SurfaceMember::AllSurfaces, SurfaceMember::DumpKey,
                               [get](const Surface& s) { return Value{(s.*get)()}; },
                               [set](Surface& s, const Value& v) { (s.*set)(AsNumber(v)); }),
                  fileOrder, true, Value{0.0});
}

Value Bool(bool b) { return Value{int64_t{ToBoolean(b).Raw()}}; }
Value Int(int64_t i) { return Value{i}; }

std::vector<SurfaceMember> Build() {
    using M = SurfaceMember;
    using T = MemberType;
    const auto all = M::AllSurfaces, controls = M::ControlsOnly, forms = M::FormsOnly;
    std::vector<SurfaceMember> rows;

    SurfaceMember name = Row<Surface>("Name", T::String, all, M::NotDumped,
                                      [](const Surface& s) { return Value{s.FullName()}; }, nullptr);
    name.readOnly = true;
    rows.push_back(name);

    rows.push_back(Place("Left", T::Twips, &Surface::Left, &Surface::SetLeft, 2));
    rows.push_back(Place("Top", T::Twips, &Surface::Top, &Surface::SetTop, 3));
    rows.push_back(Place("Width", T::Size, &Surface::Width, &Surface::SetWidth, 4));
    rows.push_back(Place("Height", T::Size, &Surface::Height, &Surface::SetHeight, 5));

    SurfaceMember visible = Row<Surface>("Visible", T::Boolean, all, M::DumpKey,
                                         [](const Surface& s) { return Bool(s.Visible()); },
                                         [](Surface& s, const Value& v) { s.SetVisible(AsInteger(v) != 0); });
    visible.shownByRuntime = true;
    visible.defaultValue = Bool(true);
    rows.push_back(visible);
    rows.push_back(Defaulting(Row<Surface>("Enabled", T::Boolean, all, M::DumpKey,
                                           [](const Surface& s) { return Bool(s.Enabled()); },
                                           [](Surface& s, const Value& v) { s.SetEnabled(AsInteger(v) != 0); }),
                              Bool(true)));

    rows.push_back(Defaulting(Row<Surface>("TabIndex", T::Int16, controls, M::NotDumped,
                                           [](const Surface& s) { return Int(s.TabIndex()); },
                                           [](Surface& s, const Value& v) {
                                               s.SetTabIndex(static_cast<int16_t>(AsInteger(v)));
                                           }),
                              Int(0)));
    rows.push_back(Defaulting(Row<Surface>("TabStop", T::Boolean, controls, M::NotDumped,
                                           [](const Surface& s) { return Bool(s.TabStop()); },
                                           [](Surface& s, const Value& v) { s.SetTabStop(AsInteger(v) != 0); }),
                              Bool(true)));

    // The tip belongs to the control's place on its form (its element), as its anchor does.
    SurfaceMember tip = Row<Surface>("ToolTipText", T::String, controls, M::NotDumped,
                                     [](const Surface& s) {
                                         const ControlElement* ce = s.EmbeddingElement();
                                         return Value{ce ? ce->ToolTipText() : std::string()};
                                     },
                                     [](Surface& s, const Value& v) {
                                         if (ControlElement* ce = s.EmbeddingElement()) ce->SetToolTipText(AsString(v));
                                     });
    tip.defaultValue = Value{std::string()};
    rows.push_back(tip);

    rows.push_back(Row<Surface>("Anchor", T::String, controls, M::NotDumped,
                                [](const Surface& s) { return Value{AnchorText(s.Anchor())}; },
                                [](Surface& s, const Value& v) { s.SetAnchor(ParseAnchor(AsString(v))); }));

    rows.push_back(Stored(Row<Form>("Caption", T::String, forms, M::DumpProperty,
                                    [](const Form& f) { return Value{f.Caption()}; },
                                    [](Form& f, const Value& v) { f.SetCaption(AsString(v)); }),
                          1, true, Value{std::string()}));
    SurfaceMember back = Stored(Row<Form>("BackColour", T::Colour, forms, M::DumpProperty,
                                          [](const Form& f) { return Int(f.BackColour()); },
                                          [](Form& f, const Value& v) {
                                              f.SetBackColour(static_cast<OleColour>(static_cast<uint32_t>(AsInteger(v))));
                                          }),
                                9, false, Int(SysColour::ButtonFace));
    back.aliases = {"BackColor"};
    rows.push_back(back);
    SurfaceMember border = Stored(Row<Form>("BorderStyle", T::Int16, forms, M::DumpProperty,
                                            [](const Form& f) { return Int(f.GetBorderStyle()); },
                                            [](Form& f, const Value& v) {
                                                f.SetBorderStyle(static_cast<int16_t>(AsInteger(v)));
                                            }),
                                  6, true, Int(Form::Sizable));
    border.lo = 0, border.hi = 5, border.range = "a border style (0 to 5)", border.overflow = false;
    rows.push_back(border);
    SurfaceMember state = Defaulting(Row<Form>("WindowState", T::Int16, forms, M::DumpProperty,
                                               [](const Form& f) { return Int(f.GetWindowState()); },
                                               [](Form& f, const Value& v) {
                                                   f.SetWindowState(static_cast<int16_t>(AsInteger(v)));
                                               }),
                                     Int(Form::Normal));
    state.lo = 0, state.hi = 2, state.range = "a window state (0 to 2)", state.overflow = false;
    rows.push_back(state);
    rows.push_back(Stored(Row<Form>("Font", T::Font, forms, M::DumpProperty, [](const Form& f) { return Value{f.GetFont()}; },
                                    [](Form& f, const Value& v) { f.SetFont(AsFont(v)); }),
                          7, true));
    rows.push_back(Defaulting(Row<Form>("Picture", T::Picture, forms, M::DumpProperty,
                                        [](const Form& f) { return Value{f.GetPicture()}; },
                                        [](Form& f, const Value& v) { f.SetPicture(AsPicture(v)); }),
                              Value{Picture::Empty()}));
    rows.push_back(Stored(Row<Form>("Icon", T::Picture, forms, M::DumpProperty, [](const Form& f) { return Value{f.Icon()}; },
                                    [](Form& f, const Value& v) { f.SetIcon(AsPicture(v)); }),
                          8, false, Value{Picture::Empty()}));
    // What an application form adds: a smallest client size, and the buttons Enter and Escape
    // click, and whether the form sees keys before its controls.
    rows.push_back(Stored(Row<Form>("MinWidth", T::Size, forms, M::DumpProperty,
                                    [](const Form& f) { return Value{f.MinClientWidth()}; },
                                    [](Form& f, const Value& v) { f.SetMinClientSize(AsNumber(v), f.MinClientHeight()); }),
                          10, false, Value{0.0}));
    rows.push_back(Stored(Row<Form>("MinHeight", T::Size, forms, M::DumpProperty,
                                    [](const Form& f) { return Value{f.MinClientHeight()}; },
                                    [](Form& f, const Value& v) { f.SetMinClientSize(f.MinClientWidth(), AsNumber(v)); }),
                          11, false, Value{0.0}));
    rows.push_back(Stored(Row<Form>("KeyPreview", T::Boolean, forms, M::DumpProperty,
                                    [](const Form& f) { return Bool(f.KeyPreview()); },
                                    [](Form& f, const Value& v) { f.SetKeyPreview(AsInteger(v) != 0); }),
                          12, false, Bool(false)));
    rows.push_back(Stored(Row<Form>("DefaultButton", T::String, forms, M::DumpProperty,
                                    [](const Form& f) { return Value{f.DefaultButton()}; },
                                    [](Form& f, const Value& v) { f.SetDefaultButton(AsString(v)); }),
                          13, false, Value{std::string()}));
    rows.push_back(Stored(Row<Form>("CancelButton", T::String, forms, M::DumpProperty,
                                    [](const Form& f) { return Value{f.CancelButton()}; },
                                    [](Form& f, const Value& v) { f.SetCancelButton(AsString(v)); }),
                          14, false, Value{std::string()}));
    for (auto& m : rows)
        if (m.type == T::Int16 && !m.range) m.lo = -32768, m.hi = 32767, m.range = "a 16-bit integer";
    return rows;
}

}  // namespace

const std::vector<SurfaceMember>& SurfaceMembers() {
    static const std::vector<SurfaceMember> rows = Build();
    return rows;
}

const SurfaceMember* FindSurfaceMember(const Surface& s, const std::string& name) {
    for (const SurfaceMember& m : SurfaceMembers())
        if (m.AppliesTo(s) && m.Answers(name)) return &m;
    return nullptr;
}

const std::vector<const SurfaceMember*>& FormFileMembers() {
    static const std::vector<const SurfaceMember*> rows = [] {
        std::vector<const SurfaceMember*> stored;
        for (const SurfaceMember& m : SurfaceMembers())
            if (m.stored) stored.push_back(&m);
        std::sort(stored.begin(), stored.end(), [](auto* a, auto* b) { return a->fileOrder < b->fileOrder; });
        return stored;
    }();
    return rows;
}

}  // namespace stolvane
