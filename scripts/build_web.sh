#!/usr/bin/env bash
# Builds delver for the browser: the site folder build-web/site, which any
# static web server can serve (open its index.html through the server).
# Uses Debian's emscripten, offline. The native art generator paints the
# game folder packed into the site, so a native build (build/) is made or
# brought up to date first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install_deps.sh web
cmake -S . -B build >/dev/null
cmake --build build -j2 --target delver_artgen
# Debian's emscripten runs its optimiser with Debian's own JavaScript
# modules, found through NODE_PATH.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=Release \
  -DDELVER_ARTGEN="$PWD/build/tools/delver_artgen" >/dev/null
cmake --build build-web -j2
echo "delver: the site is in $PWD/build-web/site"
