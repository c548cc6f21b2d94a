# SPDX-License-Identifier: MIT
# Shared by the Windows entry points (scripts/test-windows, scripts/package-windows): the
# Debian packages of the 32-bit Windows toolchain and Wine, Qt cross-built for Windows from
# Debian's own source package, and the cross build of the program. Everything built goes
# under build/windows/ and is reused by later runs.
# shellcheck shell=bash

source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

QUORIN_WINDOWS_PACKAGES=(g++-mingw-w64-i686-posix binutils-mingw-w64-i686 ninja-build cmake
    qt6-base-dev qt6-base-dev-tools libyaml-cpp-dev libfmt-dev dpkg-dev wine wine32 xvfb xauth
    x11-utils xdotool xclip imagemagick fonts-dejavu-core nsis)

quorin_windows_dir() { echo "$(quorin_root)/build/windows"; }

# The version of the source package a Debian package was built from: the Windows build uses the
# release the Linux build does.
quorin_source_version() { dpkg-query -W -f='${source:Version}' "$1"; }

# The host Qt's source package and version: the cross-built Qt must be the same release.
quorin_qt_source_version() { quorin_source_version qt6-base-dev; }

# wine32 comes from the i386 architecture, which is added first when missing.
quorin_windows_install() {
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        if [ "$(id -u)" -ne 0 ]; then
            echo "Wine's 32-bit part needs the i386 architecture: sudo dpkg --add-architecture i386" >&2
            return 1
        fi
        dpkg --add-architecture i386
        apt-get -o DPkg::Lock::Timeout=900 update -qq
    fi
    local QUORIN_PACKAGES=("${QUORIN_WINDOWS_PACKAGES[@]}")
    quorin_install_missing
}

# Writes into the folder $1 a deb-src entry for each deb entry of the machine's own apt
# sources, one-line (.list) and deb822 (.sources) alike, naming the same places.
quorin_deb_src_parts() {
    local parts=$1 file
    local lists=(/etc/apt/sources.list /etc/apt/sources.list.d/*.list)
    for file in "${lists[@]}"; do
        [ -f "$file" ] || continue
        sed -n 's/^[[:space:]]*deb\([[:space:]]\)/deb-src\1/p' "$file" >>"$parts/derived.list"
    done
    for file in /etc/apt/sources.list.d/*.sources; do
        [ -f "$file" ] || continue
        # One stanza per record (blank-line separated); a stanza of binary packages comes back
        # as a stanza of source packages, the others are left out.
        awk 'BEGIN { RS = ""; ORS = "\n\n"; FS = "\n" }
             { binary = 0
               for (i = 1; i <= NF; i++)
                   if ($i ~ /^Types:/ && (" " substr($i, 7) " ") ~ /[[:space:]]deb[[:space:]]/) {
                       $i = "Types: deb-src"; binary = 1 }
               if (binary) { out = $1; for (i = 2; i <= NF; i++) out = out "\n" $i; print out } }' \
            "$file" >>"$parts/derived-$(basename "$file")"
    done
}

# Downloads Debian's source package $1 of version $2 into $3 and unpacks it in $3/source, with
# Debian's own patches applied. The deb-src entries live in a temporary folder; the binary
# package lists are left as they are.
quorin_debian_source() {
    local package=$1 version=$2 dest=$3 tmp
    tmp=$(mktemp -d)
    mkdir -p "$tmp/parts" "$dest"
    : >"$tmp/sources.list"
    quorin_deb_src_parts "$tmp/parts"
    # Downloaded as the user running this (root in CI) into a folder the _apt user cannot write.
    local apt=(apt-get -o Dir::Etc::SourceList="$tmp/sources.list"
        -o Dir::Etc::SourceParts="$tmp/parts" -o APT::Get::List-Cleanup=0
        -o DPkg::Lock::Timeout=900 -o APT::Sandbox::User="$(id -un)")
    "${apt[@]}" update -qq
    (cd "$dest" && "${apt[@]}" source --download-only -qq "$package=$version")
    rm -rf "$tmp"
    (cd "$dest" && dpkg-source --no-check -x "${package}_${version#*:}.dsc" source >/dev/null)
}

# Qt's configuration for the cross build: only what the program and its tests use (Core, Gui,
# Widgets, Test; the windows and offscreen platforms; the Windows styles; the ico image
# format). OpenGL needs both switches, or dynamic GL stays on. Direct2D stays on, as the
# DirectWrite font database needs it, and FreeType too, for the offscreen platform.
QUORIN_QT_FEATURES=(-DINPUT_opengl=no -DFEATURE_opengl=OFF -DFEATURE_dbus=OFF -DFEATURE_sql=OFF
    -DFEATURE_network=OFF -DFEATURE_printsupport=OFF -DFEATURE_vulkan=OFF -DFEATURE_concurrent=OFF
    -DFEATURE_xml=OFF -DFEATURE_jpeg=OFF -DFEATURE_direct2d1_1=OFF -DFEATURE_tabletevent=OFF
    -DFEATURE_direct2d=ON -DFEATURE_freetype=ON -DFEATURE_system_freetype=OFF -DFEATURE_testlib=ON
    -DFEATURE_ico=ON -DFEATURE_zstd=OFF -DFEATURE_pkg_config=OFF -DFEATURE_androiddeployqt=OFF)

# The licence texts in Qt's source that the Windows package's licence table names (qt:PATH),
# and a digest of their list.
quorin_qt_licence_texts() {
    grep -v '^[[:space:]]*#' "$(quorin_root)/packaging/windows/licences.cmake" |
        grep -o 'qt:[^[:space:])]*' | cut -c4- | sort -u
}
quorin_qt_licence_digest() { quorin_qt_licence_texts | sha256sum | cut -d' ' -f1; }

# Keeps beside the cross-built Qt ($2) what the package must say about it: the Debian source
# package's version, and the licence texts of Qt's source ($1) that the licence table names,
# under their paths in the source, with the digest of their list.
quorin_qt_notices() {
    local src=$1 qt=$2 path
    quorin_qt_source_version >"$qt/quorin-qt-source.txt"
    rm -rf "$qt/quorin-licences" "$qt/quorin-notices"
    for path in $(quorin_qt_licence_texts); do
        install -D -m 644 "$src/$path" "$qt/quorin-licences/$path" || return 1
    done
    quorin_qt_licence_digest >"$qt/quorin-notices"
}

# Gathers the texts again when the table names others than those kept, from Qt's source, which
# is fetched again if it is gone.
quorin_qt_notices_update() {
    local dir=$1 qt=$2
    [ "$(cat "$qt/quorin-notices" 2>/dev/null)" = "$(quorin_qt_licence_digest)" ] && return 0
    echo "== Qt's licence texts, from its source" >&2
    [ -d "$dir/qt-source/source" ] || quorin_qt_source "$dir/qt-source" >&2
    quorin_qt_notices "$dir/qt-source/source" "$qt"
}

# What the cross-built Qt is made from: a change to any of it builds Qt again.
quorin_qt_recipe() {
    local root
    root=$(quorin_root)
    {
        quorin_qt_source_version
        printf '%s\n' "${QUORIN_QT_FEATURES[@]}"
        cat "$root/cmake/windows-i686.cmake"
    } | sha256sum | cut -d' ' -f1
}

# Cross-builds Qt into build/windows/qt unless the one there was built from the same recipe.
# Prints where it is.
quorin_windows_qt() {
    local dir qt recipe
    dir=$(quorin_windows_dir)
    qt="$dir/qt"
    recipe=$(quorin_qt_recipe)
    if [ "$(cat "$qt/quorin-recipe" 2>/dev/null)" = "$recipe" ]; then
        quorin_qt_notices_update "$dir" "$qt" || return 1
        echo "$qt"
        return 0
    fi
    echo "== Qt $(quorin_qt_source_version) for 32-bit Windows, built once into $qt" >&2
    rm -rf "$dir/qt-source" "$dir/qt-build" "$qt"
    quorin_debian_source qt6-base "$(quorin_qt_source_version)" "$dir/qt-source" >&2
    local started=$SECONDS
    cmake -G Ninja -S "$dir/qt-source/source" -B "$dir/qt-build" \
        -DCMAKE_TOOLCHAIN_FILE="$(quorin_root)/cmake/windows-i686.cmake" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$qt" \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
        "${QUORIN_QT_FEATURES[@]}" >"$dir/qt-configure.log" 2>&1 ||
        { tail -40 "$dir/qt-configure.log" >&2; return 1; }
    cmake --build "$dir/qt-build" --parallel 2 >"$dir/qt-build.log" 2>&1 ||
        { tail -40 "$dir/qt-build.log" >&2; return 1; }
    cmake --install "$dir/qt-build" >/dev/null
    quorin_qt_notices "$dir/qt-source/source" "$qt" || return 1
    echo "$recipe" >"$qt/quorin-recipe"
    echo "== Qt built in $((SECONDS - started)) s (load: $(cut -d' ' -f1-3 /proc/loadavg))" >&2
    echo "$qt"
}

# The libraries the simulated bus reads its definition files with, each cross-built once from
# Debian's source package of the version the Linux build uses: yaml-cpp as a static library,
# fmt for its headers alone. Options passed to their CMake builds:
QUORIN_YAML_CPP_OPTIONS=(-DYAML_BUILD_SHARED_LIBS=OFF -DYAML_CPP_BUILD_TESTS=OFF
    -DYAML_CPP_BUILD_TOOLS=OFF -DYAML_CPP_BUILD_CONTRIB=OFF)
QUORIN_FMT_OPTIONS=(-DFMT_DOC=OFF -DFMT_TEST=OFF -DFMT_FUZZ=OFF)

# Cross-builds the CMake project of Debian's source package $2 (the version the installed
# package $3 was built from) into build/windows/$1, unless the one there was built from the
# same recipe: that version, the options after $4 and the toolchain file. Keeps beside it the
# source package's version and its licence text, the file $4 of its source. Prints where it is.
quorin_windows_library() {
    local name=$1 package=$2 version dir prefix recipe started=$SECONDS
    local licence=$4
    version=$(quorin_source_version "$3")
    shift 4
    dir=$(quorin_windows_dir)
    prefix="$dir/$name"
    recipe=$({
        echo "$version"
        printf '%s\n' "$@"
        cat "$(quorin_root)/cmake/windows-i686.cmake"
    } | sha256sum | cut -d' ' -f1)
    if [ "$(cat "$prefix/quorin-recipe" 2>/dev/null)" = "$recipe" ]; then
        echo "$prefix"
        return 0
    fi
    echo "== $name $version for 32-bit Windows, built once into $prefix" >&2
    rm -rf "$dir/$name-source" "$dir/$name-build" "$prefix"
    quorin_debian_source "$package" "$version" "$dir/$name-source" >&2
    cmake -G Ninja -S "$dir/$name-source/source" -B "$dir/$name-build" \
        -DCMAKE_TOOLCHAIN_FILE="$(quorin_root)/cmake/windows-i686.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" "$@" \
        >"$dir/$name-build.log" 2>&1 &&
        cmake --build "$dir/$name-build" --parallel 2 >>"$dir/$name-build.log" 2>&1 &&
        cmake --install "$dir/$name-build" >>"$dir/$name-build.log" 2>&1 ||
        { tail -40 "$dir/$name-build.log" >&2; return 1; }
    echo "$version" >"$prefix/quorin-source.txt"
    cp "$dir/$name-source/source/$licence" "$prefix/quorin-licence.txt"
    echo "$recipe" >"$prefix/quorin-recipe"
    echo "== $name built in $((SECONDS - started)) s (load: $(cut -d' ' -f1-3 /proc/loadavg))" >&2
    echo "$prefix"
}

quorin_windows_yaml_cpp() {
    quorin_windows_library yaml-cpp yaml-cpp libyaml-cpp-dev LICENSE "${QUORIN_YAML_CPP_OPTIONS[@]}"
}

quorin_windows_fmt() {
    quorin_windows_library fmt fmtlib libfmt-dev LICENSE.rst "${QUORIN_FMT_OPTIONS[@]}"
}

# Creates the 32-bit Wine prefix the Windows programs run in, once. Wine's downloads of Mono
# and Gecko are declined: nothing here needs them.
quorin_wine_prefix() {
    local prefix
    prefix="$(quorin_windows_dir)/wine"
    [ -f "$prefix/system.reg" ] && return 0
    echo "== A 32-bit Wine prefix in $prefix" >&2
    WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
        wineboot --init >/dev/null 2>&1
    WINEPREFIX="$prefix" wineserver --wait
}

# Configures the program's cross build in the folder $1 against the cross-built Qt $2, with
# the cross-built libraries of the simulated bus (the folders $3, separated by ';').
quorin_windows_configure() {
    local build
    build=$(realpath -m "$1")
    cmake -G Ninja -S "$(quorin_root)" -B "$build" \
        -DCMAKE_TOOLCHAIN_FILE="$2/lib/cmake/Qt6/qt.toolchain.cmake" \
        -DQT_ADDITIONAL_PACKAGES_PREFIX_PATH="$3" \
        -DCMAKE_CROSSCOMPILING_EMULATOR="$build/wine-run" "${@:4}" >/dev/null
}
