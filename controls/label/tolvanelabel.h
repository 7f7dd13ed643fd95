// TolvaneLabel: label that lights up under the mouse and may open a hyperlink.
// So far a registered, creatable class with the members every control shares; its
// properties, drawing and behaviour come with its own work.
#pragma once

#include "core/control.h"
#include "core/library.h"

namespace stolvane {

class TolvaneLabel : public Control {
public:
    static constexpr double kDesignWidth = 960;
    static constexpr double kDesignHeight = 210;
    explicit TolvaneLabel(Surface& surface) : Control(surface) {}
    const char* ClassName() const override { return "TolvaneLabel"; }
    const std::vector<PropertyInfo>& Properties() const override;
    static ClassInfo Class();
};

}  // namespace stolvane
