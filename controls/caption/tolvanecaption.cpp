#include "controls/caption/tolvanecaption.h"

namespace stolvane {

const std::vector<PropertyInfo>& TolvaneCaption::Properties() const {
    static const std::vector<PropertyInfo> none;
    return none;
}

ClassInfo TolvaneCaption::Class() {
    return {"TolvaneCaption", "_TolvaneCaption", "__TolvaneCaption", kDesignWidth, kDesignHeight,
            [](Surface& s) { return std::make_unique<TolvaneCaption>(s); }};
}

}  // namespace stolvane
