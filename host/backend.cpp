// SPDX-License-Identifier: MIT
#include "host/backend.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <mutex>
#include <vector>

#include "core/form.h"

extern char** environ;

namespace stolvane {

void Backend::RunModal(Form&, Form*) {
    throw HostError(ErrorNumber::InvalidCall, "A modal form needs a window or a script to answer it");
}

namespace {
// The programs started for links that have not been collected yet. Only these are ever waited
// for: the application embedding the runtime may have children of its own.
std::mutex g_launchedLock;
std::vector<pid_t> g_launched;
}  // namespace

// xdg-open hands the link to the desktop and exits, with a status that is not 0 when it could
// not (3: no program to open it with): the link opened only when it exits with 0. One that is
// still running after a few seconds has started a browser that stays in its place; that counts
// as opened, and it is collected later.
bool LaunchWithXdgOpen(const std::string& target) {
    constexpr int kWaitMs = 3000;
    pid_t pid = 0;
    std::string prog = "xdg-open";
    std::vector<char*> argv{prog.data(), const_cast<char*>(target.c_str()), nullptr};
    if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv.data(), environ) != 0) return false;
    for (int waited = 0; waited < kWaitMs; waited += 5) {
        int status = 0;
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (r < 0 && errno != EINTR) return true;  // collected elsewhere: nothing to go on
        usleep(5000);
    }
    std::lock_guard lock(g_launchedLock);
    g_launched.push_back(pid);
    return true;
}

void ReapLaunched() {
    std::lock_guard lock(g_launchedLock);
    std::erase_if(g_launched, [](pid_t pid) {
        int status = 0;
        const pid_t r = waitpid(pid, &status, WNOHANG);
        return r == pid || r < 0;  // finished, or no longer ours to wait for
    });
}

}  // namespace stolvane
