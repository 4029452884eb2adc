#!/usr/bin/env bash
# The Windows installer as a player meets it, under Wine: `cpack -G NSIS` in
# the cross build makes it; it installs silently (/S) with its Start-menu
# entry and its uninstall entry, whose DisplayVersion is the project's; the
# installed game plays a few frames from an empty folder and saves with F5,
# and the save lands in the player's own folder (%APPDATA%\delver), which
# the first start filled with the installed pictures, never in the program
# folder; the silent uninstaller then removes the program folder, the
# Start-menu entry and the uninstall entry and leaves the saves.
#
# usage: wine_installer.sh CROSS_BUILD_DIR VERSION
#
# Exits 77 (reported as skipped) when makensis is missing or Wine cannot
# run here, saying why.
set -uo pipefail

. "$(dirname "$0")/../support/say.sh" wine_installer

[ $# -eq 2 ] || { echo "usage: $0 CROSS_BUILD_DIR VERSION" >&2; exit 2; }
cross=$(readlink -f "$1")
project_version=$2
[ -f "$cross/CPackConfig.cmake" ] || fail "no CPackConfig.cmake in $1"
command -v makensis >/dev/null || skip "makensis is missing (scripts/install_deps.sh test installs nsis)"

work=$(mktemp -d /tmp/delver-wine-installer.XXXXXX)
(cd "$work" && cpack --config "$cross/CPackConfig.cmake" -G NSIS -B "$work/pkg" >"$work/cpack.txt" 2>&1) ||
    fail "cpack -G NSIS failed: $(tail -20 "$work/cpack.txt")"
installer=$(ls "$work"/pkg/delver-"$project_version"-win*-setup.exe 2>/dev/null | head -n 1)
[ -n "$installer" ] || fail "cpack made no delver-$project_version-win*-setup.exe: $(ls "$work/pkg")"
say "$(basename "$installer"): $(stat -c %s "$installer") bytes"

. "$(dirname "$0")/wine_env.sh"
wine_prepare i386
say "$version ($(basename "$installer"))"
wine() { timeout -k 10 600 xvfb-run -a -s "-screen 0 1024x768x24" "$loader" "$@"; }
wait_wine() { "$(dirname "$loader")/wineserver" -w 2>/dev/null || true; }
unix_path() { "$loader" winepath -u "$1" 2>/dev/null | tr -d '\r'; }
key='Software\Microsoft\Windows\CurrentVersion\Uninstall\delver'
# The uninstall entry's value $1, for all users or for this user alone.
entry() {
    local hive out
    for hive in HKLM HKCU; do
        out=$("$loader" reg query "$hive\\$key" /v "$1" 2>/dev/null | tr -d '\r' |
              sed -n "s/^ *$1 *REG_SZ *//p")
        [ -n "$out" ] && { echo "$out"; return 0; }
    done
    return 1
}
appdata=$(unix_path "$("$loader" cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')")
[ -n "$appdata" ] || wine_fail_or_skip "Wine does not say where %APPDATA% is"
saves="$appdata/delver"
installed=0
cleanup() {
    if [ "$installed" -eq 1 ] && uninstaller=$(entry UninstallString); then
        wine "$(echo "$uninstaller" | tr -d '"')" /S >/dev/null 2>&1
        wait_wine
    fi
    rm -rf "$saves" "$work"
}
trap cleanup EXIT
entry UninstallString >/dev/null && skip "a delver is installed in $WINEPREFIX already; not replacing it"
rm -rf "$saves"

# --- install ---------------------------------------------------------------
installed=1
wine "$installer" /S >"$work/install.txt" 2>&1 || wine_fail_or_skip "the silent install exited $?"
wait_wine
uninstaller=$(entry UninstallString) || fail "no uninstall entry after the install"
uninstaller=$(echo "$uninstaller" | tr -d '"')
instdir=$(dirname "$(unix_path "$uninstaller")")
[ -f "$instdir/delver.exe" ] || fail "no delver.exe in the program folder $instdir"
[ -s "$instdir/game/map/1.overworld" ] || fail "no game data in $instdir/game"
got=$(entry DisplayVersion) || true
[ "$got" = "$project_version" ] || fail "the uninstall entry's DisplayVersion is '$got', not $project_version"
shortcut=$(find "$WINEPREFIX/drive_c" -path '*Start Menu*' -name delver.lnk 2>/dev/null | head -n 1)
[ -n "$shortcut" ] || fail "no Start-menu entry delver.lnk"
say "installed in $instdir; Start-menu entry $shortcut"

# --- play, save with F5 ----------------------------------------------------
mkdir "$work/here"
printf '0 tap F5\n1 tap ESC\n' >"$work/here/script.txt"
(cd "$work/here" && wine "$instdir/delver.exe" --seed 7 --frames 3 --input script.txt --report \
    >report.json 2>stderr.txt) || { tail -5 "$work/here/stderr.txt"; wine_fail_or_skip "the installed game exited $?"; }
say "report: $(cat "$work/here/report.json")"
for part in mainmap flagmap unit variables; do
    [ -s "$saves/map/SAVEGAME1.$part" ] || fail "no save $saves/map/SAVEGAME1.$part"
done
[ -s "$saves/bmp_cube/QORBAL.bmp" ] || fail "the player's folder was not filled with the installed pictures"
! ls "$instdir/game/map" | grep -qi savegame || fail "a save landed in the program folder"
[ "$(ls -A "$work/here" | sort | tr '\n' ' ')" = "report.json script.txt stderr.txt " ] ||
    fail "files in the folder it was started from: $(ls -A "$work/here")"
say "the save landed in $saves"

# --- uninstall -------------------------------------------------------------
wine "$uninstaller" /S >"$work/uninstall.txt" 2>&1 || fail "the silent uninstall exited $?"
wait_wine
installed=0
[ ! -e "$instdir" ] || fail "the uninstaller left $instdir: $(ls -A "$instdir")"
entry UninstallString >/dev/null && fail "the uninstall entry is still there"
[ ! -e "$shortcut" ] || fail "the Start-menu entry is still there"
[ -s "$saves/map/SAVEGAME1.unit" ] || fail "the uninstaller took the player's saves"
say "PASSED: installed, played, saved in $saves, uninstalled; the saves stay"
