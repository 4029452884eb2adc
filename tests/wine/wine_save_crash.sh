#!/usr/bin/env bash
# Kills the Windows build of the game under Wine in the rename stage of a
# save, at every rename, and checks that the slot then loads as wholly the
# new game: the commit record written before the renames lets the next
# start finish the save. The saves of both builds are byte for byte alike,
# so the Linux build makes the old and the new slot to compare with, and
# finishes all but one of the interrupted saves; the Windows build finishes
# the middle one itself.
#
# One X server and one Wine session serve every Windows run: both start
# once, and a waiting cmd.exe holds the session (the wineserver and
# Windows' own services) open until the test ends. The kill runs, each in
# a folder of its own, go four at a time: a save spends most of its time
# in the game's own progress pauses.
#
# usage: wine_save_crash.sh WINDOWS_EXE LINUX_DELVER
#
# Exits 77 (reported as skipped) when Wine or Xvfb cannot run the program on
# this machine, saying why. The kill points come from the file operation
# hook's trace of the same save made by the Linux build.
set -uo pipefail

. "$(dirname "$0")/../support/say.sh" wine_save_crash

[ $# -eq 2 ] || { echo "usage: $0 WINDOWS_EXE LINUX_DELVER" >&2; exit 2; }
exe=$(readlink -f "$1")
linux=$(readlink -f "$2")
[ -f "$exe" ] || fail "no Windows program at $1"
[ -x "$linux" ] || fail "no Linux program at $2"
. "$(dirname "$0")/wine_env.sh"
wine_prepare i386
say "$version for $exe"

work=$(mktemp -d /tmp/delver-wine-crash.XXXXXX)
# The cursor is pinned so that both builds play alike; F5 saves slot 1.
# The new game walks back a little first, so that its unit file differs.
old_script=$'0 mouse 160 120\n1 tap F5\n3 tap ESC\n'
save_script=$'0 mouse 160 120\n0 down Z\n2 up Z\n3 tap F5\n4 tap ESC\n'
load_script=$'0 tap F7\n'
slot_files=(mainmap flagmap unit variables)

linux_run() {  # folder seed script [env...]
    local dir=$1 seed=$2 script=$3
    shift 3
    printf '%s' "$script" >"$dir/script.txt"
    (cd "$dir" && env "$@" timeout -k 10 300 "$linux" --headless --seed "$seed" --frames 5 --input script.txt --report)
}
windows_run() {  # folder seed script [env...]
    local dir=$1 seed=$2 script=$3
    shift 3
    printf '%s' "$script" >"$dir/script.txt"
    (cd "$dir" && env "$@" timeout -k 10 600 "$loader" "$exe" --seed "$seed" --frames 5 --input script.txt --report)
}
# The X server and the Wine session the Windows runs share, ended on exit.
xvfb_pid=
session_pid=
start_session() {
    Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp 9>"$work/display" >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$work/display" ] && break
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.1
    done
    [ -s "$work/display" ] || fail "no virtual X server would start: $(cat "$work/xvfb.log")"
    export DISPLAY=":$(cat "$work/display")"
    mkfifo "$work/session"
    "$loader" cmd.exe /c pause <"$work/session" >/dev/null 2>&1 &
    session_pid=$!
    exec 8>"$work/session"
}
end_session() {
    exec 8>&-  # the waiting cmd.exe reads the end of its input and goes
    [ -n "$session_pid" ] && { timeout 30 tail --pid="$session_pid" -f /dev/null || kill "$session_pid"; } 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    return 0
}
trap end_session EXIT
# A game folder holding the old slot.
fresh() {
    rm -rf "$1" && mkdir -p "$1/map"
    for ext in "${slot_files[@]}"; do cp "$work/old/map/SAVEGAME1.$ext" "$1/map/"; done
}
# The slot in folder $1 must be exactly the new game, with nothing left over.
check_new() {
    local ext left
    for ext in "${slot_files[@]}"; do
        cmp -s "$1/map/SAVEGAME1.$ext" "$work/new/map/SAVEGAME1.$ext" ||
            fail "$2: SAVEGAME1.$ext is not the new game's; folder kept: $work"
    done
    left=$(ls "$1/map" | grep -v -x -E 'SAVEGAME1\.(mainmap|flagmap|unit|variables)|1\.overworld')
    [ -z "$left" ] || fail "$2: left behind: $left; folder kept: $work"
}

# The old game (seed 7) and the new one (seed 8), which differ in every file.
mkdir -p "$work/old/map" "$work/new/map"
linux_run "$work/old" 7 "$old_script" >/dev/null || fail "the Linux build could not save the old game"
fresh "$work/new"
linux_run "$work/new" 8 "$save_script" >"$work/new.json" 2>/dev/null || fail "the Linux build could not save the new game"
# What a load of the new game shows.
cp -r "$work/new" "$work/reference"
linux_run "$work/reference" 9 "$load_script" >"$work/reference.json" 2>/dev/null || fail "the Linux build could not load the new game"
new_game=$(grep -o -E '"player":\[[^]]*\]|"objective_total":[0-9]+|"frame_counter":[0-9]+' "$work/reference.json" | tr '\n' ' ')
for ext in "${slot_files[@]}"; do
    cmp -s "$work/old/map/SAVEGAME1.$ext" "$work/new/map/SAVEGAME1.$ext" &&
        fail "the old and the new game agree in SAVEGAME1.$ext: a mix would not show"
done

# The renames of that save, by operation number.
fresh "$work/trace"
linux_run "$work/trace" 8 "$save_script" DELVER_FILE_FAULT=trace >/dev/null 2>"$work/trace.txt"
renames=$(sed -n 's/^file op \([0-9]*\): rename$/\1/p' "$work/trace.txt" | tr '\n' ' ')
[ "$(echo $renames | wc -w)" -eq 8 ] || fail "expected 8 renames (4 aside, 4 in) in the trace, got: $renames"
say "renames at file operations: $renames"

middle=$(echo $renames | cut -d' ' -f4)
start_session
start=$(date +%s)
set -- $renames
while [ $# -gt 0 ]; do
    pids=() batch=()
    for n in "$@"; do
        [ ${#batch[@]} -lt 4 ] || break
        fresh "$work/kill-$n"
        windows_run "$work/kill-$n" 8 "$save_script" DELVER_FILE_FAULT=kill:$n >/dev/null 2>"$work/kill-$n/stderr.txt" &
        pids+=($!) batch+=("$n")
    done
    shift ${#batch[@]}
    for i in "${!batch[@]}"; do
        wait "${pids[i]}"
        status=$?
        [ "$status" -eq 137 ] ||
            wine_fail_or_skip "the Windows build killed at operation ${batch[i]} exited $status; folder kept: $work"
    done
done
say "the Windows build killed at each rename ($(($(date +%s) - start)) s)"
for n in $renames; do
    dir="$work/kill-$n"
    [ -f "$dir/map/SAVEGAME1.commit" ] || fail "no commit record after a kill at operation $n"
    start=$(date +%s)
    if [ "$n" = "$middle" ]; then
        windows_run "$dir" 9 "$load_script" >"$dir/report.json" 2>"$dir/stderr.txt" ||
            wine_fail_or_skip "the Windows build could not start after the kill at operation $n"
        who=Windows
    else
        linux_run "$dir" 9 "$load_script" >"$dir/report.json" 2>"$dir/stderr.txt" ||
            fail "the Linux build could not start after the kill at operation $n"
        who=Linux
    fi
    grep -q "finished a save that had been interrupted" "$dir/stderr.txt" ||
        fail "the $who build did not say it finished the save (operation $n): $(cat "$dir/stderr.txt")"
    check_new "$dir" "killed at operation $n, finished by the $who build"
    # The game loaded is the new one.
    loaded=$(grep -o -E '"player":\[[^]]*\]|"objective_total":[0-9]+|"frame_counter":[0-9]+' "$dir/report.json" | tr '\n' ' ')
    [ "$loaded" = "$new_game" ] || fail "operation $n: loaded $loaded, not the new game's $new_game"
    say "killed at operation $n: the slot is the new game, finished by the $who build ($(($(date +%s) - start)) s)"
done
rm -rf "$work"
say "PASSED"
exit 0
