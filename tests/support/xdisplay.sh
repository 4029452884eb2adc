# Sourced by the tests that play the SDL build in a real window: a virtual X
# server of the test's own and the game's window on it. The caller defines
# say and fail, and sets $work (a scratch folder removed on exit).
#
#   start_display          starts Xvfb (1280 x 1024) on the first free display
#                          from :140 on and exports DISPLAY
#   wait_for_window PID    waits until the game PID shows its window; sets
#                          $window
#   wait_for_end PID       waits up to a minute for the game to end and
#                          returns its exit status
#   stop_display           ends the game (if $game_pid) and the server
#   begin_window_test DELVER GAME_DIR
#                          the usual start: checks the two arguments, sets
#                          $delver, $game and $work, and starts the display,
#                          all gone again at the exit

xvfb_pid=
game_pid=

start_display() {
    local n
    for tool in Xvfb xdotool; do
        command -v "$tool" >/dev/null 2>&1 || { say "SKIPPED: $tool is not installed"; exit 77; }
    done
    DISPLAY=
    for n in $(seq 140 199); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -noreset -nolisten tcp >"$work/xvfb.log" 2>&1 &
        xvfb_pid=$!
        for _ in $(seq 50); do
            DISPLAY=":$n" xdotool getmouselocation >/dev/null 2>&1 && { DISPLAY=":$n"; break; }
            kill -0 "$xvfb_pid" 2>/dev/null || break
            sleep 0.1
        done
        [ -n "$DISPLAY" ] && break
        kill "$xvfb_pid" 2>/dev/null
        xvfb_pid=
    done
    [ -n "$DISPLAY" ] || fail "no virtual X server would start"
    export DISPLAY
}

wait_for_window() {
    window=
    for _ in $(seq 200); do
        window=$(xdotool search --name '^GAME$' 2>/dev/null | head -n 1)
        [ -n "$window" ] && return 0
        kill -0 "$1" 2>/dev/null || fail "the game ended before its window showed"
        sleep 0.1
    done
    fail "the game's window never showed"
}

wait_for_end() {
    for _ in $(seq 600); do
        kill -0 "$1" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$1" 2>/dev/null && fail "the game did not end"
    wait "$1"
}

stop_display() {
    [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
}

begin_window_test() {
    [ $# -eq 2 ] || { echo "usage: $0 DELVER GAME_DIR" >&2; exit 2; }
    delver=$(readlink -f "$1")
    game=$(readlink -f "$2")
    work=$(mktemp -d)
    trap 'stop_display; rm -rf "$work"' EXIT
    start_display
}
