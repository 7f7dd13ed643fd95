// Basic value types every control and the runtime share: the classic 16-bit Boolean, OLE colours
// with their system-colour names, and the host error that failing operations throw.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace stolvane {

// Classic 16-bit Boolean: True is all bits set, any non-zero value reads back as True.
// X11's Xlib.h defines True, False and None as macros; these headers use names it leaves alone
// (BooleanTrue, BooleanFalse, MouseButton::NoButton ...), and offer the classic names as well
// wherever those macros are not defined when the header is read.
using Boolean = int16_t;
constexpr Boolean BooleanTrue = -1;
constexpr Boolean BooleanFalse = 0;
#ifndef True
constexpr Boolean True = BooleanTrue;
#endif
#ifndef False
constexpr Boolean False = BooleanFalse;
#endif
inline Boolean ToBoolean(bool b) { return b ? BooleanTrue : BooleanFalse; }

// 0x00BBGGRR for a direct colour; 0x80000000 + n names system colour n.
using OleColour = uint32_t;

namespace SysColour {
constexpr OleColour ActiveTitle = 0x80000002;
constexpr OleColour Menu = 0x80000004;
constexpr OleColour Window = 0x80000005;
constexpr OleColour WindowFrame = 0x80000006;
constexpr OleColour MenuText = 0x80000007;
constexpr OleColour WindowText = 0x80000008;
constexpr OleColour TitleText = 0x80000009;
constexpr OleColour SelectionHighlight = 0x8000000D;  // back of a selected item
constexpr OleColour SelectionText = 0x8000000E;       // text of a selected item
constexpr OleColour ButtonFace = 0x8000000F;
constexpr OleColour ButtonShadow = 0x80000010;
constexpr OleColour GreyText = 0x80000011;
constexpr OleColour ButtonText = 0x80000012;
constexpr OleColour ButtonHighlight = 0x80000014;  // the light edge of a raised button
constexpr OleColour DarkShadow = 0x80000015;
constexpr OleColour ButtonLight = 0x80000016;  // the inner light edge of a 3-D frame
constexpr OleColour InfoText = 0x80000017;        // text of a tooltip
constexpr OleColour InfoBackground = 0x80000018;  // back of a tooltip
// The button highlight's former name; "Highlight" reads as the selection colour, which is
// SelectionHighlight.
[[deprecated("use ButtonHighlight (or SelectionHighlight for selected items)")]] constexpr OleColour Highlight =
    ButtonHighlight;
}  // namespace SysColour

constexpr bool IsSystemColour(OleColour c) { return (c & 0x80000000u) != 0; }
constexpr OleColour RGB(int r, int g, int b) {
    return static_cast<OleColour>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int RedOf(OleColour c) { return static_cast<int>(c & 0xFF); }
constexpr int GreenOf(OleColour c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int BlueOf(OleColour c) { return static_cast<int>((c >> 16) & 0xFF); }

// The classic error numbers the runtime raises.
namespace ErrorNumber {
constexpr int32_t InvalidCall = 5;        // "Invalid procedure call or argument"
constexpr int32_t Overflow = 6;           // "Overflow"
constexpr int32_t OutOfMemory = 7;        // "Out of memory"
constexpr int32_t OutOfStackSpace = 28;   // "Out of stack space"
constexpr int32_t FileNotFound = 53;      // "File not found"
constexpr int32_t ObjectRequired = 424;   // "Object required"
constexpr int32_t InvalidProperty = 380;  // "Invalid property value"
constexpr int32_t NoSuchProperty = 438;   // "Object doesn't support this property or method"
constexpr int32_t InvalidPicture = 481;   // "Invalid picture"
constexpr int32_t NavigationFailed = -2147467259;  // the browser could not be started
}  // namespace ErrorNumber

// What a failing host operation throws. Handlers that run guarded catch it and go on.
struct HostError : std::runtime_error {
    int32_t number;
    std::string description;
    HostError(int32_t n, std::string d)
        : std::runtime_error(d), number(n), description(std::move(d)) {}

    static HostError InvalidCall() { return {ErrorNumber::InvalidCall, "Invalid procedure call or argument"}; }
    static HostError Overflow() { return {ErrorNumber::Overflow, "Overflow"}; }
    static HostError InvalidProperty() { return {ErrorNumber::InvalidProperty, "Invalid property value"}; }
};

// Mouse button and shift masks as delivered with mouse notifications.
namespace MouseButton {
constexpr int16_t NoButton = 0, Left = 1, Right = 2, Middle = 4;
#ifndef None
constexpr int16_t None = NoButton;
#endif
}

// Mouse pointer values a surface or element can show.
namespace MousePointer {
constexpr int16_t Default = 0, Arrow = 1, Cross = 2, IBeam = 3, SizeNWSE = 8, Hand = 98, Custom = 99;
}

// Alignment constants for labels.
namespace Alignment {
constexpr int16_t Left = 0, Right = 1, Centre = 2;
}

}  // namespace stolvane
