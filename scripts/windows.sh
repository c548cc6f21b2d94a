# SPDX-License-Identifier: MIT
# Shared by the Windows entry points (scripts/test-windows, scripts/package-windows): the
# Debian packages of the 32-bit Windows toolchain and Wine, Qt cross-built for Windows from
# Debian's own source package, and the cross build of the program. Everything built goes
# under build/windows/ and is reused by later runs.
# shellcheck shell=bash

source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# g++, libgl-dev and python3 serve the native build of gpibsim-adapter and its launcher, for
# the "++" link's tests.
QUORIN_WINDOWS_PACKAGES=(g++-mingw-w64-i686-posix binutils-mingw-w64-i686 ninja-build cmake
    qt6-base-dev qt6-base-dev-tools libyaml-cpp-dev libfmt-dev dpkg-dev wine wine32 xvfb xauth
    x11-utils xdotool xclip imagemagick fonts-dejavu-core nsis g++ libgl-dev python3)

quorin_windows_dir() { echo "$(quorin_root)/build/windows"; }

# The CMake toolchain file of the cross builds, Qt's and the program's.
quorin_windows_toolchain() { echo "$(quorin_root)/cmake/windows/toolchain.cmake"; }

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
    quorin_install_missing "${QUORIN_WINDOWS_PACKAGES[@]}"
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

# Cross-builds the CMake project of Debian's source package $2, of the version the installed
# package $3 was built from, into build/windows/$1 with the CMake options after $4, unless the
# one there was built from the same recipe: that version, those options and the toolchain file.
# Beside it, quorin-source.txt names the source package and its version, and the command $4
# SOURCE PREFIX keeps what the package must say of it: its licence texts. Prints where it is.
quorin_windows_build() {
    local name=$1 package=$2 notices=$4 version dir prefix recipe log started=$SECONDS
    version=$(quorin_source_version "$3")
    shift 4
    dir=$(quorin_windows_dir)
    prefix="$dir/$name"
    log="$dir/$name-build.log"
    recipe=$({
        echo "$version"
        printf '%s\n' "$@"
        cat "$(quorin_windows_toolchain)"
    } | sha256sum | cut -d' ' -f1)
    if [ "$(cat "$prefix/quorin-recipe" 2>/dev/null)" = "$recipe" ]; then
        echo "$prefix"
        return 0
    fi
    echo "== $name $version for 32-bit Windows, built once into $prefix" >&2
    rm -rf "$dir/$name-source" "$dir/$name-build" "$prefix"
    quorin_debian_source "$package" "$version" "$dir/$name-source" >&2 || return 1
    cmake -G Ninja -S "$dir/$name-source/source" -B "$dir/$name-build" \
        -DCMAKE_TOOLCHAIN_FILE="$(quorin_windows_toolchain)" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" "$@" >"$log" 2>&1 &&
        cmake --build "$dir/$name-build" --parallel 2 >>"$log" 2>&1 &&
        cmake --install "$dir/$name-build" >>"$log" 2>&1 ||
        { tail -40 "$log" >&2; return 1; }
    echo "$package $version" >"$prefix/quorin-source.txt"
    "$notices" "$dir/$name-source/source" "$prefix" || return 1
    echo "$recipe" >"$prefix/quorin-recipe"
    echo "== $name built in $((SECONDS - started)) s (load: $(cut -d' ' -f1-3 /proc/loadavg))" >&2
    echo "$prefix"
}

# Qt's configuration for the cross build: the host Qt's tools, and only what the program and
# its tests use (Core, Gui, Widgets, Test; the windows and offscreen platforms; the Windows
# styles; the ico image format). OpenGL needs both switches, or dynamic GL stays on. Direct2D
# stays on, as the DirectWrite font database needs it, and FreeType too, for the offscreen
# platform.
QUORIN_QT_OPTIONS=(-DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
    -DINPUT_opengl=no -DFEATURE_opengl=OFF -DFEATURE_dbus=OFF -DFEATURE_sql=OFF
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

# Keeps beside the cross-built Qt ($2) the licence texts of Qt's source ($1) that the licence
# table names, under their paths in the source, with the digest of their list.
quorin_qt_notices() {
    local src=$1 qt=$2 path
    rm -rf "$qt/quorin-licences" "$qt/quorin-notices"
    for path in $(quorin_qt_licence_texts); do
        install -D -m 644 "$src/$path" "$qt/quorin-licences/$path" || return 1
    done
    quorin_qt_licence_digest >"$qt/quorin-notices"
}

# Cross-builds Qt into build/windows/qt once, and prints where it is. When the licence table
# names other texts than those kept beside it, they are gathered again from Qt's source, which
# is fetched again if it is gone.
quorin_windows_qt() {
    local qt source
    qt=$(quorin_windows_build qt qt6-base qt6-base-dev quorin_qt_notices "${QUORIN_QT_OPTIONS[@]}") ||
        return 1
    if [ "$(cat "$qt/quorin-notices" 2>/dev/null)" != "$(quorin_qt_licence_digest)" ]; then
        echo "== Qt's licence texts, from its source" >&2
        source="$(quorin_windows_dir)/qt-source"
        [ -d "$source/source" ] ||
            quorin_debian_source qt6-base "$(quorin_qt_source_version)" "$source" >&2 || return 1
        quorin_qt_notices "$source/source" "$qt" || return 1
    fi
    echo "$qt"
}

# The libraries the simulated bus reads its definition files with: yaml-cpp as a static
# library, fmt for its headers alone, each with its licence text.
quorin_yaml_cpp_notices() { cp "$1/LICENSE" "$2/quorin-licence.txt"; }
quorin_fmt_notices() { cp "$1/LICENSE.rst" "$2/quorin-licence.txt"; }
quorin_windows_yaml_cpp() {
    quorin_windows_build yaml-cpp yaml-cpp libyaml-cpp-dev quorin_yaml_cpp_notices \
        -DYAML_BUILD_SHARED_LIBS=OFF -DYAML_CPP_BUILD_TESTS=OFF -DYAML_CPP_BUILD_TOOLS=OFF \
        -DYAML_CPP_BUILD_CONTRIB=OFF
}
quorin_windows_fmt() {
    quorin_windows_build fmt fmtlib libfmt-dev quorin_fmt_notices -DFMT_DOC=OFF -DFMT_TEST=OFF \
        -DFMT_FUZZ=OFF
}

# Packs the zip and the installer from the Release build $1, beside it, and lists them.
quorin_windows_package() {
    (cd "$1" && cpack >/dev/null) || return 1
    ls "$1"/quorin-demo-*-win32.zip "$1"/quorin-demo-*-win32-setup.exe
}

# Creates the 32-bit Wine prefix the Windows programs run in, once. Wine's downloads of Mono
# and Gecko are declined: nothing here needs them.
quorin_wine_prefix() {
    local prefix
    prefix="$(quorin_windows_dir)/wine"
    [ -f "$prefix/system.reg" ] && return 0
    echo "== A 32-bit Wine prefix in $prefix" >&2
    mkdir -p "$(dirname "$prefix")"
    WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
        wineboot --init >/dev/null 2>&1 || { echo "Wine could not create $prefix" >&2; return 1; }
    WINEPREFIX="$prefix" wineserver --wait
}

# gpibsim-adapter built for this machine: the "++" link's Windows tests run it on the Linux
# side. Only that target is built, in build/windows/native, which later runs bring up to date.
# Prints where it is.
quorin_native_adapter() {
    local build log
    # scripts/test passes the one its Linux build made.
    if [ -x "${QUORIN_NATIVE_ADAPTER:-}" ]; then
        echo "$QUORIN_NATIVE_ADAPTER"
        return 0
    fi
    build="$(quorin_windows_dir)/native"
    log="$(quorin_windows_dir)/native-build.log"
    mkdir -p "$(quorin_windows_dir)"
    # Configured once: the build itself configures again when a CMake file has changed.
    { [ -f "$build/build.ninja" ] ||
        cmake -G Ninja -S "$(quorin_root)" -B "$build" -DCMAKE_BUILD_TYPE=Release; } >"$log" 2>&1 &&
        cmake --build "$build" --target gpibsim-adapter >>"$log" 2>&1 ||
        { tail -40 "$log" >&2; return 1; }
    echo "$build/gpibsim-adapter"
}

# Configures the program's cross build in the folder $1, with the CMake options after it,
# against the cross-built Qt, yaml-cpp and fmt, built first where need be. Qt's toolchain file
# loads this tree's toolchain file, not the one Qt was built with: the recipe holds its content,
# not its path, so the same Qt serves a moved or another checkout.
quorin_windows_configure() {
    local build qt yaml_cpp fmt
    build=$(realpath -m "$1")
    qt=$(quorin_windows_qt) || return 1
    yaml_cpp=$(quorin_windows_yaml_cpp) || return 1
    fmt=$(quorin_windows_fmt) || return 1
    cmake -G Ninja -S "$(quorin_root)" -B "$build" \
        -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
        -DQT_CHAINLOAD_TOOLCHAIN_FILE="$(quorin_windows_toolchain)" \
        -DQT_ADDITIONAL_PACKAGES_PREFIX_PATH="$yaml_cpp;$fmt" \
        -DCMAKE_CROSSCOMPILING_EMULATOR="$build/wine-run" "${@:2}" >/dev/null
}
