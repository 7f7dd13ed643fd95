// SPDX-License-Identifier: MIT
#include "controls/tick/tolvanetick.h"

#include <cctype>

#include <algorithm>
#include <initializer_list>
#include <utility>

#include "core/describe.h"
#include "core/routines.h"

namespace stolvane {

namespace {

// Black pixels of a glyph, by row: each entry is (row, first column, last column).
struct Run {
    int row, first, last;
};

constexpr Run kTickRuns[] = {
    {2, 10, 10}, {3, 9, 9}, {4, 7, 8}, {5, 6, 7}, {6, 5, 6}, {7, 2, 2}, {7, 4, 5}, {8, 3, 5}, {9, 4, 4},
};

constexpr Run kCrossRuns[] = {
    {3, 2, 3}, {3, 8, 9}, {4, 3, 4}, {4, 7, 8}, {5, 4, 7}, {6, 5, 6},
    {7, 4, 7}, {8, 3, 4}, {8, 7, 8}, {9, 2, 3}, {9, 8, 9},
};

template <size_t N>
PictureRef MakeGlyph(int width, int height, const Run (&runs)[N]) {
    std::vector<uint32_t> argb(static_cast<size_t>(width * height), 0x00000000u);
    for (const Run& r : runs)
        for (int x = r.first; x <= r.last; ++x) argb[static_cast<size_t>(r.row * width + x)] = 0xFF000000u;
    return Picture::FromPixels(width, height, std::move(argb));
}

}  // namespace

PictureRef TolvaneTick::TickGlyph() {
    static const PictureRef glyph = MakeGlyph(13, 13, kTickRuns);
    return glyph;
}

PictureRef TolvaneTick::CrossGlyph() {
    static const PictureRef glyph = MakeGlyph(12, 13, kCrossRuns);
    return glyph;
}

TolvaneTick::TolvaneTick(Surface& surface) : DeclaredControl(surface) {
    imgCheck = &surface.Add<PictureBox>("imgCheck");
    imgCheck->Move(15, 15, 240, 240);
    imgCheck->SetBackColour(SysColour::Window);
    imgCheck->onClick = [this] { ToggleValue(); };
    DrawBox(false, SysColour::Window);

    imgTick = &surface.Add<Image>("imgTick");
    imgTick->SetVisible(false);
    imgTick->Move(0, 0, 195, 195);
    imgTick->SetPicture(TickGlyph());

    imgCross = &surface.Add<Image>("imgCross");
    imgCross->SetVisible(false);
    imgCross->Move(0, 0, 180, 195);
    imgCross->SetPicture(CrossGlyph());

    PropertyMap design{{"Align", int64_t{Alignment::Left}}, {"Font", MakeFont("Tahoma", 8.25)}};
    lblCaption.Place(surface, "lblCaption", {300, 30, 4515, 180}, design);
    lblCaption->Click += [this] { ToggleValue(); };
}

// ---------------------------------------------------------------- properties

FontRef TolvaneTick::Font() {
    RefreshTick();
    return m_Font;
}

void TolvaneTick::ValueChanged() {
    ShowValue();
    RefreshTick();
}

// Every setter but Value's hands the settings to the caption and the box (RefreshTick).
std::vector<PropertyInfo> TolvaneTick::Declarations() {
    using enum PropType;
    return {
        Refreshing("Align", Int16, &Self::m_Align, Alignment::Left).Enumerated(AlignmentEnum())
            .Note("Alignment of the caption."),
        Refreshing("BackColour", Colour, &Self::m_BackColour, SysColour::Window).Note("Colour of the box."),
        Refreshing("Caption", String, &Self::m_Caption, OwnNameDefault())
            .Note("Text beside the box; it lights up under the mouse like a TolvaneLabel."),
        Refreshing("CheckStyle", Int16, &Self::m_CheckStyle, CheckStyle::Tick)
            .Enumerated({"CheckStyle", {{"Tick", CheckStyle::Tick, "a tick"}, {"Cross", CheckStyle::Cross, "a cross"}},
                         "stored, and shows the cross"})
            .Note("Glyph shown while Value is True; a change shows at the next toggle or Value assignment."),
        Refreshing("Colour", Colour, &Self::m_Colour, SysColour::ButtonText).Note("Caption colour at rest."),
        Refreshing("ColourUp", Colour, &Self::m_ColourUp, SysColour::ActiveTitle).Note("Caption colour under the mouse."),
        Refreshing("Enabled", Boolean, &Self::m_Enabled, True)
            .Note("False: clicks and the space bar no longer toggle the value (no Click, no ValueChange) and the "
                  "caption shows greyed."),
        Refreshing("Font", Font, &Self::m_Font, AmbientFontDefault()).Note("Font of the caption."),
        Declare("Value", Boolean, &Self::m_Value, False, &Self::ValueChanged)
            .Note("True shows the glyph. Setting it from code raises no event."),
    };
}

ClassInfo TolvaneTick::Class() {
    ClassInfo c = DescribeControl<Self>(
        "A check box: a box that shows a tick or a cross, and a caption that lights up under the mouse.",
        &Self::Click, &Self::ValueChange, &Self::MouseMove);
    EditEvents(c, [](auto& list) {
        list[2].note = "declared for the interface; the check box never raises it";
    });
    c.accessible.role = [](Control&) { return AccessibleRole::CheckBox; };
    c.accessible.nameProperty = "Caption";
    c.accessible.checked = [](Control& t) { return static_cast<TolvaneTick&>(t).Value() != BooleanFalse; };
    c.accessible.actions = {{"toggle", AccessibleActionKind::SpaceKey, "Ticks or unticks the box, as Space does"}};
    return c;
}

// ---------------------------------------------------------------- lifecycle

void TolvaneTick::ReadProperties(PropertyBag& bag) {
    DeclaredControl::ReadProperties(bag);
    ShowValue();
}

// The box stays 15 twips from the left and is centred vertically; the caption follows it,
// 15 twips lower than centred, and reaches 15 twips short of the right edge.
void TolvaneTick::Resize() {
    Surface& s = GetSurface();
    if (s.Height() < kMinimumHeight) s.SetHeight(kMinimumHeight);
    if (s.Width() < kMinimumWidth) s.SetWidth(kMinimumWidth);
    imgCheck->SetTop(s.Height() / 2 - imgCheck->Height() / 2);
    Surface& caption = lblCaption.GetSurface();
    caption.SetTop(s.Height() / 2 - caption.Height() / 2 + 15);
    caption.SetWidth(s.Width() - imgCheck->Width() - 75);
    RefreshTick();
}

// Hands the caption settings to the embedded label (only what differs, so it redraws no more
// than needed) and the back colour to the box.
void TolvaneTick::RefreshTick() {
    if (m_Font) {
        // Compared without the label's refreshing getter: a label that refuses its current
        // settings (an alignment out of range) would otherwise fail here before the good
        // value could reach it, leaving the check box stuck.
        if (FontRef font = FontToAssign(lblCaption->HeldFont(), *m_Font)) lblCaption->SetFont(font);
    }
    if (lblCaption->Align() != m_Align) lblCaption->SetAlign(m_Align);
    if (lblCaption->Caption() != m_Caption) lblCaption->SetCaption(m_Caption);
    if (lblCaption->Colour() != m_Colour) lblCaption->SetColour(m_Colour);
    if (lblCaption->ColourUp() != m_ColourUp) lblCaption->SetColourUp(m_ColourUp);
    // A disabled check box shows its caption greyed.
    if (lblCaption->Enabled() != m_Enabled) lblCaption->SetEnabled(m_Enabled);

    const bool changed = imgCheck->BackColour() != m_BackColour;
    imgCheck->SetBackColour(m_BackColour);
    // The box shows a new back colour at once, keeping what it showed (glyph or none).
    if (changed) DrawBox(m_BoxTicked, m_BackColour);
}

// Draws the box for the current value: the glyph of the current style, or none.
void TolvaneTick::ShowValue() {
    if (m_Value) imgCheck->SetPicture(m_CheckStyle ? imgCross->GetPicture() : imgTick->GetPicture());
    DrawBox(m_Value, m_BackColour);
}

// The box is drawn as a classic sunken check box: a two-pixel frame (shadow and dark shadow
// above and to the left, highlight and light below and to the right) around a well in the back
// colour. A ticked box shows its picture inside the frame; an unticked one covers the picture
// with the back colour.
void TolvaneTick::DrawBox(bool ticked, OleColour back) {
    constexpr double px = 15;
    const int n = static_cast<int>(imgCheck->Width() / px);
    auto fill = [&](int x0, int y0, int x1, int y1, OleColour c) {
        if (x1 >= x0 && y1 >= y0) imgCheck->FillRect(x0 * px, y0 * px, x1 * px, y1 * px, c);
    };
    imgCheck->Cls();
    if (!ticked) {
        imgCheck->FillRect(0, 0, imgCheck->Width(), imgCheck->Height(), back);
    } else {
        fill(kFrame, kFrame, n - 1 - kFrame, n - 1 - kFrame, back);
        const PictureRef& glyph = imgCheck->GetPicture();
        if (!IsNoPicture(glyph))
            imgCheck->PaintPicture(glyph, kFrame * px, kFrame * px, glyph->WidthTwips(), glyph->HeightTwips());
    }
    // Outer edge, then inner edge; bottom and right run the full length.
    fill(0, n - 1, n - 1, n - 1, SysColour::ButtonHighlight);
    fill(n - 1, 0, n - 1, n - 1, SysColour::ButtonHighlight);
    fill(0, 0, n - 2, 0, SysColour::ButtonShadow);
    fill(0, 0, 0, n - 2, SysColour::ButtonShadow);
    fill(1, n - 2, n - 2, n - 2, kLight3D);
    fill(n - 2, 1, n - 2, n - 2, kLight3D);
    fill(1, 1, n - 3, 1, SysColour::DarkShadow);
    fill(1, 1, 1, n - 3, SysColour::DarkShadow);
    m_BoxTicked = ticked;
}

// ---------------------------------------------------------------- input

// The one place where the user changes the value.
void TolvaneTick::ToggleValue() {
    if (!m_Enabled) return;
    GetSurface().SetFocus();
    m_Value = !m_Value;
    ShowValue();
    Raise(ValueChange, m_Value);
    Raise(Click);
}

void TolvaneTick::OnClick() { ToggleValue(); }

void TolvaneTick::OnKeyPress(int16_t& keyAscii) {
    if (keyAscii == kSpaceKey) ToggleValue();
}

// Alt and the letter marked in the caption: the check box takes the focus and toggles.
void TolvaneTick::OnAccessKeyPress(int16_t) {
    GetSurface().SetFocus();
    ToggleValue();
}

std::string TolvaneTick::AccessKeys() const {
    std::string keys;
    if (!m_Enabled) return keys;
    for (size_t i = 0; i + 1 < m_Caption.size(); ++i) {
        if (m_Caption[i] != '&') continue;
        if (m_Caption[i + 1] == '&') {
            ++i;
            continue;
        }
        keys += static_cast<char>(std::toupper(static_cast<unsigned char>(m_Caption[i + 1])));
    }
    return keys;
}

void TolvaneTick::OnGotFocus() { DrawFocus(); }

// Clears the dotted rectangle (everything drawn on the surface; the elements stay).
void TolvaneTick::OnLostFocus() { GetSurface().Cls(); }

// A dotted rectangle, one point every 30 twips in the dark shadow colour, around the caption,
// or around the box when there is no caption. The loop bounds are rounded to whole twips in 32
// bits, so a check box wider than 32767 twips still shows its focus.
void TolvaneTick::DrawFocus() {
    Surface& s = GetSurface();
    const OleColour dot = SysColour::DarkShadow;
    if (!m_Caption.empty()) {
        const Surface& caption = lblCaption.GetSurface();
        const double T = caption.Top(), H = caption.Height(), W = s.Width();
        // The rectangle stands 45 twips above and 30 below the caption, but never outside the
        // control: at the usual height of 270 its lower edge would fall just below it.
        const double top = std::max(T - 45, 0.0), bottom = std::min(T + H + 30, s.Height() - 15);
        DotColumns(s, ToInt32(top), ToInt32(bottom), {0, W - 15}, dot);
        DotRows(s, 0, ToInt32(W), {top, bottom}, dot);
    } else {
        const double t = imgCheck->Top(), h = imgCheck->Height(), w = imgCheck->Width();
        DotColumns(s, ToInt32(t - 15), ToInt32(t + h + 15), {0, w + 15}, dot);
        DotRows(s, 0, ToInt32(w + 15), {t - 15, t + h}, dot);
    }
}

}  // namespace stolvane
