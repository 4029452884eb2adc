#!/usr/bin/env bash
# Installs the Debian packages delver needs. Skips the work when everything
# is already there. Needs root or sudo.
#
# usage: install_deps.sh play   what building and playing the game needs
#        install_deps.sh web    that, plus what the browser build needs
#        install_deps.sh test   all of that, plus the tools the tests use
set -euo pipefail

play_packages=(
  cmake make g++ pkg-config
  libsdl2-dev libegl-dev libgl-dev libglu1-mesa-dev libegl-mesa0 libgl1-mesa-dri libpng-dev
)
# The browser build: Debian's emscripten (with binaryen and Node.js).
web_packages=(
  emscripten
)
# The browser tests drive Debian's Chromium (npm installs their driver
# from the committed lockfile; Debian's npm only where none is there).
browser_test_packages=(
  chromium
)
test_packages=(
  libgtest-dev
  xvfb xauth xdotool
  dpkg-dev
  g++-mingw-w64-i686-win32
  clang clang-format
  lintian appstream desktop-file-utils
  nsis icoutils
)
# Beside clang, the sanitizer and fuzzer runtimes of its own version
# (libclang-rt-<major>-dev), named once clang is there.

case "${1:-}" in
  play) packages=("${play_packages[@]}") ;;
  web) packages=("${play_packages[@]}" "${web_packages[@]}") ;;
  test) packages=("${play_packages[@]}" "${web_packages[@]}" "${test_packages[@]}" "${browser_test_packages[@]}") ;;
  *) echo "usage: $0 play|web|test" >&2; exit 2 ;;
esac
if [ "$1" = test ] && ! command -v npm >/dev/null 2>&1; then packages+=(npm); fi

# install_missing PACKAGE...: installs those of them not yet installed.
apt_updated=0
install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then sudo="sudo"; else
      echo "delver: these packages are missing and I am not root: ${missing[*]}" >&2
      exit 1
    fi
  fi
  echo "delver: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  if [ "$apt_updated" -eq 0 ]; then
    $sudo apt-get update -qq
    apt_updated=1
  fi
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

install_missing "${packages[@]}"
if [ "$1" = test ]; then
  # "Debian clang version 14.0.6" needs libclang-rt-14-dev.
  clang_major=$(clang --version | sed -nE 's/.*clang version ([0-9]+)\..*/\1/p' | head -n 1)
  if [ -z "$clang_major" ]; then
    echo "delver: cannot read clang's version from 'clang --version'" >&2
    exit 1
  fi
  install_missing "libclang-rt-$clang_major-dev"
fi
