#!/usr/bin/env bash
# Builds the whole test suite with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-asan/ and runs it; the first report of either ends the test that made it, and fails.
# Extra arguments go to cmake.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build_dir="${QUELVANE_ASAN_BUILD_DIR:-$root/build-asan}"
"$root/scripts/install-clang.sh"

# Test discovery runs the test programs while building, so the options hold from here on.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan-suppressions.txt"
sanitizers="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
# clang, as it compiles this code in about half the time gcc takes with the sanitizers on. A
# folder configured for another compiler is made anew, since CMake keeps its first choice.
if [ -f "$build_dir/CMakeCache.txt" ] && ! grep -q '^CMAKE_CXX_COMPILER:.*clang++' "$build_dir/CMakeCache.txt"; then
    rm -rf "$build_dir"
fi
# Warnings are the plain build's business (scripts/test.sh, -Werror in CI); this build is here
# for what runs.
CC=clang CXX=clang++ cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUELVANE_WERROR=OFF \
    -DCMAKE_CXX_FLAGS="-O1 $sanitizers" -DCMAKE_EXE_LINKER_FLAGS="$sanitizers" "$@" >/dev/null
cmake --build "$build_dir" --parallel
cd "$build_dir"
# The window's end-to-end test types into dialogs of a real X server on fixed time budgets; with
# the sanitizers' slowdown it races other tests for the two cores, so it runs alone, last.
e2e='^app\.window_end_to_end$'
ctest --output-on-failure --parallel "$(nproc)" -E "$e2e"
if ctest -N -R "$e2e" | grep -q 'Total Tests: 1'; then
    ctest --output-on-failure -R "$e2e"
fi
