#include "controls/panel/tolvanepanel.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "core/convert.h"
#include "core/mouse.h"
#include "core/routines.h"

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
           " can be obtained from:" + kBreak + kDownloadPage + kBreak;
}

}  // namespace

// ---------------------------------------------------------------- design

TolvanePanel::TolvanePanel(Surface& surface) : Control(surface) {
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
    lblCaption->onMouseMove = [this](MouseArgs& a) {
        MouseArgs b{a.button, a.shift, static_cast<float>(a.x + lblCaption->Left()),
                    static_cast<float>(a.y + lblCaption->Top())};
        SurfaceMouseMove(b);
    };
    // Drops keep the coordinates of the part they landed on.
    auto drop = [this](DragData& data, int32_t& effect, MouseArgs& a) { OnOLEDragDrop(data, effect, a); };
    lblCaption->onOLEDragDrop = drop;
    imgBackground->onOLEDragDrop = drop;

    shpGrip->onMouseDown = [this](MouseArgs&) { GripPress(); };
    shpGrip->onMouseMove = [this](MouseArgs&) { GripMove(); };
    shpGrip->onMouseUp = [this](MouseArgs&) { GripRelease(); };
}

// ---------------------------------------------------------------- properties

void TolvanePanel::SetAlignH(int16_t align) {
    m_AlignH = align;
    PropertyChanged("AlignH");
    RefreshPanel();
}

void TolvanePanel::SetAlignV(int16_t align) {
    m_AlignV = align;
    PropertyChanged("AlignV");
    RefreshPanel();
}

void TolvanePanel::SetAutoSize(Boolean autoSize) {
    m_AutoSize = autoSize;
    PropertyChanged("AutoSize");
}

void TolvanePanel::SetBackground(PictureRef picture) {
    m_Background = picture ? std::move(picture) : stolvane::Picture::Empty();
    PropertyChanged("Background");
    imgGrab->SetVisible(false);
    imgGrab->SetStretch(false);
    imgGrab->SetPicture(m_Background);
    m_GradientDrawn = False;
    m_PictureLaidOut = False;
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

void TolvanePanel::SetBevelInner(int16_t style) {
    m_GradientDrawn = False;
    m_PictureLaidOut = False;
    m_BevelInner = style;
    PropertyChanged("BevelInner");
    RefreshPanel();
}

void TolvanePanel::SetBevelOuter(int16_t style) {
    m_BevelOuter = style;
    PropertyChanged("BevelOuter");
    RefreshPanel();
}

void TolvanePanel::SetBind_Parent(Boolean bind) {
    m_Bind_Parent = bind;
    PropertyChanged("Bind_Parent");
}

void TolvanePanel::SetBorder(int16_t border) {
    m_Border = std::clamp(border, kBorderMin, kBorderMax);
    PropertyChanged("Border");
    RefreshPanel();
}

void TolvanePanel::SetCaption(const std::string& caption) {
    m_Caption = caption;
    PropertyChanged("Caption");
    RefreshPanel();
}

void TolvanePanel::SetEnabled(Boolean enabled) {
    m_Enabled = enabled;
    PropertyChanged("Enabled");
}

void TolvanePanel::SetFont(FontRef font) {
    if (!font) throw HostError(ErrorNumber::ObjectRequired, "Object required");
    m_Font = std::move(font);
    PropertyChanged("Font");
    RefreshPanel();
}

void TolvanePanel::SetFont_Colour(OleColour colour) {
    m_Font_Colour = colour;
    PropertyChanged("Font_Colour");
    RefreshPanel();
}

void TolvanePanel::SetGradient(int16_t style) {
    m_GradientDrawn = False;
    m_Gradient = style;
    PropertyChanged("Gradient");
    RefreshPanel();
}

void TolvanePanel::SetGrad_Bot(OleColour colour) {
    m_GradientDrawn = False;
    m_Grad_Bot = colour;
    PropertyChanged("Grad_Bot");
    RefreshPanel();
}

void TolvanePanel::SetGrad_Top(OleColour colour) {
    m_GradientDrawn = False;
    m_Grad_Top = colour;
    PropertyChanged("Grad_Top");
    RefreshPanel();
}

void TolvanePanel::SetGrip(Boolean grip) {
    m_Grip = grip;
    PropertyChanged("Grip");
    RefreshPanel();
}

void TolvanePanel::SetGripSize(Boolean resizes) {
    m_GripSize = resizes;
    PropertyChanged("GripSize");
    RefreshPanel();
}

void TolvanePanel::SetMouseReaction(int16_t reaction) {
    m_MouseReaction = reaction;
    PropertyChanged("MouseReaction");
    RefreshPanel();
}

void TolvanePanel::SetPercentage(int16_t percent) {
    m_Percentage = percent;
    PropertyChanged("Percentage");
    RefreshPanel();
}

void TolvanePanel::SetTile(int16_t tile) {
    m_PictureLaidOut = False;
    m_Tile = tile;
    PropertyChanged("Tile");
    RefreshPanel();
}

namespace {
const EnumInfo kPanelStyle{"PanelStyle",
                           {{"None", 0, "no bevel"}, {"Sunken", 1, "dark top and left edges"},
                            {"Elevated", 2, "light top and left edges"}},
                           "stored, and drawn as Elevated"};
const EnumInfo kGradientStyle{"GradientStyle",
                              {{"Horizontal", 0, "horizontal bands, the colour changing from top to bottom"},
                               {"Vertical", 1, "vertical bands, the colour changing from left to right"}},
                              "stored, and drawn as Vertical"};
const EnumInfo kMouseReaction{"MouseReaction",
                              {{"Nullify", 0, "nothing happens"},
                               {"Disappear", 1, "both bevels vanish while the mouse is over the panel"},
                               {"Shadow", 2, "a second dark line deepens the innermost sunken bevel"}},
                              "stored, and reacts as Shadow"};
// AlignV reads the alignment constants as top and bottom; the caption refuses any other value.
const EnumInfo kVertical{"VerticalAlignment", {{"Top", 0, "at the top"}, {"Bottom", 1, "at the bottom"},
                                               {"Middle", 2, "in the middle"}}, ""};
}  // namespace

const std::vector<PropertyInfo>& TolvanePanel::PropertyTable() {
    using P = TolvanePanel;
    static const std::vector<PropertyInfo> props = [] {
        const Value noPicture{PictureRef(stolvane::Picture::Empty())};
        const OleColour face = SysColour::ButtonFace;
        // Tile reads back as a Boolean but keeps the value it was given: only True (-1) tiles.
        PropertyInfo tile = FieldProperty("Tile", PropType::Boolean, &P::m_Tile, Default(int64_t{False}), &P::SetTile);
        tile.get = [](Control& c) -> Value { return Value{int64_t{static_cast<P&>(c).Tile()}}; };
        tile.set = [](Control& c, const Value& v) {
            static_cast<P&>(c).SetTile(static_cast<int16_t>(AsInteger(Coerce(v, PropType::Int16))));
        };
        tile.help = "Determines whether to tile the background image or centre and stretch it whilst maintaining the "
                    "original X / Y ratios.";
        tile.note = "Only True (-1) tiles; any other value stretches and centres the picture.";
        return std::vector<PropertyInfo>{
            FieldProperty("AlignH", PropType::Int16, &P::m_AlignH, Default(int64_t{Alignment::Centre}), &P::SetAlignH)
                .Enumerated(AlignmentEnum())
                .Help("Horizontal alignment of the caption."),
            FieldProperty("AlignV", PropType::Int16, &P::m_AlignV, Default(int64_t{Alignment::Centre}), &P::SetAlignV)
                .Enumerated(kVertical)
                .Help("Vertical alignment of the caption."),
            FieldProperty("AutoSize", PropType::Boolean, &P::m_AutoSize, Default(int64_t{False}), &P::SetAutoSize)
                .Note("True: a newly assigned Background sizes the panel to the picture."),
            FieldProperty("Background", PropType::Picture, &P::m_Background, Default(noPicture), &P::SetBackground)
                .Help("The image to tile or centre in the main body of the panel."),
            FieldProperty("BevelInner", PropType::Int16, &P::m_BevelInner, Default(int64_t{PanelStyle::None}),
                          &P::SetBevelInner)
                .Enumerated(kPanelStyle)
                .Help("The style of the inner bevel."),
            FieldProperty("BevelOuter", PropType::Int16, &P::m_BevelOuter, Default(int64_t{PanelStyle::Sunken}),
                          &P::SetBevelOuter)
                .Enumerated(kPanelStyle)
                .Help("The style of the outer bevel."),
            FieldProperty("Bind_Parent", PropType::Boolean, &P::m_Bind_Parent, Default(int64_t{True}),
                          &P::SetBind_Parent)
                .Note("True: a grip drag also resizes the panel's parent."),
            FieldProperty("Border", PropType::Int16, &P::m_Border, Default(int64_t{60}), &P::SetBorder)
                .Help("The width between the inner and outer bevels.")
                .Note("Twips; the setter keeps it between 15 and 360."),
            FieldProperty("Caption", PropType::String, &P::m_Caption, Default(std::string("TolvanePanel")),
                          &P::SetCaption)
                .Help("The text to display in the main body of the panel, according to the AlignH, AlignV, and Font_Colour "
                      "properties."),
            FieldProperty("Enabled", PropType::Boolean, &P::m_Enabled, Default(int64_t{True}), &P::SetEnabled)
                .Help("When set to \"False\" the panel will not disappear when to mouse passes over it.")
                .Note("False also stops the mouse-button events."),
            FieldProperty("Font", PropType::Font, &P::m_Font, AmbientFontDefault(), &P::SetFont)
                .Help("The font to be used for the caption."),
            FieldProperty("Font_Colour", PropType::Colour, &P::m_Font_Colour, Default(int64_t{0}), &P::SetFont_Colour)
                .Help("The colour of the font."),
            FieldProperty("Gradient", PropType::Int16, &P::m_Gradient, Default(int64_t{GradientStyle::Horizontal}),
                          &P::SetGradient)
                .Enumerated(kGradientStyle)
                .Note("Direction of the background gradient."),
            FieldProperty("Grad_Bot", PropType::Colour, &P::m_Grad_Bot, Default(int64_t{face}), &P::SetGrad_Bot)
                .Help("The colour to merge from as the bottom of the panel. If a background image is selected this will not "
                      "work."),
            FieldProperty("Grad_Top", PropType::Colour, &P::m_Grad_Top, Default(int64_t{face}), &P::SetGrad_Top)
                .Help("The colour to merge from as the top of the panel. If a background image is selected this will not "
                      "work."),
            FieldProperty("Grip", PropType::Boolean, &P::m_Grip, Default(int64_t{False}), &P::SetGrip)
                .Help("Displays a little \"resize\" grip on the bottom-right hand side of the panel."),
            FieldProperty("GripSize", PropType::Boolean, &P::m_GripSize, Default(int64_t{False}), &P::SetGripSize)
                .Note("True: the grip resizes the panel; False: it moves the panel."),
            FieldProperty("MouseReaction", PropType::Int16, &P::m_MouseReaction,
                          Default(int64_t{MouseReaction::Disappear}), &P::SetMouseReaction)
                .Enumerated(kMouseReaction)
                .Note("What the panel does while the mouse is over it."),
            FieldProperty("Percentage", PropType::Int16, &P::m_Percentage, Default(int64_t{0}), &P::SetPercentage)
                .Help("Enables the panel to be used as a process bar - the percentage bar will also invert the panels image / "
                      "gradient for extra clarity.")
                .Note("0 to 100; the setter clamps other values."),
            tile,
        };
    }();
    return props;
}

const std::vector<std::string>& TolvanePanel::StoreOrder() {
    static const std::vector<std::string> keys = {
        "AlignH", "AlignV",   "AutoSize", "Background", "BevelInner",    "BevelOuter", "Bind_Parent",
        "Border", "Caption",  "Enabled",  "Font",       "Font_Colour",   "Grip",       "GripSize",
        "Gradient", "Grad_Bot", "Grad_Top", "MouseReaction", "Percentage", "Tile",
    };
    return keys;
}

ClassInfo TolvanePanel::Class() {
    using P = TolvanePanel;
    ClassInfo c = DescribeClass<TolvanePanel>("TolvanePanel", kDesignWidth, kDesignHeight, true);
    c.summary = "A bevelled panel with a gradient or picture background, a caption, a percentage bar, a resize grip "
                "and a mouse reaction; it can hold other controls.";
    c.events = EventsOf<P>(&P::Click, &P::MouseDown, &P::MouseMove, &P::MouseUp, &P::OLEDragDrop);
    c.enumerations = {&AlignmentEnum(), &kVertical, &kPanelStyle, &kGradientStyle, &kMouseReaction};
    return c;
}

// ---------------------------------------------------------------- lifecycle

void TolvanePanel::InitProperties() {
    m_AlignH = Alignment::Centre;
    m_AlignV = Alignment::Centre;
    m_AutoSize = False;
    m_Background = stolvane::Picture::Empty();
    m_BevelInner = PanelStyle::None;
    m_BevelOuter = PanelStyle::Sunken;
    m_Bind_Parent = True;
    m_Border = 60;
    m_Caption = GetSurface().Name();
    m_Enabled = True;
    m_Font = GetHost().AmbientFont(GetSurface());
    m_Font_Colour = 0;
    m_Gradient = GradientStyle::Horizontal;
    m_Grad_Bot = SysColour::ButtonFace;
    m_Grad_Top = SysColour::ButtonFace;
    m_Grip = False;
    m_GripSize = False;
    m_MouseReaction = MouseReaction::Disappear;
    m_Percentage = 0;
    m_Tile = False;
    m_GradientDrawn = False;
    m_PictureLaidOut = False;
    RefreshPanel();
}

void TolvanePanel::ReadProperties(PropertyBag& bag) {
    // Straight into the fields, without the setters' clamping.
    for (const std::string& key : StoreOrder()) {
        for (const PropertyInfo& p : Properties()) {
            if (p.name != key || !p.persisted) continue;
            p.load(*this, bag.Read(key, p.storeDefault(*this)));
            break;
        }
        if (key == "Background") {
            if (!m_Background) m_Background = stolvane::Picture::Empty();
            imgGrab->SetPicture(m_Background);
        }
    }
    RefreshPanel();
}

void TolvanePanel::WriteProperties(PropertyBag& bag) {
    for (const std::string& key : StoreOrder())
        for (const PropertyInfo& p : Properties())
            if (p.name == key && p.persisted) {
                bag.Write(key, p.get(*this), p.storeDefault(*this));
                break;
            }
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
    try {
        step();
    } catch (const HostError& e) {
        ShowFailure(RefreshFailureText(GetSurface().Name(), e));
    }
}

void TolvanePanel::ShowFailure(const std::string& text) {
    try {
        Host& host = GetHost();
        host.MsgBox(text, host.AppName() + "'s TolvanePanel Message");
    } catch (const HostError&) {
    }
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
// next one runs. Child properties are assigned only when they change, so a refresh that
// changes one thing (the percentage, say) repaints only that.
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
        for (Line* l : grpLin)
            if (l->Visible() != show) l->SetVisible(show);
        for (Line* l : grpIn)
            if (l->Visible() != show) l->SetVisible(show);
        if (shpGrip->Visible() != show) shpGrip->SetVisible(show);
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
    if (!HasPicture()) {
        if (m_GradientDrawn) return;
        Guarded([&] { imgBackground->Cls(); });
        m_CanvasChanged = true;
        Guarded([&] {
            int16_t x1 = 0, y1 = 0, x2 = ToInt16(W), y2 = ToInt16(H);
            if (inner) {
                x1 = ToInt16(inLef->X1() + 15);
                y1 = ToInt16(inLef->Y1() + 15);
                x2 = ToInt16(inRig->X2() - 30);
                y2 = ToInt16(inRig->Y2() - 30);
            }
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
    if (m_Tile != True) {
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
    if (m_Tile == True) {
        Guarded([&] { imgGrab->SetVisible(false); });
        Guarded([&] { imgGrab->SetStretch(false); });
        Guarded([&] {
            int16_t x1 = 0, y1 = 0, x2 = ToInt16(W), y2 = ToInt16(H);
            if (inner) {
                x1 = ToInt16(inLef->X1() + 15);
                y1 = ToInt16(inLef->Y1() + 15);
                x2 = ToInt16(inRig->X2() - 15);
                y2 = ToInt16(inRig->Y2() - 15);
            }
            TileImage(*imgGrab, *imgBackground, x1, y1, x2, y2);
        });
    }
    m_PictureLaidOut = True;
}

// Steps 8 to 14 of the refresh: font, alignment, left, text, width, colour and top of the
// caption, each assigned only when it differs.
void TolvanePanel::PlaceCaption() {
    Guarded([&] {
        if (!m_Font) return;
        stolvane::Font f = lblCaption->GetFont();
        if (f.name != m_Font->name) f.name = m_Font->name;
        if (f.bold != m_Font->bold) f.bold = m_Font->bold;
        if (f.charset != m_Font->charset) f.charset = m_Font->charset;
        if (f.italic != m_Font->italic) f.italic = m_Font->italic;
        if (f.size != m_Font->size) f.size = m_Font->size;
        if (f.strikethrough != m_Font->strikethrough) f.strikethrough = m_Font->strikethrough;
        if (f.underline != m_Font->underline) f.underline = m_Font->underline;
        if (f.weight != m_Font->weight) f.weight = m_Font->weight;
        if (!(f == lblCaption->GetFont())) lblCaption->SetFont(f);
    });
    Guarded([&] {
        if (lblCaption->Alignment() != m_AlignH) lblCaption->SetAlignment(m_AlignH);
    });
    Guarded([&] {
        const double left = inLef->X1() + 30;
        if (lblCaption->Left() != left) lblCaption->SetLeft(left);
    });
    Guarded([&] {
        if (lblCaption->Caption() != m_Caption) lblCaption->SetCaption(m_Caption);
    });
    Guarded([&] {
        // A border wider than half the panel leaves no room: the caption gets none rather
        // than a negative width.
        const double width = std::max(0.0, inRig->X1() - inLef->X1() - 15);
        if (lblCaption->Width() != width) lblCaption->SetWidth(width);
    });
    Guarded([&] {
        if (lblCaption->ForeColour() != m_Font_Colour) lblCaption->SetForeColour(m_Font_Colour);
    });
    Guarded([&] {
        const double canvas = imgBackground->Height(), height = lblCaption->Height();
        double top;
        if (AlignV() == 0)
            top = 0;
        else if (AlignV() == 1)
            top = canvas - height;
        else
            top = canvas / 2 - height / 2;
        if (lblCaption->Top() != top) lblCaption->SetTop(top);
    });
}

void TolvanePanel::UpdatePercentageBar() {
    const double canvasW = imgBackground->Width(), canvasH = imgBackground->Height();
    if (shpPerc->Height() != canvasH + 15) shpPerc->SetHeight(canvasH + 15);
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
    Line* const outer[] = {linBot, linRig, linTop, linLef};
    Line* const innerLines[] = {inBot, inRig, inTop, inLef};
    if (state == kStateOver) {
        if (!m_Enabled) return;
        if (m_MouseReaction == MouseReaction::Nullify) {
        } else if (m_MouseReaction == MouseReaction::Disappear) {
            for (Line* l : outer) l->SetVisible(false);
            for (Line* l : innerLines) l->SetVisible(false);
        } else if ((BevelOuter() == PanelStyle::Sunken && BevelInner() == PanelStyle::None) ||
                   BevelInner() == PanelStyle::Sunken) {
            slinTop->SetVisible(true);
            slinLef->SetVisible(true);
        }
        m_MouseState = kStateOver;
    } else if (state == kStateNormal) {
        if (slinTop->Visible()) slinTop->SetVisible(false);
        if (slinLef->Visible()) slinLef->SetVisible(false);
        // Top, left, right, bottom; a colour is assigned only when it differs.
        auto colour = [](int16_t style, Line* top, Line* lef, Line* rig, Line* bot) {
            if (style == PanelStyle::None) {
                for (Line* l : {bot, rig, top, lef}) l->SetVisible(false);
                return;
            }
            const BevelColours c = BevelFor(style);
            if (top->Colour() != c.topLeft) top->SetColour(c.topLeft);
            if (lef->Colour() != c.topLeft) lef->SetColour(c.topLeft);
            if (rig->Colour() != c.bottomRight) rig->SetColour(c.bottomRight);
            if (bot->Colour() != c.bottomRight) bot->SetColour(c.bottomRight);
        };
        colour(BevelInner(), inTop, inLef, inRig, inBot);
        colour(BevelOuter(), linTop, linLef, linRig, linBot);
        if (BevelOuter() != PanelStyle::None)
            for (Line* l : outer) l->SetVisible(true);
        if (BevelInner() != PanelStyle::None)
            for (Line* l : innerLines) l->SetVisible(true);
        m_MouseState = kStateNormal;
    }
}

// ---------------------------------------------------------------- mouse

void TolvanePanel::ReleaseIfCaptured() {
    if (!m_Captured) return;
    Host& host = GetHost();
    // Only the panel's own capture: a control inside it may have taken the mouse since.
    if (host.Captured() == &GetSurface()) ReleaseMouse(host);
    m_Captured = False;
}

void TolvanePanel::SurfaceMouseMove(MouseArgs a) {
    if (m_MouseReaction == MouseReaction::Nullify) {
        ReleaseIfCaptured();
        return;
    }
    const Surface& s = GetSurface();
    m_MouseInside = ToBoolean(a.x >= 0 && a.x <= s.Width() && a.y >= 0 && a.y <= s.Height());
    if (m_MouseInside) {
        ApplyMouseState(kStateOver);
        CaptureMouse(GetSurface());
        m_Captured = True;
    } else {
        ApplyMouseState(kStateNormal);
        ReleaseIfCaptured();
    }
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
    m_GripThroughSurface = m_Captured && OnGrip(a.x, a.y);
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
        ReleaseIfCaptured();
        return;
    }
    if (!m_Enabled) return;
    Raise(MouseUp, a.button, a.shift, a.x, a.y);
    ReleaseIfCaptured();
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
