#include "controls/about/tolvaneabout_2.h"

namespace stolvane {

const std::vector<PropertyInfo>& TolvaneAbout_2::PropertyTable() {
    static const std::vector<PropertyInfo> none;
    return none;
}

ClassInfo TolvaneAbout_2::Class() {
    return DescribeClass<TolvaneAbout_2>("TolvaneAbout_2", kDesignWidth, kDesignHeight);
}

}  // namespace stolvane
