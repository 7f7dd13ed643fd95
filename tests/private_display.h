// A private X server for window tests: Xvfb on a free display number, made the DISPLAY of the
// test process while it runs. Tests use xdotool on it for real pointer input.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

extern char** environ;

namespace stolvane::test {

// True when a program of that name is in one of the PATH's folders.
inline bool OnPath(const char* prog) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "";
    for (size_t start = 0; start <= dirs.size();) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string file = dirs.substr(start, end - start) + "/" + prog;
        if (end > start && access(file.c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

inline int Shell(const std::string& cmd) { return std::system(cmd.c_str()); }

class PrivateDisplay {
public:
    bool Start() {
        for (int n = 70 + getpid() % 100; n < 300; ++n) {
            std::string sock = "/tmp/.X11-unix/X" + std::to_string(n);
            std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
            struct stat st;
            if (stat(sock.c_str(), &st) == 0 || stat(lock.c_str(), &st) == 0) continue;
            std::string disp = ":" + std::to_string(n);
            const char* argv[] = {"Xvfb", disp.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp", nullptr};
            if (posix_spawnp(&m_pid, "Xvfb", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) return false;
            for (int i = 0; i < 100; ++i) {
                if (stat(sock.c_str(), &st) == 0) {
                    m_display = disp;
                    setenv("DISPLAY", disp.c_str(), 1);
                    return true;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            Stop();
            return false;
        }
        return false;
    }
    void Stop() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
            m_pid = 0;
        }
    }
    ~PrivateDisplay() { Stop(); }
    const std::string& Name() const { return m_display; }

private:
    pid_t m_pid = 0;
    std::string m_display;
};

}  // namespace stolvane::test
