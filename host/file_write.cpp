// SPDX-License-Identifier: MIT
#include "host/file_write.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <cstdio>
#include <string_view>

namespace stolvane {

namespace {

constexpr std::string_view kTempTag = ".stolvane-";
constexpr std::string_view kTempSuffix = ".tmp";

std::string DirOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

const char* KindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}

// Follows a chain of symbolic links to the path it finally names, which need not exist yet (a
// dangling link is written through, creating its target). Empty, with `why`, on a loop or an
// unreadable link.
std::string ResolveLinks(std::string path, std::string& why) {
    for (int hops = 0;; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        if (hops == 40) {
            why = std::strerror(ELOOP);
            return {};
        }
        char buf[PATH_MAX];
        ssize_t n = ::readlink(path.c_str(), buf, sizeof buf - 1);
        if (n <= 0) {
            why = std::strerror(n < 0 ? errno : ENOENT);
            return {};
        }
        std::string link(buf, static_cast<size_t>(n));
        path = link.front() == '/' ? link : DirOf(path) + "/" + link;
    }
}

// Where a write to `path` lands, and what stands in the way that can be seen before writing.
struct Destination {
    std::string target;  // the path after its links
    bool existed = false;
    struct stat old {};
    std::string problem;  // empty when nothing stands in the way
};

// A save over an existing file honours the file's own write permission. For a user that is
// access(2); root may write anything, so for root the file's write bits decide: a file nobody
// may write (0444) is refused for root too, as it is for its owner. A file with more than one
// hard link is refused: replacing it would leave the other names holding the old text.
Destination Examine(const std::string& path) {
    Destination d;
    auto refuse = [&](std::string why) {
        d.problem = std::move(why);
        return d;
    };
    if (path.empty() || path.back() == '/') return refuse("not a file name");
    std::string why;
    d.target = ResolveLinks(path, why);
    if (d.target.empty()) return refuse(why);
    const std::string dir = DirOf(d.target), base = BaseOf(d.target);
    if (base.empty() || base == "." || base == "..") return refuse("not a file name");
    if (base.size() > NAME_MAX) return refuse(std::strerror(ENAMETOOLONG));

    struct stat folder {};
    if (::stat(dir.c_str(), &folder) != 0) return refuse("the folder " + dir + " does not exist");
    if (!S_ISDIR(folder.st_mode)) return refuse(dir + " is not a folder");
    if (::access(dir.c_str(), W_OK | X_OK) != 0) return refuse(std::strerror(errno));

    // Only regular files are ever replaced: a device, FIFO, socket or folder at the path is left
    // exactly as it is.
    d.existed = ::stat(d.target.c_str(), &d.old) == 0;
    if (!d.existed) return d;
    if (S_ISDIR(d.old.st_mode)) return refuse("it is a folder");
    if (!S_ISREG(d.old.st_mode)) return refuse(std::string("it is ") + KindOf(d.old.st_mode) + ", not a regular file");
    if (::geteuid() == 0 ? (d.old.st_mode & 0222) == 0 : ::access(d.target.c_str(), W_OK) != 0)
        return refuse(std::string(std::strerror(EACCES)) + " (the file is read-only)");
    if (d.old.st_nlink > 1)
        return refuse("it has " + std::to_string(d.old.st_nlink) +
                      " hard links, which replacing it would break (save it under a name of its own)");
    return d;
}

// Temporary files are named ".NAME.stolvane-PID.tmp" beside the target: hidden, never taken for
// a form or a picture, and tagged with the process writing them, so the ones a killed save left
// behind (their process gone) are removed by the next save of the same file instead of piling up.
// A name too long for that (a file name is at most NAME_MAX bytes) is cut, and a hash of the
// whole name keeps it apart from other long names that begin alike.
std::string TempPrefix(const std::string& base) {
    constexpr size_t kRoom = 1 + kTempTag.size() + 10 + kTempSuffix.size();  // ".", tag, pid, suffix
    if (base.size() + kRoom <= NAME_MAX) return "." + base + std::string(kTempTag);
    uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (unsigned char c : base) hash = (hash ^ c) * 1099511628211ull;
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return "." + base.substr(0, NAME_MAX - kRoom - 17) + "~" + hex + std::string(kTempTag);
}

void RemoveStaleTemps(const std::string& dir, const std::string& base) {
    DIR* d = ::opendir(dir.c_str());
    if (!d) return;
    const std::string prefix = TempPrefix(base);
    while (dirent* e = ::readdir(d)) {
        std::string_view name(e->d_name);
        if (name.size() <= prefix.size() + kTempSuffix.size() || name.substr(0, prefix.size()) != prefix ||
            name.substr(name.size() - kTempSuffix.size()) != kTempSuffix)
            continue;
        std::string_view digits = name.substr(prefix.size(), name.size() - prefix.size() - kTempSuffix.size());
        if (digits.find_first_not_of("0123456789") != std::string_view::npos || digits.size() > 9) continue;
        pid_t pid = static_cast<pid_t>(std::stol(std::string(digits)));
        if (pid == ::getpid() || (::kill(pid, 0) != 0 && errno == ESRCH))
            ::unlinkat(::dirfd(d), e->d_name, 0);
    }
    ::closedir(d);
}

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

void WriteFileAtomically(const std::string& path, const std::string& bytes) {
    auto fail = [&](const std::string& why) { throw FileWriteError("cannot save " + path + ": " + why); };
    const Destination d = Examine(path);
    if (!d.problem.empty()) fail(d.problem);
    const std::string& target = d.target;
    const std::string dir = DirOf(target), base = BaseOf(target);
    const mode_t mode = d.existed ? (d.old.st_mode & 07777) : (0666 & ~[] {
        mode_t mask = ::umask(0);
        ::umask(mask);
        return mask;
    }());

    RemoveStaleTemps(dir, base);
    const std::string temp = dir + "/" + TempPrefix(base) + std::to_string(::getpid()) + std::string(kTempSuffix);
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) fail(std::strerror(errno));
    // The replaced file keeps its owner and group (root saving another user's file leaves it
    // theirs); when they cannot be kept, nothing is replaced.
    struct stat made {};
    const bool same = ::fstat(fd, &made) == 0 && made.st_uid == d.old.st_uid && made.st_gid == d.old.st_gid;
    const bool owned = !d.existed || same || ::fchown(fd, d.old.st_uid, d.old.st_gid) == 0;
    if (!owned) {
        int err = errno;
        ::close(fd);
        ::unlink(temp.c_str());
        fail("the file's owner and group could not be kept (" + std::string(std::strerror(err)) + ")");
    }
    // Written, given the final permissions and flushed before the rename, so that a reader (or a
    // crash) sees the old file or the new one, never a mixture.
    bool ok = WriteAll(fd, bytes) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    int err = errno;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) {
        if (ok) err = errno;
        ::unlink(temp.c_str());
        fail(std::strerror(err ? err : EIO));
    }
    // The rename itself is made durable by flushing the folder.
    int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

std::string WriteProblem(const std::string& path) { return Examine(path).problem; }

}  // namespace stolvane
