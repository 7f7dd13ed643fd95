// SPDX-License-Identifier: MIT
// The designer's window: a form built from the library's own controls and elements around a
// FormDesigner. A toolbox of buttons (the classes and element kinds), the form under design
// drawn in a picture box exactly as it runs, a property browser (a list of the selection's
// properties and a text box the value is typed into) and a status line. Everything it does
// comes through its parts' mouse and keys, so scripts drive it as a user would; the parts'
// names are documented in docs/designer.md.
#pragma once

#include <string>

#include "designer/form_designer.h"
#include "designer/property_browser.h"

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
    // Where the picture of the form under design lies in the designer's client area (twips).
    static constexpr double kFormLeft = 1740, kFormTop = 60;

private:
    void Build();
    // Shows the form under design, the selection, its properties and the status line again.
    void Refresh();
    // Saves to the form file; false (told in a message box) when it could not.
    bool Save();
    // Closing the designer's window with unsaved changes asks whether to save them: Yes saves
    // (and stays open when that fails), No loses them, Cancel keeps the window open.
    bool QueryUnload();
    // Runs a change; a refused one is told in a message box with the runtime's words.
    template <class F>
    void Do(F change);
    void MouseDown(const MouseArgs& a);
    void MouseUp(const MouseArgs& a);
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
    bool m_pressed = false;
    int m_grab = -1;             // the grab handle being dragged, if any
    double m_downX = 0, m_downY = 0;
};

}  // namespace stolvane
