#include "core/elements.h"

#include <algorithm>
#include <cmath>

#include "core/host.h"
#include "core/surface.h"
#include "core/units.h"

namespace stolvane {

namespace {
void RequireSize(double v) {
    if (v < 0 || std::isnan(v) || (std::isfinite(v) && v > kMaxExtentTwips)) throw HostError::InvalidProperty();
}
void RequireFinite(double v) {
    if (!std::isfinite(v)) throw HostError::Overflow();
}
}  // namespace

const char* KindName(ElementKind kind) {
    switch (kind) {
        case ElementKind::Line: return "line";
        case ElementKind::Label: return "label";
        case ElementKind::Image: return "image";
        case ElementKind::PictureBox: return "picturebox";
        case ElementKind::Shape: return "shape";
        case ElementKind::PictureButton: return "picturebutton";
        case ElementKind::MenuItem: return "menuitem";
        case ElementKind::ListBox: return "listbox";
        case ElementKind::Timer: return "timer";
        case ElementKind::Control: return "control";
        case ElementKind::TextBox: return "textbox";
    }
    return "?";
}

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

void Element::MouseDown(MouseArgs& args) {
    if (!TakesInput()) return;
    ReactToDown(args);
    if (onMouseDown) onMouseDown(args);
}
void Element::MouseMove(MouseArgs& args) {
    if (TakesInput() && onMouseMove) onMouseMove(args);
}
void Element::MouseUp(MouseArgs& args) {
    if (!TakesInput()) return;
    ReactToUp(args);
    if (onMouseUp) onMouseUp(args);
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

void BoxElement::SetLeft(double v) {
    RequireFinite(v);
    if (v == m_rect.left) return;
    Rect old = m_rect;
    m_rect.left = v;
    Changed(old);
}
void BoxElement::SetTop(double v) {
    RequireFinite(v);
    if (v == m_rect.top) return;
    Rect old = m_rect;
    m_rect.top = v;
    Changed(old);
}
void BoxElement::SetWidth(double v) {
    RequireSize(v);
    RequireFinite(v);
    if (v == m_rect.width) return;
    Rect old = m_rect;
    m_rect.width = v;
    Changed(old);
}
void BoxElement::SetHeight(double v) {
    RequireSize(v);
    RequireFinite(v);
    if (v == m_rect.height) return;
    Rect old = m_rect;
    m_rect.height = v;
    Changed(old);
}
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

#define LINE_SETTER(Name, field)            \
    void Line::Set##Name(double v) {        \
        RequireFinite(v);                   \
        if (v == field) return;             \
        Rect old = Bounds();                \
        field = v;                          \
        Changed(old);                       \
    }
LINE_SETTER(X1, m_x1)
LINE_SETTER(Y1, m_y1)
LINE_SETTER(X2, m_x2)
LINE_SETTER(Y2, m_y2)
#undef LINE_SETTER

void Line::SetEnds(double x1, double y1, double x2, double y2) {
    RequireFinite(x1);
    RequireFinite(y1);
    RequireFinite(x2);
    RequireFinite(y2);
    Rect old = Bounds();
    m_x1 = x1, m_y1 = y1, m_x2 = x2, m_y2 = y2;
    Changed(old);
}

void Line::SetColour(OleColour c) {
    if (c == m_colour) return;
    m_colour = c;
    Changed();
}

void Line::SetBorderWidth(int16_t px) {
    if (px < 1) throw HostError::InvalidProperty();
    if (px == m_width) return;
    Rect old = Bounds();
    m_width = px;
    Changed(old);
}

// ---- Label

void Label::Fit() {
    if (!m_autoSize || !Owner()) return;
    Rect r = Owner()->GetHost().MeasureText(m_font, m_caption, m_wordWrap ? m_rect.width : 0);
    Rect old = m_rect;
    if (!m_wordWrap) m_rect.width = r.width;
    m_rect.height = r.height;
    if (old != m_rect) Changed(old);
}

void Label::SetCaption(std::string s) {
    if (s == m_caption) return;
    m_caption = std::move(s);
    Changed();
    Fit();
}
void Label::SetAlignment(int16_t a) {
    if (a < 0 || a > 2) throw HostError::InvalidProperty();
    if (a == m_alignment) return;
    m_alignment = a;
    Changed();
}
void Label::SetForeColour(OleColour c) {
    if (c == m_fore) return;
    m_fore = c;
    Changed();
}
void Label::SetBackColour(OleColour c) {
    if (c == m_back) return;
    m_back = c;
    Changed();
}
void Label::SetTransparent(bool t) {
    if (t == m_transparent) return;
    m_transparent = t;
    Changed();
}
void Label::SetAutoSize(bool a) {
    if (a == m_autoSize) return;
    m_autoSize = a;
    Fit();
}
void Label::SetWordWrap(bool w) {
    if (w == m_wordWrap) return;
    m_wordWrap = w;
    Changed();
    Fit();
}
void Label::SetEnabled(bool e) {
    if (e == m_enabled) return;
    m_enabled = e;
    Changed();
}
void Label::SetFont(const Font& f) {
    if (f.size <= 0 || !std::isfinite(f.size)) throw HostError::InvalidProperty();
    if (f == m_font) return;
    m_font = f;
    Changed();
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
    return Owner() ? Owner()->GetHost().ResolveColour(c) : (IsSystemColour(c) ? 0 : c);
}
void PictureBox::SetPicture(PictureRef p) {
    m_picture = p ? std::move(p) : Picture::Empty();
    Changed();
}
void PictureBox::SetBackColour(OleColour c) {
    m_back = c;
    Changed();
}
void PictureBox::SetAutoRedraw(bool a) { m_autoRedraw = a; }
void PictureBox::SetBorder(bool b) {
    if (b == m_border) return;
    m_border = b;
    Changed();
}
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

void Shape::SetFilled(bool f) {
    if (f == m_filled) return;
    m_filled = f;
    Changed();
}
void Shape::SetFillColour(OleColour c) {
    if (c == m_fill) return;
    m_fill = c;
    Changed();
}
void Shape::SetOutline(bool o) {
    if (o == m_outline) return;
    m_outline = o;
    Changed();
}
void Shape::SetBorderColour(OleColour c) {
    if (c == m_border) return;
    m_border = c;
    Changed();
}
void Shape::SetDrawMode(int16_t m) {
    if (m < 1 || m > 16) throw HostError::InvalidProperty();
    if (m == m_drawMode) return;
    m_drawMode = m;
    Changed();
}

// ---- PictureButton

void PictureButton::SetEnabled(bool e) {
    if (e == m_enabled) return;
    m_enabled = e;
    Changed();
}
void PictureButton::SetPicture(PictureRef p) {
    m_picture = p ? std::move(p) : Picture::Empty();
    Changed();
}
void PictureButton::SetDisabledPicture(PictureRef p) {
    m_disabled = p ? std::move(p) : Picture::Empty();
    Changed();
}
void PictureButton::SetPressed(bool p) {
    if (p == m_pressed) return;
    m_pressed = p;
    Changed();
}

// ---- MenuItem

void MenuItem::SetCaption(std::string c) { m_caption = std::move(c); }
void MenuItem::SetEnabled(bool e) { m_enabled = e; }

// ---- ListBox

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
    Changed();
}
void ListBox::Clear() {
    m_items.clear();
    m_listIndex = -1;
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
    if (m_items[static_cast<size_t>(index)].checked == ticked) return;
    m_items[static_cast<size_t>(index)].checked = ticked;
    Changed();
}
void ListBox::SetListIndex(int index) {
    if (index < -1 || index >= ListCount()) throw HostError(380, "Invalid property value");
    m_listIndex = index;
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
    for (const Item& item : m_items) {
        if (top >= m_rect.height) break;
        int textPixels = 0;
        if (Owner())
            textPixels = static_cast<int>(
                TwipsToPixels(Owner()->GetHost().MeasureText(ListFont(), item.text, 0).height));
        double height = PixelsToTwips(std::max(kMinRowPixels, textPixels + kRowPaddingPixels));
        rows.push_back({edge, top, std::max(0.0, m_rect.width - 2 * edge), height});
        top += height;
    }
    return rows;
}

Rect ListBox::RowRect(int index) const {
    if (index < 0) return {};
    std::vector<Rect> rows = RowRects();
    return static_cast<size_t>(index) < rows.size() ? rows[static_cast<size_t>(index)] : Rect{};
}

int ListBox::RowAt(double x, double y) const {
    const double edge = PixelsToTwips(kEdgePixels);
    if (x < edge || y < edge || x >= m_rect.width - edge || y >= m_rect.height - edge) return -1;
    std::vector<Rect> rows = RowRects();
    for (size_t i = 0; i < rows.size(); ++i)
        if (y >= rows[i].top && y < rows[i].Bottom()) return static_cast<int>(i);
    return -1;
}

Rect ListBox::CheckBoxRect(int index) const {
    Rect row = RowRect(index);
    if (row.height <= 0) return {};
    const double size = PixelsToTwips(kCheckSizePixels);
    // Centred in the row on whole pixels, as it is drawn.
    const int rowPixels = static_cast<int>(TwipsToPixels(row.height));
    return {row.left + PixelsToTwips(kCheckLeftPixels), row.top + PixelsToTwips((rowPixels - kCheckSizePixels) / 2),
            size, size};
}

void ListBox::ReactToClick(const MouseArgs& args) {
    const int row = RowAt(args.x, args.y);
    if (row < 0) return;
    SetListIndex(row);
    // The check box's column, from the row's left edge to the box's right side.
    if (args.x < CheckBoxRect(row).Right()) {
        SetSelected(row, !Selected(row));
        if (onItemCheck) onItemCheck(row);
    }
}

// ---- Timer

void Timer::SetInterval(int32_t ms) {
    if (ms < 0 || ms > 65535) throw HostError::InvalidProperty();
    if (ms == m_interval) return;
    m_interval = ms;
    Changed();
}
void Timer::SetEnabled(bool e) {
    if (e == m_enabled) return;
    m_enabled = e;
    Changed();
}

}  // namespace stolvane
