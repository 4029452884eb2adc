#!/usr/bin/env bash
# Installs the browser test's npm packages exactly as the lockfile pins them
# (playwright-core, which drives the system's Chromium and downloads no
# browser, and axe-core, the accessibility check) and plays the web build in
# headless Chromium against the native game.
#   tests/web/run.sh [SITE]     (SITE defaults to build-web/site; see browser_test.mjs)
set -euo pipefail
site=()
if [ $# -gt 0 ]; then site=("$(realpath -m "$1")"); fi
cd "$(dirname "$0")"
if ! node -e 'process.exit(+process.versions.node.split(".")[0] >= 20 ? 0 : 1)' 2>/dev/null; then
  echo "tests/web: needs Node.js 20 or newer (node and npm on the PATH)" >&2
  exit 1
fi
npm ci --prefer-offline --no-audit --no-fund --loglevel=error
exec node browser_test.mjs "${site[@]}"
