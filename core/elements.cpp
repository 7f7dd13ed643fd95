// SPDX-License-Identifier: MIT
#include "core/elements.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/control.h"
#include "core/surface.h"
#include "core/units.h"

namespace stolvane {

namespace {
void RequireSize(double v) {
    if (v < 0 || std::isnan(v) || (std::isfinite(v) && v > kMaxExtentTwips)) throw HostError::InvalidProperty();
}
double RequireFinite(double v) {
    if (!std::isfinite(v)) throw HostError::Overflow();
    return v;
}
// A width or height: refused (380) when negative or beyond the largest extent, an overflow (6)
// when infinite.
double Extent(double v) {
    RequireSize(v);
    return RequireFinite(v);
}
}  // namespace

std::string Element::FullName() const {
    return m_index < 0 ? m_name : m_name + "(" + std::to_string(m_index) + ")";
}

void Element::SetVisible(bool v) {
    if (m_visible == v) return;
    Rect old = Bounds();
    m_visible = v;
    Changed(old);
}

void Element::SetMousePointer(int16_t v) {
    m_mousePointer = v;  // the pointer does not change what is drawn
}

void Element::SetMouseIcon(PictureRef p) { m_mouseIcon = std::move(p); }

const std::string& Element::ToolTipText() const {
    static const std::string none;
    return m_toolTipText ? *m_toolTipText : none;
}

void Element::SetToolTipText(std::string t) {
    if (t.empty()) m_toolTipText.reset();
    else if (m_toolTipText) *m_toolTipText = std::move(t);
    else m_toolTipText = std::make_unique<std::string>(std::move(t));
}

namespace {
// A press, move or release the element passes to its surface's control, moved into the
// control's coordinates.
template <void (Control::*Handler)(MouseArgs&)>
void ForwardToControl(const Element& e, const MouseArgs& args) {
    Control* control = e.Owner() ? e.Owner()->GetControl() : nullptr;
    if (!control) return;
    const Rect at = e.Bounds();
    MouseArgs a{args.button, args.shift, static_cast<float>(args.x + at.left), static_cast<float>(args.y + at.top)};
    (control->*Handler)(a);
}
}  // namespace

void Element::MouseDown(MouseArgs& args) {
    if (!TakesInput()) return;
    ReactToDown(args);
    if (onMouseDown) onMouseDown(args);
    else if (m_forwardsMouse) ForwardToControl<&Control::OnMouseDown>(*this, args);
}
void Element::MouseMove(MouseArgs& args) {
    if (!TakesInput()) return;
    if (onMouseMove) onMouseMove(args);
    else if (m_forwardsMouse) ForwardToControl<&Control::OnMouseMove>(*this, args);
}
void Element::MouseUp(MouseArgs& args) {
    if (!TakesInput()) return;
    ReactToUp(args);
    if (onMouseUp) onMouseUp(args);
    else if (m_forwardsMouse) ForwardToControl<&Control::OnMouseUp>(*this, args);
}
void Element::Click(const MouseArgs& args) {
    if (!TakesInput()) return;
    ReactToClick(args);
    if (onClick) onClick();
}
void Element::DblClick() {
    if (TakesInput() && onDblClick) onDblClick();
}

// ---- BoxElement

void BoxElement::SetLeft(double v) { Assign(m_rect.left, RequireFinite(v)); }
void BoxElement::SetTop(double v) { Assign(m_rect.top, RequireFinite(v)); }
void BoxElement::SetWidth(double v) { Assign(m_rect.width, Extent(v)); }
void BoxElement::SetHeight(double v) { Assign(m_rect.height, Extent(v)); }
void BoxElement::Move(double left, double top, double width, double height) {
    RequireFinite(left);
    RequireFinite(top);
    RequireSize(width);
    RequireSize(height);
    RequireFinite(width);
    RequireFinite(height);
    Rect old = m_rect;
    m_rect = {left, top, width, height};
    if (old != m_rect) Changed(old);
}

// ---- Line

Rect Line::Bounds() const {
    double w = PixelsToTwips(m_width);
    double l = std::min(m_x1, m_x2), t = std::min(m_y1, m_y2);
    return {l - w, t - w, std::fabs(m_x2 - m_x1) + 2 * w, std::fabs(m_y2 - m_y1) + 2 * w};
}

void Line::SetX1(double v) { Assign(m_x1, RequireFinite(v)); }
void Line::SetY1(double v) { Assign(m_y1, RequireFinite(v)); }
void Line::SetX2(double v) { Assign(m_x2, RequireFinite(v)); }
void Line::SetY2(double v) { Assign(m_y2, RequireFinite(v)); }

void Line::SetEnds(double x1, double y1, double x2, double y2) {
    RequireFinite(x1);
    RequireFinite(y1);
    RequireFinite(x2);
    RequireFinite(y2);
    Rect old = Bounds();
    m_x1 = x1, m_y1 = y1, m_x2 = x2, m_y2 = y2;
    Changed(old);
}

void Line::SetColour(OleColour c) { Assign(m_colour, c); }

void Line::SetBorderWidth(int16_t px) {
    if (px < 1) throw HostError::InvalidProperty();
    Assign(m_width, px);
}

// ---- Label

void Label::Fit() {
    if (!m_autoSize || !Observer()) return;
    Rect r = Observer()->MeasureText(m_font, m_caption, m_wordWrap ? m_rect.width : 0);
    Rect old = m_rect;
    if (!m_wordWrap) m_rect.width = r.width;
    m_rect.height = r.height;
    if (old != m_rect) Changed(old);
}

void Label::SetCaption(std::string s) {
    if (!Assign(m_caption, std::move(s))) return;
    Fit();
}
void Label::SetAlignment(int16_t a) {
    if (a < 0 || a > 2) throw HostError::InvalidProperty();
    Assign(m_alignment, a);
}
void Label::SetForeColour(OleColour c) { Assign(m_fore, c); }
void Label::SetBackColour(OleColour c) { Assign(m_back, c); }
void Label::SetTransparent(bool t) { Assign(m_transparent, t); }
void Label::SetAutoSize(bool a) {
    if (a == m_autoSize) return;
    m_autoSize = a;
    Fit();
}
void Label::SetWordWrap(bool w) {
    if (!Assign(m_wordWrap, w)) return;
    Fit();
}
void Label::SetEnabled(bool e) { Assign(m_enabled, e); }
void Label::SetFont(const Font& f) {
    if (f.size <= 0 || !std::isfinite(f.size)) throw HostError::InvalidProperty();
    if (!Assign(m_font, f)) return;
    Fit();
}
void Label::SetWidth(double v) {
    BoxElement::SetWidth(v);
    if (m_wordWrap) Fit();
}

// ---- Image

void Image::SetPicture(PictureRef p) {
    if (!p) p = Picture::Empty();
    Rect old = m_rect;
    m_picture = std::move(p);
    if (!m_stretch) {
        m_rect.width = m_picture->WidthTwips();
        m_rect.height = m_picture->HeightTwips();
    }
    Changed(old);
}
void Image::SetStretch(bool s) {
    if (s == m_stretch) return;
    Rect old = m_rect;
    m_stretch = s;
    if (!m_stretch && !IsNoPicture(m_picture)) {
        m_rect.width = m_picture->WidthTwips();
        m_rect.height = m_picture->HeightTwips();
    }
    Changed(old);
}

// ---- PictureBox

uint32_t PictureBox::Resolve(OleColour c) const {
    return Observer() ? Observer()->ResolveColour(c) : (IsSystemColour(c) ? 0 : c);
}
void PictureBox::SetPicture(PictureRef p) {
    m_picture = p ? std::move(p) : Picture::Empty();
    Changed();
}
void PictureBox::ReplacePicture(PictureRef p, std::vector<Rect> changed) {
    m_picture = p ? std::move(p) : Picture::Empty();
    m_damage = std::move(changed);
    Changed();
    m_damage.reset();
}
std::optional<std::vector<Rect>> PictureBox::TakeDamage() { return std::exchange(m_damage, std::nullopt); }
void PictureBox::SetBackColour(OleColour c) {
    m_back = c;
    Changed();
}
void PictureBox::SetAutoRedraw(bool a) { m_autoRedraw = a; }
void PictureBox::SetBorder(bool b) { Assign(m_border, b); }
void PictureBox::PSet(double x, double y, OleColour c) {
    m_drawing.Point(x, y, Resolve(c));
    Changed();
}
OleColour PictureBox::Point(double x, double y) const {
    if (auto c = m_drawing.ColourAt(x, y)) return *c;
    if (!IsNoPicture(m_picture) && x >= 0 && y >= 0) {
        uint32_t argb = m_picture->PixelAt(static_cast<int>(x / kTwipsPerPixel), static_cast<int>(y / kTwipsPerPixel));
        if (argb >> 24) return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
    }
    return Resolve(m_back);
}
void PictureBox::FillRect(double x1, double y1, double x2, double y2, OleColour c) {
    m_drawing.Fill(x1, y1, x2, y2, Resolve(c));
    Changed();
}
void PictureBox::PaintPicture(const PictureRef& p, double x, double y, double w, double h) {
    m_drawing.PaintPicture(p, x, y, w, h);
    Changed();
}
void PictureBox::Cls() {
    if (m_drawing.Empty()) return;
    m_drawing.Clear();
    Changed();
}
PictureRef PictureBox::PersistentImage() const {
    auto d = std::make_shared<Drawing>();
    if (!IsNoPicture(m_picture))
        d->PaintPicture(m_picture, 0, 0, m_picture->WidthTwips(), m_picture->HeightTwips());
    for (const DrawOp& op : m_drawing.Ops()) {
        if (op.width <= 0 || op.height <= 0) continue;  // replaced by a later point
        if (op.kind == DrawOp::Kind::Fill)
            d->Fill(op.left, op.top, op.left + op.width - 1, op.top + op.height - 1, op.rgb);
        else
            d->PaintPicture(op.picture, op.left, op.top, op.width, op.height);
    }
    return Picture::FromDrawing(d, m_rect.width, m_rect.height, Resolve(m_back));
}

// ---- Shape

void Shape::SetFilled(bool f) { Assign(m_filled, f); }
void Shape::SetFillColour(OleColour c) { Assign(m_fill, c); }
void Shape::SetOutline(bool o) { Assign(m_outline, o); }
void Shape::SetBorderColour(OleColour c) { Assign(m_border, c); }
void Shape::SetDrawMode(int16_t m) {
    if (m < 1 || m > 16) throw HostError::InvalidProperty();
    Assign(m_drawMode, m);
}

// ---- PictureButton

void PictureButton::SetEnabled(bool e) { Assign(m_enabled, e); }
void PictureButton::SetPicture(PictureRef p) {
    m_picture = p ? std::move(p) : Picture::Empty();
    Changed();
}
void PictureButton::SetDisabledPicture(PictureRef p) {
    m_disabled = p ? std::move(p) : Picture::Empty();
    Changed();
}
void PictureButton::SetPressed(bool p) { Assign(m_pressed, p); }

// ---- MenuItem

void MenuItem::SetCaption(std::string c) { m_caption = std::move(c); }
void MenuItem::SetEnabled(bool e) { m_enabled = e; }

// ---- ListBox

void ListBox::SetFocused(bool f) {
    if (m_focused == f) return;
    m_focused = f;
    Changed();
}

const ListBox::Item& ListBox::At(int index) const {
    if (index < 0 || index >= ListCount()) throw HostError(381, "Invalid property array index");
    return m_items[static_cast<size_t>(index)];
}
void ListBox::AddItem(std::string text) {
    m_items.push_back({std::move(text), 0, false});
    Changed();
}
void ListBox::RemoveItem(int index) {
    At(index);
    m_items.erase(m_items.begin() + index);
    if (m_listIndex >= ListCount()) m_listIndex = ListCount() - 1;
    if (m_topIndex >= ListCount()) m_topIndex = std::max(0, ListCount() - 1);
    Changed();
}
void ListBox::Clear() {
    m_items.clear();
    m_listIndex = -1;
    m_topIndex = 0;
    Changed();
}
const std::string& ListBox::List(int index) const { return At(index).text; }
void ListBox::SetList(int index, std::string text) {
    At(index);
    m_items[static_cast<size_t>(index)].text = std::move(text);
    Changed();
}
int32_t ListBox::ItemData(int index) const { return At(index).data; }
void ListBox::SetItemData(int index, int32_t data) {
    At(index);
    m_items[static_cast<size_t>(index)].data = data;
}
bool ListBox::Selected(int index) const { return At(index).checked; }
void ListBox::SetSelected(int index, bool ticked) {
    At(index);
    Assign(m_items[static_cast<size_t>(index)].checked, ticked);
}
bool ListBox::Heading(int index) const { return At(index).heading; }
void ListBox::SetHeading(int index, bool heading) {
    At(index);
    Assign(m_items[static_cast<size_t>(index)].heading, heading);
}
bool ListBox::Collapsed(int index) const { return At(index).collapsed; }
void ListBox::SetCollapsed(int index, bool collapsed) {
    At(index);
    Assign(m_items[static_cast<size_t>(index)].collapsed, collapsed);
}

void ListBox::SetListIndex(int index) {
    if (index < -1 || index >= ListCount()) throw HostError(380, "Invalid property value");
    m_listIndex = index;
    if (index >= 0) {
        // Scrolled up to it, or down until its row ends inside the edge.
        if (index < m_topIndex) m_topIndex = index;
        const double inner = m_rect.height - PixelsToTwips(kEdgePixels);
        while (m_topIndex < index) {
            const Rect row = RowRect(index);
            if (row.height > 0 && row.Bottom() <= inner) break;
            ++m_topIndex;
        }
    }
    Changed();
}

void ListBox::SetTopIndex(int index) {
    if (index < 0 || (index > 0 && index >= ListCount())) throw HostError(380, "Invalid property value");
    if (m_topIndex == index) return;
    m_topIndex = index;
    Changed();
}

const Font& ListBox::ListFont() {
    static const Font font = [] {
        Font f;
        f.name = "MS Sans Serif";
        f.size = 8.25;
        return f;
    }();
    return font;
}

std::vector<Rect> ListBox::RowRects() const {
    const double edge = PixelsToTwips(kEdgePixels);
    std::vector<Rect> rows;
    double top = edge;
    for (size_t i = static_cast<size_t>(m_topIndex); i < m_items.size(); ++i) {
        const Item& item = m_items[i];
        if (top >= m_rect.height) break;
        int textPixels = 0;
        if (Observer())
            textPixels = static_cast<int>(
                TwipsToPixels(Observer()->MeasureText(ListFont(), item.text, 0).height));
        double height = PixelsToTwips(std::max(kMinRowPixels, textPixels + kRowPaddingPixels));
        rows.push_back({edge, top, std::max(0.0, m_rect.width - 2 * edge), height});
        top += height;
    }
    return rows;
}

Rect ListBox::RowRect(int index) const {
    if (index < m_topIndex) return {};
    std::vector<Rect> rows = RowRects();
    const size_t shown = static_cast<size_t>(index - m_topIndex);
    return shown < rows.size() ? rows[shown] : Rect{};
}

int ListBox::RowAt(double x, double y) const {
    const double edge = PixelsToTwips(kEdgePixels);
    if (x < edge || y < edge || x >= m_rect.width - edge || y >= m_rect.height - edge) return -1;
    std::vector<Rect> rows = RowRects();
    for (size_t i = 0; i < rows.size(); ++i)
        if (y >= rows[i].top && y < rows[i].Bottom()) return m_topIndex + static_cast<int>(i);
    return -1;
}

void ListBox::SetCheckBoxes(bool on) {
    if (m_checkBoxes == on) return;
    m_checkBoxes = on;
    Changed();
}

Rect ListBox::CheckBoxRect(int index) const {
    if (!m_checkBoxes || index < 0 || index >= ListCount() || m_items[static_cast<size_t>(index)].heading) return {};
    Rect row = RowRect(index);
    if (row.height <= 0) return {};
    const double size = PixelsToTwips(kCheckSizePixels);
    // Centred in the row on whole pixels, as it is drawn.
    const int rowPixels = static_cast<int>(TwipsToPixels(row.height));
    return {row.left + PixelsToTwips(kCheckLeftPixels), row.top + PixelsToTwips((rowPixels - kCheckSizePixels) / 2),
            size, size};
}

Rect ListBox::ExpanderRect(int index) const {
    if (index < 0 || index >= ListCount() || !m_items[static_cast<size_t>(index)].heading) return {};
    Rect row = RowRect(index);
    if (row.height <= 0) return {};
    const double size = PixelsToTwips(kExpanderSizePixels);
    const int rowPixels = static_cast<int>(TwipsToPixels(row.height));
    return {row.left + PixelsToTwips(kExpanderLeftPixels),
            row.top + PixelsToTwips((rowPixels - kExpanderSizePixels) / 2), size, size};
}

void ListBox::ReactToClick(const MouseArgs& args) {
    const int row = RowAt(args.x, args.y);
    if (row < 0) return;
    SetListIndex(row);
    // A heading, anywhere on its row: collapses or expands.
    if (m_items[static_cast<size_t>(row)].heading) {
        SetCollapsed(row, !Collapsed(row));
        if (onHeadingToggle) onHeadingToggle(row);
        return;
    }
    // The check box's column, from the row's left edge to the box's right side.
    if (m_checkBoxes && args.x < CheckBoxRect(row).Right()) {
        SetSelected(row, !Selected(row));
        if (onItemCheck) onItemCheck(row);
    }
}

// ---- Timer

void Timer::SetInterval(int32_t ms) {
    if (ms < 0 || ms > 65535) throw HostError::InvalidProperty();
    Assign(m_interval, ms);
}
void Timer::SetEnabled(bool e) { Assign(m_enabled, e); }

}  // namespace stolvane
