# SPDX-License-Identifier: MIT
# Run by cpack between staging the Windows package's files and packing them
# (CPACK_PRE_BUILD_SCRIPTS), for the zip and the installer alike: copies into LICENSES/FOLDER the
# licence texts of each part of the code in the staged program files, as the licence table says,
# and writes the index LICENSES/THIRD-PARTY.txt: each program file, the parts in it, their
# licences and texts. The uninstaller, which the installer writes, counts as a program file.
# Fails on a program file that no row names, and on a text that is missing.
cmake_policy(VERSION 3.25)
set(stage ${CPACK_TEMPORARY_DIRECTORY})
file(GLOB_RECURSE staged_files LIST_DIRECTORIES false RELATIVE ${stage}
    ${stage}/*.exe ${stage}/*.dll)
set(uninstaller ${CPACK_NSIS_UNINSTALL_NAME}.exe)
set(program_files ${staged_files} ${uninstaller})
list(SORT program_files CASE INSENSITIVE)
set(named_files)

# One row of the table: the part's texts into the package and the part under each of its
# program files in the index (the variables index_FILE), where any of its files is packaged.
function(quorin_part folder licence)
    cmake_parse_arguments(PARSE_ARGV 2 part "" "" "IN;TEXTS")
    set(files ${part_IN})
    if("*" IN_LIST files)
        set(files ${staged_files})
    endif()
    list(REMOVE_ITEM part_IN "*")
    set(named_files ${named_files} ${part_IN} PARENT_SCOPE)
    set(packaged)
    foreach(file IN LISTS files)
        if(file IN_LIST program_files)
            list(APPEND packaged ${file})
        endif()
    endforeach()
    if(NOT packaged)
        return()
    endif()

    set(entry "    ${folder}: ${licence}\n")
    foreach(text IN LISTS part_TEXTS)
        # A text from Qt's source or the build machine is copied in; one in the package stays.
        set(copy ON)
        if(text MATCHES "^qt:(.*)")
            set(source ${CPACK_QUORIN_QT_LICENCES}/${CMAKE_MATCH_1})
        elseif(IS_ABSOLUTE ${text})
            set(source ${text})
        else()
            set(source ${stage}/${text})
            set(copy OFF)
        endif()
        if(NOT EXISTS ${source})
            message(FATAL_ERROR "The licence text ${text} of ${folder} is missing: ${source}")
        endif()
        if(copy)
            # Windows opens .txt and .md files; the others get .txt added.
            get_filename_component(name ${source} NAME)
            string(TOLOWER ${name} lower)
            if(NOT lower MATCHES "\\.(txt|md)$")
                string(APPEND name .txt)
            endif()
            set(text LICENSES/${folder}/${name})
            if(EXISTS ${stage}/${text})
                message(FATAL_ERROR "Two licence texts of ${folder} are named ${name}")
            endif()
            file(MAKE_DIRECTORY ${stage}/LICENSES/${folder})
            file(COPY_FILE ${source} ${stage}/${text})
        endif()
        string(REPLACE "/" "\\" text ${text})
        string(APPEND entry "        ${text}\n")
    endforeach()
    foreach(file IN LISTS packaged)
        set(index_${file} "${index_${file}}${entry}" PARENT_SCOPE)
    endforeach()
endfunction()

include(${CPACK_QUORIN_LICENCE_TABLE})

set(index "Quorin Velmar Demo ${CPACK_PACKAGE_VERSION} for Windows: the program files, the code \
in each,\nits licence, and the files of the licence's text, from the program's folder.\n")
set(unnamed)
foreach(file IN LISTS program_files)
    if(NOT file IN_LIST named_files)
        list(APPEND unnamed ${file})
    endif()
    string(REPLACE "/" "\\" name ${file})
    if(file STREQUAL uninstaller)
        string(APPEND name " (written by the installer)")
    endif()
    string(APPEND index "\n${name}\n${index_${file}}")
endforeach()
if(unnamed)
    message(FATAL_ERROR "No row of ${CPACK_QUORIN_LICENCE_TABLE} names these program files of the \
package, so their licences are unknown: ${unnamed}")
endif()
file(WRITE ${stage}/LICENSES/THIRD-PARTY.txt "${index}")
