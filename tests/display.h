// SPDX-License-Identifier: MIT
// A private X server for the tests that open real windows, and xdotool to give them real input.
// The server runs in a process group of its own that dies with the test: the guard ends it on
// every path out of a test, and the kernel ends it if the test process itself dies first, so no
// server is ever left holding ctest's output pipe.
#pragma once

#include <sys/types.h>

#include <cstdint>

#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// The opening of a test that needs real windows: skipped where Xvfb or xdotool is missing, else
// a private display named `display` for the rest of the test.
#define NEED_DISPLAY()                                                                                           \
    if (!::stolvane::test::PrivateDisplay::Available()) GTEST_SKIP() << "Xvfb and xdotool come with scripts/setup"; \
    ::stolvane::test::PrivateDisplay display;                                                                    \
    ASSERT_TRUE(display.Start())

namespace stolvane::test {

class PrivateDisplay {
public:
    PrivateDisplay() = default;
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;
    ~PrivateDisplay();

    // True when Xvfb and xdotool are installed (scripts/setup installs both).
    static bool Available();

    // Starts Xvfb on a free display, waits until the server says it is ready and points DISPLAY
    // at it. width x height is the screen in pixels.
    bool Start(int width = 1024, int height = 768);
    void Stop();
    const std::string& Name() const { return m_display; }
    // The server's process id (0 when not running).
    pid_t ServerPid() const { return m_pid; }

    // Starts openbox on this display and waits until it has announced itself; false when it is
    // not installed or does not come up. It keeps its settings and cache in a temporary folder
    // and ends with the display.
    bool StartWindowManager();
    // Why the window manager did not come up when it is installed (what it said, how long it
    // was waited for); empty when it is not installed.
    const std::string& WindowManagerProblem() const { return m_wmProblem; }
    // Runs a program (found on PATH) against this display and returns what it printed, or
    // nothing when it could not run, failed, or did not finish within 10 seconds.
    std::optional<std::string> Output(const std::vector<std::string>& command);

    // Starts a program (found on PATH) against this display, ended when the display stops or
    // the test process dies; its process id, or 0 when it could not be started.
    pid_t StartProgram(const std::vector<std::string>& command);

    // Runs xdotool with these arguments against this display: 0 when it ran and succeeded within
    // 10 seconds.
    int Xdotool(const std::vector<std::string>& args);
    // The same after a delay, on a helper thread, for input that must arrive while the test is
    // blocked (inside a modal loop or a popup menu). Joined before the server stops.
    void XdotoolLater(int delayMs, std::vector<std::string> args);
    // Waits until every run started by XdotoolLater has finished: true when all of them sent
    // their input (exit status 0).
    bool WaitForLater();

private:
    pid_t m_pid = 0;
    std::vector<pid_t> m_programs;  // openbox and any other started on this display
    std::string m_wmHome;  // openbox's settings and cache
    std::string m_wmProblem;
    std::string m_display;
    std::vector<std::thread> m_later;
    std::atomic<int> m_laterFailures{0};
};

// The X11 window behind an SDL window id, or 0 (no such window, or not on X11).
unsigned long X11WindowOf(uint32_t sdlWindowId);
// The colour (0xRRGGBB) the window shows at a pixel: read back from the X server on X11, from
// the surface the window last presented elsewhere; nothing when it cannot be read.
std::optional<uint32_t> ShownPixel(uint32_t sdlWindowId, int x, int y);
// The colours (0xRRGGBB, row by row) the screen of an X display shows in a rectangle, as
// another program's windows left them; nothing when it cannot be read.
std::optional<std::vector<uint32_t>> ScreenPixels(const std::string& display, int x, int y, int width, int height);
// Draws a black rectangle straight onto the X11 window, behind the program's back, as another
// window covering it would leave it; false when not on X11.
bool PaintOver(uint32_t sdlWindowId, int x, int y, int width, int height);
// Maps a window that was never made, on the connection of this SDL window, and waits for the
// server's answer: a BadWindow error about a window the program never destroyed.
void MapNoWindow(uint32_t sdlWindowId);

}  // namespace stolvane::test
