# SPDX-License-Identifier: MIT
# The simulated bus in the Windows zip: gpibsim.dll beside the program, where the binding falls
# back to it when no GPIB driver is installed, our definitions beside it in the folder
# "instruments", and the licences of yaml-cpp and fmt, which the library contains, each with its
# source package and version (packaging/windows/licences.cmake names them). The scripts that
# cross-build them keep beside each its licence and its source package and version.
install(TARGETS gpibsim RUNTIME DESTINATION .)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/gpibsim/data/ DESTINATION instruments)

foreach(library yaml-cpp fmt)
    get_filename_component(prefix ${${library}_DIR}/../../.. ABSOLUTE)
    if(NOT EXISTS ${prefix}/quorin-licence.txt)
        message(WARNING "${library} was not built by scripts/windows.sh: its licence is not "
                        "beside it, and packaging will fail for want of it")
        continue()
    endif()
    file(READ ${prefix}/quorin-licence.txt licence)
    quorin_cross_built_source(${prefix} package version)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/library.txt.in
        ${CMAKE_BINARY_DIR}/${library}/README.txt @ONLY)
    install(FILES ${CMAKE_BINARY_DIR}/${library}/README.txt DESTINATION LICENSES/${library})
endforeach()
