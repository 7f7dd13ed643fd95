// SPDX-License-Identifier: MIT
#include "controls/panel/tolvanepanel.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

#include "core/bevel.h"
#include "core/convert.h"
#include "core/describe.h"
#include "core/routines.h"
#include "core/step.h"

namespace stolvane {

namespace {

constexpr OleColour kShadow = SysColour::ButtonShadow;
constexpr OleColour kHighlight = SysColour::ButtonHighlight;
constexpr OleColour kDark = SysColour::DarkShadow;

// The four characters that separate the parts of a failure message.
constexpr const char* kBreak = "\n\r\n\r";

// Bevel colours by style: top and left lines, then right and bottom lines. PanelStyle::None
// hides the bevel; any value other than Sunken draws as Elevated.
struct BevelColours {
    OleColour topLeft, bottomRight;
};
BevelColours BevelFor(int16_t style) {
    if (style == PanelStyle::Sunken) return {kShadow, kHighlight};
    return {kHighlight, kShadow};
}

// The resize grip's strokes, in the order their ends are set. Each runs from
// (Wc - a, Hc - 30) to (Wc - 15, Hc - b), Wc x Hc being the canvas size.
struct GripStroke {
    bool light;  // grpIn (button highlight) rather than grpLin (button shadow)
    int index;
    double a, b;
};
constexpr GripStroke kGripStrokes[] = {
    {false, 0, 30, 15},   {true, 0, 45, 75},    {false, 1, 75, 90},   {false, 2, 90, 105},
    {true, 1, 105, 120},  {false, 3, 135, 150}, {false, 4, 150, 165}, {true, 2, 165, 180},
    {false, 5, 190, 210}, {false, 6, 210, 225}, {true, 3, 225, 240},
};

std::string RemedyText() {
    return std::string(
               "This error will result in the terminating of the control. To remedy this error please ensure that "
               "this program was correctly downloaded and installed. The latest version") +
           " can be obtained from:" + kBreak + AboutPageAddress() + kBreak;
}

}  // namespace

// ---------------------------------------------------------------- design

TolvanePanel::TolvanePanel(Surface& surface) : DeclaredControl(surface) {
    // It answers no keys, so it is no tab stop unless the form says otherwise.
    surface.SetTabStop(false);
    const double W = kDesignWidth, H = kDesignHeight;

    // Bottom-most first. The canvas is never shown.
    imgBackground = &surface.Add<PictureBox>("imgBackground");
    imgBackground->Move(0, 0, 600, 555);
    imgBackground->SetBackColour(SysColour::ButtonFace);
    imgBackground->SetAutoRedraw(true);
    imgBackground->SetVisible(false);

    imgGrab = &surface.Add<Image>("imgGrab");
    imgGrab->Move(15, 15, 645, 495);
    imgGrab->SetVisible(false);

    lblCheck = &surface.Add<Label>("lblCheck");
    lblCheck->Move(0, 0, 855, 315);
    lblCheck->SetCaption("Label1");
    lblCheck->SetVisible(false);

    lblCaption = &surface.Add<Label>("lblCaption");
    lblCaption->Move(1365, 915, 945, 210);
    lblCaption->SetCaption("TolvanePanel");
    lblCaption->SetAlignment(Alignment::Centre);
    lblCaption->SetTransparent(true);
    lblCaption->SetWordWrap(true);
    lblCaption->SetAutoSize(true);

    auto line = [&](const char* name, int index, double x1, double y1, double x2, double y2, OleColour colour) {
        Line& l = surface.Add<Line>(name, index);
        l.SetEnds(x1, y1, x2, y2);
        l.SetColour(colour);
        return &l;
    };
    // Outer bevel: top and left stop one pixel short, bottom and right run the full size.
    linTop = line("linTop", -1, 0, 0, W - 15, 0, kShadow);
    linLef = line("linLef", -1, 0, 0, 0, H - 15, kShadow);
    linBot = line("linBot", -1, 0, H - 15, W, H - 15, kHighlight);
    linRig = line("linRig", -1, W - 15, 0, W - 15, H, kHighlight);
    inTop = line("inTop", -1, 60, 60, W - 75, 60, kShadow);
    inLef = line("inLef", -1, 60, 60, 60, H - 75, kShadow);
    inBot = line("inBot", -1, 60, H - 75, W - 60, H - 75, kHighlight);
    inRig = line("inRig", -1, W - 75, 60, W - 75, H - 60, kHighlight);
    inTop->SetVisible(false);
    inLef->SetVisible(false);
    inBot->SetVisible(false);
    inRig->SetVisible(false);
    slinTop = line("slinTop", -1, 15, 15, W - 30, 15, kDark);
    slinLef = line("slinLef", -1, 15, 15, 15, H - 15, kDark);
    slinTop->SetVisible(false);
    slinLef->SetVisible(false);
    for (const GripStroke& g : kGripStrokes) {
        Line* l = line(g.light ? "grpIn" : "grpLin", g.index, W - g.a, H - 30, W - 15, H - g.b,
                       g.light ? kHighlight : kShadow);
        (g.light ? grpIn : grpLin)[g.index] = l;
    }

    shpGrip = &surface.Add<Image>("shpGrip");
    shpGrip->Move(2880, 1560, 240, 240);
    shpGrip->SetMousePointer(MousePointer::SizeNWSE);

    // Topmost of the panel's own elements: it inverts everything of the panel beneath it.
    shpPerc = &surface.Add<Shape>("shpPerc");
    shpPerc->Move(0, 0, 45, 1845);
    shpPerc->SetFilled(true);
    shpPerc->SetFillColour(0);
    shpPerc->SetOutline(false);
    shpPerc->SetDrawMode(Shape::Invert);
    shpPerc->SetVisible(false);

    // Clicks on the parts of the panel are the panel's clicks.
    auto click = [this] { Raise(Click); };
    lblCaption->onClick = click;
    imgGrab->onClick = click;
    imgBackground->onClick = click;
    lblCheck->onClick = click;
    // Moves over the caption are moves over the panel, in the panel's coordinates.
    lblCaption->onMouseMove = [this](MouseArgs& a) { SurfaceMouseMove(InParent(a, *lblCaption)); };
    // Drops keep the coordinates of the part they landed on.
    auto drop = [this](DragData& data, int32_t& effect, MouseArgs& a) { OnOLEDragDrop(data, effect, a); };
    lblCaption->onOLEDragDrop = drop;
    imgBackground->onOLEDragDrop = drop;

    shpGrip->onMouseDown = [this](MouseArgs&) { GripPress(); };
    shpGrip->onMouseMove = [this](MouseArgs&) { GripMove(); };
    shpGrip->onMouseUp = [this](MouseArgs&) { GripRelease(); };
}

// ---------------------------------------------------------------- properties

void TolvanePanel::BackgroundChanged() {
    m_GradientDrawn = False;
    m_PictureLaidOut = False;
    imgGrab->SetVisible(false);
    imgGrab->SetStretch(false);
    imgGrab->SetPicture(m_Background);
    if (m_AutoSize) {
        Surface& s = GetSurface();
        const double pw = imgGrab->Width(), ph = imgGrab->Height();
        if (BevelInner() != PanelStyle::None) {
            s.SetWidth(2.0 * m_Border + pw + 30);
            s.SetHeight(2.0 * m_Border + ph + 30);
        } else if (BevelOuter() != PanelStyle::None) {
            s.SetWidth(pw + 30);
            s.SetHeight(ph + 30);
        } else {
            s.SetWidth(pw);
            s.SetHeight(ph);
        }
    }
    RefreshPanel();
}

void TolvanePanel::BorderChanged() {
    m_Border = std::clamp(m_Border, kBorderMin, kBorderMax);
    RefreshPanel();
}

// The background is drawn anew at the next refresh: all of it, the gradient only, or the
// picture only.
void TolvanePanel::RedrawBackground() {
    m_PictureLaidOut = False;
    RedrawGradient();
}

void TolvanePanel::RedrawGradient() {
    m_GradientDrawn = False;
    RefreshPanel();
}

void TolvanePanel::RelayPicture() {
    m_PictureLaidOut = False;
    RefreshPanel();
}

namespace {
const EnumInfo kPanelStyle{"PanelStyle",
                           {{"None", 0, "no bevel"}, {"Sunken", 1, "dark top and left edges"},
                            {"Elevated", 2, "light top and left edges"}},
                           "stored, and drawn as Elevated"};
}  // namespace

// Most setters only lay the panel out and repaint it (RefreshPanel).
std::vector<PropertyInfo> TolvanePanel::Declarations() {
    using enum PropType;
    // Tile reads back as a Boolean but keeps the value it was given: only True (-1) tiles.
    PropertyInfo tile = Declare("Tile", Boolean, &Self::m_Tile, False, &Self::RelayPicture)
                        .Help("Determines whether to tile the background image or centre and stretch it whilst "
                              "maintaining the original X / Y ratios.")
                        .Note("Only True (-1) tiles; any other value stretches and centres the picture.");
    tile.get = [](Control& c) -> Value { return Value{int64_t{static_cast<Self&>(c).Tile().Raw()}}; };
    tile.set = [](Control& c, const Value& v) { static_cast<Self&>(c).SetTileRaw(FieldFrom<int16_t>(v, Int16)); };
    return {
        Refreshing("AlignH", Int16, &Self::m_AlignH, Alignment::Centre).Enumerated(AlignmentEnum())
            .Help("Horizontal alignment of the caption."),
        // AlignV reads the alignment constants as top and bottom; the caption refuses any other value.
        Refreshing("AlignV", Int16, &Self::m_AlignV, Alignment::Centre)
            .Enumerated({"VerticalAlignment",
                         {{"Top", 0, "at the top"}, {"Bottom", 1, "at the bottom"}, {"Middle", 2, "in the middle"}},
                         ""})
            .Help("Vertical alignment of the caption."),
        Declare("AutoSize", Boolean, &Self::m_AutoSize, False)
            .Note("True: a newly assigned Background sizes the panel to the picture."),
        Declare("Background", Picture, &Self::m_Background, NoPictureDefault(), &Self::BackgroundChanged)
            .Help("The image to tile or centre in the main body of the panel."),
        Declare("BevelInner", Int16, &Self::m_BevelInner, PanelStyle::None, &Self::RedrawBackground)
            .Enumerated(kPanelStyle)
            .Help("The style of the inner bevel."),
        Refreshing("BevelOuter", Int16, &Self::m_BevelOuter, PanelStyle::Sunken).Enumerated(kPanelStyle)
            .Help("The style of the outer bevel."),
        Declare("Bind_Parent", Boolean, &Self::m_Bind_Parent, True)
            .Note("True: a grip drag also resizes the panel's parent."),
        Declare("Border", Int16, &Self::m_Border, 60, &Self::BorderChanged)
            .Help("The width between the inner and outer bevels.")
            .Note("Twips; the setter keeps it between 15 and 360."),
        Refreshing("Caption", String, &Self::m_Caption, OwnNameDefault())
            .Help("The text to display in the main body of the panel, according to the AlignH, AlignV, and "
                  "Font_Colour properties."),
        Declare("Enabled", Boolean, &Self::m_Enabled, True)
            .Help("When set to \"False\" the panel will not disappear when to mouse passes over it.")
            .Note("False also stops the mouse-button events."),
        Refreshing("Font", Font, &Self::m_Font, AmbientFontDefault()).Help("The font to be used for the caption."),
        Refreshing("Font_Colour", Colour, &Self::m_Font_Colour, 0).Help("The colour of the font."),
        Declare("Gradient", Int16, &Self::m_Gradient, GradientStyle::Horizontal, &Self::RedrawGradient)
            .Enumerated({"GradientStyle",
                         {{"Horizontal", GradientStyle::Horizontal,
                           "horizontal bands, the colour changing from top to bottom"},
                          {"Vertical", GradientStyle::Vertical, "vertical bands, the colour changing from left to right"}},
                         "stored, and drawn as Vertical"})
            .Note("Direction of the background gradient."),
        Declare("Grad_Bot", Colour, &Self::m_Grad_Bot, SysColour::ButtonFace, &Self::RedrawGradient)
            .Help("The colour to merge from as the bottom of the panel. If a background image is selected this "
                  "will not work."),
        Declare("Grad_Top", Colour, &Self::m_Grad_Top, SysColour::ButtonFace, &Self::RedrawGradient)
            .Help("The colour to merge from as the top of the panel. If a background image is selected this will "
                  "not work."),
        // The store keeps the grip's two settings ahead of the gradient's.
        Refreshing("Grip", Boolean, &Self::m_Grip, False).SavedAt(12)
            .Help("Displays a little \"resize\" grip on the bottom-right hand side of the panel."),
        Refreshing("GripSize", Boolean, &Self::m_GripSize, False).SavedAt(13)
            .Note("True: the grip resizes the panel; False: it moves the panel."),
        Refreshing("MouseReaction", Int16, &Self::m_MouseReaction, MouseReaction::Disappear)
            .Enumerated({"MouseReaction",
                         {{"Nullify", MouseReaction::Nullify, "nothing happens"},
                          {"Disappear", MouseReaction::Disappear,
                           "both bevels vanish while the mouse is over the panel"},
                          {"Shadow", MouseReaction::Shadow, "a second dark line deepens the innermost sunken bevel"}},
                         "stored, and reacts as Shadow"})
            .Note("What the panel does while the mouse is over it."),
        Refreshing("Percentage", Int16, &Self::m_Percentage, 0)
            .Help("Enables the panel to be used as a process bar - the percentage bar will also invert the panels "
                  "image / gradient for extra clarity.")
            .Note("0 to 100; the setter clamps other values."),
        tile,
    };
}

ClassInfo TolvanePanel::Class() {
    ClassInfo c = DescribeControl<Self>("A bevelled panel with a gradient or picture background, a caption, a percentage "
                                     "bar, a resize grip and a mouse reaction; it can hold other controls.",
                                     &Self::Click, &Self::MouseDown, &Self::MouseMove, &Self::MouseUp, &Self::OLEDragDrop);
    c.container = true;
    // A panel with the grip is a status bar; one showing its percentage is a progress bar.
    c.accessible.role = [](Control& p) {
        auto& panel = static_cast<TolvanePanel&>(p);
        if (panel.Grip() != BooleanFalse) return AccessibleRole::StatusBar;
        return panel.Percentage() > 0 ? AccessibleRole::ProgressBar : AccessibleRole::Panel;
    };
    c.accessible.nameProperty = "Caption";
    c.accessible.value = [](Control& p) -> std::optional<double> {
        auto& panel = static_cast<TolvanePanel&>(p);
        if (panel.Grip() != BooleanFalse || panel.Percentage() <= 0) return std::nullopt;
        return panel.Percentage();
    };
    return c;
}

// ---------------------------------------------------------------- lifecycle

// Straight into the fields, without the setters' clamping.
void TolvanePanel::ReadProperties(PropertyBag& bag) {
    ReadAllProperties(bag);
    imgGrab->SetPicture(m_Background);
    RefreshPanel();
}

void TolvanePanel::Show() {
    ApplyMouseState(kStateNormal);
    RefreshPanel();
}

// ---------------------------------------------------------------- sizing

void TolvanePanel::Resize() {
    Surface& s = GetSurface();
    if (s.Width() < kMinimumSize) s.SetWidth(kMinimumSize);
    if (s.Height() < kMinimumSize) s.SetHeight(kMinimumSize);
    const double W = s.Width(), H = s.Height();
    linTop->SetX2(W - 15);
    linBot->SetX2(W);
    linRig->SetX1(W - 15);
    linRig->SetX2(W - 15);
    linLef->SetY2(H - 15);
    linRig->SetY2(H);
    linBot->SetY1(H - 15);
    linBot->SetY2(H - 15);
    // The background is drawn anew for the new size.
    m_GradientDrawn = False;
    m_PictureLaidOut = False;
    RefreshPanel();
    PlaceGrip();
    lblCheck->SetWidth(W);
    lblCheck->SetHeight(H);
}

// The grip's strokes and hot spot in the bottom-right corner of the canvas.
void TolvanePanel::PlaceGrip() {
    const double Wc = imgBackground->Width(), Hc = imgBackground->Height();
    auto stroke = [&](const GripStroke& g) { return (g.light ? grpIn : grpLin)[g.index]; };
    for (const GripStroke& g : kGripStrokes) stroke(g)->SetX1(Wc - g.a);
    for (const GripStroke& g : kGripStrokes) stroke(g)->SetX2(Wc - 15);
    for (const GripStroke& g : kGripStrokes) stroke(g)->SetY1(Hc - 30);
    for (const GripStroke& g : kGripStrokes) stroke(g)->SetY2(Hc - g.b);
    shpGrip->SetLeft(Wc - shpGrip->Width() - 15);
    shpGrip->SetTop(Hc - shpGrip->Height() - 15);
}

// ---------------------------------------------------------------- drawing

template <class F>
void TolvanePanel::Guarded(F&& step) {
    Step(step, [this](const HostError& e) { ShowFailure(RefreshFailureText(GetSurface().Name(), e)); });
}

void TolvanePanel::ShowFailure(const std::string& text) {
    Step([&] { GetHost().MsgBox(text, GetHost().AppName() + "'s TolvanePanel Message"); });
}

std::string TolvanePanel::RefreshFailureText(const std::string& name, const HostError& e) {
    return "An error has occurred whilst maintaining the " + name +
           " TolvanePanel OCX control. The error was reported as number " + std::to_string(e.number) + ", '" +
           e.description + "'." + kBreak + RemedyText();
}

std::string TolvanePanel::GripFailureText(const HostError& e) {
    return "An error has occurred in resizing the TolvanePanel's parent control. The error was reported as number " +
           std::to_string(e.number) + ", '" + e.description + "'." + kBreak + RemedyText();
}

bool TolvanePanel::HasPicture() const { return !IsNoPicture(imgGrab->GetPicture()); }

// The whole layout and repaint. Every step runs guarded: a failing step is reported and the
// next one runs. The child elements ignore a value they already hold, so a refresh that changes
// one thing (the percentage, say) repaints only that.
void TolvanePanel::RefreshPanel() {
    Surface& s = GetSurface();
    // 1. The canvas takes the control's size.
    Guarded([&] {
        const Rect before = imgBackground->Bounds();
        imgBackground->SetHeight(s.Height());
        imgBackground->SetWidth(s.Width());
        if (imgBackground->Bounds() != before) m_CanvasChanged = true;
    });
    // 2. Grip visibility.
    Guarded([&] {
        const bool show = m_Grip != False;
        for (Line* l : grpLin) l->SetVisible(show);
        for (Line* l : grpIn) l->SetVisible(show);
        shpGrip->SetVisible(show);
    });
    // 3. The inner bevel from the outer one: X1 of all four, then X2, Y1 and Y2.
    Guarded([&] {
        const double B = m_Border;
        struct Rule {
            Line* inner;
            Line* outer;
            int x1, y1, x2, y2;  // each end moves by this times B
        };
        const Rule rules[] = {
            {inTop, linTop, +1, +1, -1, +1},
            {inLef, linLef, +1, +1, +1, -1},
            {inRig, linRig, -1, +1, -1, -1},
            {inBot, linBot, +1, -1, -1, -1},
        };
        for (const Rule& r : rules) r.inner->SetX1(r.outer->X1() + r.x1 * B);
        for (const Rule& r : rules) r.inner->SetX2(r.outer->X2() + r.x2 * B);
        for (const Rule& r : rules) r.inner->SetY1(r.outer->Y1() + r.y1 * B);
        for (const Rule& r : rules) r.inner->SetY2(r.outer->Y2() + r.y2 * B);
    });
    // 4. The shadow lines, one pixel inside the innermost sunken bevel.
    Guarded([&] {
        Line* top = nullptr;
        Line* lef = nullptr;
        if (BevelOuter() == PanelStyle::Sunken && BevelInner() == PanelStyle::None)
            top = linTop, lef = linLef;
        else if (BevelInner() == PanelStyle::Sunken)
            top = inTop, lef = inLef;
        if (!top) return;
        slinTop->SetX1(top->X1() + 15);
        slinTop->SetY1(top->Y1() + 15);
        slinTop->SetX2(top->X2() - 15);
        slinTop->SetY2(top->Y2() + 15);
        slinLef->SetX1(lef->X1() + 15);
        slinLef->SetY1(lef->Y1() + 15);
        slinLef->SetX2(lef->X2() + 15);
        slinLef->SetY2(lef->Y2());
    });
    // 5. The current mouse state, applied to the (possibly changed) bevel styles.
    Guarded([&] { ApplyMouseState(m_MouseState); });
    // 6. The background, only when it is no longer valid.
    DrawBackground();
    // 7. The canvas's image is the surface's picture.
    Guarded([&] {
        if (m_CanvasChanged || !m_CanvasImage) {
            m_CanvasImage = imgBackground->PersistentImage();
            m_CanvasChanged = false;
        }
        if (s.GetPicture() != m_CanvasImage) s.SetPicture(m_CanvasImage);
    });
    // 8 to 14. The caption.
    PlaceCaption();
    // 15. The bar.
    Guarded([&] { UpdatePercentageBar(); });
}

void TolvanePanel::DrawBackground() {
    Surface& s = GetSurface();
    const double W = s.Width(), H = s.Height();
    const bool inner = BevelInner() != PanelStyle::None;
    // The area painted: the whole canvas, or with an inner bevel the box inside it, whose right
    // and bottom edges lie `inset` twips inside the bevel's lines.
    auto area = [&](double inset) {
        std::array<int16_t, 4> a{0, 0, ToInt16(W), ToInt16(H)};
        if (inner)
            a = {ToInt16(inLef->X1() + 15), ToInt16(inLef->Y1() + 15), ToInt16(inRig->X2() - inset),
                 ToInt16(inRig->Y2() - inset)};
        return a;
    };
    if (!HasPicture()) {
        if (m_GradientDrawn) return;
        Guarded([&] { imgBackground->Cls(); });
        m_CanvasChanged = true;
        Guarded([&] {
            const auto [x1, y1, x2, y2] = area(30);
            // Copies: what the routines resolve the colours to does not reach the fields.
            OleColour top = m_Grad_Top, bottom = m_Grad_Bot;
            if (m_Gradient != GradientStyle::Horizontal)
                GradientLeftRight(*imgBackground, top, bottom, x1, y1, x2, y2);
            else
                GradientTopBottom(*imgBackground, top, bottom, x1, y1, x2, y2);
        });
        Guarded([&] { imgGrab->SetPicture(stolvane::Picture::Empty()); });
        m_GradientDrawn = True;
        return;
    }
    if (m_PictureLaidOut) return;
    Guarded([&] { imgBackground->Cls(); });
    m_CanvasChanged = true;
    if (m_Tile != True.Raw()) {
        // Scaled with its ratio kept to the inner box, centred on the whole control.
        Guarded([&] {
            int16_t w = ToInt16(W), h = ToInt16(H);
            if (inner) {
                w = ToInt16(inRig->X1() - inLef->X1());
                h = ToInt16(inBot->Y1() - inTop->Y1());
            }
            FitImage(*imgGrab, w, h);
        });
        Guarded([&] { CentreImage(*imgGrab, W, H); });
        Guarded([&] { imgGrab->SetStretch(true); });
        Guarded([&] { imgGrab->SetVisible(true); });
    }
    if (m_Tile == True.Raw()) {
        Guarded([&] { imgGrab->SetVisible(false); });
        Guarded([&] { imgGrab->SetStretch(false); });
        Guarded([&] {
            const auto [x1, y1, x2, y2] = area(15);
            TileImage(*imgGrab, *imgBackground, x1, y1, x2, y2);
        });
    }
    m_PictureLaidOut = True;
}

// Steps 8 to 14 of the refresh: font (as a whole), alignment, left, text, width, colour and top
// of the caption; the label redraws only what changes.
void TolvanePanel::PlaceCaption() {
    Guarded([&] {
        if (m_Font) lblCaption->SetFont(*m_Font);
    });
    Guarded([&] { lblCaption->SetAlignment(m_AlignH); });
    Guarded([&] { lblCaption->SetLeft(inLef->X1() + 30); });
    Guarded([&] { lblCaption->SetCaption(m_Caption); });
    // A border wider than half the panel leaves no room: the caption gets none rather than a
    // negative width.
    Guarded([&] { lblCaption->SetWidth(std::max(0.0, inRig->X1() - inLef->X1() - 15)); });
    Guarded([&] { lblCaption->SetForeColour(m_Font_Colour); });
    Guarded([&] {
        const double canvas = imgBackground->Height(), height = lblCaption->Height();
        double top;
        if (AlignV() == 0)
            top = 0;
        else if (AlignV() == 1)
            top = canvas - height;
        else
            top = canvas / 2 - height / 2;
        lblCaption->SetTop(top);
    });
}

void TolvanePanel::UpdatePercentageBar() {
    const double canvasW = imgBackground->Width(), canvasH = imgBackground->Height();
    shpPerc->SetHeight(canvasH + 15);
    m_Percentage = std::clamp<int16_t>(m_Percentage, 0, 100);
    if (m_Percentage == 0) {
        shpPerc->SetVisible(false);
        shpPerc->SetWidth(15);
    } else {
        shpPerc->SetVisible(true);
        shpPerc->SetWidth(m_Percentage * (canvasW / 100) + 15);
    }
}

void TolvanePanel::ApplyMouseState(int32_t state) {
    const Bevel outer{linTop, linLef, linBot, linRig}, inner{inTop, inLef, inBot, inRig};
    if (state == kStateOver) {
        if (!m_Enabled) return;
        if (m_MouseReaction == MouseReaction::Nullify) {
        } else if (m_MouseReaction == MouseReaction::Disappear) {
            ShowBevel(outer, false);
            ShowBevel(inner, false);
        } else if ((BevelOuter() == PanelStyle::Sunken && BevelInner() == PanelStyle::None) ||
                   BevelInner() == PanelStyle::Sunken) {
            slinTop->SetVisible(true);
            slinLef->SetVisible(true);
        }
        m_MouseState = kStateOver;
    } else if (state == kStateNormal) {
        slinTop->SetVisible(false);
        slinLef->SetVisible(false);
        auto colour = [](int16_t style, const Bevel& bevel) {
            const BevelColours c = BevelFor(style);
            if (style == PanelStyle::None)
                ShowBevel(bevel, false);
            else
                PaintBevel(bevel, c.topLeft, c.bottomRight);
        };
        colour(BevelInner(), inner);
        colour(BevelOuter(), outer);
        if (BevelOuter() != PanelStyle::None) ShowBevel(outer, true);
        if (BevelInner() != PanelStyle::None) ShowBevel(inner, true);
        m_MouseState = kStateNormal;
    }
}

// ---------------------------------------------------------------- mouse

void TolvanePanel::SurfaceMouseMove(MouseArgs a) {
    if (m_MouseReaction == MouseReaction::Nullify) {
        m_Captured.Release();
        return;
    }
    m_MouseInside = ToBoolean(m_Captured.Track(
        a.x, a.y, [&] { ApplyMouseState(kStateOver); }, [&] { ApplyMouseState(kStateNormal); }));
    Raise(MouseMove, a.button, a.shift, a.x, a.y);
}

// True when (x, y) of the panel lies on the shown grip's hot spot.
bool TolvanePanel::OnGrip(double x, double y) const {
    if (!shpGrip->Visible()) return false;
    const Rect r = shpGrip->Bounds();
    return x >= r.left && x < r.Right() && y >= r.top && y < r.Bottom();
}

void TolvanePanel::OnMouseDown(MouseArgs& a) {
    // While the panel holds the capture for its hover reaction every press arrives here, also
    // one on the grip: that press is the grip's, and so are the drag's moves and release.
    m_SkipClick = false;
    m_GripThroughSurface = m_Captured.Held() && OnGrip(a.x, a.y);
    if (m_GripThroughSurface) {
        GripPress();
        return;
    }
    if (m_Enabled) Raise(MouseDown, a.button, a.shift, a.x, a.y);
}

void TolvanePanel::OnMouseMove(MouseArgs& a) {
    if (m_GripThroughSurface) {
        GripMove();
        return;
    }
    SurfaceMouseMove(a);
}

void TolvanePanel::OnMouseUp(MouseArgs& a) {
    if (m_GripThroughSurface) {
        // A drag of the grip is no click on the panel.
        m_GripThroughSurface = false;
        m_SkipClick = true;
        GripRelease();
        m_Captured.Release();
        return;
    }
    if (!m_Enabled) return;
    Raise(MouseUp, a.button, a.shift, a.x, a.y);
    m_Captured.Release();
}

void TolvanePanel::OnClick() {
    if (m_SkipClick) {
        m_SkipClick = false;
        return;
    }
    Raise(Click);
}

void TolvanePanel::OnOLEDragDrop(DragData& data, int32_t& effect, MouseArgs& a) {
    Raise(OLEDragDrop, data, effect, a.button, a.shift, a.x, a.y);
}

// ---------------------------------------------------------------- the grip

void TolvanePanel::GripPress() {
    if (!m_Grip) return;
    m_GripDragging = True;
    Surface& s = GetSurface();
    Host& host = GetHost();
    m_GripOffsetX = ToInt32(s.Width() - fncMousePosition(host).x);
    m_GripOffsetY = ToInt32(s.Height() - fncMousePosition(host).y);
    m_ParentMarginX = ToInt32(host.ParentProperty(s, "Width") - s.Width());
    m_ParentMarginY = ToInt32(host.ParentProperty(s, "Height") - s.Height());
}

// The parent grows by the cursor's travel since the anchor. Sizes never go below zero: a
// cursor dragged far past the corner shrinks the parent to nothing rather than failing.
void TolvanePanel::ResizeParent() {
    Surface& s = GetSurface();
    Host& host = GetHost();
    const double w = double(m_ParentMarginX) + m_GripOffsetX + fncMousePosition(host).x;
    host.SetParentProperty(s, "Width", std::max(0.0, w));
    const double h = double(m_ParentMarginY) + m_GripOffsetY + fncMousePosition(host).y;
    host.SetParentProperty(s, "Height", std::max(0.0, h));
}

void TolvanePanel::GripMove() {
    if (!m_Grip || !m_GripDragging) return;
    try {
        Surface& s = GetSurface();
        Host& host = GetHost();
        if (m_GripSize) {
            // The bottom-right corner follows the cursor; Resize keeps the minimum size.
            s.SetWidth(std::max(0.0, double(m_GripOffsetX) + fncMousePosition(host).x));
            s.SetHeight(std::max(0.0, double(m_GripOffsetY) + fncMousePosition(host).y));
        } else {
            // The panel moves by the cursor's travel since the last move.
            const int16_t dx = ToInt16(double(m_GripOffsetX) + fncMousePosition(host).x - s.Width());
            const int16_t dy = ToInt16(double(m_GripOffsetY) + fncMousePosition(host).y - s.Height());
            s.SetLeft(s.Left() + dx);
            s.SetTop(s.Top() + dy);
            if (m_Bind_Parent) ResizeParent();
            GripPress();
        }
        if (m_Bind_Parent) ResizeParent();
    } catch (const HostError& e) {
        ShowFailure(GripFailureText(e));
    }
}

void TolvanePanel::GripRelease() {
    if (m_Grip) m_GripDragging = False;
}

}  // namespace stolvane
