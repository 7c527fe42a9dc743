#!/bin/bash
# The desktop calculator on a real X server: a script loads a panel with a button, a scroll
# bar and a display and loops on waitguievent; xdotool drags the bar and clicks the button;
# the values the script wrote into a file and the display show what the user did.
#   panel_on_x11.sh PROGRAM [SCREENSHOT.png]   (run under xvfb-run, needs xdotool)
set -u
program=$1
screenshot=${2:-}

dir=$(mktemp -d)
pid=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    rm -rf "$dir"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    [ -f "$dir/values.txt" ] && { echo "values.txt:" >&2; cat "$dir/values.txt" >&2; }
    exit 1
}

# The program's settings and file association go into the test's folder.
export HOME=$dir XDG_CONFIG_HOME=$dir/config XDG_DATA_HOME=$dir/data QT_QPA_PLATFORM=xcb

# A horizontal scroll bar (id 2) at 14..294 x 14..42 pixels from 0 to 100 at 0, a display
# (id 3) below it and a button (id 1) "Done" below that.
printf '2,2,2,42,6,2,0,100,10,1,0,1\r\n1,2,8,30,14,3,none,0,20\r\n4,2,16,17,20,1,Done\r\n' > "$dir/p.gui"
cat > "$dir/panel.zma" <<EOF
out = '$dir/values.txt', filewrite(out; ''),
loadgui(0; '$dir/p.gui'),
go = 1,
while(go;
  if(waitguievent(0);
    if(haschanged(0;2);
      v = getproperty(0;2;0), setproperty(0;3;0;v), fileappend(out; string(v)+chr(10));
      0),
    if(haschanged(0;1); go = 0, fileappend(out; 'done'+chr(10)); 0);
    0)
)
EOF

"$program" --run "$dir/panel.zma" &
pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Varnex Calculator Controls$' | head -n 1)
[ -n "$window" ] || fail "the control window did not show"
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowraise "$window"
sleep 0.5

# Drag the bar's handle (at its left end) three quarters of the way to the right, in steps
# as a hand would.
xdotool mousemove --window "$window" 20 28 mousedown 1
for x in 60 120 180 240; do
    xdotool mousemove --window "$window" "$x" 28
    sleep 0.1
done
xdotool mouseup 1
sleep 0.5
last=$(tail -n 1 "$dir/values.txt" 2>/dev/null)
[ -n "$last" ] || fail "the drag reached no script"
[ "$last" -gt 50 ] && [ "$last" -lt 100 ] || fail "the bar stands at $last after the drag"
[ -n "$screenshot" ] && command -v import >/dev/null && import -window root "$screenshot"

xdotool mousemove --window "$window" 60 126 click 1
for _ in $(seq 50); do
    grep -q '^done$' "$dir/values.txt" && break
    sleep 0.1
done
grep -q '^done$' "$dir/values.txt" || fail "the button click reached no script"

# Every value the script read is a number of the bar, rising with the drag, and the run
# ended: the panel window is gone.
values=$(grep -v '^done$' "$dir/values.txt")
sorted=$(sort -n <<<"$values")
[ "$values" = "$sorted" ] || fail "the values do not rise with the drag"
sleep 0.5
xdotool search --onlyvisible --name '^Varnex Calculator Controls$' >/dev/null && fail "the control window stayed open"
echo "values: $(tr '\n' ' ' <<<"$values")"
exit 0
