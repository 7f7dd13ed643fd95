#include "host/file_write.h"

#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace stolvane {

namespace fs = std::filesystem;

void WriteFileAtomically(const std::string& path, const std::string& text) {
    auto fail = [&](const std::string& why) { throw FileWriteError("cannot save " + path + ": " + why); };
    fs::path target(path);
    std::error_code ec;
    // glib replaces a symbolic link itself; saving through one replaces the file it points to.
    if (fs::is_symlink(target, ec)) {
        fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec) target = resolved;
    }
    if (target.filename().empty()) fail("not a file name");
    // The new file keeps the permissions of the one it replaces; a new one gets the usual ones.
    struct stat st {};
    bool existed = ::stat(target.c_str(), &st) == 0;
    if (existed && S_ISDIR(st.st_mode)) fail(std::strerror(EISDIR));
    int mode = existed ? static_cast<int>(st.st_mode & 07777) : 0666;
    GError* error = nullptr;
    auto flags = static_cast<GFileSetContentsFlags>(G_FILE_SET_CONTENTS_CONSISTENT | G_FILE_SET_CONTENTS_DURABLE);
    if (!g_file_set_contents_full(target.c_str(), text.data(), static_cast<gssize>(text.size()), flags, mode,
                                  &error)) {
        std::string why = error ? error->message : "the file could not be written";
        g_clear_error(&error);
        fail(why);
    }
    // The temporary file was created under the umask: give the replaced file's mode back exactly.
    struct stat now {};
    if (existed && ::stat(target.c_str(), &now) == 0 && (now.st_mode & 07777) != (st.st_mode & 07777))
        ::chmod(target.c_str(), st.st_mode & 07777);
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
