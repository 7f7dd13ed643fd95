// SPDX-License-Identifier: MIT
#include "host/window.h"
#include "host/keys.h"

#include "host/sdl_api.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <map>
#include <tuple>
#include <utility>
#include <vector>

#include "core/units.h"
#include "host/a11y_atk.h"
#include "host/backend.h"
#include "host/message_box.h"
#include "host/popup_menu.h"
#include "host/tooltip_form.h"
#include "host/render.h"
#include "host/window_manager.h"
#include "host/runtime.h"

namespace stolvane {

namespace {

int16_t ButtonMask(uint32_t state) {
    int16_t m = 0;
    if (state & SDL_BUTTON_LMASK) m |= MouseButton::Left;
    if (state & SDL_BUTTON_RMASK) m |= MouseButton::Right;
    if (state & SDL_BUTTON_MMASK) m |= MouseButton::Middle;
    return m;
}

int16_t ButtonOf(uint8_t sdlButton) {
    switch (sdlButton) {
        case SDL_BUTTON_LEFT: return MouseButton::Left;
        case SDL_BUTTON_RIGHT: return MouseButton::Right;
        case SDL_BUTTON_MIDDLE: return MouseButton::Middle;
        default: return 0;
    }
}

// The modifiers held now, or (for a key) those held when the key went down: by the time a key's
// event is read, SDL may already have taken the release of Shift typed just after it.
int16_t ShiftMask(int mod = SDL_GetModState()) {
    int16_t m = 0;
    if (mod & KMOD_SHIFT) m |= 1;
    if (mod & KMOD_CTRL) m |= 2;
    if (mod & KMOD_ALT) m |= 4;
    return m;
}

}  // namespace

// The longest pause between the clicks of a double-click (SDL's own default).
constexpr uint32_t kDoubleClickMs = 500;

// The scale a display of this resolution is drawn at: 2 from 192 dpi, 1.5 from 144 dpi.
double ScaleForDpi(double dpi) { return dpi >= 192 ? 2.0 : dpi >= 144 ? 1.5 : 1.0; }

struct WindowHost::Impl : Backend {
    struct Window {
        Form* form = nullptr;  // null once the window is closed; the entry goes at the next safe point
        Form* owner = nullptr;  // the form a modal form was opened from
        SDL_Window* window = nullptr;
        std::unique_ptr<FormRenderer> painter;
        // The whole frame goes to the window at the next paint: it was exposed, resized, or
        // has not been shown yet.
        bool presentAll = true;
        double left = 0, top = 0, width = 0, height = 0;
        int16_t state = 0;
        bool popup = false;
        // Without a window manager: the bounds to restore, and whether maximise changed them.
        double normalLeft = 0, normalTop = 0, normalWidth = 0, normalHeight = 0;
        bool filled = false;
        // Positions asked of the window whose move notifications have not come back yet.
        std::vector<std::pair<int, int>> asked;
        // What the window manager was last told: the icon shown and the minimum client size.
        const Picture* icon = nullptr;
        double minWidth = 0, minHeight = 0;
        // The state last asked of the window manager, until it reports it (or two seconds pass).
        std::optional<int16_t> asking;
        uint32_t askedAt = 0;
    };

    Runtime& rt;
    double scale;
    std::vector<std::unique_ptr<Window>> windows;
    std::map<std::pair<int16_t, const Picture*>, SDL_Cursor*> cursors;
    std::chrono::steady_clock::time_point last = std::chrono::steady_clock::now();
    DragData drop;  // files and text of the drop in progress
    bool x11 = false;  // the X11 video driver: X errors about vanished windows are guarded
    // Calls into the runtime in progress (event handling, menus): windows closed meanwhile keep
    // their entries until none is, so no caller finds its Window gone.
    int busy = 0;
    // The event that wakes the loop for calls posted from other threads, pushed at most once
    // until the loop has seen it.
    uint32_t wakeEvent = 0;
    std::atomic<bool> wakePending{false};
    // The last release of a mouse button, in window and screen pixels, and a double-click whose
    // second press fell on the popup menu the first click opened.
    struct Release {
        uint32_t windowId = 0;
        int x = 0, y = 0, screenX = 0, screenY = 0;
        uint32_t time = 0;
        int16_t button = 0;
    };
    Release lastRelease;
    std::optional<Release> doubleClickInMenu;
    bool releaseCounted = false;
    std::tuple<uint32_t, int, int> lastMotion{0, 0, 0};  // window and position of the last move
    // The pointer at the display event just read, and at the mouse event being handled.
    std::optional<PixelPoint> systemPointer, pointerAtEvent;
    bool systemPointerUsed = false;  // the next release's double-click was delivered from the menu
    // Open message boxes, innermost last, with what answers each.
    std::vector<MessageBoxForm> boxes;
    bool letterAnsweredBox = false;  // its typed character is not delivered
    // The forms on the accessibility bus (inert when accessibility is off or no bus is known),
    // and what the menus and the tooltip shown on forms of their own are.
    std::unique_ptr<AccessibilityBridge> a11y;
    std::map<const Form*, AccessiblePopup> popups;
    // The window the keyboard was given back to after a menu or tooltip, until SDL reports
    // a window gaining it (see GiveKeyboardBack).
    uint32_t keysGivenBack = 0;

    Impl(Runtime& r, double s) : rt(r), scale(s) {
        std::string unloadable;
        if (!sdl::Load(&unloadable)) throw HostError(ErrorNumber::InvalidCall, "Cannot open a window: " + unloadable);
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
        // Only a real display will do: left to itself SDL falls back to its invisible
        // "offscreen" driver when the X or Wayland connection fails, and the windows would then
        // exist nowhere. Unless the user chose a driver, ask for the real ones only.
        const char* chosen = std::getenv("SDL_VIDEODRIVER");
        if (!chosen || !*chosen) SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11,wayland");
        // In place before SDL starts, so that SDL's shutdown puts the guard back (see
        // GuardAgainstVanishedWindows); without X11 it is never called.
        GuardAgainstVanishedWindows();
        if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 0)
            throw HostError(ErrorNumber::InvalidCall, std::string("Cannot open a window: ") + SDL_GetError());
        const char* driver = SDL_GetCurrentVideoDriver();
        if (!driver || std::string(driver) == "offscreen" || std::string(driver) == "dummy") {
            SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER);
            throw HostError(ErrorNumber::InvalidCall, std::string("Cannot open a window: no display (SDL chose the \"") +
                                                          (driver ? driver : "none") + "\" video driver)");
        }
        x11 = std::string(driver) == "x11";
        if (x11) GuardAgainstVanishedWindows();
        // Frames are drawn in memory and copied to the window's surface. On X11 that surface is
        // an image shared with the server and only the changed rectangles travel; left to
        // itself SDL would put a GL texture behind it and send every frame whole through GL
        // (under a software GL, many times the cost of drawing it). Wayland offers no other
        // surface than SDL's texture one, so there SDL keeps its choice. A setting made in the
        // environment wins either way.
        if (x11)
            SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        else
            SDL_ResetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION);
        wakeEvent = SDL_RegisterEvents(1);
        if (scale <= 0) {
            // The resolution the desktop configures, else the one the display reports.
            std::optional<double> dpi = ConfiguredDpi();
            float ddpi = 0, hdpi = 0, vdpi = 0;
            if (!dpi && SDL_GetDisplayDPI(0, &ddpi, &hdpi, &vdpi) == 0 && hdpi > 0) dpi = hdpi;
            scale = ScaleForDpi(dpi.value_or(96));
        }
        for (uint32_t type : {SDL_DROPBEGIN, SDL_DROPFILE, SDL_DROPTEXT, SDL_DROPCOMPLETE}) SDL_EventState(type, SDL_ENABLE);
        // The display's own events come too: on X11 they tell where the pointer was when each
        // mouse event happened.
        if (x11) SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
        AccessibilityBridge::Hooks hooks;
        hooks.scale = [this] { return scale; };
        hooks.origin = [this](const Form& f) -> std::optional<PixelPoint> {
            Window* w = Find(&f);
            if (!w || !w->window) return std::nullopt;
            int x = 0, y = 0;
            SDL_GetWindowPosition(w->window, &x, &y);
            return PixelPoint{x, y};
        };
        hooks.wake = [this] { Wake(); };
        // Popup menus and tooltips are windows of their own, not forms of the application:
        // they are told to the bus as menus and tooltips while they are up.
        hooks.exposed = [this](const Form& f) {
            if (&f == tipForm) return false;
            for (auto& w : windows)
                if (w->form == &f && w->popup) return false;
            return true;
        };
        hooks.popups = [this](const Form& f) -> const AccessiblePopup* {
            auto it = popups.find(&f);
            return it == popups.end() ? nullptr : &it->second;
        };
        a11y = std::make_unique<AccessibilityBridge>(rt, std::move(hooks));
    }

    ~Impl() {
        a11y.reset();
        for (auto& w : windows) Destroy(*w);
        for (auto& [k, c] : cursors) SDL_FreeCursor(c);
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER);
    }

    double Tw() const { return PixelsToTwips(1, scale); }  // twips per device pixel

    Window* Find(const Form* f) {
        for (auto& w : windows)
            if (w->form && w->form == f) return w.get();
        return nullptr;
    }
    Window* FindId(uint32_t id) {
        for (auto& w : windows)
            if (w->form && w->window && SDL_GetWindowID(w->window) == id) return w.get();
        return nullptr;
    }

    void Destroy(Window& w) {
        if (w.window) {
            if (x11) WindowDestroying(w.window);
            SDL_DestroyWindow(w.window);
        }
        w.window = nullptr;
    }

    // Closes the window and lets go of its form; the entry itself goes at the next safe point.
    void Close(Window& w) {
        Destroy(w);
        w.painter.reset();
        w.form = nullptr;
        w.owner = nullptr;
    }
    void Sweep() {
        if (busy > 0) return;
        std::erase_if(windows, [](const std::unique_ptr<Window>& w) { return !w->form; });
    }

    // ---- Backend: the form is going; so does its window, and any mention of it as an owner.
    void FormDestroying(Form& form) override {
        if (a11y) a11y->FormDestroying(form);
        popups.erase(&form);
        if (tipForm == &form) tipForm = nullptr;
        for (auto& w : windows) {
            if (w->owner == &form) w->owner = nullptr;
            if (w->form == &form) Close(*w);
        }
        std::erase_if(boxes, [&](const MessageBoxForm& b) { return b.form == &form; });
    }

    Window& Open(Form& form, bool popup = false, Form* owner = nullptr, bool tooltip = false) {
        if (Window* w = Find(&form)) return *w;
        auto w = std::make_unique<Window>();
        w->form = &form;
        w->popup = popup;
        w->owner = owner;
        // Created hidden: the window manager reads the hints (owner, modal, icon, minimum size)
        // when the window is first shown.
        uint32_t flags = SDL_WINDOW_HIDDEN;
        if (form.GetBorderStyle() == Form::None || popup) flags |= SDL_WINDOW_BORDERLESS;
        if (popup) flags |= (tooltip ? SDL_WINDOW_TOOLTIP : SDL_WINDOW_POPUP_MENU) | SDL_WINDOW_ALWAYS_ON_TOP;
        if (form.GetBorderStyle() == Form::Sizable) flags |= SDL_WINDOW_RESIZABLE;
        int pw = std::max(1, static_cast<int>(std::lround(form.Width() / Tw())));
        int ph = std::max(1, static_cast<int>(std::lround(form.Height() / Tw())));
        int px = static_cast<int>(std::lround(TwipsToPixels(form.Left()))),
            py = static_cast<int>(std::lround(TwipsToPixels(form.Top())));
        std::string title = form.Caption().empty() ? form.Name() : form.Caption();
        w->window = SDL_CreateWindow(title.c_str(), px, py, pw, ph, flags);
        if (!w->window) throw HostError(ErrorNumber::InvalidCall, std::string("Cannot open a window: ") + SDL_GetError());
        if (!SDL_GetWindowSurface(w->window)) {
            const std::string why = SDL_GetError();
            if (x11) WindowDestroying(w->window);
            SDL_DestroyWindow(w->window);
            throw HostError(ErrorNumber::InvalidCall, "Cannot draw in a window: " + why);
        }
        w->painter = std::make_unique<FormRenderer>(rt, form, scale);
        w->left = form.Left(), w->top = form.Top(), w->width = form.Width(), w->height = form.Height();
        w->state = Form::Normal;
        if (owner)
            if (Window* o = Find(owner); o && o->window) {
                SDL_SetWindowModalFor(w->window, o->window);
                MarkModal(w->window);
            }
        windows.push_back(std::move(w));
        Window& ref = *windows.back();
        SyncHints(ref);
        SDL_ShowWindow(ref.window);
        SyncState(ref);
        Paint(ref, true);
        if (owner && ref.form) {
            // A modal form takes the keyboard: it answers Return and Escape.
            SDL_RaiseWindow(ref.window);
            SDL_SetWindowInputFocus(ref.window);
        }
        return ref;
    }

    // The form's icon and minimum client size, told to the window manager when they change.
    void SyncHints(Window& w) {
        Form& f = *w.form;
        if (!w.popup && f.Icon().get() != w.icon) {
            w.icon = f.Icon().get();
            const PictureRef& icon = f.Icon();
            if (!IsNoPicture(icon) && icon->PixelWidth() > 0 && icon->PixelHeight() > 0) {
                std::vector<uint32_t> px = icon->Pixels();
                SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(px.data(), icon->PixelWidth(), icon->PixelHeight(), 32,
                                                                    icon->PixelWidth() * 4, SDL_PIXELFORMAT_ARGB8888);
                if (s) {
                    SDL_SetWindowIcon(w.window, s);
                    SDL_FreeSurface(s);
                }
            }
        }
        if (f.MinClientWidth() != w.minWidth || f.MinClientHeight() != w.minHeight) {
            w.minWidth = f.MinClientWidth(), w.minHeight = f.MinClientHeight();
            SDL_SetWindowMinimumSize(w.window, std::max(1, static_cast<int>(PixelsCovering(w.minWidth, scale))),
                                     std::max(1, static_cast<int>(PixelsCovering(w.minHeight, scale))));
        }
    }

    // Brings the window in line with the form: window state, position and size set by code.
    void SyncState(Window& w) {
        Form& f = *w.form;
        SyncHints(w);
        if (f.GetWindowState() != w.state) ApplyState(w, f.GetWindowState());
        if (f.Left() != w.left || f.Top() != w.top) {
            const int x = static_cast<int>(std::lround(TwipsToPixels(f.Left())));
            const int y = static_cast<int>(std::lround(TwipsToPixels(f.Top())));
            if (w.asked.size() >= 32) w.asked.erase(w.asked.begin());
            w.asked.emplace_back(x, y);
            SDL_SetWindowPosition(w.window, x, y);
            w.left = f.Left(), w.top = f.Top();
        }
        if (f.Width() != w.width || f.Height() != w.height) {
            SDL_SetWindowSize(w.window, std::max(1, static_cast<int>(std::lround(f.Width() / Tw()))),
                              std::max(1, static_cast<int>(std::lround(f.Height() / Tw()))));
            w.width = f.Width(), w.height = f.Height();
        }
    }

    // Minimise, maximise or restore the window. A window manager does it when there is one;
    // without one the form is given the screen's usable area (maximise), hidden (minimise), or
    // shown again with the bounds it had before (restore).
    void ApplyState(Window& w, int16_t state) {
        const int16_t old = w.state;
        w.state = state;
        if (HasWindowManager(w.window)) {
            w.asking = state;
            w.askedAt = SDL_GetTicks();
            if (state == Form::Maximized)
                SDL_MaximizeWindow(w.window);
            else if (state == Form::Minimized)
                SDL_MinimizeWindow(w.window);
            else
                SDL_RestoreWindow(w.window);
            // SDL restores only a window it knows to be minimised, and learns of it late: the
            // window is mapped again (X11's way out of iconic state) and asked to be active.
            if (old == Form::Minimized && state != Form::Minimized) {
                Deiconify(w.window);
                SDL_RaiseWindow(w.window);
            }
            return;
        }
        Form& f = *w.form;
        if (old == Form::Normal)
            w.normalLeft = f.Left(), w.normalTop = f.Top(), w.normalWidth = f.Width(), w.normalHeight = f.Height();
        if (old == Form::Minimized) SDL_ShowWindow(w.window);
        if (state == Form::Maximized) {
            SDL_Rect area;
            const int display = SDL_GetWindowDisplayIndex(w.window);
            if (display >= 0 && SDL_GetDisplayUsableBounds(display, &area) == 0) {
                f.Move(PixelsToTwips(area.x), PixelsToTwips(area.y), area.w * Tw(), area.h * Tw());
                w.filled = true;
            }
        } else if (state == Form::Minimized) {
            SDL_HideWindow(w.window);
        } else if (w.filled) {
            f.Move(w.normalLeft, w.normalTop, w.normalWidth, w.normalHeight);
            w.filled = false;
        }
    }

    // Brings the frame up to date and shows what changed: only the rectangles the renderer
    // repainted go to the window, unless the whole frame must (see Window::presentAll). With
    // all set the window is shown whole even when nothing in the form changed (an expose).
    void Paint(Window& w, bool all = false) {
        if (!w.form || !w.window) return;
        if (all) w.presentAll = true;
        if (!w.presentAll && !rt.HasDirty(*w.form)) return;
        const Frame& img = w.painter->Update();
        // SDL makes the surface again after a resize; a surface it has just made holds none of
        // the frame (its user data is ours to mark, and starts empty).
        SDL_Surface* target = SDL_GetWindowSurface(w.window);
        if (!target) return;
        if (target->userdata != &w) w.presentAll = true;
        if (w.presentAll) {
            PresentRects(w.window, img, target, {{0, 0, target->w, target->h}});
            target->userdata = &w;
            w.presentAll = false;
        } else {
            PresentRects(w.window, img, target, w.painter->LastRepaintedArea());
        }
    }

    // Copies these rectangles of the frame to the window's surface and shows them. Parts of
    // the surface beyond the frame (a window the window manager holds larger than the form,
    // for a moment) take the colour of the frame's bottom-right pixel: the form's own back
    // colour in practice.
    static void PresentRects(SDL_Window* window, const Frame& img, SDL_Surface* target,
                             const std::vector<PixelRect>& area) {
        std::vector<SDL_Rect> shown;
        shown.reserve(area.size() + 2);
        const bool direct = target->format->format == SDL_PIXELFORMAT_ARGB8888 ||
                            target->format->format == SDL_PIXELFORMAT_RGB888;  // 32-bit xRGB: the same bytes
        for (const PixelRect& r : area) {
            const int x0 = std::max(0, r.x), y0 = std::max(0, r.y);
            const int x1 = std::min(target->w, r.x + r.width), y1 = std::min(target->h, r.y + r.height);
            if (x1 <= x0 || y1 <= y0) continue;
            shown.push_back({x0, y0, x1 - x0, y1 - y0});
            // The part the frame covers is copied; the rest is filled.
            const int cx1 = std::min(x1, img.width), cy1 = std::min(y1, img.height);
            auto* dst = static_cast<uint8_t*>(target->pixels);
            const int bpp = target->format->BytesPerPixel;
            if (cx1 > x0 && cy1 > y0) {
                const uint8_t* src = img.data.data() + static_cast<size_t>(y0) * img.stride + static_cast<size_t>(x0) * 4;
                uint8_t* out = dst + static_cast<size_t>(y0) * target->pitch + static_cast<size_t>(x0) * bpp;
                if (direct) {
                    for (int y = y0; y < cy1; ++y, src += img.stride, out += target->pitch)
                        std::memcpy(out, src, static_cast<size_t>(cx1 - x0) * 4);
                } else {
                    SDL_ConvertPixels(cx1 - x0, cy1 - y0, SDL_PIXELFORMAT_ARGB8888, src, img.stride,
                                      target->format->format, out, target->pitch);
                }
            }
            if (img.width > 0 && img.height > 0 && (x1 > cx1 || y1 > cy1)) {
                const uint8_t* edge = img.data.data() + static_cast<size_t>(img.height - 1) * img.stride +
                                      static_cast<size_t>(img.width - 1) * 4;
                uint32_t argb = 0;
                std::memcpy(&argb, edge, 4);
                const Uint32 fill = SDL_MapRGB(target->format, (argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
                if (x1 > cx1) {
                    SDL_Rect right{std::max(x0, cx1), y0, x1 - std::max(x0, cx1), y1 - y0};
                    SDL_FillRect(target, &right, fill);
                }
                if (y1 > cy1 && cx1 > x0) {
                    SDL_Rect below{x0, std::max(y0, cy1), cx1 - x0, y1 - std::max(y0, cy1)};
                    SDL_FillRect(target, &below, fill);
                }
            }
        }
        if (!shown.empty()) SDL_UpdateWindowSurfaceRects(window, shown.data(), static_cast<int>(shown.size()));
    }

    void UpdatePointer(Window& w, double x, double y) {
        auto [pointer, icon] = rt.PointerAt(*w.form, x, y);
        SDL_Cursor* cursor = nullptr;
        auto key = std::make_pair(pointer, icon.get());
        if (auto it = cursors.find(key); it != cursors.end()) {
            cursor = it->second;
        } else {
            if (pointer == MousePointer::Custom && icon && !IsNoPicture(icon)) {
                std::vector<uint32_t> px = icon->Pixels();
                SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(px.data(), icon->PixelWidth(), icon->PixelHeight(), 32,
                                                                    icon->PixelWidth() * 4, SDL_PIXELFORMAT_ARGB8888);
                if (s) {
                    // The hot spot is the topmost drawn pixel: the tip of a pointing hand or arrow.
                    int hx = 0, hy = 0;
                    bool found = false;
                    for (int y = 0; y < icon->PixelHeight() && !found; ++y)
                        for (int x = 0; x < icon->PixelWidth() && !found; ++x)
                            if (icon->PixelAt(x, y) >> 24) hx = x, hy = y, found = true;
                    cursor = SDL_CreateColorCursor(s, hx, hy);
                    SDL_FreeSurface(s);
                }
            } else {
                SDL_SystemCursor sys = SDL_SYSTEM_CURSOR_ARROW;
                switch (pointer) {
                    case MousePointer::Cross: sys = SDL_SYSTEM_CURSOR_CROSSHAIR; break;
                    case MousePointer::IBeam: sys = SDL_SYSTEM_CURSOR_IBEAM; break;
                    case MousePointer::SizeNWSE: sys = SDL_SYSTEM_CURSOR_SIZENWSE; break;
                    case MousePointer::Hand:
                    case MousePointer::Custom: sys = SDL_SYSTEM_CURSOR_HAND; break;
                    default: break;
                }
                cursor = SDL_CreateSystemCursor(sys);
            }
            cursors[key] = cursor;
        }
        if (cursor) SDL_SetCursor(cursor);
    }

    void Handle(const SDL_Event& e) {
        ++busy;
        struct Leave {
            int& b;
            ~Leave() { --b; }
        } leave{busy};
        if (e.type == wakeEvent) {
            wakePending = false;
            rt.RunPosted();
            return;
        }
        // While a mouse event is handled, the pointer is where that event happened: a drag
        // follows the events, not wherever the pointer has gone since they were queued.
        struct EventPointer {
            std::optional<PixelPoint>& at;
            ~EventPointer() { at.reset(); }
        } eventPointer{pointerAtEvent};
        switch (e.type) {
            case SDL_SYSWMEVENT: {
                int x = 0, y = 0;
                if (PointerOfSystemEvent(e.syswm.msg, x, y)) systemPointer = PixelPoint{x, y};
                break;
            }
            case SDL_MOUSEMOTION: {
                Window* w = FindId(e.motion.windowID);
                if (!w || !rt.IsShown(*w->form) || Blocked(*w)) return;
                PointerAtEvent(*w, e.motion.x, e.motion.y);
                lastMotion = {e.motion.windowID, pointerAtEvent->x, pointerAtEvent->y};
                double x = e.motion.x * Tw(), y = e.motion.y * Tw();
                rt.Mouse(*w->form, MouseAction::Move, x, y, ButtonMask(e.motion.state), ShiftMask());
                if (w->form) UpdatePointer(*w, x, y);
                break;
            }
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP: {
                Window* w = FindId(e.button.windowID);
                if (!w || !rt.IsShown(*w->form) || Blocked(*w)) return;
                PointerAtEvent(*w, e.button.x, e.button.y);
                double x = e.button.x * Tw(), y = e.button.y * Tw();
                bool down = e.type == SDL_MOUSEBUTTONDOWN;
                int16_t b = ButtonOf(e.button.button);
                // SDL drops some moves (outside the window, even with a button held) and reports
                // a release where the last move it kept was. The display's own record says
                // where the release happened: a move there comes first, and the release is there.
                if (!down && lastMotion != std::tuple(e.button.windowID, pointerAtEvent->x, pointerAtEvent->y)) {
                    lastMotion = {e.button.windowID, pointerAtEvent->x, pointerAtEvent->y};
                    int wx = 0, wy = 0;
                    SDL_GetWindowPosition(w->window, &wx, &wy);
                    if (systemPointerUsed) x = (pointerAtEvent->x - wx) * Tw(), y = (pointerAtEvent->y - wy) * Tw();
                    rt.Mouse(*w->form, MouseAction::Move, x, y, ButtonMask(SDL_GetMouseState(nullptr, nullptr)) | b,
                             ShiftMask());
                    if (!w->form || !rt.IsShown(*w->form)) return;
                }
                if (!down) {
                    int wx = 0, wy = 0;
                    SDL_GetWindowPosition(w->window, &wx, &wy);
                    lastRelease = {e.button.windowID, e.button.x, e.button.y, wx + e.button.x, wy + e.button.y,
                                   e.button.timestamp, b};
                }
                // The release of a second press that closed a popup menu no longer counts as the
                // display counts it: its double-click has been delivered already.
                const bool counted = down || !std::exchange(releaseCounted, false);
                rt.Mouse(*w->form, down ? MouseAction::Down : MouseAction::Up, x, y, b, ShiftMask());
                // Every second click in a row is a double-click, as on the classic desktop.
                if (!down && counted && e.button.clicks >= 2 && e.button.clicks % 2 == 0 && w->form &&
                    rt.IsShown(*w->form))
                    rt.Mouse(*w->form, MouseAction::DoubleClickOnly, x, y, b, ShiftMask());
                // The click opened a popup menu and the second click of a double-click closed it:
                // the double-click belongs to what was clicked.
                if (!down && doubleClickInMenu && doubleClickInMenu->windowId == e.button.windowID) {
                    const Release at = *doubleClickInMenu;
                    doubleClickInMenu.reset();
                    if (w->form && rt.IsShown(*w->form))
                        rt.Mouse(*w->form, MouseAction::DoubleClickOnly, at.x * Tw(), at.y * Tw(), at.button, ShiftMask());
                }
                break;
            }
            case SDL_TEXTINPUT: {
                // Committed text, UTF-8: a focused text box takes all of it, a control its ASCII.
                Window* w = FindId(e.text.windowID);
                if (w && Blocked(*w)) return;
                // The letter that answered a message box types nothing into the form behind it.
                if (std::exchange(letterAnsweredBox, false)) return;
                rt.TypeText(e.text.text);
                break;
            }
            case SDL_TEXTEDITING: {
                Window* w = FindId(e.edit.windowID);
                if (w && Blocked(*w)) return;
                rt.Compose(e.edit.text);
                break;
            }
            case SDL_KEYDOWN: {
                Window* w = FindId(e.key.windowID);
                if (w && Blocked(*w)) return;
                SDL_Keycode k = e.key.keysym.sym;
                letterAnsweredBox = false;
                const bool altF4 = k == SDLK_F4 && (e.key.keysym.mod & KMOD_ALT) && !(e.key.keysym.mod & KMOD_CTRL);
                // A message box: Return and Space press its default button, Escape (and Alt+F4)
                // its cancel button, a letter the button it is the access key of. An OK box's one
                // button is both.
                if (!boxes.empty() && rt.ActiveForm() == boxes.back().form) {
                    MessageBoxForm& box = boxes.back();
                    const bool letter = k >= SDLK_a && k <= SDLK_z && !(e.key.keysym.mod & (KMOD_CTRL | KMOD_GUI));
                    if (k == SDLK_RETURN || k == SDLK_KP_ENTER || k == SDLK_SPACE) {
                        box.answer(box.defaultIndex);
                        return;
                    }
                    if (k == SDLK_ESCAPE || altF4) {
                        box.answer(box.cancelIndex);
                        return;
                    }
                    if (int i = letter ? box.AccessKey(static_cast<char>(k)) : -1; i >= 0) {
                        letterAnsweredBox = true;
                        box.answer(i);
                        return;
                    }
                }
                // Alt+F4 closes the window, as its close box does (a window manager that takes
                // the keys for itself sends the close instead).
                if (altF4 && w && w->form && !w->popup) {
                    rt.CloseForm(*w->form);
                    return;
                }
                if (int16_t code = KeyCodeOfSdl(e.key.keysym.sym)) rt.KeyDown(code, ShiftMask(e.key.keysym.mod));
                break;
            }
            case SDL_KEYUP: {
                Window* w = FindId(e.key.windowID);
                if (w && Blocked(*w)) return;
                if (int16_t code = KeyCodeOfSdl(e.key.keysym.sym)) rt.KeyUp(code, ShiftMask(e.key.keysym.mod));
                break;
            }
            case SDL_DROPBEGIN: drop = {}; break;
            case SDL_DROPFILE:
            case SDL_DROPTEXT: {
                if (e.drop.file) {
                    if (e.type == SDL_DROPFILE)
                        drop.files.push_back(e.drop.file);
                    else
                        drop.text.append(e.drop.file);
                    SDL_free(e.drop.file);
                }
                break;
            }
            case SDL_DROPCOMPLETE: {
                Window* w = FindId(e.drop.windowID);
                DragData data = std::move(drop);
                drop = {};
                if (!w || Blocked(*w)) return;
                // Drops come without a position: it is where the pointer is now.
                int gx = 0, gy = 0, wx = 0, wy = 0;
                uint32_t buttons = SDL_GetGlobalMouseState(&gx, &gy);
                SDL_GetWindowPosition(w->window, &wx, &wy);
                rt.Drop(*w->form, (gx - wx) * Tw(), (gy - wy) * Tw(), std::move(data), ButtonMask(buttons), ShiftMask());
                break;
            }
            case SDL_WINDOWEVENT: {
                // SDL knows again which window has the keyboard.
                if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) keysGivenBack = 0;
                Window* w = FindId(e.window.windowID);
                if (!w) return;
                if (e.window.event == SDL_WINDOWEVENT_CLOSE && !Blocked(*w)) {
                    if (!boxes.empty() && w->form == boxes.back().form)
                        boxes.back().answer(boxes.back().cancelIndex);
                    else
                        rt.CloseForm(*w->form);
                } else if (e.window.event == SDL_WINDOWEVENT_MOVED) {
                    // The window arriving where the form asked it to be (perhaps since moved
                    // on: a drag asks many times) changes nothing; any other move was the
                    // user's or the window manager's, and the form follows it.
                    const std::pair<int, int> at{e.window.data1, e.window.data2};
                    if (auto it = std::find(w->asked.begin(), w->asked.end(), at); it != w->asked.end()) {
                        w->asked.erase(w->asked.begin(), it + 1);
                        return;
                    }
                    w->asked.clear();
                    w->left = PixelsToTwips(e.window.data1), w->top = PixelsToTwips(e.window.data2);
                    if (w->form->Left() != w->left || w->form->Top() != w->top)
                        w->form->Move(w->left, w->top, w->form->Width(), w->form->Height());
                } else if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED && !w->popup) {
                    // Resized by the user or the window manager (maximised, say): so is the form.
                    Form& f = *w->form;
                    if (std::lround(f.Width() / Tw()) == e.window.data1 && std::lround(f.Height() / Tw()) == e.window.data2)
                        return;  // the size the form asked for
                    w->width = e.window.data1 * Tw(), w->height = e.window.data2 * Tw();
                    f.Move(f.Left(), f.Top(), w->width, w->height);
                } else if ((e.window.event == SDL_WINDOWEVENT_MAXIMIZED || e.window.event == SDL_WINDOWEVENT_MINIMIZED ||
                            e.window.event == SDL_WINDOWEVENT_RESTORED) &&
                           !w->popup && HasWindowManager(w->window)) {
                    // The window manager changed the state: the form learns of it. (Without
                    // one these only echo the runtime's own hiding and showing.)
                    const int16_t state = e.window.event == SDL_WINDOWEVENT_MAXIMIZED   ? Form::Maximized
                                          : e.window.event == SDL_WINDOWEVENT_MINIMIZED ? Form::Minimized
                                                                                        : Form::Normal;
                    // While a state the form asked for is on its way, reports of an earlier
                    // one are late echoes, not the window manager's doing.
                    if (w->asking && *w->asking != state && SDL_GetTicks() - w->askedAt < 2000) return;
                    w->asking.reset();
                    w->state = state;
                    w->form->SetWindowState(w->state);
                } else if (e.window.event == SDL_WINDOWEVENT_EXPOSED) {
                    Paint(*w, true);
                } else if (e.window.event == SDL_WINDOWEVENT_LEAVE) {
                    SDL_SetCursor(SDL_GetDefaultCursor());
                    if (!w->popup) rt.PointerLeft(*w->form);
                    // The display sends no moves once the pointer is outside: whatever holds the
                    // capture here (a lit button, a sunken caption bar) is told where it went.
                    Surface* held = rt.Captured();
                    if (held && held->OwningForm() == w->form && !Blocked(*w)) {
                        int gx = 0, gy = 0, wx = 0, wy = 0;
                        PointerOnScreen(w->window, gx, gy);
                        SDL_GetWindowPosition(w->window, &wx, &wy);
                        rt.Mouse(*w->form, MouseAction::Move, (gx - wx) * Tw(), (gy - wy) * Tw(),
                                 ButtonMask(SDL_GetMouseState(nullptr, nullptr)), ShiftMask());
                    }
                }
                break;
            }
            default: break;
        }
    }

    // While a modal form is open, other windows take no input.
    bool Blocked(const Window& w) { return modalDepth > 0 && !w.popup && w.form != rt.ActiveForm(); }
    int modalDepth = 0;

    void FireTimers() {
        auto now = std::chrono::steady_clock::now();
        int64_t ms = std::chrono::duration_cast<std::chrono::milliseconds>(now - last).count();
        if (ms <= 0) return;
        last = now;
        rt.AdvanceLoopTurn(ms);  // a timer that fell behind fires once
    }

    // Windows of forms that are no longer shown close; new shown forms get windows.
    void Reconcile() {
        // A form in design mode gets no window: its designer draws it in a window of its own.
        for (auto& f : rt.Forms())
            if (rt.IsShown(*f) && rt.IsLoaded(*f) && !rt.InDesignMode(*f) && !Find(f.get())) Open(*f);
        for (auto& w : windows) {
            if (!w->form || w->popup) continue;
            if (!rt.IsShown(*w->form))
                Close(*w);
            else
                SyncState(*w);
        }
        Sweep();
    }

    // The next event, waiting at most timeoutMs (forever when negative). The wait sleeps in
    // the display connection until input arrives, a posted call wakes it or the time is up.
    // With the accessibility bus served, the wait also ends when a request arrives on it, and
    // the requests are answered once it has.
    bool NextEvent(SDL_Event& e, int timeoutMs) {
        if (a11y && a11y->Active()) {
            timeoutMs = a11y->Prepare(timeoutMs);
            bool got = timeoutMs == 0 ? SDL_PollEvent(&e) != 0 : SDL_WaitEventTimeout(&e, timeoutMs < 0 ? -1 : timeoutMs) != 0;
            a11y->Dispatch();
            return got;
        }
        if (timeoutMs == 0) return SDL_PollEvent(&e) != 0;
        return SDL_WaitEventTimeout(&e, timeoutMs < 0 ? -1 : timeoutMs) != 0;
    }

    // How long the loop may sleep: until the next timer is due, at most timeoutMs (negative:
    // no limit).
    int WaitLimit(int timeoutMs) const {
        const int64_t due = rt.NextTimerDue();
        if (due < 0) return timeoutMs;
        const int untilDue = static_cast<int>(std::min<int64_t>(due, 1 << 30));
        return timeoutMs < 0 ? untilDue : std::min(timeoutMs, untilDue);
    }

    bool Step(int timeoutMs) {
        // SDL puts back the error handler it found at start-up after some of its calls; the
        // guard goes back in front of it before each round of events.
        if (x11) GuardAgainstVanishedWindows();
        // Work waiting already (a form shown or changed by code, a posted call) is done before
        // the loop sleeps.
        rt.RunPosted();
        Reconcile();
        for (auto& w : windows) Paint(*w);
        SDL_Event e;
        if (NextEvent(e, std::max(-1, WaitLimit(timeoutMs)))) {
            Handle(e);
            while (SDL_PollEvent(&e)) Handle(e);
        }
        FireTimers();
        rt.CollectGarbage();
        Reconcile();
        for (auto& w : windows) Paint(*w);
        for (auto& f : rt.Forms())
            if (rt.IsShown(*f) && !rt.InDesignMode(*f)) return true;
        return false;
    }

    // ---- Backend
    void PumpEvents() override {
        if (x11) GuardAgainstVanishedWindows();
        SDL_Event e;
        while (SDL_PollEvent(&e)) Handle(e);
        FireTimers();
        Reconcile();
        for (auto& w : windows) Paint(*w);
    }

    void RunModal(Form& form, Form* owner) override {
        ++modalDepth;
        struct Leave {
            int& d;
            ~Leave() { --d; }
        } leave{modalDepth};
        // Without an owner named, the form it covers is the one that was active before it.
        if (!owner)
            for (Window* w : OpenForms())
                if (w->form != &form) owner = w->form;
        Open(form, false, owner);
        while (rt.IsShown(form) && rt.IsLoaded(form)) {
            if (!Step(-1)) break;
        }
        Reconcile();
        // The keyboard goes back to the form the modal one was opened from.
        if (owner)
            if (Window* o = Find(owner); o && o->window && rt.IsShown(*owner)) {
                SDL_RaiseWindow(o->window);
                SDL_SetWindowInputFocus(o->window);
            }
    }

    // Windows of shown forms (not menus), oldest first.
    std::vector<Window*> OpenForms() {
        std::vector<Window*> out;
        for (auto& w : windows)
            if (w->form && !w->popup && rt.IsShown(*w->form)) out.push_back(w.get());
        return out;
    }

    void ShowMessage(const std::string& text, const std::string& title) override {
        AskMessage(text, title, {}, 0, 0);
    }

    int AskMessage(const std::string& text, const std::string& title, const std::vector<std::string>& buttons,
                   int defaultIndex, int cancelIndex) override {
        Form* owner = rt.ActiveForm();
        if (owner && !Find(owner)) owner = nullptr;
        boxes.push_back(BuildMessageBox(rt, text, title, owner, buttons, defaultIndex, cancelIndex));
        Form& box = *boxes.back().form;
        const std::shared_ptr<int> chosen = boxes.back().chosen;
        try {
            rt.ShowModal(box, owner);
        } catch (...) {
            std::erase_if(boxes, [&](const MessageBoxForm& b) { return b.form == &box; });
            rt.UnloadForm(box);
            throw;
        }
        std::erase_if(boxes, [&](const MessageBoxForm& b) { return b.form == &box; });
        rt.UnloadForm(box);
        return *chosen;
    }

    // Where the pointer was at the mouse event being handled: the display's own record of it
    // (X11), else the window's position plus the event's.
    void PointerAtEvent(Window& w, int x, int y) {
        systemPointerUsed = systemPointer.has_value();
        if (systemPointer) {
            pointerAtEvent = systemPointer;
        } else {
            int wx = 0, wy = 0;
            SDL_GetWindowPosition(w.window, &wx, &wy);
            pointerAtEvent = PixelPoint{wx + x, wy + y};
        }
        systemPointer.reset();
    }

    std::optional<PixelPoint> Pointer() override {
        if (pointerAtEvent) return pointerAtEvent;
        int x = 0, y = 0;
        SDL_Window* any = nullptr;
        for (auto& w : windows)
            if (w->window) any = w->window;
        PointerOnScreen(any, x, y);
        return PixelPoint{x, y};
    }

    bool Launch(const std::string& target) override { return LaunchWithXdgOpen(target); }

    std::string ClipboardText() override {
        char* text = SDL_GetClipboardText();
        std::string out = text ? text : "";
        SDL_free(text);
        return out;
    }
    void SetClipboardText(const std::string& text) override { SDL_SetClipboardText(text.c_str()); }
    std::optional<std::string> PrimarySelectionText() override {
        char* text = SDL_GetPrimarySelectionText();
        std::string out = text ? text : "";
        SDL_free(text);
        return out;
    }
    void SetPrimarySelectionText(const std::string& text) override { SDL_SetPrimarySelectionText(text.c_str()); }

    // The input method's window goes beside the caret of the form's window. SDL's text input
    // stays on while nothing edits, since controls take their typed characters from it too.
    void StartTextInput(Form& form, const Rect& caret) override {
        Window* w = Find(&form);
        if (!w || !w->window) return;
        const double tw = Tw();
        SDL_Rect r{static_cast<int>(caret.left / tw), static_cast<int>(caret.top / tw), 1,
                   std::max(1, static_cast<int>(caret.height / tw))};
        SDL_SetTextInputRect(&r);
        if (!SDL_IsTextInputActive()) SDL_StartTextInput();
    }
    void StopTextInput() override {
        SDL_ClearComposition();
    }

    // Any thread: one wake-up event until the loop has taken it.
    void Wake() override {
        if (wakePending.exchange(true)) return;
        SDL_Event e{};
        e.type = wakeEvent;
        if (SDL_PushEvent(&e) != 1) wakePending = false;
    }

    // A tooltip is a small borderless form of its own in a window the window manager leaves
    // alone, placed from the pointer's window; it never takes the keyboard.
    Form* tipForm = nullptr;
    void ShowToolTip(Form& form, const std::string& text, double x, double y) override {
        HideToolTip();
        Window* under = Find(&form);
        if (!under || !under->window) return;
        int wx = 0, wy = 0;
        SDL_GetWindowPosition(under->window, &wx, &wy);
        Form& tip = BuildToolTipForm(rt, text, PixelsToTwips(wx + x / Tw()), PixelsToTwips(wy + y / Tw()));
        tipForm = &tip;
        popups[&tip] = {AccessibleRole::ToolTip, text, {}, -1, {}};
        const uint32_t keys = KeyboardWindow();
        Open(tip, true, nullptr, true);
        GiveKeyboardBack(keys);
    }

    // Without a window manager SDL gives the keyboard focus to every window it shows, tooltips
    // and menus too, and the display leaves it nowhere once that window is gone: keys typed
    // while a tooltip was up or after it or a menu had gone were lost, and a press while a
    // tooltip was up made SDL capture the pointer for the tooltip's window. The window that had
    // the keyboard before gets it back.
    // SDL learns that the window has it again only when the display's focus event for it is
    // read; until then it reports no keyboard window at all, since the window that had it has
    // gone. A menu opened in that time (the next PopupMenu straight after one answered) must
    // still give the keyboard back to that window, else it is left nowhere once that menu goes.
    uint32_t KeyboardWindow() const {
        SDL_Window* keys = SDL_GetKeyboardFocus();
        return keys ? SDL_GetWindowID(keys) : keysGivenBack;
    }
    void GiveKeyboardBack(uint32_t keys) {
        Window* back = keys ? FindId(keys) : nullptr;
        if (!back || HasWindowManager(back->window)) return;
        SDL_SetWindowInputFocus(back->window);
        keysGivenBack = keys;
    }
    void HideToolTip() override {
        Form* tip = tipForm;
        tipForm = nullptr;
        if (!tip) return;
        popups.erase(tip);
        if (Window* w = Find(tip)) Close(*w);
        rt.DestroyForm(*tip);
    }

    // A popup menu is a small borderless form of its own whose labels are the items.
    MenuItem* ChooseMenuItem(MenuItem& root, MenuItem* defaultItem) override {
        PopupMenuForm built = BuildPopupMenu(rt, root, defaultItem);
        if (!built.form) return nullptr;
        Form& menu = *built.form;
        auto& rows = built.rows;
        MenuItem* chosen = nullptr;
        bool done = false;
        const uint32_t keys = KeyboardWindow();
        rt.ShowForm(menu);
        Window& w = Open(menu, true);
        // The highlighted row, moved by the pointer or by the arrow keys.
        int current = -1;
        AccessiblePopup& spoken = popups[&menu];
        // Its choosing refers to this call's state: it goes with the call, however it ends.
        struct Unspoken {
            std::map<const Form*, AccessiblePopup>& popups;
            const Form* menu;
            ~Unspoken() { popups.erase(menu); }
        } unspoken{popups, &menu};
        // Without a window manager SDL gives the keyboard focus to every window it shows, the
        // menu's too, and at a press grabs the pointer for the window that has the focus. The
        // press that closes the menu would grab it for the menu's window, destroyed right
        // after: a release coming meanwhile goes to that window and is lost, SDL keeps the
        // button down and drops the next press. The display grabs the pointer for the window
        // pressed in any case.
        struct NoAutoCapture {
            NoAutoCapture() { SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0"); }
            ~NoAutoCapture() { SDL_ResetHint(SDL_HINT_MOUSE_AUTO_CAPTURE); }
        } noAutoCapture;
        spoken.role = AccessibleRole::Menu;
        for (auto& [label, item] : rows) spoken.rows.push_back({label, item});
        auto highlight = [&](int row) {
            current = row;
            spoken.highlighted = row;
            HighlightPopupRow(built, row);
            Paint(w);
        };
        auto rowAt = [&](double twipsY) {
            for (int i = 0; i < static_cast<int>(rows.size()); ++i)
                if (twipsY >= rows[i].first->Top() - 30 && twipsY < rows[i].first->Top() + 240) return i;
            return -1;
        };
        auto step = [&](int direction) {
            int n = static_cast<int>(rows.size());
            for (int k = 1; k <= n; ++k) {
                int i = ((current < 0 ? (direction > 0 ? -1 : 0) : current) + direction * k + 2 * n) % n;
                if (rows[i].second->Enabled()) return highlight(i);
            }
        };
        auto choose = [&](MenuItem* item) {
            if (item && item->Enabled()) chosen = item, done = true;
        };
        spoken.choose = [&](MenuItem& item) { choose(&item); };
        while (!done && rt.IsShown(menu) && w.form) {
            SDL_Event e;
            if (!NextEvent(e, WaitLimit(-1))) {
                FireTimers();
                for (auto& other : windows) Paint(*other);
                continue;
            }
            if (e.type == SDL_MOUSEBUTTONDOWN) {
                // A second press where the click that opened the menu was, in double-click time,
                // makes a double-click on what was clicked: the menu goes without a choice.
                int wx = 0, wy = 0;
                if (SDL_Window* at = SDL_GetWindowFromID(e.button.windowID)) SDL_GetWindowPosition(at, &wx, &wy);
                const int sx = wx + e.button.x, sy = wy + e.button.y;
                if (e.button.timestamp - lastRelease.time <= kDoubleClickMs && std::abs(sx - lastRelease.screenX) <= 4 &&
                    std::abs(sy - lastRelease.screenY) <= 4 && FindId(lastRelease.windowId)) {
                    doubleClickInMenu = lastRelease;
                    releaseCounted = true;
                    break;
                }
                if (SDL_GetWindowID(w.window) != e.button.windowID) break;
            }
            if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_FOCUS_LOST &&
                SDL_GetWindowID(w.window) == e.window.windowID)
                break;
            if (e.type == SDL_KEYDOWN) {
                SDL_Keycode k = e.key.keysym.sym;
                if (k == SDLK_ESCAPE) break;
                if (k == SDLK_DOWN) step(1);
                if (k == SDLK_UP) step(-1);
                if (k == SDLK_RETURN || k == SDLK_KP_ENTER) choose(current >= 0 ? rows[current].second : defaultItem);
                if (k >= SDLK_a && k <= SDLK_z) {
                    // The item whose access key is the letter typed.
                    char letter = static_cast<char>('a' + (k - SDLK_a));
                    for (auto& [label, item] : rows) {
                        auto amp = item->Caption().find('&');
                        if (amp != std::string::npos && amp + 1 < item->Caption().size() &&
                            std::tolower(static_cast<unsigned char>(item->Caption()[amp + 1])) == letter)
                            choose(item);
                    }
                }
                continue;
            }
            if (e.type == SDL_MOUSEMOTION && SDL_GetWindowID(w.window) == e.motion.windowID) {
                int row = rowAt(e.motion.y * Tw());
                if (row != current) highlight(row);
                continue;
            }
            if (e.type == SDL_MOUSEBUTTONUP && SDL_GetWindowID(w.window) == e.button.windowID) {
                int row = rowAt(e.button.y * Tw());
                if (row >= 0) choose(rows[row].second);
                continue;
            }
            Handle(e);
            FireTimers();
            for (auto& other : windows) Paint(*other);
        }
        rt.HideForm(menu);
        if (w.form) Close(w);
        rt.UnloadForm(menu);
        GiveKeyboardBack(keys);
        return chosen;
    }
};

WindowHost::WindowHost(Runtime& runtime, double scale) : m_impl(std::make_unique<Impl>(runtime, scale)) {
    runtime.SetFocusOnShow(true);
    runtime.SetBackend(m_impl.get());
}

WindowHost::~WindowHost() {
    Runtime& rt = m_impl->rt;
    rt.SetBackend(nullptr);
    rt.SetFocusOnShow(false);
}

bool WindowHost::DisplayAvailable() {
    const char* d = std::getenv("DISPLAY");
    const char* w = std::getenv("WAYLAND_DISPLAY");
    if ((!d || !*d) && (!w || !*w)) return false;
    if (!sdl::Load()) return false;
    const char* chosen = std::getenv("SDL_VIDEODRIVER");
    if (!chosen || !*chosen) SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11,wayland");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
    const char* driver = SDL_GetCurrentVideoDriver();
    bool real = driver && std::string(driver) != "offscreen" && std::string(driver) != "dummy";
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return real;
}

void WindowHost::Run(Form& form) {
    m_impl->rt.ShowForm(form);
    m_impl->Open(form);
    while (Step(-1)) {
    }
}

double WindowHost::Scale() const { return m_impl->scale; }

bool WindowHost::Step(int timeoutMs) { return m_impl->Step(timeoutMs); }

uint32_t WindowHost::WindowId(const Form& form) const {
    auto* w = m_impl->Find(&form);
    return w && w->window ? SDL_GetWindowID(w->window) : 0;
}

}  // namespace stolvane
