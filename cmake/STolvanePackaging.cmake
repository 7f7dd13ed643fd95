# SPDX-License-Identifier: MIT
# Debian packages made with CPack (`cpack -G DEB` in a build folder; scripts/package makes them
# from a build of its own and checks them with lintian):
#   libstolvane1     the shared library (component Runtime)
#   libstolvane-dev  headers, the link name, the CMake package and stolvane.pc (Development)
#   stolvane         the command, its man page, the documentation and the example forms (Command)
# Each package carries the copyright and changelog files Debian asks for under
# /usr/share/doc/<package>/; they are installed only when packaging (EXCLUDE_FROM_ALL).
set(STOLVANE_RELEASE_DATE "Mon, 07 Dec 2026 12:00:00 +0000")  # of PROJECT_VERSION, as in CHANGELOG.md
set(STOLVANE_MAINTAINER "The STolvane developers <stolvane@example.org>")
set(STOLVANE_DEB_RUNTIME libstolvane${PROJECT_VERSION_MAJOR})
set(STOLVANE_DEB_DEV libstolvane-dev)
set(STOLVANE_DEB_COMMAND stolvane)

set(deb_doc ${PROJECT_BINARY_DIR}/generated/debian)
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian-copyright.in ${deb_doc}/copyright @ONLY)
set(deb_changelogs "")
foreach(component Runtime Development Command)
  string(TOUPPER ${component} upper)
  set(package ${STOLVANE_DEB_${upper}})
  if(component STREQUAL "Development")
    set(package ${STOLVANE_DEB_DEV})
  endif()
  file(WRITE ${deb_doc}/${package}/changelog
    "stolvane (${PROJECT_VERSION}) unstable; urgency=medium\n\n"
    "  * Release ${PROJECT_VERSION}; CHANGELOG.md in the stolvane package lists the changes.\n\n"
    " -- ${STOLVANE_MAINTAINER}  ${STOLVANE_RELEASE_DATE}\n")
  add_custom_command(OUTPUT ${deb_doc}/${package}/changelog.gz
    COMMAND gzip -9n -c ${deb_doc}/${package}/changelog > ${deb_doc}/${package}/changelog.gz
    DEPENDS ${deb_doc}/${package}/changelog VERBATIM)
  list(APPEND deb_changelogs ${deb_doc}/${package}/changelog.gz)
  install(FILES ${deb_doc}/copyright ${deb_doc}/${package}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component} EXCLUDE_FROM_ALL)
endforeach()
add_custom_target(stolvane_debian_docs ALL DEPENDS ${deb_changelogs})

set(CPACK_PACKAGE_NAME stolvane)
set(CPACK_PACKAGE_VENDOR "The STolvane developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${STOLVANE_MAINTAINER})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL Runtime Development)
if(STOLVANE_BUILD_COMMAND)
  list(APPEND CPACK_COMPONENTS_ALL Command)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${STOLVANE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR})
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
# Descriptions: CPack indents the lines and turns an empty one into " .".
set(stolvane_about
"STolvane is a C++20 library of seven classic desktop controls (a push button,\na bevelled panel with a progress bar and a status-bar grip, a hover label, a\ncheck box, a gradient title bar and two about badges) with the Linux runtime\nthat hosts them: form files, cairo and pango rendering, SDL2 windows, real\ninput, and a headless driver for scripts and tests.")

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${STOLVANE_DEB_RUNTIME})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "classic desktop controls and their Linux runtime (library)\n${stolvane_about}\n\nThis package holds the shared library.")
# A shlibs file for the library, and the ldconfig trigger Debian asks of a package that
# installs a shared library into the loader's folders.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY "=")
file(WRITE ${deb_doc}/triggers "activate-noawait ldconfig\n")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${deb_doc}/triggers)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# SDL is loaded when the first window opens (host/sdl_api.h) and the AT-SPI bridge when a window
# goes on the accessibility bus (host/a11y_atk.cpp), so the library links neither and
# dpkg-shlibdeps cannot see them: named here, beside what shlibdeps finds.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "libsdl2-2.0-0 (>= 2.0.22), libatk-bridge2.0-0")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME ${STOLVANE_DEB_DEV})
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "classic desktop controls and their Linux runtime (development files)\n${stolvane_about}\n\nThis package holds the headers, the CMake package and the pkg-config file.")
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS Runtime)

set(CPACK_DEBIAN_COMMAND_PACKAGE_NAME ${STOLVANE_DEB_COMMAND})
set(CPACK_DEBIAN_COMMAND_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_COMMAND_DESCRIPTION "classic desktop controls and their Linux runtime (command)\n${stolvane_about}\n\nThis package holds the stolvane command (render, run, script, a11y,\ndescribe, demo), its manual page, the documentation and the example forms.")
set(CPACK_DEBIAN_COMMAND_PACKAGE_RECOMMENDS "fonts-wine, fonts-liberation, xdg-utils")
set(CPACK_COMPONENT_COMMAND_DEPENDS Runtime)
include(CPack)
