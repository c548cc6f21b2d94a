# SPDX-License-Identifier: MIT
# The program's layers, panel -> operations -> status -> gpib, are one static library each.
# A layer's headers are included as "<folder>/<file>.h", and its include directory holds
# nothing but a link to its own folder: a layer sees itself and the layers it links, so an
# include that runs back up the layers fails to build.
function(quorin_layer target folder)
    set(view ${CMAKE_BINARY_DIR}/layers/${folder})
    file(MAKE_DIRECTORY ${view})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${view}/${folder} SYMBOLIC)
    target_include_directories(${target} PUBLIC ${view})
    # Bounds-checked standard containers under the fuzzers: an index past a std::array in the
    # bench state stays inside the object, where AddressSanitizer cannot see it.
    if(QUORIN_FUZZ)
        target_compile_definitions(${target} PUBLIC _GLIBCXX_ASSERTIONS)
    endif()
endfunction()
