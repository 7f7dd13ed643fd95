// SPDX-License-Identifier: MIT
#include "core/surface.h"

#include <cmath>

#include "core/units.h"

namespace stolvane {


std::string Surface::FullName() const {
    return m_index < 0 ? m_name : m_name + "(" + std::to_string(m_index) + ")";
}

namespace {
// A width or height: not negative and within the largest extent.
void RequireExtent(double v) {
    if (v < 0 || v > kMaxExtentTwips) throw HostError::InvalidProperty();
}
double RequireFinite(double v) {
    if (!std::isfinite(v)) throw HostError::Overflow();
    return v;
}
}  // namespace

void Surface::SetLeft(double v) { Assign(m_rect.left, RequireFinite(v)); }
void Surface::SetTop(double v) { Assign(m_rect.top, RequireFinite(v)); }

void Surface::SetWidth(double v) {
    RequireFinite(v);
    RequireExtent(v);
    if (Assign(m_rect.width, v)) m_host.SurfaceResized(*this);
}

void Surface::SetHeight(double v) {
    RequireFinite(v);
    RequireExtent(v);
    if (Assign(m_rect.height, v)) m_host.SurfaceResized(*this);
}

void Surface::Move(double left, double top, double width, double height) {
    RequireFinite(left);
    RequireFinite(top);
    RequireFinite(width);
    RequireFinite(height);
    RequireExtent(width);
    RequireExtent(height);
    Rect old = m_rect;
    m_rect = {left, top, width, height};
    if (old == m_rect) return;
    m_host.SurfaceChanged(*this, old);
    if (old.width != width || old.height != height) m_host.SurfaceResized(*this);
}

void Surface::SetVisible(bool v) { Assign(m_visible, v); }

void Surface::SetEnabled(bool e) { Assign(m_enabled, e); }

void Surface::SetBackColour(OleColour c) { Assign(m_back, c); }

void Surface::SetPicture(PictureRef p) {
    m_picture = p ? std::move(p) : Picture::Empty();
    m_host.SurfaceChanged(*this, m_rect);
}

void Surface::SetMousePointer(int16_t p) { m_mousePointer = p; }
void Surface::SetMouseIcon(PictureRef p) { m_mouseIcon = std::move(p); }

const Drawing& Surface::NoDrawing() {
    static const Drawing none;
    return none;
}

Drawing& Surface::OwnDrawing() {
    if (!m_drawing) m_drawing = std::make_unique<Drawing>();
    return *m_drawing;
}

void Surface::PSet(double x, double y, OleColour c) {
    OwnDrawing().Point(x, y, m_host.ResolveColour(c));
    // The point's pixel and one spare pixel around it.
    const double px = kTwipsPerPixel;
    m_host.SurfaceChanged(*this, {m_rect.left + x - px, m_rect.top + y - px, 3 * px, 3 * px});
}

OleColour Surface::Point(double x, double y) const {
    if (m_drawing)
        if (auto c = m_drawing->ColourAt(x, y)) return *c;
    if (!IsNoPicture(m_picture) && x >= 0 && y >= 0) {
        uint32_t argb = m_picture->PixelAt(static_cast<int>(x / kTwipsPerPixel), static_cast<int>(y / kTwipsPerPixel));
        if (argb >> 24) return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
    }
    return m_host.ResolveColour(m_back);
}

void Surface::FillRect(double x1, double y1, double x2, double y2, OleColour c) {
    OwnDrawing().Fill(x1, y1, x2, y2, m_host.ResolveColour(c));
    m_host.SurfaceChanged(*this, m_rect);
}

void Surface::PaintPicture(const PictureRef& p, double x, double y, double w, double h) {
    OwnDrawing().PaintPicture(p, x, y, w, h);
    m_host.SurfaceChanged(*this, m_rect);
}

void Surface::Cls() {
    if (!m_drawing || m_drawing->Empty()) return;
    m_drawing->Clear();
    m_host.SurfaceChanged(*this, m_rect);
}

void Surface::SetFocus() { m_host.SetFocus(*this); }

void Surface::PopupMenu(MenuItem& root, MenuItem* defaultItem) { m_host.PopupMenu(*this, root, defaultItem); }

std::string Surface::NameKey(const std::string& name, int index) {
    std::string key = name;
    key += '\0';
    key.append(reinterpret_cast<const char*>(&index), sizeof index);
    return key;
}

namespace {

// The form a surface belongs to (itself when it is one), or null.
Surface* FormAbove(Surface* s) {
    while (s && !s->IsForm()) s = s->Container();
    return s;
}

// The control a form's author placed (not a control's design child), if e is one.
Surface* PlacedSurface(const Element& e) {
    auto* ce = e.Kind() == ElementKind::Control ? static_cast<const ControlElement*>(&e) : nullptr;
    return ce && !ce->IsDesignChild() ? &ce->GetSurface() : nullptr;
}
}  // namespace

void Surface::AddElement(std::unique_ptr<Element> e) {
    e->Attach(this, &m_host);
    Element& added = *e;
    m_elements.push_back(std::move(e));
    if (m_names) {
        m_names->emplace(NameKey(added.Name(), added.Index()), &added);
    } else if (m_elements.size() > kNamesFrom) {
        // The first element of a name and index is the one found, as when looking at each.
        m_names = std::make_unique<std::unordered_map<std::string, Element*>>();
        for (auto& x : m_elements) m_names->emplace(NameKey(x->Name(), x->Index()), x.get());
    }
    if (m_grid) m_grid->Add(added);
    if (Surface* placed = PlacedSurface(added))
        if (Surface* form = FormAbove(this)) form->NamePlaced(*placed);
    m_host.ElementChanged(added, added.Bounds());
}

const ElementGrid* Surface::Grid() const {
    if (!m_grid && m_elements.size() >= kGridFrom) m_grid = std::make_unique<ElementGrid>(m_elements);
    return m_grid.get();
}

ControlElement& Surface::AddControl(const std::string& className, std::string name, const Rect& rect,
                                    const PropertyMap& design, int index) {
    return m_host.CreateEmbedded(*this, className, name, index, rect, design);
}

Element* Surface::Find(const std::string& name, int index) const {
    if (!m_names) {
        for (auto& e : m_elements)
            if (e->Index() == index && e->Name() == name) return e.get();
        return nullptr;
    }
    auto it = m_names->find(NameKey(name, index));
    return it == m_names->end() ? nullptr : it->second;
}

void Surface::RemoveElement(Element& e) {
    Rect old = e.Bounds();
    for (auto it = m_elements.begin(); it != m_elements.end(); ++it) {
        if (it->get() == &e) {
            std::unique_ptr<Element> keep = std::move(*it);
            m_elements.erase(it);
            m_grid.reset();
            if (m_names) {
                std::string key = NameKey(e.Name(), e.Index());
                if (auto n = m_names->find(key); n != m_names->end() && n->second == &e) {
                    m_names->erase(n);
                    // Another element of the same name, if any, is found from now on.
                    for (auto& other : m_elements)
                        if (other->Name() == e.Name() && other->Index() == e.Index()) {
                            m_names->emplace(key, other.get());
                            break;
                        }
                }
            }
            if (Surface* placed = PlacedSurface(e))
                if (Surface* form = FormAbove(this)) form->ForgetPlaced(*placed);
            m_host.SurfaceChanged(*this, {m_rect.left + old.left, m_rect.top + old.top, old.width, old.height});
            return;
        }
    }
}

ControlElement::ControlElement(std::unique_ptr<Surface> surface, bool designChild)
    : Element(ElementKind::Control, surface->Name(), surface->Index()),
      m_surface(std::move(surface)),
      m_designChild(designChild) {
    m_surface->SetEmbeddingElement(this);
}

Control& ControlElement::GetControl() const { return *m_surface->GetControl(); }

}  // namespace stolvane
