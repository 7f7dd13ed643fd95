// SPDX-License-Identifier: MIT
// The classic errors a failing operation raises, each number with its one text. HostError
// itself (core/types.h) makes the first three; these make the rest, so that no text is typed
// twice.
#pragma once

#include <string>

#include <stolvane/core/types.h>

namespace stolvane::Errors {

inline HostError InvalidCall() { return HostError::InvalidCall(); }          // 5
inline HostError Overflow() { return HostError::Overflow(); }                // 6
inline HostError InvalidProperty() { return HostError::InvalidProperty(); }  // 380
HostError FileNotFound();                                                    // 53
HostError ObjectRequired();                                                  // 424
// 438; what names the member asked for, after a colon ("...: Colour"), when given.
HostError NoSuchProperty(const std::string& what = {});
HostError InvalidPicture();  // 481

}  // namespace stolvane::Errors
