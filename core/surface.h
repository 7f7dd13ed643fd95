// SPDX-License-Identifier: MIT
// A control's own surface (and a form's client area): size and position within its container,
// back colour, picture, pointer, a persistent drawing, and the child elements of the design.
// The runtime creates surfaces; controls draw on them and set their elements' state.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include <stolvane/core/anchor.h>
#include <stolvane/core/element_grid.h>
#include <stolvane/core/elements.h>
#include <stolvane/core/host.h>

namespace stolvane {

class Control;

class Surface {
public:
    Surface(Host& host, std::string name, int index = -1);
    virtual ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    Host& GetHost() const { return m_host; }
    Control* GetControl() const { return m_control.get(); }
    void SetControl(std::unique_ptr<Control> c);
    // The surface that contains this one (a form, a container control), or null for a form.
    Surface* Container() const { return m_container; }
    void SetContainer(Surface* c) { m_container = c; }
    virtual bool IsForm() const { return false; }
    Form* OwningForm();  // defined with the form (core/form.cpp)

    // Extender: the name the container gave the instance, and its place in the container.
    const std::string& Name() const { return m_name; }
    int Index() const { return m_index; }
    std::string FullName() const;
    double Left() const { return m_rect.left; }
    double Top() const { return m_rect.top; }
    double Width() const { return m_rect.width; }
    double Height() const { return m_rect.height; }
    Rect Bounds() const { return m_rect; }
    void SetLeft(double v);
    void SetTop(double v);
    void SetWidth(double v);   // delivers Resize to the control
    void SetHeight(double v);  // delivers Resize to the control
    void Move(double left, double top, double width, double height);
    bool Visible() const { return m_visible; }
    void SetVisible(bool v);
    int TabIndex() const { return m_tabIndex; }
    void SetTabIndex(int t) { m_tabIndex = t; }
    bool TabStop() const { return m_tabStop; }
    void SetTabStop(bool t) { m_tabStop = t; }
    // The container's edges this control keeps its distances to (core/anchor.h).
    uint8_t Anchor() const { return m_anchoring.Edges(); }
    void SetAnchor(uint8_t edges) { m_anchoring.SetEdges(edges); }
    Anchoring& GetAnchoring() { return m_anchoring; }

    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool e);
    OleColour BackColour() const { return m_back; }
    void SetBackColour(OleColour c);
    const PictureRef& GetPicture() const { return m_picture; }
    void SetPicture(PictureRef p);
    int16_t MousePointer() const { return m_mousePointer; }
    void SetMousePointer(int16_t p);
    const PictureRef& MouseIcon() const { return m_mouseIcon; }
    void SetMouseIcon(PictureRef p);
    uintptr_t WindowHandle() const { return reinterpret_cast<uintptr_t>(this); }

    // The persistent drawing, in the surface's twips; colours may be system colours.
    void PSet(double x, double y, OleColour c);
    OleColour Point(double x, double y) const;  // RGB of what shows there (drawing, picture or back colour)
    void FillRect(double x1, double y1, double x2, double y2, OleColour c);
    void PaintPicture(const PictureRef& p, double x, double y, double w, double h);
    void Cls();
    const Drawing& GetDrawing() const { return m_drawing ? *m_drawing : NoDrawing(); }

    void SetFocus();
    void PopupMenu(MenuItem& root, MenuItem* defaultItem = nullptr);

    // Child elements, in z-order (first is bottom-most).
    template <class T>
    T& Add(std::string name, int index = -1) {
        auto e = std::make_unique<T>(std::move(name), index);
        T& ref = *e;
        AddElement(std::move(e));
        return ref;
    }
    void AddElement(std::unique_ptr<Element> e);
    // Embeds a library control as a child element with its design values.
    ControlElement& AddControl(const std::string& className, std::string name, const Rect& rect,
                               const PropertyMap& design = {}, int index = -1);
    // The element of that name and index (the first added when several share them), found by
    // a map the surface keeps.
    Element* Find(const std::string& name, int index = -1) const;
    const std::vector<std::unique_ptr<Element>>& Elements() const { return m_elements; }
    void RemoveElement(Element& e);
    // The element that embeds this surface in its container, or null (a form).
    ControlElement* EmbeddingElement() const { return m_embedding; }
    void SetEmbeddingElement(ControlElement* e) { m_embedding = e; }

    // A grid of the elements by their bounds once there are enough of them for it to pay, else
    // null (look at every element). The runtime tells the surface when an element may have
    // moved; the grid is made when first asked for.
    const ElementGrid* Grid() const;
    void ElementMoved(const Element& e) {
        if (m_grid) m_grid->Update(e);
    }
    static constexpr size_t kGridFrom = 48;  // elements

    // The key of a name and an index in the maps of names.
    static std::string NameKey(const std::string& name, int index);

    // A form keeps its placed controls by name, however deep in containers; other surfaces
    // keep nothing. Called on the form as placed controls come and go (a placed control and
    // every placed control inside it).
    virtual void NamePlaced(Surface& /*placed*/) {}
    virtual void ForgetPlaced(Surface& /*placed*/) {}

private:
    // Sets a field of the surface's state and reports the change with the area it had before;
    // false (and nothing reported) when it already held the value.
    template <class T, class V>
    bool Assign(T& field, V&& value) {
        if (field == value) return false;
        Rect old = m_rect;
        field = std::forward<V>(value);
        m_host.SurfaceChanged(*this, old);
        return true;
    }

    Host& m_host;
    std::string m_name;
    int m_index;
    Surface* m_container = nullptr;
    std::unique_ptr<Control> m_control;
    Rect m_rect;
    bool m_visible = true;
    bool m_enabled = true;
    int m_tabIndex = 0;
    bool m_tabStop = true;
    Anchoring m_anchoring;
    OleColour m_back = SysColour::ButtonFace;
    PictureRef m_picture = Picture::Empty();
    int16_t m_mousePointer = 0;
    PictureRef m_mouseIcon;
    static const Drawing& NoDrawing();
    Drawing& OwnDrawing();

    // The drawing is made when first drawn on, and the map of names once the surface holds
    // more than a few elements (a control's own surface mostly holds one or two, found by
    // looking at each): both would cost every control memory it hardly needs.
    std::unique_ptr<Drawing> m_drawing;
    std::vector<std::unique_ptr<Element>> m_elements;
    std::unique_ptr<std::unordered_map<std::string, Element*>> m_names;  // by NameKey
    static constexpr size_t kNamesFrom = 8;  // elements
    mutable std::unique_ptr<ElementGrid> m_grid;
    ControlElement* m_embedding = nullptr;
};

// A library control embedded in another control's design, or placed on a form or in a
// container control. Its geometry is its surface's.
class ControlElement : public Element {
public:
    ControlElement(std::unique_ptr<Surface> surface, bool designChild);
    Surface& GetSurface() const { return *m_surface; }
    Control& GetControl() const;
    // True for a design child of a control; false for a control placed by the form's author.
    bool IsDesignChild() const { return m_designChild; }
    Rect Bounds() const override { return m_surface->Bounds(); }
    bool Visible() const override { return m_surface->Visible(); }
    void SetVisible(bool v) override { m_surface->SetVisible(v); }

private:
    std::unique_ptr<Surface> m_surface;
    bool m_designChild;
};

}  // namespace stolvane
