#include "host/window_manager.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace stolvane {

bool HasWindowManager(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return true;
    Display* display = info.info.x11.display;
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
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window && SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11) {
        Display* display = info.info.x11.display;
        ::Window root = 0, child = 0;
        int wx = 0, wy = 0;
        unsigned int mask = 0;
        if (XQueryPointer(display, DefaultRootWindow(display), &root, &child, &x, &y, &wx, &wy, &mask)) return;
    }
    SDL_GetGlobalMouseState(&x, &y);
}

namespace {
XErrorHandler g_previousHandler = nullptr;

int IgnoreVanishedWindows(Display* display, XErrorEvent* error) {
    if (error->error_code == BadWindow || error->error_code == BadDrawable) return 0;
    return g_previousHandler ? g_previousHandler(display, error) : 0;
}
}  // namespace

void GuardAgainstVanishedWindows() {
    XErrorHandler current = XSetErrorHandler(IgnoreVanishedWindows);
    if (current != IgnoreVanishedWindows) g_previousHandler = current;
}

}  // namespace stolvane
