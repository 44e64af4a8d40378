#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
werror=OFF
if [ "${CI:-}" = "true" ]; then werror=ON; fi
"$root/scripts/build.sh" -DQUELVANE_WERROR=$werror
cd "${QUELVANE_BUILD_DIR:-$root/build}"
ctest --output-on-failure --parallel "$(nproc)"
