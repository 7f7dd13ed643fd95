#include "core/form.h"

#include "core/control.h"

namespace stolvane {

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
Surface* FindIn(const Surface& s, const std::string& name, int index) {
    for (auto& e : s.Elements()) {
        auto* ce = dynamic_cast<ControlElement*>(e.get());
        if (!ce || ce->IsDesignChild()) continue;
        if (ce->Name() == name && ce->Index() == index) return &ce->GetSurface();
        if (Surface* inner = FindIn(ce->GetSurface(), name, index)) return inner;
    }
    return nullptr;
}
}  // namespace

Surface* Form::FindSurface(const std::string& name, int index) const { return FindIn(*this, name, index); }

Control* Form::FindControl(const std::string& name, int index) const {
    Surface* s = FindSurface(name, index);
    return s ? s->GetControl() : nullptr;
}

}  // namespace stolvane
