#!/usr/bin/env bash
# The Windows zip holds one folder, delver/, that plays as it is unpacked:
# the cross-built program in its game folder (every picture, the overworld
# plan, no saves) and the how-to-play text with Windows line ends.
#
# usage: windows_zip_test.sh ZIP WINDOWS_EXE
set -uo pipefail
fail() { echo "windows_zip_test: FAILED: $*"; exit 1; }
[ $# -eq 2 ] || { echo "usage: $0 ZIP WINDOWS_EXE" >&2; exit 2; }
zip=$(readlink -f "$1")
exe=$(readlink -f "$2")
[ -s "$zip" ] || fail "no zip at $1"
work=$(mktemp -d /tmp/delver-zip-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
(cd "$work" && cmake -E tar xf "$zip") || fail "cmake cannot unpack $zip"
[ "$(ls -A "$work")" = delver ] || fail "the zip holds more than the folder delver/: $(ls -A "$work")"
cmp -s "$work/delver/delver.exe" "$exe" || fail "delver/delver.exe is not the cross-built program"
[ -s "$work/delver/map/1.overworld" ] || fail "no overworld plan"
[ -z "$(ls "$work/delver/map" | grep -i savegame)" ] || fail "saves in the zip"
pictures=$(find "$work/delver" -path '*/bmp_*/*.bmp' -size +54c | wc -l)
[ "$pictures" -ge 100 ] || fail "only $pictures pictures"
text="$work/delver/HOW-TO-PLAY.txt"
[ -s "$text" ] || fail "no HOW-TO-PLAY.txt"
grep -q "delver.exe" "$text" || fail "the how-to-play text does not say how to start"
[ "$(grep -c $'\r$' "$text")" -eq "$(wc -l <"$text")" ] || fail "HOW-TO-PLAY.txt lacks Windows line ends"
echo "windows_zip_test: passed ($pictures pictures)"
