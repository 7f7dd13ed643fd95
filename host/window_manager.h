// Whether a window manager looks after the windows' state (maximise, minimise, restore). Kept
// apart from the window backend because the X11 headers it needs define common words as macros.
#pragma once

struct SDL_Window;

namespace stolvane {

// True when one does: on X11 a window manager announces itself on the root window; other
// systems (Wayland) always have a compositor that does.
bool HasWindowManager(SDL_Window* window);

}  // namespace stolvane
