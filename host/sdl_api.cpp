// SPDX-License-Identifier: MIT
#define STOLVANE_SDL_LOADER
#include "host/sdl_api.h"

#include <dlfcn.h>

#include <mutex>

namespace stolvane::sdl {

Api api;

namespace {

// SDL 2's run-time name, as its Debian package installs it; the development package's plain
// libSDL2.so is not there on a user's machine.
constexpr const char* kLibrary = "libSDL2-2.0.so.0";

struct Loaded {
    bool ok = false;
    std::string error;
};

Loaded LoadOnce() {
    Loaded r;
    // Local: SDL's symbols stay out of the global scope, where they could bind another copy's
    // calls. A program that linked SDL itself gets the same, already loaded copy back.
    void* handle = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        r.error = std::string("cannot load ") + kLibrary + " (" + (why ? why : "not found") +
                  "); the windows need SDL 2 (Debian package libsdl2-2.0-0)";
        return r;
    }
    Api table;
    std::string missing;
#define STOLVANE_SDL_LOOKUP(name)                                                  \
    table.name = reinterpret_cast<decltype(table.name)>(dlsym(handle, #name));     \
    if (!table.name) missing += std::string(missing.empty() ? "" : ", ") + #name;
    STOLVANE_SDL_FUNCTIONS(STOLVANE_SDL_LOOKUP)
#undef STOLVANE_SDL_LOOKUP
    if (!missing.empty()) {
        // An SDL older than the one the library was built with: nothing is called, and the
        // library stays loaded (unloading SDL is not something it promises to survive).
        r.error = std::string(kLibrary) + " lacks " + missing + "; a newer SDL 2 is needed";
        return r;
    }
    api = table;
    r.ok = true;
    return r;
}

}  // namespace

bool Load(std::string* error) {
    static std::once_flag once;
    static Loaded loaded;
    std::call_once(once, [] { loaded = LoadOnce(); });
    if (!loaded.ok && error) *error = loaded.error;
    return loaded.ok;
}

}  // namespace stolvane::sdl
