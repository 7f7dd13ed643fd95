// SPDX-License-Identifier: MIT
#include "designer/designer_form.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <utility>

#include "core/control.h"
#include "core/element_members.h"
#include "core/library.h"
#include "core/text_box.h"
#include "designer/browser_dialogs.h"
#include "designer/toolbox_pictures.h"
#include "host/keys.h"
#include "host/render.h"

namespace stolvane {

using namespace designer;

namespace {

constexpr double kClientWidth = 12960, kClientHeight = 8100;
constexpr double kToolLeft = 60, kToolTop = 60, kToolWidth = 1620, kToolHeight = 345, kToolPitch = 360;
constexpr double kBrowserLeft = PropertyBrowser::kLeft;
constexpr double kAreaWidth = kBrowserLeft - 120 - DesignerForm::kFormLeft, kAreaHeight = 7620 - DesignerForm::kFormTop;
constexpr OleColour kWorkspaceColour = 0x808080;    // dark grey
const char* const kTitle = "STolvane Designer";

// The name the designer's parts give a tool: "tbx" and the class or kind.
std::string ToolName(const std::string& kind) { return "tbx" + kind; }

// A drag shorter than this (twips, either way) is a click.
constexpr double kClickReach = kTwipsPerPixel * 2;
bool Tiny(double dx, double dy) { return std::abs(dx) < kClickReach && std::abs(dy) < kClickReach; }

// Whether a placed thing of the designed form is a control that holds others.
bool IsContainer(FormDesigner& d, const std::string& name) {
    const Target t = d.Find(name);
    const Control* c = t.element ? nullptr : t.surface->GetControl();
    const ClassInfo* info = c ? d.GetRuntime().GetLibrary().FindClass(c->ClassName()) : nullptr;
    return info && info->container;
}

std::string Twips(double v) {
    const double r = std::round(v);
    return std::to_string(static_cast<long long>(r));
}

// The status line's account of where a thing lies: "Button1: 240, 240, 1440 x 480 twips (16,
// 16, 96 x 32 pixels)".
std::string Placement(const std::string& name, const Rect& b) {
    auto px = [](double v) { return Twips(v / kTwipsPerPixel); };
    return name + ": " + Twips(b.left) + ", " + Twips(b.top) + ", " + Twips(b.width) + " x " + Twips(b.height) +
           " twips (" + px(b.left) + ", " + px(b.top) + ", " + px(b.width) + " x " + px(b.height) + " pixels)";
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
    ShowPath();
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
        // The kind's small picture left of its caption.
        if (const PropertyInfo* p = c.FindProperty("AlignImage")) p->set(c, Value{int64_t{0}});
        if (const PropertyInfo* p = c.FindProperty("Picture")) p->set(c, Value{ToolPicture(kind)});
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
    // Below the tools: Save and Save As side by side, Undo, Redo, then New and Open side by
    // side and the grid's check box.
    const double half = (kToolWidth - 30) / 2;
    command("cmdSave", "&Save", top, [this] { Save(); });
    f.FindSurface("cmdSave")->Move(kToolLeft, top, kToolWidth - 780, kToolHeight);
    command("cmdSaveAs", "Sa&ve As", top, [this] { SaveAs(); });
    f.FindSurface("cmdSaveAs")->Move(kToolLeft + kToolWidth - 765, top, 765, kToolHeight);
    command("cmdUndo", "&Undo", top + kToolPitch, [this] { Do([&] { m_designer.Undo(); }); });
    command("cmdRedo", "&Redo", top + 2 * kToolPitch, [this] { Do([&] { m_designer.Redo(); }); });
    command("cmdNew", "&New", top + 3 * kToolPitch, [this] { NewForm(); });
    f.FindSurface("cmdNew")->Move(kToolLeft, top + 3 * kToolPitch, half, kToolHeight);
    command("cmdOpen", "&Open", top + 3 * kToolPitch, [this] { OpenForm(); });
    f.FindSurface("cmdOpen")->Move(kToolLeft + kToolWidth - half, top + 3 * kToolPitch, half, kToolHeight);
    BuildArrangeBar(f);
    {
        ControlElement& tick = m_rt.PlaceControl(f, "TolvaneTick", "chkSnap", -1,
                                                 {kToolLeft, top + 4 * kToolPitch, kToolWidth, 300}, nullptr);
        Control& c = tick.GetControl();
        if (const PropertyInfo* p = c.FindProperty("Caption")) p->set(c, Value{std::string("Snap to &grid")});
        if (const PropertyInfo* p = c.FindProperty("Value")) p->set(c, Value{int64_t{m_designer.grid.snap ? -1 : 0}});
        c.OnEvent("Click", [this, &c](EventArgs&) {
            if (const PropertyInfo* p = c.FindProperty("Value")) m_designer.grid.snap = AsInteger(p->get(c)) != 0;
            Refresh();
        });
    }

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
    pic.onMouseMove = [this](MouseArgs& a) { MouseMove(a); };
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

void DesignerForm::BuildArrangeBar(Form& f) {
    using Align = FormDesigner::Align;
    using Size = FormDesigner::Size;
    struct Command {
        const char* name;  // the button's, without "cmd"
        const char* tip;
        size_t least;      // placed things selected for it to run
        void (*run)(FormDesigner&);
    };
    const std::vector<std::vector<Command>> groups{
        {{"AlignLefts", "Align lefts with the first selected (Ctrl+Left)", 2,
          [](FormDesigner& d) { d.AlignSelection(Align::Lefts); }},
         {"AlignCentres", "Align centres with the first selected", 2,
          [](FormDesigner& d) { d.AlignSelection(Align::Centres); }},
         {"AlignRights", "Align rights with the first selected (Ctrl+Right)", 2,
          [](FormDesigner& d) { d.AlignSelection(Align::Rights); }},
         {"AlignTops", "Align tops with the first selected (Ctrl+Up)", 2,
          [](FormDesigner& d) { d.AlignSelection(Align::Tops); }},
         {"AlignMiddles", "Align middles with the first selected", 2,
          [](FormDesigner& d) { d.AlignSelection(Align::Middles); }},
         {"AlignBottoms", "Align bottoms with the first selected (Ctrl+Down)", 2,
          [](FormDesigner& d) { d.AlignSelection(Align::Bottoms); }}},
        {{"SameWidth", "Make the same width as the first selected", 2,
          [](FormDesigner& d) { d.MakeSameSize(Size::Width); }},
         {"SameHeight", "Make the same height as the first selected", 2,
          [](FormDesigner& d) { d.MakeSameSize(Size::Height); }},
         {"SameSize", "Make the same size as the first selected", 2,
          [](FormDesigner& d) { d.MakeSameSize(Size::Both); }}},
        {{"CentreHorizontally", "Centre horizontally in the form", 1,
          [](FormDesigner& d) { d.CentreInForm(true, false); }},
         {"CentreVertically", "Centre vertically in the form", 1,
          [](FormDesigner& d) { d.CentreInForm(false, true); }}},
        {{"BringToFront", "Bring to front (Ctrl+J)", 1, [](FormDesigner& d) { d.BringToFront(); }},
         {"SendToBack", "Send to back (Ctrl+K)", 1, [](FormDesigner& d) { d.SendToBack(); }}},
    };
    // Flat square buttons side by side, the groups apart with a thin line between them.
    constexpr double kGap = 120;
    double left = kFormLeft;
    int separators = 0;
    for (const auto& group : groups) {
        if (left > kFormLeft) {
            auto& line = static_cast<Line&>(
                m_rt.PlaceElement(f, ElementKind::Line, "linBar" + std::to_string(++separators), -1));
            line.SetEnds(left + kGap / 2, kBarTop + 30, left + kGap / 2, kBarTop + kBarButton - 30);
            line.SetColour(SysColour::ButtonShadow);
            left += kGap;
        }
        for (const Command& command : group) {
            ControlElement& button = m_rt.PlaceControl(f, "TolvaneButton", std::string("cmd") + command.name, -1,
                                                       {left, kBarTop, kBarButton, kBarButton}, nullptr);
            button.SetToolTipText(command.tip);
            Control& c = button.GetControl();
            const PictureRef picture = ArrangePicture(command.name);
            if (const PropertyInfo* p = c.FindProperty("Caption")) p->set(c, Value{std::string()});
            if (const PropertyInfo* p = c.FindProperty("ButtonStyle")) p->set(c, Value{int64_t{2}});  // flat
            if (const PropertyInfo* p = c.FindProperty("Picture")) p->set(c, Value{picture});
            if (const PropertyInfo* p = c.FindProperty("PictureDisabled")) p->set(c, Value{DisabledPicture(*picture)});
            c.OnEvent("Click", [this, run = command.run](EventArgs&) { Do([&] { run(m_designer); }); });
            m_arrange.push_back({&c, command.least});
            left += kBarButton;
        }
    }
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
    const DesignView view{frames, m_designer.grid.snap ? m_designer.grid.step : 0, frames.empty()};
    if (!m_renderer || m_rendered != m_designer.Document().Generation()) {
        m_renderer = std::make_unique<FormRenderer>(m_rt, designed, 1);
        m_rendered = m_designer.Document().Generation();
    }
    m_picture = DrawDesigned(*m_renderer, designed, view, kWorkspaceColour);
    m_outlines.clear();
    pic.SetWidth(std::min(m_picture.width * kTwipsPerPixel, kAreaWidth));
    pic.SetHeight(std::min(m_picture.height * kTwipsPerPixel, kAreaHeight));
    pic.SetPicture(m_picture.ToPicture());

    // The arranging commands that cannot run on this selection are greyed.
    const auto& names = m_designer.GetSelection().Names();
    size_t placed = 0;
    for (const std::string& n : names) {
        const Target t = m_designer.Find(n);
        if (t.element || !t.surface->IsForm()) ++placed;
    }
    for (const auto& [c, least] : m_arrange) {
        const PropertyInfo* p = c->FindProperty("Enabled");
        const bool on = placed >= least;
        if (p && (AsInteger(p->get(*c)) != 0) != on) p->set(*c, Value{int64_t{on ? -1 : 0}});
    }

    // The status line: the selection's place and size in twips and in pixels.
    const std::string name = names.empty() ? std::string() : names.front();
    std::string line = Placement(name.empty() ? designed.Name() : name, m_designer.FormBounds(name));
    if (names.size() > 1) line += ", " + std::to_string(names.size()) + " selected";
    if (!m_tool.empty()) line += "; placing " + m_tool;
    static_cast<Label&>(*m_form->FindAuthored("lblStatus")).SetCaption(line);
    m_browser.Show();
}

int64_t DesignerForm::LastRepaintedPixels() const { return m_renderer ? m_renderer->LastRepaintedPixels() : 0; }

int64_t DesignerForm::FormPixels() const {
    const Form& designed = m_designer.GetForm();
    return static_cast<int64_t>(std::ceil(designed.Width() / kTwipsPerPixel)) *
           static_cast<int64_t>(std::ceil(designed.Height() / kTwipsPerPixel));
}

bool DesignerForm::Save() {
    if (m_path.empty()) return SaveAs();
    bool saved = false;
    Do([&] {
        m_designer.Save(m_path);
        saved = true;
    });
    return saved;
}

bool DesignerForm::SaveAs() {
    const auto name = AskFileName(m_rt, *m_form, "Save As", "Save the form as:",
                                  m_path.empty() ? m_designer.GetForm().Name() + ".json" : m_path);
    if (!name) return false;
    bool saved = false;
    Do([&] {
        m_designer.Save(*name);
        m_path = *name;
        saved = true;
        ShowPath();
    });
    return saved;
}

void DesignerForm::NewForm() {
    if (!QueryUnload()) return;
    Do([&] {
        m_designer.New();
        m_path.clear();
        m_tool.clear();
        ShowPath();
    });
}

void DesignerForm::OpenForm() {
    if (!QueryUnload()) return;
    const auto name = AskFileName(m_rt, *m_form, "Open", "Open the form file:", m_path);
    if (!name) return;
    // A file that does not load leaves the designer as it was: the message says why.
    Do([&] {
        m_designer.Open(*name);
        m_path = *name;
        m_tool.clear();
        ShowPath();
    });
}

void DesignerForm::ShowPath() { m_form->SetCaption(m_path.empty() ? kTitle : std::string(kTitle) + " - " + m_path); }

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
    m_downX = a.x;
    m_downY = a.y;
    m_grab = -1;
    if (!m_tool.empty()) {  // a rectangle is being drawn
        m_drag = Drag::Place;
        return;
    }
    Selection& selection = m_designer.GetSelection();
    const int px = static_cast<int>(std::floor(a.x / kTwipsPerPixel)), py = static_cast<int>(std::floor(a.y / kTwipsPerPixel));
    // A press on a grab handle starts resizing: the first selected thing's, or with nothing
    // selected the form's own.
    if (selection.Empty()) {
        const Form& designed = m_designer.GetForm();
        if ((m_grab = HandleAt(FormHandleCentres(designed.Width(), designed.Height()), px, py)) >= 0) {
            m_drag = Drag::FormEdge;
            return;
        }
    } else if ((m_grab = HandleAt(HandleCentres(m_designer.FormBounds(selection.Names().front())), px, py)) >= 0) {
        m_drag = Drag::Handle;
        return;
    }
    const std::string name = m_designer.NameAt(a.x, a.y);
    const bool adds = (a.shift & (ShiftKey::Shift | ShiftKey::Ctrl)) != 0;
    if (name.empty()) {
        // The form's empty area: a rubber band (a click selects nothing, the form).
        m_drag = Drag::Band;
        m_bandContainer.clear();
        m_bandAdds = adds;
        if (!adds) selection.Clear();
    } else if ((a.shift & ShiftKey::Ctrl) && IsContainer(m_designer, name)) {
        // Ctrl on a container's empty area: a band inside it, or a Ctrl-click when not dragged.
        m_drag = Drag::CtrlOnContainer;
        m_bandContainer = name;
        m_bandAdds = (a.shift & ShiftKey::Shift) != 0;
        return;
    } else if (adds) {
        // Taken out of the selection, it is not dragged; nor is what stays selected.
        selection.Toggle(name);
        m_drag = selection.Has(name) ? Drag::Move : Drag::None;
    } else if (!selection.Has(name)) {
        m_drag = Drag::Move;
        selection.Only(name);
    } else {
        m_drag = Drag::Move;
        // The one pressed leads the move.
        std::vector<std::string> names = selection.Names();
        std::erase(names, name);
        names.insert(names.begin(), name);
        selection.Set(names);
    }
    Refresh();
}

void DesignerForm::MouseMove(const MouseArgs& a) {
    const double x = a.x, y = a.y, dx = x - m_downX, dy = y - m_downY;
    auto& status = static_cast<Label&>(*m_form->FindAuthored("lblStatus"));
    if (m_drag == Drag::Band || m_drag == Drag::CtrlOnContainer) {
        if (Tiny(dx, dy)) ShowOutlines({});
        else ShowOutlines({{std::min(m_downX, x), std::min(m_downY, y), std::abs(dx), std::abs(dy)}});
    } else if (m_drag == Drag::Move) {
        // Outlines where the selection would land, snapped as the move will snap it; the status
        // line tells where the first selected would lie.
        const auto& names = m_designer.GetSelection().Names();
        const std::vector<Rect> moved =
            Tiny(dx, dy) ? std::vector<Rect>{} : m_designer.MovedBounds(dx, dy, m_designer.DropTargetAt(x, y));
        if (!names.empty())
            status.SetCaption(Placement(names.front(), moved.empty() ? m_designer.FormBounds(names.front()) : moved.front()));
        ShowOutlines(moved);
    } else if (m_drag == Drag::FormEdge) {
        // The status line follows the edge dragged.
        const Form& designed = m_designer.GetForm();
        const SnapGrid& grid = m_designer.grid;
        const double w = m_grab <= 1 ? grid.SnapLength(designed.Width() + dx) : designed.Width();
        const double h = m_grab >= 1 ? grid.SnapLength(designed.Height() + dy) : designed.Height();
        status.SetCaption(Placement(designed.Name(), {0, 0, w, h}));
    }
}

void DesignerForm::MouseUp(const MouseArgs& a) {
    if (m_drag == Drag::None) return;
    const Drag drag = std::exchange(m_drag, Drag::None);
    const double x = a.x, y = a.y, dx = x - m_downX, dy = y - m_downY;
    const Rect band{std::min(m_downX, x), std::min(m_downY, y), std::abs(dx), std::abs(dy)};
    switch (drag) {
        case Drag::Place: {
            const std::string tool = std::exchange(m_tool, std::string());
            // Inside a container the new control goes into it, placed relative to it.
            std::string container = m_designer.NameAt(m_downX, m_downY);
            double ox = 0, oy = 0;
            if (!container.empty() && IsContainer(m_designer, container)) {
                const Rect b = m_designer.FormBounds(container);
                ox = b.left, oy = b.top;
            } else {
                container.clear();
            }
            const Rect r{band.left - ox, band.top - oy, band.width, band.height};
            Do([&] {
                if (r.width < kClickReach && r.height < kClickReach)
                    m_designer.PlaceDefault(tool);
                else
                    m_designer.Place(tool, container, r);
            });
            return;
        }
        case Drag::Handle:
            if (dx != 0 || dy != 0) Do([&] { ResizeByHandle(m_grab, dx, dy); });
            break;
        case Drag::FormEdge:
            if (dx != 0 || dy != 0) {
                const Form& designed = m_designer.GetForm();
                const double w = designed.Width() + (m_grab <= 1 ? dx : 0);
                const double h = designed.Height() + (m_grab >= 1 ? dy : 0);
                Do([&] { m_designer.ResizeForm(w, h); });
            }
            Refresh();
            break;
        case Drag::Band:
            if (Tiny(dx, dy)) Refresh();
            else SelectBand(band);
            break;
        case Drag::CtrlOnContainer:
            if (!Tiny(dx, dy)) {
                SelectBand(band);
            } else {
                m_designer.GetSelection().Toggle(m_bandContainer);
                Refresh();
            }
            break;
        case Drag::Move:
            // Released over a container the selection goes into it; over the form's own area
            // out onto the form. A hand's tremor while clicking moves nothing.
            if (!Tiny(dx, dy))
                Do([&] { m_designer.MoveSelectionInto(m_designer.DropTargetAt(a.x, a.y), dx, dy); });
            break;
        case Drag::None: break;
    }
    m_grab = -1;
    ShowOutlines({});  // a drag that ended where it began leaves no outline behind
}

void DesignerForm::ShowOutlines(std::vector<Rect> outlines) {
    if (outlines.empty() && m_outlines.empty()) return;
    auto& pic = static_cast<PictureBox&>(*m_form->FindAuthored("picForm"));
    DesignPicture shown = m_picture;
    for (const Rect& r : outlines) DrawBand(shown, r);
    // What changes: the rows and columns of pixels of the outlines taken away and drawn. The
    // parts of one row (or column) become one strip, so that a grid of things dragged together
    // is a few long strips rather than hundreds of short ones.
    std::map<int, std::pair<int, int>> rows, columns;  // pixel row (column): first and last pixel
    auto add = [](std::map<int, std::pair<int, int>>& strips, int at, int from, int to) {
        auto [it, added] = strips.try_emplace(at, from, to);
        if (!added) it->second = {std::min(it->second.first, from), std::max(it->second.second, to)};
    };
    auto edges = [&](const Rect& r) {
        const auto [x0, y0, x1, y1] = PixelBox(r);
        add(rows, y0, x0, x1);
        add(rows, y1, x0, x1);
        add(columns, x0, y0, y1);
        add(columns, x1, y0, y1);
    };
    for (const Rect& r : m_outlines) edges(r);
    for (const Rect& r : outlines) edges(r);
    std::vector<Rect> changed;
    const double w = pic.Width(), h = pic.Height();
    auto strip = [&](int left, int top, int right, int bottom) {
        const double l = std::max(0.0, left * kTwipsPerPixel), t = std::max(0.0, top * kTwipsPerPixel);
        const double rr = std::min(w, (right + 1) * kTwipsPerPixel), b = std::min(h, (bottom + 1) * kTwipsPerPixel);
        if (rr > l && b > t) changed.push_back({l, t, rr - l, b - t});
    };
    for (const auto& [y, span] : rows) strip(span.first, y, span.second, y);
    for (const auto& [x, span] : columns) strip(x, span.first, x, span.second);
    m_outlines = std::move(outlines);
    pic.ReplacePicture(shown.ToPicture(), std::move(changed));
}

void DesignerForm::SelectBand(const Rect& band) {
    Selection& selection = m_designer.GetSelection();
    const std::vector<std::string> touched = m_designer.Touching(m_bandContainer, band);
    if (!m_bandAdds) selection.Clear();
    for (const std::string& n : touched) selection.Add(n);
    Refresh();
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
        // Ctrl and an arrow line the others up with the first selected on the edge it points to.
        case KeyCode::Left:
            Do([&] {
                ctrl ? m_designer.AlignSelection(FormDesigner::Align::Lefts)
                     : withShift ? m_designer.ResizeSelection(-step, 0) : m_designer.MoveSelection(-step, 0);
            });
            break;
        case KeyCode::Right:
            Do([&] {
                ctrl ? m_designer.AlignSelection(FormDesigner::Align::Rights)
                     : withShift ? m_designer.ResizeSelection(step, 0) : m_designer.MoveSelection(step, 0);
            });
            break;
        case KeyCode::Up:
            Do([&] {
                ctrl ? m_designer.AlignSelection(FormDesigner::Align::Tops)
                     : withShift ? m_designer.ResizeSelection(0, -step) : m_designer.MoveSelection(0, -step);
            });
            break;
        case KeyCode::Down:
            Do([&] {
                ctrl ? m_designer.AlignSelection(FormDesigner::Align::Bottoms)
                     : withShift ? m_designer.ResizeSelection(0, step) : m_designer.MoveSelection(0, step);
            });
            break;
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
            else if (keyCode == 'N') NewForm();
            else if (keyCode == 'O') OpenForm();
            else if (keyCode == 'J') Do([&] { m_designer.BringToFront(); });
            else if (keyCode == 'K') Do([&] { m_designer.SendToBack(); });
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
