// Replacing a file whole: the new text goes to a temporary file beside the target, is flushed to
// disk and renamed over it, so that a reader sees the old file or the new one, never a mixture.
#pragma once

#include <stdexcept>
#include <string>

namespace stolvane {

struct FileWriteError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Writes `bytes` to `path` durably. Through a symbolic link (dangling or not) the file it points
// to is written; the new file keeps the permissions of the one it replaces. Only regular files
// are replaced: a folder, device, FIFO or socket at the path is refused and left untouched. The
// temporary file is hidden beside the target (".NAME.stolvane-PID.tmp"); one left by a killed
// save is removed by the next save of the same file. On failure the old file stays as it was and
// FileWriteError says why ("cannot save PATH: ...").
void WriteFileAtomically(const std::string& path, const std::string& bytes);

// Why a new file cannot be written at `path`, in plain words from what the system says ("the
// folder out does not exist", "it is a folder", "Permission denied"); empty when nothing stands
// in the way that can be seen before trying.
std::string WriteProblem(const std::string& path);

}  // namespace stolvane
