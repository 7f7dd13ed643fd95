// TolvaneTick: check box with a tick or cross glyph.
// So far a registered, creatable class with the members every control shares; its
// properties, drawing and behaviour come with its own work.
#pragma once

#include "core/control.h"
#include "core/library.h"

namespace stolvane {

class TolvaneTick : public Control {
public:
    static constexpr double kDesignWidth = 4875;
    static constexpr double kDesignHeight = 270;
    explicit TolvaneTick(Surface& surface) : Control(surface) {}
    const char* ClassName() const override { return "TolvaneTick"; }
    const std::vector<PropertyInfo>& Properties() const override;
    static ClassInfo Class();
};

}  // namespace stolvane
