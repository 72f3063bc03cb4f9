# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows installer, NSIS through CPack (cpack -G NSIS in the build directory):
# kolmaris-<version>-win64.exe installs kolmaris-cli.exe (and Kolmaris.exe with its Qt DLLs and
# plugins when the build has Qt) with the README and the licence into Program Files\Kolmaris,
# adds that folder to the PATH when asked, and registers an uninstaller. Windows builds only.

if(TARGET kolmaris-cli)
  install(TARGETS kolmaris-cli RUNTIME DESTINATION .)
endif()
if(TARGET kolmaris)
  install(TARGETS kolmaris RUNTIME DESTINATION .)
  # Qt's DLLs, the platform plugin and the rest beside Kolmaris.exe, as windeployqt does.
  qt_generate_deploy_app_script(TARGET kolmaris OUTPUT_SCRIPT kolmaris_deploy_script
                                NO_UNSUPPORTED_PLATFORM_ERROR)
  install(SCRIPT ${kolmaris_deploy_script})
  set(CPACK_PACKAGE_EXECUTABLES Kolmaris Kolmaris)  # the start-menu entry
endif()
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
if(EXISTS ${PROJECT_SOURCE_DIR}/LICENSE)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)
  set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
endif()

set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_NAME kolmaris)
set(CPACK_PACKAGE_VENDOR Kolmaris)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Operates a wireless radon monitoring system through its terminal")
set(CPACK_PACKAGE_FILE_NAME kolmaris-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Kolmaris)
set(CPACK_NSIS_PACKAGE_NAME Kolmaris)
set(CPACK_NSIS_DISPLAY_NAME "Kolmaris ${PROJECT_VERSION}")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_MODIFY_PATH ON)  # the "add to the PATH" choice; the uninstaller takes it out again
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_STRIP_FILES ON)  # the programs without their debugging information
set(CPACK_NSIS_DEFINES "Target amd64-unicode")  # a 64-bit installer for a 64-bit program
include(CPack)
