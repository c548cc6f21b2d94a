# SPDX-License-Identifier: MIT
# The zip a Windows user unpacks: the executable, the Qt DLLs and plugins it loads, the MinGW
# runtime (program.cmake finds it), the simulated bus (gpibsim.cmake), the "++" adapters' library,
# the texts; and the installer of the same files (installer.cmake).
include(${CMAKE_CURRENT_LIST_DIR}/crossbuiltsource.cmake)

# The folder of the zip: the program and what it loads, which Windows finds beside it (the DLLs)
# and Qt in the folders named after the kind of plugin. The DLLs, installed as files, are
# stripped as the program is.
install(TARGETS quorin-demo RUNTIME DESTINATION .)
function(quorin_install_dll dll folder)
    install(FILES ${dll} DESTINATION ${folder})
    get_filename_component(name ${dll} NAME)
    install(CODE "execute_process(COMMAND ${CMAKE_STRIP} --strip-unneeded
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${folder}/${name}\" COMMAND_ERROR_IS_FATAL ANY)")
endfunction()
foreach(module Core Gui Widgets)
    get_target_property(dll Qt6::${module} IMPORTED_LOCATION_RELEASE)
    quorin_install_dll(${dll} .)
endforeach()
foreach(plugin QWindowsIntegrationPlugin QWindowsVistaStylePlugin)
    get_target_property(dll Qt6::${plugin} IMPORTED_LOCATION_RELEASE)
    get_filename_component(kind ${dll} DIRECTORY)
    get_filename_component(kind ${kind} NAME)
    quorin_install_dll(${dll} ${kind})
endforeach()
foreach(dll IN LISTS quorin_runtime_dlls)
    quorin_install_dll(${dll} .)
endforeach()
include(${CMAKE_CURRENT_LIST_DIR}/gpibsim.cmake)
# The "++" adapters' library, which the program loads from its folder when it names a port.
install(TARGETS gpibplus RUNTIME DESTINATION .)

# The texts: ours, and where Qt's source is. The scripts that cross-build Qt record the Debian
# source package it was built from beside it. When cpack has staged the files, the licence texts
# of the code in each program file join them in LICENSES, as the licence table says, with their
# index (licencetexts.cmake).
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION . RENAME README.txt)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
quorin_cross_built_source(${QT6_INSTALL_PREFIX} quorin_qt_package quorin_qt_source)
if(NOT quorin_qt_source)
    set(quorin_qt_source "(not recorded: this Qt was not built by scripts/windows.sh)")
endif()
configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/qt.txt.in ${CMAKE_BINARY_DIR}/Qt.txt @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/Qt.txt DESTINATION LICENSES/Qt RENAME README.txt)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/licencetexts.cmake)
set(CPACK_QUORIN_LICENCE_TABLE ${PROJECT_SOURCE_DIR}/packaging/windows/licences.cmake)
set(CPACK_QUORIN_QT_LICENCES ${QT6_INSTALL_PREFIX}/quorin-licences)

set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME quorin-demo)
set(CPACK_PACKAGE_FILE_NAME quorin-demo-${PROJECT_VERSION}-win32)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
include(${CMAKE_CURRENT_LIST_DIR}/installer.cmake)
include(CPack)
