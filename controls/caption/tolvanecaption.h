// TolvaneCaption: gradient title bar that commands its form.
// So far a registered, creatable class with the members every control shares; its
// properties, drawing and behaviour come with its own work.
#pragma once

#include "core/control.h"
#include "core/library.h"

namespace stolvane {

class TolvaneCaption : public Control {
public:
    static constexpr double kDesignWidth = 6075;
    static constexpr double kDesignHeight = 300;
    explicit TolvaneCaption(Surface& surface) : Control(surface) {}
    const char* ClassName() const override { return "TolvaneCaption"; }
    static const std::vector<PropertyInfo>& PropertyTable();
    const std::vector<PropertyInfo>& Properties() const override { return PropertyTable(); }
    static ClassInfo Class();
};

}  // namespace stolvane
