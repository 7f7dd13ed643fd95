# SPDX-License-Identifier: MIT
# Makes the Debian packages from this build with CPack, checks them with lintian (no errors),
# unpacks them into WORK/root (never into the system) and builds the README's example against
# the unpacked tree, through its CMake package and through its pkg-config file; the unpacked
# command prints its version. Arguments: SOURCE BUILD WORK CXX GENERATOR.
include(${CMAKE_CURRENT_LIST_DIR}/run.cmake)

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/packages ${WORK}/root)
run("cpack" cpack -G DEB --config ${BUILD}/CPackConfig.cmake -B ${WORK}/packages)
file(GLOB debs ${WORK}/packages/*.deb)
list(LENGTH debs count)
if(NOT count EQUAL 3)
  message(FATAL_ERROR "expected three packages, found: ${debs}")
endif()

# lintian: errors fail the test; warnings are printed.
find_program(LINTIAN lintian)
if(NOT LINTIAN)
  message(FATAL_ERROR "lintian is missing (scripts/setup installs it)")
endif()
execute_process(COMMAND ${LINTIAN} --tag-display-limit 0 ${debs} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
message(STATUS "lintian:\n${out}")
if(out MATCHES "(^|\n)E: ")
  message(FATAL_ERROR "lintian reports errors:\n${out}")
endif()

foreach(deb ${debs})
  run("unpacking ${deb}" dpkg-deb -x ${deb} ${WORK}/root)
endforeach()
set(usr ${WORK}/root/usr)
file(GLOB libdir ${usr}/lib ${usr}/lib/*-linux-gnu)
set(ENV{LD_LIBRARY_PATH} "${libdir}")

run("the unpacked command" ${usr}/bin/stolvane --version)
message(STATUS "${last_output}")
foreach(doc share/man/man1/stolvane.1.gz share/doc/stolvane/docs/about.html share/doc/stolvane/copyright
            share/doc/libstolvane1/copyright share/doc/libstolvane-dev/copyright include/stolvane/stolvane.h)
  if(NOT EXISTS ${usr}/${doc})
    message(FATAL_ERROR "the packages lack ${doc}")
  endif()
endforeach()

# The program is the README's example.
write_readme_example(${WORK}/main.cpp)

file(GLOB pcdir ${usr}/lib/pkgconfig ${usr}/lib/*-linux-gnu/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "${pcdir}")
run("pkg-config" pkg-config --cflags --libs stolvane)
string(STRIP "${last_output}" flags)
separate_arguments(flags UNIX_COMMAND "${flags}")
run("compiling with pkg-config" ${CXX} -std=c++20 ${WORK}/main.cpp ${flags} -o ${WORK}/consumer)
run("running the program" ${WORK}/consumer --headless)
if(NOT last_output MATCHES "Clicked 1")
  message(FATAL_ERROR "pkg-config build: unexpected output: ${last_output}")
endif()

run("configuring" ${CMAKE_COMMAND} -S ${SOURCE}/tests/consumer -B ${WORK}/build -G ${GENERATOR}
    -DCONSUMER_SOURCE=${WORK}/main.cpp -DSTOLVANE_WAY=package -DCMAKE_PREFIX_PATH=${usr})
run("building" ${CMAKE_COMMAND} --build ${WORK}/build)
run("running the program" ${WORK}/build/consumer --headless)
if(NOT last_output MATCHES "Clicked 1")
  message(FATAL_ERROR "find_package build: unexpected output: ${last_output}")
endif()
message(STATUS "debian: ${last_output}")
