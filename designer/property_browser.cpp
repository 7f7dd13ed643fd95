// SPDX-License-Identifier: MIT
#include "designer/property_browser.h"

#include <utility>

#include "core/control.h"
#include "core/elements.h"
#include "core/text_box.h"
#include "host/runtime.h"

namespace stolvane {

PropertyBrowser::PropertyBrowser(Runtime& runtime, FormDesigner& designer, Runner run)
    : m_rt(runtime), m_designer(designer), m_run(std::move(run)) {}

template <class T>
T& PropertyBrowser::Part(const char* name) const {
    return static_cast<T&>(*m_form->FindAuthored(name));
}

std::string PropertyBrowser::Shown() const {
    const auto& names = m_designer.GetSelection().Names();
    return names.empty() ? std::string() : names.front();
}

void PropertyBrowser::Build(Form& f, const Command& command) {
    m_form = &f;
    auto& list = static_cast<ListBox&>(m_rt.PlaceElement(f, ElementKind::ListBox, "lstProperties", -1));
    list.SetLeft(kLeft);
    list.SetTop(60);
    list.SetWidth(kWidth);
    list.SetHeight(5400);
    list.SetCheckBoxes(false);
    // A row clicked with the mouse hands its value to the value box, all selected, so what is
    // typed next replaces it; the arrow keys pick rows and leave the focus in the list.
    list.onMouseDown = [this](MouseArgs&) { m_listPressed = true; };
    list.onClick = [this, &list] {
        Pick(list.ListIndex());
        if (!std::exchange(m_listPressed, false) || m_property.empty()) return;
        auto& value = Part<TextBox>("txtValue");
        m_rt.FocusTextBox(value);
        value.SetSelStart(0);
        value.SetSelLength(static_cast<int32_t>(value.Text().size()));
    };

    auto& text = static_cast<TextBox&>(m_rt.PlaceElement(f, ElementKind::TextBox, "txtValue", -1));
    text.SetLeft(kLeft);
    text.SetTop(5520);
    text.SetWidth(kWidth - 1080);
    text.SetHeight(315);
    command("cmdApply", "&Apply", kLeft + kWidth - 1020, 5520, 1020, 315, [this] { Apply(); });
    f.SetDefaultButton("cmdApply");

    auto& help = static_cast<Label&>(m_rt.PlaceElement(f, ElementKind::Label, "lblHelp", -1));
    help.SetLeft(kLeft);
    help.SetTop(5940);
    help.SetWidth(kWidth);
    help.SetHeight(1500);
    help.SetWordWrap(true);
}

void PropertyBrowser::Show() {
    auto& list = Part<ListBox>("lstProperties");
    const std::vector<PropertyRow> rows = m_designer.Properties(Shown());
    list.Clear();
    int current = -1;
    for (size_t i = 0; i < rows.size(); ++i) {
        list.AddItem(rows[i].name + ": " + rows[i].value);
        if (rows[i].name == m_property) current = static_cast<int>(i);
    }
    if (current < 0) m_property.clear();
    list.SetListIndex(current);
    Part<Label>("lblHelp").SetCaption(current < 0 ? std::string() : rows[current].help);
}

void PropertyBrowser::Pick(int row) {
    const std::vector<PropertyRow> rows = m_designer.Properties(Shown());
    if (row < 0 || row >= static_cast<int>(rows.size())) return;
    m_property = rows[row].name;
    Part<TextBox>("txtValue").SetText(rows[row].value);
    Part<Label>("lblHelp").SetCaption(rows[row].help);
}

void PropertyBrowser::Apply() {
    if (m_property.empty()) return;
    const std::string name = Shown();
    const std::string text = Part<TextBox>("txtValue").Text();
    // A new name follows the selection, so the row stays on it.
    m_run([&] { m_designer.SetProperty(name, m_property, text); });
}

}  // namespace stolvane
