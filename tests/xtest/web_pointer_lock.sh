#!/usr/bin/env bash
# The browser build's captured mouse look in a real Chromium window on a
# virtual X server, clicked, moved and pressed through XTEST (xdotool):
# the Pointer Lock is taken by the click that turns mouse look on, its
# motion turns the view, Escape lets go without ending the game, and the
# recorded game replays natively alike (tests/web/pointer_lock.mjs).
#
# usage: web_pointer_lock.sh SITE DELVER GAME_DIR
# Exits 77 (reported as skipped) where Xvfb, xdotool or Node.js is missing.
set -uo pipefail

. "$(dirname "$0")/../support/say.sh" web_pointer_lock
[ $# -eq 3 ] || { echo "usage: $0 SITE DELVER GAME_DIR" >&2; exit 2; }
site=$(readlink -f "$1")
export DELVER_BIN=$(readlink -f "$2") DELVER_GAME=$(readlink -f "$3")
work=$(mktemp -d)
. "$(dirname "$0")/../support/xdisplay.sh"
trap 'stop_display; rm -rf "$work"' EXIT
command -v npm >/dev/null 2>&1 || skip "Node.js is not installed"
start_display
cd "$(dirname "$0")/../web" || fail "no tests/web"
npm ci --prefer-offline --no-audit --no-fund --loglevel=error || fail "npm ci in tests/web failed"
node pointer_lock.mjs "$site" || fail "see above"
