#include "controls/button/tolvanebutton.h"

namespace stolvane {

const std::vector<PropertyInfo>& TolvaneButton::Properties() const {
    static const std::vector<PropertyInfo> none;
    return none;
}

ClassInfo TolvaneButton::Class() {
    return {"TolvaneButton", "_TolvaneButton", "__TolvaneButton", kDesignWidth, kDesignHeight,
            [](Surface& s) { return std::make_unique<TolvaneButton>(s); }};
}

}  // namespace stolvane
