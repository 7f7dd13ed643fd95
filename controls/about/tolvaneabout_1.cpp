#include "controls/about/tolvaneabout_1.h"

namespace stolvane {

const BadgeArtwork TolvaneAbout_1::kArtwork = {
    0xD4D0C8, 0xF4F2EE, 0x000080, "STolvane", true, "controls", false, BadgeArtwork::IconKind::Window,
};

ClassInfo TolvaneAbout_1::Class() {
    ClassInfo c = DescribeClass<TolvaneAbout_1>("TolvaneAbout_1", kDesignWidth, kDesignHeight);
    DescribeBadge(c);
    return c;
}

}  // namespace stolvane
