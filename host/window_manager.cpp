// SPDX-License-Identifier: MIT
#include "host/window_manager.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include "host/sdl_api.h"
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xresource.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>

namespace stolvane {

namespace {

// The X display and window behind an SDL window, when it is an X11 one.
bool X11Of(SDL_Window* window, Display*& display, ::Window& xwindow) {
    if (!window) return false;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
    display = info.info.x11.display;
    xwindow = info.info.x11.window;
    return true;
}

}  // namespace

bool HasWindowManager(SDL_Window* window) {
    Display* display = nullptr;
    ::Window xwindow = 0;
    if (!X11Of(window, display, xwindow)) return true;
    Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == None) return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW, &type, &format, &count,
                           &after, &data) != Success)
        return false;
    const bool found = data && count == 1 && type == XA_WINDOW;
    if (data) XFree(data);
    return found;
}

void PointerOnScreen(SDL_Window* window, int& x, int& y) {
    Display* display = nullptr;
    ::Window xwindow = 0;
    if (X11Of(window, display, xwindow)) {
        ::Window root = 0, child = 0;
        int wx = 0, wy = 0;
        unsigned int mask = 0;
        if (XQueryPointer(display, DefaultRootWindow(display), &root, &child, &x, &y, &wx, &wy, &mask)) return;
    }
    SDL_GetGlobalMouseState(&x, &y);
}

bool PointerOfSystemEvent(const void* sdlSysWMmsg, int& x, int& y) {
    const auto* msg = static_cast<const SDL_SysWMmsg*>(sdlSysWMmsg);
    if (!msg || msg->subsystem != SDL_SYSWM_X11) return false;
    const XEvent& e = msg->msg.x11.event;
    switch (e.type) {
        case MotionNotify: x = e.xmotion.x_root, y = e.xmotion.y_root; return true;
        case ButtonPress:
        case ButtonRelease: x = e.xbutton.x_root, y = e.xbutton.y_root; return true;
        default: return false;
    }
}

void Deiconify(SDL_Window* window) {
    Display* display = nullptr;
    ::Window xwindow = 0;
    if (!X11Of(window, display, xwindow)) return;
    XMapRaised(display, xwindow);
    XFlush(display);
}

void MarkModal(SDL_Window* window) {
    Display* display = nullptr;
    ::Window xwindow = 0;
    if (!X11Of(window, display, xwindow)) return;
    const Atom state = XInternAtom(display, "_NET_WM_STATE", False);
    const Atom modal = XInternAtom(display, "_NET_WM_STATE_MODAL", False);
    // Keep the states SDL set (above, skip taskbar, ...) and add the modal one.
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::array<Atom, 16> atoms{};
    unsigned long n = 0;
    if (XGetWindowProperty(display, xwindow, state, 0, 15, False, XA_ATOM, &type, &format, &count, &after, &data) ==
            Success &&
        data && type == XA_ATOM && format == 32) {
        const auto* have = reinterpret_cast<const Atom*>(data);
        for (unsigned long i = 0; i < count && n < atoms.size() - 1; ++i)
            if (have[i] != modal) atoms[n++] = have[i];
    }
    if (data) XFree(data);
    atoms[n++] = modal;
    XChangeProperty(display, xwindow, state, XA_ATOM, 32, PropModeReplace, reinterpret_cast<unsigned char*>(atoms.data()),
                    static_cast<int>(n));
    XFlush(display);
}

std::optional<double> ConfiguredDpi() {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) return std::nullopt;
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver && std::strcmp(driver, "x11") != 0) return std::nullopt;
    Display* display = XOpenDisplay(name);
    if (!display) return std::nullopt;
    std::optional<double> dpi;
    if (const char* resources = XResourceManagerString(display)) {
        XrmInitialize();
        if (XrmDatabase db = XrmGetStringDatabase(resources)) {
            char* type = nullptr;
            XrmValue value;
            if (XrmGetResource(db, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr) {
                char* end = nullptr;
                const double d = std::strtod(value.addr, &end);
                if (end != value.addr && d > 0 && d < 10000) dpi = d;
            }
            XrmDestroyDatabase(db);
        }
    }
    XCloseDisplay(display);
    return dpi;
}

namespace {

XErrorHandler g_previousHandler = nullptr;
// The last windows destroyed, as a ring: their late errors are expected. Written on the
// interface thread, read by the error handler, which Xlib may call on any thread that talks
// to the server.
constexpr size_t kRemembered = 256;
std::array<std::atomic<unsigned long>, kRemembered> g_destroyed{};
std::atomic<size_t> g_next{0};

bool Destroyed(unsigned long id) {
    for (auto& d : g_destroyed)
        if (d.load(std::memory_order_relaxed) == id) return true;
    return false;
}

// The handler found before the guard was first put in place (Xlib's own, unless the program
// set one): where an error ends when the handlers in front pass it round to the guard again.
XErrorHandler g_firstHandler = nullptr;
thread_local int g_passing = 0;

int IgnoreVanishedWindows(Display* display, XErrorEvent* error) {
    if ((error->error_code == BadWindow || error->error_code == BadDrawable) && Destroyed(error->resourceid)) return 0;
    // SDL's handler passes errors on to the one it found at start-up, which is this guard: the
    // second time round the error goes to the first handler instead of going round again.
    const XErrorHandler next = g_passing > 0 ? g_firstHandler : g_previousHandler;
    if (!next) return 0;
    ++g_passing;
    const int result = next(display, error);
    --g_passing;
    return result;
}

}  // namespace

void GuardAgainstVanishedWindows() {
    XErrorHandler current = XSetErrorHandler(IgnoreVanishedWindows);
    if (current == IgnoreVanishedWindows) return;
    if (!g_firstHandler) g_firstHandler = current;
    g_previousHandler = current;
}

void WindowDestroying(SDL_Window* window) {
    Display* display = nullptr;
    ::Window xwindow = 0;
    if (!X11Of(window, display, xwindow) || xwindow == 0) return;
    g_destroyed[g_next.fetch_add(1) % kRemembered].store(xwindow, std::memory_order_relaxed);
}

}  // namespace stolvane
