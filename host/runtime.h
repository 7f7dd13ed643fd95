// SPDX-License-Identifier: MIT
// The runtime that hosts library controls: it owns forms, surfaces and elements, implements
// the Host services, keeps the theme, the clock and the timers, routes mouse and keyboard
// input (hit-testing, capture, click, focus, tab order, access keys), runs modal forms and
// popup menus as nested loops, and records what needs repainting. It knows no control by name.
// The implementation is split by concern: runtime.cpp (services), runtime_input.cpp,
// runtime_launch.cpp, runtime_forms.cpp, runtime_addressing.cpp, runtime_changes.cpp (repaint
// areas, resize), runtime_timers.cpp, form_keys.cpp (keys) and runtime_text.cpp (text boxes).
#pragma once

#include <cstdint>
#include <functional>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include <stolvane/core/control.h>
#include <stolvane/core/form.h>
#include <stolvane/core/host.h>
#include <stolvane/core/library.h>
#include <stolvane/core/text_box.h>
#include <stolvane/core/units.h>
#include <stolvane/host/colour_source.h>
#include <stolvane/host/backend.h>
#include <stolvane/host/desktop.h>
#include <stolvane/host/theme.h>

// Xlib.h, read first, defines KeyPress as a macro; the name is the runtime's call here.
#pragma push_macro("KeyPress")
#undef KeyPress

namespace stolvane {

// What the runtime reports as it happens; scripts print it, tests record it, windows act on it.
class RuntimeObserver {
public:
    virtual ~RuntimeObserver() = default;
    virtual void OnEvent(Surface& /*source*/, const std::string& /*name*/, EventArgs& /*args*/) {}
    // An event of an intrinsic element (a text box's Change, KeyPress ...).
    virtual void OnElementEvent(Element& /*source*/, const std::string& /*name*/, EventArgs& /*args*/) {}
    virtual void OnPropertyChanged(Surface& /*source*/, const std::string& /*key*/) {}
    virtual void OnMsgBox(const std::string& /*text*/, const std::string& /*title*/) {}
    virtual void OnNavigate(const std::string& /*target*/, bool /*ok*/) {}
    virtual void OnCapture(const std::string& /*pathOrEmpty*/) {}
    virtual void OnFocus(const std::string& /*path*/) {}
    virtual void OnMenu(const std::vector<std::string>& /*captions*/, const std::string& /*defaultCaption*/) {}
    virtual void OnFormShown(Form& /*form*/, bool /*shown*/) {}
    // A tooltip shown (its text, its top-left corner in the form's client twips) or hidden
    // (text nothing).
    virtual void OnToolTip(Form& /*form*/, const std::optional<std::string>& /*text*/, double /*x*/, double /*y*/) {}
};

// The choices of a message box that asks (Runtime::Ask), and its answers, with their classic
// values.
namespace MsgBoxButtons {
constexpr int16_t OKOnly = 0, OKCancel = 1, YesNoCancel = 3, YesNo = 4;
}
namespace MsgBoxAnswer {
constexpr int16_t OK = 1, Cancel = 2, Yes = 6, No = 7;
}

// A place in a form that input or a script can address: a surface (form or control), or an
// element of a surface.
struct Target {
    Surface* surface = nullptr;
    Element* element = nullptr;
    explicit operator bool() const { return surface != nullptr; }
};

// Click and DblClick are whole sequences (down, up, click; down, up, click, double-click, up),
// as scripts use them. DoubleClickOnly is the double-click notification alone, for windows
// that report the second press of a double-click themselves.
enum class MouseAction { Move, Down, Up, Click, DblClick, DoubleClickOnly };

// Who hears the input that lands on controls in design mode (Runtime::SetDesignMode): the
// designer, instead of the controls.
class DesignSink {
public:
    virtual ~DesignSink() = default;
    // Mouse input over a design-mode form or subtree, or begun there while a button is held:
    // `placed` is the innermost control or element the form's author placed under the pointer
    // (the design root itself when there is none); x and y are in the form's client twips.
    virtual void DesignMouse(Form& /*form*/, const Target& /*placed*/, MouseAction /*action*/, double /*x*/,
                             double /*y*/, int16_t /*button*/, int16_t /*shift*/) {}
    // A key going down while a form in design mode has the input (classic key code and shift mask).
    virtual void DesignKey(Form& /*form*/, int16_t /*keyCode*/, int16_t /*shift*/) {}
};

class Runtime : public Host, public FrameSource {
public:
    // A runtime hosting the classes and forms of the library it is given, which must outlive it.
    explicit Runtime(Library& library);
    // A runtime hosting this library's own controls and forms (registered once, on first use):
    // the library's layer (forms/library_entry.cpp) provides it, so code that links only core/
    // and host/ gives its own library instead.
    Runtime();
    ~Runtime() override;
    Library& GetLibrary() const { return m_library; }

    // ---- Host services (see core/host.h)
    OleColour ResolveColour(OleColour colour) override;
    double TwipsPerPixelX() override { return kTwipsPerPixel; }
    double TwipsPerPixelY() override { return kTwipsPerPixel; }
    PixelPoint CursorPosition() override { return m_backend->Pointer().value_or(m_cursor); }
    void PropertyChanged(Surface& surface, const std::string& key) override;
    void RaiseEvent(Surface& surface, const std::string& name, EventArgs& args) override;
    void SurfaceChanged(Surface& surface, const Rect& oldBounds) override;
    void SurfaceResized(Surface& surface) override;
    void ElementChanged(Element& element, const Rect& oldBounds) override;
    void ElementEvent(Element& element, const std::string& name, EventArgs& args) override;
    void SetCapture(Surface& surface) override;
    void ReleaseCapture() override;
    Surface* Captured() override { return m_capture; }
    bool Shows(Surface& surface, double x, double y) override;
    void SetFocus(Surface& surface) override;
    Surface* Focused() override { return m_focus; }
    void PopupMenu(Surface& surface, MenuItem& root, MenuItem* defaultItem) override;
    FontRef AmbientFont(Surface& surface) override;
    double ParentProperty(Surface& surface, const std::string& name) override;
    void SetParentProperty(Surface& surface, const std::string& name, double value) override;
    void Navigate(const std::string& target) override;
    void MsgBox(const std::string& text, const std::optional<std::string>& title) override;
    // A message box that asks (MsgBoxButtons); returns the answer (MsgBoxAnswer). Where no one
    // can answer (no backend), Cancel, or No when there is no Cancel. The observer hears it as
    // any message box.
    int16_t Ask(const std::string& text, const std::string& title, int16_t buttons);
    std::string AppName() override { return m_appName; }
    std::string VersionComment() override { return "01/02/99 : Last compilation date."; }
    void DoEvents() override;
    std::optional<std::string> DesktopSetting(const std::string& section, const std::string& key) override;
    Form& LoadForm(const std::string& name) override;
    void ShowModal(Form& form, Surface* owner) override;
    void HideForm(Form& form) override;
    void UnloadForm(Form& form) override;
    ControlElement& CreateEmbedded(Surface& parent, const std::string& className, const std::string& name, int index,
                                   const Rect& rect, const PropertyMap& design) override;
    PictureRef LoadPicture(const std::string& path) override;
    Rect MeasureText(const Font& font, const std::string& text, double wrapWidth) override;

    // ---- Configuration
    void SetObserver(RuntimeObserver* o) { m_observer = o; }
    void SetAppName(std::string n) { m_appName = std::move(n); }
    Theme& GetTheme() { return m_theme; }
    Desktop& GetDesktop() { return m_desktop; }
    void SetCursor(PixelPoint p) { m_cursor = p; }
    // The backend that shows forms, menus and message boxes, opens links and wakes the loop
    // (see host/backend.h); null goes back to none. It must stay alive while it is set.
    void SetBackend(Backend* backend);
    Backend& GetBackend() { return *m_backend; }
    // With this on (windows and scripts turn it on), a form that opens as the active one gives
    // the focus to its first control in tab order that can take it. Off, showing a form leaves
    // the focus alone, so a picture rendered from code shows the form at rest.
    void SetFocusOnShow(bool on) { m_focusOnShow = on; }
    // Whether windows expose their forms to assistive technologies over the accessibility bus
    // (host/a11y_atk.h). On unless the environment variable STOLVANE_ACCESSIBILITY is 0, false
    // or off; set before the window host is made. Forms rendered without a display never are.
    void SetAccessibility(bool on) { m_accessibility = on; }
    bool Accessibility() const { return m_accessibility; }

    // ---- Design mode ("user mode" off, as a classic host tells its controls while their form is
    // being designed; host/runtime_design.cpp). A form, or a control and everything inside it,
    // in design mode lays out and draws exactly as at run time, but its controls receive no
    // input (the mouse and the keys go to the sink instead), take neither the focus nor the
    // capture, raise no events to handlers or to the observer, and run no timers (so no fades).
    // Turning it off starts the enabled timers again.
    void SetDesignMode(Surface& root, bool on, DesignSink* sink = nullptr);
    bool InDesignMode(const Surface& surface) const;
    bool UserMode(const Surface& surface) override { return !InDesignMode(surface); }
    // The innermost control or element an author placed at the hit target (for the designer):
    // authored elements and placed controls count, a control's own design parts do not.
    Target PlacedAt(const Target& hit) const;

    // ---- Other threads
    // Queues a call to run on the interface thread and wakes the backend's loop. The one member
    // that may be called from any thread.
    void Post(std::function<void()> call);
    // Runs the calls posted so far, in order (the interface thread; backends call it from
    // their loop). False when there were none.
    bool RunPosted();

    // ---- Forms
    Form& NewForm(const std::string& name, double clientWidth = 9600, double clientHeight = 7200);
    const std::vector<std::unique_ptr<Form>>& Forms() const { return m_forms; }
    void DestroyForm(Form& form);
    // The form input goes to: the innermost open modal form, else the first shown form.
    Form* ActiveForm();
    bool IsShown(const Form& form) const;
    bool IsLoaded(const Form& form) const;
    // Shown modally (ShowModal) and not yet hidden.
    bool IsModal(const Form& form) const;
    void ShowForm(Form& form);  // modeless show: Show notifications to its controls
    // The user closes the form's window (its close box, Alt+F4, the window manager): the form's
    // onQueryUnload may keep it open; otherwise it is unloaded. True when it was.
    bool CloseForm(Form& form);

    // Places a control on a form or in a container control. A new instance gets first-time
    // defaults; with stored properties it reads them instead.
    ControlElement& PlaceControl(Surface& container, const std::string& className, const std::string& name, int index,
                                 const Rect& rect, const PropertyMap* stored);
    // The same for code that knows the class: `auto& ok = rt.Place<TolvaneButton>(form, "cmdOK", {...});`
    template <class T>
    T& Place(Surface& container, const std::string& name, const Rect& rect, int index = -1) {
        ControlElement& placed = PlaceControl(container, T::Class().name, name, index, rect, nullptr);
        auto* control = dynamic_cast<T*>(&placed.GetControl());
        if (!control) throw HostError(ErrorNumber::InvalidCall, name + " is not of the class asked for");
        return *control;
    }
    // Places an intrinsic element (line, label, image, picture box, shape, list box, timer,
    // picture button, menu item) directly on a form or container.
    Element& PlaceElement(Surface& container, ElementKind kind, const std::string& name, int index);

    // ---- Addressing
    Target Resolve(Form& form, const std::string& path) const;
    std::string PathOf(const Surface& surface) const;
    std::string PathOf(const Element& element) const;
    // Position of a surface's or element's top-left corner in its form's client twips.
    double FormX(const Surface& s) const;
    double FormY(const Surface& s) const;

    // ---- Input (coordinates in form client twips unless directed)
    void Mouse(Form& form, MouseAction action, double x, double y, int16_t button, int16_t shift);
    // Delivered straight to a surface or element, coordinates relative to it.
    void MouseTo(const Target& target, MouseAction action, double x, double y, int16_t button, int16_t shift);
    // Files or text dropped at (x, y) of the form: the drop notification goes to the topmost
    // mouse-receptive element or control there. Returns the effect the receiver answered.
    int32_t Drop(Form& form, double x, double y, DragData data, int16_t button = 0, int16_t shift = 0);
    int32_t DropTo(const Target& target, double x, double y, DragData data, int16_t button = 0, int16_t shift = 0);
    // Keys (host/form_keys.cpp): a key going down (classic key code, shift mask 1 Shift, 2 Ctrl,
    // 4 Alt) with the form's conventions (preview, Tab, access keys, default and cancel
    // buttons), coming up, and a typed character. A focused text box raises KeyDown, KeyPress
    // and KeyUp and edits (a single-line box leaves Enter to the default button).
    void KeyDown(int16_t keyCode, int16_t shift);
    void KeyUp(int16_t keyCode, int16_t shift);
    void KeyPress(int16_t ascii);
    // Committed text (typed, or from an input method) to the focused element: a text box
    // inserts it as one edit; a control gets its ASCII characters as key presses.
    void TypeText(const std::string& utf8);
    // An input method's composition shown at the focused text box's caret; "" ends it.
    void Compose(const std::string& utf8);
    bool AccessKey(char c);  // false when no control answers to it
    // Where a label's access key hands the focus: what follows the label in tab order. With
    // `wrap` false, nothing for a label after the last of it.
    Target LabelTarget(const Label& label, bool wrap = true) const;
    void Tab(bool backwards = false);
    // What the pointer at (x, y) of the form hits: topmost mouse-receptive element or surface.
    Target HitTest(Form& form, double x, double y) const;
    // The pointer to show at that point (0 default, 99 custom with its icon).
    std::pair<int16_t, PictureRef> PointerAt(Form& form, double x, double y) const;

    // ---- Text boxes (host/runtime_text.cpp)
    void FocusTextBox(TextBox& box);
    TextBox* FocusedTextBox() const { return m_textFocus; }
    // A list box takes the focus like a text box (tab order, access keys, a click on it): the
    // arrow keys, Home, End, PageUp and PageDown then move its current row and Space ticks or
    // unticks that row, as the mouse would.
    void FocusListBox(ListBox& list);
    ListBox* FocusedListBox() const { return m_listFocus; }
    // A text box or a list box.
    void FocusElement(Element& element);
    // The clipboard and the text input (an input method's window beside the caret) go through
    // the backend (host/backend.h).
    static constexpr int64_t kCaretBlinkMs = 500;

    // ---- Tooltips (host/runtime_tooltips.cpp): the pointer resting kToolTipDelayMs over an
    // element or control with a ToolTipText shows it just below the pointer; a move off it, a
    // press, or kToolTipShowMs hide it, and it shows again only once the pointer has left.
    static constexpr int64_t kToolTipDelayMs = 500;
    static constexpr int64_t kToolTipShowMs = 5000;
    // Where the tooltip's top-left corner goes, from the pointer (form twips).
    static constexpr double kToolTipOffsetX = 0, kToolTipOffsetY = 300;
    // The pointer has left the form's window: a tooltip of it hides.
    void PointerLeft(Form& form);
    // The tooltip shown now, if any.
    const std::optional<std::string>& ToolTipShown() const { return m_tip.shownText; }

    // ---- Time
    int64_t Now() const { return m_now; }
    // Moves the clock on and fires every due tick in order.
    // At most kMaxAdvanceMs at a time, so one call cannot queue an unbounded number of ticks.
    static constexpr int64_t kMaxAdvanceMs = 3'600'000;
    // Past limits::kMaxTicksPerAdvance ticks in one call, the rest of the advance coalesces:
    // each timer still due fires once more, at its end.
    void Advance(int64_t ms);
    // The real clock moved on by ms during one turn of a window loop: each due timer fires once,
    // however many of its intervals went by, and keeps its rhythm.
    void AdvanceLoopTurn(int64_t ms);
    // Milliseconds until the next timer is due, or -1 when none runs.
    int64_t NextTimerDue() const;

    // ---- Repainting: the regions of a form (client twips) that changed since last taken.
    std::vector<Rect> TakeDirty(Form& form) override;
    bool HasDirty(const Form& form) const;

    // Errors raised by handlers reach the runtime, which reports them and carries on.
    void ReportError(const HostError& e);
    std::function<void(const HostError&)> onUnhandledError;

    // Unloaded forms and their controls are destroyed only once no handler is running, so a
    // handler that unloads its own form (or opens a modal form that is unloaded meanwhile)
    // never finds its objects gone. Entry points call this when they return.
    void CollectGarbage();

private:
    // An enabled, running timer: when it is next due.
    struct TimerState {
        int64_t next = 0;
        uint64_t order = 0;  // breaks ties between timers due at the same moment
    };
    struct Press {
        Surface* surface = nullptr;
        Element* element = nullptr;
    };
    struct Dispatch {
        explicit Dispatch(Runtime& r) : rt(r) { ++rt.m_depth; }
        ~Dispatch() {
            if (--rt.m_depth == 0) rt.CollectGarbage();
        }
        Runtime& rt;
    };
    std::unique_ptr<Surface> MakeControl(Surface& container, const std::string& className, const std::string& name,
                                         int index, const Rect& rect);
    void Deliver(const Target& t, MouseAction action, MouseArgs args);
    void Guard(const std::function<void()>& f);
    ControlElement* ElementOf(const Surface& s) const;
    Target HitSurface(Surface& s, double x, double y) const;
    bool InputAllowed(const Surface& s) const;
    void ShowSurfaceTree(Surface& s);
    void MarkDirty(const Surface& owner, const Rect& local);
    // What takes the focus, in tab order; with a label given, that label holds its place in it.
    void CollectFocusable(Surface& s, std::vector<Target>& out, const Element* label = nullptr) const;
    std::vector<Target> TabOrder(Surface& form, const Element* label = nullptr) const;
    void ForgetSurface(Surface& s);
    // Anchoring (host/anchoring.cpp): places the anchored children of a container whose size
    // changed, and forgets the distances of a child that something else moved.
    void AnchorChildren(Surface& container, double oldWidth, double oldHeight);
    void AnchoredChildMoved(Surface& child);
    void AnchoredElementMoved(Element& element, const Rect& oldBounds);
    void TakeAnchorDistances(Surface& s);
    bool PushButton(Control* button);
    // Design mode: the root the surface lies in and its sink, and handing it the mouse.
    const Surface* DesignRootOf(const Surface& s) const;
    void ToDesigner(Form& form, const Target& t, MouseAction action, double x, double y, int16_t button,
                    int16_t shift);
    void FormResized(Form& form, const Rect& oldBounds);
    void ArmTimer(Timer& t);
    void ScheduleTimer(const Timer* t, int64_t next, uint64_t order);
    void DropTimer(const Timer* t);
    void FireDueOnce(int64_t end);
    // Text boxes (host/runtime_text.cpp).
    void BlurTextBox();
    void BlurListBox();
    // A key for the focused list box; false when the box leaves it to the form.
    bool ListBoxKeyDown(ListBox& list, int16_t keyCode, int16_t shift);
    void TextBoxMouse(TextBox& box, MouseAction action, const MouseArgs& args);
    bool TextBoxKeyPress(TextBox& box, int16_t ascii);
    bool TextBoxKeyDown(TextBox& box, int16_t keyCode, int16_t shift);
    void TextBoxEditKey(TextBox& box, int16_t keyCode, int16_t shift);
    // Runs an edit on the box and shows its result: Change when the text changed, the caret
    // shown and kept in view, only the changed lines repainted.
    void EditTextBox(TextBox& box, const std::function<bool()>& edit);
    void TextBoxShown(TextBox& box);
    void BlinkCaret();
    // Tooltips (host/runtime_tooltips.cpp).
    void TrackToolTip(Form& form, double x, double y);
    void ToolTipTick();
    void HideToolTip(bool dismiss);
    void ForgetToolTip(const Form& form);
    // Whether neither a control nor a text box has the focus (the form then sees every key).
    bool NothingFocused() const { return !m_focus && !m_textFocus && !m_listFocus; }
    // A focused text box that takes input now, else null.
    TextBox* TypingBox() const;

    Library& m_library;
    Theme m_theme;
    Desktop m_desktop;
    RuntimeObserver* m_observer = nullptr;
    std::string m_appName = "STolvane";
    PixelPoint m_cursor;
    Backend m_noBackend;
    Backend* m_backend = &m_noBackend;
    std::mutex m_postLock;  // guards m_posted and m_backend against Post from other threads
    std::deque<std::function<void()>> m_posted;
    bool m_focusOnShow = false;
    bool m_accessibility = true;
    std::map<const Surface*, DesignSink*> m_designRoots;  // design-mode roots and their sinks

    std::vector<std::unique_ptr<Form>> m_forms;
    std::vector<Form*> m_shown;
    std::vector<Form*> m_modal;
    Surface* m_capture = nullptr;
    Surface* m_focus = nullptr;
    Press m_press;
    std::map<const Timer*, TimerState> m_timers;
    std::set<std::tuple<int64_t, uint64_t, const Timer*>> m_timerQueue;  // by due time, then order
    int64_t m_now = 0;
    std::map<const Form*, std::vector<Rect>> m_dirty;
    std::vector<Form*> m_unloaded;  // waiting to be destroyed
    std::map<const Surface*, int> m_resizing;
    int m_depth = 0;
    uint64_t m_timerOrder = 0;
    int m_pumpDepth = 0;
    // The last hit test, answered again for the same point until anything changes (a mouse move
    // and the pointer shape shown after it ask the same question).
    struct HitMemo {
        const Form* form = nullptr;
        double x = 0, y = 0;
        uint64_t changes = 0;
        Target target;
    };
    mutable HitMemo m_hitMemo;
    uint64_t m_changes = 1;  // counts changes to what hit tests read
    // Anchoring: depth of placing passes running, the surface whose own input is being
    // delivered (its moves of itself stand until its container next changes size), and whether
    // a pass has placed that surface meanwhile.
    int m_anchorDepth = 0;
    Surface* m_inputSurface = nullptr;
    bool m_inputSurfaceAnchored = false;
    TextBox* m_textFocus = nullptr;
    ListBox* m_listFocus = nullptr;
    bool m_textDrag = false;
    // The caret's blink, a timer of the runtime's own on the same clock as the forms' timers.
    Timer m_caretTimer{"caret"};
    // The tooltip: what the pointer rests on (compared, never followed: the element may go),
    // its text, where the pointer is, and whether it shows or was dismissed until the pointer
    // leaves.
    struct ToolTipState {
        Form* form = nullptr;
        const void* owner = nullptr;
        std::string text;
        double x = 0, y = 0;
        std::optional<std::string> shownText;
        bool dismissed = false;
    };
    ToolTipState m_tip;
    Timer m_tipTimer{"tooltip"};
    // Popup menus open (nested): no tooltip comes up over a menu.
    int m_menusOpen = 0;
};

}  // namespace stolvane

#pragma pop_macro("KeyPress")
