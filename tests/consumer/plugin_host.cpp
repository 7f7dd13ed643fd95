// SPDX-License-Identifier: MIT
// Loads the plugin given on the command line and prints what it answers.
#include <dlfcn.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    void* plugin = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!plugin) {
        std::fprintf(stderr, "%s\n", dlerror());
        return 1;
    }
    auto run = reinterpret_cast<const char* (*)()>(dlsym(plugin, "stolvane_plugin_run"));
    if (!run) return 1;
    std::printf("%s\n", run());
    return 0;
}
