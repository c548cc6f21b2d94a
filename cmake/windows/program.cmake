# SPDX-License-Identifier: MIT
# The program as a 32-bit Windows program, the MinGW runtime DLLs it loads, and the way to run
# this build's Windows programs under Wine.

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
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
    WORLD_EXECUTE)
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
endif()
