#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into BUILD_DIR and runs each for
# SECONDS with a fixed seed, printing how many inputs it executed. Exits
# non-zero when a build fails or a target finds a crash (the crashing input
# is kept in BUILD_DIR/fuzz/artifacts-<target>/).
#
#   fuzz/run_fuzzers.sh BUILD_DIR [SECONDS [TARGET...]]   (SECONDS defaults to 60)
#
# TARGET names some of bmp_loader_fuzz, save_slot_fuzz, overworld_fuzz and
# input_script_fuzz (default: all). CC and CXX may name other clang builds
# (default clang, clang++). What a run finds beyond the seeds is kept in
# BUILD_DIR/fuzz/corpus-<target>/, so a later run goes on from there.
set -euo pipefail

if [[ $# -lt 1 ]]; then
  echo "usage: $0 BUILD_DIR [SECONDS [TARGET...]]" >&2
  exit 2
fi
build_dir=$1
seconds=${2:-60}
shift $(( $# < 2 ? $# : 2 ))
if ! [[ $seconds =~ ^[0-9]+$ ]] || (( seconds < 1 )); then
  echo "$0: SECONDS must be a positive whole number, not '$seconds'" >&2
  exit 2
fi

source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mkdir -p "$build_dir"
build_dir=$(cd "$build_dir" && pwd)  # absolute: some targets change folder while they run

# Each target and the folder of its seed corpus under fuzz/corpus/.
all_targets=(bmp_loader_fuzz:bmp save_slot_fuzz:save_slot overworld_fuzz:overworld input_script_fuzz:input_script)
targets=()
if [[ $# -eq 0 ]]; then
  targets=("${all_targets[@]}")
else
  for want in "$@"; do
    found=
    for t in "${all_targets[@]}"; do
      if [[ ${t%%:*} == "$want" ]]; then targets+=("$t"); found=1; fi
    done
    if [[ -z $found ]]; then
      echo "$0: no fuzz target '$want'" >&2
      exit 2
    fi
  done
fi

# Mesa keeps some allocations until the process ends; only its libraries
# are excused (tests/lsan.supp). Reports halt the target at once.
export LSAN_OPTIONS="suppressions=$source_dir/tests/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"

CC=${CC:-clang} CXX=${CXX:-clang++} cmake -S "$source_dir" -B "$build_dir" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDELVER_FUZZ=ON \
  -DDELVER_BUILD_TESTS=OFF -DDELVER_BUILD_BENCHMARKS=OFF -DDELVER_BUILD_TOOLS=OFF >/dev/null

names=()
for t in "${targets[@]}"; do names+=("${t%%:*}"); done
cmake --build "$build_dir" -j2 --target "${names[@]}"

status=0
summary=()
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
  if "$build_dir/fuzz/$name" -seed=1 -max_total_time="$seconds" -timeout=60 -print_final_stats=1 \
       -artifact_prefix="$artifacts" "$work" "$seeds" >"$log" 2>&1; then
    result=ok
  else
    result=FAILED
    status=1
    tail -n 40 "$log" >&2
  fi
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  echo "$name: ${execs:-unknown} executions, $result (log: $log)"
  summary+=("$(printf '%-18s %10s executions in %ss  %s' "$name" "${execs:-unknown}" "$seconds" "$result")")
done
echo "== fuzzing summary"
printf '%s\n' "${summary[@]}"
exit $status
