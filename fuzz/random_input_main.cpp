// SPDX-License-Identifier: MIT
// stolvane_random_input [SEED [STEPS [FRAME_EVERY [SAVE_EVERY]]]]: the randomised input run
// (fuzz/random_input.h) from the command line; exits 1 with the failure on standard error.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz/random_input.h"

int main(int argc, char** argv) {
    uint64_t seed = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1;
    long steps = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 1000000;
    int frameEvery = argc > 3 ? std::atoi(argv[3]) : 100;
    int saveEvery = argc > 4 ? std::atoi(argv[4]) : 10000;
    std::string dir = (std::filesystem::temp_directory_path() / "stolvane-random.XXXXXX").string();
    if (!mkdtemp(dir.data())) {
        std::perror("stolvane_random_input: temporary folder");
        return 2;
    }
    auto start = std::chrono::steady_clock::now();
    std::string failure = stolvane::RunRandomInput(seed, steps, frameEvery, saveEvery, dir);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::filesystem::remove_all(dir);
    if (!failure.empty()) {
        std::fprintf(stderr, "random input, seed %llu: %s\n", static_cast<unsigned long long>(seed), failure.c_str());
        return 1;
    }
    std::printf("random input, seed %llu: %ld steps in %.1f s (%.0f a second), every check held\n",
                static_cast<unsigned long long>(seed), steps, seconds, steps / seconds);
    return 0;
}
