// SPDX-License-Identifier: MIT
// What the window host asks of the display server directly, where SDL has no call for it. Every
// function answers for X11 and falls back to SDL's own calls elsewhere (Wayland), so nothing
// outside this file names X11. Kept apart from the host because the X11 headers define common
// words as macros.
#pragma once

#include <optional>

struct SDL_Window;

namespace stolvane {

// True when one does: on X11 a window manager announces itself on the root window; other
// systems (Wayland) always have a compositor that does.
bool HasWindowManager(SDL_Window* window);

// The pointer's position on the screen in pixels, asked of the server that shows the window
// (SDL's own answer can lag behind synthetic input on X11).
void PointerOnScreen(SDL_Window* window, int& x, int& y);

// The pointer's screen position carried by a display event (SDL_SYSWMEVENT) about the pointer:
// where it was when the event happened, whatever has moved since. False for other events and
// on systems whose events carry none (Wayland).
bool PointerOfSystemEvent(const void* sdlSysWMmsg, int& x, int& y);

// Asks for an iconified window to be shown again, as X11's conventions have it (mapping it),
// however late SDL learns that it was iconified. Nothing elsewhere.
void Deiconify(SDL_Window* window);

// Marks a window not yet shown as a modal dialog (_NET_WM_STATE_MODAL on X11), for the window
// manager to read when it maps the window. Transience for the owner is SDL's to set.
void MarkModal(SDL_Window* window);

// The display's resolution as the desktop configures it: the X resource Xft.dpi. Nothing
// when it is not set or the display is not X11.
std::optional<double> ConfiguredDpi();

// Keeps an X error about a window this process has destroyed (BadWindow, BadDrawable: a request
// about it, such as the message SDL sends to wake its own wait, still on its way when it went)
// from ending the program, as Xlib's default handler would. Any other X error goes to the
// handler that was there before. Safe to call more than once; called before SDL starts, it is
// also the handler SDL puts back when it shuts down, when its last requests (a wake-up message
// to a window gone meanwhile, sent only as SDL closes its connections) are answered.
void GuardAgainstVanishedWindows();
// Records that this window is about to be destroyed, so the guard knows its late errors. Call
// before SDL_DestroyWindow.
void WindowDestroying(SDL_Window* window);

}  // namespace stolvane
