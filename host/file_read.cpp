// SPDX-License-Identifier: MIT
#include "host/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace stolvane {

namespace {

const char* KindOf(mode_t mode) {
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}

// The open file, or -1 with `why`.
int OpenRegular(const std::string& path, std::string& why) {
    if (path.empty()) {
        why = std::strerror(ENOENT);
        return -1;
    }
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        why = errno == EISDIR ? "it is a folder" : std::strerror(errno);
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        why = std::strerror(errno);
    } else if (S_ISDIR(st.st_mode)) {
        why = "it is a folder";
    } else if (!S_ISREG(st.st_mode)) {
        why = std::string("it is ") + KindOf(st.st_mode) + ", not a regular file";
    } else {
        return fd;
    }
    ::close(fd);
    return -1;
}

std::string Megabytes(size_t bytes) { return std::to_string(bytes >> 20) + " MB"; }

}  // namespace

std::string ReadProblem(const std::string& path) {
    std::string why;
    int fd = OpenRegular(path, why);
    if (fd >= 0) ::close(fd);
    return why;
}

bool ReadRegularFile(const std::string& path, size_t maxBytes, std::string& bytes, std::string& why) {
    int fd = OpenRegular(path, why);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && static_cast<size_t>(st.st_size) <= maxBytes;
    if (!ok) why = "it is larger than " + Megabytes(maxBytes);
    // Read to the end, not to the size stat gave: some files report 0 and still have bytes.
    bytes.clear();
    char buf[65536];
    while (ok) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            why = std::strerror(errno);
            ok = false;
        } else if (n == 0) {
            break;
        } else if (bytes.size() + static_cast<size_t>(n) > maxBytes) {
            why = "it is larger than " + Megabytes(maxBytes);
            ok = false;
        } else {
            bytes.append(buf, static_cast<size_t>(n));
        }
    }
    ::close(fd);
    if (!ok) bytes.clear();
    return ok;
}

}  // namespace stolvane
