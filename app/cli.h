// SPDX-License-Identifier: MIT
// The `stolvane` command line: render a form file to PNG, run the scripted driver, render the
// example forms (demo), print the version or the help. docs/command.md describes it.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace stolvane {

// Exit statuses of the command.
namespace ExitStatus {
constexpr int Success = 0, Failure = 1, BadInput = 2;
}

// Runs the command with its arguments (without the program name); returns the exit status.
int RunCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);

// For the `stolvane` program only: the command is the process's last act, so a command may
// leave what it built to the system instead of tearing it down (render does, once its picture
// is written). main then ends the process through ExitStatusOfProcess, which returns the status
// when nothing was left and otherwise flushes the standard streams and ends the process at once,
// without exit handlers. Callers that go on after RunCommand (tests) never call this.
void EndProcessAfterCommand();
int ExitStatusOfProcess(int status);

// Renders a form file to a PNG file at a scale: 0 when written, 2 when the form cannot be
// loaded (nothing is written), 1 when the picture cannot be written.
int RenderFormFile(const std::string& formPath, const std::string& pngPath, double scale, std::ostream& err);

}  // namespace stolvane
