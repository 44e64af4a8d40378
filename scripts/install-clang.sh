#!/usr/bin/env bash
# Installs clang and its sanitizer and libFuzzer runtimes (Debian 12) besides what the build needs,
# only when missing; used by scripts/sanitize.sh and scripts/fuzz.sh.
set -euo pipefail
exec "$(dirname "$0")/install-deps.sh" clang libclang-rt-14-dev
