// SPDX-License-Identifier: MIT
// The library's about page: the installed documentation's docs/about.html, found beside the
// library wherever its installed tree lies, as a file: address; an application may name a page
// of its own instead.
#include <dlfcn.h>
#include <glib.h>

#include <filesystem>
#include <mutex>
#include <string>

#include "core/control.h"

namespace stolvane {

namespace {

namespace fs = std::filesystem;

std::mutex g_lock;
std::string g_address;  // set by the application; empty: the installed page

// Where the documentation lies relative to the folder of the loaded library, as installed.
fs::path InstalledPage() {
    std::error_code ec;
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&AboutPageAddress), &info) && info.dli_fname) {
        fs::path page = fs::path(info.dli_fname).parent_path() / STOLVANE_LIBDIR_TO_DOCDIR / "docs" / "about.html";
        if (fs::is_regular_file(page, ec)) return fs::weakly_canonical(page, ec);
    }
    for (fs::path page : {fs::path(STOLVANE_DOC_DIR) / "docs" / "about.html",
                          fs::path(STOLVANE_SOURCE_DOC_DIR) / "about.html"})
        if (fs::is_regular_file(page, ec)) return page;
    return fs::path(STOLVANE_DOC_DIR) / "docs" / "about.html";
}

std::string FileAddress(const fs::path& path) {
    gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
    std::string out = uri ? uri : "file://" + path.string();
    g_free(uri);
    return out;
}

}  // namespace

std::string AboutPageAddress() {
    std::lock_guard<std::mutex> hold(g_lock);
    if (g_address.empty()) {
        static const std::string installed = FileAddress(InstalledPage());
        return installed;
    }
    return g_address;
}

void SetAboutPageAddress(std::string address) {
    std::lock_guard<std::mutex> hold(g_lock);
    g_address = std::move(address);
}

}  // namespace stolvane
