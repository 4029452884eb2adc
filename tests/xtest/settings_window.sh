#!/usr/bin/env bash
# The player's settings in the SDL build's real window on a virtual X
# server, pressed through XTEST (xdotool) as a player would, with captured
# mouse look, modern keys and smooth pauses:
#   - W held walks;
#   - five quick Page Up taps leave the game running (no 800 ms freezes);
#   - the held pointer, moved by relative motion, turns the view past where
#     the cursor's place could (-618 degrees at the window's edge);
#   - the settings screen binds X to walking forward, and F11 fills the
#     1280 x 1024 screen with the picture four times enlarged between black
#     bars;
#   - after a restart the binding walks, and F9 shows the map in the
#     corner with the player's mark in its middle.
# Each game is recorded, and its recording played headless, where no
# settings file is, must end with the same report.
#
# usage: settings_window.sh DELVER GAME_DIR
# Exits 77 (reported as skipped) where Xvfb or xdotool is missing.
set -uo pipefail

. "$(dirname "$0")/../support/say.sh" settings_window
. "$(dirname "$0")/../support/xdisplay.sh"
begin_window_test "$@"
cp -r "$game" "$work/window"
printf '# chosen on the settings screen\nmouse = captured\nkeys = modern\npauses = smooth\n' >"$work/window/settings.cfg"

value() { sed -n "s/.*\"$2\":\(-\{0,1\}[0-9.]*\).*/\1/p" "$1"; }
# Plays a game in the window with the actions of function $1, recorded as
# $2, then the recording headless in a folder without settings.
play() {
    "$delver" -C "$work/window" --seed 11 --record "$work/$2.txt" --screenshot "$work/$2.bmp" --report \
        >"$work/$2.json" 2>"$work/$2.err" &
    game_pid=$!
    wait_for_window "$game_pid"
    xdotool mousemove 300 200
    sleep 2  # the overworld pause and the first frames
    "$1"
    xdotool key Escape sleep 0.3 key y
    wait_for_end "$game_pid" || fail "the windowed game failed: $(cat "$work/$2.err")"
    game_pid=
    rm -rf "$work/replay" && mkdir -p "$work/replay/map"
    "$delver" -C "$work/replay" --headless --seed 11 --input "$work/$2.txt" --report >"$work/$2-replay.json" \
        2>/dev/null || fail "the replay of $2 failed"
    [ "$(cat "$work/$2.json")" = "$(cat "$work/$2-replay.json")" ] ||
        fail "$2: the window ended $(cat "$work/$2.json"), its replay $(cat "$work/$2-replay.json")"
    say "$2: $(cat "$work/$2.json")"
}

first_game() {
    xdotool keydown w sleep 1 keyup w sleep 0.2
    for _ in 1 2 3 4 5; do xdotool key --delay 0 Prior sleep 0.05; done
    xdotool click 3 sleep 0.3
    for _ in $(seq 10); do xdotool mousemove_relative -- 500 0 sleep 0.05; done
    # F10; fourteen rows down to WALK FORWARD; Enter, X binds it; F10 closes.
    xdotool key F10 sleep 0.2
    for _ in $(seq 14); do xdotool key Down sleep 0.1; done
    xdotool key Return sleep 0.2 key x sleep 0.2 key F10 sleep 0.3
    xdotool key F11 sleep 1
}
play first_game first
j=$work/first.json
[ "$(value "$j" step_counter)" -gt 10 ] || fail "W held for a second did not walk"
[ "$(value "$j" slept_ms)" -le 1000 ] || fail "the layer keys froze the game: slept $(value "$j" slept_ms) ms"
awk "BEGIN { exit !($(value "$j" yaw) < -618) }" || fail "the held pointer did not turn past the cursor's reach"
grep -qx 'bind.walk_forward = X W' "$work/window/settings.cfg" ||
    fail "the binding was not written: $(cat "$work/window/settings.cfg")"
# The last picture, taken in fullscreen: 1280 x 1024, the picture 1280 x
# 960 between bars of 32 black rows.
/usr/bin/python3 - "$work/first.bmp" <<'PY' || fail "F11 did not fill the screen with the picture between black bars"
import struct, sys
b = open(sys.argv[1], "rb").read()
w, h = struct.unpack("<ii", b[18:26])
assert (w, h) == (1280, 1024), (w, h)
row = lambda y: b[54 + y * w * 3: 54 + (y + 1) * w * 3]
assert not any(row(0)) and not any(row(31)) and not any(row(992)) and not any(row(1023)), "bars"
assert any(row(32)) and any(row(991)) and sum(map(any, (row(y) for y in range(32, 992, 8)))) == 120, "picture"
PY

second_game() { xdotool keydown x sleep 1 keyup x sleep 0.2 key F9 sleep 0.3; }
play second_game second
[ "$(value "$work/second.json" step_counter)" -gt 10 ] || fail "X, bound on the settings screen, did not walk after a restart"
# The corner map's middle (framebuffer (276, 196), doubled) is the red mark.
/usr/bin/python3 - "$work/second.bmp" <<'PY' || fail "F9 showed no map with the player's mark"
import sys
b = open(sys.argv[1], "rb").read()
blue, green, red = b[54 + (2 * 196 * 640 + 2 * 276) * 3: 54 + (2 * 196 * 640 + 2 * 276) * 3 + 3]
assert red >= 250 and green <= 60, (red, green, blue)
PY
say "passed"
