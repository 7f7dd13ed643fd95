// SPDX-License-Identifier: MIT
#include "host/keys.h"

#include <SDL.h>

#include <cctype>

namespace stolvane {

int16_t KeyCodeOfSdl(int32_t k) {
    if (k >= SDLK_a && k <= SDLK_z) return static_cast<int16_t>('A' + (k - SDLK_a));
    if (k >= SDLK_0 && k <= SDLK_9) return static_cast<int16_t>(k);
    if (k >= SDLK_F1 && k <= SDLK_F12) return static_cast<int16_t>(KeyCode::F1 + (k - SDLK_F1));
    if (k >= SDLK_F13 && k <= SDLK_F24) return static_cast<int16_t>(KeyCode::F1 + 12 + (k - SDLK_F13));
    if (k >= SDLK_KP_1 && k <= SDLK_KP_9) return static_cast<int16_t>(97 + (k - SDLK_KP_1));  // numeric pad
    switch (k) {
        case SDLK_BACKSPACE: return KeyCode::Back;
        case SDLK_TAB: return KeyCode::Tab;
        case SDLK_RETURN:
        case SDLK_KP_ENTER: return KeyCode::Return;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT: return KeyCode::Shift;
        case SDLK_LCTRL:
        case SDLK_RCTRL: return KeyCode::Control;
        case SDLK_LALT:
        case SDLK_RALT: return KeyCode::Menu;
        case SDLK_PAUSE: return KeyCode::Pause;
        case SDLK_ESCAPE: return KeyCode::Escape;
        case SDLK_SPACE: return KeyCode::Space;
        case SDLK_PAGEUP: return KeyCode::PageUp;
        case SDLK_PAGEDOWN: return KeyCode::PageDown;
        case SDLK_END: return KeyCode::End;
        case SDLK_HOME: return KeyCode::Home;
        case SDLK_LEFT: return KeyCode::Left;
        case SDLK_UP: return KeyCode::Up;
        case SDLK_RIGHT: return KeyCode::Right;
        case SDLK_DOWN: return KeyCode::Down;
        case SDLK_INSERT: return KeyCode::Insert;
        case SDLK_DELETE: return KeyCode::Delete;
        case SDLK_KP_0: return 96;
        default: return 0;
    }
}

std::optional<NamedKey> KeyByName(const std::string& name, int16_t shift) {
    // SDL's own names compare without regard to case.
    SDL_Keycode k = SDL_GetKeyFromName(name.c_str());
    // "Enter" is the name scripts gave Return before they took SDL's names.
    if (k == SDLK_UNKNOWN && name.size() == 5 && SDL_strcasecmp(name.c_str(), "enter") == 0) k = SDLK_RETURN;
    if (k == SDLK_UNKNOWN) return std::nullopt;
    NamedKey key;
    key.code = KeyCodeOfSdl(k);
    if (!key.code) return std::nullopt;
    const bool shifted = (shift & ShiftKey::Shift) != 0;
    if (k >= SDLK_a && k <= SDLK_z)
        key.ascii = static_cast<int16_t>((shifted ? 'A' : 'a') + (k - SDLK_a));
    else if (k >= SDLK_0 && k <= SDLK_9 && !shifted)
        key.ascii = static_cast<int16_t>(k);
    else if (k == SDLK_SPACE)
        key.ascii = 32;
    return key;
}

}  // namespace stolvane
