// SPDX-License-Identifier: MIT
#include "designer/property_browser.h"

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <utility>

#include "core/anchor.h"
#include "core/control.h"
#include "core/elements.h"
#include "core/text_box.h"
#include "designer/browser_dialogs.h"
#include "host/fonts.h"
#include "host/keys.h"
#include "host/runtime.h"
#include "host/theme.h"

namespace stolvane {

using namespace designer;

namespace {

constexpr double kButtonsTop = 60, kListTop = 420, kValueTop = 5520, kRowHeight = 315;
constexpr double kDropWidth = 300, kApplyWidth = 1020;
constexpr double kDropTop = kValueTop + kRowHeight;
constexpr double kEntryTwips = 240;  // one row of a list box: 16 pixels
constexpr double kListEdges = 60;    // a list box's sunken edge, top and bottom
constexpr double kPreviewHeight = 1065;
const char* const kCustomColour = "Custom...";
const char* const kBrowse = "Browse...";
const char* const kIndent = "    ";  // a property's row under its category's heading
const char* const kNone = "(None)";
const char* const kMessageTitle = "STolvane Designer";

// The controls Enter or Escape can click as a form's default or cancel button: the push
// buttons (the only class whose instances answer a push), however deep in containers, sorted.
std::vector<std::string> PushButtons(Surface& s) {
    std::vector<std::string> out;
    for (const auto& e : s.Elements()) {
        auto* ce = dynamic_cast<ControlElement*>(e.get());
        if (!ce || ce->IsDesignChild()) continue;
        Surface& cs = ce->GetSurface();
        if (cs.GetControl() && std::string_view(cs.GetControl()->ClassName()) == "TolvaneButton") out.push_back(cs.FullName());
        for (std::string& inner : PushButtons(cs)) out.push_back(std::move(inner));
    }
    return out;
}

}  // namespace

PropertyBrowser::PropertyBrowser(Runtime& runtime, FormDesigner& designer, Runner run)
    : m_rt(runtime), m_designer(designer), m_run(std::move(run)), m_anchor(runtime) {}

template <class T>
T& PropertyBrowser::Part(const char* name) const {
    return static_cast<T&>(*m_form->FindAuthored(name));
}

std::vector<std::string> PropertyBrowser::Shown() const {
    const auto& names = m_designer.GetSelection().Names();
    return names.empty() ? std::vector<std::string>{""} : names;
}

const PropertyRow* PropertyBrowser::Current() const {
    for (const PropertyRow& r : m_rows)
        if (r.name == m_property) return &r;
    return nullptr;
}

void PropertyBrowser::Build(Form& f, const Command& command) {
    m_form = &f;
    command("cmdAlphabetic", "Alphabetic", kLeft, kButtonsTop, 1200, kRowHeight, [this] {
        m_categorized = false;
        Show();
    });
    command("cmdCategorized", "By category", kLeft + 1230, kButtonsTop, 1200, kRowHeight, [this] {
        m_categorized = true;
        Show();
    });
    command("cmdTabOrder", "Tab order...", kLeft + 2460, kButtonsTop, kWidth - 2460, kRowHeight,
            [this] { EditTabOrder(); });

    auto& list = static_cast<ListBox&>(m_rt.PlaceElement(f, ElementKind::ListBox, "lstProperties", -1));
    list.Move(kLeft, kListTop, kWidth, kValueTop - 60 - kListTop);
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

    // A heading clicked, or Left and Right on it, hides or shows its category's rows.
    list.onHeadingToggle = [this, &list](int row) {
        if (row < 0 || row >= static_cast<int>(m_lines.size()) || m_lines[row].row >= 0) return;
        const std::string heading = m_lines[row].heading;
        std::erase(m_collapsed, heading);
        if (list.Collapsed(row)) m_collapsed.push_back(heading);
        m_property.clear();
        m_heading = heading;
        Show();
    };

    auto& text = static_cast<TextBox&>(m_rt.PlaceElement(f, ElementKind::TextBox, "txtValue", -1));
    text.Move(kLeft, kValueTop, kWidth - kApplyWidth - 60 - kDropWidth, kRowHeight);
    command("cmdDrop", "\u25BC", kLeft + kWidth - kApplyWidth - 60 - kDropWidth, kValueTop, kDropWidth, kRowHeight,
            [this] { m_dropOpen || m_anchor.IsOpen() ? CloseDrop() : OpenDrop(); });
    // While the anchor editor is open the keys are its own: nothing is typed.
    text.KeyPress += [this](int16_t& ascii) {
        if (m_anchor.IsOpen()) ascii = 0;
    };
    f.KeyPress += [this](int16_t& ascii) {
        if (m_anchor.IsOpen()) ascii = 0;
    };
    command("cmdApply", "&Apply", kLeft + kWidth - kApplyWidth, kValueTop, kApplyWidth, kRowHeight, [this] { Apply(); });
    f.SetDefaultButton("cmdApply");

    auto& help = static_cast<Label&>(m_rt.PlaceElement(f, ElementKind::Label, "lblHelp", -1));
    help.Move(kLeft, 5940, kWidth, 1500);
    help.SetWordWrap(true);

    // The drop-down lies over the help text while it is open.
    auto& values = static_cast<ListBox&>(m_rt.PlaceElement(f, ElementKind::ListBox, "lstValues", -1));
    values.Move(kLeft, kDropTop, kWidth - kApplyWidth - 60, kListEdges + kEntryTwips);
    values.SetCheckBoxes(false);
    values.SetTabStop(false);
    values.SetVisible(false);
    // Keys never reach the list's own handling (KeyDown takes them), so a click is the mouse's.
    values.onClick = [this, &values] {
        if (values.ListIndex() >= 0) PickEntry(m_first + values.ListIndex());
    };
    // The anchor editor lies there too; the value box follows what it holds.
    m_anchor.Build(f, kLeft, kDropTop);
    m_anchor.onChange = [this] { Part<TextBox>("txtValue").SetText(AnchorText(m_anchor.Edges())); };
    auto& preview = static_cast<PictureBox&>(m_rt.PlaceElement(f, ElementKind::PictureBox, "picPreview", -1));
    preview.Move(kLeft, kDropTop, kWidth - kApplyWidth - 60, kPreviewHeight);
    preview.SetVisible(false);
}

void PropertyBrowser::Show() {
    CloseDrop();
    const std::vector<std::string> shown = Shown();
    m_rows = m_designer.CommonProperties(shown);
    m_lines.clear();
    if (m_categorized) {
        // A collapsed category shows its heading only.
        for (const std::string& category : Categories()) {
            const bool collapsed = std::find(m_collapsed.begin(), m_collapsed.end(), category) != m_collapsed.end();
            bool headed = false;
            for (size_t i = 0; i < m_rows.size(); ++i) {
                if (m_rows[i].category != category) continue;
                if (!std::exchange(headed, true)) m_lines.push_back({-1, category});
                if (!collapsed) m_lines.push_back({static_cast<int>(i), ""});
            }
        }
    } else {
        for (size_t i = 0; i < m_rows.size(); ++i) m_lines.push_back({static_cast<int>(i), ""});
    }
    auto& list = Part<ListBox>("lstProperties");
    list.Clear();
    int current = -1;
    for (size_t i = 0; i < m_lines.size(); ++i) {
        const Line& l = m_lines[i];
        if (l.row < 0) {
            list.AddItem(l.heading);
            list.SetHeading(static_cast<int>(i), true);
            list.SetCollapsed(static_cast<int>(i),
                              std::find(m_collapsed.begin(), m_collapsed.end(), l.heading) != m_collapsed.end());
            if (m_property.empty() && l.heading == m_heading) current = static_cast<int>(i);
            continue;
        }
        const PropertyRow& r = m_rows[l.row];
        list.AddItem((m_categorized ? kIndent : "") + r.name + ": " + r.value);
        if (r.name == m_property) current = static_cast<int>(i);
    }
    if (current < 0) {
        m_property.clear();
        m_heading.clear();
    }
    list.SetListIndex(current);
    Part<Label>("lblHelp").SetCaption(current < 0 || m_lines[current].row < 0 ? std::string()
                                                                              : m_rows[m_lines[current].row].help);
}

void PropertyBrowser::Pick(int line) {
    if (line < 0 || line >= static_cast<int>(m_lines.size())) return;
    CloseDrop();
    const Line& l = m_lines[line];
    auto& text = Part<TextBox>("txtValue");
    if (l.row < 0) {
        // A heading holds no value.
        m_property.clear();
        m_heading = l.heading;
        text.SetText("");
        Part<Label>("lblHelp").SetCaption("");
        return;
    }
    const PropertyRow& r = m_rows[l.row];
    m_property = r.name;
    m_heading.clear();
    text.SetText(r.value);
    Part<Label>("lblHelp").SetCaption(r.help);
}

void PropertyBrowser::Apply() {
    if (m_property.empty()) return;
    const std::vector<std::string> names = Shown();
    const std::string property = m_property;
    const std::string text = Part<TextBox>("txtValue").Text();
    // A new name follows the selection, so the row stays on it.
    m_run([&] { m_designer.SetProperty(names, property, text); });
}

// ---------------------------------------------------------------- the type's own editor

std::vector<PropertyBrowser::Entry> PropertyBrowser::EntriesFor(const PropertyRow& r) const {
    std::vector<Entry> out;
    // The form's own keys: no button, or one of its push buttons by name.
    if ((r.name == "DefaultButton" || r.name == "CancelButton") && Shown() == std::vector<std::string>{""}) {
        out.push_back({kNone, ""});
        std::vector<std::string> names = PushButtons(m_designer.GetForm());
        std::sort(names.begin(), names.end());
        for (const std::string& n : names) out.push_back({n, n});
        return out;
    }
    switch (r.type) {
        case TextType::Boolean: out = {{"True", "True"}, {"False", "False"}}; break;
        case TextType::Integer:
            if (r.enumeration) {
                for (const EnumValue& v : r.enumeration->values) {
                    const std::string shown = std::to_string(v.value) + " - " + v.name;
                    out.push_back({shown, shown});
                }
            } else if (r.ranged) {
                for (int64_t n = r.lo; n <= r.hi; ++n) out.push_back({std::to_string(n), std::to_string(n)});
            }
            break;
        case TextType::Colour:
            // The system colours by name, then a colour of the author's own.
            for (int i = 0; i < Theme::kCount; ++i) {
                char typed[16];
                std::snprintf(typed, sizeof typed, "0x%08X", 0x80000000u | static_cast<unsigned>(i));
                out.push_back({Theme::SettingName(i), typed});
            }
            out.push_back({kCustomColour, ""});
            break;
        case TextType::Font: {
            // A family keeps the size and the style the font has.
            const size_t comma = r.value.find(',');
            const std::string rest = comma == std::string::npos ? std::string(", 8.25") : r.value.substr(comma);
            for (const std::string& family : FontFamilies()) out.push_back({family, family + rest});
            break;
        }
        case TextType::Picture: out = {{"(None)", "(None)"}, {kBrowse, ""}}; break;
        default: break;
    }
    return out;
}

void PropertyBrowser::OpenDrop() {
    const PropertyRow* r = Current();
    if (!r) return;
    if (r->name == "Anchor") {
        OpenAnchor(*r);
        return;
    }
    m_entries = EntriesFor(*r);
    if (m_entries.empty()) return;
    // The entry the value now has is current; for a font, its family.
    const std::string value = Part<TextBox>("txtValue").Text();
    const std::string family = value.substr(0, value.find(','));
    m_index = -1;
    for (size_t i = 0; i < m_entries.size() && m_index < 0; ++i)
        if (r->type == TextType::Font ? m_entries[i].first == family : m_entries[i].second == value)
            m_index = static_cast<int>(i);
    const int rows = std::min<int>(kDropRows, static_cast<int>(m_entries.size()));
    m_first = std::clamp(m_index - rows / 2, 0, static_cast<int>(m_entries.size()) - rows);
    auto& values = Part<ListBox>("lstValues");
    values.SetHeight(kListEdges + rows * kEntryTwips);
    values.SetVisible(true);
    m_dropOpen = true;
    FillDrop();
    m_rt.FocusListBox(values);
    ShowPreview(r->type == TextType::Picture);
}

void PropertyBrowser::CloseDrop() {
    CloseAnchor(false);
    if (!m_dropOpen) return;
    m_dropOpen = false;
    m_entries.clear();
    auto& values = Part<ListBox>("lstValues");
    // The focus goes back to the value box (before the list hides and lets it go).
    if (m_rt.FocusedListBox() == &values) m_rt.FocusTextBox(Part<TextBox>("txtValue"));
    values.Clear();
    values.SetVisible(false);
    ShowPreview(false);
}

void PropertyBrowser::FillDrop() {
    auto& values = Part<ListBox>("lstValues");
    values.Clear();
    const int last = std::min<int>(m_first + kDropRows, static_cast<int>(m_entries.size()));
    for (int i = m_first; i < last; ++i) values.AddItem(m_entries[i].first);
    values.SetListIndex(m_index >= m_first && m_index < last ? m_index - m_first : -1);
}

void PropertyBrowser::MoveDrop(int to) {
    const int count = static_cast<int>(m_entries.size());
    m_index = std::clamp(to, 0, count - 1);
    // Scrolled so that the current entry shows.
    if (m_index < m_first) m_first = m_index;
    if (m_index >= m_first + kDropRows) m_first = m_index - kDropRows + 1;
    FillDrop();
}

// The anchor editor starts from the value box's text (the row's value when that is no anchor
// text; the default edges when neither is) and the value box follows it.
void PropertyBrowser::OpenAnchor(const PropertyRow& row) {
    auto& text = Part<TextBox>("txtValue");
    m_anchorBefore = text.Text();
    uint8_t edges = AnchorEdge::Default;
    try {
        edges = ParseAnchor(text.Text());
    } catch (const HostError&) {
        try {
            edges = ParseAnchor(row.value);
        } catch (const HostError&) {
        }
    }
    m_anchor.Open(edges);
    text.SetText(AnchorText(edges));
    m_rt.FocusTextBox(text);
}

// Applies what the editor holds to every selected thing as one step, or puts the value box's
// text back.
void PropertyBrowser::CloseAnchor(bool apply) {
    if (!m_anchor.IsOpen()) return;
    m_anchor.Close();
    auto& text = Part<TextBox>("txtValue");
    if (!apply) {
        text.SetText(m_anchorBefore);
        return;
    }
    text.SetText(AnchorText(m_anchor.Edges()));
    Apply();
}

void PropertyBrowser::ShowPreview(bool on) {
    auto& preview = Part<PictureBox>("picPreview");
    if (!on) {
        preview.SetVisible(false);
        preview.SetPicture(Picture::Empty());
        return;
    }
    PictureRef picture = Picture::Empty();
    const std::vector<std::string> shown = Shown();
    if (shown.size() == 1) {
        try {
            picture = AsPicture(m_designer.PropertyValue(shown.front(), m_property));
        } catch (const HostError&) {
        }
    }
    auto& values = Part<ListBox>("lstValues");
    preview.SetTop(values.Top() + values.Height());
    preview.SetPicture(picture ? picture : Picture::Empty());
    preview.SetVisible(true);
}

void PropertyBrowser::PickEntry(int index) {
    if (index < 0 || index >= static_cast<int>(m_entries.size())) return;
    const Entry entry = m_entries[index];
    CloseDrop();
    auto& text = Part<TextBox>("txtValue");
    if (entry.first == kCustomColour) {
        PickCustomColour();
        return;
    }
    if (entry.first == kBrowse) {
        const std::string current = text.Text() == "(None)" ? std::string() : text.Text();
        std::optional<std::string> file;
        m_run([&] { file = AskPictureFile(m_rt, *m_form, current); });
        if (!file) return;
        text.SetText(*file);
    } else {
        text.SetText(entry.second);
    }
    Apply();
}

// The colour box: OK sets the colour it holds on every selected thing, as one step.
void PropertyBrowser::PickCustomColour() {
    const std::vector<std::string> names = Shown();
    const std::string property = m_property;
    const std::string current = Part<TextBox>("txtValue").Text();
    std::optional<std::string> chosen;
    m_run([&] {
        chosen = PickColour(
            m_rt, *m_form, current, [&](const std::string& typed) { m_designer.SetProperty(names, property, typed); },
            kMessageTitle);
    });
    if (chosen) Part<TextBox>("txtValue").SetText(*chosen);
}

bool PropertyBrowser::KeyDown(int16_t keyCode, int16_t shift) {
    const bool alt = (shift & ShiftKey::Alt) != 0, plain = (shift & (ShiftKey::Ctrl | ShiftKey::Alt)) == 0;
    if (m_anchor.IsOpen() && plain) {
        // Enter applies, Escape forgets, the arrows and Space are the editor's; Tab still
        // moves the focus and nothing else is typed into the value box meanwhile.
        if (keyCode == KeyCode::Return) CloseAnchor(true);
        else if (keyCode == KeyCode::Escape) CloseAnchor(false);
        else if (!m_anchor.KeyDown(keyCode, shift) && keyCode == KeyCode::Tab) return false;
        return true;
    }
    if (m_dropOpen && m_rt.FocusedListBox() == &Part<ListBox>("lstValues") && plain) {
        switch (keyCode) {
            case KeyCode::Up: MoveDrop(m_index - 1); return true;
            case KeyCode::Down: MoveDrop(m_index + 1); return true;
            case KeyCode::PageUp: MoveDrop(m_index - (kDropRows - 1)); return true;
            case KeyCode::PageDown: MoveDrop(m_index + (kDropRows - 1)); return true;
            case KeyCode::Home: MoveDrop(0); return true;
            case KeyCode::End: MoveDrop(static_cast<int>(m_entries.size()) - 1); return true;
            case KeyCode::Return: PickEntry(m_index); return true;
            default: break;
        }
    }
    if (m_dropOpen && keyCode == KeyCode::Escape && plain) {
        CloseDrop();
        return true;
    }
    const bool opens = (keyCode == KeyCode::F1 + 3 && plain) || (keyCode == KeyCode::Down && alt);
    if (opens && !m_dropOpen && m_rt.FocusedTextBox() == &Part<TextBox>("txtValue")) {
        OpenDrop();
        return true;
    }
    return false;
}

// ---------------------------------------------------------------- tab order

void PropertyBrowser::EditTabOrder() {
    std::optional<std::vector<std::string>> order;
    m_run([&] { order = stolvane::EditTabOrder(m_rt, *m_form, m_designer.TabOrder()); });
    if (order) m_run([&] { m_designer.SetTabOrder(*order); });
}

}  // namespace stolvane
