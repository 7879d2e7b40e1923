#!/usr/bin/env bash
# Installs what is needed, checks the code with the lint script, builds
# everything with warnings as errors and runs every test: the native unit
# tests (clang, ASan and UBSan), a short fuzzing run of each target, and the
# tests of the i686 build under Wine on a headless X server.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QX_BUILD_DIR:-$root/build}
fuzz_seconds=${QX_FUZZ_SECONDS:-60}
# Every build below, the fuzzing one included, treats a warning as an error.
export QX_WARNINGS_AS_ERRORS=ON

"$root/tools/install-deps.sh"

echo "== lint"
QX_BUILD_DIR=$build "$root/tools/lint.sh"

echo "== native build and unit tests"
cmake -S "$root" -B "$build/native" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_COMPILE_WARNING_AS_ERROR=$QX_WARNINGS_AS_ERRORS >/dev/null
cmake --build "$build/native" -j2
ctest --test-dir "$build/native" --output-on-failure

echo "== fuzzing, ${fuzz_seconds}s per target"
QX_BUILD_DIR=$build "$root/tools/fuzz.sh" "$fuzz_seconds"

echo "== i686 build and tests under Wine"
cmake -S "$root" -B "$build/win" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_COMPILE_WARNING_AS_ERROR=$QX_WARNINGS_AS_ERRORS >/dev/null
cmake --build "$build/win" -j2
ctest --test-dir "$build/win" --output-on-failure -j4
