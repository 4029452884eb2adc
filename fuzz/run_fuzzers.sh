#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into BUILD_DIR and runs each for
# SECONDS with a fixed seed, printing how many inputs it executed. Exits
# non-zero when a build fails or a target finds a crash.
#
#   fuzz/run_fuzzers.sh BUILD_DIR [SECONDS]      (SECONDS defaults to 60)
#
# CC and CXX may name other clang builds (default clang, clang++).
set -euo pipefail

if [[ $# -lt 1 || $# -gt 2 ]]; then
  echo "usage: $0 BUILD_DIR [SECONDS]" >&2
  exit 2
fi
build_dir=$1
seconds=${2:-60}
if ! [[ $seconds =~ ^[0-9]+$ ]] || (( seconds < 1 )); then
  echo "$0: SECONDS must be a positive whole number, not '$seconds'" >&2
  exit 2
fi

source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Each target and the folder of its seed corpus under fuzz/corpus/.
targets=(bmp_loader_fuzz:bmp)

CC=${CC:-clang} CXX=${CXX:-clang++} cmake -S "$source_dir" -B "$build_dir" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDELVER_FUZZ=ON \
  -DDELVER_BUILD_TESTS=OFF -DDELVER_BUILD_BENCHMARKS=OFF -DDELVER_BUILD_TOOLS=OFF >/dev/null

names=()
for t in "${targets[@]}"; do names+=("${t%%:*}"); done
cmake --build "$build_dir" -j2 --target "${names[@]}"

status=0
for t in "${targets[@]}"; do
  name=${t%%:*}
  seeds="$source_dir/fuzz/corpus/${t#*:}"
  # New inputs go into a working corpus in the build folder; the checked-in
  # seeds are only read.
  work="$build_dir/fuzz/corpus-$name"
  artifacts="$build_dir/fuzz/artifacts-$name/"
  mkdir -p "$work" "$artifacts"
  log="$build_dir/fuzz/$name.log"
  echo "== $name: ${seconds}s, seed 1"
  if "$build_dir/fuzz/$name" -seed=1 -max_total_time="$seconds" -print_final_stats=1 \
       -artifact_prefix="$artifacts" "$work" "$seeds" >"$log" 2>&1; then
    result=ok
  else
    result=FAILED
    status=1
    tail -n 40 "$log" >&2
  fi
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  echo "$name: ${execs:-unknown} executions, $result (log: $log)"
done
exit $status
