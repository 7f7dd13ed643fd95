// SPDX-License-Identifier: MIT
#include "designer/browser_dialogs.h"

#include <cstdio>
#include <functional>
#include <utility>

#include "core/control.h"
#include "core/elements.h"
#include "core/text_box.h"
#include "designer/property_text.h"
#include "host/keys.h"
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
    // Places OK and Cancel and shows the form modally; true when OK closed it. `ok` runs first
    // and may keep the form open by answering false.
    bool Run(Form& owner, const Rect& okAt, const Rect& cancelAt, const std::function<bool()>& ok = {}) {
        Button("cmdOK", "OK", okAt, [this, ok] {
            if (ok && !ok()) return;
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
    if (!dialog.Run(owner, {3000, 960, 1095, 345}, {4185, 960, 1095, 345}, [&] {
            chosen = text.Text();
            return true;
        }))
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
    if (!dialog.Run(owner, {2880, 900, 1140, 375}, {4140, 900, 1140, 375}, [&] {
            typed = text.Text();
            return true;
        }))
        return std::nullopt;
    const size_t first = typed.find_first_not_of(" \t"), last = typed.find_last_not_of(" \t");
    if (first == std::string::npos) return std::nullopt;
    return typed.substr(first, last - first + 1);
}

// ---------------------------------------------------------------- colours

namespace {

// The basic colours, a row at a time: light, full, medium, dark and darkest tones of red,
// orange, yellow, green, cyan, blue, violet and magenta, then greys from black to white.
constexpr OleColour kBasic[kBasicColourRows][kBasicColourColumns] = {
    {RGB(255, 128, 128), RGB(255, 192, 128), RGB(255, 255, 128), RGB(128, 255, 128), RGB(128, 255, 255),
     RGB(128, 128, 255), RGB(192, 128, 255), RGB(255, 128, 255)},
    {RGB(255, 0, 0), RGB(255, 128, 0), RGB(255, 255, 0), RGB(0, 255, 0), RGB(0, 255, 255), RGB(0, 0, 255),
     RGB(128, 0, 255), RGB(255, 0, 255)},
    {RGB(192, 0, 0), RGB(192, 96, 0), RGB(192, 192, 0), RGB(0, 192, 0), RGB(0, 192, 192), RGB(0, 0, 192),
     RGB(96, 0, 192), RGB(192, 0, 192)},
    {RGB(128, 0, 0), RGB(128, 64, 0), RGB(128, 128, 0), RGB(0, 128, 0), RGB(0, 128, 128), RGB(0, 0, 128),
     RGB(64, 0, 128), RGB(128, 0, 128)},
    {RGB(64, 0, 0), RGB(64, 32, 0), RGB(64, 64, 0), RGB(0, 64, 0), RGB(0, 64, 64), RGB(0, 0, 64), RGB(32, 0, 64),
     RGB(64, 0, 64)},
    {RGB(0, 0, 0), RGB(32, 32, 32), RGB(64, 64, 64), RGB(128, 128, 128), RGB(160, 160, 160), RGB(192, 192, 192),
     RGB(224, 224, 224), RGB(255, 255, 255)},
};

constexpr int kCellPixels = 20, kPixel = 15;

std::string ColourText(OleColour c) {
    char text[16];
    std::snprintf(text, sizeof text, "&H%08X&", static_cast<unsigned>(c));
    return text;
}

}  // namespace

OleColour BasicColour(int index) { return kBasic[index / kBasicColourColumns][index % kBasicColourColumns]; }

std::optional<std::string> PickColour(Runtime& rt, Form& owner, const std::string& current,
                                      const std::function<void(const std::string&)>& apply,
                                      const std::string& messageTitle) {
    Dialog dialog(rt, "frmColour", "Colour", 4200, 2520);
    Form& f = dialog.GetForm();
    auto& grid = static_cast<PictureBox&>(rt.PlaceElement(f, ElementKind::PictureBox, "picColours", -1));
    grid.Move(120, 120, kBasicColourColumns * kCellPixels * kPixel, kBasicColourRows * kCellPixels * kPixel);
    grid.SetBorder(false);
    grid.SetBackColour(SysColour::ButtonFace);
    auto& label = static_cast<Label&>(rt.PlaceElement(f, ElementKind::Label, "lblValue", -1));
    label.Move(2640, 120, 1440, 255);
    label.SetCaption("&Colour:");
    auto& text = static_cast<TextBox&>(rt.PlaceElement(f, ElementKind::TextBox, "txtValue", -1));
    text.Move(2640, 390, 1440, 315);
    auto& sample = static_cast<PictureBox&>(rt.PlaceElement(f, ElementKind::PictureBox, "picSample", -1));
    sample.Move(2640, 825, 1440, 1095);
    sample.SetBorder(true);

    int index = -1;  // the framed basic colour
    // Each cell: a swatch inside a shadow-coloured frame; the current cell framed in the text
    // colour two pixels wide around it.
    auto draw = [&] {
        grid.Cls();
        auto fill = [&](int x0, int y0, int x1, int y1, OleColour c) {
            grid.FillRect(x0 * kPixel, y0 * kPixel, (x1 - 1) * kPixel, (y1 - 1) * kPixel, c);
        };
        for (int i = 0; i < kBasicColourCount; ++i) {
            const int x = (i % kBasicColourColumns) * kCellPixels, y = (i / kBasicColourColumns) * kCellPixels;
            if (i == index) {
                fill(x, y, x + kCellPixels, y + kCellPixels, SysColour::WindowText);
                fill(x + 2, y + 2, x + kCellPixels - 2, y + kCellPixels - 2, SysColour::ButtonFace);
            }
            fill(x + 3, y + 3, x + kCellPixels - 3, y + kCellPixels - 3, SysColour::ButtonShadow);
            fill(x + 4, y + 4, x + kCellPixels - 4, y + kCellPixels - 4, BasicColour(i));
        }
    };
    // What the text says, when it is a colour: the sample shows it, its basic colour framed.
    auto follow = [&] {
        try {
            const OleColour c = static_cast<OleColour>(
                AsInteger(designer::ParseValue(text.Text(), designer::TextType::Colour, nullptr, rt, "Colour")));
            sample.SetBackColour(c);
            index = -1;
            for (int i = 0; i < kBasicColourCount && index < 0; ++i)
                if (BasicColour(i) == c) index = i;
            draw();
        } catch (const HostError&) {
        }
    };
    // A basic colour picked: its value goes into the text, all selected.
    auto pick = [&](int i) {
        index = i;
        text.SetText(ColourText(BasicColour(i)));
        rt.FocusTextBox(text);
        text.SetSelStart(0);
        text.SetSelLength(static_cast<int32_t>(text.Text().size()));
        follow();
    };
    std::string start = current;
    if (start.rfind("0x", 0) == 0 && start.size() == 10) start = "&H" + start.substr(2) + "&";
    text.SetText(start);
    follow();
    draw();
    text.Change += [&] { follow(); };
    grid.onMouseDown = [&](MouseArgs& a) {
        const int col = static_cast<int>(a.x / (kCellPixels * kPixel)), row = static_cast<int>(a.y / (kCellPixels * kPixel));
        if (a.button == 1 && col >= 0 && col < kBasicColourColumns && row >= 0 && row < kBasicColourRows)
            pick(row * kBasicColourColumns + col);
    };
    // The arrows move in the grid while the text is not being edited (all of it selected, or
    // none there); once something is typed they are the text's.
    f.SetKeyPreview(true);
    f.KeyDown += [&](int16_t& key, int16_t& shift) {
        const bool arrow = key == KeyCode::Left || key == KeyCode::Right || key == KeyCode::Up || key == KeyCode::Down;
        const bool whole = text.Text().empty() || text.SelLength() == static_cast<int32_t>(text.Text().size());
        if (!arrow || shift != 0 || !whole) return;
        int to = index;
        if (to < 0) to = 0;
        else if (key == KeyCode::Left && to % kBasicColourColumns > 0) --to;
        else if (key == KeyCode::Right && to % kBasicColourColumns < kBasicColourColumns - 1) ++to;
        else if (key == KeyCode::Up && to >= kBasicColourColumns) to -= kBasicColourColumns;
        else if (key == KeyCode::Down && to < kBasicColourCount - kBasicColourColumns) to += kBasicColourColumns;
        pick(to);
        key = 0;
    };
    rt.FocusTextBox(text);
    text.SetSelStart(0);
    text.SetSelLength(static_cast<int32_t>(text.Text().size()));
    std::string applied;
    // OK applies the text; a value the property refuses is told and the box stays open.
    if (!dialog.Run(owner, {1620, 2040, 1200, 345}, {2880, 2040, 1200, 345}, [&] {
            try {
                apply(text.Text());
            } catch (const HostError& e) {
                rt.MsgBox(e.description, messageTitle);
                return false;
            }
            applied = text.Text();
            return true;
        }))
        return std::nullopt;
    return applied;
}

}  // namespace stolvane
