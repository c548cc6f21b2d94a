# SPDX-License-Identifier: MIT
# gpibsim-run and gpibplus-run, made from one template (driver-run.in): each puts a folder first
# on the library path whose links give one of our driver libraries linux-gpib's names. The
# folder sits beside the library, in the build tree as when installed (lib/quorin-demo), where
# both are installed.
include(GNUInstallDirs)
file(RELATIVE_PATH quorin_library_from_bin
    ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_PREFIX}/lib/quorin-demo)

# Usage: quorin_driver_run(COMMAND LIBRARY LINKS WHAT HELP NEEDS_PORT): COMMAND runs a program on
# WHAT through the library file LIBRARY, linked from the folder LINKS; HELP is a line of --help
# on the library's variables; NEEDS_PORT (yes or no) whether a "++" adapter's port must be
# named first. No apostrophe in WHAT or HELP: the script quotes them with it.
function(quorin_driver_run command library links what help needs_port)
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/${links})
    foreach(name libgpib.so.0 libgpib.so ${library})
        file(CREATE_LINK ../${library} ${CMAKE_BINARY_DIR}/${links}/${name} SYMBOLIC)
    endforeach()
    set(run_command ${command})
    set(run_library ${library})
    set(run_links ${links})
    set(run_what ${what})
    set(run_help ${help})
    set(run_needs_port ${needs_port})
    set(run_library_from_bin ${quorin_library_from_bin})
    configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/driver-run.in ${CMAKE_BINARY_DIR}/${command}
        @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                               WORLD_READ WORLD_EXECUTE)
    install(PROGRAMS ${CMAKE_BINARY_DIR}/${command} DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${CMAKE_BINARY_DIR}/${links}/libgpib.so.0 ${CMAKE_BINARY_DIR}/${links}/libgpib.so
        ${CMAKE_BINARY_DIR}/${links}/${library} DESTINATION lib/quorin-demo/${links})
endfunction()

quorin_driver_run(gpibsim-run libgpibsim.so libgpib "the simulated GPIB bus"
    "GPIBSIM_DEVICES names definition files; GPIBSIM_BENCH scripts faults." no)
quorin_driver_run(gpibplus-run libgpibplus.so libgpib-plus "a \"++\" GPIB adapter"
    "GPIBPLUS_PORT, or port = ... in /etc/gpibplus.conf (GPIBPLUS_CONF names another file), \
names the adapter." yes)
