// SPDX-License-Identifier: MIT
// Basic value types every control and the runtime share: the classic 16-bit Boolean, OLE colours
// with their system-colour names, and the host error that failing operations throw.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <type_traits>

namespace stolvane {

// Classic 16-bit Boolean: True is all bits set (-1), False is 0. It reads as a bool, so
// `if (b)`, `!b`, `bool x = b` and `b == true` mean what a C++ reader expects; it is made from a
// bool only. Integers are refused both ways (`b == -1`, `int x = b`, `Boolean b = 5` do not
// compile): the -1 would silently compare unequal to true. Where the classic number is wanted
// (form files, scripts, property tables, dumps) Raw() gives -1 or 0 and FromRaw reads any
// non-zero number as True.
// X11's Xlib.h defines True, False and None as macros; these headers use names it leaves alone
// (BooleanTrue, BooleanFalse, MouseButton::NoButton ...), and offer the classic names as well
// wherever those macros are not defined when the header is read.
class Boolean {
public:
    constexpr Boolean() noexcept = default;
    constexpr Boolean(bool b) noexcept : m_raw(b ? -1 : 0) {}
    // Anything else that would reach the bool (a number, an enumerator, a pointer) is refused;
    // use FromRaw for a number.
    template <class T, std::enable_if_t<(std::is_scalar_v<T> && !std::is_same_v<T, bool>), int> = 0>
    Boolean(T) = delete;

    // The classic number: -1 for True, 0 for False.
    constexpr int16_t Raw() const noexcept { return m_raw; }
    // A classic number as a Boolean: any non-zero value is True.
    template <class I, std::enable_if_t<std::is_integral_v<I>, int> = 0>
    static constexpr Boolean FromRaw(I raw) noexcept {
        return Boolean(raw != 0);
    }

    constexpr operator bool() const noexcept { return m_raw != 0; }
    // No conversion to a number: `int x = b` would otherwise give 1 for True through the bool.
    template <class T, std::enable_if_t<(std::is_arithmetic_v<T> && !std::is_same_v<T, bool>), int> = 0>
    operator T() const = delete;

    friend constexpr bool operator==(Boolean a, Boolean b) noexcept { return a.m_raw == b.m_raw; }
    friend constexpr bool operator!=(Boolean a, Boolean b) noexcept { return a.m_raw != b.m_raw; }
    friend constexpr bool operator==(Boolean a, bool b) noexcept { return bool(a) == b; }
    friend constexpr bool operator!=(Boolean a, bool b) noexcept { return bool(a) != b; }
    friend constexpr bool operator==(bool a, Boolean b) noexcept { return a == bool(b); }
    friend constexpr bool operator!=(bool a, Boolean b) noexcept { return a != bool(b); }

private:
    int16_t m_raw = 0;
};
// Comparing with a number does not compile: compare with true or false, or write b.Raw() == -1.
template <class T, std::enable_if_t<std::is_arithmetic_v<T> && !std::is_same_v<T, bool>, int> = 0>
bool operator==(Boolean, T) = delete;
template <class T, std::enable_if_t<std::is_arithmetic_v<T> && !std::is_same_v<T, bool>, int> = 0>
bool operator!=(Boolean, T) = delete;
template <class T, std::enable_if_t<std::is_arithmetic_v<T> && !std::is_same_v<T, bool>, int> = 0>
bool operator==(T, Boolean) = delete;
template <class T, std::enable_if_t<std::is_arithmetic_v<T> && !std::is_same_v<T, bool>, int> = 0>
bool operator!=(T, Boolean) = delete;
static_assert(sizeof(Boolean) == 2 && std::is_trivially_copyable_v<Boolean>, "Boolean stays a 16-bit value");

constexpr Boolean BooleanTrue{true};
constexpr Boolean BooleanFalse{false};
#ifndef True
constexpr Boolean True = BooleanTrue;
#endif
#ifndef False
constexpr Boolean False = BooleanFalse;
#endif
constexpr Boolean ToBoolean(bool b) { return Boolean(b); }

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
