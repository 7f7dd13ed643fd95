// SPDX-License-Identifier: MIT
// TolvaneCaption: a title bar an application lays along the top of its own form. It paints a
// left-to-right gradient (the desktop's own title colours by default), an icon that opens the
// system menu, the caption text and up to four caption buttons; the buttons and the menu change
// the form's window state, a held mouse button drags the form, and the bevel sinks while the
// pointer is over the bar. Every command is reported by an event; the bar never closes its form.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <stolvane/core/control.h>
#include <stolvane/core/library.h>
#include <stolvane/core/mouse.h>

// Xlib.h, read first, defines Status as a macro; the name is the bar's member here.
#pragma push_macro("Status")
#undef Status

namespace stolvane {

// How a caption button shows (the type of Halt, Help, Maximize and Minimize); the class's
// property table describes each value.
namespace ButtonStyle { constexpr int32_t Functional = 0, Nonfunctional = 1, Nonexistant = 2; }

// The bevel the bar shows: Elevated (light top and left edges) or Sunken (edge colours swapped:
// the pointer is over the bar).
namespace CaptionStatus { constexpr int32_t Elevated = 0, Sunken = 1; }

class TolvaneCaption : public DeclaredControl {
    STOLVANE_CONTROL_CLASS(TolvaneCaption, 6075, 300)

    static constexpr double kButtonWidth = 240, kButtonHeight = 225;  // a caption button
    static constexpr double kGap = 30;

    // The caption buttons by index, and the system menu's items by index.
    enum Button { Minimise = 0, Maximise = 1, Close = 2, HelpButton = 3 };
    enum Command { CmdRestore = 0, CmdMove = 1, CmdSize = 2, CmdMinimize = 3, CmdMaximize = 4, CmdSeparator = 5,
                   CmdClose = 6 };

    // ---- Properties, in interface order
    STOLVANE_PROPERTY(int16_t, AlignH)
    STOLVANE_PROPERTY(const std::string&, Caption)
    STOLVANE_PROPERTY(int32_t, Halt)
    STOLVANE_PROPERTY(Boolean, Enabled)  // switches only the hover bevel
    STOLVANE_PROPERTY(FontRef, Font)     // keeps the reference (424 for none)
    STOLVANE_PROPERTY(OleColour, Font_Colour)
    STOLVANE_PROPERTY(OleColour, Grad_Rig)
    STOLVANE_PROPERTY(OleColour, Grad_Lef)
    STOLVANE_PROPERTY(PictureRef, Icon)  // null means no icon
    STOLVANE_PROPERTY(int32_t, Help)
    STOLVANE_PROPERTY(int32_t, Maximize)
    STOLVANE_PROPERTY(int32_t, Minimize)

    // ---- Events
    Event<> Click{"Click"};
    Event<> HaltClick{"HaltClick"};
    Event<> HelpClick{"HelpClick"};
    Event<> MaximizeClick{"MaximizeClick"};
    Event<> MenuClick{"MenuClick"};
    Event<> MinimizeClick{"MinimizeClick"};
    STOLVANE_MOUSE_EVENTS
    Event<> RestoreClick{"RestoreClick"};

    // ---- Lifecycle and input
    // Nothing is painted for a new instance: the resize that follows lays the bar out and paints it.
    void InitProperties() override { ApplyFirstTimeDefaults(); }
    void Resize() override { LayoutCaption(); }
    void OnMouseDown(MouseArgs& a) override;
    void OnMouseMove(MouseArgs& a) override { MouseMoved(a, true); }
    void OnMouseUp(MouseArgs& a) override;
    void OnClick() override;
    void OnDblClick() override;

    // Runs window command i as the system menu's item i does (0 restore ... 6 close).
    void WindowCommand(int i);
    // Runs caption-button command i as a click on btnCommand(i) does.
    void ButtonCommand(int i);

    // State shown, for tests and dumps.
    int32_t Status() const { return m_Status; }
    int32_t DragX() const { return m_DragX; }
    int32_t DragY() const { return m_DragY; }

    // The glyphs the caption buttons show, normal and disabled, by button index.
    static PictureRef Glyph(int button, bool disabled);

private:
    void Refresh() override { RefreshCaption(); }
    void LayoutCaption();
    void RefreshCaption();
    void SetCaptionStatus(int32_t status);
    void ShowSystemMenu();
    void MouseMoved(MouseArgs& a, bool onSurface);
    bool OverChild(double x, double y) const;
    int32_t& StyleOf(int button);
    // The surface whose container is the form the bar commands: the bar itself on a form, the
    // outermost container below the form when the bar lies in a panel.
    Surface& FormChild() const;
    double FormProperty(const char* name) const;
    void SetFormProperty(const char* name, double value);

    // Child elements of the design.
    PictureBox* imgCaption = nullptr;
    Line* linTop = nullptr;
    Line* linLef = nullptr;
    Line* linBot = nullptr;
    Line* linRig = nullptr;
    Image* imgIcon = nullptr;
    Image* imgBlank = nullptr;
    std::array<Line*, 2> linSep{};
    Label* lblCaption = nullptr;
    std::array<PictureButton*, 4> btnCommand{};
    MenuItem* mnuClose = nullptr;
    std::array<MenuItem*, 7> mnuCloseCommand{};

    // Properties and state, in the order of the class's fields.
    PictureRef m_Icon;
    OleColour m_Grad_Lef = SysColour::ActiveTitle;
    OleColour m_Grad_Rig = SysColour::ActiveTitle;
    OleColour m_Font_Colour = SysColour::TitleText;
    std::string m_Caption;
    Boolean m_Enabled = BooleanTrue;
    FontRef m_Font;
    int16_t m_AlignH = 0;
    int32_t m_Status = CaptionStatus::Elevated;
    Boolean m_MouseDown = BooleanFalse;
    HoverCapture m_Captured{GetSurface()};
    // The form's left and top edge minus the pointer's screen position at the press. 32 bits:
    // screen positions in twips pass 32767 on a screen wider than 2184 pixels.
    int32_t m_DragX = 0, m_DragY = 0;
    int32_t m_Halt = ButtonStyle::Functional;
    int32_t m_Help = ButtonStyle::Nonexistant;
    int32_t m_Maximize = ButtonStyle::Functional;
    int32_t m_Minimize = ButtonStyle::Functional;
};

}  // namespace stolvane

#pragma pop_macro("Status")
