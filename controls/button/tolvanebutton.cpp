// SPDX-License-Identifier: MIT
#include "controls/button/tolvanebutton.h"

#include <algorithm>
#include <utility>

#include "core/describe.h"
#include "core/routines.h"
#include "core/step.h"
#include "core/text.h"

namespace stolvane {

namespace {

// The colours the bevel uses.
constexpr OleColour kFace = SysColour::ButtonFace;
constexpr OleColour kShadow = SysColour::ButtonShadow;
constexpr OleColour kHighlight = SysColour::ButtonHighlight;
constexpr OleColour kDark = SysColour::DarkShadow;
constexpr OleColour kBlack = 0x00000000;
constexpr OleColour kKeep = TolvaneButton::kKeep;

using namespace ImageAligns;
using namespace ButtonType;
using namespace ButtonState;

// Bevel colours by style, state and focus. Each row gives the colours of the five line pairs:
// outer top and left (TopLine, LefLine), outer bottom and right (BotLine, RigLine), inner top
// and left (inTop, InLef), inner bottom and right (InBot, InRig), and the second inner edge
// (in2Bot, in2Rig). kKeep leaves a pair as it is. Only tbtWin95 looks at the focus; for the
// other styles kAnyFocus matches both.
enum Focus { kUnfocused, kFocused, kAnyFocus };
struct BevelRow {
    int16_t style;
    int32_t state;
    Focus focus;
    TolvaneButton::BevelColours colours;
};

constexpr BevelRow kBevelTable[] = {
    //  style       state  focus        outer 1     outer 2     inner 1     inner 2   second
    {tbtWin95, Up, kUnfocused, {kHighlight, kDark, kFace, kShadow, kFace}},
    {tbtWin95, Flat, kUnfocused, {kHighlight, kDark, kFace, kShadow, kFace}},
    {tbtWin95, Down, kUnfocused, {kDark, kHighlight, kShadow, kShadow, kFace}},
    {tbtWin95, Up, kFocused, {kBlack, kBlack, kHighlight, kBlack, kShadow}},
    {tbtWin95, Flat, kFocused, {kBlack, kBlack, kHighlight, kBlack, kShadow}},
    {tbtWin95, Down, kFocused, {kDark, kDark, kShadow, kShadow, kKeep}},
    {tbtTolvane, Up, kAnyFocus, {kHighlight, kDark, kFace, kShadow, kKeep}},
    {tbtTolvane, Down, kAnyFocus, {kDark, kHighlight, kShadow, kFace, kKeep}},
    {tbtTolvane, Flat, kAnyFocus, {kHighlight, kShadow, kFace, kFace, kKeep}},
    {tbtWin98, Up, kAnyFocus, {kHighlight, kShadow, kFace, kFace, kKeep}},
    {tbtWin98, Down, kAnyFocus, {kShadow, kHighlight, kFace, kFace, kKeep}},
    {tbtWin98, Flat, kAnyFocus, {kFace, kFace, kFace, kFace, kKeep}},
    {tbtWin31, Up, kAnyFocus, {kDark, kDark, kHighlight, kShadow, kKeep}},
    {tbtWin31, Flat, kAnyFocus, {kDark, kDark, kHighlight, kShadow, kKeep}},
    {tbtWin31, Down, kAnyFocus, {kDark, kDark, kShadow, kHighlight, kKeep}},
};

}  // namespace

TolvaneButton::BevelColours TolvaneButton::BevelFor(int16_t style, int32_t state, bool focused) {
    // Styles other than the four known ones draw as tbtWin95.
    if (style != tbtTolvane && style != tbtWin98 && style != tbtWin31) style = tbtWin95;
    const Focus focus = focused ? kFocused : kUnfocused;
    for (const BevelRow& row : kBevelTable)
        if (row.style == style && row.state == state && (row.focus == kAnyFocus || row.focus == focus))
            return row.colours;
    return {kKeep, kKeep, kKeep, kKeep, kKeep};
}

// ---------------------------------------------------------------- design

TolvaneButton::TolvaneButton(Surface& surface) : DeclaredControl(surface) {
    // Lines lower in the list lie beneath later ones: the second inner edge first, then the
    // inner bevel, then the outer frame, so that the thick inner lines of tbtWin31 never cover
    // the frame.
    auto line = [&](const char* name) {
        Line& l = surface.Add<Line>(name);
        l.SetColour(kFace);
        l.SetBorderWidth(1);
        return &l;
    };
    second = {.bottom = line("in2Bot"), .right = line("in2Rig")};
    inner = {line("inTop"), line("InLef"), line("InBot"), line("InRig")};
    outer = {line("TopLine"), line("LefLine"), line("BotLine"), line("RigLine")};
    PlaceLines(kDesignWidth, kDesignHeight);

    imgButton = &surface.Add<Image>("imgButton");
    imgButton->SetVisible(false);
    imgButton->Move(75, 75, 0, 0);
    // The picture's and the caption's mouse events reach the button in the button's coordinates.
    ForwardMouse(*imgButton, *this);
    const double labelHeight = 255;
    PropertyMap design{{"Font", MakeFont("Arial", 8.25)}};
    lblCaption.Place(surface, "lblCaption",
                     {75, kDesignHeight / 2 - labelHeight / 2, kDesignWidth - 185, labelHeight}, design);
    ForwardMouse(*lblCaption, lblCaption.GetSurface(), *this);
}

// ---------------------------------------------------------------- properties

void TolvaneButton::RedrawFlat() {
    DrawState(Flat);
    LayOut();
}

// The two colour setters give the caption label both of its colours at once, and only when
// the caption shows the colour being set: the rest colour at rest (or, greyed, until the next
// layout), the hover colour while raised or pressed. The label must never hold two different
// colours, because a hover over the caption starts the label's own fade timer, which keeps
// running once the button has taken the mouse capture from it: it would fade the caption
// towards the other colour on its own.
void TolvaneButton::ShowColour() {
    if (!m_Enabled || m_State == Flat) SetCaptionColours(m_Colour);
}

void TolvaneButton::ShowColourUp() {
    if (m_Enabled && (m_State == Up || m_State == Down)) SetCaptionColours(m_ColourUp);
}

void TolvaneButton::IsDownChanged() { DrawState(m_IsDown ? Down : Flat); }

// A button switched off while the pointer is over it (from its own Click handler, say) lets
// the mouse go: a disabled button ignores the moves that would otherwise release it, and the
// capture would keep every other control of the form from the mouse.
void TolvaneButton::EnabledChanged() {
    if (!m_Enabled) m_Captured.Release();
    RedrawFlat();
}

// The picture element is zeroed first, so that it takes the size of the picture it is given next.
void TolvaneButton::PictureChanged() {
    imgButton->SetWidth(0);
    imgButton->SetHeight(0);
    LayOut();
}

std::vector<PropertyInfo> TolvaneButton::Declarations() {
    using enum PropType;
    return {
        Declare("AlignImage", Int16, &Self::m_AlignImage, ImageAligns::iaLeft, &Self::RedrawFlat)
            .Enumerated({"ImageAligns",
                         {{"iaLeft", iaLeft, "picture left of the caption"}, {"iaTop", iaTop, "picture above the caption"},
                          {"iaRight", iaRight, "picture right of the caption"},
                          {"iaBottom", iaBottom, "picture below the caption"}},
                         "stored, and laid out as iaBottom"})
            .Note("Where the picture stands against the caption."),
        Declare("ButtonStyle", Int16, &Self::m_ButtonStyle, tbtWin98, &Self::RedrawFlat)
            .Enumerated({"ButtonType",
                         {{"tbtWin95", tbtWin95, "classic raised button; black frame while focused"},
                          {"tbtTolvane", tbtTolvane, "raised button whose caption turns bold under the mouse"},
                          {"tbtWin98", tbtWin98, "flat button that rises under the mouse"},
                          {"tbtWin31", tbtWin31, "dark-framed button with a thick inner bevel"}},
                         "stored, and drawn as tbtWin95"})
            .Note("The look of the button."),
        Declare("Catch", Boolean, &Self::m_Catch, False, &Self::LayOut)
            .Note("True: the button latches; one click holds it down (IsDown), the next releases it."),
        Declare("Caption", String, &Self::m_Caption, OwnNameDefault(), &Self::LayOut)
            .Note("Text on the button; \"&\" marks the access key."),
        Declare("Colour", Colour, &Self::m_Colour, SysColour::ButtonText, &Self::ShowColour).Note("Caption colour at rest."),
        Declare("ColourUp", Colour, &Self::m_ColourUp, SysColour::ActiveTitle, &Self::ShowColourUp)
            .Note("Caption colour while the button is raised or pressed."),
        Declare("IsDown", Boolean, &Self::m_IsDown, False, &Self::IsDownChanged)
            .Note("The latched state of a catching button; setting it draws the button pressed."),
        Declare("Enabled", Boolean, &Self::m_Enabled, True, &Self::EnabledChanged)
            .Note("False: the button ignores the mouse and shows PictureDisabled and a grey caption."),
        Declare("Font", Font, &Self::m_Font, AmbientFontDefault(), &Self::ResizeButton).Note("Font of the caption."),
        Declare("Hyperlink", String, &Self::m_Hyperlink, "").Note("Address opened after a click; empty opens nothing."),
        // Read, kept and written back unchanged; the button has no such property.
        Declare("MousePointer", Int16, &Self::m_MousePointer, 0).StoreOnly(),
        Declare("Picture", Picture, &Self::m_Picture, NoPictureDefault(), &Self::PictureChanged)
            .Note("Picture shown while enabled."),
        Declare("PictureDisabled", Picture, &Self::m_PictureDisabled, NoPictureDefault(), &Self::PictureChanged)
            .Note("Picture shown while disabled."),
    };
}

ClassInfo TolvaneButton::Class() {
    ClassInfo c = DescribeControl<Self>(
        "A push button in four classic looks, with a caption, an optional picture, a latching mode and a hyperlink.",
        &Self::Click, &Self::MouseDown, &Self::MouseMove, &Self::MouseUp);
    EditEvents(c, [](auto& list) { list[3].note = "declared for the interface; the button never raises it"; });
    c.accessible.role = [](Control&) { return AccessibleRole::PushButton; };
    c.accessible.nameProperty = "Caption";
    // A latching button held down reads as pressed.
    c.accessible.pressed = [](Control& b) {
        auto& button = static_cast<TolvaneButton&>(b);
        return button.Catch() != BooleanFalse && button.IsDown() != BooleanFalse;
    };
    c.accessible.actions = {{"click", AccessibleActionKind::SpaceKey, "Clicks the button, as Space does"}};
    return c;
}

// ---------------------------------------------------------------- lifecycle

void TolvaneButton::Resize() { ResizeButton(); }

void TolvaneButton::Show() {
    Step([&] { DrawState(Flat); });
    ResizeButton();
}

// ---------------------------------------------------------------- geometry and layout

void TolvaneButton::ResizeButton() {
    Surface& s = GetSurface();
    Step([&] {
        if (s.Width() < kMinimumSize) s.SetWidth(kMinimumSize);
    });
    Step([&] {
        if (s.Height() < kMinimumSize) s.SetHeight(kMinimumSize);
    });
    Step([&] { PlaceLines(s.Width(), s.Height()); });
    // The caption takes its font before it is centred: its height follows the font's size.
    Step([&] { CopyFontToCaption(); });
    Surface& caption = lblCaption.GetSurface();
    Step([&] {
        if (s.Height() - 165 < caption.Height()) caption.SetHeight(std::max(0.0, s.Height() - 165));
    });
    // Centred; a pressed button keeps its caption pressed.
    Step([&] { caption.SetTop(s.Height() / 2 - caption.Height() / 2 + Offset()); });
    Step([&] { LayOut(); });
}

// The lines of a button W x H twips large: the outer frame on its edges (top and left one pixel
// short), the inner bevel a pixel inside, the second inner edge a pixel further in.
void TolvaneButton::PlaceLines(double W, double H) {
    outer.top->SetEnds(0, 0, W - 15, 0);
    outer.left->SetEnds(0, 0, 0, H - 15);
    outer.bottom->SetEnds(0, H - 15, W, H - 15);
    outer.right->SetEnds(W - 15, 0, W - 15, H);
    inner.top->SetEnds(30, 15, W - 15, 15);
    inner.left->SetEnds(15, 15, 15, H - 15);
    inner.bottom->SetEnds(15, H - 30, W - 30, H - 30);
    inner.right->SetEnds(W - 30, 15, W - 30, H - 15);
    second.bottom->SetEnds(30, H - 45, W - 45, H - 45);
    second.right->SetEnds(W - 45, 30, W - 45, H - 30);
}

// Copies the font's attributes, all but its name, to the caption, which keeps its own face.
void TolvaneButton::CopyFontToCaption() {
    if (!m_Font) return;
    FontRef current = lblCaption->Font();
    stolvane::Font font = *m_Font;
    font.name = current ? current->name : stolvane::Font{}.name;
    if (FontRef copy = FontToAssign(current, font)) lblCaption->SetFont(copy);
}

void TolvaneButton::SetCaptionColours(OleColour colour) {
    if (lblCaption->Colour() != colour) lblCaption->SetColour(colour);
    if (lblCaption->ColourUp() != colour) lblCaption->SetColourUp(colour);
}

void TolvaneButton::SetCaptionBold(bool bold) {
    FontRef current = lblCaption->Font();
    if (!current || current->bold == bold) return;
    auto font = std::make_shared<stolvane::Font>(*current);
    font->bold = bold;
    lblCaption->SetFont(font);
}

// Places the picture and the caption. Positions are those of a button at rest, moved by the
// press offset while the button is drawn down, so that a layout during a press or a latch
// keeps both where the press put them.
void TolvaneButton::LayOut() {
    Surface& s = GetSurface();
    Surface& caption = lblCaption.GetSurface();
    CopyFontToCaption();
    if (lblCaption->Caption() != m_Caption) lblCaption->SetCaption(m_Caption);
    imgButton->SetVisible(false);
    if (!m_Enabled) {
        imgButton->SetPicture(m_PictureDisabled);
        SetCaptionColours(SysColour::GreyText);
    } else {
        imgButton->SetPicture(m_Picture);
        SetCaptionColours(m_Colour);
    }

    const double W = s.Width(), H = s.Height();
    const double w = imgButton->Width(), h = imgButton->Height();
    const double off = Offset();
    const double labelTop = caption.Top() - off;  // where the resize handler put it
    const double labelHeight = caption.Height();
    // The caption never gets a negative width, however wide the picture.
    auto placeCaption = [&](double left, double width) {
        caption.SetLeft(left + off);
        caption.SetWidth(std::max(0.0, width));
        caption.SetVisible(true);
    };
    auto placePicture = [&](double left, double top, bool visible) {
        imgButton->SetTop(top + off);
        imgButton->SetLeft(left + off);
        imgButton->SetVisible(visible);
    };

    if (IsNoPicture(imgButton->GetPicture())) {
        placeCaption(75, W - 185);
    } else if (m_Caption.empty()) {
        placePicture(W / 2 - w / 2, H / 2 - h / 2, true);
        caption.SetVisible(false);
    } else if (m_AlignImage == ImageAligns::iaLeft) {
        placePicture(75, H / 2 - h / 2, true);
        placeCaption(75 + w, W - 185 - w);
    } else if (m_AlignImage == ImageAligns::iaTop) {
        placePicture(W / 2 - w / 2, labelTop - h, labelTop - h >= 75);
        placeCaption(75, W - 185);
    } else if (m_AlignImage == ImageAligns::iaRight) {
        placePicture(W - w - 90, H / 2 - h / 2, true);
        placeCaption(75, W - 275 - w);
    } else {
        placePicture(W / 2 - w / 2, labelTop + labelHeight, H - 90 >= labelTop + labelHeight + h);
        placeCaption(75, W - 185);
    }
}

// ---------------------------------------------------------------- drawing

void TolvaneButton::DrawState(int32_t state) {
    const int16_t width = m_ButtonStyle == tbtWin31 ? 4 : 1;
    for (Line* l : {inner.top, inner.left, inner.bottom, inner.right}) l->SetBorderWidth(width);
    if (state != Up && state != Down && state != Flat) return;

    // A disabled button keeps its grey caption whatever state it is drawn in.
    if (!m_Enabled)
        SetCaptionColours(SysColour::GreyText);
    else
        SetCaptionColours(state == Flat ? m_Colour : m_ColourUp);

    // The press offset, applied once on the way down and taken back on the way up.
    double shift = 0;
    if (state == Down && m_State != Down) shift = kPressOffset;
    if (state != Down && m_State == Down) shift = -kPressOffset;
    if (shift != 0) {
        Surface& caption = lblCaption.GetSurface();
        imgButton->SetLeft(imgButton->Left() + shift);
        imgButton->SetTop(imgButton->Top() + shift);
        caption.SetLeft(caption.Left() + shift);
        caption.SetTop(caption.Top() + shift);
    }

    const BevelColours c = BevelFor(m_ButtonStyle, state, m_HasFocus != False);
    PaintBevel(outer, c.outer1, c.outer2);
    PaintBevel(inner, c.inner1, c.inner2);
    PaintBevel(second, kKeep, c.second);

    if (m_ButtonStyle == tbtTolvane) SetCaptionBold(state != Flat || (m_Font && m_Font->bold));
    m_State = state;
}

// Dots in the dark colour, one every 30 twips, inside the bevel.
void TolvaneButton::DrawFocus() {
    Surface& s = GetSurface();
    const double W = s.Width(), H = s.Height();
    DotRows(s, 75, ToInt32(W - 75), {60, H - 75}, kDark);
    DotColumns(s, 75, ToInt32(H - 75), {60, W - 75}, kDark);
}

// ---------------------------------------------------------------- mouse

void TolvaneButton::OnMouseDown(MouseArgs& a) {
    if (!m_Enabled) return;
    Step([&] { DrawState(Down); });
    Step([&] { GetSurface().SetFocus(); });
    Step([&] { Raise(MouseDown, a.button, a.shift, a.x, a.y); });
}

void TolvaneButton::OnMouseMove(MouseArgs& a) {
    // A disabled button neither lights up nor raises events, and a latched one stays down
    // whatever the pointer does: they only let the mouse go.
    if (!m_Enabled || (m_Catch && m_IsDown)) {
        Step([&] { m_Captured.Release(); });
        return;
    }
    if (a.button == 0 && m_Captured.Contains(a.x, a.y)) {
        Step([&] { DrawState(Up); });
        Step([&] { m_Captured.Take(); });
    } else if (a.button == 0) {
        Step([&] { DrawState(Flat); });
        Step([&] { m_Captured.Release(); });
    }
    // With a mouse button held the look stays as it is: a pressed button dragged out stays down.
    Step([&] { Raise(MouseMove, a.button, a.shift, a.x, a.y); });
}

void TolvaneButton::OnMouseUp(MouseArgs& a) {
    if (!m_Enabled) return;
    Host& host = GetHost();
    // The button's screen origin, so that the pointer can be found relative to the button
    // again after the Click handler and pending messages have run.
    int32_t originX = 0, originY = 0;
    Step([&] {
        const MousePoint p = fncMousePosition(host);
        originX = ToInt32(p.x - a.x);
        originY = ToInt32(p.y - a.y);
    });
    if (m_Captured.Contains(a.x, a.y)) {
        Step([&] { Raise(Click); });
        Step([&] { host.DoEvents(); });
        FollowHyperlink();
        // Latching: Click has seen the state from before this click.
        if (m_Catch && m_IsDown) {
            Step([&] { DrawState(Flat); });
            m_IsDown = False;
        } else if (m_Catch && !m_IsDown) {
            m_IsDown = True;
            Step([&] { DrawState(Down); });
        }
    }
    // The hover look for where the pointer is now.
    MouseArgs now{0, a.shift, 0, 0};
    Step([&] {
        const MousePoint p = fncMousePosition(host);
        now.x = static_cast<float>(p.x - originX);
        now.y = static_cast<float>(p.y - originY);
    });
    OnMouseMove(now);
}

void TolvaneButton::FollowHyperlink() {
    if (!m_Hyperlink.empty()) Step([&] { OpenHyperlink(m_Hyperlink); });
}

// ---------------------------------------------------------------- keyboard and focus

// A click from the keyboard: down, Click, the hyperlink, and back to rest. It never latches.
void TolvaneButton::KeyboardClick() {
    Step([&] { DrawState(Down); });
    Step([&] { Raise(Click); });
    FollowHyperlink();
    Step([&] { DrawState(Flat); });
}

void TolvaneButton::OnKeyPress(int16_t& keyAscii) {
    if (m_Enabled && keyAscii == kSpaceKey) KeyboardClick();
}

void TolvaneButton::OnAccessKeyPress(int16_t) {
    if (m_Enabled) KeyboardClick();
}

// A disabled button lets Enter go on to the form's default button.
bool TolvaneButton::Push() {
    if (!m_Enabled) return false;
    KeyboardClick();
    return true;
}

// The letters after '&' in the caption ("&&" is a literal ampersand). A disabled button answers
// to none, so that another control may.
std::string TolvaneButton::AccessKeys() const { return m_Enabled ? AccessKeysOf(m_Caption) : std::string(); }

void TolvaneButton::OnGotFocus() {
    if (!m_Enabled) return;
    m_HasFocus = True;
    Step([&] { DrawFocus(); });
}

void TolvaneButton::OnLostFocus() {
    m_HasFocus = False;
    if (!m_Catch) Step([&] { DrawState(Flat); });
    Step([&] { GetSurface().Cls(); });
}

}  // namespace stolvane
