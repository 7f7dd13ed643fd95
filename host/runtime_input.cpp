// SPDX-License-Identifier: MIT
// Input routing: hit-testing the topmost mouse-receptive element (windowed ones above the
// lightweight ones), capture, press and click, drops, key presses, access keys and the tab
// order. What an element does with the input is its own affair (core/elements.h).

#include "host/runtime.h"

#include <algorithm>
#include <cctype>

#include "core/convert.h"
#include "core/text.h"
#include "host/runtime_internal.h"

namespace stolvane {

namespace {

bool Contains(const Rect& r, double x, double y) {
    return x >= r.left && y >= r.top && x < r.left + r.width && y < r.top + r.height;
}

// True when the control and every container it lies in are shown.
bool ShownWithContainers(const Surface& s) {
    for (const Surface* p = &s; p && !p->IsForm(); p = p->Container())
        if (!p->Visible()) return false;
    return true;
}

}  // namespace

// Input reaches a surface when it and every container are enabled and none of them is being
// designed (the designer, not the controls, hears a designed form's input).
bool Runtime::InputAllowed(const Surface& s) const {
    for (const Surface* p = &s; p; p = p->Container())
        if (!p->Enabled() || (!m_designRoots.empty() && m_designRoots.count(p))) return false;
    return true;
}

Target Runtime::HitSurface(Surface& s, double x, double y) const {
    // A surface with many elements answers from its grid with those whose bounds hold the point.
    std::vector<Element*> near;
    if (const ElementGrid* grid = s.Grid()) {
        grid->Query({x, y, 0, 0}, near);
    } else {
        near.reserve(s.Elements().size());
        for (const auto& e : s.Elements()) near.push_back(e.get());
    }
    // Windowed elements lie above the lightweight ones; within each group later is on top.
    for (int pass = 0; pass < 2; ++pass) {
        for (auto it = near.rbegin(); it != near.rend(); ++it) {
            Element& e = **it;
            if (e.Windowed() != (pass == 0) || !e.Visible() || !e.ReceivesMouse()) continue;
            Rect b = e.Bounds();
            if (!Contains(b, x, y)) continue;
            if (e.Kind() == ElementKind::Control)
                return HitSurface(static_cast<ControlElement&>(e).GetSurface(), x - b.left, y - b.top);
            return {&s, &e};
        }
    }
    return {&s, nullptr};
}

Target Runtime::HitTest(Form& form, double x, double y) const {
    HitMemo& memo = m_hitMemo;
    if (memo.form == &form && memo.x == x && memo.y == y && memo.changes == m_changes) return memo.target;
    // Beyond the form's client area nothing of it shows, also where a control reaches past its
    // edge (the renderer clips it there, as it clips a control's parts at the control's edges).
    Target t = Contains({0, 0, form.Width(), form.Height()}, x, y) ? HitSurface(form, x, y) : Target{&form, nullptr};
    memo = {&form, x, y, m_changes, t};
    return memo.target;
}

bool Runtime::Shows(Surface& surface, double x, double y) {
    if (!(x >= 0 && x <= surface.Width() && y >= 0 && y <= surface.Height())) return false;
    Form* form = surface.OwningForm();
    if (!form) return true;
    // The hover test counts the surface's right and bottom edges in, where a hit test, going by
    // pixels, stops short of them: a point on them is taken half a twip (at most half the
    // surface) inside.
    auto inside = [](double v, double size) { return v < size ? v : size - std::min(0.5, size / 2); };
    x = inside(x, surface.Width());
    y = inside(y, surface.Height());
    const Target hit = HitTest(*form, FormX(surface) + x, FormY(surface) + y);
    for (const Surface* s = hit.surface; s; s = s->Container())
        if (s == &surface) return true;
    return false;
}

std::pair<int16_t, PictureRef> Runtime::PointerAt(Form& form, double x, double y) const {
    Target t = m_capture ? Target{m_capture, nullptr} : HitTest(form, x, y);
    // A control being designed shows the pointer the designer gives the form, not its own.
    if (t.surface && InDesignMode(*t.surface)) t = {&form, nullptr};
    if (t.element && t.element->MousePointer() != 0) return {t.element->MousePointer(), t.element->MouseIcon()};
    for (Surface* s = t.surface; s; s = s->Container())
        if (s->MousePointer() != 0) return {s->MousePointer(), s->MouseIcon()};
    return {0, nullptr};
}

void Runtime::Deliver(const Target& t, MouseAction action, MouseArgs args) {
    if (!t.surface || !InputAllowed(*t.surface)) return;
    // While a control handles its own input, its moves of itself keep its anchor distances
    // (host/anchoring.cpp); afterwards they count as a move unless anchoring placed it.
    struct SelfInput {
        Runtime& rt;
        Surface* surface;
        Surface* before = rt.m_inputSurface;
        bool anchoredBefore = rt.m_inputSurfaceAnchored;
        Rect bounds = surface->Bounds();
        SelfInput(Runtime& r, Surface* s) : rt(r), surface(s) {
            rt.TakeAnchorDistances(*s);
            rt.m_inputSurface = s;
            rt.m_inputSurfaceAnchored = false;
        }
        ~SelfInput() {
            const bool placed = rt.m_inputSurfaceAnchored;
            rt.m_inputSurface = before;
            rt.m_inputSurfaceAnchored = anchoredBefore;
            if (!placed && surface->Bounds() != bounds) rt.AnchoredChildMoved(*surface);
        }
    } selfInput(*this, t.surface);
    Guard([&] {
        if (t.element) {
            Element& e = *t.element;
            if (auto* box = dynamic_cast<TextBox*>(&e)) {
                TextBoxMouse(*box, action, args);
                return;
            }
            // A press on a list box gives it the focus, as a press on a text box does.
            if (auto* list = dynamic_cast<ListBox*>(&e);
                list && action == MouseAction::Down && (args.button & 1) && list->TakesInput() && list->Visible())
                FocusListBox(*list);
            switch (action) {
                case MouseAction::Down: e.MouseDown(args); break;
                case MouseAction::Move: e.MouseMove(args); break;
                case MouseAction::Up: e.MouseUp(args); break;
                case MouseAction::Click: e.Click(args); break;
                case MouseAction::DblClick:
                case MouseAction::DoubleClickOnly: e.DblClick(); break;
            }
            return;
        }
        Control* c = t.surface->GetControl();
        if (!c) return;
        switch (action) {
            case MouseAction::Down: c->OnMouseDown(args); break;
            case MouseAction::Move: c->OnMouseMove(args); break;
            case MouseAction::Up: c->OnMouseUp(args); break;
            case MouseAction::Click: c->OnClick(); break;
            case MouseAction::DblClick:
            case MouseAction::DoubleClickOnly: c->OnDblClick(); break;
        }
    });
}

namespace {
// True when b is a or lies within a (the same surface, or an element or control inside it).
bool SameOrInside(const Target& a, const Target& b) {
    if (!a.surface || !b.surface) return false;
    if (a.element) return a.surface == b.surface && a.element == b.element;
    for (Surface* s = b.surface; s; s = s->Container())
        if (s == a.surface) return true;
    return false;
}
}  // namespace

void Runtime::Mouse(Form& form, MouseAction action, double x, double y, int16_t button, int16_t shift) {
    Dispatch scope(*this);
    m_cursor = {ToInt32(TwipsToPixels(form.Left() + x)), ToInt32(TwipsToPixels(form.Top() + y))};
    auto route = [&]() -> Target {
        if (m_capture) return {m_capture, nullptr};
        if (m_press.surface) return {m_press.surface, m_press.element};
        return HitTest(form, x, y);
    };
    auto deliverAt = [&](const Target& t, MouseAction a, int16_t b) {
        if (!t.surface) return;
        if (InDesignMode(*t.surface)) return ToDesigner(form, t, a, x, y, b, shift);
        double ox = FormX(*t.surface), oy = FormY(*t.surface);
        if (t.element) {
            Rect r = t.element->Bounds();
            ox += r.left;
            oy += r.top;
        }
        MouseArgs args{b, shift, static_cast<float>(x - ox), static_cast<float>(y - oy)};
        Deliver(t, a, args);
    };
    auto down = [&](int16_t b) {
        Target t = route();
        m_press = {t.surface, t.element};
        deliverAt(t, MouseAction::Down, b);
    };
    auto up = [&](int16_t b, bool withClick) {
        Target t = route();
        Press pressed = m_press;
        m_press = {};
        deliverAt(t, MouseAction::Up, b);
        if (!withClick || !pressed.surface) return;
        // Click when the button comes up over what it went down on.
        Target under = HitTest(form, x, y);
        Target was{pressed.surface, pressed.element};
        if (SameOrInside(was, under)) deliverAt(was, MouseAction::Click, b);
    };
    // A press hides the tooltip, which stays away until the pointer has left what it rests on;
    // a move with no button held rests the pointer somewhere (a drag shows none).
    if (action != MouseAction::Move && action != MouseAction::Up) {
        TrackToolTip(form, x, y);
        HideToolTip(true);
    }
    struct RestAfterMove {
        Runtime& rt;
        Form& form;
        bool move;
        double x, y;
        int16_t button;
        ~RestAfterMove() {
            if (!move || !rt.IsShown(form)) return;
            // A capture with no button held is a control following the pointer (a label's hover
            // fade, a caption bar's bevel): the pointer still rests, and tips show.
            if (button != 0 || rt.m_press.surface)
                rt.HideToolTip(true);
            else
                rt.TrackToolTip(form, x, y);
        }
    } rest{*this, form, action == MouseAction::Move, x, y, button};
    switch (action) {
        case MouseAction::Move: deliverAt(route(), MouseAction::Move, button); break;
        case MouseAction::Down: down(button); break;
        case MouseAction::Up: up(button, true); break;
        case MouseAction::Click:
            down(button);
            up(button, true);
            break;
        case MouseAction::DblClick: {
            down(button);
            up(button, true);
            Target t = route();
            deliverAt(t, MouseAction::DblClick, button);
            up(button, false);
            break;
        }
        case MouseAction::DoubleClickOnly: deliverAt(route(), MouseAction::DblClick, button); break;
    }
}

void Runtime::MouseTo(const Target& target, MouseAction action, double x, double y, int16_t button, int16_t shift) {
    if (!target.surface) return;
    Dispatch scope(*this);
    double fx = FormX(*target.surface) + x, fy = FormY(*target.surface) + y;
    if (target.element) {
        fx += target.element->Bounds().left;
        fy += target.element->Bounds().top;
    }
    if (Form* form = target.surface->OwningForm())
        m_cursor = {ToInt32(TwipsToPixels(form->Left() + fx)), ToInt32(TwipsToPixels(form->Top() + fy))};
    if (InDesignMode(*target.surface)) {
        if (Form* form = target.surface->OwningForm()) ToDesigner(*form, target, action, fx, fy, button, shift);
        return;
    }
    MouseArgs args{button, shift, static_cast<float>(x), static_cast<float>(y)};
    if (Form* form = target.surface->OwningForm(); form && IsShown(*form)) {
        if (action != MouseAction::Up) TrackToolTip(*form, fx, fy);
        if (action != MouseAction::Up && (action != MouseAction::Move || button != 0)) HideToolTip(true);
    }
    switch (action) {
        case MouseAction::Move:
        case MouseAction::Down:
        case MouseAction::Up: Deliver(target, action, args); break;
        case MouseAction::Click:
            Deliver(target, MouseAction::Down, args);
            Deliver(target, MouseAction::Up, args);
            Deliver(target, MouseAction::Click, args);
            break;
        case MouseAction::DblClick:
            Deliver(target, MouseAction::Down, args);
            Deliver(target, MouseAction::Up, args);
            Deliver(target, MouseAction::Click, args);
            Deliver(target, MouseAction::DblClick, args);
            Deliver(target, MouseAction::Up, args);
            break;
        case MouseAction::DoubleClickOnly: Deliver(target, MouseAction::DblClick, args); break;
    }
}

int32_t Runtime::DropTo(const Target& target, double x, double y, DragData data, int16_t button, int16_t shift) {
    if (!target.surface || !InputAllowed(*target.surface)) return DropEffect::None;
    Dispatch scope(*this);
    int32_t effect = DropEffect::Copy;
    MouseArgs args{button, shift, static_cast<float>(x), static_cast<float>(y)};
    Guard([&] {
        if (target.element && target.element->onOLEDragDrop) {
            target.element->onOLEDragDrop(data, effect, args);
            return;
        }
        // A part of a control that takes no drops of its own passes it to the control.
        if (target.element) {
            args.x += static_cast<float>(target.element->Bounds().left);
            args.y += static_cast<float>(target.element->Bounds().top);
        }
        if (Control* c = target.surface->GetControl()) c->OnOLEDragDrop(data, effect, args);
    });
    return effect;
}

int32_t Runtime::Drop(Form& form, double x, double y, DragData data, int16_t button, int16_t shift) {
    Target t = HitTest(form, x, y);
    if (!t.surface) return DropEffect::None;
    double ox = FormX(*t.surface), oy = FormY(*t.surface);
    if (t.element) ox += t.element->Bounds().left, oy += t.element->Bounds().top;
    return DropTo(t, x - ox, y - oy, std::move(data), button, shift);
}

bool Runtime::AccessKey(char c) {
    Dispatch scope(*this);
    Form* form = ActiveForm();
    if (!form) return false;
    char up = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    Surface* found = nullptr;
    ForEachSurface(*form, [&](Surface& s) {
        if (found || !s.GetControl() || !ShownWithContainers(s) || !InputAllowed(s)) return;
        if (s.GetControl()->AccessKeys().find(up) != std::string::npos) found = &s;
    });
    if (found) {
        Guard([&] { found->GetControl()->OnAccessKeyPress(static_cast<int16_t>(static_cast<unsigned char>(c))); });
        return true;
    }
    // A label marking the letter hands the focus to what follows it in tab order.
    Label* label = nullptr;
    ForEachSurface(*form, [&](Surface& s) {
        // Labels on a form, or showing a control's caption where the control takes no focus
        // (a label control); a button's or a tick's own caption is theirs to answer.
        if (label || !ShownWithContainers(s) || !InputAllowed(s)) return;
        for (const Surface* p = &s; p && !p->IsForm(); p = p->Container())
            if (p->TabStop() || !p->Enabled()) return;
        for (auto& e : s.Elements()) {
            auto* l = dynamic_cast<Label*>(e.get());
            if (l && l->Visible() && l->Enabled() && AccessKeysOf(l->Caption()).find(up) != std::string::npos) {
                label = l;
                return;
            }
        }
    });
    if (!label) return false;
    const Target to = LabelTarget(*label);
    if (!to) return true;
    Guard([&] {
        if (to.element) FocusElement(*to.element);
        else SetFocus(*to.surface);
    });
    return true;
}

Target Runtime::LabelTarget(const Label& label, bool wrap) const {
    Form* form = label.Owner() ? label.Owner()->OwningForm() : nullptr;
    if (!form) return {};
    std::vector<Target> order = TabOrder(*form, &label);
    auto at = std::find_if(order.begin(), order.end(), [&](const Target& t) { return t.element == &label; });
    if (at == order.end() || order.size() < 2) return {};
    const size_t i = static_cast<size_t>(at - order.begin());
    if (!wrap && i + 1 == order.size()) return {};
    return order[(i + 1) % order.size()];
}

void Runtime::CollectFocusable(Surface& s, std::vector<Target>& out, const Element* label) const {
    if (InDesignMode(s)) return;
    for (auto& e : s.Elements()) {
        if (label && e.get() == label) {
            out.push_back({&s, e.get()});
            continue;
        }
        if (auto* box = dynamic_cast<TextBox*>(e.get())) {
            if (box->Visible() && box->Enabled() && box->TabStop()) out.push_back({&s, box});
            continue;
        }
        if (auto* list = dynamic_cast<ListBox*>(e.get())) {
            if (list->Visible() && list->TakesInput() && list->TabStop()) out.push_back({&s, list});
            continue;
        }
        auto* ce = dynamic_cast<ControlElement*>(e.get());
        if (!ce || ce->IsDesignChild()) continue;
        Surface& cs = ce->GetSurface();
        if (!cs.Visible() || !cs.Enabled()) continue;
        if (cs.TabStop()) out.push_back({&cs, nullptr});
        CollectFocusable(cs, out, label);
    }
}

std::vector<Target> Runtime::TabOrder(Surface& form, const Element* label) const {
    std::vector<Target> order;
    CollectFocusable(form, order, label);
    // Controls by their TabIndex; a text box keeps its place after the control before it. A
    // label takes the place of the control showing it (a label control), else the same as a
    // text box.
    std::vector<std::pair<int, Target>> keyed;
    int last = -1;
    for (const Target& t : order) {
        if (!t.element) last = t.surface->TabIndex();
        int key = last;
        if (t.element && t.element == label && !t.surface->IsForm()) key = t.surface->TabIndex();
        keyed.push_back({key, t});
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t i = 0; i < keyed.size(); ++i) order[i] = keyed[i].second;
    return order;
}

void Runtime::Tab(bool backwards) {
    Dispatch scope(*this);
    Form* form = ActiveForm();
    if (!form) return;
    std::vector<Target> order = TabOrder(*form);
    if (order.empty()) return;
    auto it = std::find_if(order.begin(), order.end(), [&](const Target& t) {
        return t.element ? (t.element == m_textFocus || t.element == m_listFocus) : t.surface == m_focus;
    });
    size_t next;
    if (it == order.end())
        next = backwards ? order.size() - 1 : 0;
    else {
        size_t i = static_cast<size_t>(it - order.begin());
        next = backwards ? (i + order.size() - 1) % order.size() : (i + 1) % order.size();
    }
    const Target to = order[next];
    Guard([&] {
        if (to.element) FocusElement(*to.element);
        else SetFocus(*to.surface);
    });
}

}  // namespace stolvane
