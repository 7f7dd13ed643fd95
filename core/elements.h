// SPDX-License-Identifier: MIT
// The child elements a control's design places on its surface (and that forms may hold):
// plain retained state with validating setters. The runtime owns them, draws them and routes
// input to them; a control only sets their state and listens to their notifications.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <stolvane/core/anchor.h>
#include <stolvane/core/event.h>
#include <stolvane/core/font.h>
#include <stolvane/core/picture.h>
#include <stolvane/core/types.h>
#include <stolvane/core/units.h>

namespace stolvane {

class Host;
class Surface;
class Control;

struct Rect {
    double left = 0, top = 0, width = 0, height = 0;
    double Right() const { return left + width; }
    double Bottom() const { return top + height; }
    bool operator==(const Rect& o) const {
        return left == o.left && top == o.top && width == o.width && height == o.height;
    }
    bool operator!=(const Rect& o) const { return !(*this == o); }
};

struct MouseArgs {
    int16_t button = 0;
    int16_t shift = 0;
    float x = 0;
    float y = 0;
};

// Intrinsic kinds in the order of their descriptors; embedded controls last.
enum class ElementKind { Line, Label, Image, PictureBox, Shape, PictureButton, MenuItem, ListBox, Timer, TextBox, Control };
// "picturebox": the kind's name in dumps, from its descriptor.
const char* KindName(ElementKind kind);
struct ElementKindInfo;

// A notification an element delivers, set by whoever handles it. Empty until a handler is set,
// which is then kept on the heap: most elements of a large form never get one, and carry a
// pointer for each notification instead of a whole function object. Set, test and call it as a
// std::function.
template <class Signature>
class Notification;
template <class R, class... A>
class Notification<R(A...)> {
public:
    using Function = std::function<R(A...)>;
    Notification() = default;
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    template <class F>
    Notification& operator=(F&& handler) {
        Function f(std::forward<F>(handler));
        if (!f) m_function.reset();
        else if (m_function) *m_function = std::move(f);
        else m_function = std::make_unique<Function>(std::move(f));
        return *this;
    }
    Notification& operator=(std::nullptr_t) {
        m_function.reset();
        return *this;
    }
    explicit operator bool() const { return m_function != nullptr; }
    R operator()(A... args) const { return (*m_function)(std::forward<A>(args)...); }

private:
    std::unique_ptr<Function> m_function;
};

// Receives every change of an element so the runtime can repaint what changed, and answers
// what elements ask of whoever hosts them (the runtime, through the Host interface).
class ElementObserver {
public:
    virtual ~ElementObserver() = default;
    // oldBounds is where the element was drawn before the change (in its surface's twips).
    virtual void ElementChanged(class Element& element, const Rect& oldBounds) = 0;
    // A system colour resolved through the theme; a direct colour is itself.
    virtual OleColour ResolveColour(OleColour colour) = 0;
    // The size in twips of the text in the font, wrapped at wrapWidth when it is positive.
    virtual Rect MeasureText(const Font& font, const std::string& text, double wrapWidth) = 0;
    // An event an element raises (a text box's Change), reported by name with its arguments.
    virtual void ElementEvent(class Element& /*element*/, const std::string& /*name*/, EventArgs& /*args*/) {}
};

class Element {
public:
    Element(ElementKind kind, std::string name, int index) : m_kind(kind), m_name(std::move(name)), m_index(index) {}
    virtual ~Element() = default;
    Element(const Element&) = delete;
    Element& operator=(const Element&) = delete;

    ElementKind Kind() const { return m_kind; }
    // The kind's descriptor (core/element_members.h): members, placing, mouse, painter.
    const ElementKindInfo& Descriptor() const;
    const std::string& Name() const { return m_name; }
    int Index() const { return m_index; }  // -1 when the element is not part of an array
    std::string FullName() const;          // "grpLin(3)" for arrays, else the name

    virtual bool Visible() const { return m_visible; }
    virtual void SetVisible(bool v);
    virtual Rect Bounds() const { return {}; }
    // Elements that take mouse input: labels, images, picture boxes, picture buttons, list
    // boxes and embedded controls; lines and shapes do not. From the kind's descriptor.
    bool ReceivesMouse() const;
    // Windowed elements (picture boxes, picture buttons, list boxes, embedded controls) lie
    // above the lightweight ones whatever their order: they are drawn after them and hit first.
    bool Windowed() const;

    // Mouse input the runtime routes here, coordinates relative to the element: the kind's own
    // reaction first (a picture button shows pressed, a list box selects the row under the
    // pointer), then the notification its control listens to. An element that takes no input
    // at the moment (a disabled picture button) gets neither.
    virtual bool TakesInput() const { return true; }
    void MouseDown(MouseArgs& args);
    void MouseMove(MouseArgs& args);
    void MouseUp(MouseArgs& args);
    void Click(const MouseArgs& args);
    void DblClick();

    // The parts of the element (relative to it) that the change being reported covers, when
    // they are less than the whole (none, or only empty ones: nothing shows differently); taken
    // once by the runtime.
    virtual std::optional<std::vector<Rect>> TakeDamage() { return std::nullopt; }

    int16_t MousePointer() const { return m_mousePointer; }
    void SetMousePointer(int16_t v);
    const PictureRef& MouseIcon() const { return m_mouseIcon; }
    void SetMouseIcon(PictureRef p);
    // The tip shown while the pointer rests on the element; empty for none.
    const std::string& ToolTipText() const;
    void SetToolTipText(std::string t);

    // Notifications the runtime delivers; the owning control sets the ones it handles.
    Notification<void(MouseArgs&)> onMouseDown, onMouseMove, onMouseUp;
    Notification<void()> onClick, onDblClick;
    Notification<void(DragData&, int32_t& effect, MouseArgs&)> onOLEDragDrop;
    // Presses, moves and releases for which no handler is set go to the control of the surface
    // the element is on, in the control's coordinates (core/mouse.h: ForwardMouse).
    void SetForwardsMouse(bool f) { m_forwardsMouse = f; }

    // Wiring done by the runtime when it creates the element.
    void Attach(Surface* owner, ElementObserver* observer) { m_owner = owner; m_observer = observer; }
    Surface* Owner() const { return m_owner; }
    // Placed by the form's author (a form file, a script, code), not part of a control's own
    // design: such an element inside a container control is saved with the form.
    bool Authored() const { return m_authored; }
    void SetAuthored(bool a) { m_authored = a; }

protected:
    // The kind's own reactions to the mouse, relative to the element.
    virtual void ReactToDown(const MouseArgs& /*args*/) {}
    virtual void ReactToUp(const MouseArgs& /*args*/) {}
    virtual void ReactToClick(const MouseArgs& /*args*/) {}

    // Sets a field of the element's state and reports the change with the area drawn before;
    // false (and nothing reported) when it already held the value.
    template <class T, class V>
    bool Assign(T& field, V&& value) {
        if (field == value) return false;
        Rect old = Bounds();
        field = std::forward<V>(value);
        Changed(old);
        return true;
    }
    // Whoever hosts the element; null until it is placed on a surface.
    ElementObserver* Observer() const { return m_observer; }
    // Every setter calls this after changing state; bounds is the area drawn before.
    void Changed(const Rect& oldBounds) { if (m_observer) m_observer->ElementChanged(*this, oldBounds); }
    void Changed() { Changed(Bounds()); }

private:
    ElementKind m_kind;
    std::string m_name;
    int m_index;
    bool m_visible = true;
    bool m_authored = false;
    bool m_forwardsMouse = false;
    int16_t m_mousePointer = 0;
    PictureRef m_mouseIcon;
    std::unique_ptr<std::string> m_toolTipText;  // made when a tip is set: few elements have one
    Surface* m_owner = nullptr;
    ElementObserver* m_observer = nullptr;
};

// An element with a rectangle of its own. Negative sizes are refused (380).
class BoxElement : public Element {
public:
    using Element::Element;
    double Left() const { return m_rect.left; }
    double Top() const { return m_rect.top; }
    double Width() const { return m_rect.width; }
    double Height() const { return m_rect.height; }
    virtual void SetLeft(double v);
    virtual void SetTop(double v);
    virtual void SetWidth(double v);
    virtual void SetHeight(double v);
    void Move(double left, double top, double width, double height);
    Rect Bounds() const override { return m_rect; }
    // The container's edges this element keeps its distances to (core/anchor.h).
    uint8_t Anchor() const { return m_anchoring.Edges(); }
    void SetAnchor(uint8_t edges) { m_anchoring.SetEdges(edges); }
    Anchoring& GetAnchoring() { return m_anchoring; }

protected:
    Rect m_rect;
    Anchoring m_anchoring;
};

class Line : public Element {
public:
    Line(std::string name, int index = -1) : Element(ElementKind::Line, std::move(name), index) {}
    double X1() const { return m_x1; }
    double Y1() const { return m_y1; }
    double X2() const { return m_x2; }
    double Y2() const { return m_y2; }
    void SetX1(double v);
    void SetY1(double v);
    void SetX2(double v);
    void SetY2(double v);
    void SetEnds(double x1, double y1, double x2, double y2);
    OleColour Colour() const { return m_colour; }
    void SetColour(OleColour c);
    int16_t BorderWidth() const { return m_width; }  // pixels, at least 1
    void SetBorderWidth(int16_t px);
    Rect Bounds() const override;

private:
    double m_x1 = 0, m_y1 = 0, m_x2 = 0, m_y2 = 0;
    OleColour m_colour = SysColour::ButtonText;
    int16_t m_width = 1;
};

class Label : public BoxElement {
public:
    Label(std::string name, int index = -1) : BoxElement(ElementKind::Label, std::move(name), index) {}
    const std::string& Caption() const { return m_caption; }
    void SetCaption(std::string s);
    int16_t Alignment() const { return m_alignment; }
    void SetAlignment(int16_t a);  // 0 left, 1 right, 2 centre; anything else is refused (380)
    OleColour ForeColour() const { return m_fore; }
    void SetForeColour(OleColour c);
    OleColour BackColour() const { return m_back; }
    void SetBackColour(OleColour c);
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool t);
    bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool a);
    bool WordWrap() const { return m_wordWrap; }
    void SetWordWrap(bool w);
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool e);  // a disabled label draws its text greyed
    const Font& GetFont() const { return m_font; }
    void SetFont(const Font& f);

    void SetWidth(double v) override;

private:
    void Fit();
    std::string m_caption;
    int16_t m_alignment = 0;
    OleColour m_fore = SysColour::ButtonText;
    OleColour m_back = SysColour::ButtonFace;
    bool m_transparent = false;
    bool m_autoSize = false;
    bool m_wordWrap = false;
    bool m_enabled = true;
    Font m_font;
};

// An image element shows a picture; unless it stretches, it takes the picture's size.
class Image : public BoxElement {
public:
    Image(std::string name, int index = -1) : BoxElement(ElementKind::Image, std::move(name), index) {}
    const PictureRef& GetPicture() const { return m_picture; }
    void SetPicture(PictureRef p);
    bool Stretch() const { return m_stretch; }
    void SetStretch(bool s);

private:
    PictureRef m_picture = Picture::Empty();
    bool m_stretch = false;
};

// A picture box: back colour, picture, and a persistent drawing of its own.
class PictureBox : public BoxElement {
public:
    PictureBox(std::string name, int index = -1) : BoxElement(ElementKind::PictureBox, std::move(name), index) {}
    const PictureRef& GetPicture() const { return m_picture; }
    void SetPicture(PictureRef p);
    // Shows a picture that differs from the one shown only inside these rectangles (the box's
    // twips), so that only they are repainted: an outline drawn over a picture and moved.
    void ReplacePicture(PictureRef p, std::vector<Rect> changed);
    std::optional<std::vector<Rect>> TakeDamage() override;
    OleColour BackColour() const { return m_back; }
    void SetBackColour(OleColour c);
    bool AutoRedraw() const { return m_autoRedraw; }
    void SetAutoRedraw(bool a);
    bool Border() const { return m_border; }
    void SetBorder(bool b);

    // Drawing operations in the box's own twips; colours may be system colours.
    void PSet(double x, double y, OleColour c);
    OleColour Point(double x, double y) const;  // always RGB
    void FillRect(double x1, double y1, double x2, double y2, OleColour c);
    void PaintPicture(const PictureRef& p, double x, double y, double w, double h);
    void Cls();  // clears the drawing; the back colour shows again
    // The persistent image: what the box shows (back colour, picture, drawing) as a picture.
    PictureRef PersistentImage() const;
    const Drawing& GetDrawing() const { return m_drawing; }

private:
    uint32_t Resolve(OleColour c) const;
    PictureRef m_picture = Picture::Empty();
    OleColour m_back = SysColour::ButtonFace;
    bool m_autoRedraw = false;
    bool m_border = false;
    Drawing m_drawing;
    std::optional<std::vector<Rect>> m_damage;
};

class Shape : public BoxElement {
public:
    enum DrawMode : int16_t { CopyPen = 13, Invert = 6 };
    Shape(std::string name, int index = -1) : BoxElement(ElementKind::Shape, std::move(name), index) {}
    bool Filled() const { return m_filled; }
    void SetFilled(bool f);
    OleColour FillColour() const { return m_fill; }
    void SetFillColour(OleColour c);
    bool Outline() const { return m_outline; }
    void SetOutline(bool o);
    OleColour BorderColour() const { return m_border; }
    void SetBorderColour(OleColour c);
    int16_t GetDrawMode() const { return m_drawMode; }
    void SetDrawMode(int16_t m);  // Invert inverts every pixel beneath the shape

private:
    bool m_filled = false;
    OleColour m_fill = 0;
    bool m_outline = true;
    OleColour m_border = 0;
    int16_t m_drawMode = CopyPen;
};

class PictureButton : public BoxElement {
public:
    PictureButton(std::string name, int index = -1) : BoxElement(ElementKind::PictureButton, std::move(name), index) {}
    bool TakesInput() const override { return m_enabled; }
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool e);
    const PictureRef& GetPicture() const { return m_picture; }
    void SetPicture(PictureRef p);
    const PictureRef& DisabledPicture() const { return m_disabled; }
    void SetDisabledPicture(PictureRef p);
    // Pressed look while the mouse button is held down on it.
    bool Pressed() const { return m_pressed; }
    void SetPressed(bool p);

protected:
    void ReactToDown(const MouseArgs&) override { SetPressed(true); }
    void ReactToUp(const MouseArgs&) override { SetPressed(false); }

private:
    bool m_enabled = true, m_pressed = false;
    PictureRef m_picture = Picture::Empty();
    PictureRef m_disabled = Picture::Empty();
};

class MenuItem : public Element {
public:
    MenuItem(std::string name, int index = -1) : Element(ElementKind::MenuItem, std::move(name), index) {}
    const std::string& Caption() const { return m_caption; }
    void SetCaption(std::string c);
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool e);
    // Items of a menu root, in order.
    std::vector<MenuItem*>& Items() { return m_items; }
    const std::vector<MenuItem*>& Items() const { return m_items; }

private:
    std::string m_caption;
    bool m_enabled = true;
    std::vector<MenuItem*> m_items;
};

class ListBox : public BoxElement {
public:
    struct Item {
        std::string text;
        int32_t data = 0;
        bool checked = false;
        // A heading over the rows that follow it: drawn bold on a band of the button face
        // with a box showing - (expanded) or + (collapsed); it has no check box. The list only
        // draws the state: what a collapsed heading hides is the owner's to leave out.
        bool heading = false;
        bool collapsed = false;
    };
    ListBox(std::string name, int index = -1) : BoxElement(ElementKind::ListBox, std::move(name), index) {}
    int ListCount() const { return static_cast<int>(m_items.size()); }
    void AddItem(std::string text);
    void RemoveItem(int index);
    void Clear();
    const std::string& List(int index) const;
    void SetList(int index, std::string text);
    int32_t ItemData(int index) const;
    void SetItemData(int index, int32_t data);
    bool Selected(int index) const;  // ticked
    void SetSelected(int index, bool ticked);
    bool Heading(int index) const;
    void SetHeading(int index, bool heading);
    bool Collapsed(int index) const;
    void SetCollapsed(int index, bool collapsed);
    const std::vector<Item>& Items() const { return m_items; }
    int ListIndex() const { return m_listIndex; }
    // Making a row current scrolls the list so that it shows whole.
    void SetListIndex(int index);
    // The first row shown: a list with more rows than fit scrolls (0 until it does).
    int TopIndex() const { return m_topIndex; }
    void SetTopIndex(int index);
    // The box is a tab stop unless told otherwise; while it has the focus it frames its current
    // row (the first when none is current) with a dotted rectangle.
    bool TabStop() const { return m_tabStop; }
    void SetTabStop(bool t) { m_tabStop = t; }
    bool HasFocus() const { return m_focused; }
    void SetFocused(bool f);

    std::function<void(int)> onItemCheck;
    // A heading collapsed or expanded by the user (a click on its row, or Left and Right while
    // it is current): its Collapsed() is already the new state.
    std::function<void(int)> onHeadingToggle;

    // Geometry, shared by the renderer and the mouse. Rows lie inside a sunken edge, each as
    // high as its text in ListFont (measured by the host) plus padding, and at least
    // kMinRowPixels; a check box sits at the left of each row, the text after it.
    static constexpr int kEdgePixels = 2;
    static constexpr int kMinRowPixels = 16;
    static constexpr int kRowPaddingPixels = 2;  // added to the text's height
    static constexpr int kCheckLeftPixels = 1;   // from the row's left
    static constexpr int kCheckSizePixels = 13;
    static constexpr int kTextLeftPixels = 17;   // from the row's left
    static const Font& ListFont();
    // The rows shown from TopIndex() on that start inside the box, top to bottom, in twips
    // relative to the box: the first is row TopIndex().
    std::vector<Rect> RowRects() const;
    // Row index's rectangle; empty when it is scrolled out of the box or does not exist.
    Rect RowRect(int index) const;
    // The row under a point relative to the box; -1 on the edge or where no row is.
    int RowAt(double x, double y) const;
    // The check box of row index, relative to the box (empty without check boxes).
    Rect CheckBoxRect(int index) const;
    // The - or + box of a heading row, relative to the box (empty for other rows).
    Rect ExpanderRect(int index) const;
    static constexpr int kExpanderLeftPixels = 3;  // from the row's left
    static constexpr int kExpanderSizePixels = 9;
    static constexpr int kHeadingTextLeftPixels = 16;
    // Whether each row carries a check box (the default). Without them a click or Space only
    // makes a row current, and the text starts near the row's left (kPlainTextLeftPixels).
    bool CheckBoxes() const { return m_checkBoxes; }
    void SetCheckBoxes(bool on);
    static constexpr int kPlainTextLeftPixels = 3;
    int TextLeftPixels() const { return m_checkBoxes ? kTextLeftPixels : kPlainTextLeftPixels; }

protected:
    // A click selects the row under the pointer; on its check box (where there are check boxes)
    // it also ticks or unticks it.
    void ReactToClick(const MouseArgs& args) override;

private:
    const Item& At(int index) const;
    std::vector<Item> m_items;
    int m_listIndex = -1;
    int m_topIndex = 0;
    bool m_tabStop = true, m_focused = false;
    bool m_checkBoxes = true;
};

class Timer : public Element {
public:
    Timer(std::string name, int index = -1) : Element(ElementKind::Timer, std::move(name), index) {}
    int32_t Interval() const { return m_interval; }
    void SetInterval(int32_t ms);  // 0 to 65535; 0 stops the ticks
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool e);
    std::function<void()> onTick;

private:
    int32_t m_interval = 0;
    bool m_enabled = true;
};

}  // namespace stolvane
