#!/usr/bin/env bash
# Builds the Debian package of a build folder, unpacks it and checks what it holds: the
# programs, the desktop entry and file types, the icon, the manual pages, the copyright
# file and changelog, the AppStream metadata and the bash completion, its dependencies,
# and that the unpacked runner runs and talks to the unpacked instrument simulators, on a
# pseudo-terminal and on the simulated GPIB bus. Where lintian, appstreamcli and
# desktop-file-validate are installed, each must accept the package without an error or
# a warning.
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
    share/varnexcalc/instruments/stepper.instrument share/doc/varnexcalc/copyright \
    share/doc/varnexcalc/changelog.Debian.gz share/metainfo/org.example.varnexcalc.metainfo.xml \
    share/bash-completion/completions/varnexcalc-cli; do
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
# A manual page for every program, and the metadata names every program.
metainfo="$root/share/metainfo/org.example.varnexcalc.metainfo.xml"
for program in "$root"/bin/*; do
    name=$(basename "$program")
    gzip -t "$root/share/man/man1/$name.1.gz" 2>/dev/null || fail "no manual page (gzip data) for $name"
    grep -q "<binary>$name</binary>" "$metainfo" || fail "the AppStream metadata does not name $name"
done
for name in $(sed -n 's|.*<binary>\(.*\)</binary>.*|\1|p' "$metainfo"); do
    [ -x "$root/bin/$name" ] || fail "the AppStream metadata names $name, which the package lacks"
done
mime=$(sed -n 's/^MimeType=//p' "$root/share/applications/varnexcalc.desktop")
for type in ${mime//;/ }; do
    grep -q "<mediatype>$type</mediatype>" "$metainfo" || fail "the AppStream metadata lacks the file type $type"
done
head -n 1 "$root/share/doc/varnexcalc/copyright" |
    grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "the copyright file is not in the machine-readable format"
version=$(dpkg-deb -f "$deb" Version)
zcat "$root/share/doc/varnexcalc/changelog.Debian.gz" | head -n 1 | grep -q "^varnexcalc ($version) " ||
    fail "the changelog's first entry is not version $version"

if command -v desktop-file-validate >/dev/null; then
    out=$(desktop-file-validate "$root/share/applications/varnexcalc.desktop" 2>&1) && [ -z "$out" ] ||
        fail "desktop-file-validate: $out"
fi
if command -v appstreamcli >/dev/null; then
    out=$(appstreamcli validate --no-net "$metainfo" 2>&1) && ! grep -q '^[EW]:' <<<"$out" ||
        fail "appstreamcli validate: $out"
fi
if command -v lintian >/dev/null; then
    # Debian's rules assume the prefix /usr; a build for another prefix (/usr/local, as
    # tests build) is packaged again for /usr to be checked. Its libraries then land in
    # /usr/lib rather than /usr/lib/<triplet>, for which CPack adds ldconfig calls that
    # the real package does not have: that tag is left out for such a package only.
    lintdeb=$deb
    suppress=""
    if [ "$prefix" != /usr ]; then
        cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/usr" -D CPACK_PACKAGING_INSTALL_PREFIX=/usr \
            >"$work/cpack-usr.log" 2>&1 || { cat "$work/cpack-usr.log"; exit 1; }
        lintdeb=$(ls "$work"/usr/*.deb)
        suppress="--suppress-tags maintscript-calls-ldconfig"
    fi
    # shellcheck disable=SC2086
    if ! out=$(lintian --fail-on error,warning $suppress "$lintdeb" 2>&1 | { grep -v 'running with root privileges' || true; }) ||
        grep -q '^[EW]:' <<<"$out"; then
        fail "lintian: $out"
    fi
fi

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
