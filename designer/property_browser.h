// SPDX-License-Identifier: MIT
// The designer's property browser: the right column of its window. A list of the selection's
// properties (`lstProperties`), a text box the picked one's value is typed into (`txtValue`),
// a button that applies it (`cmdApply`) and the picked property's help text (`lblHelp`). It
// acts on the FormDesigner only through the runner its window gives it, which tells a refused
// value in a message box and shows the window again after every change.
#pragma once

#include <functional>
#include <string>
#include <vector>

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
    // Shows the selection's properties again, keeping the picked row where it still is.
    void Show();

    static constexpr double kLeft = 9060, kWidth = 3840;

private:
    void Pick(int row);
    void Apply();
    // The thing whose properties are shown: the primary selection, "" the form.
    std::string Shown() const;
    template <class T>
    T& Part(const char* name) const;

    Runtime& m_rt;
    FormDesigner& m_designer;
    Runner m_run;
    Form* m_form = nullptr;
    std::string m_property;      // the current row's property
    bool m_listPressed = false;  // the list's next click comes from the mouse
};

}  // namespace stolvane
