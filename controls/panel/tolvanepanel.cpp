#include "controls/panel/tolvanepanel.h"

namespace stolvane {

const std::vector<PropertyInfo>& TolvanePanel::PropertyTable() {
    static const std::vector<PropertyInfo> none;
    return none;
}

ClassInfo TolvanePanel::Class() {
    return DescribeClass<TolvanePanel>("TolvanePanel", kDesignWidth, kDesignHeight, true);
}

}  // namespace stolvane
