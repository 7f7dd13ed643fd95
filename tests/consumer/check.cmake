# SPDX-License-Identifier: MIT
# Builds and runs the README's C++ example as a separate project, one of these ways:
#   package       install this build into WORK/prefix, then find_package(STolvane) from a C++23
#                 project (the library's C++20 must not pull it back)
#   pkgconfig     install this build into WORK/prefix, then compile with `pkg-config stolvane`
#                 (no -std among its flags), once with <stolvane/...> includes and once with the
#                 older folder includes ("host/runtime.h")
#   subdirectory  add_subdirectory of the source tree: a static library, linked into the program
#                 and into a plugin (a shared object) that a second program loads
#   headers       install this build into WORK/prefix and hold the public headers to what an
#                 ordinary build asks: the program as C++17 under -Wall -Wextra -Wshadow
#                 -Wconversion -Werror, Xlib.h included before and after them, and an
#                 application with a core/types.h of its own first in the include path
# Arguments: WAY SOURCE BUILD WORK CXX GENERATOR. Everything is written under WORK.
include(${CMAKE_CURRENT_LIST_DIR}/run.cmake)

function(expect_clicked what)
  if(NOT last_output MATCHES "Clicked 1")
    message(FATAL_ERROR "${what}: unexpected output: ${last_output}")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

# The program is the README's example.
write_readme_example(${WORK}/main.cpp)

if(WAY STREQUAL "package" OR WAY STREQUAL "pkgconfig" OR WAY STREQUAL "headers")
  run("installing" ${CMAKE_COMMAND} --install ${BUILD} --prefix ${WORK}/prefix)
  # Only the public headers are installed: none of the library's inner ones.
  foreach(inner host/form_json.h host/runtime_internal.h core/resources.h core/names.h)
    if(EXISTS ${WORK}/prefix/include/stolvane/${inner})
      message(FATAL_ERROR "the inner header ${inner} is installed")
    endif()
  endforeach()
  # A shared library is found by the programs through the library path.
  file(GLOB libdir ${WORK}/prefix/lib* ${WORK}/prefix/lib/*-linux-gnu)
  set(ENV{LD_LIBRARY_PATH} "${libdir}")
endif()

if(WAY STREQUAL "headers")
  file(GLOB pcdir ${WORK}/prefix/lib*/pkgconfig ${WORK}/prefix/lib/*/pkgconfig)
  set(ENV{PKG_CONFIG_PATH} "${pcdir}")
  run("pkg-config" pkg-config --cflags --libs stolvane)
  string(STRIP "${last_output}" flags)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  set(strict -Wall -Wextra -Wshadow -Wconversion -Werror)
  run("compiling the program as C++17" ${CXX} -std=c++17 ${strict} ${WORK}/main.cpp ${flags} -o ${WORK}/cxx17)
  run("running the program" ${WORK}/cxx17 --headless)
  expect_clicked("C++17 with -Wshadow -Wconversion -Werror")
  # Xlib.h defines True, False, None, KeyPress and Status as macros.
  file(WRITE ${WORK}/x11_first.cpp "#include <X11/Xlib.h>\n#include <stolvane/stolvane.h>\n"
       "int main() { return stolvane::BooleanTrue == stolvane::ToBoolean(true) ? 0 : 1; }\n")
  file(WRITE ${WORK}/x11_last.cpp "#include <stolvane/stolvane.h>\n#include <X11/Xlib.h>\n"
       "int main() { return stolvane::Form::NoBorder + stolvane::MouseButton::NoButton; }\n")
  # Without Xlib.h the classic names stay.
  file(WRITE ${WORK}/classic.cpp "#include <stolvane/stolvane.h>\n"
       "static_assert(stolvane::True.Raw() == -1 && stolvane::False.Raw() == 0 && stolvane::Form::None == 0);\n"
       "static_assert(stolvane::MouseButton::None == 0 && stolvane::DropEffect::None == 0);\n"
       "int main() { return 0; }\n")
  foreach(tu x11_first x11_last classic)
    run("compiling ${tu}" ${CXX} -std=c++20 ${strict} -c ${WORK}/${tu}.cpp ${flags} -o ${WORK}/${tu}.o)
  endforeach()
  # Boolean reads as a bool, keeps -1 as its number and refuses integers both ways, in C++17 too.
  file(WRITE ${WORK}/boolean.cpp "#include <stolvane/core/types.h>\n#include <type_traits>\n"
       "using stolvane::Boolean;\n"
       "static_assert(sizeof(Boolean) == 2 && std::is_trivially_copyable<Boolean>::value, \"16 bits\");\n"
       "static_assert(!std::is_convertible<int, Boolean>::value && !std::is_convertible<Boolean, int>::value, \"no int\");\n"
       "static_assert(stolvane::BooleanTrue.Raw() == -1 && Boolean::FromRaw(-1) == true, \"-1\");\n"
       "int main() { Boolean b = true; bool x = b; return b == true && true == b && x && !(b != true) ? 0 : 1; }\n")
  foreach(standard 17 20)
    run("compiling boolean.cpp as C++${standard}" ${CXX} -std=c++${standard} ${strict} ${WORK}/boolean.cpp ${flags}
        -o ${WORK}/boolean${standard})
    run("running boolean${standard}" ${WORK}/boolean${standard})
  endforeach()
  # An application's own core/types.h, first in the include path, is not taken for the library's.
  file(WRITE ${WORK}/own/core/types.h "#error \"the application's own core/types.h was taken for the library's\"\n")
  run("compiling beside an own core/types.h" ${CXX} -std=c++20 ${strict} -I${WORK}/own -c ${WORK}/main.cpp ${flags}
      -o ${WORK}/own.o)
  set(last_output "Clicked 1 (C++17; Xlib.h first and last; an own core/types.h)")
elseif(WAY STREQUAL "pkgconfig")
  file(GLOB pcdir ${WORK}/prefix/lib*/pkgconfig ${WORK}/prefix/lib/*/pkgconfig)
  set(ENV{PKG_CONFIG_PATH} "${pcdir}")
  run("pkg-config" pkg-config --cflags --libs stolvane)
  string(STRIP "${last_output}" flags)
  if(flags MATCHES "-std=")
    message(FATAL_ERROR "pkg-config forces a language standard: ${flags}")
  endif()
  separate_arguments(flags UNIX_COMMAND "${flags}")
  run("compiling with pkg-config" ${CXX} -std=c++20 ${WORK}/main.cpp ${flags} -o ${WORK}/consumer)
  run("running the program" ${WORK}/consumer --headless)
  expect_clicked("pkg-config, <stolvane/...> includes")
  # The same program with the folder includes of earlier versions.
  string(REGEX REPLACE "#include <stolvane/([^>]+)>" "#include \"\\1\"" older "${program}")
  file(WRITE ${WORK}/older.cpp "${older}")
  run("compiling the older includes" ${CXX} -std=c++23 ${WORK}/older.cpp ${flags} -o ${WORK}/older)
  run("running the program" ${WORK}/older --headless)
  expect_clicked("pkg-config, folder includes, C++23")
else()
  set(options -G ${GENERATOR} -DCONSUMER_SOURCE=${WORK}/main.cpp -DSTOLVANE_WAY=${WAY}
              -DCMAKE_EXPORT_COMPILE_COMMANDS=ON)
  if(WAY STREQUAL "package")
    list(APPEND options -DCMAKE_PREFIX_PATH=${WORK}/prefix -DCONSUMER_STANDARD=23)
  else()
    # Unoptimised: the library is built afresh here, and only has to link and run.
    list(APPEND options -DSTOLVANE_SOURCE=${SOURCE} -DCMAKE_BUILD_TYPE= -DCONSUMER_PLUGIN=ON)
  endif()
  run("configuring" ${CMAKE_COMMAND} -S ${SOURCE}/tests/consumer -B ${WORK}/build ${options})
  if(WAY STREQUAL "subdirectory")
    # Only the library and the program: tests, command, examples are off under add_subdirectory,
    # and the library is static unless the parent asks for shared libraries.
    file(READ ${WORK}/build/CMakeCache.txt cache)
    if(cache MATCHES "STOLVANE_BUILD_TESTS:BOOL=ON")
      message(FATAL_ERROR "the test suite is built under add_subdirectory")
    endif()
  endif()
  run("building" ${CMAKE_COMMAND} --build ${WORK}/build -j 2)
  if(WAY STREQUAL "package")
    file(READ ${WORK}/build/compile_commands.json commands)
    if(NOT commands MATCHES "-std=(c|gnu)\\+\\+23" OR commands MATCHES "-std=(c|gnu)\\+\\+20")
      message(FATAL_ERROR "the C++23 consumer was not compiled as C++23:\n${commands}")
    endif()
  endif()
  run("running the program" ${WORK}/build/consumer --headless)
  expect_clicked("${WAY}")
  if(WAY STREQUAL "subdirectory")
    if(NOT EXISTS ${WORK}/build/stolvane/libstolvane.a)
      message(FATAL_ERROR "add_subdirectory did not build the static library")
    endif()
    run("loading the plugin" ${WORK}/build/plugin_host ${WORK}/build/plugin.so)
    expect_clicked("plugin")
  endif()
endif()
message(STATUS "${WAY}: ${last_output}")
