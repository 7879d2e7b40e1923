#!/usr/bin/env bash
# Installs what is needed, checks the code with the lint script, builds
# everything with warnings as errors and runs every test: the native unit
# tests (clang, ASan and UBSan), a short fuzzing run of each target, and the
# tests of the i686 build under Wine on a headless X server. On a machine that
# cannot run 32-bit x86 programs (or with QX_WINE_EMULATED=1), the tests that
# need Wine run in an emulated x86-64 guest (tools/guestlib.sh), the others
# here; QX_WINE_EMULATED=0 forbids that.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QX_BUILD_DIR:-$root/build}
fuzz_seconds=${QX_FUZZ_SECONDS:-60}
# Every build below, the fuzzing one included, treats a warning as an error.
export QX_WARNINGS_AS_ERRORS=ON

"$root/tools/install-deps.sh"
. "$root/tools/winelib.sh"
# Decided once, and said once, for every script below.
QX_WINE_PATH=$(qx_wine_path)
export QX_WINE_PATH QX_BUILD_DIR=$build
if [ "$QX_WINE_PATH" = emulated ]; then
  # The guest boots (and, the first time, is made: a few minutes) while the
  # native half runs.
  guest=$(qx_guest_default_dir)
  mkdir -p "$build"
  qx_guest_ensure "$guest" >"$build/guest-boot.log" 2>&1 &
  guest_boot=$!
  trap 'qx_guest_stop "$guest"' EXIT
fi

echo "== lint"
QX_BUILD_DIR=$build "$root/tools/lint.sh"

echo "== native build and unit tests"
cmake -S "$root" -B "$build/native" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_COMPILE_WARNING_AS_ERROR=$QX_WARNINGS_AS_ERRORS >/dev/null
cmake --build "$build/native" -j2
ctest --test-dir "$build/native" --output-on-failure

echo "== fuzzing, ${fuzz_seconds}s per target"
QX_BUILD_DIR=$build "$root/tools/fuzz.sh" "$fuzz_seconds"

scale=1
if [ "$QX_WINE_PATH" = emulated ]; then
  # Each test's time limit catches a hang, and takes nothing from a test that
  # passes. Emulated, the tests take two to three times as long, and up to
  # half as long again when the machine's two cores are busy with more.
  scale=4
  echo "== the emulated guest for Wine"
  if ! wait "$guest_boot"; then
    cat "$build/guest-boot.log"
    echo "the emulated guest did not start" >&2
    exit 1
  fi
  cat "$build/guest-boot.log"
  echo "the guest answers (image $(qx_guest_image_dir))"
fi

if [ "$QX_WINE_PATH" = emulated ]; then
  echo "== i686 build and tests under Wine, which runs in the emulated guest (DOSBox and the file checks here)"
else
  echo "== i686 build and tests under Wine, which runs on this machine"
fi
cmake -S "$root" -B "$build/win" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_COMPILE_WARNING_AS_ERROR=$QX_WARNINGS_AS_ERRORS \
  -DQX_TEST_TIMEOUT_SCALE=$scale >/dev/null
cmake --build "$build/win" -j2
ctest --test-dir "$build/win" --output-on-failure -j4

echo "== the run command without a display, at 96 and at 120 dots per inch"
# The README's first command as it goes without a display: a picture of the
# launcher's window, and with --dpi 120 (Large Fonts) a larger window.
window_at() {
  rm -f "$build/run/launcher-window.png"
  env -u DISPLAY "$root/tools/run.sh" "$@" >"$build/run-command.log" 2>&1 ||
    { cat "$build/run-command.log"; echo "the run command failed" >&2; return 1; }
  identify -format '%w %h' "$build/run/launcher-window.png"
}
at96=$(window_at)
at120=$(window_at --dpi 120)
read -r w96 h96 <<<"$at96"
read -r w120 h120 <<<"$at120"
echo "the launcher's window: ${w96}x${h96} at 96 dots per inch, ${w120}x${h120} at 120"
if [ "$w120" -le "$w96" ] || [ "$h120" -le "$h96" ]; then
  echo "the window at 120 dots per inch is no larger than at 96: the run command lost --dpi" >&2
  exit 1
fi
