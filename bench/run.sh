#!/usr/bin/env bash
# The benchmark: intake and delivery through quelvane-cli on synthetic centres of 1, 10 and 50
# times a large school, against the floors they cannot beat on the same files:
#   intake floor    xmllint --noout CENTRO.xml                 (libxml2 parses the document into a tree)
#   delivery floor  that parse, a plain read of SOLUC.DBF and a plain write of the output's bytes
# Times are medians of ROUNDS x RUNS runs (hyperfine, one warm-up per command and round); the
# targets and their floors are timed in the same hyperfine call and the rounds alternate their
# order, so that load from elsewhere on the machine falls on both. Peak memory is the "Maximum
# resident set size" of /usr/bin/time -v (median of three runs).
# Before timing, the tables, SOLUC and the timetable document of every scale are compared with
# bench/expected.sha256 (dates masked), so that a faster path is also the same path.
#
#   bench/run.sh                 figures on screen and in bench/results.md
#   bench/run.sh --check         only compares the outputs with bench/expected.sha256
#   bench/run.sh --write-hashes  only rewrites bench/expected.sha256 (when outputs change on purpose)
#
# Environment: QUELVANE_BENCH_BUILD_DIR (default build-bench, configured as Release when new),
# QUELVANE_BENCH_SCALES (default "1 10 50"), QUELVANE_BENCH_ROUNDS (5), QUELVANE_BENCH_RUNS (2).
set -euo pipefail
export LC_ALL=C.UTF-8

root="$(cd "$(dirname "$0")/.." && pwd)"
build_dir="${QUELVANE_BENCH_BUILD_DIR:-$root/build-bench}"
scales="${QUELVANE_BENCH_SCALES:-1 10 50}"
rounds="${QUELVANE_BENCH_ROUNDS:-5}"
runs="${QUELVANE_BENCH_RUNS:-2}"
seed=42
expected="$root/bench/expected.sha256"
results="$root/bench/results.md"
write_hashes=0
check_only=0
case "${1:-}" in
--write-hashes) write_hashes=1 ;;
--check) check_only=1 ;;
"") ;;
*)
    echo "Uso: bench/run.sh [--check | --write-hashes]" >&2
    exit 2
    ;;
esac

# --- tools ---------------------------------------------------------------------------------------
"$root/scripts/install-deps.sh" hyperfine time jq

if [ ! -f "$build_dir/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release
fi
build_type="$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build_dir/CMakeCache.txt")"
[ "$build_type" = "Release" ] || echo "Aviso: $build_dir está configurada como '$build_type', no Release." >&2
cmake --build "$build_dir" --target quelvane-cli quelvane-test-host quelvane-bench-generate
bin="$build_dir/bin"

work="$(mktemp -d "${TMPDIR:-/tmp}/quelvane-bench-XXXXXX")"
trap 'rm -rf "$work"' EXIT
# Intake's backups of the replaced tables go with the rest, not into the user's own folder.
export QUELVANE_BACKUP_DIR="$work/backups"

# --- inputs and the outputs check ----------------------------------------------------------------
zeros() { printf '\0\0\0'; }
# DBF: bytes 1-3 are the date of the last update. MDX: bytes 1-3 and 44-46 are dates.
masked_hash() {
    local file="$1"
    case "$file" in
    *.DBF) { head -c 1 "$file"; zeros; tail -c +5 "$file"; } | sha256sum | cut -d' ' -f1 ;;
    *.MDX) { head -c 1 "$file"; zeros; tail -c +5 "$file" | head -c 40; zeros; tail -c +48 "$file"; } |
        sha256sum | cut -d' ' -f1 ;;
    *.xml) sed -E 's/FechaExportacion="[^"]*"/FechaExportacion=""/' "$file" | sha256sum | cut -d' ' -f1 ;;
    esac
}

hashes="$work/hashes"
: >"$hashes"
for s in $scales; do
    dir="$work/s$s"
    mkdir -p "$dir/vtemp"
    "$bin/quelvane-bench-generate" "$s" "$seed" "$dir/centro.xml"
    "$bin/quelvane-cli" intake "$dir/centro.xml" --workdir "$dir/vtemp" >/dev/null
    "$bin/quelvane-test-host" "$dir/vtemp" --tasks-per-teacher 2 --rooms-tried 4 >"$dir/host.txt"
    "$bin/quelvane-cli" deliver "$dir/centro.xml" --workdir "$dir/vtemp" >/dev/null
    for f in "$dir/centro.xml" "$dir"/vtemp/*.DBF "$dir"/vtemp/*.MDX "$dir/ResultadoVortimocentro.xml"; do
        echo "$(masked_hash "$f")  S=$s/${f#"$dir/"}" >>"$hashes"
    done
done
if [ "$write_hashes" = 1 ]; then
    cp "$hashes" "$expected"
    echo "Escrito $expected"
    exit 0
elif ! diff -u <(grep -E "  S=($(echo $scales | tr ' ' '|'))/" "$expected") "$hashes"; then
    echo "Las tablas o el documento de horario difieren de bench/expected.sha256 (fechas aparte)." >&2
    exit 1
else
    echo "Salidas idénticas a bench/expected.sha256 (fechas aparte)."
fi
if [ "$check_only" = 1 ]; then exit 0; fi

# --- timing --------------------------------------------------------------------------------------
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

peak_kb() { # median of three runs of "Maximum resident set size"
    for _ in 1 2 3; do
        /usr/bin/time -v sh -c "$1" 2>&1 >/dev/null | sed -n 's/.*Maximum resident set size (kbytes): //p'
    done | median
}

declare -A t c m
load_before="$(cut -d' ' -f1-3 /proc/loadavg)"
for s in $scales; do
    dir="$work/s$s"
    doc="$dir/centro.xml"
    out="$dir/ResultadoVortimocentro.xml"
    declare -A cmd=(
        [intake]="'$bin/quelvane-cli' intake '$doc' --workdir '$dir/vtemp'"
        [intake_floor]="xmllint --noout '$doc'"
        [deliver]="'$bin/quelvane-cli' deliver '$doc' --workdir '$dir/vtemp'"
        [deliver_floor]="xmllint --noout '$doc' && cat '$dir/vtemp/SOLUC.DBF' >/dev/null && cp '$out' '$dir/copy.xml'"
    )
    : >"$dir/times"
    : >"$dir/cpu"
    for ((r = 1; r <= rounds; r++)); do
        if ((r % 2)); then order=(intake intake_floor deliver deliver_floor); else order=(deliver_floor deliver intake_floor intake); fi
        args=()
        for name in "${order[@]}"; do args+=(-n "$name" "${cmd[$name]}"); done
        echo "S=$s, ronda $r de $rounds"
        hyperfine --style none --warmup 1 --runs "$runs" --export-json "$dir/round$r.json" "${args[@]}"
        jq -r '.results[] | .command as $c | .times[] | "\($c) \(.)"' "$dir/round$r.json" >>"$dir/times"
        jq -r '.results[] | "\(.command) \(.user + .system)"' "$dir/round$r.json" >>"$dir/cpu"
    done
    for name in intake intake_floor deliver deliver_floor; do
        t[$s,$name]="$(awk -v c="$name" '$1 == c { print $2 }' "$dir/times" | median)"
        c[$s,$name]="$(awk -v c="$name" '$1 == c { print $2 }' "$dir/cpu" | median)"
        m[$s,$name]="$(peak_kb "${cmd[$name]}")"
    done
    m[$s,soluc_rows]="$(sed -n 's/.*: \([0-9]*\) sesiones de clase (\([0-9]*\) sin colocar) y \([0-9]*\) tareas.*/\1 lessons (\2 not placed), \3 tasks/p' "$dir/host.txt")"
    m[$s,doc_bytes]="$(stat -c %s "$doc")"
    m[$s,out_bytes]="$(stat -c %s "$out")"
    m[$s,actividades]="$(grep -o '<actividad ' "$out" | wc -l)"
done
load_after="$(cut -d' ' -f1-3 /proc/loadavg)"

# --- report --------------------------------------------------------------------------------------
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
ms() { awk -v a="$1" 'BEGIN { printf "%.0f", a * 1000 }'; }
mb() { awk -v a="$1" 'BEGIN { printf "%.1f", a / 1024 }'; }
verdict() { awk -v v="$1" -v limit="$2" 'BEGIN { print (v <= limit ? "met" : "NOT met") }'; }

{
    echo "# Benchmark results"
    echo
    echo "Produced by \`bench/run.sh\` on $(date -u '+%Y-%m-%d %H:%M UTC'): $(nproc) cores, load average $load_before"
    echo "before the timings and $load_after after; $(hyperfine --version), $(xmllint --version 2>&1 | head -1)."
    echo "Wall times are medians of $rounds rounds x $runs runs (a warm-up per command and round; rounds alternate"
    echo "the order of targets and floors), in milliseconds. CPU is user + system time, median of the rounds' means:"
    echo "it moves less than wall time when other work shares the machine. Memory is the peak resident set (MB)."
    echo
    echo "| S | centre document | SOLUC rows | actividades |"
    echo "|---|---|---|---|"
    for s in $scales; do
        echo "| $s | $(mb "$((${m[$s,doc_bytes]} / 1024))") MB | ${m[$s,soluc_rows]} | ${m[$s,actividades]} |"
    done
    echo
    echo "| S | intake | floor | ratio | CPU ratio | delivery | floor | ratio | CPU ratio |"
    echo "|---|---|---|---|---|---|---|---|---|"
    for s in $scales; do
        echo "| $s | $(ms "${t[$s,intake]}") | $(ms "${t[$s,intake_floor]}") | $(ratio "${t[$s,intake]}" "${t[$s,intake_floor]}")" \
            "| $(ratio "${c[$s,intake]}" "${c[$s,intake_floor]}") | $(ms "${t[$s,deliver]}") | $(ms "${t[$s,deliver_floor]}")" \
            "| $(ratio "${t[$s,deliver]}" "${t[$s,deliver_floor]}") | $(ratio "${c[$s,deliver]}" "${c[$s,deliver_floor]}") |"
    done
    echo
    echo "| S | intake peak | parse peak | ratio | delivery peak |"
    echo "|---|---|---|---|---|"
    for s in $scales; do
        echo "| $s | $(mb "${m[$s,intake]}") | $(mb "${m[$s,intake_floor]}") | $(ratio "${m[$s,intake]}" "${m[$s,intake_floor]}")" \
            "| $(mb "${m[$s,deliver]}") |"
    done
    if [[ " $scales " == *" 10 "* && " $scales " == *" 50 "* ]]; then
        echo
        echo "| target | figure | limit | |"
        echo "|---|---|---|---|"
        for s in 10 50; do
            v="$(ratio "${t[$s,intake]}" "${t[$s,intake_floor]}")"
            echo "| intake / floor, S=$s | $v | 2.0 | $(verdict "$v" 2.0) |"
        done
        for s in $scales; do
            v="$(ratio "${t[$s,deliver]}" "${t[$s,deliver_floor]}")"
            echo "| delivery / floor, S=$s | $v | 2.0 | $(verdict "$v" 2.0) |"
        done
        for name in intake deliver; do
            v="$(ratio "${t[50,$name]}" "${t[10,$name]}")"
            echo "| $name time, S=50 / S=10 | $v | 5.5 | $(verdict "$v" 5.5) |"
        done
        for name in intake_floor deliver_floor; do
            echo "| ${name/_/ } time, S=50 / S=10 (for comparison) | $(ratio "${t[50,$name]}" "${t[10,$name]}") | | |"
        done
        for s in $scales; do
            v="$(ratio "${m[$s,intake]}" "${m[$s,intake_floor]}")"
            echo "| intake peak / parse peak, S=$s | $v | 2.0 | $(verdict "$v" 2.0) |"
        done
    fi
} >"$work/results.md"

cp "$work/results.md" "$results"
cat "$results"
