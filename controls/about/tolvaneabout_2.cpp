#include "controls/about/tolvaneabout_2.h"

namespace stolvane {

const std::vector<PropertyInfo>& TolvaneAbout_2::Properties() const {
    static const std::vector<PropertyInfo> none;
    return none;
}

ClassInfo TolvaneAbout_2::Class() {
    return {"TolvaneAbout_2", "_TolvaneAbout_2", "__TolvaneAbout_2", kDesignWidth, kDesignHeight,
            [](Surface& s) { return std::make_unique<TolvaneAbout_2>(s); }};
}

}  // namespace stolvane
