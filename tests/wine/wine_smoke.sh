#!/usr/bin/env bash
# Runs the Windows build of the game under Wine on a virtual X display and
# checks it against the Linux build:
#   - the Windows game opens its real window, reaches the frame loop and
#     exits 0;
#   - with the same seed and input script, both builds write the same four
#     save files, byte for byte, and show the same last picture.
#
# usage: wine_smoke.sh WINDOWS_EXE LINUX_DELVER
#
# Exits 77 (reported as skipped) when Wine or Xvfb cannot run the program on
# this machine, saying why. Environment:
#   DELVER_WINE_TIMEOUT     seconds the Windows run may take (default 600)
#   DELVER_WINEPREFIX       the Wine prefix to use (default: a private one
#                           under /tmp, made on first use and kept, since
#                           making one takes minutes)
#   DELVER_WINE_KEEP        1: keep the game folders even when all passed
set -uo pipefail

SKIP=77
say() { echo "wine_smoke: $*"; }
skip() { say "SKIPPED: $*"; exit "$SKIP"; }
fail() { say "FAILED: $*"; exit 1; }

[ $# -eq 2 ] || { echo "usage: $0 WINDOWS_EXE LINUX_DELVER" >&2; exit 2; }
exe=$(readlink -f "$1")
linux=$(readlink -f "$2")
[ -f "$exe" ] || fail "no Windows program at $1"
[ -x "$linux" ] || fail "no Linux program at $2"
run_timeout=${DELVER_WINE_TIMEOUT:-600}

# --- which Wine loader runs this program --------------------------------
# The PE header's machine field: 0x014c for 32-bit x86, 0x8664 for x86-64.
pe_offset=$(od -An -tu4 -j60 -N4 "$exe" | tr -d ' ')
machine=$(od -An -tx2 -j$((pe_offset + 4)) -N2 "$exe" | tr -d ' ')
case "$machine" in
    014c) arch=i386 ;;
    8664) arch=x86_64 ;;
    *) fail "$exe is not a 32-bit or 64-bit x86 Windows program (machine '$machine')" ;;
esac

command -v xvfb-run >/dev/null 2>&1 || skip "xvfb-run is not installed (tests/wine/install_wine.sh installs it)"
command -v Xvfb >/dev/null 2>&1 || skip "Xvfb is not installed (tests/wine/install_wine.sh installs it)"
if [ "$arch" = i386 ]; then
    loader=/usr/lib/wine/wine
    [ -x "$loader" ] || loader=$(command -v wine 2>/dev/null || true)
else
    loader=/usr/lib/wine/wine64
    [ -x "$loader" ] || loader=$(command -v wine64 2>/dev/null || true)
fi
[ -n "$loader" ] && [ -x "$loader" ] ||
    skip "no $arch Wine loader is installed (tests/wine/install_wine.sh installs wine32 and wine64)"
export WINELOADER=$loader
export WINEDEBUG=-all
# No Mono or Gecko installer may ask anything while the prefix is made.
export WINEDLLOVERRIDES="mscoree=;mshtml="
if ! version=$(timeout 120 "$loader" --version 2>&1); then
    if [ "$arch" = i386 ] && ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
        skip "this machine does not run 32-bit x86 programs, so 32-bit Wine cannot start" \
             "(tests/wine/install_wine.sh routes them through qemu-i386): $version"
    fi
    skip "the $arch Wine loader does not start: $version"
fi
say "$version ($arch) for $exe"

# --- the Wine prefix ----------------------------------------------------
# One prefix serves both builds: made by the 64-bit loader while the 32-bit
# one works too, it holds both halves of Windows (system32 and syswow64).
# A prefix made while 32-bit programs could not run lacks the 32-bit half,
# so the ready mark records which halves it has.
runs_32bit() { /lib/ld-linux.so.2 --version >/dev/null 2>&1; }
maker=/usr/lib/wine/wine64
[ -x "$maker" ] || maker=$loader
halves=64
if runs_32bit && [ -x /usr/lib/wine/wine ]; then halves=32+64; fi
[ "$maker" = "$loader" ] && [ "$arch" = i386 ] && halves=32
export WINEPREFIX=${DELVER_WINEPREFIX:-/tmp/delver-wineprefix-$(id -u)}
ready="$WINEPREFIX/.delver-ready"
mkdir -p "$(dirname "$WINEPREFIX")"
(
    # One maker at a time; a prefix left half made by a killed run, or one
    # without the half this program needs, is made again.
    if command -v flock >/dev/null 2>&1; then flock 9; fi
    have=$(cat "$ready" 2>/dev/null || true)
    case "$arch:$have" in
        i386:32 | i386:32+64 | x86_64:64 | x86_64:32+64) exit 0 ;;
    esac
    rm -rf "$WINEPREFIX"
    say "making the Wine prefix $WINEPREFIX (minutes, once)"
    start=$(date +%s)
    if ! WINELOADER=$maker timeout -k 10 1200 "$maker" wineboot -i >/dev/null 2>&1; then
        rm -rf "$WINEPREFIX"
        exit 1
    fi
    "$(dirname "$loader")/wineserver" -w 2>/dev/null || true
    echo "$halves" >"$ready"
    say "prefix made in $(($(date +%s) - start)) s"
) 9>"$WINEPREFIX.lock" || skip "Wine could not make its prefix $WINEPREFIX"

# --- two game folders, one input script --------------------------------
work=$(mktemp -d /tmp/delver-wine-smoke.XXXXXX)
mkdir -p "$work/windows/map" "$work/linux/map"
# The cursor is pinned, so that both builds show the same status line; F5
# saves into slot 1 on the first frame, Escape ends the game on the second.
cat >"$work/script.txt" <<'EOF'
0 mouse 160 120
0 tap F5
1 tap ESC
EOF
cp "$work/script.txt" "$work/windows/script.txt"
cp "$work/script.txt" "$work/linux/script.txt"
args=(--seed 7 --input script.txt --frames 5 --report --screenshot shot.bmp)

# --- the Windows build under Wine ----------------------------------------
say "running the Windows build under Wine (limit ${run_timeout} s)"
start=$(date +%s)
(cd "$work/windows" &&
    timeout -k 10 "$run_timeout" xvfb-run -a -s "-screen 0 1024x768x24" \
        "$loader" "$exe" "${args[@]}" >report.json 2>stderr.txt)
status=$?
"$(dirname "$loader")/wineserver" -k >/dev/null 2>&1 || true
say "Windows run: exit $status after $(($(date +%s) - start)) s"
say "Windows report: $(cat "$work/windows/report.json")"
if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
    tail -20 "$work/windows/stderr.txt"
    fail "the Windows run did not end within ${run_timeout} s (a message box waiting for OK?); folder kept: $work"
fi
if [ "$status" -ne 0 ]; then
    tail -20 "$work/windows/stderr.txt"
    fail "the Windows run exited $status; folder kept: $work"
fi
# Our window code prints every message box it shows on stderr as well.
if grep -E '^(ERROR|SHUTDOWN ERROR):' "$work/windows/stderr.txt"; then
    fail "the Windows run showed error messages; folder kept: $work"
fi

# --- the Linux build, headless ----------------------------------------
(cd "$work/linux" && timeout -k 10 300 "$linux" --headless "${args[@]}" >report.json 2>stderr.txt)
status=$?
say "Linux report:   $(cat "$work/linux/report.json")"
[ "$status" -eq 0 ] || { tail -20 "$work/linux/stderr.txt"; fail "the Linux run exited $status; folder kept: $work"; }

# --- compare ----------------------------------------------------------
problems=0
frames_of() { sed -n 's/.*"frames":\([0-9]*\).*/\1/p' "$1"; }
wframes=$(frames_of "$work/windows/report.json")
lframes=$(frames_of "$work/linux/report.json")
if [ -z "$wframes" ] || [ "$wframes" -lt 2 ]; then
    say "the Windows run did not report the two frames of the script (frames '${wframes}')"
    problems=1
elif [ "$wframes" != "$lframes" ]; then
    say "frame counts differ: Windows $wframes, Linux $lframes"
    problems=1
fi
for ext in mainmap flagmap unit variables; do
    f="map/SAVEGAME1.$ext"
    if [ ! -s "$work/windows/$f" ] || [ ! -s "$work/linux/$f" ]; then
        say "$f is missing or empty (Windows $(stat -c %s "$work/windows/$f" 2>/dev/null || echo none)," \
            "Linux $(stat -c %s "$work/linux/$f" 2>/dev/null || echo none) bytes)"
        problems=1
    elif cmp "$work/windows/$f" "$work/linux/$f"; then
        say "$f: identical ($(stat -c %s "$work/linux/$f") bytes)"
    else
        problems=1
    fi
done
# The picture was read back from the real window's OpenGL framebuffer: the
# same picture shows the window and its context worked. Drivers may round a
# colour differently by one step, which is allowed.
if [ ! -s "$work/windows/shot.bmp" ]; then
    say "the Windows run wrote no screenshot: no picture reached its window"
    problems=1
elif cmp -s "$work/windows/shot.bmp" "$work/linux/shot.bmp"; then
    say "last picture: identical ($(stat -c %s "$work/linux/shot.bmp") bytes)"
elif [ -x /usr/bin/python3 ]; then
    if /usr/bin/python3 - "$work/windows/shot.bmp" "$work/linux/shot.bmp" <<'EOF'
import sys
a, b = (open(p, "rb").read() for p in sys.argv[1:3])
if len(a) != len(b) or a[:54] != b[:54]:
    print("wine_smoke: the pictures differ in size or header")
    sys.exit(1)
worst = max(abs(x - y) for x, y in zip(a[54:], b[54:]))
print(f"wine_smoke: last picture: largest colour difference {worst}")
sys.exit(0 if worst <= 1 else 1)
EOF
    then :; else problems=1; fi
else
    say "the last pictures differ"
    problems=1
fi

if [ "$problems" -ne 0 ]; then
    fail "the Windows and Linux builds disagree; folders kept: $work"
fi
if [ "${DELVER_WINE_KEEP:-0}" = 1 ]; then say "folders kept: $work"; else rm -rf "$work"; fi
say "PASSED"
exit 0
