// TolvaneAbout_2: about badge, second variant.
// So far a registered, creatable class with the members every control shares; its
// properties, drawing and behaviour come with its own work.
#pragma once

#include "core/control.h"
#include "core/library.h"

namespace stolvane {

class TolvaneAbout_2 : public Control {
public:
    static constexpr double kDesignWidth = 1320;
    static constexpr double kDesignHeight = 465;
    explicit TolvaneAbout_2(Surface& surface) : Control(surface) {}
    const char* ClassName() const override { return "TolvaneAbout_2"; }
    static const std::vector<PropertyInfo>& PropertyTable();
    const std::vector<PropertyInfo>& Properties() const override { return PropertyTable(); }
    static ClassInfo Class();
};

}  // namespace stolvane
