// SPDX-License-Identifier: MIT
#include "controls/label/tolvanelabel.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/describe.h"
#include "core/mouse.h"
#include "core/routines.h"

namespace stolvane {

namespace {

// The hyperlink pointer, one character per pixel: k black outline, w white, b blue,
// . transparent. A hand pointing up with its index finger, and "HTTP" below it.
constexpr const char* kHyperlinkIcon[16] = {
    ".....kk.........",
    "....kwwk........",
    "....kwwk........",
    "....kwwkkk......",
    "....kwwkwwkkk...",
    ".kk.kwwkwwkwwk..",
    "kwwkkwwwwwwwwk..",
    "kwwwkwwwwwwwwk..",
    ".kwwwwwwwwwwwk..",
    "..kwwwwwwwwwk...",
    "...kkkkkkkkk....",
    "b.b.bbb.bbb.bb..",
    "b.b..b...b..b.b.",
    "bbb..b...b..bb..",
    "b.b..b...b..b...",
    "b.b..b...b..b...",
};

PictureRef MakeHyperlinkIcon() {
    std::vector<uint32_t> argb;
    argb.reserve(16 * 16);
    for (const char* row : kHyperlinkIcon) {
        for (int x = 0; x < 16; ++x) {
            switch (row[x]) {
                case 'k': argb.push_back(0xFF000000u); break;
                case 'w': argb.push_back(0xFFFFFFFFu); break;
                case 'b': argb.push_back(0xFF0000FFu); break;
                default: argb.push_back(0x00000000u); break;
            }
        }
    }
    return Picture::FromPixels(16, 16, std::move(argb));
}

}  // namespace

PictureRef TolvaneLabel::HyperlinkIcon() {
    static const PictureRef icon = MakeHyperlinkIcon();
    return icon;
}

TolvaneLabel::TolvaneLabel(Surface& surface) : DeclaredControl(surface) {
    // A label is no tab stop: Tab passes it by and no form gives it the focus when it opens.
    surface.SetTabStop(false);
    lblCaption = &surface.Add<Label>("lblCaption");
    lblCaption->Move(0, 0, kDesignWidth, kDesignHeight);
    lblCaption->SetMouseIcon(HyperlinkIcon());
    ForwardMouse(*lblCaption, *this);

    m_LineHeight = MeasureLine(stolvane::Font{});

    surface.SetMouseIcon(HyperlinkIcon());
}

void TolvaneLabel::SetFading(bool on) {
    if (!T98) {
        if (!on) return;
        T98 = &GetSurface().Add<Timer>("T98");
        T98->SetEnabled(false);
        T98->SetInterval(kFadeInterval);
        T98->onTick = [this] { FadeTick(); };
    }
    T98->SetEnabled(on);
}

// The height of one line of text in the font: a sample line, measured as a label sized to its
// text would be.
double TolvaneLabel::MeasureLine(const stolvane::Font& font) {
    return GetHost().MeasureText(font, "Tolvane Label", 0).height;
}

// ---------------------------------------------------------------- properties

void TolvaneLabel::CaptionChanged() {
    RefreshLabel();
    Raise(ChangeCaption);
}

// A fade under way goes on from the step it reached, between the new colours.
void TolvaneLabel::ColoursChanged() {
    if (m_FadeReady) ResolveFadeColours();
    RefreshLabel();
}

// A label switched off in the middle of a hover stops fading and lets the mouse go, or the
// timer would go on painting hover colours over the grey text.
void TolvaneLabel::EnabledChanged() {
    if (!m_Enabled) StopHover();
    RefreshLabel();
}

FontRef TolvaneLabel::Font() {
    RefreshLabel();
    return m_Font;
}

// Most setters only lay the label out again (RefreshLabel).
std::vector<PropertyInfo> TolvaneLabel::Declarations() {
    using enum PropType;
    return {
        Refreshing("Align", Int16, &Self::m_Align, Alignment::Centre).Enumerated(AlignmentEnum())
            .Help("The horizontal alignment of the label."),
        Declare("Caption", String, &Self::m_Caption, OwnNameDefault(), &Self::CaptionChanged)
            .Help("The text that the label bears.")
            .Note("Setting it raises ChangeCaption."),
        Declare("Colour", Colour, &Self::m_Colour, SysColour::ButtonText, &Self::ColoursChanged)
            .Note("Colour of the text at rest."),
        Declare("ColourUp", Colour, &Self::m_ColourUp, SysColour::ActiveTitle, &Self::ColoursChanged)
            .Note("Colour the text fades to, in ten 100 ms steps, while the pointer is over the label."),
        Declare("Enabled", Boolean, &Self::m_Enabled, True, &Self::EnabledChanged)
            .Help("When set to false the label will not 'light up' if the mouse passes over it.")
            .Note("False also greys the text; clicks still raise Click and open the hyperlink."),
        Refreshing("Font", Font, &Self::m_Font, AmbientFontDefault()).Help("Returns a Font object.")
            .Note("The label is one line of this font high (all its lines with WordWrap)."),
        Refreshing("Hyperlink", String, &Self::m_Hyperlink, "")
            .Note("Address a click opens (http, https, ftp, mailto); the text is then underlined and the "
                  "pointer is a hand."),
        Refreshing("WordWrap", Boolean, &Self::m_WordWrap, False)
            .Note("True wraps the caption at the label's width and sizes the label to all its lines; "
                  "False keeps one line."),
    };
}

ClassInfo TolvaneLabel::Class() {
    ClassInfo c = DescribeControl<Self>(
        "A one-line text label that fades to a hover colour under the mouse and may carry a hyperlink.",
        &Self::Click, &Self::ChangeCaption, &Self::MouseDown, &Self::MouseMove, &Self::MouseUp);
    // A label with a hyperlink is a link.
    c.accessible.role = [](Control& l) {
        return static_cast<TolvaneLabel&>(l).Hyperlink().empty() ? AccessibleRole::Label : AccessibleRole::Link;
    };
    c.accessible.nameProperty = "Caption";
    c.accessible.actions = {{"click", AccessibleActionKind::MouseClick, "Clicks the label (a link opens)"}};
    return c;
}

// ---------------------------------------------------------------- lifecycle

void TolvaneLabel::Show() { RefreshLabel(); }

// Enforces the minimum size and gives the caption the whole surface.
void TolvaneLabel::ResizeLabel() {
    Surface& s = GetSurface();
    if (s.Width() < kMinimumSize) s.SetWidth(kMinimumSize);
    if (s.Height() < kMinimumSize) s.SetHeight(kMinimumSize);
    lblCaption->SetWidth(s.Width());
    lblCaption->SetHeight(s.Height());
}

void TolvaneLabel::Resize() {
    ResizeLabel();
    SnapHeight();
}

// The control is one text line high (m_LineHeight), and never below the minimum.
// Setting the height resizes the control again, which sizes the caption to match.
void TolvaneLabel::SnapHeight() {
    Surface& s = GetSurface();
    const double line = std::max(kMinimumSize, m_LineHeight);
    // A wrapping label keeps the height it was given, down to one line.
    const double height = m_WordWrap ? std::max(line, s.Height()) : line;
    if (s.Height() != height) s.SetHeight(height);
}

void TolvaneLabel::RefreshLabel() {
    ResizeLabel();

    if (m_Font) {
        // The caption is underlined while it carries a hyperlink; the line is measured in the
        // font as it is. A font the caption refuses (380) leaves both as they were.
        stolvane::Font caption = *m_Font;
        if (!m_Hyperlink.empty()) caption.underline = true;
        const bool changed = !(lblCaption->GetFont() == caption);
        lblCaption->SetFont(caption);
        if (changed) m_LineHeight = MeasureLine(*m_Font);
    }
    const int16_t pointer = m_Hyperlink.empty() ? MousePointer::Default : MousePointer::Custom;
    lblCaption->SetMousePointer(pointer);
    GetSurface().SetMousePointer(pointer);

    lblCaption->SetWordWrap(m_WordWrap != False);
    lblCaption->SetAlignment(m_Align);
    lblCaption->SetCaption(m_Caption);

    if (!m_Enabled)
        lblCaption->SetForeColour(SysColour::GreyText);
    else
        lblCaption->SetForeColour(Fading() ? m_ColourUp : m_Colour);

    SnapHeight();
}

// ---------------------------------------------------------------- mouse

void TolvaneLabel::OnMouseDown(MouseArgs& a) {
    m_ClickedOnUp = false;
    Raise(MouseDown, a.button, a.shift, a.x, a.y);
}

void TolvaneLabel::OnMouseMove(MouseArgs& a) {
    if (!m_Enabled) return;
    HoverTest(a.x, a.y);
    Raise(MouseMove, a.button, a.shift, a.x, a.y);
}

// Lights the label while (x, y) lies on it; outside, the rest colour returns at once.
void TolvaneLabel::HoverTest(double x, double y) {
    m_Captured.Track(
        x, y, [&] { SetFading(true); },
        [&] {
            SetFading(false);
            m_FadeReady = False;
            lblCaption->SetForeColour(m_Colour);
        });
}

void TolvaneLabel::OnMouseUp(MouseArgs& a) {
    // The label's screen origin, to find the pointer relative to the label once the handlers
    // have run (they may move it, or the pointer may have left during the press).
    const MousePoint before = fncMousePosition(GetHost());
    const double originX = before.x - a.x, originY = before.y - a.y;
    ClickHandling();
    m_ClickedOnUp = true;
    Raise(MouseUp, a.button, a.shift, a.x, a.y);
    m_Captured.Release();
    // The hover look for where the pointer is now, as the button does after its release: still
    // inside re-takes the capture, outside returns to the rest colour. Without this a label
    // released with the pointer gone would stay lit, since no later move reaches it.
    if (m_Enabled) {
        const MousePoint now = fncMousePosition(GetHost());
        HoverTest(now.x - originX, now.y - originY);
    }
}

// The runtime's click follows a mouse up on the same surface, which has already opened the
// link and raised Click; a click with no mouse up before it (from code or a script) does both.
void TolvaneLabel::OnClick() {
    if (m_ClickedOnUp) {
        m_ClickedOnUp = false;
        return;
    }
    ClickHandling();
}

void TolvaneLabel::ClickHandling() {
    if (!m_Hyperlink.empty()) OpenHyperlink(m_Hyperlink);
    Raise(Click);
}

void TolvaneLabel::StopHover() {
    SetFading(false);
    m_FadeReady = False;
    m_Captured.Release();
}

// ---------------------------------------------------------------- fade

TolvaneLabel::Channels TolvaneLabel::fncChannels(OleColour rgb) {
    const std::string digits = fncColourDigits(rgb);
    Channels c;
    c.red = std::atoi(digits.substr(0, 3).c_str());
    c.green = std::atoi(digits.substr(3, 3).c_str());
    c.blue = std::atoi(digits.substr(6, 3).c_str());
    return c;
}

// Both colours as plain RGB, read back from a point plotted on the surface (which resolves a
// system colour through the theme), and the change of each channel per step.
void TolvaneLabel::ResolveFadeColours() {
    Surface& s = GetSurface();
    s.PSet(0, 0, m_Colour);
    m_FadeRest = s.Point(0, 0);
    s.PSet(0, 0, m_ColourUp);
    m_FadeUp = s.Point(0, 0);
    s.PSet(0, 0, s.BackColour());

    const Channels rest = fncChannels(m_FadeRest), up = fncChannels(m_FadeUp);
    m_FadeDelta[0] = (up.red - rest.red) / static_cast<double>(kFadeSteps);
    m_FadeDelta[1] = (up.green - rest.green) / static_cast<double>(kFadeSteps);
    m_FadeDelta[2] = (up.blue - rest.blue) / static_cast<double>(kFadeSteps);
}

void TolvaneLabel::PrepareFade() {
    ResolveFadeColours();
    m_FadeStep = 0;
    m_FadeReady = True;
}

// One step of the fade. The first tick of a hover prepares it; then each tick moves the colour
// a tenth of the way; the tick after the tenth step stops the timer (and sets the hover colour
// once more).
void TolvaneLabel::FadeTick() {
    if (m_Colour == m_ColourUp) return;
    if (!m_FadeReady) {
        PrepareFade();
        return;
    }
    if (m_FadeStep == kFadeSteps) SetFading(false);
    if (m_FadeStep < kFadeSteps) ++m_FadeStep;

    const Channels rest = fncChannels(m_FadeRest);
    const int16_t red = ToInt16(std::fabs(rest.red + m_FadeStep * m_FadeDelta[0]));
    const int16_t green = ToInt16(std::fabs(rest.green + m_FadeStep * m_FadeDelta[1]));
    const int16_t blue = ToInt16(std::fabs(rest.blue + m_FadeStep * m_FadeDelta[2]));
    lblCaption->SetForeColour(RGB(red, green, blue));
}

}  // namespace stolvane
