#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build/fuzz and runs each one for
# the given number of seconds (default 60). Inputs kept in
# fuzz/regression/<target>/ run first. Any further arguments go to libFuzzer
# as they are (for example -runs=10000000 with 0 seconds for no time limit).
# Exits non-zero when a target finds a fault; the input that found it is left
# in build/fuzz/artifacts/<target>/.
set -euo pipefail

seconds=${1:-60}
shift || true
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QX_BUILD_DIR:-$root/build}/fuzz
targets=(canonicalize_command_path canonicalize_differential expand_command_template dib_scale
  install_setting installation)

cmake -S "$root" -B "$build" \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DQX_FUZZ=ON -DQX_SANITIZE=ON \
  -DCMAKE_COMPILE_WARNING_AS_ERROR="${QX_WARNINGS_AS_ERRORS:-OFF}" >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/#/fuzz_}" >/dev/null

# Each target runs in the background with its log in build/fuzz/logs; the
# targets share the machine's cores. Only the closing figures are printed,
# or the log's end when a target failed.
run_target() {
  local target=$1; shift
  local exe=$build/fuzz/fuzz_$target
  local artifacts=$build/artifacts/$target
  local work=$build/corpus/$target
  mkdir -p "$artifacts" "$work"

  shopt -s nullglob
  local regressions=("$root/fuzz/regression/$target"/*)
  shopt -u nullglob
  regressions=("${regressions[@]/*README*/}")
  local inputs=()
  for f in "${regressions[@]}"; do [ -n "$f" ] && inputs+=("$f"); done
  if [ ${#inputs[@]} -gt 0 ]; then
    "$exe" -artifact_prefix="$artifacts/" "${inputs[@]}" || return 1
  fi
  "$exe" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$artifacts/" "$@" \
    "$work" "$root/fuzz/corpus/$target"
}

mkdir -p "$build/logs"
pids=()
for target in "${targets[@]}"; do
  echo "fuzz: $target: ${seconds} s"
  run_target "$target" "$@" >"$build/logs/$target.log" 2>&1 &
  pids+=($!)
done

status=0
for i in "${!targets[@]}"; do
  target=${targets[$i]}
  log=$build/logs/$target.log
  if wait "${pids[$i]}"; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n1)
    secs=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -n1)
    echo "fuzz: $target: ${runs:-?} executions in ${secs:-?} s, no finding"
  else
    status=1
    echo "fuzz: $target: FAILED (log: $log)"
    tail -n 40 "$log"
  fi
done

[ $status -eq 0 ] || echo "fuzz: a target failed; see $build/artifacts" >&2
exit $status
