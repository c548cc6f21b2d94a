# SPDX-License-Identifier: MIT
# The program as a 32-bit Windows program, the way to run it under Wine, and the zip a Windows
# user unpacks: the executable, the Qt DLLs and plugins it loads, the MinGW runtime, the texts;
# and the installer of the same files (windowsinstaller.cmake).

# The Debian source package and version that scripts/windows.sh records beside what it cross-built
# into PREFIX (quorin-source.txt: "package version"); both empty when it has no record.
function(quorin_cross_built_source prefix package_var version_var)
    set(source "")
    if(EXISTS ${prefix}/quorin-source.txt)
        file(STRINGS ${prefix}/quorin-source.txt source LIMIT_COUNT 1)
        string(REPLACE " " ";" source "${source}")
    endif()
    list(APPEND source "" "")
    list(GET source 0 package)
    list(GET source 1 version)
    set(${package_var} "${package}" PARENT_SCOPE)
    set(${version_var} "${version}" PARENT_SCOPE)
endfunction()

# A GUI program (no console window of its own) with our icon and version as resources.
configure_file(${PROJECT_SOURCE_DIR}/assets/quorin.rc.in ${CMAKE_BINARY_DIR}/quorin.rc @ONLY)
target_sources(quorin-demo PRIVATE ${CMAKE_BINARY_DIR}/quorin.rc)
set_target_properties(quorin-demo PROPERTIES WIN32_EXECUTABLE ON)
# The host's rcc (Debian's) compresses resources with zstd, which this Qt, built without it,
# cannot read.
set_property(TARGET quorin_panel APPEND PROPERTY AUTORCC_OPTIONS --no-zstd)
# The console the program was started from, for --help, --version and Qt's messages.
target_sources(quorin_panel PRIVATE ${PROJECT_SOURCE_DIR}/panel/startingconsole.h
    ${PROJECT_SOURCE_DIR}/panel/startingconsole_win.cpp)

# Runs this build's Windows programs under Wine: CTest's emulator for the tests, and the way
# to start the program by hand: BUILD/wine-run BUILD/quorin-demo.exe.
set(QUORIN_WINEPREFIX ${PROJECT_SOURCE_DIR}/build/windows/wine CACHE PATH
    "The 32-bit Wine prefix the Windows programs run in")
get_target_property(quorin_qt_core Qt6::Core IMPORTED_LOCATION_RELEASE)
get_filename_component(quorin_qt_bin ${quorin_qt_core} DIRECTORY)
foreach(dll libstdc++-6.dll libgcc_s_dw2-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
        OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    get_filename_component(path ${path} REALPATH)
    list(APPEND quorin_runtime_dlls ${path})
    get_filename_component(folder ${path} DIRECTORY)
    list(APPEND quorin_wine_path ${folder})
endforeach()
# This build's own DLLs (the simulated bus) for the tests linked to them, as PATH would give them.
list(PREPEND quorin_wine_path ${quorin_qt_bin} ${CMAKE_BINARY_DIR})
list(REMOVE_DUPLICATES quorin_wine_path)
list(TRANSFORM quorin_wine_path PREPEND "Z:")
string(REPLACE "/" "\\" quorin_wine_path "${quorin_wine_path}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
    WORLD_EXECUTE)
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
endif()

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

# The texts: ours, and where Qt's source is. The scripts that cross-build Qt record the Debian
# source package it was built from beside it. When cpack has staged the files, the licence texts
# of the code in each program file join them in LICENSES, as the licence table says, with their
# index (windowslicences.cmake).
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION . RENAME README.txt)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
quorin_cross_built_source(${QT6_INSTALL_PREFIX} quorin_qt_package QUORIN_QT_SOURCE)
if(NOT QUORIN_QT_SOURCE)
    set(QUORIN_QT_SOURCE "(not recorded: this Qt was not built by scripts/windows.sh)")
endif()
configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/Qt.txt.in ${CMAKE_BINARY_DIR}/Qt.txt @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/Qt.txt DESTINATION LICENSES/Qt RENAME README.txt)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/windowslicences.cmake)
set(CPACK_QUORIN_LICENCE_TABLE ${PROJECT_SOURCE_DIR}/packaging/windows/licences.cmake)
set(CPACK_QUORIN_QT_LICENCES ${QT6_INSTALL_PREFIX}/quorin-licences)

set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME quorin-demo)
set(CPACK_PACKAGE_FILE_NAME quorin-demo-${PROJECT_VERSION}-win32)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
include(${CMAKE_CURRENT_LIST_DIR}/windowsinstaller.cmake)
include(CPack)
