// SPDX-License-Identifier: MIT
// Reading a file the user names. It is opened without waiting (opening a FIFO nobody writes to
// would wait for ever) and read only when it is a regular file, up to a limit in bytes.
#pragma once

#include <cstddef>
#include <string>

namespace stolvane {

// Why `path` cannot be read as a file, in plain words ("No such file or directory", "it is a
// folder", "it is a FIFO, not a regular file"); empty when it can.
std::string ReadProblem(const std::string& path);

// Reads the whole regular file into `bytes`. False with `why` set when it cannot be read (as
// ReadProblem says) or holds more than maxBytes ("it is larger than 64 MB"); the size is
// checked before reading, and again while reading.
bool ReadRegularFile(const std::string& path, size_t maxBytes, std::string& bytes, std::string& why);

}  // namespace stolvane
