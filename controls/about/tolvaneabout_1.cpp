#include "controls/about/tolvaneabout_1.h"

namespace stolvane {

const std::vector<PropertyInfo>& TolvaneAbout_1::PropertyTable() {
    static const std::vector<PropertyInfo> none;
    return none;
}

ClassInfo TolvaneAbout_1::Class() {
    return DescribeClass<TolvaneAbout_1>("TolvaneAbout_1", kDesignWidth, kDesignHeight);
}

}  // namespace stolvane
