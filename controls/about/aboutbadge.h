// SPDX-License-Identifier: MIT
// The two about badges, TolvaneAbout_1 and TolvaneAbout_2: a fixed 88 x 31-pixel picture button
// that shows its pressed picture while the mouse is held on it and, released over it, raises
// Click and opens the library's about page. They differ only in their artwork.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <stolvane/core/control.h>
#include <stolvane/core/library.h>

namespace stolvane {

// The artwork of one badge: a face running from one colour to another left to right, an icon
// at the left and two lines of pixel text beside it.
struct BadgeArtwork {
    enum class IconKind { Window, TickBox };
    uint32_t faceLeft, faceRight;  // 0xRRGGBB
    uint32_t text;                 // 0xRRGGBB
    const char* line1;
    bool bold1;
    const char* line2;
    bool bold2;
    IconKind icon;
};

class AboutBadge : public DeclaredControl {
public:
    static constexpr double kWidth = 1320;  // 88 pixels
    static constexpr double kHeight = 465;  // 31 pixels
    static constexpr int kPixelWidth = 88, kPixelHeight = 31;

    AboutBadge(Surface& surface, const BadgeArtwork& artwork);
    static const std::vector<PropertyInfo>& PropertyTable();
    const std::vector<PropertyInfo>& Properties() const override { return PropertyTable(); }

    // ---- Property
    STOLVANE_PROPERTY(Boolean, Enabled)  // False: the badge neither presses nor clicks nor navigates

    // The summary and events both badge classes share.
    static void DescribeBadge(ClassInfo& c);

    // ---- Events
    Event<> Click{"Click"};
    STOLVANE_MOUSE_EVENTS

    // ---- Lifecycle and input
    void Resize() override;
    void OnMouseDown(MouseArgs& a) override;
    void OnMouseMove(MouseArgs& a) override;
    void OnMouseUp(MouseArgs& a) override;

    // The screen rectangle recorded at the last move (twips), for tests and dumps.
    int32_t ScreenLeft() const { return m_ScreenLeft; }
    int32_t ScreenTop() const { return m_ScreenTop; }
    int32_t ScreenRight() const { return m_ScreenRight; }
    int32_t ScreenBottom() const { return m_ScreenBottom; }
    bool ShowsPressed() const;

    // The 88 x 31 picture of an artwork, at rest or pressed.
    static PictureRef Paint(const BadgeArtwork& artwork, bool pressed);

private:
    Image* imgUp = nullptr;
    Image* imgDown = nullptr;

    // 32 bits: screen positions in twips pass 32767 on a screen wider than 2184 pixels.
    int32_t m_ScreenLeft = 0;
    int32_t m_ScreenTop = 0;
    int32_t m_ScreenRight = 0;
    int32_t m_ScreenBottom = 0;
    Boolean m_Enabled = BooleanTrue;
};

// One badge class: its name and its artwork (TolvaneAbout_1 and TolvaneAbout_2).
template <const char* Name, const BadgeArtwork& Artwork>
class Badge : public AboutBadge {
public:
    explicit Badge(Surface& surface) : AboutBadge(surface, Artwork) {}
    const char* ClassName() const override { return Name; }
    static ClassInfo Class() {
        ClassInfo c = DescribeClass<Badge>(Name, kWidth, kHeight);
        DescribeBadge(c);
        return c;
    }
};

// The two badges: a light face with a small window for its icon, and a title-bar blue face with
// a ticked box.
inline constexpr char kAbout1Name[] = "TolvaneAbout_1", kAbout2Name[] = "TolvaneAbout_2";
inline constexpr BadgeArtwork kAbout1Artwork{0xD4D0C8, 0xF4F2EE, 0x000080, "STolvane", true,
                                             "controls", false, BadgeArtwork::IconKind::Window};
inline constexpr BadgeArtwork kAbout2Artwork{0x000080, 0x1084D0, 0xFFFFFF, "about", true,
                                             "STolvane", false, BadgeArtwork::IconKind::TickBox};
using TolvaneAbout_1 = Badge<kAbout1Name, kAbout1Artwork>;
using TolvaneAbout_2 = Badge<kAbout2Name, kAbout2Artwork>;

}  // namespace stolvane
