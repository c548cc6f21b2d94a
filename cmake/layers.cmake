# SPDX-License-Identifier: MIT
# Each folder of code is a library that sees only itself and what it links. Its headers are
# included by the folder's path from the project root ("gpib/wrappers.h",
# "driverfront/front/front.h"), and its include directory holds nothing but a link to the folder, so
# an include of a folder it does not link fails to build. The program's layers run
# panel -> operations -> status -> gpib; the simulated bus's rooms, and those of the driver
# libraries' shared front (driverfront/), are drawn in gpibsim/README.md. The program and the
# driver libraries do not see each other. An include that climbs out with "../" is found
# next to the including file whatever the include path says: the style test refuses those.
function(quorin_folder_library target folder)
    set(view ${CMAKE_BINARY_DIR}/folders/${folder})
    get_filename_component(parent ${view}/${folder} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${view}/${folder} SYMBOLIC)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
        target_include_directories(${target} INTERFACE ${view})
    else()
        target_include_directories(${target} PUBLIC ${view})
    endif()
    # Bounds-checked standard containers under the fuzzers: an index past a std::array in the
    # bench state stays inside the object, where AddressSanitizer cannot see it.
    if(QUORIN_FUZZ AND NOT type STREQUAL "INTERFACE_LIBRARY")
        target_compile_definitions(${target} PUBLIC _GLIBCXX_ASSERTIONS)
    endif()
endfunction()
