# SPDX-License-Identifier: GPL-3.0-or-later
# Debian packages CLI11 and nlohmann/json for the build machine only. Both are header-only, so a
# cross build takes their headers, and nothing else of /usr/include, through links of its own.
set(host_headers ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${host_headers})
foreach(library CLI nlohmann)
  if(NOT EXISTS /usr/include/${library})
    message(FATAL_ERROR "No /usr/include/${library} (apt-get install libcli11-dev nlohmann-json3-dev)")
  endif()
  file(CREATE_LINK /usr/include/${library} ${host_headers}/${library} SYMBOLIC)
endforeach()
foreach(target CLI11::CLI11 nlohmann_json::nlohmann_json)
  add_library(${target} INTERFACE IMPORTED GLOBAL)
  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${host_headers})
endforeach()
