#!/usr/bin/env bash
# The game as players get it: installed with `cmake --install` (mode
# install), or as the Debian package installed with dpkg (mode package),
# which must first pass Debian's own checks: lintian with no error or
# warning, its AppStream metainfo by appstreamcli and its menu entry by
# desktop-file-validate.
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

. "$(dirname "$0")/../support/say.sh" install_test

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
    # Either layout the build was configured for: Debian's games/ (the
    # default) or bin/ (DELVER_GAMES_LAYOUT off).
    if [ -e "$prefix/games/delver" ]; then bin=games data=share/games/delver/game; else bin=bin data=share/delver/game; fi
    for f in $bin/delver share/applications/delver.desktop share/icons/hicolor/64x64/apps/delver.png \
             $data/map/1.overworld $data/bmp_cube/QORBAL.bmp share/man/man6/delver.6.gz; do
        [ -s "$prefix/$f" ] || fail "cmake --install put no $f under the prefix"
    done
    play_and_check "$prefix/$bin/delver" "" "$work/home/.local/share/delver"
    play_and_check "$prefix/$bin/delver" "$work/xdg" "$work/xdg/delver"
    [ ! -e "$work/home/.local" ] || fail "with XDG_DATA_HOME set the game still wrote under ~/.local"
    # The installed data itself stays as it was installed: no saves there.
    ! ls "$prefix/$data/map" | grep -q SAVEGAME || fail "a save landed in the installed data"
    say "passed: cmake --install into $bin/ and $data, played in the player's folder"
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
    maintainer=$(dpkg-deb -f "$deb" Maintainer)
    echo "$maintainer" | grep -qiE '@(.*\.)?example\.(org|com|net)>' && fail "placeholder maintainer: $maintainer"
    # Debian's own judges: lintian (an override needs a comment saying why),
    # appstreamcli and desktop-file-validate.
    for tool in lintian appstreamcli desktop-file-validate; do
        command -v $tool >/dev/null || fail "$tool is missing (scripts/install_deps.sh test installs it)"
    done
    lintian --fail-on error,warning "$deb" >"$work/lintian.txt" 2>&1 ||
        fail "lintian: $(grep -v 'root privileges' "$work/lintian.txt")"
    mkdir "$work/unpacked" && dpkg-deb -x "$deb" "$work/unpacked" || fail "dpkg-deb -x failed"
    overrides="$work/unpacked/usr/share/lintian/overrides/delver"
    if [ -e "$overrides" ] && grep -v '^#' "$overrides" | grep -q . &&
       ! awk '/^#/ { why = 1; next } NF { if (!why) exit 1; why = 0 }' "$overrides"; then
        fail "a lintian override without a comment line saying why"
    fi
    metainfo=$(ls "$work"/unpacked/usr/share/metainfo/*.metainfo.xml 2>/dev/null | head -n 1)
    [ -n "$metainfo" ] || fail "the package has no AppStream metainfo"
    appstreamcli validate --no-net "$metainfo" >"$work/appstream.txt" 2>&1 ||
        fail "appstreamcli: $(cat "$work/appstream.txt")"
    desktop-file-validate "$work/unpacked/usr/share/applications/delver.desktop" ||
        fail "desktop-file-validate refused the menu entry"
    say "lintian, appstreamcli and desktop-file-validate pass"
    installed_package=1
    dpkg -i "$deb" >"$work/dpkg.txt" 2>&1 || fail "dpkg -i failed: $(cat "$work/dpkg.txt")"
    for f in /usr/games/delver /usr/share/applications/delver.desktop /usr/share/man/man6/delver.6.gz \
             /usr/share/icons/hicolor/64x64/apps/delver.png /usr/share/games/delver/game/map/1.overworld \
             /usr/share/doc/delver/copyright /usr/share/doc/delver/changelog.gz; do
        [ -s "$f" ] || fail "the package put no $f"
    done
    play_and_check /usr/games/delver "" "$work/home/.local/share/delver"
    dpkg -r delver >"$work/dpkg.txt" 2>&1 || fail "dpkg -r failed: $(cat "$work/dpkg.txt")"
    installed_package=0
    [ ! -e /usr/games/delver ] && [ ! -e /usr/share/games/delver ] || fail "dpkg -r left the game behind"
    say "passed: the Debian package installs, plays in the player's folder and goes again"
    ;;
*)
    echo "usage: $0 install|package BUILD_DIR" >&2
    exit 2
    ;;
esac
