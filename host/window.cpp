#include "host/window.h"

#include <SDL.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <map>
#include <vector>

#include "core/units.h"
#include "host/popup_menu.h"
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

// The classic key code of an SDL key the runtime routes as a key (0 for others).
int16_t KeyCodeOf(SDL_Keycode k) {
    switch (k) {
        case SDLK_BACKSPACE: return 8;
        case SDLK_TAB: return 9;
        case SDLK_RETURN:
        case SDLK_KP_ENTER: return 13;
        case SDLK_ESCAPE: return 27;
        case SDLK_PAGEUP: return 33;
        case SDLK_PAGEDOWN: return 34;
        case SDLK_END: return 35;
        case SDLK_HOME: return 36;
        case SDLK_LEFT: return 37;
        case SDLK_UP: return 38;
        case SDLK_RIGHT: return 39;
        case SDLK_DOWN: return 40;
        case SDLK_INSERT: return 45;
        case SDLK_DELETE: return 46;
        default: break;
    }
    if (k >= SDLK_a && k <= SDLK_z) return static_cast<int16_t>('A' + (k - SDLK_a));
    if (k >= SDLK_0 && k <= SDLK_9) return static_cast<int16_t>(k);
    if (k >= SDLK_F1 && k <= SDLK_F12) return static_cast<int16_t>(112 + (k - SDLK_F1));
    return 0;
}

int16_t ShiftMask() {
    SDL_Keymod mod = SDL_GetModState();
    int16_t m = 0;
    if (mod & KMOD_SHIFT) m |= 1;
    if (mod & KMOD_CTRL) m |= 2;
    if (mod & KMOD_ALT) m |= 4;
    return m;
}

}  // namespace

struct WindowHost::Impl {
    struct Window {
        Form* form = nullptr;
        SDL_Window* window = nullptr;
        SDL_Renderer* renderer = nullptr;
        SDL_Texture* texture = nullptr;
        std::unique_ptr<FormRenderer> painter;
        int texW = 0, texH = 0;
        double left = 0, top = 0, width = 0, height = 0;
        int16_t state = 0;
        bool popup = false;
        // Without a window manager: the bounds to restore, and whether maximise changed them.
        double normalLeft = 0, normalTop = 0, normalWidth = 0, normalHeight = 0;
        bool filled = false;
        // Positions asked of the window whose move notifications have not come back yet.
        std::vector<std::pair<int, int>> asked;
    };

    Runtime& rt;
    double scale;
    std::vector<std::unique_ptr<Window>> windows;
    std::map<std::pair<int16_t, const Picture*>, SDL_Cursor*> cursors;
    std::chrono::steady_clock::time_point last = std::chrono::steady_clock::now();
    DragData drop;  // files and text of the drop in progress
    bool x11 = false;  // the X11 video driver: X errors about vanished windows are guarded

    Impl(Runtime& r, double s) : rt(r), scale(s) {
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
        // Only a real display will do: left to itself SDL falls back to its invisible
        // "offscreen" driver when the X or Wayland connection fails, and the windows would then
        // exist nowhere. Unless the user chose a driver, ask for the real ones only.
        const char* chosen = std::getenv("SDL_VIDEODRIVER");
        if (!chosen || !*chosen) SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11,wayland");
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
        for (uint32_t type : {SDL_DROPBEGIN, SDL_DROPFILE, SDL_DROPTEXT, SDL_DROPCOMPLETE}) SDL_EventState(type, SDL_ENABLE);
    }

    ~Impl() {
        for (auto& w : windows) Destroy(*w);
        for (auto& [k, c] : cursors) SDL_FreeCursor(c);
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER);
    }

    double Tw() const { return PixelsToTwips(1, scale); }  // twips per device pixel

    Window* Find(const Form* f) {
        for (auto& w : windows)
            if (w->form == f) return w.get();
        return nullptr;
    }
    Window* FindId(uint32_t id) {
        for (auto& w : windows)
            if (w->window && SDL_GetWindowID(w->window) == id) return w.get();
        return nullptr;
    }

    void Destroy(Window& w) {
        if (w.texture) SDL_DestroyTexture(w.texture);
        if (w.renderer) SDL_DestroyRenderer(w.renderer);
        if (w.window) SDL_DestroyWindow(w.window);
        w.texture = nullptr, w.renderer = nullptr, w.window = nullptr;
    }

    Window& Open(Form& form, bool popup = false) {
        if (Window* w = Find(&form)) return *w;
        auto w = std::make_unique<Window>();
        w->form = &form;
        w->popup = popup;
        uint32_t flags = SDL_WINDOW_SHOWN;
        if (form.GetBorderStyle() == Form::None || popup) flags |= SDL_WINDOW_BORDERLESS;
        if (popup) flags |= SDL_WINDOW_POPUP_MENU | SDL_WINDOW_ALWAYS_ON_TOP;
        if (form.GetBorderStyle() == Form::Sizable) flags |= SDL_WINDOW_RESIZABLE;
        int pw = std::max(1, static_cast<int>(std::lround(form.Width() / Tw())));
        int ph = std::max(1, static_cast<int>(std::lround(form.Height() / Tw())));
        int px = static_cast<int>(std::lround(TwipsToPixels(form.Left()))),
            py = static_cast<int>(std::lround(TwipsToPixels(form.Top())));
        std::string title = form.Caption().empty() ? form.Name() : form.Caption();
        w->window = SDL_CreateWindow(title.c_str(), px, py, pw, ph, flags);
        if (!w->window) throw HostError(ErrorNumber::InvalidCall, std::string("Cannot open a window: ") + SDL_GetError());
        w->renderer = SDL_CreateRenderer(w->window, -1, SDL_RENDERER_SOFTWARE);
        if (!w->renderer) throw HostError(ErrorNumber::InvalidCall, std::string("Cannot draw in a window: ") + SDL_GetError());
        w->painter = std::make_unique<FormRenderer>(rt, form, scale);
        w->left = form.Left(), w->top = form.Top(), w->width = form.Width(), w->height = form.Height();
        w->state = Form::Normal;
        windows.push_back(std::move(w));
        Window& ref = *windows.back();
        SyncState(ref);
        Paint(ref, true);
        return ref;
    }

    // Brings the window in line with the form: window state, position and size set by code.
    void SyncState(Window& w) {
        Form& f = *w.form;
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
            if (state == Form::Maximized)
                SDL_MaximizeWindow(w.window);
            else if (state == Form::Minimized)
                SDL_MinimizeWindow(w.window);
            else
                SDL_RestoreWindow(w.window);
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

    void Paint(Window& w, bool all = false) {
        if (!all && !rt.HasDirty(*w.form) && w.texture) return;
        const Frame& img = all ? w.painter->RepaintAll() : w.painter->Update();
        if (!w.texture || w.texW != img.width || w.texH != img.height) {
            if (w.texture) SDL_DestroyTexture(w.texture);
            w.texture = SDL_CreateTexture(w.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                          img.width, img.height);
            w.texW = img.width, w.texH = img.height;
        }
        if (!w.texture) return;
        SDL_UpdateTexture(w.texture, nullptr, img.data.data(), img.stride);
        SDL_RenderClear(w.renderer);
        SDL_RenderCopy(w.renderer, w.texture, nullptr, nullptr);
        SDL_RenderPresent(w.renderer);
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
        switch (e.type) {
            case SDL_MOUSEMOTION: {
                Window* w = FindId(e.motion.windowID);
                if (!w || !rt.IsShown(*w->form) || Blocked(*w)) return;
                double x = e.motion.x * Tw(), y = e.motion.y * Tw();
                rt.Mouse(*w->form, MouseAction::Move, x, y, ButtonMask(e.motion.state), ShiftMask());
                UpdatePointer(*w, x, y);
                break;
            }
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP: {
                Window* w = FindId(e.button.windowID);
                if (!w || !rt.IsShown(*w->form) || Blocked(*w)) return;
                double x = e.button.x * Tw(), y = e.button.y * Tw();
                bool down = e.type == SDL_MOUSEBUTTONDOWN;
                int16_t b = ButtonOf(e.button.button);
                rt.Mouse(*w->form, down ? MouseAction::Down : MouseAction::Up, x, y, b, ShiftMask());
                // Every second click in a row is a double-click, as on the classic desktop.
                if (!down && e.button.clicks >= 2 && e.button.clicks % 2 == 0 && rt.IsShown(*w->form))
                    rt.Mouse(*w->form, MouseAction::DoubleClickOnly, x, y, b, ShiftMask());
                break;
            }
            case SDL_TEXTINPUT: {
                // Committed text, UTF-8: a focused text box takes all of it, a control its ASCII.
                Window* w = FindId(e.text.windowID);
                if (w && Blocked(*w)) return;
                rt.TypeText(e.text.text);
                break;
            }
            case SDL_TEXTEDITING: {
                Window* w = FindId(e.edit.windowID);
                if (w && Blocked(*w)) return;
                rt.Compose(e.edit.text);
                break;
            }
            case SDL_KEYUP: {
                Window* w = FindId(e.key.windowID);
                if (w && Blocked(*w)) return;
                if (int16_t code = KeyCodeOf(e.key.keysym.sym)) rt.KeyUp(code, ShiftMask());
                break;
            }
            case SDL_KEYDOWN: {
                Window* w = FindId(e.key.windowID);
                if (w && Blocked(*w)) return;
                SDL_Keycode k = e.key.keysym.sym;
                // Keys by their classic codes go to a focused text box first (editing keys).
                if (int16_t code = KeyCodeOf(k); code && rt.FocusedTextBox() && !(e.key.keysym.mod & KMOD_ALT))
                    rt.KeyDown(code, ShiftMask());
                if (k == SDLK_BACKSPACE && (e.key.keysym.mod & KMOD_CTRL) && rt.FocusedTextBox()) {
                    rt.KeyPress(127);  // Ctrl+Backspace deletes a word
                    break;
                }
                if ((e.key.keysym.mod & KMOD_ALT) && k >= SDLK_a && k <= SDLK_z) {
                    rt.AccessKey(static_cast<char>('A' + (k - SDLK_a)));
                } else if (k == SDLK_TAB) {
                    rt.Tab((e.key.keysym.mod & KMOD_SHIFT) != 0);
                } else if (k == SDLK_RETURN || k == SDLK_ESCAPE || k == SDLK_BACKSPACE) {
                    rt.KeyPress(static_cast<int16_t>(k == SDLK_RETURN ? 13 : k == SDLK_ESCAPE ? 27 : 8));
                }
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
                Window* w = FindId(e.window.windowID);
                if (!w) return;
                if (e.window.event == SDL_WINDOWEVENT_CLOSE && !Blocked(*w)) {
                    rt.UnloadForm(*w->form);
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
                    w->state = e.window.event == SDL_WINDOWEVENT_MAXIMIZED   ? Form::Maximized
                               : e.window.event == SDL_WINDOWEVENT_MINIMIZED ? Form::Minimized
                                                                             : Form::Normal;
                    w->form->SetWindowState(w->state);
                } else if (e.window.event == SDL_WINDOWEVENT_EXPOSED) {
                    Paint(*w, true);
                } else if (e.window.event == SDL_WINDOWEVENT_LEAVE) {
                    SDL_SetCursor(SDL_GetDefaultCursor());
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
        rt.Advance(std::min<int64_t>(ms, Runtime::kMaxAdvanceMs));
    }

    // Windows of forms that are no longer shown close; new shown forms get windows.
    void Reconcile() {
        for (auto& f : rt.Forms())
            if (rt.IsShown(*f) && !Find(f.get())) Open(*f);
        for (auto it = windows.begin(); it != windows.end();) {
            Window& w = **it;
            bool alive = false;
            for (auto& f : rt.Forms())
                if (f.get() == w.form && rt.IsShown(*f)) alive = true;
            if (!alive && !w.popup) {
                Destroy(w);
                it = windows.erase(it);
            } else {
                if (!w.popup) SyncState(w);
                ++it;
            }
        }
    }

    // The next event, waiting at most timeoutMs. SDL's own waiting wakes itself by sending an
    // event to one of the windows, which fails with an X error when that window has just been
    // destroyed; polling needs no such message.
    // The pause between polls grows from 1 to 10 ms while nothing happens.
    static bool NextEvent(SDL_Event& e, int timeoutMs) {
        const uint32_t start = SDL_GetTicks();
        for (;;) {
            if (SDL_PollEvent(&e)) return true;
            const int waited = static_cast<int>(SDL_GetTicks() - start);
            if (waited >= timeoutMs) return false;
            SDL_Delay(static_cast<uint32_t>(std::min({10, waited / 4 + 1, timeoutMs - waited})));
        }
    }

    bool Step(int timeoutMs) {
        // SDL puts back the error handler it found at start-up after some of its calls; the
        // guard goes back in front of it before each round of events.
        if (x11) GuardAgainstVanishedWindows();
        int64_t due = rt.NextTimerDue();
        int wait = timeoutMs;
        if (due >= 0) wait = static_cast<int>(std::min<int64_t>(wait, due));
        SDL_Event e;
        if (NextEvent(e, std::max(0, wait))) {
            Handle(e);
            while (SDL_PollEvent(&e)) Handle(e);
        }
        FireTimers();
        rt.CollectGarbage();
        Reconcile();
        for (auto& w : windows) Paint(*w);
        for (auto& f : rt.Forms())
            if (rt.IsShown(*f)) return true;
        return false;
    }

    void Pump() {
        SDL_Event e;
        while (SDL_PollEvent(&e)) Handle(e);
        FireTimers();
        Reconcile();
        for (auto& w : windows) Paint(*w);
    }

    void Modal(Form& form) {
        ++modalDepth;
        struct Leave {
            int& d;
            ~Leave() { --d; }
        } leave{modalDepth};
        Open(form);
        while (rt.IsShown(form) && rt.IsLoaded(form)) {
            if (!Step(50)) break;
        }
        Reconcile();
    }

    // A popup menu is a small borderless form of its own whose labels are the items.
    MenuItem* Menu(MenuItem& root, MenuItem* defaultItem) {
        PopupMenuForm built = BuildPopupMenu(rt, root, defaultItem);
        if (!built.form) return nullptr;
        Form& menu = *built.form;
        auto& rows = built.rows;
        MenuItem* chosen = nullptr;
        bool done = false;
        rt.ShowForm(menu);
        Window& w = Open(menu, true);
        // The highlighted row, moved by the pointer or by the arrow keys.
        int current = -1;
        auto highlight = [&](int row) {
            current = row;
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
        while (!done && rt.IsShown(menu)) {
            SDL_Event e;
            if (!NextEvent(e, 50)) continue;
            if (e.type == SDL_MOUSEBUTTONDOWN && SDL_GetWindowID(w.window) != e.button.windowID) break;
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
        }
        rt.HideForm(menu);
        for (auto it = windows.begin(); it != windows.end(); ++it)
            if ((*it)->form == &menu) {
                Destroy(**it);
                windows.erase(it);
                break;
            }
        rt.UnloadForm(menu);
        return chosen;
    }
};

WindowHost::WindowHost(Runtime& runtime, double scale) : m_impl(std::make_unique<Impl>(runtime, scale)) {
    Impl* impl = m_impl.get();
    runtime.SetModalLoop([impl](Form& f) { impl->Modal(f); });
    runtime.SetFocusOnShow(true);
    runtime.SetEventPump([impl] { impl->Pump(); });
    runtime.SetMenuChooser([impl](MenuItem& root, MenuItem* def) { return impl->Menu(root, def); });
    runtime.SetPointerSource([impl] {
        int x = 0, y = 0;
        PointerOnScreen(impl->windows.empty() ? nullptr : impl->windows.front()->window, x, y);
        return PixelPoint{x, y};
    });
    // The system clipboard and the X primary selection; the input method's window beside the
    // focused text box's caret.
    runtime.clipboardRead = [] {
        char* t = SDL_GetClipboardText();
        std::string s = t ? t : "";
        SDL_free(t);
        return s;
    };
    runtime.clipboardWrite = [](const std::string& text) { SDL_SetClipboardText(text.c_str()); };
    runtime.primaryRead = [] {
        char* t = SDL_GetPrimarySelectionText();
        std::string s = t ? t : "";
        SDL_free(t);
        return s;
    };
    runtime.primaryWrite = [](const std::string& text) { SDL_SetPrimarySelectionText(text.c_str()); };
    runtime.onTextInput = [impl](Form* form, const Rect& caret) {
        if (!form || !impl->Find(form)) return;
        const double tw = impl->Tw();
        SDL_Rect r{static_cast<int>(caret.left / tw), static_cast<int>(caret.top / tw), 1,
                   std::max(1, static_cast<int>(caret.height / tw))};
        SDL_SetTextInputRect(&r);
    };
    runtime.onMessageBox = [impl](const std::string& text, const std::string& title) {
        SDL_Window* parent = impl->windows.empty() ? nullptr : impl->windows.back()->window;
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, title.c_str(), text.c_str(), parent);
    };
}

WindowHost::~WindowHost() {
    Runtime& rt = m_impl->rt;
    rt.SetModalLoop(nullptr);
    rt.SetEventPump(nullptr);
    rt.SetMenuChooser(nullptr);
    rt.SetPointerSource(nullptr);
    rt.SetFocusOnShow(false);
    rt.onMessageBox = nullptr;
    rt.clipboardRead = nullptr;
    rt.clipboardWrite = nullptr;
    rt.primaryRead = nullptr;
    rt.primaryWrite = nullptr;
    rt.onTextInput = nullptr;
}

bool WindowHost::DisplayAvailable() {
    const char* d = std::getenv("DISPLAY");
    const char* w = std::getenv("WAYLAND_DISPLAY");
    if ((!d || !*d) && (!w || !*w)) return false;
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
    while (Step(100)) {
    }
}

bool WindowHost::Step(int timeoutMs) { return m_impl->Step(timeoutMs); }

uint32_t WindowHost::WindowId(const Form& form) const {
    auto* w = m_impl->Find(&form);
    return w && w->window ? SDL_GetWindowID(w->window) : 0;
}

}  // namespace stolvane
