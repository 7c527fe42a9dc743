#!/bin/bash
# The GUI editor on a real X server: xdotool opens it from the File menu, draws one object of
# each type, sets a display's text in its dialog and saves; a script then loads the file
# with loadgui and waits until the drawn button is clicked.
#   gui_editor_on_x11.sh PROGRAM PROBE SCREENSHOT_PREFIX   (under xvfb-run, needs xdotool)
set -u
program=$1
probe=$2
shots=$3

dir=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
    rm -rf "$dir"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    [ -f "$dir/drawn.gui" ] && { echo "drawn.gui:" >&2; cat "$dir/drawn.gui" >&2; }
    exit 1
}
shot() { command -v import >/dev/null && import -window root "$shots-$1.png"; }
# Waits for a visible window whose name matches, and prints its id.
window() { timeout 20 xdotool search --sync --onlyvisible --name "$1" | head -n 1; }

export HOME=$dir XDG_CONFIG_HOME=$dir/config XDG_DATA_HOME=$dir/data QT_QPA_PLATFORM=xcb
gui=$dir/drawn.gui
# An empty file: the editor opens it as an empty panel without asking whether to create it.
: >"$gui"

# Where the editor's buttons and drawing area lie, from an editor window of this display.
declare -A at
while read -r name x y; do at[$name]="$x $y"; done < <("$probe" "$dir/probe.gui")
[ -n "${at[New_Label]:-}" ] && [ -n "${at[area]:-}" ] || fail "the probe found no buttons"
read -r ax ay <<<"${at[area]}"

"$program" &
pids+=($!)
main=$(window '^The Varnex Calculator$')
[ -n "$main" ] || fail "the main window did not show"
xdotool windowfocus --sync "$main"
sleep 0.5
xdotool key alt+f
sleep 0.3
xdotool key c
dialog=$(window '^Open / Create GUI File$')
[ -n "$dialog" ] || fail "the open dialog did not show"
sleep 0.3
xdotool type --delay 20 "$gui"
xdotool key Return
editor=$(window '^GUI Editor - ')
[ -n "$editor" ] || fail "the editor did not open"
xdotool windowfocus --sync "$editor"
sleep 0.3

# Clicks the button `name`, then places its object with its top left in cell (cx, cy).
place() {
    local name=$1 cx=$2 cy=$3 bx by
    read -r bx by <<<"${at[$name]}"
    xdotool mousemove --window "$editor" "$bx" "$by" click 1
    sleep 0.2
    xdotool mousemove --window "$editor" $((ax + cx * 7 + 3)) $((ay + cy * 7 + 3))
    sleep 0.2
    xdotool mousemove --window "$editor" $((ax + cx * 7 + 2)) $((ay + cy * 7 + 2)) click 1
    sleep 0.2
}
place New_Label 2 2
place New_Display 2 5
place New_Scrollbar 40 2
place New_Edit 2 12
place New_Button 2 17
place New_Checkbox 2 23

# The display's dialog: its text becomes 0.00.
xdotool mousemove --window "$editor" $((ax + 70)) $((ay + 50)) click 1
sleep 0.3
xdotool click --repeat 2 --delay 80 1
parms=$(window '^Display Parameters$')
[ -n "$parms" ] || fail "the display's dialog did not open"
# A click into the text field gives the dialog the keyboard (there is no window manager).
read -r tx ty <<<"${at[display_text]}"
xdotool mousemove --window "$parms" "$tx" "$ty" click 1
sleep 0.3
xdotool key ctrl+a
xdotool type "0.00"
xdotool key Return
sleep 0.5
# Hovering over the scroll bar shows its handles.
xdotool mousemove --window "$editor" $((ax + 40 * 7 + 10)) $((ay + 60))
sleep 0.3
shot editor
read -r sx sy <<<"${at[Save]}"
xdotool mousemove --window "$editor" "$sx" "$sy" click 1
sleep 0.5

[ -f "$gui" ] || fail "Save wrote no file"
types=$(cut -d, -f1 "$gui" | tr -d '\r' | tr '\n' ' ')
ids=$(cut -d, -f6 "$gui" | tr -d '\r' | tr '\n' ' ')
[ "$types" = "0 1 2 3 4 5 " ] || fail "the file holds the types $types"
[ "$ids" = "1 2 3 4 5 6 " ] || fail "the file holds the ids $ids"
grep -q '^1,2,5,22,10,2,0.00,0,20' "$gui" || fail "the display is not as drawn and set"
grep -q '^2,40,2,45,27,3,' "$gui" || fail "the scroll bar is not where it was placed"

# A script loads the drawn panel and waits until its button (id 5) is clicked.
cat > "$dir/run.zma" <<EOT
loadgui(0; '$gui'), setproperty(0;2;0;'12.34'), r = 0,
while(r == 0; if(waitguievent(0); r = haschanged(0;5); 0))
EOT
"$program" --run "$dir/run.zma" &
pids+=($!)
controls=$(window '^Varnex Calculator Controls$')
[ -n "$controls" ] || fail "the panel did not show"
sleep 0.5
shot runtime
xdotool mousemove --window "$controls" 50 $((17 * 7 + 12)) click 1
for _ in $(seq 50); do
    xdotool search --onlyvisible --name '^Varnex Calculator Controls$' >/dev/null || break
    sleep 0.1
done
xdotool search --onlyvisible --name '^Varnex Calculator Controls$' >/dev/null && fail "the button did not end the script"
echo "drawn: $(tr -d '\r' < "$gui" | tr '\n' '|')"
exit 0
