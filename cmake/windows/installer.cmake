# SPDX-License-Identifier: MIT
# The Windows installer beside the zip: CPack's NSIS generator, with our own script
# (packaging/windows/NSIS.template.in, found by that name on the module path), installs the files
# staged as for the zip; the parts it includes are beside it.
list(APPEND CPACK_GENERATOR NSIS)
list(APPEND CMAKE_MODULE_PATH ${PROJECT_SOURCE_DIR}/packaging/windows)
# The installer's name ends in -setup (cpackconfig.cmake).
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/cpackconfig.cmake)
set(CPACK_PACKAGE_VENDOR "The Quorin Velmar Demo developers")
set(CPACK_NSIS_DISPLAY_NAME "Quorin Velmar Demo")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Quorin Velmar Demo")
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY QuorinVelmarDemo)
set(CPACK_NSIS_UNINSTALL_NAME Uninstall)
set(CPACK_QUORIN_NSIS_INCLUDES ${PROJECT_SOURCE_DIR}/packaging/windows)
set(CPACK_QUORIN_ICON ${PROJECT_SOURCE_DIR}/assets/quorin.ico)
