// What the two about badges share: a fixed 88 x 31-pixel picture button that shows its pressed
// picture while the mouse is held on it and, released over it, raises Click and opens the
// library's about page. TolvaneAbout_1 and TolvaneAbout_2 differ only in their artwork.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/control.h"
#include "core/library.h"

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

class AboutBadge : public Control {
public:
    static constexpr double kWidth = 1320;  // 88 pixels
    static constexpr double kHeight = 465;  // 31 pixels
    static constexpr int kPixelWidth = 88, kPixelHeight = 31;

    AboutBadge(Surface& surface, const BadgeArtwork& artwork);
    static const std::vector<PropertyInfo>& PropertyTable();
    const std::vector<PropertyInfo>& Properties() const override { return PropertyTable(); }

    // ---- Property
    Boolean Enabled() const { return m_Enabled; }
    void SetEnabled(Boolean enabled);  // False: the badge neither presses nor clicks nor navigates

    // The summary and events both badge classes share.
    static void DescribeBadge(ClassInfo& c);

    // ---- Events
    Event<> Click{"Click"};
    MouseEvent MouseDown{"MouseDown", kMouseArgNames};
    MouseEvent MouseMove{"MouseMove", kMouseArgNames};
    MouseEvent MouseUp{"MouseUp", kMouseArgNames};

    // ---- Lifecycle and input
    void InitProperties() override { m_Enabled = True; }
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
    Boolean m_Enabled = True;
};

}  // namespace stolvane
