#include "controls/tick/tolvanetick.h"

namespace stolvane {

const std::vector<PropertyInfo>& TolvaneTick::Properties() const {
    static const std::vector<PropertyInfo> none;
    return none;
}

ClassInfo TolvaneTick::Class() {
    return {"TolvaneTick", "_TolvaneTick", "__TolvaneTick", kDesignWidth, kDesignHeight,
            [](Surface& s) { return std::make_unique<TolvaneTick>(s); }};
}

}  // namespace stolvane
