# SPDX-License-Identifier: GPL-3.0-or-later
# GoogleTest: Debian's build for native builds. Debian packages none for MinGW-w64, so a cross
# build compiles Debian's googletest sources (package googletest) with the cross compiler.
if(CMAKE_CROSSCOMPILING)
  set(KOLMARIS_GOOGLETEST_SOURCES /usr/src/googletest CACHE PATH "GoogleTest sources for cross builds")
  if(NOT EXISTS ${KOLMARIS_GOOGLETEST_SOURCES}/CMakeLists.txt)
    message(FATAL_ERROR "No GoogleTest sources in ${KOLMARIS_GOOGLETEST_SOURCES} (apt-get install googletest)")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${KOLMARIS_GOOGLETEST_SOURCES} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# Under Wine a test program may take seconds to start on a busy machine: its tests are listed
# when ctest runs, with time to spare.
if(CMAKE_CROSSCOMPILING)
  set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
  function(gtest_discover_tests target)
    _gtest_discover_tests(${target} DISCOVERY_TIMEOUT 120 ${ARGN})
  endfunction()
endif()
