#include "controls/about/tolvaneabout_1.h"

namespace stolvane {

const std::vector<PropertyInfo>& TolvaneAbout_1::Properties() const {
    static const std::vector<PropertyInfo> none;
    return none;
}

ClassInfo TolvaneAbout_1::Class() {
    return {"TolvaneAbout_1", "_TolvaneAbout_1", "__TolvaneAbout_1", kDesignWidth, kDesignHeight,
            [](Surface& s) { return std::make_unique<TolvaneAbout_1>(s); }};
}

}  // namespace stolvane
