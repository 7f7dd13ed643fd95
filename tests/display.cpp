// SPDX-License-Identifier: MIT
#include "tests/display.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xutil.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace stolvane::test {

namespace {

std::string FindOnPath(const std::string& prog) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        std::string candidate = (dir.empty() ? "." : dir) + "/" + prog;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

// Waits for a child, giving up (and killing it) after timeoutMs.
int WaitFor(pid_t pid, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int status = 0;
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (r < 0 && errno != EINTR) return -1;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        usleep(2000);
    }
}

// Starts prog with args; the kernel sends it SIGTERM when this process ends. With ownGroup the
// child leads a new process group. keepFd stays open in the child; its standard output goes to
// outputFd and its errors to errorFd when given.
pid_t Spawn(const std::string& prog, const std::vector<std::string>& args, bool ownGroup, int keepFd = -1,
            int outputFd = -1, int errorFd = -1) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(prog.c_str()));
    for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t parent = getpid();
    pid_t pid = fork();
    if (pid != 0) return pid;  // parent, or -1
    // Child: only async-signal-safe calls until exec.
    if (ownGroup) setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(127);  // the test died before we got here
    if (keepFd >= 0) fcntl(keepFd, F_SETFD, 0);
    if (outputFd >= 0) dup2(outputFd, 1);
    if (errorFd >= 0) dup2(errorFd, 2);
    execv(prog.c_str(), argv.data());
    _exit(127);
}

// Reads fd into out until it ends or `enough` holds (true), or until the deadline (false).
bool ReadUntil(int fd, std::chrono::steady_clock::time_point deadline, std::string& out,
               bool (*enough)(const std::string&) = nullptr) {
    while (!(enough && enough(out))) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) return false;
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        char buf[4096];
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return true;
        out.append(buf, static_cast<size_t>(n));
    }
    return true;
}

// One colour channel of an X pixel, by the visual's mask, scaled to 0..255.
uint32_t Channel(unsigned long px, unsigned long mask) {
    if (!mask) return 0;
    unsigned long v = px & mask;
    while (!(mask & 1)) mask >>= 1, v >>= 1;
    return static_cast<uint32_t>(v * 255 / mask);
}

// The colours (0xRRGGBB, row by row) an X window shows in a rectangle.
std::optional<std::vector<uint32_t>> XPixels(Display* d, ::Window w, int x, int y, int width, int height) {
    XImage* image =
        XGetImage(d, w, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (!image) return std::nullopt;
    std::vector<uint32_t> out;
    for (int row = 0; row < height; ++row)
        for (int col = 0; col < width; ++col) {
            const unsigned long px = XGetPixel(image, col, row);
            out.push_back(Channel(px, image->red_mask) << 16 | Channel(px, image->green_mask) << 8 |
                          Channel(px, image->blue_mask));
        }
    XDestroyImage(image);
    return out;
}

// What SDL knows of the window system behind one of its windows; x11 only for an X window.
bool WmInfo(uint32_t sdlWindowId, SDL_SysWMinfo& info, bool x11 = true) {
    SDL_Window* w = SDL_GetWindowFromID(sdlWindowId);
    SDL_VERSION(&info.version);
    return w && SDL_GetWindowWMInfo(w, &info) && (!x11 || info.subsystem == SDL_SYSWM_X11);
}

// Whether the window manager maps a new top-level window within the time given. A window
// manager names its check window on the root early in its start-up; a window mapped before it
// takes its first map request may never be mapped, and a client that then waits for the map
// (SDL's show does) waits for ever. A probe window's map is asked for again every half second
// until it is mapped, so the manager is known to be serving requests before a test opens
// anything.
bool ManagerMapsWindows(const std::string& display, int timeoutMs) {
    Display* d = XOpenDisplay(display.c_str());
    if (!d) return false;
    const ::Window probe = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 8, 8, 0, 0, 0);
    XSelectInput(d, probe, StructureNotifyMask);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    auto nextMap = std::chrono::steady_clock::now();
    bool mapped = false;
    while (!mapped && std::chrono::steady_clock::now() < deadline) {
        if (std::chrono::steady_clock::now() >= nextMap) {
            XMapWindow(d, probe);
            XFlush(d);
            nextMap += std::chrono::milliseconds(500);
        }
        XEvent e;
        while (!mapped && XCheckTypedWindowEvent(d, probe, MapNotify, &e)) mapped = true;
        if (!mapped) {
            pollfd p{ConnectionNumber(d), POLLIN, 0};
            poll(&p, 1, 50);
        }
    }
    XDestroyWindow(d, probe);
    XCloseDisplay(d);
    return mapped;
}

}  // namespace

bool PrivateDisplay::Available() { return !FindOnPath("Xvfb").empty() && !FindOnPath("xdotool").empty(); }

bool PrivateDisplay::Start(int width, int height) {
    std::string xvfb = FindOnPath("Xvfb");
    if (xvfb.empty()) return false;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    // With -displayfd the server picks a free display itself and writes its number once it
    // accepts clients: no guessing at free numbers, no sleeping for a fixed time.
    // -noreset: by default the server resets whenever its last client disconnects, and a reset
    // drops every connection still exchanging its opening handshake. A client starting while
    // another one leaves (openbox starting while xprop looks for it, a test's window opening
    // right after an xdotool call) is then refused with "unable to open display"; two loops of
    // short-lived clients against a resetting server saw 77 of 600 connections refused.
    std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    m_pid = Spawn(xvfb,
                  {"-displayfd", std::to_string(fds[1]), "-screen", "0", screen, "-nolisten", "tcp", "-noreset"},
                  true, fds[1]);
    close(fds[1]);
    if (m_pid <= 0) {
        close(fds[0]);
        m_pid = 0;
        return false;
    }
    std::string number;  // stays short of its newline when the server exits without a display
    ReadUntil(fds[0], std::chrono::steady_clock::now() + std::chrono::seconds(20), number,
              [](const std::string& s) { return !s.empty() && s.back() == '\n'; });
    close(fds[0]);
    if (number.empty() || number.back() != '\n') {
        Stop();
        return false;
    }
    number.pop_back();
    m_display = ":" + number;
    setenv("DISPLAY", m_display.c_str(), 1);
    return true;
}

void PrivateDisplay::Stop() {
    WaitForLater();
    // Each program started on this display is asked to end, and killed when it does not.
    for (const pid_t pid : m_programs)
        if (waitpid(pid, nullptr, WNOHANG) == 0) {  // still running, and not collected by a test
            kill(pid, SIGTERM);
            WaitFor(pid, 5000);
        }
    m_programs.clear();
    if (!m_wmHome.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(m_wmHome, ec);
        m_wmHome.clear();
    }
    if (m_pid > 0) {
        kill(-m_pid, SIGTERM);
        if (WaitFor(m_pid, 5000) < 0) kill(-m_pid, SIGKILL);
        m_pid = 0;
    }
}

PrivateDisplay::~PrivateDisplay() { Stop(); }

pid_t PrivateDisplay::StartProgram(const std::vector<std::string>& command) {
    const std::string prog = command.empty() || m_pid == 0 ? std::string() : FindOnPath(command[0]);
    const pid_t pid = prog.empty() ? 0 : Spawn(prog, {command.begin() + 1, command.end()}, false);
    if (pid > 0) m_programs.push_back(pid);
    return pid > 0 ? pid : 0;
}

int PrivateDisplay::Xdotool(const std::vector<std::string>& args) {
    std::vector<std::string> command{"xdotool"};
    command.insert(command.end(), args.begin(), args.end());
    return Output(command) ? 0 : 1;
}

std::optional<std::string> PrivateDisplay::Output(const std::vector<std::string>& command) {
    if (command.empty() || m_pid == 0) return std::nullopt;
    std::string prog = FindOnPath(command[0]);
    if (prog.empty()) return std::nullopt;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return std::nullopt;
    const pid_t pid = Spawn(prog, {command.begin() + 1, command.end()}, false, -1, fds[1]);
    close(fds[1]);
    std::string out;
    // The whole run, reading included, is bounded: a tool that never finishes (one waiting on
    // the server, or walking a window tree that changes under it) is ended and reads as no
    // answer, so a caller asking again in a loop goes on instead of hanging the test.
    const bool finished = pid > 0 && ReadUntil(fds[0], std::chrono::steady_clock::now() + std::chrono::seconds(10), out);
    close(fds[0]);
    if (pid <= 0) return std::nullopt;
    if (!finished) kill(pid, SIGKILL);
    if (WaitFor(pid, 10000) != 0 || !finished) return std::nullopt;
    return out;
}

bool PrivateDisplay::StartWindowManager() {
    m_wmProblem.clear();
    if (m_pid == 0 || FindOnPath("openbox").empty()) return false;
    char pattern[] = "/tmp/stolvane-wm-XXXXXX";
    if (!mkdtemp(pattern)) return false;
    m_wmHome = pattern;
    // What openbox says goes to a file in its folder, to be shown when it does not come up.
    const std::string log = m_wmHome + "/openbox.log";
    int out = open(log.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    const pid_t wm = Spawn(FindOnPath("env"),
                           {"HOME=" + m_wmHome, "XDG_CONFIG_HOME=" + m_wmHome, "XDG_CACHE_HOME=" + m_wmHome,
                            "XDG_DATA_HOME=" + m_wmHome, "openbox", "--sm-disable"},
                           false, -1, out, out);
    if (out >= 0) close(out);
    if (wm <= 0) {
        m_wmProblem = "openbox could not be started";
        return false;
    }
    m_programs.push_back(wm);
    // Up once it names its check window on the root window.
    const auto started = std::chrono::steady_clock::now();
    const auto deadline = started + std::chrono::seconds(30);
    int tries = 0, status = 0;
    std::string exited;
    while (std::chrono::steady_clock::now() < deadline) {
        ++tries;
        auto answer = Output({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"});
        if (answer && answer->find("window id") != std::string::npos) {
            if (ManagerMapsWindows(m_display, 30000)) return true;
            exited = "announced itself but mapped no window in 30 s";
            break;
        }
        if (waitpid(wm, &status, WNOHANG) == wm) {
            exited = WIFEXITED(status) ? "exited with " + std::to_string(WEXITSTATUS(status))
                                       : "was ended by signal " + std::to_string(WTERMSIG(status));
            break;
        }
        usleep(25000);
    }
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    std::ifstream said(log);
    std::string text((std::istreambuf_iterator<char>(said)), std::istreambuf_iterator<char>());
    // Whether the X server itself had gone by then (looked at without collecting it).
    siginfo_t server{};
    const bool serverGone = waitid(P_PID, static_cast<id_t>(m_pid), &server, WEXITED | WNOHANG | WNOWAIT) == 0 &&
                            server.si_pid == m_pid;
    m_wmProblem = std::string(serverGone ? "the X server had ended; " : "the X server was running; ") + "openbox " +
                  (exited.empty() ? "did not announce itself" : exited) + " after " +
                  std::to_string(waited.count()) + " ms and " + std::to_string(tries) + " looks; it said: " + text;
    return false;
}

unsigned long X11WindowOf(uint32_t sdlWindowId) {
    SDL_SysWMinfo info;
    return WmInfo(sdlWindowId, info) ? info.info.x11.window : 0;
}

std::optional<uint32_t> ShownPixel(uint32_t sdlWindowId, int x, int y) {
    SDL_SysWMinfo info;
    if (!WmInfo(sdlWindowId, info, false)) return std::nullopt;
    if (info.subsystem == SDL_SYSWM_X11) {
        const auto rgb = XPixels(info.info.x11.display, info.info.x11.window, x, y, 1, 1);
        return rgb ? std::optional(rgb->front()) : std::nullopt;
    }
    SDL_Surface* s = SDL_GetWindowSurface(SDL_GetWindowFromID(sdlWindowId));
    if (!s || x < 0 || y < 0 || x >= s->w || y >= s->h) return std::nullopt;
    uint32_t px = 0;
    if (SDL_ConvertPixels(1, 1, s->format->format,
                          static_cast<uint8_t*>(s->pixels) + static_cast<size_t>(y) * s->pitch + x * s->format->BytesPerPixel,
                          s->pitch, SDL_PIXELFORMAT_ARGB8888, &px, 4) != 0)
        return std::nullopt;
    return px & 0xFFFFFF;
}

std::optional<std::vector<uint32_t>> ScreenPixels(const std::string& display, int x, int y, int width, int height) {
    Display* d = XOpenDisplay(display.c_str());
    if (!d) return std::nullopt;
    auto out = XPixels(d, DefaultRootWindow(d), x, y, width, height);
    XCloseDisplay(d);
    return out;
}

bool PaintOver(uint32_t sdlWindowId, int x, int y, int width, int height) {
    SDL_SysWMinfo info;
    if (!WmInfo(sdlWindowId, info)) return false;
    Display* d = info.info.x11.display;
    GC gc = XCreateGC(d, info.info.x11.window, 0, nullptr);
    XSetForeground(d, gc, BlackPixel(d, DefaultScreen(d)));
    XFillRectangle(d, info.info.x11.window, gc, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XFreeGC(d, gc);
    XSync(d, False);
    return true;
}

void MapNoWindow(uint32_t sdlWindowId) {
    SDL_SysWMinfo info;
    if (!WmInfo(sdlWindowId, info)) return;
    XMapWindow(info.info.x11.display, info.info.x11.window + 0x7000);
    XSync(info.info.x11.display, False);
}

void PrivateDisplay::XdotoolLater(int delayMs, std::vector<std::string> args) {
    m_later.emplace_back([this, delayMs, args = std::move(args)] {
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        if (Xdotool(args) != 0) ++m_laterFailures;
    });
}

bool PrivateDisplay::WaitForLater() {
    for (auto& t : m_later)
        if (t.joinable()) t.join();
    m_later.clear();
    return m_laterFailures.exchange(0) == 0;
}

}  // namespace stolvane::test
