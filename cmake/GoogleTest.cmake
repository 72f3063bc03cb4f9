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
