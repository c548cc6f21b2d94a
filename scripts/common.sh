# SPDX-License-Identifier: MIT
# Shared by scripts/run, scripts/test and the other entry points: the Debian packages the
# project needs and the step that installs the missing ones.
# shellcheck shell=bash

QUORIN_PACKAGES=(cmake g++ make clang-format qt6-base-dev qt6-base-dev-tools libgl-dev
    libbenchmark-dev libyaml-cpp-dev libfmt-dev clang libclang-rt-14-dev xvfb xauth xdotool
    xclip x11-utils imagemagick python3 dpkg-dev file lintian appstream desktop-file-utils
    fonts-dejavu-core fonts-noto-core fonts-cantarell fonts-liberation2)

quorin_root() { cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd; }

# Installs whatever of the packages named is missing: through apt-get as root, otherwise prints
# the exact command to run and fails. Usage: quorin_install_missing PACKAGE...
quorin_install_missing() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages. Install them with:" >&2
        echo "  sudo apt-get install -y ${missing[*]}" >&2
        return 1
    fi
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq && apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Starts a private Xvfb, which picks a free display and writes its number once it accepts
# connections, and exports DISPLAY. Its process id is left in QUORIN_XVFB; quorin_stop_xvfb ends it.
quorin_start_xvfb() {
    local ready
    ready=$(mktemp)
    # Without -noreset the server resets when its last client leaves, and drops a client still
    # connecting meanwhile: a window search that ends as the program connects would fail it.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$ready" >/dev/null 2>&1 &
    QUORIN_XVFB=$!
    for _ in $(seq 100); do [ -s "$ready" ] && break; sleep 0.1; done
    if [ ! -s "$ready" ]; then
        rm -f "$ready"
        echo "Xvfb did not start" >&2
        return 1
    fi
    export DISPLAY=:$(head -1 "$ready")
    rm -f "$ready"
}

# Ends the Xvfb quorin_start_xvfb started, if it is running, and waits for it, so that its
# display is free again for the next one.
quorin_stop_xvfb() {
    [ -n "${QUORIN_XVFB:-}" ] && kill "$QUORIN_XVFB" 2>/dev/null && wait "$QUORIN_XVFB" 2>/dev/null
    QUORIN_XVFB=
}
