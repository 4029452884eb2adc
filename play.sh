#!/usr/bin/env bash
# Sets everything up and plays delver with our own art and default overworld.
# Extra arguments go to the game (for example --seed 11).
set -euo pipefail
cd "$(dirname "$0")"
here="$PWD"
scripts/install_deps.sh play
cmake -S . -B build >/dev/null
cmake --build build -j2 --target delver delver_game_folder
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/src/delver -C build/game "$@"
fi
echo "delver: there is no display here (DISPLAY and WAYLAND_DISPLAY are unset)."
echo "delver: playing the bundled demo offscreen instead."
build/src/delver -C build/game --headless --seed 11 --input "$here/demo/demo.txt" --frames 400 \
  --screenshot "$here/build/demo.bmp" --report "$@"
echo "delver: the demo's last picture is $here/build/demo.bmp"
