// SPDX-License-Identifier: MIT
#include "controls/caption/tolvanecaption.h"

#include <initializer_list>
#include <utility>

#include "core/bevel.h"
#include "core/describe.h"
#include "core/mouse.h"
#include "core/routines.h"
#include "core/step.h"

namespace stolvane {

namespace {

constexpr OleColour kHighlight = SysColour::ButtonHighlight;
constexpr OleColour kShadow = SysColour::ButtonShadow;

// ---------------------------------------------------------------- glyphs

// The caption buttons' glyphs, one character per pixel of a 16 x 16 picture: # black, .
// transparent. Minimise, maximise, close, help.
constexpr const char* kGlyphs[4][16] = {
    {
        "................", "................", "................", "................",
        "................", "................", "................", "................",
        "................", "................", "....######......", "....######......",
        "................", "................", "................", "................",
    },
    {
        "................", "................", "................", "...#########....",
        "...#########....", "...#.......#....", "...#.......#....", "...#.......#....",
        "...#.......#....", "...#.......#....", "...#.......#....", "...#########....",
        "................", "................", "................", "................",
    },
    {
        "................", "................", "................", "................",
        "....##....##....", ".....##..##.....", "......####......", ".......##.......",
        "......####......", ".....##..##.....", "....##....##....", "................",
        "................", "................", "................", "................",
    },
    {
        "................", "................", "................", "......####......",
        ".....##..##.....", ".........##.....", "........##......", ".......##.......",
        ".......##.......", "................", ".......##.......", ".......##.......",
        "................", "................", "................", "................",
    },
};

// A glyph as a picture: black for a working button; for a disabled one the glyph in the
// shadow grey over a white copy one pixel to the right and one down.
PictureRef MakeGlyph(int button, bool disabled) {
    constexpr uint32_t kBlack = 0xFF000000u, kGrey = 0xFF808080u, kWhite = 0xFFFFFFFFu;
    std::vector<uint32_t> argb(16 * 16, 0);
    auto set = [&](int x, int y) { return kGlyphs[button][y][x] == '#'; };
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            if (!disabled) {
                if (set(x, y)) argb[y * 16 + x] = kBlack;
            } else if (set(x, y)) {
                argb[y * 16 + x] = kGrey;
            } else if (x > 0 && y > 0 && set(x - 1, y - 1)) {
                argb[y * 16 + x] = kWhite;
            }
        }
    return Picture::FromPixels(16, 16, std::move(argb));
}

// ---------------------------------------------------------------- button placement

// Where each caption button stands, read right to left. A button is placed when its style is
// not exactly Nonexistant: its right edge lies `gap` twips left of the first present anchor
// (searched in order), or 30 twips inside the bar's right edge when no anchor is present.
struct Anchor {
    int button;
    double gap;
};
struct Placement {
    int button;
    std::array<Anchor, 3> anchors;
    int anchorCount;
};
using B = TolvaneCaption;
constexpr Placement kPlacements[] = {
    {B::Close, {}, 0},
    {B::Maximise, {{{B::Close, B::kGap}}}, 1},
    {B::Minimise, {{{B::Maximise, 0}, {B::Close, B::kGap}}}, 2},  // minimise touches maximise
    {B::HelpButton, {{{B::Minimise, B::kGap}, {B::Maximise, B::kGap}, {B::Close, B::kGap}}}, 3},
};

}  // namespace

PictureRef TolvaneCaption::Glyph(int button, bool disabled) {
    static const std::array<PictureRef, 8> glyphs = [] {
        std::array<PictureRef, 8> g;
        for (int i = 0; i < 4; ++i) g[i * 2] = MakeGlyph(i, false), g[i * 2 + 1] = MakeGlyph(i, true);
        return g;
    }();
    if (button < 0 || button > 3) return Picture::Empty();
    return glyphs[button * 2 + (disabled ? 1 : 0)];
}

// ---------------------------------------------------------------- design

TolvaneCaption::TolvaneCaption(Surface& surface) : DeclaredControl(surface) {
    // It answers no keys, so it is no tab stop unless the form says otherwise.
    surface.SetTabStop(false);
    surface.SetBackColour(SysColour::ActiveTitle);

    imgCaption = &surface.Add<PictureBox>("imgCaption");
    imgCaption->SetVisible(false);
    imgCaption->SetAutoRedraw(true);
    imgCaption->Move(0, 0, kDesignWidth, kDesignHeight);

    auto line = [&](const char* name, int index, double x1, double y1, double x2, double y2, OleColour colour) {
        Line& l = surface.Add<Line>(name, index);
        l.SetEnds(x1, y1, x2, y2);
        l.SetColour(colour);
        return &l;
    };
    linTop = line("linTop", -1, 0, 0, 6060, 0, kHighlight);
    linLef = line("linLef", -1, 0, 0, 0, 300, kHighlight);
    linBot = line("linBot", -1, 0, 285, 6060, 285, kShadow);
    linRig = line("linRig", -1, 6060, 0, 6060, 300, kShadow);

    imgIcon = &surface.Add<Image>("imgIcon");
    imgIcon->SetStretch(true);
    imgIcon->Move(30, 30, 240, 240);
    imgIcon->SetToolTipText("System Menu");
    imgIcon->onClick = [this] { ShowSystemMenu(); };
    imgIcon->onDblClick = [this] { Raise(HaltClick); };

    // Never holds a picture: its empty picture is what an absent icon is compared with. Hidden,
    // so that it takes no mouse input at the bar's left edge.
    imgBlank = &surface.Add<Image>("imgBlank");
    imgBlank->SetStretch(true);
    imgBlank->Move(0, 60, 15, 195);
    imgBlank->SetVisible(false);

    linSep[0] = line("linSep", 0, 285, 0, 285, 300, kShadow);
    linSep[1] = line("linSep", 1, 300, 15, 300, 285, kHighlight);

    lblCaption = &surface.Add<Label>("lblCaption");
    lblCaption->SetTransparent(true);
    lblCaption->Move(360, 60, 4575, 195);
    lblCaption->SetCaption("TolvaneCaption");
    lblCaption->SetForeColour(SysColour::TitleText);
    // The text passes its own coordinates on, as the bar's handlers expect them from it.
    lblCaption->onMouseDown = [this](MouseArgs& a) { OnMouseDown(a); };
    lblCaption->onMouseMove = [this](MouseArgs& a) { MouseMoved(a, false); };
    lblCaption->onMouseUp = [this](MouseArgs& a) { OnMouseUp(a); };
    lblCaption->onDblClick = [this] { OnDblClick(); };

    static const char* const kTips[4] = {"Minimize", "Maximize", "Close", ""};
    for (int i = 0; i < 4; ++i) {
        PictureButton& b = surface.Add<PictureButton>("btnCommand", i);
        b.Move(0, 0, kButtonWidth, kButtonHeight);
        b.SetPicture(Glyph(i, false));
        b.SetDisabledPicture(Glyph(i, true));
        b.SetToolTipText(kTips[i]);
        b.onClick = [this, i] { ButtonCommand(i); };
        btnCommand[i] = &b;
    }

    mnuClose = &surface.Add<MenuItem>("mnuClose");
    mnuClose->SetCaption("Close");
    static const char* const kItems[7] = {"&Restore", "&Move", "&Size", "Mi&nimize", "Ma&ximize", "-", "&Close"};
    for (int i = 0; i < 7; ++i) {
        MenuItem& item = surface.Add<MenuItem>("mnuCloseCommand", i);
        item.SetCaption(kItems[i]);
        item.SetEnabled(i != CmdRestore);
        item.onClick = [this, i] { WindowCommand(i); };
        mnuClose->Items().push_back(&item);
        mnuCloseCommand[i] = &item;
    }
}

namespace {
const EnumInfo kButtonStyle{"ButtonStyle",
                            {{"Functional", 0, "shown and working; its menu item follows the window state"},
                             {"Nonfunctional", 1, "shown disabled; its menu item disabled"},
                             {"Nonexistant", 2, "hidden; its menu item disabled; the buttons to its left close up"}},
                            "stored; the button is hidden as Nonexistant, but its place is kept"};
}  // namespace

// Every setter but Enabled's repaints the bar (RefreshCaption).
std::vector<PropertyInfo> TolvaneCaption::Declarations() {
    using enum PropType;
    return {
        Refreshing("AlignH", Int16, &Self::m_AlignH, 0)
            .Enumerated({"Alignment",
                         {{"Left", Alignment::Left, "left-justified"},
                          {"Right", Alignment::Right, "right-justified"},
                          {"Centre", Alignment::Centre, "centred"}},
                         "stored and saved; the caption text keeps its previous alignment"})
            .Note("Alignment of the caption text."),
        Refreshing("Caption", String, &Self::m_Caption, OwnNameDefault()).Note("Text of the title bar."),
        Refreshing("Halt", Int32, &Self::m_Halt, ButtonStyle::Functional).Enumerated(kButtonStyle)
            .Note("The close button."),
        Declare("Enabled", Boolean, &Self::m_Enabled, True)
            .Note("Switches the sunken bevel under the mouse on or off; buttons, menu and dragging work either way."),
        Refreshing("Font", Font, &Self::m_Font, AmbientFontDefault()).Note("Font of the caption text."),
        Refreshing("Font_Colour", Colour, &Self::m_Font_Colour, SysColour::TitleText).Note("Colour of the caption text."),
        Refreshing("Grad_Rig", Colour, &Self::m_Grad_Rig, SysColour::ActiveTitle)
            .Note("Colour at the right end of the gradient; with both ends left at the active title colour the bar takes the desktop's title-bar gradient."),
        Refreshing("Grad_Lef", Colour, &Self::m_Grad_Lef, SysColour::ActiveTitle)
            .Note("Colour at the left end of the gradient."),
        Refreshing("Icon", Picture, &Self::m_Icon, NoPictureDefault())
            .Note("Icon at the left end; a click on it opens the window menu."),
        Refreshing("Help", Int32, &Self::m_Help, ButtonStyle::Nonexistant).Enumerated(kButtonStyle)
            .Note("The help button."),
        Refreshing("Maximize", Int32, &Self::m_Maximize, ButtonStyle::Functional).Enumerated(kButtonStyle)
            .Note("The maximise/restore button."),
        Refreshing("Minimize", Int32, &Self::m_Minimize, ButtonStyle::Functional).Enumerated(kButtonStyle)
            .Note("The minimise button."),
    };
}

ClassInfo TolvaneCaption::Class() {
    ClassInfo c = DescribeControl<Self>(
        "A gradient title bar for a form's top edge, with an icon menu and caption buttons that command the window.",
        &Self::Click, &Self::HaltClick, &Self::HelpClick, &Self::MaximizeClick,
        &Self::MenuClick, &Self::MinimizeClick, &Self::MouseDown, &Self::MouseMove, &Self::MouseUp, &Self::RestoreClick);
    c.accessible.role = [](Control&) { return AccessibleRole::TitleBar; };
    c.accessible.nameProperty = "Caption";
    // Inside the bar, left to right: the icon that opens the window menu, then the caption
    // buttons it shows, each pressed as a click presses it.
    c.accessible.parts = [](Control& control) {
        auto& bar = static_cast<TolvaneCaption&>(control);
        std::vector<AccessiblePart> parts;
        const AccessibleAction click{"click", AccessibleActionKind::MouseClick, "Clicks it, as the mouse does"};
        if (bar.imgIcon->Visible() && bar.imgIcon->GetPicture()->Handle() != bar.imgBlank->GetPicture()->Handle())
            parts.push_back({bar.imgIcon, AccessibleRole::PushButton, "",
                             {{"click", AccessibleActionKind::MouseClick, "Opens the window menu"}}});
        bool maximised = false;
        try {
            maximised = bar.FormProperty("WindowState") == 2;
        } catch (const HostError&) {
            // Not on a form: the button reads as the maximise button.
        }
        const char* names[4] = {"Minimize", maximised ? "Restore" : "Maximize", "Close", "Help"};
        for (int i : {HelpButton, Minimise, Maximise, Close})
            if (bar.btnCommand[i]->Visible()) parts.push_back({bar.btnCommand[i], AccessibleRole::PushButton, names[i], {click}});
        return parts;
    };
    return c;
}

// ---------------------------------------------------------------- lifecycle

// ---------------------------------------------------------------- layout and painting

int32_t& TolvaneCaption::StyleOf(int button) {
    switch (button) {
        case Minimise: return m_Minimize;
        case Maximise: return m_Maximize;
        case Close: return m_Halt;
        default: return m_Help;
    }
}

// Places everything that depends on the bar's size, then repaints. Not guarded: a failing step
// ends the resize with the host's error.
void TolvaneCaption::LayoutCaption() {
    Surface& s = GetSurface();
    auto SW = [&] { return s.Width(); };
    auto SH = [&] { return s.Height(); };

    // A one-pixel bevel along the edges; the lines' first ends keep their design values.
    linTop->SetX2(SW());
    linBot->SetX2(SW());
    linBot->SetY1(SH() - 15);
    linBot->SetY2(SH() - 15);
    linLef->SetY2(SH() - 15);
    linRig->SetY2(SH() - 15);
    linRig->SetX1(SW() - 15);
    linRig->SetX2(SW() - 15);
    for (Line* l : linSep) l->SetY2(SH() - 15);

    // Vertical centring.
    lblCaption->SetTop(SH() / 2 - lblCaption->Height() / 2);
    imgIcon->SetTop(SH() / 2 - imgIcon->Height() / 2);
    for (PictureButton* b : btnCommand) b->SetTop(SH() / 2 - b->Height() / 2);

    // The caption buttons, right to left; an absent button is not moved.
    auto present = [&](int button) { return StyleOf(button) != ButtonStyle::Nonexistant; };
    for (const Placement& p : kPlacements) {
        if (!present(p.button)) continue;
        double right = SW() - kGap;
        for (int a = 0; a < p.anchorCount; ++a)
            if (present(p.anchors[a].button)) {
                right = btnCommand[p.anchors[a].button]->Left() - p.anchors[a].gap;
                break;
            }
        btnCommand[p.button]->SetLeft(right - kButtonWidth);
    }

    imgCaption->SetWidth(SW());
    imgCaption->SetHeight(SH());
    RefreshCaption();
}

// Brings the painting, the text, the icon and the buttons' and menu items' states into line
// with the properties and the form's window state. A step that fails is skipped.
void TolvaneCaption::RefreshCaption() {
    Surface& s = GetSurface();

    // 1. The gradient, drawn off-screen from copies of the colours and shown in one go.
    Step([&] {
        OleColour left = m_Grad_Lef, right = m_Grad_Rig;
        GradientLeftRight(*imgCaption, left, right, 0, 0, ToInt16(s.Width()), ToInt16(s.Height()));
        s.SetPicture(imgCaption->PersistentImage());
    });

    // 2 to 6. Font (as a whole: the caption's font object is never handed over), alignment,
    // text, colour and icon; the elements redraw only what changes.
    Step([&] {
        if (m_Font) lblCaption->SetFont(*m_Font);
    });
    Step([&] { lblCaption->SetAlignment(m_AlignH); });
    Step([&] { lblCaption->SetCaption(m_Caption); });
    Step([&] { lblCaption->SetForeColour(m_Font_Colour); });
    Step([&] {
        const PictureRef icon = m_Icon ? m_Icon : stolvane::Picture::Empty();
        if (imgIcon->GetPicture()->Handle() != icon->Handle()) imgIcon->SetPicture(icon);
    });

    // 7. The icon area and the text's extent.
    const bool noIcon = imgIcon->GetPicture()->Handle() == imgBlank->GetPicture()->Handle();
    const bool noButtons = m_Minimize == ButtonStyle::Nonexistant && m_Maximize == ButtonStyle::Nonexistant &&
                           m_Help == ButtonStyle::Nonexistant && m_Halt == ButtonStyle::Nonexistant;
    Step([&] {
        for (Line* l : linSep) l->SetVisible(!noIcon);
    });
    // Margins the text leaves: right of the icon and its separator, left of the buttons.
    const double margin = noIcon ? (noButtons ? 60 : 780) : (noButtons ? 420 : 1110);
    Step([&] { lblCaption->SetWidth(s.Width() - margin); });
    Step([&] { lblCaption->SetLeft(noIcon ? 30 : 360); });

    // 8 to 11. Buttons and menu items from the styles and the form's window state.
    auto state = [&] { return FormProperty("WindowState"); };
    auto button = [&](int i, int32_t style) {
        PictureButton& b = *btnCommand[i];
        b.SetEnabled(style != ButtonStyle::Nonfunctional);
        b.SetVisible(style == ButtonStyle::Functional || style == ButtonStyle::Nonfunctional);
    };
    Step([&] {
        button(Minimise, m_Minimize);
        if (m_Minimize != ButtonStyle::Functional)
            mnuCloseCommand[CmdMinimize]->SetEnabled(false);
        else if (state() == 0)
            mnuCloseCommand[CmdMinimize]->SetEnabled(true);
    });
    Step([&] {
        button(Maximise, m_Maximize);
        if (m_Maximize == ButtonStyle::Functional) {
            const double ws = state();
            mnuCloseCommand[CmdRestore]->SetEnabled(ws != 0);
            mnuCloseCommand[CmdMaximize]->SetEnabled(ws == 0);
        } else {
            mnuCloseCommand[CmdRestore]->SetEnabled(false);
            mnuCloseCommand[CmdMaximize]->SetEnabled(false);
        }
    });
    Step([&] {
        button(Close, m_Halt);
        mnuCloseCommand[CmdClose]->SetEnabled(m_Halt == ButtonStyle::Functional);
    });
    Step([&] { button(HelpButton, m_Help); });
}

// ---------------------------------------------------------------- the form

Surface& TolvaneCaption::FormChild() const {
    Surface* s = &GetSurface();
    while (s->Container() && !s->Container()->IsForm() && s->Container()->Container()) s = s->Container();
    return *s;
}

double TolvaneCaption::FormProperty(const char* name) const { return GetHost().ParentProperty(FormChild(), name); }

void TolvaneCaption::SetFormProperty(const char* name, double value) {
    GetHost().SetParentProperty(FormChild(), name, value);
}

// ---------------------------------------------------------------- commands

// Restore, minimise and maximise set the form's window state (only when it differs), then
// switch the menu items the new state offers, then raise their event.
void TolvaneCaption::WindowCommand(int i) {
    auto command = [&](int state, std::initializer_list<std::pair<int, bool>> items, const Event<>& event) {
        if (FormProperty("WindowState") != state) SetFormProperty("WindowState", state);
        for (auto [item, enabled] : items) mnuCloseCommand[item]->SetEnabled(enabled);
        Raise(event);
    };
    switch (i) {
        case CmdRestore:
            command(0, {{CmdRestore, false}, {CmdMinimize, true}, {CmdMaximize, true}}, RestoreClick);
            break;
        case CmdMinimize: command(1, {{CmdRestore, true}, {CmdMinimize, false}}, MinimizeClick); break;
        case CmdMaximize: command(2, {{CmdRestore, true}, {CmdMaximize, false}}, MaximizeClick); break;
        case CmdClose: Raise(HaltClick); break;
        default: break;  // move, size, the separator and anything else do nothing
    }
}

void TolvaneCaption::ButtonCommand(int i) {
    switch (i) {
        case Minimise: WindowCommand(CmdMinimize); break;
        case Maximise: WindowCommand(FormProperty("WindowState") == 2 ? CmdRestore : CmdMaximize); break;
        case Close: WindowCommand(CmdClose); break;
        case HelpButton: Raise(HelpClick); break;
        default: break;
    }
}

// The popup returns once the menu has closed and a chosen item's command has run.
void TolvaneCaption::ShowSystemMenu() {
    GetSurface().PopupMenu(*mnuClose, mnuCloseCommand[CmdClose]);
    Raise(MenuClick);
}

void TolvaneCaption::OnClick() { Raise(Click); }

void TolvaneCaption::OnDblClick() {
    PictureButton& b = *btnCommand[Maximise];
    if (b.Visible() && b.Enabled()) ButtonCommand(Maximise);
}

// ---------------------------------------------------------------- mouse

// The bevel's colours by status: top and left, then bottom and right.
void TolvaneCaption::SetCaptionStatus(int32_t status) {
    static constexpr OleColour kStatusColours[2][2] = {{kHighlight, kShadow}, {kShadow, kHighlight}};
    if (!m_Enabled || (status != CaptionStatus::Elevated && status != CaptionStatus::Sunken)) return;
    PaintBevel({linTop, linLef, linBot, linRig}, kStatusColours[status][0], kStatusColours[status][1]);
    m_Status = status;
}

void TolvaneCaption::OnMouseDown(MouseArgs& a) {
    m_MouseDown = True;
    Host& host = GetHost();
    Step([&] {
        const MousePoint p = fncMousePosition(host);
        m_DragX = ToInt32(FormProperty("Left") - p.x);
    });
    Step([&] {
        const MousePoint p = fncMousePosition(host);
        m_DragY = ToInt32(FormProperty("Top") - p.y);
    });
    Raise(MouseDown, a.button, a.shift, a.x, a.y);
}

// True when the point (bar coordinates) lies on a shown caption button or the icon.
bool TolvaneCaption::OverChild(double x, double y) const {
    auto over = [&](const BoxElement& e) {
        return e.Visible() && x >= e.Left() && x < e.Left() + e.Width() && y >= e.Top() && y < e.Top() + e.Height();
    };
    if (over(*imgIcon)) return true;
    for (const PictureButton* b : btnCommand)
        if (over(*b)) return true;
    return false;
}

void TolvaneCaption::MouseMoved(MouseArgs& a, bool onSurface) {
    // The drag keeps the form at the offset to the pointer it had at the press.
    if (m_MouseDown) {
        Host& host = GetHost();
        MousePoint p = fncMousePosition(host);
        SetFormProperty("Left", static_cast<double>(m_DragX) + p.x);
        p = fncMousePosition(host);
        SetFormProperty("Top", static_cast<double>(m_DragY) + p.y);
    }
    if (m_Captured.Contains(a.x, a.y) && onSurface && !m_MouseDown && OverChild(a.x, a.y)) {
        // Over a caption button or the icon the pointer is off the bar's own surface: the bevel
        // rests, and the capture is let go so that the press reaches them (they pass the bar
        // no moves). The bar takes it again as soon as the pointer is back on its surface.
        if (m_Status != CaptionStatus::Elevated) SetCaptionStatus(CaptionStatus::Elevated);
        m_Captured.Release();
    } else if (m_Captured.Contains(a.x, a.y)) {
        if (m_Status != CaptionStatus::Sunken) SetCaptionStatus(CaptionStatus::Sunken);
        m_Captured.Take();
    } else {
        if (m_Status != CaptionStatus::Elevated) SetCaptionStatus(CaptionStatus::Elevated);
        m_Captured.Release();
    }
    Raise(MouseMove, a.button, a.shift, a.x, a.y);
}

void TolvaneCaption::OnMouseUp(MouseArgs& a) {
    m_MouseDown = False;
    m_Captured.Release();
    Raise(MouseUp, a.button, a.shift, a.x, a.y);
}

}  // namespace stolvane
