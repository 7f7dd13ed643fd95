// SPDX-License-Identifier: MIT
// Addressing: paths such as "ctlButton.lblCaption" or "grpLin(3)" to surfaces and elements and
// back, and positions of surfaces in their form's client twips.

#include "host/runtime.h"

#include <algorithm>
#include <cctype>

namespace stolvane {

namespace {

// Parses "name" or "name(3)".
std::pair<std::string, int> SplitIndex(const std::string& seg) {
    auto open = seg.find('(');
    if (open == std::string::npos || seg.back() != ')') return {seg, -1};
    std::string num = seg.substr(open + 1, seg.size() - open - 2);
    if (num.empty() || !std::all_of(num.begin(), num.end(), ::isdigit) || num.size() > 6) return {seg, -1};
    return {seg.substr(0, open), std::stoi(num)};
}

}  // namespace

double Runtime::FormX(const Surface& s) const {
    double x = 0;
    for (const Surface* p = &s; p && !p->IsForm(); p = p->Container()) x += p->Left();
    return x;
}

double Runtime::FormY(const Surface& s) const {
    double y = 0;
    for (const Surface* p = &s; p && !p->IsForm(); p = p->Container()) y += p->Top();
    return y;
}

ControlElement* Runtime::ElementOf(const Surface& s) const {
    return s.Container() ? s.EmbeddingElement() : nullptr;
}

std::string Runtime::PathOf(const Surface& surface) const {
    if (surface.IsForm()) return "";
    ControlElement* ce = ElementOf(surface);
    if (ce && ce->IsDesignChild() && surface.Container()) {
        std::string outer = PathOf(*surface.Container());
        return outer.empty() ? surface.FullName() : outer + "." + surface.FullName();
    }
    return surface.FullName();
}

std::string Runtime::PathOf(const Element& element) const {
    if (auto* ce = dynamic_cast<const ControlElement*>(&element)) return PathOf(ce->GetSurface());
    std::string owner = element.Owner() ? PathOf(*element.Owner()) : "";
    return owner.empty() ? element.FullName() : owner + "." + element.FullName();
}

Target Runtime::Resolve(Form& form, const std::string& path) const {
    if (path.empty()) return {&form, nullptr};
    std::vector<std::string> segs;
    size_t start = 0;
    while (true) {
        auto dot = path.find('.', start);
        segs.push_back(path.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    auto [name0, index0] = SplitIndex(segs[0]);
    Surface* current = form.FindSurface(name0, index0);
    if (!current) {
        Element* e = form.FindAuthored(name0, index0);
        if (e && segs.size() == 1) return {&form, e};
        return {};
    }
    for (size_t i = 1; i < segs.size(); ++i) {
        auto [name, index] = SplitIndex(segs[i]);
        Element* e = current->Find(name, index);
        if (!e) return {};
        if (auto* ce = dynamic_cast<ControlElement*>(e)) {
            current = &ce->GetSurface();
            continue;
        }
        if (i + 1 != segs.size()) return {};
        return {current, e};
    }
    return {current, nullptr};
}

}  // namespace stolvane
