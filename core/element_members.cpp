// SPDX-License-Identifier: MIT
#include "core/element_members.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "core/element_painter.h"
#include "core/surface.h"
#include "core/text.h"
#include "core/text_box.h"

namespace stolvane {

namespace {

// Row builders: a member read and written through the element's own getter and setter.
template <class E>
ElementMember Boolean(std::string name, bool (E::*get)() const, void (E::*set)(bool), bool def) {
    ElementMember m;
    m.name = std::move(name);
    m.type = MemberType::Boolean;
    m.defaultValue = Value{int64_t{ToBoolean(def).Raw()}};
    m.get = [get](const Element& e) { return Value{int64_t{ToBoolean((static_cast<const E&>(e).*get)()).Raw()}}; };
    m.set = [set](Element& e, const Value& v) { (static_cast<E&>(e).*set)(AsInteger(v) != 0); };
    return m;
}

template <class E, class I>
ElementMember Integer(std::string name, MemberType type, I (E::*get)() const, void (E::*set)(I), int64_t def) {
    ElementMember m;
    m.name = std::move(name);
    m.type = type;
    m.defaultValue = Value{def};
    if (type == MemberType::Int16) m.lo = -32768, m.hi = 32767, m.range = "a 16-bit integer";
    else m.lo = INT32_MIN, m.hi = INT32_MAX, m.range = "a 32-bit integer";
    m.get = [get](const Element& e) { return Value{static_cast<int64_t>((static_cast<const E&>(e).*get)())}; };
    if (set) m.set = [set](Element& e, const Value& v) { (static_cast<E&>(e).*set)(static_cast<I>(AsInteger(v))); };
    return m;
}

// An integer whose setter allows only lo to hi, named in messages by `range`.
ElementMember Ranged(ElementMember m, int64_t lo, int64_t hi, const char* range) {
    m.lo = lo, m.hi = hi, m.range = range, m.overflow = false;
    return m;
}

template <class E>
ElementMember Colour(std::string name, OleColour (E::*get)() const, void (E::*set)(OleColour), OleColour def) {
    ElementMember m;
    m.name = std::move(name);
    m.type = MemberType::Colour;
    m.defaultValue = Value{int64_t{def}};
    m.get = [get](const Element& e) { return Value{static_cast<int64_t>((static_cast<const E&>(e).*get)())}; };
    m.set = [set](Element& e, const Value& v) {
        (static_cast<E&>(e).*set)(static_cast<OleColour>(static_cast<uint32_t>(AsInteger(v))));
    };
    return m;
}

template <class E>
ElementMember Twips(std::string name, MemberType type, double (E::*get)() const, void (E::*set)(double)) {
    ElementMember m;
    m.name = std::move(name);
    m.type = type;
    m.defaultValue = Value{0.0};
    m.alwaysWritten = true;
    m.get = [get](const Element& e) { return Value{(static_cast<const E&>(e).*get)()}; };
    m.set = [set](Element& e, const Value& v) { (static_cast<E&>(e).*set)(AsNumber(v)); };
    return m;
}

template <class E>
ElementMember Text(std::string name, const std::string& (E::*get)() const, void (E::*set)(std::string)) {
    ElementMember m;
    m.name = std::move(name);
    m.type = MemberType::String;
    m.defaultValue = Value{std::string()};
    m.get = [get](const Element& e) { return Value{(static_cast<const E&>(e).*get)()}; };
    m.set = [set](Element& e, const Value& v) { (static_cast<E&>(e).*set)(AsString(v)); };
    return m;
}

template <class E>
ElementMember PictureRow(std::string name, const PictureRef& (E::*get)() const, void (E::*set)(PictureRef)) {
    ElementMember m;
    m.name = std::move(name);
    m.type = MemberType::Picture;
    m.defaultValue = Value{Picture::Empty()};
    m.get = [get](const Element& e) { return Value{(static_cast<const E&>(e).*get)()}; };
    m.set = [set](Element& e, const Value& v) { (static_cast<E&>(e).*set)(AsPicture(v)); };
    return m;
}

ElementMember Aliased(ElementMember m, std::vector<std::string> aliases, std::vector<std::string> dumpAliases = {}) {
    m.aliases = std::move(aliases);
    m.dumpAliases = std::move(dumpAliases);
    return m;
}

ElementMember Always(ElementMember m) {
    m.alwaysWritten = true;
    return m;
}

ElementMember Unstored(ElementMember m) {
    m.stored = false;
    return m;
}

// ---------------------------------------------------------------- shared rows

ElementMember NameRow() {
    ElementMember m;
    m.name = "Name";
    m.type = MemberType::String;
    m.stored = false;  // the file's "name" says it, with the array index
    m.readOnly = true;
    m.get = [](const Element& e) { return Value{e.FullName()}; };
    return m;
}

// The container's edges a box element keeps its distances to, as "left,top,right".
ElementMember AnchorRow() {
    ElementMember m;
    m.name = "Anchor";
    m.type = MemberType::String;
    m.defaultValue = Value{AnchorText(AnchorEdge::Default)};
    m.get = [](const Element& e) { return Value{AnchorText(static_cast<const BoxElement&>(e).Anchor())}; };
    m.set = [](Element& e, const Value& v) { static_cast<BoxElement&>(e).SetAnchor(ParseAnchor(AsString(v))); };
    return m;
}

// The tip shown while the pointer rests on the element.
ElementMember ToolTipRow() {
    ElementMember m;
    m.name = "ToolTipText";
    m.type = MemberType::String;
    m.defaultValue = Value{std::string()};
    m.help = "The tip shown while the pointer rests on it.";
    m.get = [](const Element& e) { return Value{e.ToolTipText()}; };
    m.set = [](Element& e, const Value& v) { e.SetToolTipText(AsString(v)); };
    return m;
}

ElementMember VisibleRow() { return Boolean("Visible", &Element::Visible, &Element::SetVisible, true); }

std::vector<ElementMember> Common(bool boxed, bool mouse) {
    std::vector<ElementMember> rows{NameRow()};
    if (boxed) {
        rows.push_back(Twips("Left", MemberType::Twips, &BoxElement::Left, &BoxElement::SetLeft));
        rows.push_back(Twips("Top", MemberType::Twips, &BoxElement::Top, &BoxElement::SetTop));
        rows.push_back(Twips("Width", MemberType::Size, &BoxElement::Width, &BoxElement::SetWidth));
        rows.push_back(Twips("Height", MemberType::Size, &BoxElement::Height, &BoxElement::SetHeight));
        rows.push_back(AnchorRow());
    }
    rows.push_back(VisibleRow());
    if (mouse) {
        rows.push_back(Integer("MousePointer", MemberType::Int16, &Element::MousePointer, &Element::SetMousePointer, 0));
        rows.push_back(PictureRow("MouseIcon", &Element::MouseIcon, &Element::SetMouseIcon));
    }
    return rows;
}

// How a kind is placed and painted: E's own constructor, and the painter's method for E.
template <class E>
Element& PlaceAs(Surface& container, const std::string& name, int index) {
    return container.Add<E>(name, index);
}
template <class E, void (ElementPainter::*Method)(const E&, double, double)>
void PaintAs(ElementPainter& painter, const Element& e, double ax, double ay) {
    (painter.*Method)(static_cast<const E&>(e), ax, ay);
}

enum Traits : unsigned { kPlain = 0, kMouse = 1, kWindowed = 2 };

template <class E>
ElementKindInfo Kind(ElementKind kind, std::string className, const char* dumpName, bool boxed, unsigned traits,
                     std::vector<ElementMember> own, bool inFormFiles = true) {
    ElementKindInfo k;
    k.kind = kind;
    k.className = std::move(className);
    k.dumpName = dumpName;
    k.boxed = boxed;
    k.inFormFiles = inFormFiles;
    k.receivesMouse = (traits & kMouse) != 0;
    k.windowed = (traits & kWindowed) != 0;
    k.place = &PlaceAs<E>;
    k.members = Common(boxed, k.receivesMouse);
    for (auto& m : own) k.members.push_back(std::move(m));
    // What the pointer can rest on can carry a tip; a kind that places its own (the text box,
    // before its text) keeps that place.
    if (k.receivesMouse && std::none_of(k.members.begin(), k.members.end(),
                                        [](const ElementMember& m) { return m.name == "ToolTipText"; }))
        k.members.push_back(ToolTipRow());
    return k;
}

template <class E, void (ElementPainter::*Method)(const E&, double, double)>
ElementKindInfo Painted(ElementKindInfo k) {
    k.paint = &PaintAs<E, Method>;
    return k;
}

// ---------------------------------------------------------------- the kinds

// The text box: its settings before its text, so that MaxLength and MultiLine apply to the text
// a file holds; the selection is not stored.
ElementKindInfo TextBoxKind() {
    ElementMember text;
    text.name = "Text";
    text.type = MemberType::String;
    text.defaultValue = Value{std::string()};
    text.get = [](const Element& e) { return Value{static_cast<const TextBox&>(e).Text()}; };
    text.set = [](Element& e, const Value& v) { static_cast<TextBox&>(e).SetText(AsString(v)); };
    ElementMember password = text;
    password.name = "PasswordChar";
    password.get = [](const Element& e) { return Value{static_cast<const TextBox&>(e).PasswordChar()}; };
    password.set = [](Element& e, const Value& v) { static_cast<TextBox&>(e).SetPasswordChar(AsString(v)); };
    ElementMember selText = text;
    selText.name = "SelText";
    selText.stored = false;
    selText.get = [](const Element& e) { return Value{static_cast<const TextBox&>(e).SelText()}; };
    selText.set = [](Element& e, const Value& v) { static_cast<TextBox&>(e).SetSelText(AsString(v)); };
    ElementMember font;
    font.name = "Font";
    font.type = MemberType::Font;  // default: the form's font
    font.get = [](const Element& e) { return Value{std::make_shared<Font>(static_cast<const TextBox&>(e).GetFont())}; };
    font.set = [](Element& e, const Value& v) {
        FontRef f = AsFont(v);
        static_cast<TextBox&>(e).SetFont(f ? *f : Font{});
    };
    ElementMember tip = text;
    tip.name = "ToolTipText";
    tip.get = [](const Element& e) { return Value{e.ToolTipText()}; };
    tip.set = [](Element& e, const Value& v) { e.SetToolTipText(AsString(v)); };
    auto help = [](ElementMember m, const char* text) {
        m.help = text;
        return m;
    };
    ElementKindInfo k = Painted<TextBox, &ElementPainter::PaintTextBox>(Kind<TextBox>(
        ElementKind::TextBox, "TextBox", "textbox", true, kMouse | kWindowed,
        {
            help(Ranged(Integer("MaxLength", MemberType::Int32, &TextBox::MaxLength, &TextBox::SetMaxLength, 0), 0,
                        INT32_MAX, "a length (0 for no limit)"),
                 "The most characters the text may hold; 0 for no limit. Text that would pass it is cut."),
            help(password, "Shown for each character of a hidden text; empty shows the text. Hidden text is never "
                           "copied. A multi-line box shows its text."),
            help(Boolean("Locked", &TextBox::Locked, &TextBox::SetLocked, false),
                 "Read only for the user, who can still select and copy; code may still set the text."),
            help(Boolean("MultiLine", &TextBox::MultiLine, &TextBox::SetMultiLine, false),
                 "Several lines, wrapped at word boundaries (unless a horizontal scroll bar shows); Enter inserts a "
                 "line break. A single-line box leaves Enter to the form's default button."),
            help(Ranged(Integer("ScrollBars", MemberType::Int16, &TextBox::ScrollBars, &TextBox::SetScrollBars, 0), 0,
                        3, "scroll bars (0 none, 1 horizontal, 2 vertical, 3 both)"),
                 "0 none, 1 horizontal, 2 vertical, 3 both; shown on a multi-line box only."),
            help(Ranged(Integer("Alignment", MemberType::Int16, &TextBox::Alignment, &TextBox::SetAlignment, 0), 0, 2,
                        "an alignment (0 left, 1 right, 2 centre)"),
                 "0 left, 1 right, 2 centre."),
            help(Ranged(Integer("Appearance", MemberType::Int16, &TextBox::Appearance, &TextBox::SetAppearance, 1), 0,
                        1, "an appearance (0 flat, 1 3-D)"),
                 "1 a sunken two-pixel 3-D border, 0 a flat one-pixel frame."),
            help(Aliased(Colour("ForeColour", &TextBox::ForeColour, &TextBox::SetForeColour, SysColour::WindowText),
                         {"ForeColor"}),
                 "The text's colour (grey text while disabled)."),
            help(Aliased(Colour("BackColour", &TextBox::BackColour, &TextBox::SetBackColour, SysColour::Window),
                         {"BackColor"}),
                 "The field's colour."),
            help(Boolean("Enabled", &TextBox::Enabled, &TextBox::SetEnabled, true),
                 "A disabled box shows its text greyed and takes no input or focus."),
            help(Boolean("TabStop", &TextBox::TabStop, &TextBox::SetTabStop, true), "Tab stops at the box."),
            help(font, "The text's font."),
            help(tip, "The tip shown while the pointer rests on the box."),
            help(text, "The text, UTF-8; line breaks are \"\\n\". Setting it raises Change when it differs."),
            help(Unstored(Integer("SelStart", MemberType::Int32, &TextBox::SelStart, &TextBox::SetSelStart, 0)),
                 "Where the selection starts, in characters; setting it empties the selection."),
            help(Unstored(Integer("SelLength", MemberType::Int32, &TextBox::SelLength, &TextBox::SetSelLength, 0)),
                 "How many characters are selected."),
            help(selText, "The selected text; setting it replaces the selection (raising Change)."),
        }));
    k.events = [] { return TextBox("specimen").Events(); };
    k.summary = "A field the user types into: one line or several, with selection, clipboard, undo and input methods.";
    return k;
}

// What assistive technologies are told of each kind. Lines, shapes and timers are not exposed;
// an image or a picture box without a tip is named by its element's name.
void DeclareAccessibility(std::vector<ElementKindInfo>& kinds) {
    auto at = [&](ElementKind k) -> AccessibleKind& { return kinds[static_cast<size_t>(k)].accessible; };
    auto click = AccessibleAction{"click", AccessibleActionKind::MouseClick, "Clicks it, as the mouse does"};

    AccessibleKind& label = at(ElementKind::Label);
    label.role = AccessibleRole::Label;
    label.name = [](const Element& e) { return static_cast<const Label&>(e).Caption(); };
    label.enabled = [](const Element& e) { return static_cast<const Label&>(e).Enabled(); };
    label.text = [](const Element& e) -> std::optional<std::string> { return static_cast<const Label&>(e).Caption(); };

    at(ElementKind::Image).role = AccessibleRole::Image;
    at(ElementKind::PictureBox).role = AccessibleRole::Canvas;

    AccessibleKind& button = at(ElementKind::PictureButton);
    button.role = AccessibleRole::PushButton;
    button.enabled = [](const Element& e) { return static_cast<const PictureButton&>(e).Enabled(); };
    button.actions = {click};

    AccessibleKind& item = at(ElementKind::MenuItem);
    item.role = AccessibleRole::MenuItem;
    item.name = [](const Element& e) { return static_cast<const MenuItem&>(e).Caption(); };
    item.enabled = [](const Element& e) { return static_cast<const MenuItem&>(e).Enabled(); };

    AccessibleKind& list = at(ElementKind::ListBox);
    list.role = AccessibleRole::List;
    list.focusable = [](const Element& e) { return static_cast<const ListBox&>(e).TabStop(); };

    AccessibleKind& text = at(ElementKind::TextBox);
    text.role = AccessibleRole::Text;
    text.enabled = [](const Element& e) { return static_cast<const TextBox&>(e).Enabled(); };
    text.focusable = [](const Element& e) {
        auto& box = static_cast<const TextBox&>(e);
        return box.TabStop() && box.Enabled();
    };
    // A hidden text reads as its mask, one character for each of the text's, as it shows.
    text.text = [](const Element& e) -> std::optional<std::string> {
        auto& box = static_cast<const TextBox&>(e);
        std::string mask = box.PasswordChar();
        if (mask.empty() || box.MultiLine()) return box.Text();
        std::string shown;
        const std::string t = box.Text();
        for (size_t i = 0; i < t.size(); ++i)
            if ((static_cast<unsigned char>(t[i]) & 0xC0) != 0x80) shown += mask;
        return shown;
    };
    text.editable = [](const Element& e) {
        auto& box = static_cast<const TextBox&>(e);
        return box.Enabled() && !box.Locked();
    };
    text.multiLine = [](const Element& e) { return static_cast<const TextBox&>(e).MultiLine(); };
}

std::vector<ElementKindInfo> Build() {
    std::vector<ElementKindInfo> kinds;

    kinds.push_back(Painted<Line, &ElementPainter::PaintLine>(Kind<Line>(ElementKind::Line, "Line", "line", false, kPlain,
                         {
                             Twips("X1", MemberType::Twips, &Line::X1, &Line::SetX1),
                             Twips("Y1", MemberType::Twips, &Line::Y1, &Line::SetY1),
                             Twips("X2", MemberType::Twips, &Line::X2, &Line::SetX2),
                             Twips("Y2", MemberType::Twips, &Line::Y2, &Line::SetY2),
                             Aliased(Colour("Colour", &Line::Colour, &Line::SetColour, SysColour::ButtonText),
                                     {"BorderColour", "BorderColor"}),
                             Aliased(Ranged(Integer("BorderWidth", MemberType::Int16, &Line::BorderWidth,
                                                    &Line::SetBorderWidth, 1),
                                            1, 32767, "a width in pixels (1 to 32767)"),
                                     {}, {"width"}),
                         })));

    ElementMember font;
    font.name = "Font";
    font.type = MemberType::Font;  // default: the form's font
    font.get = [](const Element& e) { return Value{std::make_shared<Font>(static_cast<const Label&>(e).GetFont())}; };
    font.set = [](Element& e, const Value& v) {
        FontRef f = AsFont(v);
        static_cast<Label&>(e).SetFont(f ? *f : Font{});
    };
    kinds.push_back(Painted<Label, &ElementPainter::PaintLabel>(Kind<Label>(
        ElementKind::Label, "Label", "label", true, kMouse,
        {
            Always(Text("Caption", &Label::Caption, &Label::SetCaption)),
            Ranged(Integer("Alignment", MemberType::Int16, &Label::Alignment, &Label::SetAlignment, 0), 0, 2,
                   "an alignment (0 left, 1 right, 2 centre)"),
            Aliased(Colour("ForeColour", &Label::ForeColour, &Label::SetForeColour, SysColour::ButtonText),
                    {"Colour", "ForeColor"}, {"colour"}),
            Aliased(Colour("BackColour", &Label::BackColour, &Label::SetBackColour, SysColour::ButtonFace),
                    {"BackColor"}),
            Boolean("Transparent", &Label::Transparent, &Label::SetTransparent, false),
            Boolean("WordWrap", &Label::WordWrap, &Label::SetWordWrap, false),
            Boolean("Enabled", &Label::Enabled, &Label::SetEnabled, true),
            font,
            // Last: it fits the label to everything set before it.
            Boolean("AutoSize", &Label::AutoSize, &Label::SetAutoSize, false),
        })));

    kinds.push_back(Painted<Image, &ElementPainter::PaintImage>(Kind<Image>(ElementKind::Image, "Image", "image", true, kMouse,
                         {
                             // Before the picture: an image that does not stretch takes its picture's size.
                             Boolean("Stretch", &Image::Stretch, &Image::SetStretch, false),
                             PictureRow("Picture", &Image::GetPicture, &Image::SetPicture),
                         })));

    kinds.push_back(Painted<PictureBox, &ElementPainter::PaintPictureBox>(Kind<PictureBox>(ElementKind::PictureBox, "PictureBox", "picturebox", true, kMouse | kWindowed,
                         {
                             PictureRow("Picture", &PictureBox::GetPicture, &PictureBox::SetPicture),
                             Aliased(Colour("BackColour", &PictureBox::BackColour, &PictureBox::SetBackColour,
                                            SysColour::ButtonFace),
                                     {"BackColor"}),
                             Boolean("Border", &PictureBox::Border, &PictureBox::SetBorder, false),
                             Boolean("AutoRedraw", &PictureBox::AutoRedraw, &PictureBox::SetAutoRedraw, false),
                         })));

    kinds.push_back(Painted<Shape, &ElementPainter::PaintShape>(Kind<Shape>(
        ElementKind::Shape, "Shape", "shape", true, kPlain,
        {
            Boolean("Filled", &Shape::Filled, &Shape::SetFilled, false),
            Aliased(Colour("FillColour", &Shape::FillColour, &Shape::SetFillColour, 0), {"FillColor"}),
            Boolean("Outline", &Shape::Outline, &Shape::SetOutline, true),
            Aliased(Colour("BorderColour", &Shape::BorderColour, &Shape::SetBorderColour, 0), {"BorderColor"}),
            Ranged(Integer("DrawMode", MemberType::Int16, &Shape::GetDrawMode, &Shape::SetDrawMode, Shape::CopyPen),
                   1, 16, "a draw mode (1 to 16)"),
        })));

    kinds.push_back(Painted<PictureButton, &ElementPainter::PaintPictureButton>(Kind<PictureButton>(ElementKind::PictureButton, "PictureButton", "picturebutton", true, kMouse | kWindowed,
                         {
                             Boolean("Enabled", &PictureButton::Enabled, &PictureButton::SetEnabled, true),
                             PictureRow("Picture", &PictureButton::GetPicture, &PictureButton::SetPicture),
                             PictureRow("DisabledPicture", &PictureButton::DisabledPicture,
                                        &PictureButton::SetDisabledPicture),
                         })));

    // Menu items belong to a control's design; form files do not hold them.
    kinds.push_back((Kind<MenuItem>(ElementKind::MenuItem, "MenuItem", "menuitem", false, kPlain,
                         {
                             Unstored(Text("Caption", &MenuItem::Caption, &MenuItem::SetCaption)),
                             Unstored(Boolean("Enabled", &MenuItem::Enabled, &MenuItem::SetEnabled, true)),
                         },
                         false)));

    ElementMember items;
    items.name = "Items";
    items.type = MemberType::Items;
    items.getItems = [](const Element& e) { return static_cast<const ListBox&>(e).Items(); };
    items.setItems = [](Element& e, const std::vector<ListBox::Item>& rows) {
        auto& l = static_cast<ListBox&>(e);
        l.Clear();
        for (size_t i = 0; i < rows.size(); ++i) {
            l.AddItem(rows[i].text);
            l.SetItemData(static_cast<int>(i), rows[i].data);
            l.SetSelected(static_cast<int>(i), rows[i].checked);
            l.SetHeading(static_cast<int>(i), rows[i].heading);
            l.SetCollapsed(static_cast<int>(i), rows[i].collapsed);
        }
    };
    ElementMember count = Unstored(Integer("ListCount", MemberType::Int32, &ListBox::ListCount,
                                           static_cast<void (ListBox::*)(int)>(nullptr), 0));
    count.readOnly = true;
    ElementMember listTabStop = Boolean("TabStop", &ListBox::TabStop, &ListBox::SetTabStop, true);
    listTabStop.help = "Tab stops at the list.";
    kinds.push_back(Painted<ListBox, &ElementPainter::PaintListBox>(Kind<ListBox>(ElementKind::ListBox, "ListBox", "listbox", true, kMouse | kWindowed,
                         {
                             items,
                             count,
                             Unstored(Integer("ListIndex", MemberType::Int32, &ListBox::ListIndex,
                                              &ListBox::SetListIndex, -1)),
                             listTabStop,
                         })));

    // The interval is applied before Enabled: either order arms the timer the same way, and this
    // is the order files have always been written in.
    kinds.push_back((Kind<Timer>(ElementKind::Timer, "Timer", "timer", false, kPlain,
                         {
                             Always(Ranged(Integer("Interval", MemberType::Int32, &Timer::Interval,
                                                   &Timer::SetInterval, 0),
                                           0, 65535, "an interval (0 to 65535 ms)")),
                             Boolean("Enabled", &Timer::Enabled, &Timer::SetEnabled, true),
                         })));

    kinds.push_back(TextBoxKind());
    DeclareAccessibility(kinds);
    return kinds;
}

}  // namespace

// The element side of the descriptors.
const char* KindName(ElementKind kind) { return KindInfo(kind).dumpName; }
const ElementKindInfo& Element::Descriptor() const { return KindInfo(Kind()); }
bool Element::ReceivesMouse() const { return Descriptor().receivesMouse; }
bool Element::Windowed() const { return Descriptor().windowed; }

std::string MemberInfo::KeyOf(const std::string& name) {
    std::string key = name;
    // "X1" stays "x1"; "ForeColour" becomes "foreColour".
    if (!key.empty()) key[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(key[0])));
    return key;
}

bool MemberInfo::Answers(const std::string& n) const {
    std::string l = ToLower(n);
    if (l == ToLower(name)) return true;
    for (auto& a : aliases)
        if (l == ToLower(a)) return true;
    return false;
}

const ElementMember* ElementKindInfo::Find(const std::string& n) const {
    for (auto& m : members)
        if (m.Answers(n)) return &m;
    return nullptr;
}

const std::vector<ElementKindInfo>& ElementKinds() {
    static const std::vector<ElementKindInfo> kinds = [] {
        std::vector<ElementKindInfo> built = Build();
        // KindInfo finds a kind by its place in the list.
        for (size_t i = 0; i < built.size(); ++i)
            if (static_cast<size_t>(built[i].kind) != i) throw std::logic_error("element kinds out of order");
        return built;
    }();
    return kinds;
}

const ElementKindInfo& KindInfo(ElementKind kind) {
    const auto& kinds = ElementKinds();
    auto i = static_cast<size_t>(kind);
    if (i < kinds.size()) return kinds[i];
    // An embedded control: its members are its class's, and the runtime places it by class.
    static const ElementKindInfo control = [] {
        ElementKindInfo k;
        k.kind = ElementKind::Control;
        k.className = "Control";
        k.dumpName = "control";
        k.inFormFiles = false;
        k.receivesMouse = k.windowed = true;
        k.paint = &PaintAs<ControlElement, &ElementPainter::PaintControl>;
        return k;
    }();
    return control;
}

const ElementKindInfo* FindElementKind(const std::string& className) {
    // In any case, compared letter by letter: a form file asks once for every control it holds.
    auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
    for (auto& k : ElementKinds())
        if (k.className.size() == className.size() &&
            std::equal(className.begin(), className.end(), k.className.begin(),
                       [&](char a, char b) { return lower(a) == lower(b); }))
            return &k;
    return nullptr;
}

}  // namespace stolvane
