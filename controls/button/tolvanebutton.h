// SPDX-License-Identifier: MIT
// TolvaneButton: a push button in four visual styles (classic, bold-on-hover, flat, dark-framed)
// with an optional picture beside its caption, a hyperlink opened after a click, and latching.
// It paints nothing itself but its focus dots: ten bevel lines, the picture element imgButton
// and an embedded TolvaneLabel (lblCaption) make up its look, and DrawState colours the lines
// from one table by style, state and focus.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <stolvane/controls/label/tolvanelabel.h>
#include <stolvane/core/bevel.h>
#include <stolvane/core/control.h>
#include <stolvane/core/library.h>
#include <stolvane/core/mouse.h>

namespace stolvane {

// Where the picture stands relative to the caption, and the four looks; the class's property
// table describes each value.
namespace ImageAligns { constexpr int16_t iaLeft = 0, iaTop = 1, iaRight = 2, iaBottom = 3; }
namespace ButtonType { constexpr int16_t tbtWin95 = 0, tbtTolvane = 1, tbtWin98 = 2, tbtWin31 = 3; }

// The state DrawState draws: raised (the mouse is over the button), pressed, resting.
namespace ButtonState { constexpr int32_t Up = 0, Down = 1, Flat = 2; }

class TolvaneButton : public DeclaredControl {
    STOLVANE_CONTROL_CLASS(TolvaneButton, 3195, 1875)

    static constexpr double kMinimumSize = 300;   // twips, each side
    static constexpr double kPressOffset = 15;    // picture and caption move this far when pressed

    // ---- Properties, in interface order
    STOLVANE_PROPERTY(int16_t, AlignImage)
    STOLVANE_PROPERTY(int16_t, ButtonStyle)
    STOLVANE_PROPERTY(Boolean, Catch)
    STOLVANE_PROPERTY(const std::string&, Caption)
    STOLVANE_PROPERTY(OleColour, Colour)
    STOLVANE_PROPERTY(OleColour, ColourUp)
    STOLVANE_PROPERTY(Boolean, IsDown)  // draws Down for True, Flat for False
    STOLVANE_PROPERTY(Boolean, Enabled)
    STOLVANE_PROPERTY(FontRef, Font)  // keeps the reference (424 for none)
    STOLVANE_PROPERTY(const std::string&, Hyperlink)
    STOLVANE_PROPERTY(PictureRef, Picture)  // null means no picture
    STOLVANE_PROPERTY(PictureRef, PictureDisabled)

    // ---- Events (MouseUp is declared for the interface; the button never raises it)
    Event<> Click{"Click"};
    STOLVANE_MOUSE_EVENTS

    // ---- Lifecycle and input
    void Resize() override;
    void Show() override;
    void OnMouseDown(MouseArgs& a) override;
    void OnMouseMove(MouseArgs& a) override;
    void OnMouseUp(MouseArgs& a) override;
    void OnKeyPress(int16_t& keyAscii) override;
    void OnAccessKeyPress(int16_t keyAscii) override;
    void OnGotFocus() override;
    void OnLostFocus() override;
    std::string AccessKeys() const override;
    bool Push() override;

    // Colours of the five line pairs for one style, state and focus (kKeep: leave as it is).
    struct BevelColours {
        OleColour outer1, outer2, inner1, inner2, second;  // top/left, bottom/right, ...
    };
    static constexpr OleColour kKeep = kKeepColour;
    static BevelColours BevelFor(int16_t style, int32_t state, bool focused);

    // The state last drawn (for tests and dumps).
    int32_t State() const { return m_State; }

private:
    // The first state is drawn at Show: a stored IsDown does not show pressed until set again.
    void Refresh() override { LayOut(); }
    void ResizeButton();
    void PlaceLines(double W, double H);
    void LayOut();
    void RedrawFlat();
    void ShowColour();
    void ShowColourUp();
    void IsDownChanged();
    void EnabledChanged();
    void PictureChanged();
    void DrawState(int32_t state);
    void DrawFocus();
    void CopyFontToCaption();
    void SetCaptionColours(OleColour colour);
    void SetCaptionBold(bool bold);
    void KeyboardClick();
    void FollowHyperlink();
    double Offset() const { return m_State == ButtonState::Down ? kPressOffset : 0; }

    // Child elements of the design: the outer frame (TopLine, LefLine, BotLine, RigLine), the
    // inner bevel (inTop, InLef, InBot, InRig) and the second inner edge (in2Bot, in2Rig).
    Bevel outer, inner, second;
    Image* imgButton = nullptr;
    Embedded<TolvaneLabel> lblCaption;

    // Properties, in the order of the table.
    int16_t m_AlignImage = 0;
    int16_t m_ButtonStyle = 0;
    Boolean m_Catch = BooleanFalse;
    std::string m_Caption;
    OleColour m_Colour = 0;
    OleColour m_ColourUp = 0;
    Boolean m_IsDown = BooleanFalse;
    Boolean m_Enabled = BooleanFalse;
    FontRef m_Font;
    std::string m_Hyperlink;
    int16_t m_MousePointer = 0;  // kept for the store only
    PictureRef m_Picture;
    PictureRef m_PictureDisabled;

    // Drawing, focus and pointer state.
    int32_t m_State = ButtonState::Up;
    Boolean m_HasFocus = BooleanFalse;
    HoverCapture m_Captured{GetSurface()};
};

}  // namespace stolvane
