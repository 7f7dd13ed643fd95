// SPDX-License-Identifier: MIT
#include "core/form.h"

#include <cmath>

#include "core/control.h"
#include "core/element_members.h"

namespace stolvane {

Form* Surface::OwningForm() {
    Surface* s = this;
    while (s && !s->IsForm()) s = s->Container();
    return static_cast<Form*>(s);
}

void Form::SetCaption(std::string c) { m_caption = std::move(c); }

void Form::SetBorderStyle(int16_t b) {
    if (b < 0 || b > 5) throw HostError::InvalidProperty();
    m_border = b;
}

void Form::SetWindowState(int16_t s) {
    if (s < 0 || s > 2) throw HostError::InvalidProperty();
    if (s == m_windowState) return;
    m_windowState = s;
    if (onWindowStateChanged) onWindowStateChanged(s);
}

namespace {
std::string PlacedKey(const std::string& name, int index) { return Surface::NameKey(name, index); }

// Calls f for every placed control inside s (not design children, nor what is inside them).
template <class F>
void ForEachPlacedInside(Surface& s, F&& f) {
    for (auto& e : s.Elements()) {
        auto* ce = dynamic_cast<ControlElement*>(e.get());
        if (!ce || ce->IsDesignChild()) continue;
        f(ce->GetSurface());
        ForEachPlacedInside(ce->GetSurface(), f);
    }
}
}  // namespace

Element* Form::FindAuthored(const std::string& name, int index) const {
    if (Element* e = Find(name, index)) return e;
    // Inside containers: every container is a placed control, which the form keeps by name, so
    // this costs the number of placed controls and not every element of the form (a form of
    // 50 000 labels placed one by one would take quadratic time).
    for (auto& [key, s] : m_placed) {
        Element* e = s->Find(name, index);
        if (e && e->Authored()) return e;
        if (!e) continue;
        // A design element of the control bears the name too: look past it.
        for (auto& other : s->Elements())
            if (other->Authored() && other->Name() == name && other->Index() == index) return other.get();
    }
    return nullptr;
}

void Form::SetMinClientSize(double width, double height) {
    if (!(width >= 0 && height >= 0 && width <= kMaxExtentTwips && height <= kMaxExtentTwips))
        throw HostError::InvalidProperty();
    m_minClientWidth = width, m_minClientHeight = height;
}

namespace {
// "tplDes(2)" -> ("tplDes", 2); a plain name has index -1.
std::pair<std::string, int> NameAndIndex(const std::string& text) {
    size_t open = text.find('(');
    if (open == std::string::npos || text.back() != ')') return {text, -1};
    try {
        return {text.substr(0, open), std::stoi(text.substr(open + 1))};
    } catch (const std::exception&) {
        return {text, -1};
    }
}
}  // namespace

Control& Form::RequireControl(const std::string& name) const {
    auto [plain, index] = NameAndIndex(name);
    if (Control* c = FindControl(plain, index)) return *c;
    throw HostError(ErrorNumber::InvalidCall, "form " + Name() + " has no control named \"" + name + "\"");
}

Element& Form::RequireElement(const std::string& name) const {
    auto [plain, index] = NameAndIndex(name);
    if (Element* e = FindAuthored(plain, index)) return *e;
    throw HostError(ErrorNumber::InvalidCall, "form " + Name() + " has no element named \"" + name + "\"");
}

HostError Form::WrongClass(const std::string& name, const std::string& is, const std::string& asked) const {
    return HostError(ErrorNumber::InvalidCall,
                     "\"" + name + "\" on form " + Name() + " is a " + is + ", not " + asked);
}

std::string Form::ElementClassName(const Element& e) { return KindInfo(e.Kind()).className; }

void Form::CentreOn(const Form& owner) {
    Move(owner.Left() + std::round((owner.Width() - Width()) / 2), owner.Top() + std::round((owner.Height() - Height()) / 2),
         Width(), Height());
}

Surface* Form::FindSurface(const std::string& name, int index) const {
    auto it = m_placed.find(PlacedKey(name, index));
    return it == m_placed.end() ? nullptr : it->second;
}

void Form::NamePlaced(Surface& placed) {
    auto add = [this](Surface& s) { m_placed.emplace(PlacedKey(s.Name(), s.Index()), &s); };
    add(placed);
    ForEachPlacedInside(placed, add);
}

void Form::ForgetPlaced(Surface& placed) {
    auto drop = [this](Surface& s) {
        auto it = m_placed.find(PlacedKey(s.Name(), s.Index()));
        if (it != m_placed.end() && it->second == &s) m_placed.erase(it);
    };
    drop(placed);
    ForEachPlacedInside(placed, drop);
}

Control* Form::FindControl(const std::string& name, int index) const {
    Surface* s = FindSurface(name, index);
    return s ? s->GetControl() : nullptr;
}

}  // namespace stolvane
