#include "controls/caption/tolvanecaption.h"

namespace stolvane {

const std::vector<PropertyInfo>& TolvaneCaption::PropertyTable() {
    static const std::vector<PropertyInfo> none;
    return none;
}

ClassInfo TolvaneCaption::Class() {
    return DescribeClass<TolvaneCaption>("TolvaneCaption", kDesignWidth, kDesignHeight);
}

}  // namespace stolvane
