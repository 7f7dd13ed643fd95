// SPDX-License-Identifier: MIT
// The designer's model: the form under design and what the author does to it. Controls of the
// library's classes and intrinsic elements are placed (named TolvaneButton1, Label1 ...),
// selected, moved and resized on a grid, deleted, cut, copied and pasted as form-file text,
// their properties set through the class and member tables (a refused value changes nothing
// and says why in the runtime's words); every change can be undone and redone, and the form
// is saved through the atomic writer, so that `stolvane run` loads exactly what was designed.
//
// Things are addressed by name: "" is the form, otherwise a placed control or element (names
// are unique on a form, however deep in containers).
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/types.h"
#include "designer/form_document.h"
#include "designer/property_text.h"
#include "designer/selection.h"
#include "designer/snap_grid.h"
#include "designer/undo_history.h"

namespace stolvane {

// What the property browser lists for one property.
struct PropertyRow {
    std::string name;
    std::string value;  // as typed (ShowValue); empty where a multi-selection disagrees
    std::string help;
    designer::TextType type = designer::TextType::String;
    const EnumInfo* enumeration = nullptr;  // a class property's enumeration
    // A member that takes only the whole numbers lo to hi (a form's BorderStyle 0 to 5).
    bool ranged = false;
    int64_t lo = 0, hi = 0;
    std::string category;  // designer::CategoryOf
};

class FormDesigner {
public:
    explicit FormDesigner(Runtime& runtime, DesignSink* sink = nullptr);

    FormDocument& Document() { return m_doc; }
    Form& GetForm() const { return m_doc.GetForm(); }
    Runtime& GetRuntime() const { return m_doc.GetRuntime(); }
    Selection& GetSelection() { return m_selection; }
    SnapGrid grid;

    // ---- Files
    void New();
    void Open(const std::string& path);
    void Save(const std::string& path);
    // Changed since it was new, opened or last saved.
    bool Modified() const { return m_history.Current() != m_savedText; }

    // ---- Placing: a library class ("TolvaneButton") or an element kind ("Label", any case),
    // in the form or in the container control named. The rectangle is in the container's twips,
    // snapped to the grid; the new thing is named after its class and becomes the selection.
    std::string Place(const std::string& kind, const std::string& container, const Rect& rect);
    // The default size at the middle of the form (a double-click on the toolbox).
    std::string PlaceDefault(const std::string& kind);
    // The classes and element kinds the toolbox offers, in its order.
    std::vector<std::string> Placeable() const;

    // ---- Finding
    // The placed control or element of that name ("" the form); error 424 for none.
    Target Find(const std::string& name) const;
    // The placed thing at a point of the form's client area (twips), innermost; "" the form.
    std::string NameAt(double x, double y) const;
    // Where it lies in the form's client area (twips).
    Rect FormBounds(const std::string& name) const;
    // Where it lies in its container (twips).
    Rect Bounds(const std::string& name) const;

    // Selects everything placed directly on the form (what containers hold goes with them), in
    // the form's order.
    void SelectAll();

    // ---- Arranging the selection
    // Moves it by (dx, dy) twips: the first selected snaps to the grid, the others keep their
    // distances to it.
    void MoveSelection(double dx, double dy);
    // Moves the selection by (dx, dy) twips as it shows on the form and puts it into the
    // container control named ("" the form), one undoable step: what goes in keeps where it
    // shows on the form, the first selected snapped to the grid of its new container; a
    // container takes what it holds along. Something selected inside something else selected
    // goes with it. Nothing goes into itself or into what it holds (error 5). When everything
    // stays in its container this is MoveSelection.
    void MoveSelectionInto(const std::string& container, double dx, double dy);
    // Where each selected thing (in the selection's order, the form left out) would lie in the
    // form (twips) after MoveSelection(dx, dy), or after MoveSelectionInto(container, dx, dy):
    // snapped as the move would snap it, nothing moved. What a drag's outlines show.
    std::vector<Rect> MovedBounds(double dx, double dy) const;
    std::vector<Rect> MovedBounds(double dx, double dy, const std::string& container) const;
    // The innermost container control at a point of the form (twips) that is neither selected
    // nor inside something selected: where a dragged selection dropped there goes. "" the form.
    std::string DropTargetAt(double x, double y) const;
    // The container a placed thing lies in ("" the form).
    std::string ContainerOf(const std::string& name) const;
    // What lies directly in the container named ("" the form) and touches a rectangle of the
    // form (twips), in the container's order: what a rubber band selects.
    std::vector<std::string> Touching(const std::string& container, const Rect& formRect) const;
    // Gives the form's client area a new size, each side snapped to the grid: one undoable step.
    void ResizeForm(double width, double height);
    // Gives one thing new bounds in its container (no snapping: the browser's Left, Top ...).
    void SetBounds(const std::string& name, const Rect& r);
    // Resizes every selected thing by (dw, dh), each snapped.
    void ResizeSelection(double dw, double dh);
    void DeleteSelection();

    // Lines up the selection with its first selected thing, compared where they lie in the form
    // (so things in different containers line up too); exact, not snapped.
    enum class Align { Lefts, Rights, Tops, Bottoms, Centres, Middles };  // Centres: side to side
    void AlignSelection(Align how);
    // Gives the others the first selected one's width, height or both.
    enum class Size { Width, Height, Both };
    void MakeSameSize(Size what);
    // Moves the selection as a group (keeping their distances) so that the rectangle around it
    // lies in the middle of the form's client area, side to side and/or top to bottom.
    void CentreInForm(bool horizontally, bool vertically);
    // Puts the selected things above (drawn after) or below the others in their container; the
    // form file keeps them in that order.
    void BringToFront();
    void SendToBack();

    // ---- Properties
    // Sets a property from the text typed into the browser: a control's class table first,
    // then the members of its extender (Left, Top, Width, Height, Visible, TabIndex ...), of
    // the form, or of an element's kind; Name renames it. Refused values throw the runtime's
    // HostError and change nothing.
    void SetProperty(const std::string& name, const std::string& property, const std::string& text);
    std::string PropertyText(const std::string& name, const std::string& property) const;
    // The value itself (a picture for the browser's preview); error 438 for no such property.
    Value PropertyValue(const std::string& name, const std::string& property) const;
    // Every property the browser lists for it, alphabetically.
    std::vector<PropertyRow> Properties(const std::string& name) const;
    // The properties every one of them has (by name; Name only for one thing), alphabetically,
    // with the value where they all agree and empty where they do not.
    std::vector<PropertyRow> CommonProperties(const std::vector<std::string>& names) const;
    // Sets the property on every one of them as one step; a value any of them refuses changes
    // none of them.
    void SetProperty(const std::vector<std::string>& names, const std::string& property, const std::string& text);

    // ---- Tab order: the controls on the form that take the focus (however deep in
    // containers), in the order Tab visits them (by TabIndex, then the form's order).
    std::vector<std::string> TabOrder() const;
    // Gives them TabIndex 0, 1, 2 ... in this order: one step. Names not in TabOrder() are
    // refused (error 5) and nothing changes.
    void SetTabOrder(const std::vector<std::string>& order);

    // ---- Clipboard: form-file text holding the selection.
    std::string Copy() const;
    std::string Cut();
    // Adds the controls of form-file text to the form (or the container named), renamed where
    // their names are taken; they become the selection. Returns their names.
    std::vector<std::string> Paste(const std::string& text, const std::string& container = "");

    // ---- Undo and redo (every change above is one step)
    bool CanUndo() const { return m_history.CanUndo(); }
    bool CanRedo() const { return m_history.CanRedo(); }
    bool Undo();
    bool Redo();
    const UndoHistory& History() const { return m_history; }

private:
    // Records the form after a change as one undo step.
    void Changed();
    void Reload(const std::string& text);
    void Rename(const std::string& from, const std::string& to);
    void SetProperty(const Target& t, const std::string& property, const std::string& text);
    Surface& ContainerNamed(const std::string& container) const;
    // The selected things that have bounds of their own (not the form).
    std::vector<std::string> SelectedPlaced() const;
    // The selected things that do not lie inside something else selected (they go with it).
    std::vector<std::string> SelectedOutermost() const;
    // Whether the container named, or one it lies in, is selected.
    bool InsideSelection(const std::string& container) const;
    // How far (the form's twips) a move by (dx, dy) takes the things moving, the first of them
    // snapped to the grid: of the container it lies in (into null), or of the container it
    // goes into.
    std::pair<double, double> MoveShift(const std::vector<std::string>& moving, const std::string* into, double dx,
                                        double dy) const;
    // Where each selected thing lies in the form after the things moving are moved as MoveShift
    // says (into null: each stays in its container).
    std::vector<Rect> MovedBoundsOf(const std::vector<std::string>& moving, const std::string* into, double dx,
                                    double dy) const;
    // One more than the highest TabIndex of the controls on the form, however deep: where a
    // control placed or pasted goes in the tab order.
    int NextTabIndex() const;
    void Reorder(bool toFront);

    FormDocument m_doc;
    Selection m_selection;
    UndoHistory m_history;
    std::string m_savedText;
};

}  // namespace stolvane
