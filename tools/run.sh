#!/usr/bin/env bash
# Builds the launcher, lays out the sample CD, makes a Wine prefix whose
# drive D: is that CD (a CD-ROM drive) and starts the launcher from D:\.
# With DISPLAY set it runs on that display until you close it and whatever it
# started (the installer, the game); the prefix stays, so that a second run is
# the CD put in again after installing: tools/run.sh --fresh starts over from
# a machine that never saw the game. Without DISPLAY, it runs headless under
# Xvfb in a fresh prefix, saves a screenshot of the window, prints its path
# and closes the launcher.
set -euo pipefail
fresh=0
[ "${1:-}" = --fresh ] && fresh=1
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QX_BUILD_DIR:-$root/build}

"$root/tools/install-deps.sh"
. "$root/tools/winelib.sh"
. "$root/tools/buildlib.sh"

# A failed build stops the script with the compiler's messages.
qx_build_win "$root" "$build/win" sample_cd qx_driver

state=$build/run
mkdir -p "$state"
export WINEPREFIX=$state/prefix
qx_stop_wineserver
if [ -n "${DISPLAY:-}" ] && [ "$fresh" -eq 0 ] && [ -d "$WINEPREFIX/drive_c" ]; then
  ln -sfn "$build/win/cd" "$WINEPREFIX/dosdevices/d:"
else
  qx_make_prefix "$WINEPREFIX" "$build/win/cd"
fi
echo "Sample CD: $build/win/cd (drive D: of $WINEPREFIX)"

cd "$build/win/cd" # the launcher's current directory is D:\

if [ -n "${DISPLAY:-}" ]; then
  set +e
  wine 'D:\Qxinst95.exe'
  code=$?
  echo "Launcher ended with exit code $code"
  # Install, Play and Configure leave the installer or the game running.
  wineserver -w
  set -e
  echo "Run tools/run.sh again to put the CD in again; tools/run.sh --fresh starts over."
  exit 0
fi

qx_start_xvfb "$state"
export DISPLAY=$(cat "$state/display")
trap 'qx_stop_wineserver; qx_stop_xvfb "$state"' EXIT
qx_start_wineserver

wine 'D:\Qxinst95.exe' &
launcher=$!
driver="$build/win/tests/win/qx_driver.exe"
read -r _ wx wy ww wh _ cx cy cw ch < <(wine "$driver" wait)

# The virtual desktop is one X window; window positions are relative to it.
desk=$(xwininfo -root -tree | grep -m1 'Wine desktop' | grep -oE '\+[0-9]+\+[0-9]+' | head -n1 || true)
dx=0 dy=0
if [ -n "$desk" ]; then
  dx=$(echo "$desk" | cut -d+ -f2); dy=$(echo "$desk" | cut -d+ -f3)
fi
shot=$state/launcher-window.png
/usr/bin/import -window root -crop "${ww}x${wh}+$((wx + dx))+$((wy + dy))" +repage "$shot"
echo "Screenshot of the launcher window: $shot"

wine "$driver" close
set +e
wait "$launcher"
code=$?
set -e
echo "Launcher ended with exit code $code"
