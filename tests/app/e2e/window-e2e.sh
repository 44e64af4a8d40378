#!/usr/bin/env bash
# The window end to end, as the timetabling host uses it: on a virtual X server, a host window
# of ours starts quelvane with a mode word and the window's id; xdotool plays the user.
#
# Usage: window-e2e.sh QUELVANE X11_HOST FILL_SOLUC DATA_FOLDER
#   X11_HOST    prints the id of a real top-level window; "destroy" on its stdin destroys it
#   FILL_SOLUC  writes SOLUC.DBF into a working folder, as the host does before delivery
# Exit 77 (skipped) only when there is no Xvfb at all.
set -uo pipefail

quelvane=$1
x11_host=$2
fill_soluc=$3
data=$4

if ! command -v Xvfb >/dev/null; then
    echo "SKIP: Xvfb is not installed"
    exit 77
fi
for tool in xdotool xwininfo; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (scripts/install-deps.sh installs it)"; exit 1; }
done

caption='Exportar e importar datos entre Vortimo y Pincel-eKade'
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    for log in "$work"/quelvane-*.log; do
        [[ -s $log ]] && sed "s|^|  $(basename "$log"): |" "$log"
    done
    exit 1
}

step() { echo "--- $*"; }

# ---- the X server
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    [[ -s $work/display ]] && break
    sleep 0.1
done
[[ -s $work/display ]] || { cat "$work/xvfb.log"; fail "Xvfb did not start"; }
export DISPLAY=":$(head -1 "$work/display")"
# The working folder, the report and the backups stay inside this test, whatever the machine's settings.
export QUELVANE_WORKDIR="$work/VTEMP" QUELVANE_INI_DIR="$work/ini" QUELVANE_BACKUP_DIR="$work/backups"
unset QT_QPA_PLATFORM QT_SCALE_FACTOR
mkdir -p "$work/VTEMP" "$work/ini" "$work/docs"
cp "$data/centro.xml" "$work/docs/centro.xml"

# ---- helpers
start_quelvane() { # name arguments...
    local name=$1
    shift
    "$quelvane" "$@" >"$work/quelvane-$name.log" 2>&1 &
    quelvane_pid=$!
    pids+=("$quelvane_pid")
}

# Waits until quelvane's window is a child of the host's window; sets $child.
wait_embedded() {
    local line=
    for _ in $(seq 150); do
        line=$(xwininfo -id "0x$host_id" -children 2>/dev/null | grep -F "\"$caption\"")
        [[ -n $line ]] && xwininfo -id "$(awk '{print $1}' <<<"$line")" 2>/dev/null | grep -q 'IsViewable' && break
        line=
        sleep 0.1
    done
    [[ -n $line ]] || fail "the window did not appear inside the host's window"
    child=$(awk '{print $1}' <<<"$line")
    [[ $line == *" 632x266+0+0 "* ]] || fail "the window is not at 0,0 with 632 x 266 inside the host's: $line"
}

# Prints the id of a viewable window whose name matches.
wait_window() { # pattern [seconds]
    local id
    id=$(timeout "${2:-30}" xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -1)
    [[ -n $id ]] || fail "no window named $1 appeared"
    echo "$id"
}

viewable() { xwininfo -id "$1" 2>/dev/null | grep -q 'IsViewable'; }

# Focuses the window and presses keys until it is gone (a key can be lost while the window is
# still being mapped).
press_until_gone() { # window keys...
    local id=$1
    shift
    for _ in 1 2 3 4 5; do
        timeout 5 xdotool windowfocus --sync "$id" 2>/dev/null
        xdotool key --clearmodifiers "$@"
        for _ in $(seq 20); do
            viewable "$id" || return 0
            sleep 0.1
        done
    done
    fail "window $id did not close"
}

confirm_message() {
    step "confirm the message box"
    press_until_gone "$(wait_window '^Quelvane$')" Return
}

choose_file() { # path
    step "choose $1 in the open dialog"
    local id
    id=$(wait_window '^Archivo XML$')
    timeout 5 xdotool windowfocus --sync "$id" 2>/dev/null
    xdotool key --clearmodifiers ctrl+a
    xdotool type --clearmodifiers --delay 2 "$1"
    press_until_gone "$id" Return
}

click() { # window x y
    xdotool mousemove --window "$1" "$2" "$3" click 1
}

# Both direction buttons sit at 96,120 (89 x 25) of their panel, which fills the window.
click_direction_button() { click "$child" 140 132; }

wait_exit() {
    for _ in $(seq 150); do
        if ! kill -0 "$quelvane_pid" 2>/dev/null; then
            wait "$quelvane_pid"
            local status=$?
            [[ $status -eq 0 ]] || fail "quelvane ended with status $status"
            return 0
        fi
        sleep 0.1
    done
    fail "quelvane did not end"
}

expect_report() { # code
    local report="$work/ini/Vortimo.ini"
    [[ -f $report ]] || fail "no Vortimo.ini was written"
    grep -qx "Transformado=$1"$'\r' "$report" || fail "Vortimo.ini should hold Transformado=$1: $(cat -A "$report")"
    rm -f "$report"
}

# ---- the host's window
step "open the host's window"
coproc HOST { exec "$x11_host"; }
pids+=("$HOST_PID")
read -r -t 20 host_id <&"${HOST[0]}" || fail "the test host did not open its window"
echo "host window 0x$host_id"

# ---- intake in host mode
step "exportar: intake of a centre document"
start_quelvane intake exportar "$host_id"
wait_embedded
click_direction_button
choose_file "$work/docs/centro.xml"
confirm_message
wait_exit
expect_report 1
[[ -f $work/VTEMP/ASIGNOMT.DBF && -f $work/VTEMP/PROFT.DBF ]] || fail "intake did not write the working tables"

# ---- a file that does not exist
step "EXPORTAR: a file that does not exist"
start_quelvane missing EXPORTAR "$host_id"
wait_embedded
click_direction_button
choose_file "$work/docs/no-existe.xml"
confirm_message
wait_exit
expect_report -1

# ---- delivery in host mode, on the tables of the intake above
step "importar: delivery from the solution the host left"
"$fill_soluc" "$work/VTEMP" >"$work/fill.log" 2>&1 || { cat "$work/fill.log"; fail "could not fill SOLUC"; }
start_quelvane delivery importar "$(tr 'A-F' 'a-f' <<<"$host_id")"
wait_embedded
click_direction_button
confirm_message # "Deberá Abrir el fichero XML de PINCEL-Ekade, ..."
choose_file "$work/docs/centro.xml"
confirm_message
wait_exit
expect_report 1
output="$work/docs/ResultadoVortimocentro.xml"
[[ -f $output ]] || fail "delivery wrote no $output"
grep -q '<actividad' "$output" || fail "the timetable document holds no actividad: $(head -c 600 "$output")"

# ---- a handle that names no window: a message, then the standalone window, no report
step "a handle that names no window"
start_quelvane no-window exportar 1FFFFF
confirm_message
standalone=$(wait_window "^$caption\$")
geometry=$(xwininfo -id "$standalone" | awk '/-geometry/{print $2}')
[[ $geometry == 632x266+194+167 ]] || fail "the standalone window should be 632x266 at 194,167, is $geometry"
click "$standalone" 300 212 # BClose, at 256,32 of the strip that starts at 0,168
wait_exit
[[ ! -e $work/ini/Vortimo.ini ]] || fail "a standalone window wrote a report"

# ---- the host's window goes away while the window is open
step "the host's window is destroyed"
start_quelvane host-gone exportar "$host_id"
wait_embedded
echo destroy >&"${HOST[1]}"
wait_exit
expect_report 0

echo "PASS"
