# SPDX-License-Identifier: GPL-3.0-or-later
# What `cmake --install` and the packages put where: the three programs, the simulator's
# scenarios and the licence; on Linux also the menu entry, the icon, the man pages and the
# bash completion. Tests, benchmarks and the static libraries are not installed.
# A Windows build's installer has a layout of its own (cmake/PackagingWindows.cmake).
if(WIN32)
  return()
endif()

foreach(program kolmaris kolmaris-cli kolmaris-terminal-sim)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
if(TARGET kolmaris-terminal-sim)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/terminal-sim/scenarios/
          DESTINATION ${CMAKE_INSTALL_DATADIR}/kolmaris/scenarios
          FILES_MATCHING PATTERN "*.json")
endif()

if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
  return()
endif()

set(KOLMARIS_LINUX_FILES ${PROJECT_SOURCE_DIR}/packaging/linux)
install(FILES ${KOLMARIS_LINUX_FILES}/kolmaris.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/pictures/logo.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME kolmaris.svg)
install(FILES ${KOLMARIS_LINUX_FILES}/kolmaris-cli.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME kolmaris-cli)
install(FILES ${KOLMARIS_LINUX_FILES}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kolmaris)

# Man pages from the programs' --help, made by help2man when the programs run here (not in a
# cross build, nor under the sanitizers, whose reports would end up in the pages; a build without
# Qt has no programs on Linux).
find_program(HELP2MAN_PROGRAM help2man)
if(CMAKE_CROSSCOMPILING OR KOLMARIS_SANITIZE OR KOLMARIS_FUZZ OR NOT KOLMARIS_WITH_QT)
  return()
endif()
if(NOT HELP2MAN_PROGRAM)
  message(STATUS "help2man not found: no man pages (apt-get install help2man)")
  return()
endif()
set(kolmaris_MAN_NAME "operate a wireless radon monitoring system through its terminal")
set(kolmaris-cli_MAN_NAME "the Kolmaris radon monitoring terminal's data and state from the command line")
set(kolmaris-terminal-sim_MAN_NAME "a simulated Kolmaris radon monitoring terminal on a pseudo-terminal")
# The help names the port directory of the machine it runs on; the pages show the usual one.
set(help_environment ${CMAKE_COMMAND} -E env XDG_RUNTIME_DIR=/run/user/1000 QT_QPA_PLATFORM=offscreen)
set(man_directory ${CMAKE_BINARY_DIR}/man)
# kolmaris-cli's page also shows the --help of each of its commands.
add_custom_command(OUTPUT ${man_directory}/kolmaris-cli-commands.h2m
  COMMAND ${CMAKE_COMMAND} -E make_directory ${man_directory}
  COMMAND ${help_environment} bash ${KOLMARIS_LINUX_FILES}/command-help.sh $<TARGET_FILE:kolmaris-cli>
          ${man_directory}/kolmaris-cli-commands.h2m
  DEPENDS kolmaris-cli ${KOLMARIS_LINUX_FILES}/command-help.sh
  VERBATIM)
set(kolmaris_MAN_INCLUDES ${KOLMARIS_LINUX_FILES}/serial-ports.h2m)
set(kolmaris-cli_MAN_INCLUDES ${man_directory}/kolmaris-cli-commands.h2m ${KOLMARIS_LINUX_FILES}/serial-ports.h2m)
set(kolmaris-terminal-sim_MAN_INCLUDES ${KOLMARIS_LINUX_FILES}/see-also.h2m)
set(man_pages)
foreach(program kolmaris kolmaris-cli kolmaris-terminal-sim)
  set(page ${man_directory}/${program}.1)
  list(TRANSFORM ${program}_MAN_INCLUDES PREPEND --include= OUTPUT_VARIABLE include_options)
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${man_directory}
    COMMAND ${help_environment} ${HELP2MAN_PROGRAM} --no-info --no-discard-stderr --section=1
            "--version-string=${program} ${PROJECT_VERSION}" "--name=${${program}_MAN_NAME}"
            ${include_options} --output=${page} $<TARGET_FILE:${program}>
    COMMAND gzip -9nf ${page}
    DEPENDS ${program} ${${program}_MAN_INCLUDES}
    COMMENT "Man page ${program}.1"
    VERBATIM)
  list(APPEND man_pages ${page}.gz)
endforeach()
add_custom_target(man-pages ALL DEPENDS ${man_pages})
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
