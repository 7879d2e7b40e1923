#!/usr/bin/env bash
# Benchmarks the launcher against the least a window like it can do: builds
# the launcher, the baseline program and their benchmark builds in the
# program's configuration, the native programs that count instructions and
# watch the screen, then measures in one warm Wine prefix and prints the
# table, which also goes to docs/PERFORMANCE.md with the machine and the date.
# Takes a few minutes; run it on a quiet machine.
#
#   QX_BENCH_RUNS        rounds of start-up runs (default 60)
#   QX_BENCH_PAINT_RUNS  rounds of 500 repaints (default 20)
#   QX_BENCH_OUTPUT      where the report goes (default docs/PERFORMANCE.md)
#   QX_BENCH_INSTALLED   1: qx.ini names an installed game, so the launcher
#                        starts with Play and writes no first-run files
#                        (default: not installed, as on the sample CD)
#
# Where Wine runs on an emulated CPU (tools/guestlib.sh) its timings say
# nothing of the launcher: there only the sizes and the instruction counts
# are measured, and the report goes to the build tree, not to the docs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QX_BUILD_DIR:-$root/build}/bench
output=${QX_BENCH_OUTPUT:-$root/docs/PERFORMANCE.md}

"$root/tools/install-deps.sh"
. "$root/tools/winelib.sh"
. "$root/tools/buildlib.sh"
wine_path=$(qx_wine_path)

echo "== builds"
# The i686 tree in the program's own configuration, as the run script builds
# it; the compile commands show that the baseline gets the launcher's flags.
cmake -S "$root" -B "$build/win" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
  -DQX_WIN_TESTS=OFF -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
qx_build_win "$root" "$build/win" sample_cd qx_baseline qx_bench_launcher qx_bench_baseline \
  qx_bench_launcher_paint qx_bench_baseline_paint
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$build/win/CMakeCache.txt")
cmake -S "$root" -B "$build/native" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=Release -DQX_SANITIZE=OFF >/dev/null
cmake --build "$build/native" -j2 --target qx_bench_commands qx_bench_robot >"$build/native-build.log" 2>&1 ||
  { cat "$build/native-build.log"; exit 1; }

# The sample CD with the other programs beside the launcher: all start from D:\.
cd_dir=$build/cd
rm -rf "$cd_dir"
cp -r "$build/win/cd" "$cd_dir"
cp "$build/win/bench/"*.exe "$cd_dir/"

if [ "$wine_path" = emulated ]; then
  echo "== measuring sizes and instruction counts only: Wine runs on an emulated CPU here, so"
  echo "   its timings would not be comparable, and docs/PERFORMANCE.md stays as it is"
  python3 "$root/bench/bench.py" \
    --win-build "$build/win" --cd-dir "$cd_dir" --build-type "$build_type" \
    --launcher-exe "$build/win/Qxinst95.exe" --baseline-exe "$build/win/bench/qx_baseline.exe" \
    --commands-exe "$build/native/bench/qx_bench_commands" --robot-exe "$build/native/bench/qx_bench_robot" \
    --backdrop "$root/res/backdrop.bmp" --resource-script "$root/res/Qxinst95.rc" \
    --scenario "sizes and instruction counts only (Wine emulated)" --no-wine \
    --output "$build/PERFORMANCE-emulated.md" "$@"
  exit 0
fi

state=$build/run
trap 'qx_session_stop "$state"' EXIT
qx_session_start "$state" "$cd_dir"
scenario="no InstallDir value, so the launcher writes its two first-run files on every start"
scenario+=" (QX_BENCH_INSTALLED=1 measures an installed game instead)"
if [ "${QX_BENCH_INSTALLED:-0}" = 1 ]; then
  mkdir -p "$WINEPREFIX/drive_c/games/orvane"
  printf '[Orvane]\r\nInstallDir=C:\\GAMES\\ORVANE\r\n' >"$WINEPREFIX/drive_c/windows/qx.ini"
  scenario="qx.ini naming an installed game in C:\\GAMES\\ORVANE (QX_BENCH_INSTALLED=1),"
  scenario+=" so the launcher offers Play and writes no files"
fi

echo "== measuring"
python3 "$root/bench/bench.py" \
  --win-build "$build/win" --cd-dir "$cd_dir" --build-type "$build_type" \
  --launcher-exe "$build/win/Qxinst95.exe" --baseline-exe "$build/win/bench/qx_baseline.exe" \
  --commands-exe "$build/native/bench/qx_bench_commands" --robot-exe "$build/native/bench/qx_bench_robot" \
  --backdrop "$root/res/backdrop.bmp" --resource-script "$root/res/Qxinst95.rc" --scenario "$scenario" \
  --runs "${QX_BENCH_RUNS:-60}" --paint-runs "${QX_BENCH_PAINT_RUNS:-20}" --output "$output" --raw "$build/runs.json" "$@"
