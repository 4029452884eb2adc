#!/usr/bin/env bash
# The sanitizer suite: builds delver and its tests with clang's
# AddressSanitizer and UndefinedBehaviorSanitizer into BUILD_DIR (default
# build-asan) and runs the whole CTest suite there, the soak included, with
# LeakSanitizer on at every exit. The first report ends the process that
# made it; any report fails the suite.
#
#   scripts/sanitize.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build-asan}
case $build in /*) ;; *) build=$root/$build ;; esac

CC=${SANITIZE_CC:-clang} CXX=${SANITIZE_CXX:-clang++} cmake -S . -B "$build" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDELVER_SANITIZE=ON \
  -DDELVER_BUILD_TESTS=ON -DDELVER_BUILD_BENCHMARKS=OFF -DDELVER_BUILD_TOOLS=ON >/dev/null
cmake --build "$build" -j2

# Every report also goes to a file of its own, so that none can pass
# unseen, not even from a process whose exit status a test does not check.
reports=$build/sanitizer-reports
rm -rf "$reports"
mkdir -p "$reports"
common="halt_on_error=1:exitcode=86:log_path=$reports/report:print_stacktrace=1"
export ASAN_OPTIONS="$common:abort_on_error=0:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1"
export UBSAN_OPTIONS="$common"
export LSAN_OPTIONS="$common:suppressions=$root/tests/lsan.supp:print_suppressions=0"

status=0
ctest --test-dir "$build" --output-on-failure -j2 || status=1

if compgen -G "$reports/report*" >/dev/null; then
  echo "sanitize.sh: sanitizer reports:" >&2
  for f in "$reports"/report*; do
    echo "---- $f" >&2
    cat "$f" >&2
  done
  status=1
fi
if [ $status -eq 0 ]; then
  echo "sanitize.sh: no sanitizer reports; every test passed"
fi
exit $status
