// SPDX-License-Identifier: MIT
// TolvanePanel: a bevelled container with a gradient or picture background, a wrapping caption,
// a percentage bar that inverts everything of the panel beneath it, and a resize grip that
// resizes or moves the panel (and its parent with it, as a status bar's grip does).
// It paints nothing point by point on its surface: the background is drawn into the hidden
// canvas imgBackground, whose image becomes the surface's picture; bevels, caption, grip and
// bar are child elements that RefreshPanel positions, colours and shows. Controls placed in the
// panel are drawn above all of it and move with it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <stolvane/core/control.h>
#include <stolvane/core/library.h>
#include <stolvane/core/mouse.h>

namespace stolvane {

// The style of each bevel, the direction the background gradient runs in, and what the panel
// does while the mouse is over it; the class's property table describes each value.
namespace PanelStyle {
constexpr int32_t NoBevel = 0, Sunken = 1, Elevated = 2;
#ifndef None
constexpr int32_t None = NoBevel;
#endif
}  // namespace PanelStyle
namespace GradientStyle { constexpr int32_t Horizontal = 0, Vertical = 1; }
namespace MouseReaction { constexpr int32_t Nullify = 0, Disappear = 1, Shadow = 2; }

class TolvanePanel : public DeclaredControl {
    STOLVANE_CONTROL_CLASS(TolvanePanel, 3195, 1875)

    static constexpr double kMinimumSize = 285;  // twips, each side
    static constexpr int16_t kBorderMin = 15;
    static constexpr int16_t kBorderMax = 360;
    // The mouse states ApplyMouseState shows.
    static constexpr int32_t kStateNone = 0, kStateNormal = 1, kStateOver = 2;

    // ---- Properties, in interface order
    STOLVANE_PROPERTY(int16_t, AlignH)
    STOLVANE_PROPERTY(int16_t, AlignV)
    STOLVANE_PROPERTY(Boolean, AutoSize)
    STOLVANE_PROPERTY(PictureRef, Background)  // by reference; null means no picture
    STOLVANE_PROPERTY(int16_t, BevelInner)
    STOLVANE_PROPERTY(int16_t, BevelOuter)
    STOLVANE_PROPERTY(Boolean, Bind_Parent)
    STOLVANE_PROPERTY(int16_t, Border)  // clamped to 15..360
    STOLVANE_PROPERTY(const std::string&, Caption)
    STOLVANE_PROPERTY(Boolean, Enabled)
    STOLVANE_PROPERTY(FontRef, Font)  // keeps the reference (424 for none)
    STOLVANE_PROPERTY(OleColour, Font_Colour)
    STOLVANE_PROPERTY(int16_t, Gradient)
    STOLVANE_PROPERTY(OleColour, Grad_Bot)
    STOLVANE_PROPERTY(OleColour, Grad_Top)
    STOLVANE_PROPERTY(Boolean, Grip)
    STOLVANE_PROPERTY(Boolean, GripSize)
    STOLVANE_PROPERTY(int16_t, MouseReaction)
    STOLVANE_PROPERTY(int16_t, Percentage)  // the bar clamps it to 0..100
    Boolean Tile() const { return ToBoolean(m_Tile != 0); }
    void SetTile(Boolean tile) { SetTileRaw(tile.Raw()); }
    // The classic number, stored as given (scripts and form files reach this): only -1 tiles.
    void SetTileRaw(int16_t tile) { AssignAsGiven(m_Tile, tile); }

    // ---- Events
    Event<> Click{"Click"};
    STOLVANE_MOUSE_EVENTS
    Event<DragData, int32_t, int16_t, int16_t, float, float> OLEDragDrop{
        "OLEDragDrop", {"Data", "Effect", "Button", "Shift", "X", "Y"}};

    // ---- Lifecycle and input
    void ReadProperties(PropertyBag& bag) override;
    void Resize() override;
    void Show() override;
    void OnMouseDown(MouseArgs& a) override;
    void OnMouseMove(MouseArgs& a) override;
    void OnMouseUp(MouseArgs& a) override;
    void OnClick() override;
    void OnOLEDragDrop(DragData& data, int32_t& effect, MouseArgs& a) override;

    // The two failure messages (repaint and parent resize) for an error.
    static std::string RefreshFailureText(const std::string& name, const HostError& e);
    static std::string GripFailureText(const HostError& e);

    // State, for tests and dumps.
    int32_t MouseState() const { return m_MouseState; }
    bool GripDragging() const { return m_GripDragging != BooleanFalse; }
    bool GradientDrawn() const { return m_GradientDrawn != BooleanFalse; }
    bool PictureLaidOut() const { return m_PictureLaidOut != BooleanFalse; }

private:
    void Refresh() override { RefreshPanel(); }
    void RefreshPanel();
    void BackgroundChanged();
    void BorderChanged();
    void RedrawBackground();
    void RedrawGradient();
    void RelayPicture();
    void UpdatePercentageBar();
    void ApplyMouseState(int32_t state);
    void DrawBackground();
    void PlaceCaption();
    void PlaceGrip();
    void SurfaceMouseMove(MouseArgs a);
    void GripPress();
    void GripMove();
    void GripRelease();
    void ResizeParent();
    bool OnGrip(double x, double y) const;
    bool HasPicture() const;
    template <class F>
    void Guarded(F&& step);
    void ShowFailure(const std::string& text);

    // Child elements of the design.
    PictureBox* imgBackground = nullptr;
    Image* imgGrab = nullptr;
    Label* lblCheck = nullptr;
    Label* lblCaption = nullptr;
    Line* linTop = nullptr;
    Line* linLef = nullptr;
    Line* linBot = nullptr;
    Line* linRig = nullptr;
    Line* inTop = nullptr;
    Line* inLef = nullptr;
    Line* inBot = nullptr;
    Line* inRig = nullptr;
    Line* slinTop = nullptr;
    Line* slinLef = nullptr;
    Line* grpLin[7] = {};
    Line* grpIn[4] = {};
    Image* shpGrip = nullptr;
    Shape* shpPerc = nullptr;

    // Properties.
    int16_t m_AlignH = 0;
    int16_t m_AlignV = 0;
    Boolean m_AutoSize = BooleanFalse;
    PictureRef m_Background;
    int16_t m_BevelInner = 0;
    int16_t m_BevelOuter = 0;
    Boolean m_Bind_Parent = BooleanFalse;
    int16_t m_Border = 0;
    std::string m_Caption;
    Boolean m_Enabled = BooleanFalse;
    FontRef m_Font;
    OleColour m_Font_Colour = 0;
    int16_t m_Gradient = 0;
    OleColour m_Grad_Top = 0;
    OleColour m_Grad_Bot = 0;
    Boolean m_Grip = BooleanFalse;
    Boolean m_GripSize = BooleanFalse;
    int16_t m_MouseReaction = 0;
    int16_t m_Percentage = 0;
    int16_t m_Tile = 0;

    // Drawing and pointer state.
    Boolean m_GradientDrawn = BooleanFalse;
    Boolean m_PictureLaidOut = BooleanFalse;
    int32_t m_MouseState = kStateNone;
    Boolean m_MouseInside = BooleanFalse;
    HoverCapture m_Captured{GetSurface()};
    Boolean m_GripDragging = BooleanFalse;
    // Grip anchors, 32-bit: screen positions in twips pass 32767 on a large screen.
    int32_t m_GripOffsetX = 0;
    int32_t m_GripOffsetY = 0;
    int32_t m_ParentMarginX = 0;
    int32_t m_ParentMarginY = 0;
    // A grip press that reached the surface because the panel held the capture for its hover
    // reaction: the drag's moves and release arrive at the surface too.
    bool m_GripThroughSurface = false;
    bool m_SkipClick = false;  // the press that ends in the next click was a grip drag
    // The canvas image last given to the surface, and whether the canvas changed since.
    PictureRef m_CanvasImage;
    bool m_CanvasChanged = true;
};

}  // namespace stolvane
