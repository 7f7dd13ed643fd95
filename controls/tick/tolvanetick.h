// SPDX-License-Identifier: MIT
// TolvaneTick: a check box. A small square box shows a tick or a cross while the value is True;
// beside it an embedded TolvaneLabel carries the caption and its hover colours. A click on the
// box, the caption or anywhere on the control, or the space bar, toggles the value.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <stolvane/controls/label/tolvanelabel.h>
#include <stolvane/core/control.h>
#include <stolvane/core/library.h>

namespace stolvane {

// The glyph a ticked box shows.
namespace CheckStyle { constexpr int16_t Tick = 0, Cross = 1; }

class TolvaneTick : public DeclaredControl {
    STOLVANE_CONTROL_CLASS(TolvaneTick, 4875, 270)

    static constexpr double kMinimumWidth = 360, kMinimumHeight = 270;
    static constexpr int kFrame = 2;                  // pixels of the box's sunken frame
    static constexpr OleColour kLight3D = SysColour::ButtonLight;  // system 3-D light colour

    // ---- Properties, in interface and persistence order
    STOLVANE_PROPERTY(int16_t, Align)  // handed to the caption, which refuses anything but 0..2 (380)
    STOLVANE_PROPERTY(OleColour, BackColour)
    STOLVANE_PROPERTY(const std::string&, Caption)
    STOLVANE_PROPERTY(int16_t, CheckStyle)  // shows at the next toggle or Value assignment
    STOLVANE_PROPERTY(OleColour, Colour)
    STOLVANE_PROPERTY(OleColour, ColourUp)
    STOLVANE_PROPERTY(Boolean, Enabled)  // False: the box no longer toggles and the caption greys
    FontRef Font();                      // brings the caption up to date first
    STOLVANE_SETTER(FontRef, Font)       // keeps the reference (424 for none)
    STOLVANE_PROPERTY(Boolean, Value)    // draws the box; raises no event

    // ---- Events
    Event<> Click{"Click"};
    Event<Boolean> ValueChange{"ValueChange", {"bValue"}};  // bValue refers to the stored value
    MouseEvent MouseMove{"MouseMove", kMouseArgNames};      // declared; never raised

    // ---- Lifecycle and input
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
    void Refresh() override { RefreshTick(); }
    void ToggleValue();
    void ShowValue();
    void ValueChanged();
    void RefreshTick();
    void DrawBox(bool ticked, OleColour back);
    void DrawFocus();

    // Child elements of the design.
    PictureBox* imgCheck = nullptr;
    Image* imgTick = nullptr;
    Image* imgCross = nullptr;
    Embedded<TolvaneLabel> lblCaption;

    // Properties.
    int16_t m_Align = 0;
    OleColour m_BackColour = 0;
    std::string m_Caption;
    int16_t m_CheckStyle = 0;
    OleColour m_Colour = 0;
    OleColour m_ColourUp = 0;
    Boolean m_Enabled = BooleanFalse;
    FontRef m_Font;
    Boolean m_Value = BooleanFalse;

    // What the box shows, which a ValueChange handler's assignment does not change.
    bool m_BoxTicked = false;
};

}  // namespace stolvane
