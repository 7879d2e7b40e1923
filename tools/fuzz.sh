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
build=$root/build/fuzz
targets=(canonicalize_command_path template_scan)

cmake -S "$root" -B "$build" \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DQX_FUZZ=ON -DQX_SANITIZE=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/#/fuzz_}" >/dev/null

status=0
for target in "${targets[@]}"; do
  exe=$build/fuzz/fuzz_$target
  artifacts=$build/artifacts/$target
  work=$build/corpus/$target
  mkdir -p "$artifacts" "$work"

  shopt -s nullglob
  regressions=("$root/fuzz/regression/$target"/*)
  shopt -u nullglob
  if [ ${#regressions[@]} -gt 0 ]; then
    echo "fuzz: $target: ${#regressions[@]} regression input(s)"
    "$exe" -artifact_prefix="$artifacts/" "${regressions[@]}" || status=1
  fi

  echo "fuzz: $target: ${seconds} s"
  "$exe" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$artifacts/" "$@" \
    "$work" "$root/fuzz/corpus/$target" || status=1
done

[ $status -eq 0 ] || echo "fuzz: a target failed; see $build/artifacts" >&2
exit $status
