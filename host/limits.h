// SPDX-License-Identifier: MIT
// The limits the runtime holds hostile or careless input to, in one place: the form-file reader
// refuses what lies beyond them, the writer refuses to save it (so what saves, loads), and the
// runtime bounds the work and memory a form can ask for. docs/form-files.md and docs/script.md
// list them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/units.h"

namespace stolvane::limits {

// ---- Form files
// The whole file, in bytes.
inline constexpr size_t kMaxFileBytes = size_t(64) << 20;
// JSON nesting (arrays and objects inside each other) and the number of values in all. Both are
// checked on the bytes before any document is built, so a file of 60 million "[" costs nothing.
inline constexpr int kMaxJsonDepth = 100;
inline constexpr size_t kMaxJsonValues = 4'000'000;
// Containers inside containers: an entry of a form's `controls` is at depth 0, an entry inside
// a panel on the form at depth 1, and so on up to this depth.
inline constexpr int kMaxNesting = 32;
// Positions (left, top, a line's ends) in twips, either way from 0.
inline constexpr double kMaxCoordinateTwips = 1e9;
// Sizes (width, height) in twips: 32 767 pixels at scale 1.
inline constexpr double kMaxSizeTwips = kMaxExtentTwips;
// A text (a caption, a string property, a list box row) in bytes. Laying out text costs memory
// in proportion to its length, and wrapping one unbroken word costs time in proportion to its
// square (16 KB: about a second on a busy machine; 64 KB: fifteen); the renderer lays out at
// most this much of any text, whatever set it.
inline constexpr size_t kMaxTextBytes = 16'384;
// The pixels of all the pictures one form file loads, counted from their headers before any is
// decoded (four bytes a pixel: 512 MB).
inline constexpr int64_t kMaxFormPicturePixels = int64_t(1) << 27;

// ---- Run time
// Modal forms open inside each other (showform, About, a form a handler shows modally).
inline constexpr int kMaxModalDepth = 64;
// Timer ticks one advance of the virtual clock fires before it coalesces the rest.
inline constexpr int64_t kMaxTicksPerAdvance = 100'000;

}  // namespace stolvane::limits
