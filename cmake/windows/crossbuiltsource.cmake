# SPDX-License-Identifier: MIT
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
