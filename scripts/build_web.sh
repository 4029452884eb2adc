#!/usr/bin/env bash
# Builds delver for the browser: the site folder build-web/site, which any
# static web server can serve (open its index.html through the server).
# Uses Debian's emscripten, offline. The native art generator paints the
# game folder packed into the site (and the page's icons), so a native build
# (build/) is made or brought up to date first.
#   scripts/build_web.sh [WEB_DIR [NATIVE_DIR]]   (default build-web and build)
set -euo pipefail
cd "$(dirname "$0")/.."
web_dir=${1:-build-web}
native_dir=${2:-build}
scripts/install_deps.sh web
cmake -S . -B "$native_dir" >/dev/null
cmake --build "$native_dir" -j2 --target delver_artgen
# Debian's emscripten runs its optimiser with Debian's own JavaScript
# modules, found through NODE_PATH.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
emcmake cmake -S . -B "$web_dir" -DCMAKE_BUILD_TYPE=Release \
  -DDELVER_ARTGEN="$(realpath "$native_dir")/tools/delver_artgen" >/dev/null
cmake --build "$web_dir" -j2
echo "delver: the site is in $(realpath "$web_dir")/site"
