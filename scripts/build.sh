#!/usr/bin/env bash
# Configures and builds into build/ (executables in build/bin). Extra arguments go to cmake.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build_dir="${QUELVANE_BUILD_DIR:-$root/build}"
cmake -S "$root" -B "$build_dir" -G Ninja "$@" >/dev/null
cmake --build "$build_dir" --parallel
