#!/usr/bin/env bash
# Builds delver and runs every test:
#   0. ./play.sh exactly as the README gives it, without a display: it must
#      build the game, play the demo and write a picture that is not black;
#   1. the native suite: unit and rendering tests, end-to-end runs of the
#      binary, the README's example commands, the windowed game on a virtual
#      X server pressed with real keys, the soak, the 32-bit Windows build
#      under Wine compared byte for byte with Linux, the Windows zip (packed
#      by the build from the cross-built program), `cmake --install` and the
#      Debian package (installed with dpkg and removed again when run as
#      root, as CI is), and the browser build played in headless Chromium
#      against the native game (reports, saves, pictures, a reload, DOM keys);
#   2. the whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer;
#   3. a short fixed-seed run of every fuzzer.
# ./test.sh --quick runs only the native suite, without the Windows and
# browser builds. At the end (a failed stage too) it prints each stage's
# time and the ten slowest tests of the native suite.
set -euo pipefail
cd "$(dirname "$0")"

quick=0
if [ "${1:-}" = "--quick" ]; then quick=1; fi

# The stages' wall-clock seconds, in the order they ran.
stage_names=()
stage_seconds=()
stage_now=""
stage_began=0
# stage NAME: ends the running stage (if any) and starts NAME ("" starts none).
stage() {
  if [ -n "$stage_now" ]; then
    stage_names+=("$stage_now")
    stage_seconds+=("$((SECONDS - stage_began))")
  fi
  stage_now=$1
  stage_began=$SECONDS
}
# The native suite's results, written by CTest in JUnit form.
junit=$PWD/build/Testing/delver-junit.xml
timing_report() {
  stage ""
  echo "== stage times"
  local i
  for i in "${!stage_names[@]}"; do
    printf '  %-16s %6d s\n' "${stage_names[$i]}" "${stage_seconds[$i]}"
  done
  if [ -s "$junit" ]; then
    echo "== the ten slowest tests of the native suite"
    # One <testcase name="..." ... time="..."> per test; seconds first, then name.
    grep -o '<testcase name="[^"]*"[^>]* time="[^"]*"' "$junit" |
      sed -E 's/^<testcase name="([^"]*)".* time="([^"]*)"$/\2 \1/' |
      LC_ALL=C sort -k1,1 -g -r | head -n 10 |
      while read -r secs name; do printf '  %12s s  %s\n' "$secs" "$name"; done || true
  fi
}
trap timing_report EXIT

stage "install"
scripts/install_deps.sh test

# A virtual X server for the windowed tests when there is no display.
with_display() {
  if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null 2>&1; then
    xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$@"
  else
    "$@"
  fi
}

stage "play.sh"
echo "== ./play.sh without a display"
rm -f build/demo.bmp
env -u DISPLAY -u WAYLAND_DISPLAY ./play.sh
# A 640 x 480 picture: at least a tenth of its bytes must be lit.
lit=$(tail -c +55 build/demo.bmp | tr -d '\000' | wc -c)
if [ "$lit" -lt 92160 ]; then
  echo "test.sh: the demo's picture build/demo.bmp is (nearly) black: $lit lit bytes" >&2
  exit 1
fi

native_args=("-DDELVER_WIN32_EXE=" "-DDELVER_WEB_SITE=")
if [ "$quick" -eq 0 ]; then
  stage "Windows build"
  echo "== Windows build (mingw-w64, 32-bit) and Wine"
  bash tests/wine/install_wine.sh
  cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release
  cmake --build build-win32 -j2 --target delver delver_faults  # build-win32/src/delver.exe, and one with the file hook
  stage "browser build"
  echo "== browser build (emscripten): the site folder build-web/site"
  scripts/build_web.sh
  native_args=("-DDELVER_WIN32_EXE=$PWD/build-win32/src/delver.exe" "-DDELVER_WEB_SITE=$PWD/build-web/site")
fi

stage "native build"
echo "== native build and tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "${native_args[@]}" >/dev/null
cmake --build build -j2
stage "native suite"
rm -f "$junit"
with_display ctest --test-dir build --output-on-failure -j2 --output-junit "$junit"
if [ "$quick" -eq 0 ]; then
  echo "== the Windows zip: $(ls "$PWD"/build/delver-*-win32.zip)"
fi

if [ "$quick" -eq 0 ]; then
  stage "sanitizers"
  echo "== sanitizer build and tests"
  with_display scripts/sanitize.sh
  stage "fuzzing"
  echo "== fuzzing"
  fuzz/run_fuzzers.sh build-fuzz 30
fi
echo "== all tests passed"
