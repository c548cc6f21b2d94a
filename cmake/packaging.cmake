# SPDX-License-Identifier: MIT
# Installation and the Debian package.
include(GNUInstallDirs)

set(quorin_app_id org.quorin.VelmarDemo)
set(quorin_docdir ${CMAKE_INSTALL_DATADIR}/doc/quorin-demo)

install(TARGETS quorin-demo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The simulated bus and the "++" adapters' library go into the program's own library folder,
# where the binding looks for them relative to the executable (../lib/quorin-demo/).
install(TARGETS gpibsim gpibplus LIBRARY DESTINATION lib/quorin-demo)
# gpibsim-run and gpibplus-run install with their links (driverrun.cmake).
# gpibsim-adapter, the simulated bus as a "++" adapter, beside them.
install(TARGETS gpibsim-adapter RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The definitions we ship, which the simulated bus finds from its own folder.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/gpibsim/data/
    DESTINATION ${CMAKE_INSTALL_DATADIR}/quorin-demo/instruments FILES_MATCHING PATTERN "*.yaml")
install(FILES ${PROJECT_SOURCE_DIR}/assets/${quorin_app_id}.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/assets/${quorin_app_id}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 24 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/assets/icons/quorin-${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
        RENAME quorin-demo.png)
endforeach()

# The manual pages carry the version and the date of the changelog's latest entry.
set(quorin_changelog ${PROJECT_SOURCE_DIR}/packaging/changelog)
file(STRINGS ${quorin_changelog} quorin_signature REGEX "^ -- " LIMIT_COUNT 1)
if(NOT quorin_signature MATCHES ", ([0-9]+ [A-Z][a-z][a-z] [0-9]+) ")
    message(FATAL_ERROR "${quorin_changelog}: no dated entry")
endif()
set(QUORIN_RELEASE_DATE ${CMAKE_MATCH_1})
set(quorin_man_pages)
foreach(page quorin-demo.1 gpibsim-run.1 gpibsim-adapter.1 gpibplus-run.1 gpibplus.7)
    configure_file(${PROJECT_SOURCE_DIR}/docs/man/${page}.in ${CMAKE_BINARY_DIR}/man/${page} @ONLY)
    list(APPEND quorin_man_pages ${CMAKE_BINARY_DIR}/man/${page})
endforeach()
# Copied (which also reconfigures when it changes) to be compressed beside the pages.
configure_file(${quorin_changelog} ${CMAKE_BINARY_DIR}/packaging/changelog COPYONLY)

# Debian installs manual pages and the changelog compressed; -n leaves out the name and time
# stamp, so the same sources give the same package.
foreach(file IN LISTS quorin_man_pages ITEMS ${CMAKE_BINARY_DIR}/packaging/changelog)
    add_custom_command(OUTPUT ${file}.gz COMMAND gzip -9nkf ${file} DEPENDS ${file} VERBATIM)
    list(APPEND quorin_compressed ${file}.gz)
endforeach()
add_custom_target(quorin-docs ALL DEPENDS ${quorin_compressed})

# Each page into its section's folder, by the number its name ends with.
foreach(page IN LISTS quorin_man_pages)
    string(REGEX MATCH "[0-9]$" section ${page})
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
    DESTINATION ${quorin_docdir})
# An example of the "++" adapter's configuration, to copy to /etc/gpibplus.conf: the package
# ships no live configuration, since which adapter, if any, is the user's to say.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/gpibplus.conf DESTINATION ${quorin_docdir}/examples)

set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorin-demo)
set(CPACK_PACKAGE_VENDOR "Quorin")
set(CPACK_PACKAGE_CONTACT "The Quorin Velmar Demo developers <dev@quorin.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Bench program for one IEEE-488 (GPIB) instrument")
# One line of the long description each; Debian's tools show it as written.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Opens the GPIB board, finds the listeners, sends command lines, reads"
    "responses and runs interface clear, device clear and serial poll."
    ""
    "Reaches the instruments through linux-gpib, or through a Prologix or"
    "AR488 GPIB adapter on a serial port or TCP, and runs on a simulated bus"
    "when no GPIB driver is installed. The adapter's library and the"
    "simulated bus also serve linux-gpib's C API to other programs.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# The Qt 6 libraries come from the shared-library dependencies; the platform plugins that open
# a window are a package of their own.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/debiandepends.cmake)
include(CPack)
