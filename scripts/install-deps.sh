#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing need, and any further packages named
# as arguments (the sanitizer, fuzzing and benchmark scripts name theirs), only those still missing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    libxml2-dev libxml2-utils
    libgtest-dev googletest
    qt6-base-dev libx11-dev
    xvfb xauth xdotool x11-utils
    "$@"
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
