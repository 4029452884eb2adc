#!/usr/bin/env bash
# Builds win32_backend_check.cpp with the Win32 backend for one architecture
# (mingw-w64) and runs it under Wine on a virtual X display.
#
# usage: win32_backend_check.sh i686|x86_64 SOURCE_DIR
#
# Exits 77 (reported as skipped) when the cross compiler, Wine or Xvfb is
# missing or cannot run the program here, saying why.
set -uo pipefail

. "$(dirname "$0")/../support/say.sh" win32_backend_check

[ $# -eq 2 ] || { echo "usage: $0 i686|x86_64 SOURCE_DIR" >&2; exit 2; }
target=$1
src=$(readlink -f "$2")
case "$target" in
    i686) arch=i386 ;;
    x86_64) arch=x86_64 ;;
    *) fail "unknown architecture '$target'" ;;
esac

cxx=""
for c in "$target-w64-mingw32-g++-win32" "$target-w64-mingw32-g++"; do
    if command -v "$c" >/dev/null 2>&1; then cxx=$c; break; fi
done
[ -n "$cxx" ] || skip "no $target mingw-w64 C++ compiler ($target-w64-mingw32-g++)"

. "$(dirname "$0")/wine_env.sh"
wine_prepare "$arch"

work=$(mktemp -d /tmp/delver-win32-check.XXXXXX)
exe="$work/win32_backend_check.exe"
if ! "$cxx" -std=c++20 -O1 -Wall -Wextra -Werror -I"$src/src" \
        "$src/tests/wine/win32_backend_check.cpp" "$src/src/platform/win32/win32_platform.cpp" \
        "$src/src/platform/frame_pacer.cpp" "$src/src/platform/input.cpp" "$src/src/platform/key_presses.cpp" \
        -o "$exe" -static -static-libgcc -static-libstdc++ -lopengl32 -lgdi32 -luser32 -lwinmm; then
    fail "the check did not compile; folder kept: $work"
fi

say "$version ($arch): running the backend check"
(cd "$work" && timeout -k 10 600 xvfb-run -a -s "-screen 0 1024x768x24" "$loader" "$exe" >out.txt 2>err.txt)
status=$?
cat "$work/out.txt"
if [ "$status" -ne 0 ]; then
    tail -20 "$work/err.txt"
    wine_fail_or_skip "exit status $status; folder kept: $work"
fi
rm -rf "$work"
say "PASSED"
