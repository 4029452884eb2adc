#!/usr/bin/env bash
# Plays the windowed (SDL) game on a virtual X server with real key and
# mouse events (XTEST, through xdotool) while it records itself, then plays
# the recording headless in a fresh folder. Both games must end alike: the
# same run report and the same save slot, byte for byte.
#
# usage: record_window.sh DELVER
#
# Exits 77 (reported as skipped) when Xvfb or xdotool is missing.
# DELVER_RECORD_KEEP=1 keeps the folders even when all passed.
set -uo pipefail

SKIP=77
say() { echo "record_window: $*"; }
skip() { say "SKIPPED: $*"; exit "$SKIP"; }
fail() { say "FAILED: $*"; [ -n "${work:-}" ] && say "folders kept: $work"; exit 1; }

if [ "${1:-}" != --inside ]; then
    [ $# -eq 1 ] || { echo "usage: $0 DELVER" >&2; exit 2; }
    for tool in xvfb-run Xvfb xdotool; do
        command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed (scripts/install_deps.sh installs it)"
    done
    delver=$(readlink -f "$1")
    [ -x "$delver" ] || fail "no game at $1"
    work=$(mktemp -d /tmp/delver-record-window.XXXXXX)
    mkdir -p "$work/window/map" "$work/replay/map"
    timeout -k 10 300 xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" bash "$0" --inside "$delver" "$work"
    status=$?
    [ "$status" -eq 0 ] || fail "the windowed game's part ended with status $status"

    # --- the recording, played headless -----------------------------------
    cp "$work/window/rec.txt" "$work/replay/rec.txt"
    seed=$(sed -n 's/^# seed \([0-9]*\)$/\1/p' "$work/replay/rec.txt")
    [ -n "$seed" ] || fail "the recording names no seed"
    (cd "$work/replay" && timeout -k 10 300 "$delver" --headless --seed "$seed" --input rec.txt --report \
        >report.txt 2>stderr.txt) || { cat "$work/replay/stderr.txt"; fail "the replay failed"; }
    say "window report: $(cat "$work/window/report.txt")"
    say "replay report: $(cat "$work/replay/report.txt")"
    say "recording: $(grep -vc '^#' "$work/window/rec.txt") events"

    problems=0
    cmp -s "$work/window/report.txt" "$work/replay/report.txt" || { say "the reports differ"; problems=1; }
    for ext in mainmap flagmap unit variables; do
        f="map/SAVEGAME1.$ext"
        if [ ! -s "$work/window/$f" ]; then
            say "the windowed game wrote no $f"
            problems=1
        elif cmp "$work/window/$f" "$work/replay/$f"; then
            say "$f: identical ($(stat -c %s "$work/window/$f") bytes)"
        else
            problems=1
        fi
    done
    # The real input reached the game: every part of the play shows.
    report=$(cat "$work/window/report.txt")
    for want in '"mouse_look":1' '"auto_walk":0' '"view_distance":7' '"cycle_step":5' '"console_open":0' \
                '"quit_requested":1'; do
        case "$report" in *"$want"*) ;; *) say "the windowed game did not end with $want"; problems=1 ;; esac
    done
    for want in 'click right' 'click left' 'down Z' 'down RBRACKET' 'down LBRACKET' 'down TAB' 'down F5' \
                'down ENTER' 'down ESC'; do
        grep -q " $want\$" "$work/window/rec.txt" || { say "the recording holds no '$want'"; problems=1; }
    done
    [ "$(grep -c ' mouse ' "$work/window/rec.txt")" -ge 4 ] || { say "the recording holds too few cursor moves"; problems=1; }
    [ "$problems" -eq 0 ] || fail "the recorded game and its replay differ"
    if [ "${DELVER_RECORD_KEEP:-0}" = 1 ]; then say "folders kept: $work"; else rm -rf "$work"; fi
    say "PASSED"
    exit 0
fi

# --- inside the virtual X server: play for real -------------------------
delver=$2
work=$3
cd "$work/window" || exit 1
"$delver" --seed 11 --record rec.txt --report >report.txt 2>stderr.txt &
pid=$!
trap 'kill $pid 2>/dev/null' EXIT

# The frame the game is at: the cursor moves one framebuffer pixel (two
# screen pixels at the start zoom), and the recording says in which frame
# the game saw it.
frame_now() {
    local before after lastx x=$cx
    before=$(grep -c ' mouse ' rec.txt 2>/dev/null)
    lastx=$(grep ' mouse ' rec.txt | tail -1 | cut -d' ' -f3)
    [ "$lastx" = $((cx / 2)) ] && x=$((cx + 2))
    xdotool mousemove --window "$wid" "$x" "$cy"
    for _ in $(seq 200); do
        after=$(grep -c ' mouse ' rec.txt 2>/dev/null)
        [ "${after:-0}" -gt "${before:-0}" ] && break
        kill -0 $pid 2>/dev/null || return 1
        sleep 0.05
    done
    grep ' mouse ' rec.txt | tail -1 | cut -d' ' -f1
}
# Waits until the game has reached frame $1.
wait_frame() {
    local f
    for _ in $(seq 600); do
        f=$(frame_now) || return 1
        [ -n "$f" ] && [ "$f" -ge "$1" ] && { echo "$f"; return 0; }
        sleep 0.1
    done
    return 1
}
cx=320
cy=240

wid=$(timeout 120 xdotool search --sync --name '^GAME$' | head -1)
[ -n "$wid" ] || { echo "no game window appeared" >&2; exit 1; }
xdotool windowfocus --sync "$wid" || true
xdotool mousemove --window "$wid" $cx $cy
# The frame loop runs once the world is built: the first frame's lines.
for _ in $(seq 1200); do
    grep -q '^[0-9]' rec.txt 2>/dev/null && break
    kill -0 $pid 2>/dev/null || { echo "the game ended before its first frame" >&2; cat stderr.txt >&2; exit 1; }
    sleep 0.1
done
xdotool windowfocus --sync "$wid" || true

# Buttons count once every 13 frames, and not before frame 13.
f=$(wait_frame 15) || exit 1
xdotool click 3                      # mouse look on
for p in "360 250" "400 220" "300 200"; do
    sleep 0.2
    xdotool mousemove --window "$wid" $p
done
cx=300 cy=200
f=$(wait_frame $((f + 14))) || exit 1
xdotool click 1                      # walk
sleep 0.5
f=$(wait_frame $((f + 14))) || exit 1
xdotool click 1                      # stop
xdotool keydown z; sleep 0.4; xdotool keyup z
for k in bracketright bracketright bracketleft; do
    xdotool key $k
    sleep 0.4
done
xdotool key Tab; sleep 0.5
xdotool type --delay 250 'env4cyclestep 5'; sleep 0.5
xdotool key Return; sleep 1.5
# Typing the M of "number" also moves the window to the cursor, as M does
# everywhere: with the cursor on the window's top-left corner it stays.
cx=0 cy=0
f=$(wait_frame 0) || exit 1
xdotool type --delay 250 'env5objectivenumber'; sleep 0.5
xdotool key Return; sleep 6      # the report stays five seconds
xdotool key Tab; sleep 0.5
xdotool key F5                       # a save: about nine seconds of pauses
for _ in $(seq 600); do
    [ -s map/SAVEGAME1.variables ] && break
    sleep 0.1
done
f=$(wait_frame 0) || exit 1
f=$(wait_frame $((f + 3))) || exit 1
xdotool key Escape
for _ in $(seq 300); do
    kill -0 $pid 2>/dev/null || break
    sleep 0.1
done
trap - EXIT
wait $pid
status=$?
[ "$status" -eq 0 ] || { echo "the windowed game exited $status" >&2; cat stderr.txt >&2; exit 1; }
exit 0
