#!/usr/bin/env bash
# A Bode plot in the plot window on a real X server: logarithmic axes, a legend of two
# named curves, and the readout under the plot while the pointer rests on the plot with
# Shift held (snapped to a point). The screenshot (ImageMagick's import) must show both
# curves, the legend's white box, and text in the readout line. Run under xvfb-run.
#   bode_plot_x11.sh VARNEXCALC [SCREENSHOT]   (SCREENSHOT: where to keep the picture)
set -euo pipefail
app=$1
keep=${2:-}
work=$(mktemp -d)
pid=""
cleanup() {
    local status=$?
    xdotool keyup shift 2>/dev/null || true
    if [ -n "$pid" ]; then
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
mkdir -p "$HOME"
printf '%s' "for(i=0;i<200;i+=1; f[i]=10^(i/40), g[i]=1/sqrt(1+(f[i]/100)^2), h[i]=1/sqrt(1+(f[i]/1000)^4)), \
plotxy(0;0;f[];g[]), plotxy(0;1;f[];h[]), plotlog(0;1;1), plotcurvename(0;0;'RC, 100 Hz'), \
plotcurvename(0;1;'2nd order, 1 kHz'), plotaxis(0;'f / Hz';'|H|'), plottitle(0;'Bode')" >"$work/bode.zma"

QT_QPA_PLATFORM=xcb "$app" --run "$work/bode.zma" &
pid=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Plots$' | head -1) ||
    fail "no plot window appeared"
sleep 1
eval "$(xdotool getwindowgeometry --shell "$window")" # X, Y, WIDTH, HEIGHT
# The pointer onto the falling part of the curves, a little right of the middle, with
# Shift held: the readout shows the nearest point.
xdotool mousemove $((X + WIDTH * 62 / 100)) $((Y + HEIGHT * 45 / 100))
sleep 0.3
xdotool keydown shift
xdotool mousemove_relative 1 1
sleep 0.5
import -window "$window" "$work/shot.png"
xdotool keyup shift
[ -z "$keep" ] || cp "$work/shot.png" "$keep"

import -window "$window" -depth 8 txt:- >"$work/pixels.txt"
count() { grep -c " #$1" "$work/pixels.txt" || true; }
blue=$(count 0000FF)
red=$(count FF0000)
echo "blue $blue, red $red pixels"
[ "$blue" -gt 300 ] || fail "curve 0 (blue) has only $blue pixels"
[ "$red" -gt 300 ] || fail "curve 1 (red) has only $red pixels"
# The readout: dark text pixels in the line under the plot (the last 30 rows, left half).
# ImageMagick's lines read "x,y: (r,g,b)  #RRGGBB ...".
dark=$(awk -F'[,:() ]+' -v h="$HEIGHT" -v w="$WIDTH" '
    /^#/ { next }
    $2 >= h - 30 && $1 < w / 2 && $4 < 90 && $5 < 90 && $6 < 90 { n++ }
    END { print n + 0 }' "$work/pixels.txt")
echo "readout: $dark dark pixels"
[ "$dark" -gt 40 ] || fail "the readout line shows no text"
echo "bode plot ok"
