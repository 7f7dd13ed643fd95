// SPDX-License-Identifier: MIT
#include "designer/designer_form.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <utility>

#include "core/control.h"
#include "core/element_members.h"
#include "core/library.h"
#include "core/text_box.h"
#include "host/keys.h"
#include "host/render.h"

namespace stolvane {

namespace {

constexpr double kClientWidth = 12960, kClientHeight = 8100;
constexpr double kToolLeft = 60, kToolTop = 60, kToolWidth = 1620, kToolHeight = 345, kToolPitch = 360;
constexpr double kBrowserLeft = PropertyBrowser::kLeft;
constexpr double kAreaWidth = kBrowserLeft - 120 - DesignerForm::kFormLeft, kAreaHeight = 7560;
constexpr OleColour kSelectionColour = 0xFF000080;  // dark blue, as 0xAARRGGBB pixels
constexpr OleColour kWorkspaceColour = 0x808080;    // dark grey
const char* const kTitle = "STolvane Designer";

// The name the designer's parts give a tool: "tbx" and the class or kind.
std::string ToolName(const std::string& kind) { return "tbx" + kind; }

constexpr int kHandleReach = 2;  // a grab handle reaches this many pixels from its centre
constexpr int kHandleCount = 8;

// The whole pixels a rectangle of the form (twips) covers: left, top, right, bottom.
std::array<int, 4> PixelBox(const Rect& r) {
    return {static_cast<int>(std::floor(r.left / kTwipsPerPixel)), static_cast<int>(std::floor(r.top / kTwipsPerPixel)),
            static_cast<int>(std::ceil((r.left + r.width) / kTwipsPerPixel)) - 1,
            static_cast<int>(std::ceil((r.top + r.height) / kTwipsPerPixel)) - 1};
}

// The centres of the eight grab handles around a rectangle of the form, in pixels: clockwise
// from the top-left corner (top-left, top, top-right, right, bottom-right, bottom, bottom-left,
// left).
std::array<std::pair<int, int>, kHandleCount> HandleCentres(const Rect& r) {
    const auto [x0, y0, x1, y1] = PixelBox(r);
    const int xm = (x0 + x1) / 2, ym = (y0 + y1) / 2;
    return {{{x0, y0}, {xm, y0}, {x1, y0}, {x1, ym}, {x1, y1}, {xm, y1}, {x0, y1}, {x0, ym}}};
}

// The picture of a form as it is drawn, with grab handles around the selection: filled squares
// around the first selected, outlined ones around the others.
PictureRef FormPicture(Runtime& rt, Form& form, const std::vector<Rect>& selected) {
    FormRenderer renderer(rt, form, 1);
    const Frame& frame = renderer.RepaintAll();
    std::vector<uint32_t> argb(static_cast<size_t>(frame.width) * frame.height);
    for (int y = 0; y < frame.height; ++y)
        for (int x = 0; x < frame.width; ++x) {
            const uint32_t bgr = frame.PixelRgb(x, y);
            argb[static_cast<size_t>(y) * frame.width + x] =
                0xFF000000u | ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
        }
    auto plot = [&](int x, int y, uint32_t colour) {
        if (x >= 0 && y >= 0 && x < frame.width && y < frame.height)
            argb[static_cast<size_t>(y) * frame.width + x] = colour;
    };
    // The others first, so that the primary's handles lie on top where they meet.
    for (size_t i = selected.size(); i-- > 0;) {
        for (const auto& [cx, cy] : HandleCentres(selected[i]))
            for (int y = cy - kHandleReach; y <= cy + kHandleReach; ++y)
                for (int x = cx - kHandleReach; x <= cx + kHandleReach; ++x) {
                    const bool edge = std::abs(x - cx) == kHandleReach || std::abs(y - cy) == kHandleReach;
                    plot(x, y, i == 0 || edge ? kSelectionColour : 0xFFFFFFFFu);
                }
    }
    return Picture::FromPixels(frame.width, frame.height, std::move(argb));
}

std::string Twips(double v) {
    const double r = std::round(v);
    return std::to_string(static_cast<long long>(r));
}

}  // namespace

DesignerForm::DesignerForm(Runtime& runtime, const std::string& path)
    : m_rt(runtime), m_designer(runtime), m_browser(runtime, m_designer, [this](const std::function<void()>& change) {
          Do(change);
      }), m_path(path) {
    std::error_code ec;
    if (!path.empty() && std::filesystem::exists(path, ec)) m_designer.Open(path);
    Build();
    Refresh();
}

void DesignerForm::Build() {
    Form& f = m_rt.NewForm("frmDesigner", kClientWidth, kClientHeight);
    m_form = &f;
    f.SetCaption(m_path.empty() ? kTitle : std::string(kTitle) + " - " + m_path);
    f.SetFont(MakeFont("Tahoma", 8.25));
    f.SetKeyPreview(true);
    f.KeyDown += [this](int16_t& k, int16_t& s) { KeyDown(k, s); };
    f.onQueryUnload = [this] { return QueryUnload(); };

    double top = kToolTop;
    for (const std::string& kind : m_designer.Placeable()) {
        ControlElement& button =
            m_rt.PlaceControl(f, "TolvaneButton", ToolName(kind), -1, {kToolLeft, top, kToolWidth, kToolHeight}, nullptr);
        Control& c = button.GetControl();
        if (const PropertyInfo* p = c.FindProperty("Caption")) p->set(c, Value{kind});
        if (const PropertyInfo* p = c.FindProperty("ButtonStyle")) p->set(c, Value{int64_t{0}});
        c.OnEvent("Click", [this, kind](EventArgs&) {
            m_tool = kind;
            Refresh();
        });
        top += kToolPitch;
    }
    auto command = [&](const std::string& name, const std::string& caption, double t, std::function<void()> run) {
        ControlElement& button = m_rt.PlaceControl(f, "TolvaneButton", name, -1, {kToolLeft, t, kToolWidth, kToolHeight}, nullptr);
        Control& c = button.GetControl();
        if (const PropertyInfo* p = c.FindProperty("Caption")) p->set(c, Value{caption});
        if (const PropertyInfo* p = c.FindProperty("ButtonStyle")) p->set(c, Value{int64_t{0}});
        c.OnEvent("Click", [run](EventArgs&) { run(); });
    };
    top += kToolPitch / 2;
    command("cmdSave", "&Save", top, [this] { Save(); });
    command("cmdUndo", "&Undo", top + kToolPitch, [this] { Do([&] { m_designer.Undo(); }); });
    command("cmdRedo", "&Redo", top + 2 * kToolPitch, [this] { Do([&] { m_designer.Redo(); }); });

    // The form under design lies on a dark workspace, as a window on a desktop.
    auto& workspace = static_cast<Label&>(m_rt.PlaceElement(f, ElementKind::Label, "lblWorkspace", -1));
    workspace.Move(kFormLeft, kFormTop, kAreaWidth, kAreaHeight);
    workspace.SetCaption("");
    workspace.SetBackColour(kWorkspaceColour);
    workspace.onMouseDown = [this](MouseArgs&) {
        m_tool.clear();
        m_designer.GetSelection().Clear();
        Refresh();
    };

    auto& pic = static_cast<PictureBox&>(m_rt.PlaceElement(f, ElementKind::PictureBox, "picForm", -1));
    pic.SetLeft(kFormLeft);
    pic.SetTop(kFormTop);
    pic.SetBorder(false);
    pic.onMouseDown = [this](MouseArgs& a) { MouseDown(a); };
    pic.onMouseUp = [this](MouseArgs& a) { MouseUp(a); };

    // The property browser: the right column.
    m_browser.Build(f, [&](const std::string& name, const std::string& caption, double l, double t, double w, double h,
                           std::function<void()> run) {
        command(name, caption, t, std::move(run));
        f.FindSurface(name)->Move(l, t, w, h);
    });

    auto& status = static_cast<Label&>(m_rt.PlaceElement(f, ElementKind::Label, "lblStatus", -1));
    status.SetLeft(60);
    status.SetTop(kClientHeight - 315);
    status.SetWidth(kClientWidth - 120);
    status.SetHeight(255);
}

template <class F>
void DesignerForm::Do(F change) {
    try {
        change();
    } catch (const HostError& e) {
        m_rt.MsgBox(e.description, std::string(kTitle));
    } catch (const std::exception& e) {
        m_rt.MsgBox(e.what(), std::string(kTitle));
    }
    Refresh();
}

void DesignerForm::Refresh() {
    Form& designed = m_designer.GetForm();
    std::vector<Rect> frames;
    for (const std::string& n : m_designer.GetSelection().Names()) frames.push_back(m_designer.FormBounds(n));
    auto& pic = static_cast<PictureBox&>(*m_form->FindAuthored("picForm"));
    pic.SetWidth(std::min(designed.Width(), kAreaWidth));
    pic.SetHeight(std::min(designed.Height(), kAreaHeight));
    pic.SetPicture(FormPicture(m_rt, designed, frames));

    // The status line: the selection's place and size in twips and in pixels.
    const auto& names = m_designer.GetSelection().Names();
    const std::string name = names.empty() ? std::string() : names.front();
    const Rect b = m_designer.FormBounds(name);
    auto px = [](double v) { return Twips(v / kTwipsPerPixel); };
    std::string line = (name.empty() ? designed.Name() : name) + ": " + Twips(b.left) + ", " + Twips(b.top) + ", " +
                       Twips(b.width) + " x " + Twips(b.height) + " twips (" + px(b.left) + ", " + px(b.top) + ", " +
                       px(b.width) + " x " + px(b.height) + " pixels)";
    if (names.size() > 1) line += ", " + std::to_string(names.size()) + " selected";
    if (!m_tool.empty()) line += "; placing " + m_tool;
    static_cast<Label&>(*m_form->FindAuthored("lblStatus")).SetCaption(line);
    m_browser.Show();
}

bool DesignerForm::Save() {
    if (m_path.empty()) {
        m_rt.MsgBox("The form has no file to be saved to: start the designer with one.", std::string(kTitle));
        return false;
    }
    bool saved = false;
    Do([&] {
        m_designer.Save(m_path);
        saved = true;
    });
    return saved;
}

bool DesignerForm::QueryUnload() {
    if (!m_designer.Modified()) return true;
    switch (m_rt.Ask("Save changes to " + m_designer.GetForm().Name() + "?", kTitle, MsgBoxButtons::YesNoCancel)) {
        case MsgBoxAnswer::Yes: return Save();
        case MsgBoxAnswer::No: return true;
        default: return false;
    }
}

void DesignerForm::MouseDown(const MouseArgs& a) {
    if (!(a.button & 1)) return;
    m_pressed = true;
    m_downX = a.x;
    m_downY = a.y;
    m_grab = -1;
    if (!m_tool.empty()) return;  // a rectangle is being drawn
    // A press on one of the first selected thing's grab handles starts resizing it.
    if (!m_designer.GetSelection().Empty()) {
        const int px = static_cast<int>(std::floor(a.x / kTwipsPerPixel)), py = static_cast<int>(std::floor(a.y / kTwipsPerPixel));
        const auto centres = HandleCentres(m_designer.FormBounds(m_designer.GetSelection().Names().front()));
        for (int i = 0; i < kHandleCount; ++i)
            if (std::abs(px - centres[i].first) <= kHandleReach && std::abs(py - centres[i].second) <= kHandleReach) {
                m_grab = i;
                return;
            }
    }
    const std::string name = m_designer.NameAt(a.x, a.y);
    Selection& selection = m_designer.GetSelection();
    if (name.empty()) {
        selection.Clear();
    } else if (a.shift & (ShiftKey::Shift | ShiftKey::Ctrl)) {
        selection.Toggle(name);
    } else if (!selection.Has(name)) {
        selection.Only(name);
    } else {
        // The one pressed leads the move.
        std::vector<std::string> names = selection.Names();
        std::erase(names, name);
        names.insert(names.begin(), name);
        selection.Set(names);
    }
    Refresh();
}

void DesignerForm::MouseUp(const MouseArgs& a) {
    if (!m_pressed) return;
    m_pressed = false;
    if (!m_tool.empty()) {
        const std::string tool = m_tool;
        m_tool.clear();
        // Inside a container the new control goes into it, placed relative to it.
        std::string container = m_designer.NameAt(m_downX, m_downY);
        double ox = 0, oy = 0;
        const Target t = container.empty() ? Target{} : m_designer.Find(container);
        const ClassInfo* info = t.surface && !t.element && t.surface->GetControl()
                                    ? m_rt.GetLibrary().FindClass(t.surface->GetControl()->ClassName())
                                    : nullptr;
        if (info && info->container) {
            const Rect b = m_designer.FormBounds(container);
            ox = b.left, oy = b.top;
        } else {
            container.clear();
        }
        Rect r{std::min<double>(m_downX, a.x) - ox, std::min<double>(m_downY, a.y) - oy, std::abs(a.x - m_downX),
               std::abs(a.y - m_downY)};
        Do([&] {
            if (r.width < kTwipsPerPixel * 2 && r.height < kTwipsPerPixel * 2)
                m_designer.PlaceDefault(tool);
            else
                m_designer.Place(tool, container, r);
        });
        return;
    }
    const double dx = a.x - m_downX, dy = a.y - m_downY;
    if (m_grab >= 0) {
        const int handle = std::exchange(m_grab, -1);
        if (dx != 0 || dy != 0) Do([&] { ResizeByHandle(handle, dx, dy); });
        return;
    }
    if (!m_designer.GetSelection().Empty() && (dx != 0 || dy != 0)) Do([&] { m_designer.MoveSelection(dx, dy); });
}

void DesignerForm::ResizeByHandle(int handle, double dx, double dy) {
    const std::string name = m_designer.GetSelection().Names().front();
    const Rect b = m_designer.Bounds(name);
    double left = b.left, top = b.top, right = b.left + b.width, bottom = b.top + b.height;
    // Which sides the handle moves: the corners two, the middles of the sides one; each moved
    // side snaps to the grid, and the opposite side stays where it was.
    const bool moveLeft = handle == 0 || handle == 6 || handle == 7, moveRight = handle >= 2 && handle <= 4;
    const bool moveTop = handle <= 2, moveBottom = handle >= 4 && handle <= 6;
    const SnapGrid& grid = m_designer.grid;
    const double least = grid.snap && grid.step > 0 ? grid.step : kTwipsPerPixel;
    if (moveLeft) left = std::min(grid.Snap(left + dx), right - least);
    if (moveRight) right = std::max(grid.Snap(right + dx), left + least);
    if (moveTop) top = std::min(grid.Snap(top + dy), bottom - least);
    if (moveBottom) bottom = std::max(grid.Snap(bottom + dy), top + least);
    const Rect r{left, top, right - left, bottom - top};
    if (r.left != b.left || r.top != b.top || r.width != b.width || r.height != b.height) m_designer.SetBounds(name, r);
}

void DesignerForm::KeyDown(int16_t& keyCode, int16_t& shift) {
    // Keys for the property browser (its lists and its text box) are its own.
    if (m_browser.KeyDown(keyCode, shift)) {
        keyCode = 0;
        return;
    }
    if (m_rt.FocusedTextBox() || m_rt.FocusedListBox()) return;
    const double step = m_designer.grid.step;
    const bool ctrl = (shift & ShiftKey::Ctrl) != 0, withShift = (shift & ShiftKey::Shift) != 0;
    bool used = true;
    switch (keyCode) {
        case KeyCode::Delete: Do([&] { m_designer.DeleteSelection(); }); break;
        case KeyCode::Left: Do([&] { withShift ? m_designer.ResizeSelection(-step, 0) : m_designer.MoveSelection(-step, 0); }); break;
        case KeyCode::Right: Do([&] { withShift ? m_designer.ResizeSelection(step, 0) : m_designer.MoveSelection(step, 0); }); break;
        case KeyCode::Up: Do([&] { withShift ? m_designer.ResizeSelection(0, -step) : m_designer.MoveSelection(0, -step); }); break;
        case KeyCode::Down: Do([&] { withShift ? m_designer.ResizeSelection(0, step) : m_designer.MoveSelection(0, step); }); break;
        case KeyCode::F1 + 4: RunDesigned(); break;
        default:
            if (!ctrl || (shift & ShiftKey::Alt)) used = false;
            else if (keyCode == 'Z') Do([&] { m_designer.Undo(); });
            else if (keyCode == 'Y') Do([&] { m_designer.Redo(); });
            else if (keyCode == 'C') CopyToClipboard(false);
            else if (keyCode == 'X') CopyToClipboard(true);
            else if (keyCode == 'V') PasteFromClipboard();
            else if (keyCode == 'A') Do([&] { m_designer.SelectAll(); });
            else if (keyCode == 'S') Save();
            else used = false;
    }
    if (used) keyCode = 0;
}

void DesignerForm::CopyToClipboard(bool cut) {
    if (m_designer.GetSelection().Empty()) return;
    Do([&] { m_rt.GetBackend().SetClipboardText(cut ? m_designer.Cut() : m_designer.Copy()); });
}

void DesignerForm::PasteFromClipboard() {
    const std::string text = m_rt.GetBackend().ClipboardText();
    if (text.empty()) return;
    Do([&] { m_designer.Paste(text); });
}

void DesignerForm::RunDesigned() {
    FormDocument& doc = m_designer.Document();
    Form* running = nullptr;
    Do([&] {
        running = &LoadFormText(m_rt, doc.Text(), doc.Folder(), m_designer.GetForm().Name());
        m_rt.ShowModal(*running, m_form);
    });
    if (running) m_rt.UnloadForm(*running);
}

}  // namespace stolvane
