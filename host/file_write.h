// Replacing a file whole: the new text goes to a temporary file beside the target, is flushed to
// disk and renamed over it, so that a reader sees the old file or the new one, never a mixture.
#pragma once

#include <stdexcept>
#include <string>

namespace stolvane {

struct FileWriteError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Writes `text` to `path` durably. Through a symbolic link the file it points to is replaced;
// the new file keeps the permissions of the one it replaces. On failure the old file stays as
// it was and FileWriteError says why ("cannot save PATH: ...").
void WriteFileAtomically(const std::string& path, const std::string& text);

}  // namespace stolvane
