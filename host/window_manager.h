// What the window backend asks the display server directly: whether a window manager looks
// after the windows' state (maximise, minimise, restore), and where the pointer is. Kept apart
// from the backend because the X11 headers define common words as macros.
#pragma once

struct SDL_Window;

namespace stolvane {

// True when one does: on X11 a window manager announces itself on the root window; other
// systems (Wayland) always have a compositor that does.
bool HasWindowManager(SDL_Window* window);

// The pointer's position on the screen in pixels, asked of the server that shows the window
// (SDL's own answer can lag behind synthetic input on X11).
void PointerOnScreen(SDL_Window* window, int& x, int& y);

// Keeps an X request about a window that is already gone (BadWindow, BadDrawable: a window
// destroyed while a request about it was on its way) from ending the program, as Xlib's default
// handler would; any other X error goes to the handler that was there before. Safe to call
// more than once.
void GuardAgainstVanishedWindows();

}  // namespace stolvane
