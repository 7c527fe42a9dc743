#!/usr/bin/env bash
# The plot window on a real X server, end to end: the desktop calculator starts with
# --run on a script that plots two curves with a title and axis labels; the plot window's
# screenshot (ImageMagick's import, found with xdotool) must show it at its size, the
# curves in their colours, the grid and the frame. Run under xvfb-run.
#   plot_window_x11.sh VARNEXCALC [SCREENSHOT]   (SCREENSHOT: where to keep the picture)
set -euo pipefail
app=$1
keep=${2:-}
work=$(mktemp -d)
pid=""
# Ends the calculator (it was started here) and keeps the test's own exit status.
cleanup() {
    local status=$?
    if [ -n "$pid" ]; then
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

# The program's settings and file type registration go to the test's own folder.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
mkdir -p "$HOME"
printf '%s' "plot(0;0;x;sin(x);0;2*pi();200), plot(0;1;x;0.5*cos(2*x);0;2*pi();40), plotcurveparms(0;1;0;1;4), \
plottitle(0;'Waves'), plotaxis(0;'t / s';'U / V')" >"$work/waves.zma"

QT_QPA_PLATFORM=xcb "$app" --run "$work/waves.zma" &
pid=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Plots$' | head -1) ||
    fail "no plot window appeared"
# The first paint follows the window's mapping; give it a moment.
sleep 1
import -window "$window" "$work/shot.png"
[ -z "$keep" ] || cp "$work/shot.png" "$keep"

# ImageMagick's text form: one "x,y: (r,g,b)  #RRGGBB ..." line per pixel.
import -window "$window" -depth 8 txt:- >"$work/pixels.txt"
# 495 x 311 as made; the tool bar, with its picture button beside the four of the
# original window, may widen it a little.
read -r width height < <(head -1 "$work/pixels.txt" |
    sed -n 's/^# ImageMagick pixel enumeration: \([0-9]*\),\([0-9]*\),.*/\1 \2/p')
[ "${width:-0}" -ge 495 ] && [ "$width" -le 520 ] && [ "${height:-0}" -eq 311 ] ||
    fail "the plot window is ${width:-?}x${height:-?}, not 495x311"
count() { grep -c " #$1" "$work/pixels.txt" || true; }
blue=$(count 0000FF)
red=$(count FF0000)
silver=$(count C0C0C0)
black=$(count 000000)
echo "blue $blue, red $red, silver $silver, black $black pixels"
[ "$blue" -gt 400 ] || fail "curve 0 (a blue line) has only $blue pixels"
[ "$red" -gt 150 ] || fail "curve 1 (red dots) has only $red pixels"
[ "$silver" -gt 1000 ] || fail "the grid (silver) has only $silver pixels"
[ "$black" -gt 1000 ] || fail "frame, ticks and labels (black) have only $black pixels"
echo "plot window ok"
