// TolvaneButton: push button in four visual styles, with picture, hyperlink and latching.
// So far a registered, creatable class with the members every control shares; its
// properties, drawing and behaviour come with its own work.
#pragma once

#include "core/control.h"
#include "core/library.h"

namespace stolvane {

class TolvaneButton : public Control {
public:
    static constexpr double kDesignWidth = 3195;
    static constexpr double kDesignHeight = 1875;
    explicit TolvaneButton(Surface& surface) : Control(surface) {}
    const char* ClassName() const override { return "TolvaneButton"; }
    const std::vector<PropertyInfo>& Properties() const override;
    static ClassInfo Class();
};

}  // namespace stolvane
