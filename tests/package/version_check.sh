#!/usr/bin/env bash
# The version is written once, in project(); everything that shows it must
# agree: the program's --version, the manual page, the AppStream release,
# the Debian changelog and, when the cross-built delver.exe is named, its
# version resource and manifest (listed by wrestool with the icon) and the
# installer made beside it.
#
# usage: version_check.sh VERSION DELVER PAPERS_DIR [WINDOWS_EXE]
set -uo pipefail
say() { echo "version_check: $*"; }
problems=0
differs() { say "FAILED: $1 says '$2', project() says '$version'"; problems=1; }

[ $# -ge 3 ] || { echo "usage: $0 VERSION DELVER PAPERS_DIR [WINDOWS_EXE]" >&2; exit 2; }
version=$1 delver=$2 papers=$3 exe=${4:-}

got=$("$delver" --version)
[ "$got" = "delver $version" ] || differs "delver --version" "$got"
got=$(sed -n 's/^\.TH DELVER 6 "[^"]*" "delver \([^"]*\)".*/\1/p' "$papers/delver.6")
[ "$got" = "$version" ] || differs "the manual page" "$got"
got=$(gzip -dc "$papers/delver.6.gz" | sed -n 's/^\.TH DELVER 6 "[^"]*" "delver \([^"]*\)".*/\1/p')
[ "$got" = "$version" ] || differs "the packed manual page" "$got"
got=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$papers"/*.metainfo.xml)
[ "$got" = "$version" ] || differs "the AppStream release" "$got"
got=$(gzip -dc "$papers/changelog.gz" | sed -n '1s/^delver (\([^)]*\)).*/\1/p')
[ "$got" = "$version" ] || differs "the Debian changelog" "$got"

if [ -n "$exe" ]; then
    command -v wrestool >/dev/null || { say "FAILED: wrestool is missing (scripts/install_deps.sh test installs icoutils)"; exit 1; }
    list=$(wrestool -l "$exe")
    say "resources of $(basename "$exe"):"
    echo "$list"
    for type in 14 16 24; do  # the icon group, the version, the manifest
        echo "$list" | grep -q -- "--type=$type " ||
            { say "FAILED: delver.exe has no resource of type $type"; problems=1; }
    done
    # The version resource's strings are UTF-16.
    strings_of() { wrestool -x --raw --type="$1" "$exe" | tr -d '\0'; }
    for key in FileVersion ProductVersion; do
        got=$(strings_of 16 | grep -ao "$key[^A-Za-z]*[0-9][0-9.]*" | sed "s/^$key[^0-9]*//; s/\.*$//" | head -n 1)
        [ "$got" = "$version" ] || differs "the exe's $key" "$got"
    done
    got=$(strings_of 24 | sed -n 's/.*name="delver" version="\([^"]*\)\.0".*/\1/p')
    [ "$got" = "$version" ] || differs "the exe's manifest" "$got"
    strings_of 24 | grep -q 'PerMonitorV2' || { say "FAILED: the manifest declares no per-monitor DPI awareness"; problems=1; }
    strings_of 24 | grep -q 'level="asInvoker"' || { say "FAILED: the manifest does not run asInvoker"; problems=1; }
    # The installer made in the same cross build.
    cpack_config=$(dirname "$(dirname "$(readlink -f "$exe")")")/CPackConfig.cmake
    if [ -f "$cpack_config" ]; then
        got=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\([^"]*\)")/\1/p' "$cpack_config")
        [ "$got" = "$version" ] || differs "the installer's $cpack_config" "$got"
    fi
fi
[ "$problems" -eq 0 ] || exit 1
say "passed: every place says $version"
