// SPDX-License-Identifier: MIT
// The `stolvane` command: see app/cli.h and docs/command.md.
#include <iostream>
#include <string>
#include <vector>

#include "app/cli.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    stolvane::EndProcessAfterCommand();
    return stolvane::ExitStatusOfProcess(stolvane::RunCommand(args, std::cin, std::cout, std::cerr));
}
