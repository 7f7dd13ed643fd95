// SPDX-License-Identifier: MIT
#include "designer/browser_dialogs.h"

#include <functional>
#include <utility>

#include "core/control.h"
#include "core/elements.h"
#include "core/text_box.h"
#include "host/runtime.h"

namespace stolvane {

namespace {

// A modal form of the designer's look: Tahoma, OK the default button, Cancel the cancel one.
class Dialog {
public:
    Dialog(Runtime& rt, const std::string& name, const std::string& caption, double width, double height)
        : m_rt(rt), m_form(rt.NewForm(name, width, height)) {
        m_form.SetCaption(caption);
        m_form.SetFont(MakeFont("Tahoma", 8.25));
        m_form.SetBorderStyle(Form::FixedDialog);
    }
    ~Dialog() { m_rt.UnloadForm(m_form); }
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    Form& GetForm() { return m_form; }
    // A prompt over a one-line text box holding `text`, the width of the form.
    TextBox& Field(const std::string& labelName, const std::string& prompt, const std::string& textName,
                   const std::string& text) {
        auto& label = static_cast<Label&>(m_rt.PlaceElement(m_form, ElementKind::Label, labelName, -1));
        label.Move(120, 120, 5160, 255);
        label.SetCaption(prompt);
        auto& box = static_cast<TextBox&>(m_rt.PlaceElement(m_form, ElementKind::TextBox, textName, -1));
        box.Move(120, 420, 5160, 315);
        box.SetText(text);
        return box;
    }
    void Button(const std::string& name, const std::string& caption, const Rect& r, std::function<void()> run) {
        Control& c = m_rt.PlaceControl(m_form, "TolvaneButton", name, -1, r, nullptr).GetControl();
        if (const PropertyInfo* p = c.FindProperty("Caption")) p->set(c, Value{caption});
        if (const PropertyInfo* p = c.FindProperty("ButtonStyle")) p->set(c, Value{int64_t{0}});
        c.OnEvent("Click", [run](EventArgs&) { run(); });
    }
    // Places OK and Cancel and shows the form modally; true when OK closed it.
    bool Run(Form& owner, const Rect& okAt, const Rect& cancelAt, const std::function<void()>& ok = {}) {
        Button("cmdOK", "OK", okAt, [this, ok] {
            if (ok) ok();
            m_ok = true;
            m_rt.HideForm(m_form);
        });
        Button("cmdCancel", "Cancel", cancelAt, [this] { m_rt.HideForm(m_form); });
        m_form.SetDefaultButton("cmdOK");
        m_form.SetCancelButton("cmdCancel");
        m_rt.ShowModal(m_form, &owner);
        return m_ok;
    }

private:
    Runtime& m_rt;
    Form& m_form;
    bool m_ok = false;
};

}  // namespace

std::optional<std::vector<std::string>> EditTabOrder(Runtime& rt, Form& owner, std::vector<std::string> order) {
    Dialog dialog(rt, "frmTabOrder", "Tab Order", 4200, 3480);
    Form& f = dialog.GetForm();
    auto& list = static_cast<ListBox&>(rt.PlaceElement(f, ElementKind::ListBox, "lstOrder", -1));
    list.Move(120, 120, 2760, 3240);
    list.SetCheckBoxes(false);
    auto fill = [&](int current) {
        list.Clear();
        for (const std::string& n : order) list.AddItem(n);
        list.SetListIndex(current);
    };
    fill(order.empty() ? -1 : 0);
    // Moves the current control one place up (-1) or down (+1), keeping it current.
    auto move = [&](int by) {
        const int i = list.ListIndex(), j = i + by;
        if (i < 0 || j < 0 || j >= static_cast<int>(order.size())) return;
        std::swap(order[i], order[j]);
        fill(j);
    };
    dialog.Button("cmdUp", "&Up", {3000, 120, 1080, 345}, [&] { move(-1); });
    dialog.Button("cmdDown", "&Down", {3000, 540, 1080, 345}, [&] { move(1); });
    if (!dialog.Run(owner, {3000, 2595, 1080, 345}, {3000, 3015, 1080, 345})) return std::nullopt;
    return order;
}

std::optional<std::string> AskPictureFile(Runtime& rt, Form& owner, const std::string& current) {
    Dialog dialog(rt, "frmPicture", "Picture", 5400, 1500);
    TextBox& text = dialog.Field("lblFile", "&File name (a PNG, BMP, GIF, ICO or JPEG picture):", "txtFile", current);
    std::string chosen;
    if (!dialog.Run(owner, {3000, 960, 1095, 345}, {4185, 960, 1095, 345}, [&] { chosen = text.Text(); }))
        return std::nullopt;
    return chosen;
}

std::optional<std::string> AskFileName(Runtime& rt, Form& owner, const std::string& title, const std::string& prompt,
                                       const std::string& name) {
    Dialog dialog(rt, "frmFileName", title, 5400, 1380);
    TextBox& text = dialog.Field("lblPrompt", prompt, "txtFileName", name);
    rt.FocusTextBox(text);
    text.SetSelStart(0);
    text.SetSelLength(static_cast<int32_t>(text.Text().size()));
    std::string typed;
    if (!dialog.Run(owner, {2880, 900, 1140, 375}, {4140, 900, 1140, 375}, [&] { typed = text.Text(); }))
        return std::nullopt;
    const size_t first = typed.find_first_not_of(" \t"), last = typed.find_last_not_of(" \t");
    if (first == std::string::npos) return std::nullopt;
    return typed.substr(first, last - first + 1);
}

}  // namespace stolvane
