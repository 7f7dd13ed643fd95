// SPDX-License-Identifier: MIT
// The designer's window: a form built from the library's own controls and elements around a
// FormDesigner. A toolbox of buttons (the classes and element kinds), the form under design
// drawn in a picture box exactly as it runs, a property browser (a list of the selection's
// properties and a text box the value is typed into) and a status line. Everything it does
// comes through its parts' mouse and keys, so scripts drive it as a user would; the parts'
// names are documented in docs/designer.md.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "designer/design_picture.h"
#include "designer/form_designer.h"
#include "designer/property_browser.h"
#include "host/render.h"

namespace stolvane {

class DesignerForm {
public:
    // Builds the designer's form in the runtime for the file at `path`: opened when it exists,
    // else a new form that Save writes there. A file that does not load throws FormFileError.
    DesignerForm(Runtime& runtime, const std::string& path);
    DesignerForm(const DesignerForm&) = delete;
    DesignerForm& operator=(const DesignerForm&) = delete;

    Form& GetForm() const { return *m_form; }
    FormDesigner& Designer() { return m_designer; }
    // Where the picture of the form under design lies in the designer's client area (twips):
    // right of the toolbox, below the arranging toolbar.
    static constexpr double kFormLeft = 1740, kFormTop = 480;
    // The arranging toolbar's row: its buttons' top and their size (square).
    static constexpr double kBarTop = 60, kBarButton = 360;
    // The device pixels of the form under design painted for the picture last shown, and those of
    // the whole form (for measurements: a drag repaints only what moved).
    int64_t LastRepaintedPixels() const;
    int64_t FormPixels() const;

private:
    void Build();
    // The toolbar of arranging commands above the workspace.
    void BuildArrangeBar(Form& f);
    // Shows the form under design, the selection, its properties and the status line again.
    void Refresh();
    // Saves to the form file (without one, asks for a name as Save As does); false (told in a
    // message box) when it was not saved.
    bool Save();
    // Asks for a file name and saves there; the designer then belongs to that file.
    bool SaveAs();
    // A new form, or one opened from a file named in the file-name box; either first asks
    // whether to save unsaved changes. A file that does not load is told and changes nothing.
    void NewForm();
    void OpenForm();
    // The window's caption names the form file.
    void ShowPath();
    // Closing the designer's window with unsaved changes asks whether to save them: Yes saves
    // (and stays open when that fails), No loses them, Cancel keeps the window open.
    bool QueryUnload();
    // Runs a change; a refused one is told in a message box with the runtime's words.
    template <class F>
    void Do(F change);
    void MouseDown(const MouseArgs& a);
    void MouseMove(const MouseArgs& a);
    void MouseUp(const MouseArgs& a);
    // The rubber band released: selects what it touches in its container.
    void SelectBand(const Rect& band);
    // Shows dotted outlines of these rectangles of the form (twips) over the picture of the
    // form, in place of those shown before, repainting only the edges of both.
    void ShowOutlines(std::vector<Rect> outlines);
    void KeyDown(int16_t& keyCode, int16_t& shift);
    // Resizes the first selected thing by dragging grab handle `handle` (0 the top-left corner,
    // then clockwise) by (dx, dy) twips: one undoable step.
    void ResizeByHandle(int handle, double dx, double dy);
    // The clipboard holds the selection as form-file text, so it pastes into another designer
    // and reads as text elsewhere.
    void CopyToClipboard(bool cut);
    void PasteFromClipboard();
    // Runs the form as it is designed (its form-file text loaded as a form of its own, not in
    // design mode), shown modally: closing it comes back to the designer.
    void RunDesigned();

    Runtime& m_rt;
    FormDesigner m_designer;
    PropertyBrowser m_browser;
    std::string m_path;
    Form* m_form = nullptr;
    std::string m_tool;      // the toolbox's choice; empty: the pointer
    // What a press on the form's picture started: placing the tool picked, moving the
    // selection, a grab handle of the selection or of the form, a rubber band, or (Ctrl on a
    // container) a band inside it or, without dragging, a Ctrl-click.
    enum class Drag { None, Place, Move, Handle, FormEdge, Band, CtrlOnContainer };
    Drag m_drag = Drag::None;
    int m_grab = -1;                // the grab handle being dragged, if any
    std::string m_bandContainer;    // where the rubber band selects ("" the form)
    bool m_bandAdds = false;        // the band adds to the selection
    double m_downX = 0, m_downY = 0;
    designer::DesignPicture m_picture;  // the picture last shown, which a rubber band is drawn over
    std::vector<Rect> m_outlines;       // the outlines shown over it (a band, a move dragged)
    // The arranging buttons and how many placed things each needs selected.
    std::vector<std::pair<Control*, size_t>> m_arrange;
    // Draws the form under design, repainting what changed; made anew for each form object.
    std::unique_ptr<FormRenderer> m_renderer;
    unsigned m_rendered = 0;  // the document's generation it draws
};

}  // namespace stolvane
