// SPDX-License-Identifier: MIT
// Random input over a form holding every control class: mouse, keys, access keys, tab, timer
// advances and property sets from a seeded sequence, checking after each step that no
// exception escaped, that the capture is let go once the pointer has left every control, that
// the incremental frame equals a full repaint, and that a save, load and save gives the same file.
#pragma once

#include <cstdint>
#include <string>

namespace stolvane {

// Runs `steps` random steps from `seed`; compares frames every `frameEvery` steps and saves
// every `saveEvery` steps (0: never) into files in `tempDir`. Returns "" when every check held,
// else what failed, at which step, and the last actions before it.
std::string RunRandomInput(uint64_t seed, long steps, int frameEvery, int saveEvery, const std::string& tempDir);

}  // namespace stolvane
