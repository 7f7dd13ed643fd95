// TolvaneAbout_2: the about badge on a title-bar blue face, with a ticked box for its icon.
#pragma once

#include "controls/about/aboutbadge.h"

namespace stolvane {

class TolvaneAbout_2 : public AboutBadge {
public:
    static constexpr double kDesignWidth = kWidth;
    static constexpr double kDesignHeight = kHeight;
    static const BadgeArtwork kArtwork;
    explicit TolvaneAbout_2(Surface& surface) : AboutBadge(surface, kArtwork) {}
    const char* ClassName() const override { return "TolvaneAbout_2"; }
    static ClassInfo Class();
};

}  // namespace stolvane
