# Installation and the Debian package.
include(GNUInstallDirs)

install(TARGETS quorin-demo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The stand-in bus goes into the program's own library folder, where the binding looks for it
# relative to the executable (../lib/quorin-demo/libgpibsim.so).
install(TARGETS gpibsim LIBRARY DESTINATION lib/quorin-demo)
# gpibsim-run, the links that give the stand-in linux-gpib's names (relative, as in the build
# tree), and the definitions we ship, which the stand-in finds from its own folder.
install(PROGRAMS ${CMAKE_BINARY_DIR}/gpibsim-run DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_BINARY_DIR}/libgpib/libgpib.so.0 ${CMAKE_BINARY_DIR}/libgpib/libgpib.so
    ${CMAKE_BINARY_DIR}/libgpib/libgpibsim.so DESTINATION lib/quorin-demo/libgpib)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/simbus/instruments/
    DESTINATION ${CMAKE_INSTALL_DATADIR}/quorin-demo/instruments FILES_MATCHING PATTERN "*.yaml")
install(FILES ${PROJECT_SOURCE_DIR}/assets/quorin-demo.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 16 24 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/assets/icons/quorin-${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
        RENAME quorin-demo.png)
endforeach()

set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorin-demo)
set(CPACK_PACKAGE_VENDOR "Quorin")
set(CPACK_PACKAGE_CONTACT "Quorin Velmar Demo developers <dev@quorin.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Bench program for one IEEE-488 (GPIB) instrument")
set(CPACK_PACKAGE_DESCRIPTION
    "Opens the GPIB board, finds the listeners, sends command lines, reads responses and runs "
    "interface clear, device clear and serial poll. Runs on a simulated bus when no GPIB "
    "driver is installed.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# The Qt 6 libraries come from the shared-library dependencies; the platform plugins that open
# a window are a package of their own.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
include(CPack)
