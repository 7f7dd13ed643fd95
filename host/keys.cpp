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

namespace {

bool SameLetters(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return i == a.size() && !b[i];
}

// SDL's name for each key that has a key code here, as SDL spells it (matched without regard
// to case). Kept here so that scripts, which name keys, need no SDL: SDL is loaded only with
// the first window. A test holds the table to SDL's own answers.
struct KeyName {
    const char* name;
    SDL_Keycode key;
};
constexpr KeyName kKeyNames[] = {
    {"Return", SDLK_RETURN}, {"Escape", SDLK_ESCAPE}, {"Backspace", SDLK_BACKSPACE}, {"Tab", SDLK_TAB},
    {"Space", SDLK_SPACE}, {"Pause", SDLK_PAUSE}, {"Insert", SDLK_INSERT}, {"Home", SDLK_HOME},
    {"PageUp", SDLK_PAGEUP}, {"Delete", SDLK_DELETE}, {"End", SDLK_END}, {"PageDown", SDLK_PAGEDOWN},
    {"Right", SDLK_RIGHT}, {"Left", SDLK_LEFT}, {"Down", SDLK_DOWN}, {"Up", SDLK_UP},
    {"Keypad Enter", SDLK_KP_ENTER}, {"Keypad 0", SDLK_KP_0}, {"Keypad 1", SDLK_KP_1}, {"Keypad 2", SDLK_KP_2},
    {"Keypad 3", SDLK_KP_3}, {"Keypad 4", SDLK_KP_4}, {"Keypad 5", SDLK_KP_5}, {"Keypad 6", SDLK_KP_6},
    {"Keypad 7", SDLK_KP_7}, {"Keypad 8", SDLK_KP_8}, {"Keypad 9", SDLK_KP_9},
    {"Left Ctrl", SDLK_LCTRL}, {"Left Shift", SDLK_LSHIFT}, {"Left Alt", SDLK_LALT},
    {"Right Ctrl", SDLK_RCTRL}, {"Right Shift", SDLK_RSHIFT}, {"Right Alt", SDLK_RALT},
    {"F1", SDLK_F1}, {"F2", SDLK_F2}, {"F3", SDLK_F3}, {"F4", SDLK_F4}, {"F5", SDLK_F5}, {"F6", SDLK_F6},
    {"F7", SDLK_F7}, {"F8", SDLK_F8}, {"F9", SDLK_F9}, {"F10", SDLK_F10}, {"F11", SDLK_F11}, {"F12", SDLK_F12},
    {"F13", SDLK_F13}, {"F14", SDLK_F14}, {"F15", SDLK_F15}, {"F16", SDLK_F16}, {"F17", SDLK_F17},
    {"F18", SDLK_F18}, {"F19", SDLK_F19}, {"F20", SDLK_F20}, {"F21", SDLK_F21}, {"F22", SDLK_F22},
    {"F23", SDLK_F23}, {"F24", SDLK_F24},
};

}  // namespace

int32_t SdlKeyOfName(const std::string& name) {
    // One character is its own key, a letter as its small letter ("A" and "a" are the A key,
    // " " the space bar). Characters past ASCII name no key that has a code here.
    if (name.size() == 1) {
        const auto c = static_cast<unsigned char>(name[0]);
        if (c >= 0x80) return SDLK_UNKNOWN;
        return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
    }
    for (const KeyName& k : kKeyNames)
        if (SameLetters(name, k.name)) return k.key;
    return SDLK_UNKNOWN;
}

std::optional<NamedKey> KeyByName(const std::string& name, int16_t shift) {
    SDL_Keycode k = SdlKeyOfName(name);
    // "Enter" is the name scripts gave Return before they took SDL's names.
    if (k == SDLK_UNKNOWN && SameLetters(name, "enter")) k = SDLK_RETURN;
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
