// SPDX-License-Identifier: MIT
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
// to is written; a loop of links is refused. The new file keeps the owner, group and permissions
// of the one it replaces, or nothing is written. Only regular files are replaced: a folder,
// device, FIFO or socket at the path is refused and left untouched, and so is a file its
// permissions do not let the user write (for root: a file with no write bit at all, such as
// 0444) and a file with more than one hard link (replacing it would break the links). The
// temporary file is hidden beside the target (".NAME.stolvane-PID.tmp", the name cut and
// hashed when it would exceed NAME_MAX); one left by a killed save is removed by the next save
// of the same file. On failure the old file stays as it was and FileWriteError says why
// ("cannot save PATH: ...").
void WriteFileAtomically(const std::string& path, const std::string& bytes);

// Why `path` cannot be written, by the rules WriteFileAtomically follows, in plain words ("the
// folder out does not exist", "it is a folder", "Too many levels of symbolic links",
// "Permission denied (the file is read-only)"); empty when nothing stands in the way that can be
// seen before trying.
std::string WriteProblem(const std::string& path);

}  // namespace stolvane
