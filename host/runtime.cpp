// The runtime's Host services: construction, colours and notifications, capture and focus,
// popup menus, ambient and parent properties, desktop services (links, message boxes, pending
// messages, settings), pictures and text, and the reporting of errors handlers raise. Input
// routing, launching controls, forms, addressing, repaint tracking and timers have files of
// their own (host/runtime_*.cpp).

#include "host/runtime.h"

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <iostream>

#include "host/media.h"
#include "host/text_analysis.h"
#include "host/runtime_internal.h"

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

}  // namespace

void ReapChildren() {
    int status = 0;
    while (waitpid(-1, &status, WNOHANG) > 0) {
    }
}

void ForEachSurface(Surface& s, const std::function<void(Surface&)>& f) {
    f(s);
    for (auto& e : s.Elements())
        if (auto* ce = dynamic_cast<ControlElement*>(e.get())) ForEachSurface(ce->GetSurface(), f);
}

Runtime::Runtime() {
    InitFonts();
    InstallTextAnalyser(&ShaperTextAnalyser());
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
    m_textFocus = nullptr;
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
    BlurTextBox();
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

// ---------------------------------------------------------------- pictures and text

PictureRef Runtime::LoadPicture(const std::string& path) {
    if (path.empty()) return Picture::Empty();
    return LoadPictureFile(path);
}

Rect Runtime::MeasureText(const Font& font, const std::string& text, double wrapWidth) {
    return MeasureTextTwips(font, text, wrapWidth);
}

// ---------------------------------------------------------------- errors

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

}  // namespace stolvane
