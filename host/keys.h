// SPDX-License-Identifier: MIT
// Keys as the classic desktop numbers them (the key codes of KeyDown and KeyUp), the shift mask,
// and the translation from SDL's keys and key names, which windows and scripts both use.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace stolvane {

namespace KeyCode {
constexpr int16_t Back = 8, Tab = 9, Return = 13, Shift = 16, Control = 17, Menu = 18, Pause = 19, Escape = 27,
                  Space = 32, PageUp = 33, PageDown = 34, End = 35, Home = 36, Left = 37, Up = 38, Right = 39,
                  Down = 40, Insert = 45, Delete = 46, F1 = 112;  // F2..F24 follow; A-Z and 0-9 are their letters
}  // namespace KeyCode

namespace ShiftKey {
constexpr int16_t Shift = 1, Ctrl = 2, Alt = 4;
}

// The key code of an SDL key (SDL_Keycode), or 0 for a key without one.
int16_t KeyCodeOfSdl(int32_t sdlKey);

// The SDL key SDL itself gives the name (SDL_GetKeyFromName), for the keys that have a code
// here; SDLK_UNKNOWN (0) for any other name. It needs no SDL at run time.
int32_t SdlKeyOfName(const std::string& name);

// A key by SDL's name for it, without regard to case ("Return", "escape", "F1", "Left", "A"):
// its key code, and the character it types (0 for none) with the shift mask given.
struct NamedKey {
    int16_t code = 0;
    int16_t ascii = 0;
};
std::optional<NamedKey> KeyByName(const std::string& name, int16_t shift);

}  // namespace stolvane
