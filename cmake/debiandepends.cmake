# SPDX-License-Identifier: MIT
# Run by cpack between staging the files and building the package (CPACK_PRE_BUILD_SCRIPTS):
# adds to Depends the packages of the shared libraries that the staged ELF files link, as
# dpkg-shlibdeps finds them. CPack's own CPACK_DEBIAN_PACKAGE_SHLIBDEPS does the same, but then
# also calls ldconfig from postinst and postrm for any library under /usr/lib, our private
# /usr/lib/quorin-demo included, where ldconfig has nothing to index.
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*")
set(elf_files)
foreach(path IN LISTS staged)
    if(IS_SYMLINK ${path})
        continue()
    endif()
    file(READ ${path} magic LIMIT 4 HEX)
    if(magic STREQUAL "7f454c46")
        list(APPEND elf_files ${path})
    endif()
endforeach()
if(NOT elf_files)
    return()
endif()

# dpkg-shlibdeps wants a debian/control in its working folder.
set(work ${CPACK_TOPLEVEL_DIRECTORY}/shlibdeps)
file(WRITE ${work}/debian/control "")
execute_process(COMMAND dpkg-shlibdeps -O ${elf_files}
    WORKING_DIRECTORY ${work}
    OUTPUT_VARIABLE substvars
    ERROR_VARIABLE errors
    RESULT_VARIABLE status)
file(REMOVE_RECURSE ${work})
if(NOT status EQUAL 0 OR NOT substvars MATCHES "shlibs:Depends=([^\n]+)")
    message(FATAL_ERROR "dpkg-shlibdeps ${elf_files} failed: ${errors}")
endif()
if(CPACK_DEBIAN_PACKAGE_DEPENDS)
    string(PREPEND CMAKE_MATCH_1 "${CPACK_DEBIAN_PACKAGE_DEPENDS}, ")
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${CMAKE_MATCH_1}")
