#include "controls/panel/tolvanepanel.h"

namespace stolvane {

const std::vector<PropertyInfo>& TolvanePanel::Properties() const {
    static const std::vector<PropertyInfo> none;
    return none;
}

ClassInfo TolvanePanel::Class() {
    return {"TolvanePanel", "_TolvanePanel", "__TolvanePanel", kDesignWidth, kDesignHeight,
            [](Surface& s) { return std::make_unique<TolvanePanel>(s); }};
}

}  // namespace stolvane
