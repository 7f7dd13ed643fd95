// SPDX-License-Identifier: MIT
#include "host/theme.h"

#include <sstream>

#include "host/desktop.h"

namespace stolvane {

namespace {
// The classic desktop scheme, by system colour index.
constexpr std::array<OleColour, Theme::kCount> kClassic = {
    RGB(192, 192, 192),  // 0 scroll bar
    RGB(0, 128, 128),    // 1 desktop background
    RGB(0, 0, 128),      // 2 active title bar
    RGB(128, 128, 128),  // 3 inactive title bar
    RGB(192, 192, 192),  // 4 menu
    RGB(255, 255, 255),  // 5 window
    RGB(0, 0, 0),        // 6 window frame
    RGB(0, 0, 0),        // 7 menu text
    RGB(0, 0, 0),        // 8 window text
    RGB(255, 255, 255),  // 9 title-bar text
    RGB(192, 192, 192),  // 10 active border
    RGB(192, 192, 192),  // 11 inactive border
    RGB(128, 128, 128),  // 12 application workspace
    RGB(0, 0, 128),      // 13 highlight
    RGB(255, 255, 255),  // 14 highlight text
    RGB(192, 192, 192),  // 15 button face
    RGB(128, 128, 128),  // 16 button shadow
    RGB(128, 128, 128),  // 17 grey text
    RGB(0, 0, 0),        // 18 button text
    RGB(192, 192, 192),  // 19 inactive title text
    RGB(255, 255, 255),  // 20 button highlight
    RGB(0, 0, 0),        // 21 3-D dark shadow
    RGB(223, 223, 223),  // 22 3-D light
    RGB(0, 0, 0),        // 23 tooltip text
    RGB(255, 255, 225),  // 24 tooltip background
    RGB(192, 192, 192),  // 25 alternate button face
    RGB(0, 0, 128),      // 26 hot tracking
    RGB(16, 132, 208),   // 27 gradient active title
    RGB(181, 181, 181),  // 28 gradient inactive title
    RGB(0, 0, 128),      // 29 menu highlight
    RGB(192, 192, 192),  // 30 menu bar
};

constexpr const char* kNames[Theme::kCount] = {
    "Scrollbar",   "Background",     "ActiveTitle",    "InactiveTitle",     "Menu",
    "Window",      "WindowFrame",    "MenuText",       "WindowText",        "TitleText",
    "ActiveBorder", "InactiveBorder", "AppWorkspace",  "Hilight",           "HilightText",
    "ButtonFace",  "ButtonShadow",   "GrayText",       "ButtonText",        "InactiveTitleText",
    "ButtonHilight", "ButtonDkShadow", "ButtonLight",  "InfoText",          "InfoWindow",
    "ButtonAlternateFace", "HotTrackingColor", "GradientActiveTitle", "GradientInactiveTitle",
    "MenuHilight", "MenuBar",
};
}  // namespace

Theme::Theme() { Reset(); }

void Theme::Reset() { m_colours = kClassic; }

OleColour Theme::Resolve(OleColour colour) const {
    if (!IsSystemColour(colour)) return colour & 0x00FFFFFF;
    uint32_t index = colour & 0x7FFFFFFF;
    if (index >= static_cast<uint32_t>(kCount)) return 0;
    return m_colours[index];
}

void Theme::Set(int index, OleColour rgb) {
    if (index >= 0 && index < kCount) m_colours[index] = rgb & 0x00FFFFFF;
}

const char* Theme::SettingName(int index) { return index >= 0 && index < kCount ? kNames[index] : ""; }

bool Theme::ParseRgb(const std::string& text, OleColour& out) {
    std::istringstream in(text);
    int r = -1, g = -1, b = -1;
    if (!(in >> r >> g >> b)) return false;
    std::string rest;
    if (in >> rest) return false;
    if (r < 0 || r > 255 || g < 0 || g > 255 || b < 0 || b > 255) return false;
    out = RGB(r, g, b);
    return true;
}

void Theme::ApplyDesktop(const Desktop& desktop) {
    for (int i = 0; i < kCount; ++i) {
        if (auto v = desktop.Get("Colors", kNames[i])) {
            OleColour c;
            if (ParseRgb(*v, c)) m_colours[i] = c;
        }
    }
}

}  // namespace stolvane
