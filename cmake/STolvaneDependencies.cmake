# SPDX-License-Identifier: MIT
# The libraries STolvane links, found the same way when it is built and when an installed copy
# is used (STolvaneConfig.cmake includes this file). The imported targets are global, so that
# a project that adds this source tree with add_subdirectory can link through them.
# SDL is not among them: the library loads it with its first window (host/sdl_api.h), and only
# its headers are needed, when the library itself is built (CMakeLists.txt).
find_package(PkgConfig REQUIRED)
pkg_check_modules(STOLVANE_CAIRO REQUIRED IMPORTED_TARGET GLOBAL cairo)
pkg_check_modules(STOLVANE_PANGO REQUIRED IMPORTED_TARGET GLOBAL pangocairo pangoft2 fontconfig freetype2)
# glib: base64 and durable file replacement (already under pango; named for what we use).
pkg_check_modules(STOLVANE_GLIB REQUIRED IMPORTED_TARGET GLOBAL glib-2.0>=2.66)
pkg_check_modules(STOLVANE_PIXBUF REQUIRED IMPORTED_TARGET GLOBAL gdk-pixbuf-2.0)
pkg_check_modules(STOLVANE_INIH REQUIRED IMPORTED_TARGET GLOBAL inih)
pkg_check_modules(STOLVANE_X11 REQUIRED IMPORTED_TARGET GLOBAL x11)
# ATK: windows expose their forms on the accessibility bus. Its AT-SPI bridge, which brings
# D-Bus and AT-SPI's own libraries, is loaded when a window first goes on the bus
# (host/a11y_atk.cpp).
pkg_check_modules(STOLVANE_ATK REQUIRED IMPORTED_TARGET GLOBAL atk)
find_package(nlohmann_json 3 REQUIRED)
set(STOLVANE_DEPENDENCIES PkgConfig::STOLVANE_CAIRO PkgConfig::STOLVANE_PANGO PkgConfig::STOLVANE_GLIB
    PkgConfig::STOLVANE_PIXBUF PkgConfig::STOLVANE_INIH PkgConfig::STOLVANE_X11
    PkgConfig::STOLVANE_ATK nlohmann_json::nlohmann_json ${CMAKE_DL_LIBS})
# The same libraries as pkg-config names them, for stolvane.pc of a static library.
set(STOLVANE_PC_DEPENDENCIES
    "cairo pangocairo pangoft2 fontconfig freetype2 glib-2.0 >= 2.66 gdk-pixbuf-2.0 inih x11 atk nlohmann_json >= 3")
