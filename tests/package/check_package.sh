#!/usr/bin/env bash
# Builds the Debian package of a build folder, unpacks it and checks what it holds: the
# programs, the desktop entry and file types, the icon and the manual page, its
# dependencies, and that the unpacked runner runs and talks to the unpacked instrument
# simulators, on a pseudo-terminal and on the simulated GPIB bus.
#   check_package.sh BUILD_DIR INSTALL_PREFIX
set -euo pipefail
build=$1
prefix=$2
work=$(mktemp -d)
sim_pid=""
trap '[ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null; rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    exit 1
fi
deb=$(ls "$work"/out/*.deb)
dpkg-deb -x "$deb" "$work/root"
root="$work/root$prefix"

for f in bin/varnexcalc bin/varnexcalc-cli share/applications/varnexcalc.desktop \
    share/mime/packages/varnexcalc-zma.xml share/icons/hicolor/scalable/apps/varnexcalc.svg \
    share/man/man1/varnexcalc-cli.1.gz share/doc/varnexcalc/varnexcalc.pdf \
    bin/varnex-instrument-sim share/varnexcalc/instruments/multimeter.instrument \
    share/varnexcalc/instruments/stepper.instrument; do
    [ -e "$root/$f" ] || fail "the package lacks $prefix/$f"
done
# Nothing outside the install prefix.
outside=$(cd "$work/root" && find . -type f | grep -v "^.$prefix/" || true)
[ -z "$outside" ] || fail "files outside $prefix: $outside"

depends=$(dpkg-deb -f "$deb" Depends)
echo "$depends" | grep -q "libqt6widgets6" || fail "Depends lacks Qt's widgets library: $depends"
echo "$depends" | grep -q "libc6" || fail "Depends lacks the C library: $depends"
echo "$depends" | grep -q "qt6-qpa-plugins" || fail "Depends lacks Qt's platform plugins: $depends"
# The runner's interactive session edits lines with libedit, where the build had it.
if objdump -p "$root/bin/varnexcalc-cli" | grep -q "NEEDED.*libedit"; then
    echo "$depends" | grep -q "libedit2" || fail "Depends lacks libedit, which the runner links: $depends"
    # Piped entries with -i: the session itself runs from the package.
    session=$(printf 'x=20\nx+1\n' | HOME="$work" "$root/bin/varnexcalc-cli" -i) || fail "the unpacked session failed"
    [ "$session" = "$(printf '20\n21')" ] || fail "the unpacked session printed '$session'"
fi

grep -q "^Exec=\"$prefix/bin/varnexcalc\" %f$" "$root/share/applications/varnexcalc.desktop" ||
    fail "the desktop entry does not start $prefix/bin/varnexcalc"
grep -q 'glob pattern="\*.gui"' "$root/share/mime/packages/varnexcalc-zma.xml" || fail "no file type for *.gui"
gzip -t "$root/share/man/man1/varnexcalc-cli.1.gz" || fail "the manual page is not gzip data"

result=$("$root/bin/varnexcalc-cli" -e "1+1") || fail "the unpacked runner failed"
[ "$result" = "2" ] || fail "the unpacked runner printed '$result' for 1+1"
"$root/bin/varnexcalc-cli" --plots "$work" --plot-format png -e "plot(0;0;x;x;0;1;4)" >/dev/null &&
    [ -s "$work/plot-0.png" ] || fail "the unpacked runner wrote no PNG plot"

# The installed example multimeter answers the installed runner over a pseudo-terminal.
"$root/bin/varnex-instrument-sim" --link "$work/dmm" "$root/share/varnexcalc/instruments/multimeter.instrument" \
    >"$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 50); do [ -e "$work/dmm" ] && break; sleep 0.1; done
idn=$(VARNEX_COM1="$work/dmm" timeout 20 "$root/bin/varnexcalc-cli" -e \
    "commopen(0;'baud=9600';2000), commlineterm(0;chr(13)+chr(10)), commwrite(0;'*IDN?'+chr(10)), commreadln(0)") ||
    fail "the unpacked runner could not query the unpacked simulator: $(cat "$work/sim.out")"
case "$idn" in *DMM-4050*) ;; *) fail "the simulated multimeter answered '$idn'" ;; esac

# The GPIB simulator lives in the program's own folder of libraries (lib/<triplet>/ on Debian).
gpibsim=$(cd "$root" && find lib* -path '*/varnexcalc/libvarnex-gpib-sim.so' | head -n 1)
if [ -z "$gpibsim" ]; then
    fail "the package lacks $prefix/lib.../varnexcalc/libvarnex-gpib-sim.so"
else
    idn=$(VARNEX_GPIB_LIBRARY="$root/$gpibsim" \
        VARNEX_GPIB_SIM="5:$root/share/varnexcalc/instruments/multimeter.instrument" \
        "$root/bin/varnexcalc-cli" -e "gpibprintln(5;'*IDN?'), gpibreadln(5)") || fail "the runner failed on the GPIB simulator"
    case "$idn" in VARNEX,DMM-4050,*) ;; *) fail "the simulated multimeter answered '$idn' to *IDN?" ;; esac
fi

[ "$failed" -eq 0 ] && echo "package ok: $(basename "$deb")"
exit "$failed"
