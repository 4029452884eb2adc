#!/usr/bin/env bash
# The game as players get it: installed with `cmake --install` (mode
# install), or as the Debian package installed with dpkg (mode package).
# Either way the installed program is started without -C from an empty
# folder with an empty home folder, plays a few frames headless and saves
# with F5; the save must land in the player's game folder under the XDG data
# folder, and nothing may appear in the current folder or the home folder.
#
# usage: install_test.sh install|package BUILD_DIR
#
# The package mode installs into the system (dpkg -i, then dpkg -r), so it
# needs root; CI runs as root. Elsewhere, or when a delver package is
# already installed, it exits 77 (reported as skipped) saying why.
set -uo pipefail

SKIP=77
say() { echo "install_test: $*"; }
skip() { say "SKIPPED: $*"; exit "$SKIP"; }
fail() { say "FAILED: $*"; exit 1; }

[ $# -eq 2 ] || { echo "usage: $0 install|package BUILD_DIR" >&2; exit 2; }
mode=$1
build=$(readlink -f "$2")
work=$(mktemp -d /tmp/delver-install-test.XXXXXX)
installed_package=0
cleanup() {
    if [ "$installed_package" -eq 1 ]; then dpkg -r delver >/dev/null 2>&1 || say "could not remove the package"; fi
    rm -rf "$work"
}
trap cleanup EXIT

# Plays the installed program $1 for a few frames from an empty folder and
# an empty home folder, saving into slot 1, with XDG_DATA_HOME as $2 (empty:
# unset), and checks where the files went: the save in $3.
play_and_check() {
    local program=$1 xdg=$2 expect=$3
    local home="$work/home" here="$work/here"
    rm -rf "$home" "$here"
    mkdir -p "$home" "$here"
    printf '0 tap F5\n' >"$work/script.txt"
    local env_args=(env -u XDG_DATA_HOME "HOME=$home")
    [ -n "$xdg" ] && env_args+=("XDG_DATA_HOME=$xdg")
    (cd "$here" && timeout 300 "${env_args[@]}" "$program" --headless --seed 7 --frames 3 \
        --input ../script.txt --report >"$work/out.txt" 2>"$work/err.txt") ||
        fail "the installed game did not run: $(cat "$work/err.txt")"
    grep -q '"frames":3' "$work/out.txt" || fail "unexpected report: $(cat "$work/out.txt")"
    for part in mainmap flagmap unit variables; do
        [ -s "$expect/map/SAVEGAME1.$part" ] || fail "no save file $expect/map/SAVEGAME1.$part"
    done
    # The player's folder was prepared with the installed pictures.
    [ -s "$expect/map/1.overworld" ] || fail "the overworld plan was not copied into $expect"
    [ -s "$expect/bmp_cube/QORBAL.bmp" ] || fail "the pictures were not copied into $expect"
    [ -z "$(ls -A "$here")" ] || fail "files in the current folder: $(ls -A "$here")"
    # Only the game's own folder under .local in the home folder (Mesa may
    # keep its shader cache in .cache: the graphics library's, not ours).
    local extra
    extra=$(cd "$home" && ls -A | grep -vx -e .local -e .cache)
    [ -z "$extra" ] || fail "files in the home folder: $extra"
    if [ -z "$xdg" ]; then
        extra=$(cd "$home/.local" && find . -mindepth 1 -maxdepth 2 | grep -vx -e ./share -e ./share/delver)
        [ -z "$extra" ] || fail "unexpected files under ~/.local: $extra"
    fi
}

case "$mode" in
install)
    prefix="$work/prefix"
    cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install failed"
    for f in bin/delver share/applications/delver.desktop share/icons/hicolor/64x64/apps/delver.png \
             share/delver/game/map/1.overworld share/delver/game/bmp_cube/QORBAL.bmp; do
        [ -s "$prefix/$f" ] || fail "cmake --install put no $f under the prefix"
    done
    play_and_check "$prefix/bin/delver" "" "$work/home/.local/share/delver"
    play_and_check "$prefix/bin/delver" "$work/xdg" "$work/xdg/delver"
    [ ! -e "$work/home/.local" ] || fail "with XDG_DATA_HOME set the game still wrote under ~/.local"
    # The installed data itself stays as it was installed: no saves there.
    ! ls "$prefix/share/delver/game/map" | grep -q SAVEGAME || fail "a save landed in the installed data"
    say "passed: cmake --install, played in the player's folder"
    ;;
package)
    [ "$(id -u)" -eq 0 ] || skip "installing the Debian package needs root (CI runs as root)"
    command -v dpkg >/dev/null && command -v cpack >/dev/null || skip "dpkg or cpack is missing"
    if dpkg-query -W -f='${Status}' delver 2>/dev/null | grep -q "install ok installed"; then
        skip "a delver package is already installed here; not replacing it"
    fi
    (cd "$work" && cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/pkg" >"$work/cpack.txt" 2>&1) ||
        fail "cpack failed: $(cat "$work/cpack.txt")"
    deb=$(ls "$work"/pkg/delver_*.deb 2>/dev/null | head -n 1)
    [ -n "$deb" ] || fail "cpack made no delver_*.deb"
    depends=$(dpkg-deb -f "$deb" Depends)
    say "$(basename "$deb"): Depends: $depends"
    for d in libsdl2 libgl1-mesa-dri libegl; do
        echo "$depends" | grep -q "$d" || fail "the package does not declare $d"
    done
    installed_package=1
    dpkg -i "$deb" >"$work/dpkg.txt" 2>&1 || fail "dpkg -i failed: $(cat "$work/dpkg.txt")"
    for f in /usr/bin/delver /usr/share/applications/delver.desktop \
             /usr/share/icons/hicolor/64x64/apps/delver.png /usr/share/delver/game/map/1.overworld; do
        [ -s "$f" ] || fail "the package put no $f"
    done
    play_and_check /usr/bin/delver "" "$work/home/.local/share/delver"
    dpkg -r delver >"$work/dpkg.txt" 2>&1 || fail "dpkg -r failed: $(cat "$work/dpkg.txt")"
    installed_package=0
    [ ! -e /usr/bin/delver ] && [ ! -e /usr/share/delver ] || fail "dpkg -r left the game behind"
    say "passed: the Debian package installs, plays in the player's folder and goes again"
    ;;
*)
    echo "usage: $0 install|package BUILD_DIR" >&2
    exit 2
    ;;
esac
