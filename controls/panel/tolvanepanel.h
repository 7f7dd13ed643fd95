// TolvanePanel: bevelled container with gradient or picture background, caption, percentage bar and resize grip.
// So far a registered, creatable class with the members every control shares; its
// properties, drawing and behaviour come with its own work.
#pragma once

#include "core/control.h"
#include "core/library.h"

namespace stolvane {

class TolvanePanel : public Control {
public:
    static constexpr double kDesignWidth = 3195;
    static constexpr double kDesignHeight = 1875;
    explicit TolvanePanel(Surface& surface) : Control(surface) {}
    const char* ClassName() const override { return "TolvanePanel"; }
    static const std::vector<PropertyInfo>& PropertyTable();
    const std::vector<PropertyInfo>& Properties() const override { return PropertyTable(); }
    static ClassInfo Class();
};

}  // namespace stolvane
