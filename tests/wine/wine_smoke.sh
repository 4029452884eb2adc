#!/usr/bin/env bash
# Runs the Windows build of the game under Wine on a virtual X display and
# checks it against the Linux build:
#   - the Windows game opens its real window, reaches the frame loop and
#     exits 0;
#   - with the same seed and input script, both builds write the same four
#     save files, byte for byte, and show the same last picture;
#   - the Windows game records itself (--record), and the Linux build,
#     playing that recording headless, ends with the same report and the
#     same save files;
#   - a press of ] posted to the Windows game's window while it sleeps
#     through its save (key_press_poster.cpp, built here with mingw-w64)
#     acts once, on the next frame: the view distance goes from 6 to 7, as
#     the Linux build's script taps ] on that frame.
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

. "$(dirname "$0")/../support/say.sh" wine_smoke

[ $# -eq 2 ] || { echo "usage: $0 WINDOWS_EXE LINUX_DELVER" >&2; exit 2; }
exe=$(readlink -f "$1")
linux=$(readlink -f "$2")
[ -f "$exe" ] || fail "no Windows program at $1"
[ -x "$linux" ] || fail "no Linux program at $2"
run_timeout=${DELVER_WINE_TIMEOUT:-600}

# --- Wine, its loader for this program, and the prefix ---------------------
# The PE header's machine field: 0x014c for 32-bit x86, 0x8664 for x86-64.
pe_offset=$(od -An -tu4 -j60 -N4 "$exe" | tr -d ' ')
machine=$(od -An -tx2 -j$((pe_offset + 4)) -N2 "$exe" | tr -d ' ')
case "$machine" in
    014c) arch=i386 ;;
    8664) arch=x86_64 ;;
    *) fail "$exe is not a 32-bit or 64-bit x86 Windows program (machine '$machine')" ;;
esac
. "$(dirname "$0")/wine_env.sh"
wine_prepare "$arch"
say "$version ($arch) for $exe"

# --- two game folders, one input script --------------------------------
work=$(mktemp -d /tmp/delver-wine-smoke.XXXXXX)
mkdir -p "$work/windows/map" "$work/linux/map" "$work/replay/map"
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

# --- a short press while the Windows game sleeps -------------------------
# The save on frame 0 sleeps for seconds between its parts. While its lock
# file is there, the poster posts a key-down and a key-up of ] (221, view
# distance +) to the window: both wait in the queue until frame 0 ends, and
# frame 1 must see that one press, once, as the Linux script says.
poster=""
case "$arch" in i386) cross=i686 ;; *) cross=x86_64 ;; esac
for c in "$cross-w64-mingw32-g++-win32" "$cross-w64-mingw32-g++"; do
    command -v "$c" >/dev/null 2>&1 || continue
    if "$c" -std=c++20 -O1 -Wall -Wextra -Werror "$(dirname "$0")/key_press_poster.cpp" \
            -o "$work/key_press_poster.exe" -static -static-libgcc -static-libstdc++; then
        poster="$work/key_press_poster.exe"
    else
        fail "key_press_poster.cpp did not compile; folder kept: $work"
    fi
    break
done
if [ -n "$poster" ]; then
    echo "1 tap RBRACKET" >>"$work/linux/script.txt"
else
    say "no $cross mingw-w64 C++ compiler: the press during a pause is left out"
fi

# --- the Windows build under Wine ----------------------------------------
say "running the Windows build under Wine (limit ${run_timeout} s)"
start=$(date +%s)
# The poster runs beside the game on the same display and Wine server; the
# game starts once the poster is watching, and the poster is ended with the
# game if it is still waiting then.
(cd "$work/windows" &&
    timeout -k 10 "$run_timeout" xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
        loader=$1 poster=$2; shift 2
        if [ -n "$poster" ]; then
            "$loader" "$poster" "map\SAVEGAME1.lock" 221 >poster.txt 2>&1 &
            for _ in $(seq 1200); do grep -q waiting poster.txt 2>/dev/null && break; sleep 0.1; done
        fi
        "$loader" "$@"; status=$?
        [ -z "$poster" ] || { kill $! 2>/dev/null; wait; }
        exit $status' run-windows "$loader" "$poster" "$exe" "${args[@]}" --record rec.txt \
        >report.json 2>stderr.txt)
status=$?
say "Windows run: exit $status after $(($(date +%s) - start)) s"
say "Windows report: $(cat "$work/windows/report.json")"
if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
    tail -20 "$work/windows/stderr.txt"
    wine_fail_or_skip "the Windows run did not end within ${run_timeout} s (a message box waiting for OK?); folder kept: $work"
fi
if [ "$status" -ne 0 ]; then
    tail -20 "$work/windows/stderr.txt"
    wine_fail_or_skip "the Windows run exited $status; folder kept: $work"
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

# --- the Windows recording, played by the Linux build ------------------
cp "$work/windows/rec.txt" "$work/replay/rec.txt" 2>/dev/null
(cd "$work/replay" && timeout -k 10 300 "$linux" --headless --seed 7 --input rec.txt --report \
    >report.json 2>stderr.txt)
status=$?
say "Windows recording: $(grep -vc '^#' "$work/replay/rec.txt" 2>/dev/null) events"
say "its Linux replay: $(cat "$work/replay/report.json")"
[ "$status" -eq 0 ] || { tail -20 "$work/replay/stderr.txt"; fail "the replay of the Windows recording exited $status; folder kept: $work"; }

# --- compare ----------------------------------------------------------
problems=0
# The Windows C library ends its lines with CR LF.
if [ "$(tr -d '\r' <"$work/windows/report.json")" != "$(cat "$work/replay/report.json")" ]; then
    say "the Windows game and the Linux replay of its recording end differently"
    problems=1
fi
for ext in mainmap flagmap unit variables; do
    f="map/SAVEGAME1.$ext"
    cmp -s "$work/windows/$f" "$work/replay/$f" || { say "$f: the replay of the recording differs"; problems=1; }
done
frames_of() { sed -n 's/.*"frames":\([0-9]*\).*/\1/p' "$1"; }
if [ -n "$poster" ]; then
    say "poster: $(tr -d '\r' <"$work/windows/poster.txt" 2>/dev/null | paste -sd ";")"
    view=$(sed -n 's/.*"view_distance":\([0-9]*\).*/\1/p' "$work/windows/report.json")
    if [ "$view" != 7 ]; then
        say "the press of ] made while the game slept did not act once on the next frame" \
            "(view distance '$view', not 7)"
        problems=1
    fi
fi
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
