#!/usr/bin/env bash
# Runs the README's example commands exactly as written. Every ```sh block
# is run, in order, with bash -e, from a scratch copy of the checkout's
# layout (build/src/delver and a copy of build/game), so that examples which
# save or write files never touch a player's own game folder. A block that
# cannot run here is marked on the line before it with
#   <!-- not run by the doc test: REASON -->
# and the reason must be given.
#
# usage: readme_commands.sh README DELVER GAME_DIR
set -uo pipefail

say() { echo "readme_commands: $*"; }
[ $# -eq 3 ] || { echo "usage: $0 README DELVER GAME_DIR" >&2; exit 2; }
readme=$(readlink -f "$1")
delver=$(readlink -f "$2")
game=$(readlink -f "$3")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/blocks" "$work/checkout/build/src"
ln -s "$delver" "$work/checkout/build/src/delver"
cp -r "$game" "$work/checkout/build/game"

# Splits the README into blocks/N.sh (to run) and blocks/N.skip (marked).
awk -v out="$work/blocks" '
    /^```sh[[:space:]]*$/ && !inside { inside = 1; n++; file = out "/" n (skip ? ".skip" : ".sh"); printf "" > file; skip = 0; next }
    /^```[[:space:]]*$/ && inside { inside = 0; close(file); next }
    inside { print > file; next }
    /<!-- not run by the doc test: [^ ].*-->/ { skip = 1; next }
    /^[[:space:]]*$/ { next }
    { if (skip) { print "a doc-test mark is not followed by a sh block: " $0 > "/dev/stderr"; bad = 1 } skip = 0 }
    END { exit bad }
' "$readme" || { say "FAILED: a mark stands before no block"; exit 1; }
grep -n '<!-- not run by the doc test' "$readme" | grep -v '<!-- not run by the doc test: [^ ].*-->' &&
    { say "FAILED: a mark gives no reason"; exit 1; }

ran=0
failed=0
for block in $(ls "$work/blocks" | sort -n); do
    case $block in *.skip) continue ;; esac
    say "running block ${block%.sh}:"
    sed 's/^/    /' "$work/blocks/$block"
    if (cd "$work/checkout" && timeout 300 bash -e "$work/blocks/$block") >"$work/out" 2>&1; then
        ran=$((ran + 1))
    else
        say "FAILED: block ${block%.sh} exited non-zero:"
        sed 's/^/    /' "$work/out"
        failed=$((failed + 1))
    fi
done
skipped=$(ls "$work/blocks" | grep -c '\.skip$')
say "$ran blocks ran, $failed failed, $skipped marked as not run here"
[ "$ran" -gt 0 ] || { say "FAILED: no block ran"; exit 1; }
[ "$failed" -eq 0 ]
