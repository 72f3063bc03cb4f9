# SPDX-License-Identifier: GPL-3.0-or-later
# Packages of the installed program, made by cpack from the install rules (cmake/Install.cmake).
# On Linux: a Debian package (cpack -G DEB), built by scripts/package.sh. Each generator's
# settings stay in its own block below.

set(CPACK_PACKAGE_NAME kolmaris)
set(CPACK_PACKAGE_VENDOR "Kolmaris developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "operate a wireless radon monitoring system")
# Lines of the Debian package's description stay within 80 columns.
set(CPACK_PACKAGE_DESCRIPTION
    "Kolmaris operates a wireless radon monitoring system: a terminal on an RS232
line and up to 16 radon probes, actuators and repeaters in an IQRF MESH. It
shows the live state and the alarms, builds and maintains the MESH, configures
the system and its probes, downloads the terminal's data memory, saves the data
as tab files and keeps it in a station archive.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(KOLMARIS_PACKAGE_MAINTAINER "Kolmaris developers" CACHE STRING
    "The maintainer named in the packages (Name <address>)")
set(CPACK_PACKAGE_CONTACT ${KOLMARIS_PACKAGE_MAINTAINER})

if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # kolmaris_<version>_<architecture>.deb
  set(CPACK_DEBIAN_PACKAGE_SECTION science)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # Plugins that dpkg-shlibdeps cannot see: the archive's SQLite driver and the SVG icons.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6svg6")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6sql6-psql")
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bash-completion")
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}

It comes with kolmaris-cli, which does the terminal work that needs no window
(status, download, probe records and spectra, clock, MESH overview, archive),
and kolmaris-terminal-sim, a simulated terminal with its scenarios for
learning, training and trying out an installation.

Serial ports: the terminal's port (/dev/ttyS*, /dev/ttyUSB*, /dev/ttyACM*)
belongs to the group dialout. Add the users who work with the terminal to it
(adduser USER dialout); they then log in again.")
endif()

include(CPack)
