#include "host/file_write.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string_view>

namespace stolvane {

namespace fs = std::filesystem;

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
// dangling link is written through, creating its target). Throws on a loop.
std::string ResolveLinks(std::string path, const std::function<void(const std::string&)>& fail) {
    for (int hops = 0;; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        if (hops == 40) fail(std::strerror(ELOOP));
        char buf[PATH_MAX];
        ssize_t n = ::readlink(path.c_str(), buf, sizeof buf - 1);
        if (n < 0) fail(std::strerror(errno));
        std::string link(buf, static_cast<size_t>(n));
        path = link.front() == '/' ? link : DirOf(path) + "/" + link;
    }
}

// Temporary files are named ".NAME.stolvane-PID.tmp" beside the target: hidden, never taken for
// a form or a picture, and tagged with the process writing them, so the ones a killed save left
// behind (their process gone) are removed by the next save of the same file instead of piling up.
std::string TempPrefix(const std::string& base) { return "." + base + std::string(kTempTag); }

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
    if (path.empty() || path.back() == '/') fail("not a file name");
    const std::string target = ResolveLinks(path, fail);
    const std::string dir = DirOf(target), base = BaseOf(target);
    if (base.empty() || base == "." || base == "..") fail("not a file name");

    struct stat folder {};
    if (::stat(dir.c_str(), &folder) != 0) fail("the folder " + dir + " does not exist");
    if (!S_ISDIR(folder.st_mode)) fail(dir + " is not a folder");

    // Only regular files are ever replaced: a device, FIFO, socket or folder at the path is left
    // exactly as it is.
    struct stat old {};
    const bool existed = ::stat(target.c_str(), &old) == 0;
    if (existed && !S_ISREG(old.st_mode)) fail(std::string("it is ") + KindOf(old.st_mode) + ", not a regular file");
    const mode_t mode = existed ? (old.st_mode & 07777) : (0666 & ~[] {
        mode_t mask = ::umask(0);
        ::umask(mask);
        return mask;
    }());

    RemoveStaleTemps(dir, base);
    const std::string temp = dir + "/" + TempPrefix(base) + std::to_string(::getpid()) + std::string(kTempSuffix);
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) fail(std::strerror(errno));
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

std::string WriteProblem(const std::string& path) {
    std::error_code ec;
    fs::path p(path);
    fs::file_status st = fs::status(p, ec);
    if (fs::is_directory(st)) return "it is a folder";
    if (fs::exists(st) && !fs::is_regular_file(st)) return "it is not a regular file";
    fs::path dir = p.parent_path();
    if (dir.empty()) dir = ".";
    fs::file_status ds = fs::status(dir, ec);
    if (!fs::exists(ds)) return "the folder " + dir.string() + " does not exist";
    if (!fs::is_directory(ds)) return dir.string() + " is not a folder";
    if (::access(dir.c_str(), W_OK | X_OK) != 0) return std::strerror(errno);
    if (fs::exists(st) && ::access(p.c_str(), W_OK) != 0) return std::strerror(errno);
    return {};
}

}  // namespace stolvane
