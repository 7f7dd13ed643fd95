// SPDX-License-Identifier: MIT
#include "designer/file_name_dialog.h"

#include <memory>

#include "core/control.h"
#include "core/elements.h"
#include "core/text_box.h"
#include "host/runtime.h"

namespace stolvane {

std::optional<std::string> AskFileName(Runtime& rt, Form& owner, const std::string& title, const std::string& prompt,
                                       const std::string& name) {
    Form& f = rt.NewForm("frmFileName", 5400, 1380);
    f.SetCaption(title);
    f.SetBorderStyle(Form::FixedDialog);
    f.SetFont(MakeFont("Tahoma", 8.25));

    auto& label = static_cast<Label&>(rt.PlaceElement(f, ElementKind::Label, "lblPrompt", -1));
    label.Move(120, 120, 5160, 255);
    label.SetCaption(prompt);
    auto& text = static_cast<TextBox&>(rt.PlaceElement(f, ElementKind::TextBox, "txtFileName", -1));
    text.SetLeft(120);
    text.SetTop(420);
    text.SetWidth(5160);
    text.SetHeight(315);
    text.SetText(name);

    // What the buttons answer outlives the form, which the runtime may collect once it closes.
    auto answer = std::make_shared<std::optional<std::string>>();
    auto button = [&](const std::string& buttonName, const std::string& caption, double left, bool ok) {
        ControlElement& placed = rt.PlaceControl(f, "TolvaneButton", buttonName, -1, {left, 900, 1140, 375}, nullptr);
        Control& c = placed.GetControl();
        if (const PropertyInfo* p = c.FindProperty("Caption")) p->set(c, Value{caption});
        if (const PropertyInfo* p = c.FindProperty("ButtonStyle")) p->set(c, Value{int64_t{0}});
        c.OnEvent("Click", [&rt, &f, &text, answer, ok](EventArgs&) {
            if (ok) *answer = text.Text();
            rt.HideForm(f);
        });
    };
    button("cmdOK", "OK", 2880, true);
    button("cmdCancel", "Cancel", 4140, false);
    f.SetDefaultButton("cmdOK");
    f.SetCancelButton("cmdCancel");

    rt.FocusTextBox(text);
    text.SetSelStart(0);
    text.SetSelLength(static_cast<int32_t>(text.Text().size()));
    try {
        rt.ShowModal(f, &owner);
    } catch (...) {
        rt.UnloadForm(f);
        throw;
    }
    rt.UnloadForm(f);
    if (!*answer) return std::nullopt;
    std::string typed = **answer;
    const size_t first = typed.find_first_not_of(" \t"), last = typed.find_last_not_of(" \t");
    if (first == std::string::npos) return std::nullopt;
    return typed.substr(first, last - first + 1);
}

}  // namespace stolvane
