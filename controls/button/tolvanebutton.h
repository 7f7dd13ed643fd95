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

// Where the picture stands relative to the caption.
namespace ImageAligns {
constexpr int16_t iaLeft = 0;
constexpr int16_t iaTop = 1;
constexpr int16_t iaRight = 2;
constexpr int16_t iaBottom = 3;
}  // namespace ImageAligns

// The four looks.
namespace ButtonType {
constexpr int16_t tbtWin95 = 0;    // classic raised button; black frame while focused
constexpr int16_t tbtTolvane = 1;  // raised button whose caption turns bold under the mouse
constexpr int16_t tbtWin98 = 2;    // flat button that rises under the mouse
constexpr int16_t tbtWin31 = 3;    // dark-framed button with a thick inner bevel
}  // namespace ButtonType

// The state DrawState draws.
namespace ButtonState {
constexpr int32_t Up = 0;    // raised: the mouse is over the button
constexpr int32_t Down = 1;  // pressed
constexpr int32_t Flat = 2;  // resting
}  // namespace ButtonState

class TolvaneButton : public DeclaredControl {
public:
    static constexpr double kDesignWidth = 3195;
    static constexpr double kDesignHeight = 1875;
    static constexpr double kMinimumSize = 300;   // twips, each side
    static constexpr double kPressOffset = 15;    // picture and caption move this far when pressed
    static constexpr int16_t kSpace = 32;

    STOLVANE_CONTROL_CLASS(TolvaneButton)

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
    MouseEvent MouseDown{"MouseDown", kMouseArgNames};
    MouseEvent MouseMove{"MouseMove", kMouseArgNames};
    MouseEvent MouseUp{"MouseUp", kMouseArgNames};

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
    void OpenHyperlink();
    double Offset() const { return m_State == ButtonState::Down ? kPressOffset : 0; }
    Surface& CaptionSurface() const { return lblCaptionElement->GetSurface(); }

    // Child elements of the design.
    Line* TopLine = nullptr;
    Line* LefLine = nullptr;
    Line* BotLine = nullptr;
    Line* RigLine = nullptr;
    Line* inTop = nullptr;
    Line* InLef = nullptr;
    Line* InBot = nullptr;
    Line* InRig = nullptr;
    Line* in2Bot = nullptr;
    Line* in2Rig = nullptr;
    Image* imgButton = nullptr;
    ControlElement* lblCaptionElement = nullptr;
    TolvaneLabel* lblCaption = nullptr;

    // Properties.
    std::string m_Caption;
    std::string m_Hyperlink;
    int16_t m_MousePointer = 0;  // kept for the store only
    int16_t m_ButtonStyle = 0;
    int16_t m_AlignImage = 0;
    Boolean m_Enabled = BooleanFalse;
    Boolean m_Catch = BooleanFalse;
    Boolean m_HasFocus = BooleanFalse;
    Boolean m_IsDown = BooleanFalse;
    OleColour m_Colour = 0;
    OleColour m_ColourUp = 0;
    FontRef m_Font;
    PictureRef m_Picture;
    PictureRef m_PictureDisabled;

    // Drawing and pointer state.
    int32_t m_State = ButtonState::Up;
    HoverCapture m_Captured{GetSurface()};
};

}  // namespace stolvane
