#!/usr/bin/env bash
# Plays the SDL build in a real window on a virtual X server and presses real
# keys through the XTEST extension (xdotool), as a player's keyboard would:
#   - ten taps of ] held 10, 50 and 80 ms raise the view distance by ten;
#   - one F5 press held 150 ms saves once;
#   - one Tab press opens the console; a command typed at 50 ms a key takes
#     effect; another Tab closes it.
# The same actions, one key a frame, are then played headless from an input
# script: both games must end alike (view distance, cycle step, console, and
# the time slept, which counts every save, key and console pause).
#
# usage: real_keys.sh DELVER GAME_DIR
# Exits 77 (reported as skipped) where Xvfb or xdotool is missing.
set -uo pipefail

. "$(dirname "$0")/../support/say.sh" real_keys
. "$(dirname "$0")/../support/xdisplay.sh"
begin_window_test "$@"
cp -r "$game" "$work/window"
cp -r "$game" "$work/headless"

"$delver" -C "$work/window" --seed 7 --report >"$work/window.json" 2>"$work/window.err" &
game_pid=$!
wait_for_window "$game_pid"
# The pointer over the window, so that the keyboard goes to it.
xdotool mousemove 300 200
sleep 2  # the overworld pause and the first frames

press() {  # key, seconds held, seconds after; one xdotool, so the hold is exact
    xdotool keydown "$1" sleep "$2" keyup "$1" sleep "$3"
}
for hold in 0.01 0.05 0.08 0.01 0.05 0.08 0.01 0.05 0.08 0.01; do
    press bracketright "$hold" 0.3
done
press F5 0.15 0.5
# The save shows its screens for about nine seconds; keys pressed meanwhile
# wait their turn, so the console may be opened straight away.
press Tab 0.08 0.3
xdotool type --delay 50 "env4cyclestep 5"
xdotool key Return
press Tab 0.05 0.3
xdotool key Escape
wait_for_end "$game_pid"
status=$?
game_pid=
[ "$status" -eq 0 ] || fail "the windowed game exited $status: $(cat "$work/window.err")"

# The same presses as a script, one key a frame, a few frames apart.
{
    f=20
    for _ in $(seq 10); do echo "$f tap RBRACKET"; f=$((f + 3)); done
    echo "$f tap F5"; f=$((f + 3))
    echo "$f tap TAB"; f=$((f + 3))
    for word in ENV4CYCLESTEP 5; do
        for ((i = 0; i < ${#word}; i++)); do echo "$f tap ${word:i:1}"; f=$((f + 3)); done
        [ "$word" = 5 ] || { echo "$f tap SPACE"; f=$((f + 3)); }
    done
    echo "$f tap ENTER"; f=$((f + 3))
    echo "$f tap TAB"; f=$((f + 3))
    echo "$f tap ESC"
} >"$work/headless/presses.txt"
"$delver" -C "$work/headless" --headless --seed 7 --input presses.txt --report \
    >"$work/headless.json" 2>"$work/headless.err" || fail "the headless game failed: $(cat "$work/headless.err")"

value() { sed -n "s/.*\"$2\":\([0-9-]*\).*/\1/p" "$1"; }
ok=1
for key in view_distance cycle_step console_open slept_ms objectives_found; do
    w=$(value "$work/window.json" "$key")
    h=$(value "$work/headless.json" "$key")
    if [ -z "$w" ] || [ "$w" != "$h" ]; then
        say "$key: window '$w', script '$h'"
        ok=0
    fi
done
[ "$(value "$work/window.json" view_distance)" = 16 ] || { say "ten taps of ] should make the view distance 16"; ok=0; }
[ "$(value "$work/window.json" cycle_step)" = 5 ] || { say "the typed command did not take effect"; ok=0; }
# The one save holds the same world in both games.
for ext in mainmap flagmap; do
    cmp -s "$work/window/map/SAVEGAME1.$ext" "$work/headless/map/SAVEGAME1.$ext" ||
        { say "map/SAVEGAME1.$ext differs between the two games"; ok=0; }
done
[ "$ok" -eq 1 ] || { say "window: $(cat "$work/window.json")"; say "script: $(cat "$work/headless.json")"; fail "the real keys did not act once a press"; }
say "passed: $(cat "$work/window.json")"
