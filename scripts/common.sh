# Shared by scripts/run, scripts/test and the other entry points: the Debian packages the
# project needs and the step that installs the missing ones.
# shellcheck shell=bash

QUORIN_PACKAGES=(cmake g++ make qt6-base-dev qt6-base-dev-tools libgl-dev libbenchmark-dev
    libyaml-cpp-dev libfmt-dev
    clang libclang-rt-14-dev xvfb xauth xdotool x11-utils imagemagick python3 dpkg-dev file)

quorin_root() { cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd; }

# Installs whatever of QUORIN_PACKAGES is missing: through apt-get as root, otherwise prints
# the exact command to run and fails.
quorin_install_missing() {
    local missing=()
    for p in "${QUORIN_PACKAGES[@]}"; do
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
