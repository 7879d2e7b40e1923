#!/usr/bin/env bash
# Builds the launcher, lays out the sample CD, makes a Wine prefix whose
# drive D: is that CD (a CD-ROM drive) and starts the launcher from D:\.
# With DISPLAY set it runs on that display until you close it and whatever it
# started (the installer, the game); the prefix stays, so that a second run is
# the CD put in again after installing: tools/run.sh --fresh starts over from
# a machine that never saw the game. Without DISPLAY, it runs headless under
# Xvfb in a fresh prefix, saves a screenshot of the window, prints its path
# and closes the launcher.
#
#   tools/run.sh [--fresh] [--dpi N]
#
# --dpi N sets the display's dots per inch in the prefix before the launcher
# starts (96 is the default, 120 is Large Fonts); a kept prefix keeps it
# until --dpi 96 or --fresh.
#
# On a machine that cannot run 32-bit x86 programs (or with
# QX_WINE_EMULATED=1) the launcher runs in the emulated guest
# (tools/guestlib.sh): headless, the screenshot is saved all the same; with
# DISPLAY, QEMU's window shows the guest's own X screen, where the launcher
# can be clicked.
set -euo pipefail
# The options as given, for the guest's run of this script.
options=("$@")
fresh=0 dpi=
while [ $# -gt 0 ]; do
  case "$1" in
    --fresh) fresh=1; shift ;;
    --dpi) dpi=${2:?--dpi needs a number}; shift 2 ;;
    *) echo "usage: $0 [--fresh] [--dpi N]" >&2; exit 2 ;;
  esac
done
case "$dpi" in
  ""|*[!0-9]*) [ -z "$dpi" ] || { echo "run.sh: --dpi takes a number, not $dpi" >&2; exit 2; } ;;
esac
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QX_BUILD_DIR:-$root/build}

. "$root/tools/winelib.sh"
if [ "${QX_IN_GUEST:-0}" != 1 ]; then
  "$root/tools/install-deps.sh"
  . "$root/tools/buildlib.sh"
  # A failed build stops the script with the compiler's messages.
  qx_build_win "$root" "$build/win" sample_cd qx_driver
  export QX_BUILD_DIR=$build
  if [ -n "${DISPLAY:-}" ] && [ "$(qx_wine_path)" = emulated ]; then
    exec "$root/tools/run-shown.sh" "${options[@]}"
  fi
  # Where Wine runs in the guest, the rest of this script runs there.
  qx_wine_here "$0" "${options[@]}"
fi

state=$build/run
driver=$build/win/tools/qx_driver.exe
if [ -n "${DISPLAY:-}" ]; then
  # On the user's display, with the prefix kept unless --fresh. Wine starts
  # and ends its own server, so that waiting for it waits for the installer
  # or the game that the launcher started.
  settings=("display=$DISPLAY" server=wine prefix=shared)
  [ "$fresh" -eq 1 ] || settings+=(prefix=keep)
  [ -z "$dpi" ] || settings+=("dpi=$dpi")
  qx_session_start "$state" "$build/win/cd" "${settings[@]}"
  echo "Sample CD: $build/win/cd (drive D: of $WINEPREFIX)"
  cd "$build/win/cd" # the launcher's current directory is D:\
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

trap 'qx_session_stop "$state"' EXIT
qx_session_start "$state" "$build/win/cd" ${dpi:+"dpi=$dpi"}
echo "Sample CD: $build/win/cd (drive D: of $WINEPREFIX)"
cd "$build/win/cd"

wine 'D:\Qxinst95.exe' &
launcher=$!
read -r _ wx wy ww wh _ < <(wine "$driver" wait)

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
