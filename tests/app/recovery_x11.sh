#!/usr/bin/env bash
# Recovery after a crash, end to end on a real X server: a script typed into the desktop
# calculator, a run started (which snapshots the document), the process killed with
# SIGKILL; the next start offers the snapshot, and "Recover" (the default button) gives the
# text back byte for byte. Run under xvfb-run.
#   recovery_x11.sh VARNEXCALC
set -euo pipefail
app=$1
work=$(mktemp -d)
pid=""
cleanup() {
    local status=$?
    if [ -n "$pid" ]; then
        kill -9 "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share \
    XDG_STATE_HOME=$work/state
mkdir -p "$HOME"
state=$work/state/varnexcalc
script='volts = 3.3, amps = volts / 47'

# Waits for a snapshot other than $1 and prints its path.
wait_for_snapshot() {
    for _ in $(seq 100); do
        for f in "$state"/session-*.zma; do
            if [ -f "$f" ] && [ "$f" != "$1" ]; then
                echo "$f"
                return 0
            fi
        done
        sleep 0.1
    done
    return 1
}

QT_QPA_PLATFORM=xcb "$app" &
pid=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --name 'Varnex' | head -1) || fail "no main window"
sleep 1
# Into the editor of "Calculator 1" (below the tabs).
xdotool mousemove --window "$window" 300 130 click 1
sleep 0.3
xdotool type --delay 20 "$script"
xdotool key F2
first=$(wait_for_snapshot none) || fail "no snapshot after the run started"
grep -qF "$script" "$first" || fail "the snapshot lacks the typed text: $(cat "$first")"
cp "$first" "$work/before.zma"
kill -9 "$pid"
wait "$pid" 2>/dev/null || true
pid=""
[ -f "$first" ] || fail "the snapshot went with the killed process"

QT_QPA_PLATFORM=xcb "$app" &
pid=$!
timeout 30 xdotool search --sync --onlyvisible --name 'Varnex' >/dev/null || fail "no main window at the next start"
sleep 2
xdotool key Return # "Recover"
# The recovered document is the new calculator's own unsaved work: it snapshots it at once
# and the old snapshot goes.
second=$(wait_for_snapshot "$first") || fail "nothing recovered"
sleep 0.5
cmp "$work/before.zma" "$second" || fail "the recovered text differs"
[ ! -f "$first" ] || fail "the old snapshot stayed"
echo "recovered byte for byte: $(cat "$second")"
