# SPDX-License-Identifier: MIT
# Read by cpack for each package it makes (CPACK_PROJECT_CONFIG_FILE): the installer is
# quorin-demo-VERSION-win32-setup.exe beside quorin-demo-VERSION-win32.zip, and installs into a
# folder of the user's choice rather than one of its own.
if(CPACK_GENERATOR STREQUAL "NSIS")
    string(APPEND CPACK_PACKAGE_FILE_NAME -setup)
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
endif()
