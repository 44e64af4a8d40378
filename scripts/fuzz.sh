#!/usr/bin/env bash
# Builds the fuzzing harnesses (fuzz/) with clang's libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer into build-fuzz/, and runs each for SECONDS seconds (default 60) on
# a copy of its seeds, so that the seeds in the repository never change. Inputs that crash, leak
# or time out are kept in build-fuzz/findings/<harness>/; replay one with
#   build-fuzz/bin/quelvane_fuzz_<harness> build-fuzz/findings/<harness>/crash-...
# Usage: scripts/fuzz.sh [SECONDS] [HARNESS...]   (harnesses: intake dbase ini delivery)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
shift || true
harnesses=("$@")
if ((${#harnesses[@]} == 0)); then harnesses=(intake dbase ini delivery); fi
build_dir="${QUELVANE_FUZZ_BUILD_DIR:-$root/build-fuzz}"

"$root/scripts/install-clang.sh"

sanitizers="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
CC=clang CXX=clang++ cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUELVANE_FUZZ=ON -DQUELVANE_BUILD_TESTS=OFF -DQUELVANE_BUILD_APP=OFF \
    -DCMAKE_CXX_FLAGS="$sanitizers" >/dev/null
targets=()
for h in "${harnesses[@]}"; do targets+=("quelvane_fuzz_$h"); done
cmake --build "$build_dir" --parallel --target "${targets[@]}"

# The harnesses write their working folders under TMPDIR: memory is faster than disk, and the
# engine's fsync calls cost nothing there.
scratch_parent="${TMPDIR:-/tmp}"
if [ -d /dev/shm ] && [ -w /dev/shm ]; then scratch_parent=/dev/shm; fi
scratch="$(mktemp -d "$scratch_parent/quelvane-fuzz-XXXXXX")"
trap 'rm -rf "$scratch"' EXIT

shopt -s nullglob
failed=()
for h in "${harnesses[@]}"; do
    corpus="$scratch/$h/corpus"
    findings="$build_dir/findings/$h"
    mkdir -p "$corpus" "$findings" "$scratch/$h/tmp"
    n=0
    while read -r pattern; do
        [[ -z "$pattern" || "$pattern" == \#* ]] && continue
        for seed in "$root"/$pattern; do
            n=$((n + 1))
            cp "$seed" "$corpus/seed-$n-$(basename "$seed")"
        done
    done <"$root/fuzz/$h.seeds"
    options=(-max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 -print_final_stats=1
        -artifact_prefix="$findings/")
    case "$h" in intake | delivery) options+=(-dict="$root/fuzz/centro.dict") ;; esac
    echo "== $h: $seconds s from $n seeds"
    log="$build_dir/findings/$h.log"
    if TMPDIR="$scratch/$h/tmp" UBSAN_OPTIONS=print_stacktrace=1 \
        "$build_dir/bin/quelvane_fuzz_$h" "${options[@]}" "$corpus" >"$log" 2>&1; then
        grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|Done)' "$log" || true
        tail -n 1 "$log" | grep -v '^stat::' || true
    else
        tail -n 60 "$log"
        echo "== $h FAILED: see $log and $findings"
        failed+=("$h")
    fi
done

if ((${#failed[@]})); then
    echo "Fuzzing found faults in: ${failed[*]}"
    exit 1
fi
echo "Fuzzing: no crash, leak, timeout or sanitizer report in ${harnesses[*]} ($seconds s each)."
