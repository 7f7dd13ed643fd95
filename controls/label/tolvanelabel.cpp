#include "controls/label/tolvanelabel.h"

namespace stolvane {

const std::vector<PropertyInfo>& TolvaneLabel::Properties() const {
    static const std::vector<PropertyInfo> none;
    return none;
}

ClassInfo TolvaneLabel::Class() {
    return {"TolvaneLabel", "_TolvaneLabel", "__TolvaneLabel", kDesignWidth, kDesignHeight,
            [](Surface& s) { return std::make_unique<TolvaneLabel>(s); }};
}

}  // namespace stolvane
