#include "host/runtime.h"

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <iostream>

#include "host/form_file.h"
#include "host/media.h"

extern char** environ;

namespace stolvane {

namespace {

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

// Only web and mail links are handed to the desktop; anything else (file:, javascript:,
// a bare path, an option-looking "-x") is refused before any program starts.
bool AllowedLink(const std::string& target) {
    auto colon = target.find(':');
    if (colon == std::string::npos || colon == 0) return false;
    std::string scheme = Lower(target.substr(0, colon));
    return scheme == "http" || scheme == "https" || scheme == "ftp" || scheme == "mailto";
}

// Starts xdg-open with an argument vector (never a shell) and does not wait for the browser.
bool LaunchWithXdgOpen(const std::string& target) {
    pid_t pid = 0;
    std::string prog = "xdg-open";
    std::vector<char*> argv{prog.data(), const_cast<char*>(target.c_str()), nullptr};
    if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv.data(), environ) != 0) return false;
    return true;
}

void ReapChildren() {
    int status = 0;
    while (waitpid(-1, &status, WNOHANG) > 0) {
    }
}

bool Contains(const Rect& r, double x, double y) {
    return x >= r.left && y >= r.top && x < r.left + r.width && y < r.top + r.height;
}

// Parses "name" or "name(3)".
std::pair<std::string, int> SplitIndex(const std::string& seg) {
    auto open = seg.find('(');
    if (open == std::string::npos || seg.back() != ')') return {seg, -1};
    std::string num = seg.substr(open + 1, seg.size() - open - 2);
    if (num.empty() || !std::all_of(num.begin(), num.end(), ::isdigit) || num.size() > 6) return {seg, -1};
    return {seg.substr(0, open), std::stoi(num)};
}

void ForEachSurface(Surface& s, const std::function<void(Surface&)>& f) {
    f(s);
    for (auto& e : s.Elements())
        if (auto* ce = dynamic_cast<ControlElement*>(e.get())) ForEachSurface(ce->GetSurface(), f);
}

}  // namespace

Runtime::Runtime() {
    InitFonts();
    DllRegisterServer();
    m_desktop.LoadFromEnvironment();
    m_theme.ApplyDesktop(m_desktop);
    m_launcher = LaunchWithXdgOpen;
}

Runtime::~Runtime() {
    m_modal.clear();
    m_shown.clear();
    m_capture = nullptr;
    m_focus = nullptr;
    m_press = {};
    // Controls may call back into the runtime while they are destroyed; keep the list intact
    // until each form is gone.
    while (!m_forms.empty()) m_forms.pop_back();
}

// ---------------------------------------------------------------- colours, notifications

OleColour Runtime::ResolveColour(OleColour colour) { return m_theme.Resolve(colour); }

void Runtime::PropertyChanged(Surface& surface, const std::string& key) {
    if (m_observer) m_observer->OnPropertyChanged(surface, key);
}

void Runtime::RaiseEvent(Surface& surface, const std::string& name, EventArgs& args) {
    if (m_observer) m_observer->OnEvent(surface, name, args);
}

double Runtime::FormX(const Surface& s) const {
    double x = 0;
    for (const Surface* p = &s; p && !p->IsForm(); p = p->Container()) x += p->Left();
    return x;
}

double Runtime::FormY(const Surface& s) const {
    double y = 0;
    for (const Surface* p = &s; p && !p->IsForm(); p = p->Container()) y += p->Top();
    return y;
}

void Runtime::MarkDirty(const Surface& owner, const Rect& local) {
    const Surface* top = &owner;
    while (top->Container()) top = top->Container();
    if (!top->IsForm()) return;
    const Form* form = static_cast<const Form*>(top);
    Rect r{local.left + FormX(owner), local.top + FormY(owner), local.width, local.height};
    // Clip to the form; an area wholly outside needs no repaint.
    double l = std::max(0.0, r.left), t = std::max(0.0, r.top);
    double rr = std::min(form->Width(), r.Right()), b = std::min(form->Height(), r.Bottom());
    if (rr <= l || b <= t) return;
    auto& list = m_dirty[form];
    list.push_back({l, t, rr - l, b - t});
    if (list.size() > 64) {
        Rect u = list.front();
        for (auto& x : list) {
            double ul = std::min(u.left, x.left), ut = std::min(u.top, x.top);
            double ur = std::max(u.Right(), x.Right()), ub = std::max(u.Bottom(), x.Bottom());
            u = {ul, ut, ur - ul, ub - ut};
        }
        list = {u};
    }
}

void Runtime::SurfaceChanged(Surface& surface, const Rect& oldBounds) {
    if (surface.IsForm()) {
        MarkDirty(surface, {0, 0, std::max(oldBounds.width, surface.Width()), std::max(oldBounds.height, surface.Height())});
        return;
    }
    Surface* container = surface.Container();
    if (!container) return;
    MarkDirty(*container, oldBounds);
    MarkDirty(*container, surface.Bounds());
}

void Runtime::SurfaceResized(Surface& surface) {
    Control* c = surface.GetControl();
    if (!c) return;
    // A control that sets its own size in its resize handler is resized again, as the classic
    // runtime does; a handler that never settles is cut off rather than recursing forever.
    int& depth = m_resizing[&surface];
    if (depth >= 8) return;
    ++depth;
    struct Leave {
        std::map<const Surface*, int>& m;
        const Surface* s;
        ~Leave() {
            if (--m[s] == 0) m.erase(s);
        }
    } leave{m_resizing, &surface};
    c->Resize();
}

void Runtime::ElementChanged(Element& element, const Rect& oldBounds) {
    if (element.Kind() == ElementKind::Timer) {
        ArmTimer(static_cast<Timer&>(element));
        return;
    }
    Surface* owner = element.Owner();
    if (!owner) return;
    MarkDirty(*owner, oldBounds);
    if (element.Visible()) MarkDirty(*owner, element.Bounds());
}

std::vector<Rect> Runtime::TakeDirty(Form& form) {
    auto it = m_dirty.find(&form);
    if (it == m_dirty.end()) return {};
    std::vector<Rect> out = std::move(it->second);
    m_dirty.erase(it);
    return out;
}

bool Runtime::HasDirty(const Form& form) const {
    auto it = m_dirty.find(&form);
    return it != m_dirty.end() && !it->second.empty();
}

// ---------------------------------------------------------------- capture and focus

void Runtime::SetCapture(Surface& surface) {
    if (m_capture == &surface) return;
    m_capture = &surface;
    if (m_observer) m_observer->OnCapture(PathOf(surface));
}

void Runtime::ReleaseCapture() {
    if (!m_capture) return;
    m_capture = nullptr;
    if (m_observer) m_observer->OnCapture("");
}

void Runtime::SetFocus(Surface& surface) {
    if (!surface.GetControl()) return;
    if (!surface.Visible() || !InputAllowed(surface)) throw HostError::InvalidCall();
    if (m_focus == &surface) return;
    Surface* old = m_focus;
    m_focus = &surface;
    if (old && old->GetControl()) Guard([&] { old->GetControl()->OnLostFocus(); });
    if (m_observer) m_observer->OnFocus(PathOf(surface));
    if (m_focus == &surface) Guard([&] { surface.GetControl()->OnGotFocus(); });
}

// ---------------------------------------------------------------- menus, ambient, parent

void Runtime::PopupMenu(Surface&, MenuItem& root, MenuItem* defaultItem) {
    std::vector<std::string> captions;
    for (MenuItem* item : root.Items())
        if (item->Visible()) captions.push_back(item->Caption());
    if (m_observer) m_observer->OnMenu(captions, defaultItem ? defaultItem->Caption() : std::string());
    MenuItem* chosen = m_menuChooser ? m_menuChooser(root, defaultItem) : nullptr;
    if (chosen && chosen->Enabled() && chosen->Visible() && chosen->onClick) chosen->onClick();
}

FontRef Runtime::AmbientFont(Surface& surface) {
    if (Form* f = surface.OwningForm()) return f->GetFont();
    static FontRef fallback = MakeFont("MS Sans Serif", 8.25);
    return fallback;
}

double Runtime::ParentProperty(Surface& surface, const std::string& name) {
    Surface* parent = surface.Container();
    if (!parent) throw HostError(ErrorNumber::NoSuchProperty, "Object doesn't support this property or method");
    if (parent->IsForm()) {
        auto* form = static_cast<Form*>(parent);
        if (name == "Left") return form->Left();
        if (name == "Top") return form->Top();
        if (name == "Width") return form->Width();
        if (name == "Height") return form->Height();
        if (name == "WindowState") return form->GetWindowState();
    } else {
        if (name == "Left") return parent->Left();
        if (name == "Top") return parent->Top();
        if (name == "Width") return parent->Width();
        if (name == "Height") return parent->Height();
    }
    throw HostError(ErrorNumber::NoSuchProperty, "Object doesn't support this property or method");
}

void Runtime::SetParentProperty(Surface& surface, const std::string& name, double value) {
    Surface* parent = surface.Container();
    if (!parent) throw HostError(ErrorNumber::NoSuchProperty, "Object doesn't support this property or method");
    if (name == "Left") return parent->SetLeft(value);
    if (name == "Top") return parent->SetTop(value);
    if (name == "Width") return parent->SetWidth(value);
    if (name == "Height") return parent->SetHeight(value);
    if (name == "WindowState" && parent->IsForm()) {
        static_cast<Form*>(parent)->SetWindowState(ToInt16(value));
        return;
    }
    throw HostError(ErrorNumber::NoSuchProperty, "Object doesn't support this property or method");
}

// ---------------------------------------------------------------- desktop services

void Runtime::Navigate(const std::string& target) {
    bool ok = AllowedLink(target) && m_launcher && m_launcher(target);
    if (m_observer) m_observer->OnNavigate(target, ok);
    if (!ok) throw HostError(ErrorNumber::NavigationFailed, "Unable to open the link");
}

void Runtime::MsgBox(const std::string& text, const std::optional<std::string>& title) {
    std::string t = title ? *title : m_appName;
    if (m_observer) m_observer->OnMsgBox(text, t);
    if (onMessageBox) onMessageBox(text, t);
}

void Runtime::DoEvents() {
    ReapChildren();
    if (m_pumpDepth > 4 || !m_pump) return;
    ++m_pumpDepth;
    struct Leave {
        int& d;
        ~Leave() { --d; }
    } leave{m_pumpDepth};
    m_pump();
}

std::optional<std::string> Runtime::DesktopSetting(const std::string& section, const std::string& key) {
    return m_desktop.Get(section, key);
}

// ---------------------------------------------------------------- forms

Form& Runtime::NewForm(const std::string& name, double clientWidth, double clientHeight) {
    auto form = std::make_unique<Form>(*this, name);
    form->Move(0, 0, clientWidth, clientHeight);
    form->SetFont(MakeFont("MS Sans Serif", 8.25));
    m_forms.push_back(std::move(form));
    return *m_forms.back();
}

bool Runtime::IsLoaded(const Form& form) const {
    bool present = std::any_of(m_forms.begin(), m_forms.end(), [&](auto& f) { return f.get() == &form; });
    bool dying = std::find(m_unloaded.begin(), m_unloaded.end(), &form) != m_unloaded.end();
    return present && !dying;
}

bool Runtime::IsShown(const Form& form) const {
    return std::find(m_shown.begin(), m_shown.end(), &form) != m_shown.end();
}

Form* Runtime::ActiveForm() {
    if (!m_modal.empty()) return m_modal.back();
    return m_shown.empty() ? nullptr : m_shown.front();
}

void Runtime::ShowSurfaceTree(Surface& s) {
    ForEachSurface(s, [&](Surface& x) {
        if (Control* c = x.GetControl()) Guard([&] { c->Show(); });
    });
}

void Runtime::ShowForm(Form& form) {
    if (IsShown(form)) return;
    m_shown.push_back(&form);
    if (m_observer) m_observer->OnFormShown(form, true);
    ShowSurfaceTree(form);
    MarkDirty(form, {0, 0, form.Width(), form.Height()});
}

Form& Runtime::LoadForm(const std::string& name) {
    const LibraryFormInfo* info = Library::Instance().FindForm(name);
    if (!info) throw HostError(ErrorNumber::InvalidCall, "The library has no form named " + name);
    Form* form = nullptr;
    try {
        form = &LoadFormText(*this, info->design(), "", name);
    } catch (const FormFileError& e) {
        throw HostError(ErrorNumber::InvalidCall, e.what());
    }
    form->SetLibraryName(name);
    if (info->attach) info->attach(*form);
    if (form->onLoad) form->onLoad();
    return *form;
}

void Runtime::ShowModal(Form& form, Surface* owner) {
    if (!m_modalLoop)
        throw HostError(ErrorNumber::InvalidCall, "A modal form needs a window or a script to answer it");
    (void)owner;
    Dispatch scope(*this);
    m_modal.push_back(&form);
    ShowForm(form);
    m_modalLoop(form);
    // The loop ends when the form was hidden or unloaded.
    auto it = std::find(m_modal.begin(), m_modal.end(), &form);
    if (it != m_modal.end()) m_modal.erase(it);
    if (IsShown(form)) HideForm(form);
}

void Runtime::HideForm(Form& form) {
    auto it = std::find(m_shown.begin(), m_shown.end(), &form);
    if (it == m_shown.end()) return;
    m_shown.erase(it);
    if (m_observer) m_observer->OnFormShown(form, false);
}

void Runtime::UnloadForm(Form& form) {
    if (!IsLoaded(form)) return;
    HideForm(form);
    if (form.onUnload) Guard([&] { form.onUnload(); });
    ForEachSurface(form, [&](Surface& s) { ForgetSurface(s); });
    m_unloaded.push_back(&form);
    if (m_depth == 0) CollectGarbage();
}

void Runtime::DestroyForm(Form& form) { UnloadForm(form); }

void Runtime::ForgetSurface(Surface& s) {
    if (m_capture == &s) m_capture = nullptr;
    if (m_focus == &s) m_focus = nullptr;
    if (m_press.surface == &s) m_press = {};
    for (auto& e : s.Elements())
        if (e->Kind() == ElementKind::Timer) m_timers.erase(static_cast<Timer*>(e.get()));
}

void Runtime::CollectGarbage() {
    if (m_depth > 0 || m_unloaded.empty()) return;
    auto dead = std::move(m_unloaded);
    m_unloaded.clear();
    for (Form* f : dead) {
        // A handler still running when the form was unloaded may have taken the capture or the
        // focus, or started a timer, since: forget them again before the objects go.
        ForEachSurface(*f, [&](Surface& s) { ForgetSurface(s); });
        m_dirty.erase(f);
        std::erase(m_modal, f);
        std::erase(m_shown, f);
        auto it = std::find_if(m_forms.begin(), m_forms.end(), [&](auto& p) { return p.get() == f; });
        if (it != m_forms.end()) {
            std::unique_ptr<Form> keep = std::move(*it);
            m_forms.erase(it);
        }
    }
}

// ---------------------------------------------------------------- controls and elements

std::unique_ptr<Surface> Runtime::MakeControl(Surface& container, const std::string& className,
                                              const std::string& name, int index, const Rect& rect) {
    const ClassInfo* info = Library::Instance().FindClass(className);
    if (!info) throw HostError(ErrorNumber::InvalidCall, "The library has no class named " + className);
    if (rect.width < 0 || rect.height < 0) throw HostError::InvalidProperty();
    auto surface = std::make_unique<Surface>(*this, name, index);
    surface->SetContainer(&container);
    surface->Move(rect.left, rect.top, rect.width, rect.height);
    // Creation: the control builds the elements of its design on the surface.
    surface->SetControl(info->create(*surface));
    return surface;
}

ControlElement& Runtime::CreateEmbedded(Surface& parent, const std::string& className, const std::string& name,
                                        int index, const Rect& rect, const PropertyMap& design) {
    auto surface = MakeControl(parent, className, name, index, rect);
    Surface& s = *surface;
    auto element = std::make_unique<ControlElement>(std::move(surface), true);
    ControlElement& ref = *element;
    parent.AddElement(std::move(element));
    // A design child is a stored instance whose store is its design values.
    PropertyMap bag = design;
    s.GetControl()->ReadProperties(bag);
    SurfaceResized(s);
    Form* form = parent.OwningForm();
    if (form && IsShown(*form)) ShowSurfaceTree(s);
    return ref;
}

ControlElement& Runtime::PlaceControl(Surface& container, const std::string& className, const std::string& name,
                                      int index, const Rect& rect, const PropertyMap* stored) {
    const ClassInfo* holder = container.GetControl() ? Library::Instance().FindClass(container.GetControl()->ClassName()) : nullptr;
    if (!container.IsForm() && !(holder && holder->container))
        throw HostError(ErrorNumber::InvalidCall, container.Name() + " cannot hold controls");
    Form* form = container.OwningForm();
    if (form && (form->FindSurface(name, index) || form->Find(name, index)))
        throw HostError(ErrorNumber::InvalidCall, "A control named " + name + " already exists");
    auto surface = MakeControl(container, className, name, index, rect);
    Surface& s = *surface;
    auto element = std::make_unique<ControlElement>(std::move(surface), false);
    ControlElement& ref = *element;
    container.AddElement(std::move(element));
    Control& c = *s.GetControl();
    try {
        if (stored) {
            PropertyMap copy = *stored;
            c.ReadProperties(copy);
        } else {
            c.InitProperties();
        }
        SurfaceResized(s);
    } catch (...) {
        ForEachSurface(s, [&](Surface& x) { ForgetSurface(x); });
        container.RemoveElement(ref);
        throw;
    }
    if (form && IsShown(*form)) ShowSurfaceTree(s);
    return ref;
}

Element& Runtime::PlaceElement(Surface& container, ElementKind kind, const std::string& name, int index) {
    Form* form = container.OwningForm();
    if (form && (form->FindSurface(name, index) || form->Find(name, index)))
        throw HostError(ErrorNumber::InvalidCall, "An element named " + name + " already exists");
    switch (kind) {
        case ElementKind::Line: return container.Add<Line>(name, index);
        case ElementKind::Label: return container.Add<Label>(name, index);
        case ElementKind::Image: return container.Add<Image>(name, index);
        case ElementKind::PictureBox: return container.Add<PictureBox>(name, index);
        case ElementKind::Shape: return container.Add<Shape>(name, index);
        case ElementKind::PictureButton: return container.Add<PictureButton>(name, index);
        case ElementKind::MenuItem: return container.Add<MenuItem>(name, index);
        case ElementKind::ListBox: return container.Add<ListBox>(name, index);
        case ElementKind::Timer: return container.Add<Timer>(name, index);
        case ElementKind::Control: break;
    }
    throw HostError(ErrorNumber::InvalidCall, "Controls are placed with PlaceControl");
}

PictureRef Runtime::LoadPicture(const std::string& path) {
    if (path.empty()) return Picture::Empty();
    return LoadPictureFile(path);
}

Rect Runtime::MeasureText(const Font& font, const std::string& text, double wrapWidth) {
    return MeasureTextTwips(font, text, wrapWidth);
}

// ---------------------------------------------------------------- addressing

ControlElement* Runtime::ElementOf(const Surface& s) const {
    Surface* c = s.Container();
    if (!c) return nullptr;
    for (auto& e : c->Elements())
        if (auto* ce = dynamic_cast<ControlElement*>(e.get()); ce && &ce->GetSurface() == &s) return ce;
    return nullptr;
}

std::string Runtime::PathOf(const Surface& surface) const {
    if (surface.IsForm()) return "";
    ControlElement* ce = ElementOf(surface);
    if (ce && ce->IsDesignChild() && surface.Container()) {
        std::string outer = PathOf(*surface.Container());
        return outer.empty() ? surface.FullName() : outer + "." + surface.FullName();
    }
    return surface.FullName();
}

std::string Runtime::PathOf(const Element& element) const {
    if (auto* ce = dynamic_cast<const ControlElement*>(&element)) return PathOf(ce->GetSurface());
    std::string owner = element.Owner() ? PathOf(*element.Owner()) : "";
    return owner.empty() ? element.FullName() : owner + "." + element.FullName();
}

Target Runtime::Resolve(Form& form, const std::string& path) const {
    if (path.empty()) return {&form, nullptr};
    std::vector<std::string> segs;
    size_t start = 0;
    while (true) {
        auto dot = path.find('.', start);
        segs.push_back(path.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    auto [name0, index0] = SplitIndex(segs[0]);
    Surface* current = form.FindSurface(name0, index0);
    if (!current) {
        Element* e = form.Find(name0, index0);
        if (e && segs.size() == 1) return {&form, e};
        return {};
    }
    for (size_t i = 1; i < segs.size(); ++i) {
        auto [name, index] = SplitIndex(segs[i]);
        Element* e = current->Find(name, index);
        if (!e) return {};
        if (auto* ce = dynamic_cast<ControlElement*>(e)) {
            current = &ce->GetSurface();
            continue;
        }
        if (i + 1 != segs.size()) return {};
        return {current, e};
    }
    return {current, nullptr};
}

// ---------------------------------------------------------------- input

bool Runtime::InputAllowed(const Surface& s) const {
    for (const Surface* p = &s; p; p = p->Container())
        if (!p->Enabled()) return false;
    return true;
}

Target Runtime::HitSurface(Surface& s, double x, double y) const {
    const auto& els = s.Elements();
    // Windowed elements lie above the lightweight ones; within each group later is on top.
    for (int pass = 0; pass < 2; ++pass) {
        for (auto it = els.rbegin(); it != els.rend(); ++it) {
            Element& e = **it;
            if (e.Windowed() != (pass == 0) || !e.Visible() || !e.ReceivesMouse()) continue;
            Rect b = e.Bounds();
            if (!Contains(b, x, y)) continue;
            if (auto* ce = dynamic_cast<ControlElement*>(&e))
                return HitSurface(ce->GetSurface(), x - b.left, y - b.top);
            return {&s, &e};
        }
    }
    return {&s, nullptr};
}

Target Runtime::HitTest(Form& form, double x, double y) const { return HitSurface(form, x, y); }

std::pair<int16_t, PictureRef> Runtime::PointerAt(Form& form, double x, double y) const {
    Target t = m_capture ? Target{m_capture, nullptr} : HitTest(form, x, y);
    if (t.element && t.element->MousePointer() != 0) return {t.element->MousePointer(), t.element->MouseIcon()};
    for (Surface* s = t.surface; s; s = s->Container())
        if (s->MousePointer() != 0) return {s->MousePointer(), s->MouseIcon()};
    return {0, nullptr};
}

void Runtime::Guard(const std::function<void()>& f) {
    try {
        f();
    } catch (const HostError& e) {
        ReportError(e);
    } catch (const std::exception& e) {
        ReportError(HostError(51, std::string("Internal error: ") + e.what()));
    }
}

void Runtime::ReportError(const HostError& e) {
    if (onUnhandledError)
        onUnhandledError(e);
    else
        std::cerr << "stolvane: error " << e.number << ": " << e.description << "\n";
}

void Runtime::Deliver(const Target& t, MouseAction action, MouseArgs args) {
    if (!t.surface || !InputAllowed(*t.surface)) return;
    Guard([&] {
        if (t.element) {
            Element& e = *t.element;
            switch (action) {
                case MouseAction::Down: e.MouseDown(args); break;
                case MouseAction::Move: e.MouseMove(args); break;
                case MouseAction::Up: e.MouseUp(args); break;
                case MouseAction::Click: e.Click(args); break;
                case MouseAction::DblClick:
                case MouseAction::DoubleClickOnly: e.DblClick(); break;
            }
            return;
        }
        Control* c = t.surface->GetControl();
        if (!c) return;
        switch (action) {
            case MouseAction::Down: c->OnMouseDown(args); break;
            case MouseAction::Move: c->OnMouseMove(args); break;
            case MouseAction::Up: c->OnMouseUp(args); break;
            case MouseAction::Click: c->OnClick(); break;
            case MouseAction::DblClick:
            case MouseAction::DoubleClickOnly: c->OnDblClick(); break;
        }
    });
}

namespace {
// True when b is a or lies within a (the same surface, or an element or control inside it).
bool SameOrInside(const Target& a, const Target& b) {
    if (!a.surface || !b.surface) return false;
    if (a.element) return a.surface == b.surface && a.element == b.element;
    for (Surface* s = b.surface; s; s = s->Container())
        if (s == a.surface) return true;
    return false;
}
}  // namespace

void Runtime::Mouse(Form& form, MouseAction action, double x, double y, int16_t button, int16_t shift) {
    Dispatch scope(*this);
    m_cursor = {ToInt32(TwipsToPixels(form.Left() + x)), ToInt32(TwipsToPixels(form.Top() + y))};
    auto route = [&]() -> Target {
        if (m_capture) return {m_capture, nullptr};
        if (m_press.surface) return {m_press.surface, m_press.element};
        return HitTest(form, x, y);
    };
    auto deliverAt = [&](const Target& t, MouseAction a, int16_t b) {
        if (!t.surface) return;
        double ox = FormX(*t.surface), oy = FormY(*t.surface);
        if (t.element) {
            Rect r = t.element->Bounds();
            ox += r.left;
            oy += r.top;
        }
        MouseArgs args{b, shift, static_cast<float>(x - ox), static_cast<float>(y - oy)};
        Deliver(t, a, args);
    };
    auto down = [&](int16_t b) {
        Target t = route();
        m_press = {t.surface, t.element};
        deliverAt(t, MouseAction::Down, b);
    };
    auto up = [&](int16_t b, bool withClick) {
        Target t = route();
        Press pressed = m_press;
        m_press = {};
        deliverAt(t, MouseAction::Up, b);
        if (!withClick || !pressed.surface) return;
        // Click when the button comes up over what it went down on.
        Target under = HitTest(form, x, y);
        Target was{pressed.surface, pressed.element};
        if (SameOrInside(was, under)) deliverAt(was, MouseAction::Click, b);
    };
    switch (action) {
        case MouseAction::Move: deliverAt(route(), MouseAction::Move, button); break;
        case MouseAction::Down: down(button); break;
        case MouseAction::Up: up(button, true); break;
        case MouseAction::Click:
            down(button);
            up(button, true);
            break;
        case MouseAction::DblClick: {
            down(button);
            up(button, true);
            Target t = route();
            deliverAt(t, MouseAction::DblClick, button);
            up(button, false);
            break;
        }
        case MouseAction::DoubleClickOnly: deliverAt(route(), MouseAction::DblClick, button); break;
    }
}

void Runtime::MouseTo(const Target& target, MouseAction action, double x, double y, int16_t button, int16_t shift) {
    if (!target.surface) return;
    Dispatch scope(*this);
    double fx = FormX(*target.surface) + x, fy = FormY(*target.surface) + y;
    if (target.element) {
        fx += target.element->Bounds().left;
        fy += target.element->Bounds().top;
    }
    if (Form* form = target.surface->OwningForm())
        m_cursor = {ToInt32(TwipsToPixels(form->Left() + fx)), ToInt32(TwipsToPixels(form->Top() + fy))};
    MouseArgs args{button, shift, static_cast<float>(x), static_cast<float>(y)};
    switch (action) {
        case MouseAction::Move:
        case MouseAction::Down:
        case MouseAction::Up: Deliver(target, action, args); break;
        case MouseAction::Click:
            Deliver(target, MouseAction::Down, args);
            Deliver(target, MouseAction::Up, args);
            Deliver(target, MouseAction::Click, args);
            break;
        case MouseAction::DblClick:
            Deliver(target, MouseAction::Down, args);
            Deliver(target, MouseAction::Up, args);
            Deliver(target, MouseAction::Click, args);
            Deliver(target, MouseAction::DblClick, args);
            Deliver(target, MouseAction::Up, args);
            break;
        case MouseAction::DoubleClickOnly: Deliver(target, MouseAction::DblClick, args); break;
    }
}

int32_t Runtime::DropTo(const Target& target, double x, double y, DragData data, int16_t button, int16_t shift) {
    if (!target.surface || !InputAllowed(*target.surface)) return DropEffect::None;
    Dispatch scope(*this);
    int32_t effect = DropEffect::Copy;
    MouseArgs args{button, shift, static_cast<float>(x), static_cast<float>(y)};
    Guard([&] {
        if (target.element && target.element->onOLEDragDrop) {
            target.element->onOLEDragDrop(data, effect, args);
            return;
        }
        // A part of a control that takes no drops of its own passes it to the control.
        if (target.element) {
            args.x += static_cast<float>(target.element->Bounds().left);
            args.y += static_cast<float>(target.element->Bounds().top);
        }
        if (Control* c = target.surface->GetControl()) c->OnOLEDragDrop(data, effect, args);
    });
    return effect;
}

int32_t Runtime::Drop(Form& form, double x, double y, DragData data, int16_t button, int16_t shift) {
    Target t = HitTest(form, x, y);
    if (!t.surface) return DropEffect::None;
    double ox = FormX(*t.surface), oy = FormY(*t.surface);
    if (t.element) ox += t.element->Bounds().left, oy += t.element->Bounds().top;
    return DropTo(t, x - ox, y - oy, std::move(data), button, shift);
}

void Runtime::KeyPress(int16_t ascii) {
    Dispatch scope(*this);
    if (!m_focus || !m_focus->GetControl() || !InputAllowed(*m_focus)) return;
    Surface* s = m_focus;
    Guard([&] { s->GetControl()->OnKeyPress(ascii); });
}

bool Runtime::AccessKey(char c) {
    Dispatch scope(*this);
    Form* form = ActiveForm();
    if (!form) return false;
    char up = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    Surface* found = nullptr;
    ForEachSurface(*form, [&](Surface& s) {
        if (found || !s.GetControl() || !s.Visible() || !InputAllowed(s)) return;
        if (s.GetControl()->AccessKeys().find(up) != std::string::npos) found = &s;
    });
    if (!found) return false;
    Guard([&] { found->GetControl()->OnAccessKeyPress(static_cast<int16_t>(static_cast<unsigned char>(c))); });
    return true;
}

void Runtime::CollectFocusable(Surface& s, std::vector<Surface*>& out) const {
    for (auto& e : s.Elements()) {
        auto* ce = dynamic_cast<ControlElement*>(e.get());
        if (!ce || ce->IsDesignChild()) continue;
        Surface& cs = ce->GetSurface();
        if (!cs.Visible() || !cs.Enabled()) continue;
        if (cs.TabStop()) out.push_back(&cs);
        CollectFocusable(cs, out);
    }
}

void Runtime::Tab(bool backwards) {
    Dispatch scope(*this);
    Form* form = ActiveForm();
    if (!form) return;
    std::vector<Surface*> order;
    CollectFocusable(*form, order);
    if (order.empty()) return;
    std::stable_sort(order.begin(), order.end(), [](Surface* a, Surface* b) { return a->TabIndex() < b->TabIndex(); });
    auto it = std::find(order.begin(), order.end(), m_focus);
    size_t next;
    if (it == order.end())
        next = backwards ? order.size() - 1 : 0;
    else {
        size_t i = static_cast<size_t>(it - order.begin());
        next = backwards ? (i + order.size() - 1) % order.size() : (i + 1) % order.size();
    }
    Guard([&] { SetFocus(*order[next]); });
}

// ---------------------------------------------------------------- time

void Runtime::ArmTimer(Timer& t) {
    if (t.Enabled() && t.Interval() > 0 && t.Owner())
        m_timers[&t] = {m_now + t.Interval(), ++m_timerOrder};
    else
        m_timers.erase(&t);
}

int64_t Runtime::NextTimerDue() const {
    int64_t best = -1;
    for (auto& [t, st] : m_timers)
        if (best < 0 || st.next < best) best = st.next;
    return best < 0 ? -1 : std::max<int64_t>(0, best - m_now);
}

void Runtime::Advance(int64_t ms) {
    if (ms < 0) throw HostError::InvalidCall();
    Dispatch scope(*this);
    const int64_t end = m_now + ms;
    while (true) {
        const Timer* due = nullptr;
        int64_t when = 0;
        uint64_t order = 0;
        for (auto& [t, st] : m_timers)
            if (st.next <= end && (!due || st.next < when || (st.next == when && st.order < order)))
                due = t, when = st.next, order = st.order;
        if (!due) break;
        m_now = when;
        Timer* timer = const_cast<Timer*>(due);
        m_timers[timer].next = when + timer->Interval();
        if (timer->onTick) Guard([&] { timer->onTick(); });
    }
    m_now = end;
    ReapChildren();
}

}  // namespace stolvane
