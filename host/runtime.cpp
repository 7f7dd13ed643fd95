// SPDX-License-Identifier: MIT
// The runtime's Host services: construction, colours and notifications, capture and focus,
// popup menus, ambient and parent properties, desktop services (links, message boxes, pending
// messages, settings), pictures and text, and the reporting of errors handlers raise. Input
// routing, launching controls, forms, addressing, repaint tracking and timers have files of
// their own (host/runtime_*.cpp).

#include "host/runtime.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cerrno>
#include <iostream>

#include "core/errors.h"
#include "core/text.h"
#include "host/fonts.h"
#include "host/pictures.h"
#include "host/text_layouts.h"
#include "host/text_analysis.h"
#include "host/runtime_internal.h"

namespace stolvane {

namespace {

// Only web and mail links and the library's own about page are handed to the desktop; anything
// else (another file:, javascript:, a bare path, an option-looking "-x") is refused before any
// program starts.
bool AllowedLink(const std::string& target) {
    auto colon = target.find(':');
    if (colon == std::string::npos || colon == 0) return false;
    std::string scheme = ToLower(target.substr(0, colon));
    if (scheme == "file") return target == AboutPageAddress();
    return scheme == "http" || scheme == "https" || scheme == "ftp" || scheme == "mailto";
}

}  // namespace

void ForEachSurface(Surface& s, const std::function<void(Surface&)>& f) {
    f(s);
    for (auto& e : s.Elements())
        if (auto* ce = dynamic_cast<ControlElement*>(e.get())) ForEachSurface(ce->GetSurface(), f);
}

Runtime::Runtime(Library& library) : m_library(library) {
    InitFonts();
    InstallTextAnalyser(&ShaperTextAnalyser());
    m_caretTimer.SetInterval(static_cast<int32_t>(kCaretBlinkMs));
    m_caretTimer.onTick = [this] { BlinkCaret(); };
    m_tipTimer.SetInterval(static_cast<int32_t>(kToolTipDelayMs));
    m_tipTimer.onTick = [this] { ToolTipTick(); };
    m_desktop.LoadFromEnvironment();
    if (const char* a = std::getenv("STOLVANE_ACCESSIBILITY")) {
        std::string v;
        for (const char* c = a; *c; ++c) v += static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
        if (v == "0" || v == "false" || v == "off" || v == "no") m_accessibility = false;
    }
    m_theme.ApplyDesktop(m_desktop);
}

Runtime::~Runtime() {
    m_modal.clear();
    m_shown.clear();
    m_capture = nullptr;
    m_focus = nullptr;
    m_textFocus = nullptr;
    DropTimer(&m_caretTimer);
    DropTimer(&m_tipTimer);
    m_tip = {};
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
    if (InDesignMode(surface)) return;
    if (m_observer) m_observer->OnEvent(surface, name, args);
}

// ---------------------------------------------------------------- capture and focus

void Runtime::SetCapture(Surface& surface) {
    if (m_capture == &surface || InDesignMode(surface)) return;
    m_capture = &surface;
    if (m_observer) m_observer->OnCapture(PathOf(surface));
}

void Runtime::ReleaseCapture() {
    if (!m_capture) return;
    m_capture = nullptr;
    if (m_observer) m_observer->OnCapture("");
}

void Runtime::SetFocus(Surface& surface) {
    if (!surface.GetControl() || InDesignMode(surface)) return;
    if (!surface.Visible() || !InputAllowed(surface)) throw HostError::InvalidCall();
    if (m_focus == &surface) return;
    BlurTextBox();
    BlurListBox();
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
    HideToolTip(true);
    struct Open {
        int& menus;
        ~Open() { --menus; }
    } open{++m_menusOpen};
    MenuItem* chosen = m_backend->ChooseMenuItem(root, defaultItem);
    if (chosen && chosen->Enabled() && chosen->Visible() && chosen->onClick) chosen->onClick();
}

FontRef Runtime::AmbientFont(Surface& surface) {
    if (Form* f = surface.OwningForm()) return f->GetFont();
    static FontRef fallback = DefaultFont();
    return fallback;
}

double Runtime::ParentProperty(Surface& surface, const std::string& name) {
    Surface* parent = surface.Container();
    if (!parent) throw Errors::NoSuchProperty();
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
    throw Errors::NoSuchProperty();
}

void Runtime::SetParentProperty(Surface& surface, const std::string& name, double value) {
    Surface* parent = surface.Container();
    if (!parent) throw Errors::NoSuchProperty();
    if (name == "Left") return parent->SetLeft(value);
    if (name == "Top") return parent->SetTop(value);
    // A form is never made smaller than its minimum client size.
    if (parent->IsForm()) {
        auto* form = static_cast<Form*>(parent);
        if (name == "Width") value = std::max(value, form->MinClientWidth());
        if (name == "Height") value = std::max(value, form->MinClientHeight());
    }
    if (name == "Width") return parent->SetWidth(value);
    if (name == "Height") return parent->SetHeight(value);
    if (name == "WindowState" && parent->IsForm()) {
        static_cast<Form*>(parent)->SetWindowState(ToInt16(value));
        return;
    }
    throw Errors::NoSuchProperty();
}

// ---------------------------------------------------------------- desktop services

void Runtime::Navigate(const std::string& target) {
    bool ok = AllowedLink(target) && m_backend->Launch(target);
    if (m_observer) m_observer->OnNavigate(target, ok);
    if (!ok) throw HostError(ErrorNumber::NavigationFailed, "Unable to open the link");
}

void Runtime::MsgBox(const std::string& text, const std::optional<std::string>& title) {
    std::string t = title ? *title : m_appName;
    if (m_observer) m_observer->OnMsgBox(text, t);
    m_backend->ShowMessage(text, t);
}

int16_t Runtime::Ask(const std::string& text, const std::string& title, int16_t buttons) {
    struct Choice {
        const char* caption;
        int16_t answer;
    };
    std::vector<Choice> choices;
    switch (buttons) {
        case MsgBoxButtons::OKCancel: choices = {{"OK", MsgBoxAnswer::OK}, {"Cancel", MsgBoxAnswer::Cancel}}; break;
        case MsgBoxButtons::YesNoCancel:
            choices = {{"&Yes", MsgBoxAnswer::Yes}, {"&No", MsgBoxAnswer::No}, {"Cancel", MsgBoxAnswer::Cancel}};
            break;
        case MsgBoxButtons::YesNo: choices = {{"&Yes", MsgBoxAnswer::Yes}, {"&No", MsgBoxAnswer::No}}; break;
        default: choices = {{"OK", MsgBoxAnswer::OK}}; break;
    }
    std::vector<std::string> captions;
    for (const Choice& c : choices) captions.push_back(c.caption);
    const int cancel = static_cast<int>(choices.size()) - 1;
    if (m_observer) m_observer->OnMsgBox(text, title);
    const int chosen = m_backend->AskMessage(text, title, captions, 0, cancel);
    return choices[chosen >= 0 && chosen < static_cast<int>(choices.size()) ? chosen : cancel].answer;
}

void Runtime::DoEvents() {
    ReapLaunched();
    if (m_pumpDepth > 4) return;
    ++m_pumpDepth;
    struct Leave {
        int& d;
        ~Leave() { --d; }
    } leave{m_pumpDepth};
    m_backend->PumpEvents();
}

// ---------------------------------------------------------------- backend, other threads

void Runtime::SetBackend(Backend* backend) {
    std::lock_guard lock(m_postLock);
    m_backend = backend ? backend : &m_noBackend;
}

void Runtime::Post(std::function<void()> call) {
    std::lock_guard lock(m_postLock);
    m_posted.push_back(std::move(call));
    m_backend->Wake();
}

bool Runtime::RunPosted() {
    std::deque<std::function<void()>> calls;
    {
        std::lock_guard lock(m_postLock);
        calls.swap(m_posted);
    }
    if (calls.empty()) return false;
    Dispatch scope(*this);
    for (auto& call : calls) Guard(call);
    return true;
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
