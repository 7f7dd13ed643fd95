// TolvaneAbout_1: the about badge on a light face, with a small window for its icon.
#pragma once

#include "controls/about/aboutbadge.h"

namespace stolvane {

class TolvaneAbout_1 : public AboutBadge {
public:
    static constexpr double kDesignWidth = kWidth;
    static constexpr double kDesignHeight = kHeight;
    static const BadgeArtwork kArtwork;
    explicit TolvaneAbout_1(Surface& surface) : AboutBadge(surface, kArtwork) {}
    const char* ClassName() const override { return "TolvaneAbout_1"; }
    static ClassInfo Class();
};

}  // namespace stolvane
