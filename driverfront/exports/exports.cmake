# SPDX-License-Identifier: MIT
# A driver library's exports, made from its table of them (driverfront/api/tablerows.h): the
# linker's version script on Linux, the .def file on Windows.

# The table's rows into `out`, each on one line: comments and preprocessor lines dropped, blanks
# folded. The table's own includes (driverfront/api/frontcalls.h, the front's rows) are read in
# their place, from the source tree's root; `files` gets every file read.
function(driverfront_table_rows out files table)
    file(READ ${table} text)
    set(read ${table})
    string(REGEX MATCHALL "#include \"[^\"]+\"" includes "${text}")
    foreach(include IN LISTS includes)
        string(REGEX MATCH "\"([^\"]+)\"" _ "${include}")
        file(READ ${PROJECT_SOURCE_DIR}/${CMAKE_MATCH_1} included)
        string(REPLACE "${include}" "${included}" text "${text}")
        list(APPEND read ${PROJECT_SOURCE_DIR}/${CMAKE_MATCH_1})
    endforeach()
    set(${files} "${read}" PARENT_SCOPE)
    string(REGEX REPLACE "/\\*([^*]|\\*+[^*/])*\\*+/" "" text "${text}")
    string(REGEX REPLACE "\n#[^\n]*" "" text "${text}")
    string(REGEX REPLACE "[ \n]+" " " text "${text}")
    string(REGEX MATCHALL "DRIVER_[A-Z]+\\([^()]*(\\([^()]*\\)[^()]*)?\\)" rows "${text}")
    set(${out} "${rows}" PARENT_SCOPE)
endfunction()

# The exports, a line for each row. On Linux, linux-gpib's names, for the version script;
# gpib-32.dll's other names are not among them. On Windows, gpib-32.dll's names, for the .def
# file: each stdcall call as the compiler decorates it, with the bytes of its parameters after an
# @ (4 each), which --kill-at leaves out of the exported name, as gpib-32.dll has it; a row whose
# count is wrong fails the link.
function(driverfront_export_lines out rows)
    set(exports "")
    foreach(row IN LISTS rows)
        string(REGEX MATCH "^DRIVER_([A-Z]+)\\([^,]+, *([A-Za-z0-9_]+)" _ "${row}")
        set(kind ${CMAKE_MATCH_1})
        set(name ${CMAKE_MATCH_2})
        if(NOT WIN32)
            if(NOT kind STREQUAL "ALIAS")
                string(APPEND exports "        ${name};\n")
            endif()
            continue()
        endif()
        if(kind STREQUAL "VARIABLE")
            string(APPEND exports "    ${name} DATA\n")
            continue()
        endif()
        string(REGEX MATCH "^[^(]*\\([^(]*\\(([^()]*)\\)" _ "${row}")
        set(parameters "${CMAKE_MATCH_1}")
        string(REGEX MATCHALL "," commas "${parameters}")
        list(LENGTH commas bytes)
        if(NOT parameters STREQUAL "void")
            math(EXPR bytes "4 * (${bytes} + 1)")
        endif()
        if(kind STREQUAL "ALIAS")
            string(REGEX MATCH "([A-Za-z0-9_]+) *\\)$" _ "${row}")
            string(APPEND exports "    ${name}@${bytes} = ${CMAKE_MATCH_1}@${bytes}\n")
        else()
            string(APPEND exports "    ${name}@${bytes}\n")
        endif()
    endforeach()
    set(${out} "${exports}" PARENT_SCOPE)
endfunction()

# Makes the shared library `target` a driver library on the front, exporting the rows of
# `table`: it takes in the front's entry points, and the exports file written from the table
# into the folder's build tree, exports.map, or TARGET.def on Windows, where the runtime is
# linked in, so that the library also runs from the system folder as the driver.
function(driverfront_exports target table)
    target_link_libraries(${target} PRIVATE driverfront_exports)
    driverfront_table_rows(rows read ${table})
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${read})
    driverfront_export_lines(exports "${rows}")
    set(library ${target})
    file(RELATIVE_PATH table ${CMAKE_CURRENT_SOURCE_DIR} ${table})
    set(templates ${CMAKE_CURRENT_FUNCTION_LIST_DIR})

    if(WIN32)
        set(def ${CMAKE_CURRENT_BINARY_DIR}/${target}.def)
        configure_file(${templates}/library.def.in ${def} @ONLY)
        target_sources(${target} PRIVATE ${def})
        # The start of the library's exception tables, for its own unwinder (unwindtables_win.h).
        target_link_options(${target} PRIVATE "LINKER:--kill-at" -static
            "LINKER:--defsym=_driverfront_eh_frame=ADDR(.eh_frame)")
        set_target_properties(${target} PROPERTIES PREFIX "")
        # The linker's import library has the plain names too; a C client calls the decorated
        # ones.
        add_custom_command(TARGET ${target} POST_BUILD
            COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --dllname ${target}.dll --kill-at
                    --output-lib $<TARGET_LINKER_FILE:${target}>
            VERBATIM)
        return()
    endif()

    # The version script puts each export under linux-gpib's version node and keeps everything
    # else inside.
    set(script ${CMAKE_CURRENT_BINARY_DIR}/exports.map)
    configure_file(${templates}/exports.map.in ${script} @ONLY)
    # A row of the table without its definition fails the link.
    target_link_options(${target} PRIVATE "LINKER:--version-script=${script}"
        "LINKER:--no-undefined-version")
    set_target_properties(${target} PROPERTIES LINK_DEPENDS ${script})
endfunction()
