#include "controls/about/tolvaneabout_2.h"

namespace stolvane {

const BadgeArtwork TolvaneAbout_2::kArtwork = {
    0x000080, 0x1084D0, 0xFFFFFF, "about", true, "STolvane", false, BadgeArtwork::IconKind::TickBox,
};

ClassInfo TolvaneAbout_2::Class() {
    ClassInfo c = DescribeClass<TolvaneAbout_2>("TolvaneAbout_2", kDesignWidth, kDesignHeight);
    DescribeBadge(c);
    return c;
}

}  // namespace stolvane
