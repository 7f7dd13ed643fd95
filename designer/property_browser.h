// SPDX-License-Identifier: MIT
// The designer's property browser: the right column of its window. Buttons that list the
// properties alphabetically or by category (`cmdAlphabetic`, `cmdCategorized`) and open the
// tab-order editor (`cmdTabOrder`); a list of the selection's properties (`lstProperties`:
// for several selected things, those they have in common); a text box the picked one's value
// is typed into (`txtValue`) with the type's own editor beside it (`cmdDrop` opens the list
// `lstValues`, or for Anchor the picture `picAnchor`, and `picPreview` shows a picture; a
// colour's "Custom..." opens the colour box); a button that applies the value
// (`cmdApply`) and the picked property's help text (`lblHelp`). It acts on the FormDesigner
// only through the runner its window gives it, which tells a refused value in a message box
// and shows the window again after every change.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "designer/anchor_editor.h"
#include "designer/form_designer.h"

namespace stolvane {

class PropertyBrowser {
public:
    // Runs a change to the designed form: told when refused, then the window is shown again.
    using Runner = std::function<void(const std::function<void()>&)>;

    PropertyBrowser(Runtime& runtime, FormDesigner& designer, Runner run);
    PropertyBrowser(const PropertyBrowser&) = delete;
    PropertyBrowser& operator=(const PropertyBrowser&) = delete;

    // Places the browser's parts on the designer's form; `command` places a push button.
    using Command = std::function<void(const std::string& name, const std::string& caption, double left, double top,
                                       double width, double height, std::function<void()> run)>;
    void Build(Form& form, const Command& command);
    // Shows the selection's properties again, keeping the picked row (or heading) where it
    // still is; an open drop-down closes.
    void Show();
    // The browser's keys (the designer's form sees keys first): in the drop-down the arrows,
    // Page Up, Page Down, Home and End move, Enter picks and Escape closes it; in the anchor
    // editor the arrows pick a bar, Space anchors or frees it, Enter applies and Escape
    // forgets; F4 or Alt+Down in the value box opens either. True when the key was the browser's.
    bool KeyDown(int16_t keyCode, int16_t shift);
    // Opens the tab-order editor; OK sets the controls' TabIndex as one step.
    void EditTabOrder();

    static constexpr double kLeft = 9060, kWidth = 3840;
    // The drop-down shows at most this many entries at once and scrolls through the rest.
    static constexpr int kDropRows = 8;

private:
    // One row of lstProperties: a property, or a category's heading (row -1).
    struct Line {
        int row = -1;
        std::string heading;
    };
    // One entry of the drop-down: as shown, and the text it applies as if typed.
    using Entry = std::pair<std::string, std::string>;

    void Pick(int line);
    void Apply();
    // What the browser shows: the selection, or the form ("") when nothing is selected.
    std::vector<std::string> Shown() const;
    const PropertyRow* Current() const;
    std::vector<Entry> EntriesFor(const PropertyRow& row) const;
    void OpenDrop();
    void CloseDrop();
    void FillDrop();
    void MoveDrop(int to);
    void PickEntry(int index);
    void ShowPreview(bool on);
    void OpenAnchor(const PropertyRow& row);
    void CloseAnchor(bool apply);
    void PickCustomColour();
    template <class T>
    T& Part(const char* name) const;

    Runtime& m_rt;
    FormDesigner& m_designer;
    Runner m_run;
    Form* m_form = nullptr;
    std::vector<PropertyRow> m_rows;
    std::vector<Line> m_lines;
    bool m_categorized = false;
    std::string m_property;      // the current row's property
    std::string m_heading;       // the current heading, when a heading row is current
    std::vector<std::string> m_collapsed;  // the categories whose rows are hidden
    bool m_listPressed = false;  // the list's next click comes from the mouse
    // The drop-down: its entries, the first one shown, the current one.
    std::vector<Entry> m_entries;
    int m_first = 0, m_index = -1;
    bool m_dropOpen = false;
    AnchorEditor m_anchor;
    std::string m_anchorBefore;  // the value box's text when the anchor editor opened
};

}  // namespace stolvane
