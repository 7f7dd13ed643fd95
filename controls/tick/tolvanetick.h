// TolvaneTick: a check box. A small square box shows a tick or a cross while the value is True;
// beside it an embedded TolvaneLabel carries the caption and its hover colours. A click on the
// box, the caption or anywhere on the control, or the space bar, toggles the value.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "controls/label/tolvanelabel.h"
#include "core/control.h"
#include "core/library.h"

namespace stolvane {

// The glyph a ticked box shows.
namespace CheckStyle {
constexpr int16_t Tick = 0;
constexpr int16_t Cross = 1;
}  // namespace CheckStyle

class TolvaneTick : public Control {
public:
    static constexpr double kDesignWidth = 4875;
    static constexpr double kDesignHeight = 270;
    static constexpr double kMinimumWidth = 360;
    static constexpr double kMinimumHeight = 270;
    static constexpr int16_t kSpace = 32;
    static constexpr int kFrame = 2;                  // pixels of the box's sunken frame
    static constexpr OleColour kLight3D = SysColour::ButtonLight;  // system 3-D light colour

    explicit TolvaneTick(Surface& surface);
    const char* ClassName() const override { return "TolvaneTick"; }
    static const std::vector<PropertyInfo>& PropertyTable();
    const std::vector<PropertyInfo>& Properties() const override { return PropertyTable(); }
    static ClassInfo Class();

    // ---- Properties, in interface and persistence order
    int16_t Align() const { return m_Align; }
    void SetAlign(int16_t align);  // handed to the caption, which refuses anything but 0..2 (380)
    OleColour BackColour() const { return m_BackColour; }
    void SetBackColour(OleColour colour);
    const std::string& Caption() const { return m_Caption; }
    void SetCaption(const std::string& caption);
    int16_t CheckStyle() const { return m_CheckStyle; }
    void SetCheckStyle(int16_t style);  // shows at the next toggle or Value assignment
    OleColour Colour() const { return m_Colour; }
    void SetColour(OleColour colour);
    OleColour ColourUp() const { return m_ColourUp; }
    void SetColourUp(OleColour colour);
    Boolean Enabled() const { return m_Enabled; }
    void SetEnabled(Boolean enabled);  // False: the box no longer toggles and the caption greys
    FontRef Font();                    // brings the caption up to date first
    void SetFont(FontRef font);        // keeps the reference (424 for none)
    Boolean Value() const { return m_Value; }
    void SetValue(Boolean value);  // draws the box; raises no event

    // ---- Events
    Event<> Click{"Click"};
    Event<Boolean> ValueChange{"ValueChange", {"bValue"}};  // bValue refers to the stored value
    MouseEvent MouseMove{"MouseMove", kMouseArgNames};      // declared; never raised

    // ---- Lifecycle and input
    void InitProperties() override;
    void ReadProperties(PropertyBag& bag) override;
    void Resize() override;
    void OnKeyPress(int16_t& keyAscii) override;
    void OnAccessKeyPress(int16_t keyAscii) override;
    std::string AccessKeys() const override;
    void OnGotFocus() override;
    void OnLostFocus() override;

    // The glyphs: black on transparent, 13 x 13 and 12 x 13 pixels.
    static PictureRef TickGlyph();
    static PictureRef CrossGlyph();

protected:
    void OnClick() override;

private:
    void ToggleValue();
    void ShowValue();
    void RefreshTick();
    void DrawBox(bool ticked, OleColour back);
    void DrawFocus();
    Surface& CaptionSurface() const { return lblCaptionElement->GetSurface(); }

    // Child elements of the design.
    PictureBox* imgCheck = nullptr;
    Image* imgTick = nullptr;
    Image* imgCross = nullptr;
    ControlElement* lblCaptionElement = nullptr;
    TolvaneLabel* lblCaption = nullptr;

    // Properties.
    int16_t m_Align = 0;
    OleColour m_BackColour = 0;
    std::string m_Caption;
    int16_t m_CheckStyle = 0;
    OleColour m_Colour = 0;
    OleColour m_ColourUp = 0;
    Boolean m_Enabled = False;
    FontRef m_Font;
    Boolean m_Value = False;

    // What the box shows, which a ValueChange handler's assignment does not change.
    bool m_BoxTicked = false;
};

}  // namespace stolvane
