// SPDX-License-Identifier: MIT
// The system colours: the classic desktop scheme by default, with any colour overridable from
// the desktop settings file's [Colors] section ("ButtonFace=192 192 192").
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include <stolvane/core/types.h>

namespace stolvane {

class Desktop;

class Theme {
public:
    static constexpr int kCount = 31;
    Theme();
    // A system colour's current RGB (0x00BBGGRR); a direct colour is returned as it is.
    // An unknown system colour index resolves to black.
    OleColour Resolve(OleColour colour) const;
    void Set(int index, OleColour rgb);
    // Applies every [Colors] entry of the desktop settings that names a system colour.
    void ApplyDesktop(const Desktop& desktop);
    void Reset();
    static const char* SettingName(int index);
    // "16 132 208" to RGB; false when the text is not three numbers 0-255.
    static bool ParseRgb(const std::string& text, OleColour& out);

private:
    std::array<OleColour, kCount> m_colours{};
};

}  // namespace stolvane
