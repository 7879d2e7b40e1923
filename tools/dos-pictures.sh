#!/usr/bin/env bash
# Draws the README's pictures of MS-DOS mode: DOSBox's screen, on a headless
# X server, as Windows 95 and 98 show it after the restart. The launcher's
# first start under Wine writes the two first-run files; DOSBox then runs
# c:\_qxchkcd.bat on that drive C: with the CD image as drive D:, as MS-DOS
# mode would; then the installed game, as qxconfig.pif starts it.
#
#   tools/dos-pictures.sh [OUT_DIR]     default: docs/
#
# Keys go in as a person would press them (xdotool), each a moment after
# the screen it answers.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QX_BUILD_DIR:-$root/build}

# dos-pictures.sh --first-start SESSION CD_DIR: the launcher's first start
# from the CD, in a Wine session whose drive C: is SESSION/prefix/drive_c.
# Where Wine runs in the emulated guest this part runs there, and the
# prefix lies in the build tree, which DOSBox on this side then mounts.
if [ "${1:-}" = --first-start ]; then
  . "$root/tools/winelib.sh"
  qx_wine_here "$0" "$@"
  session=$2 cd_dir=$3
  trap 'qx_session_stop "$session"' EXIT
  qx_session_start "$session" "$cd_dir" prefix=shared
  (cd "$cd_dir" && wine 'D:\Qxinst95.exe') &
  launcher=$!
  wine "$build/win/tools/qx_driver.exe" wait >/dev/null
  wine "$build/win/tools/qx_driver.exe" close >/dev/null
  wait "$launcher"
  exit 0
fi

out=${1:-$root/docs}
"$root/tools/install-deps.sh"
. "$root/tools/dosbox.sh"
. "$root/tools/buildlib.sh"
qx_build_win "$root" "$build/win" sample_cd qx_driver
export QX_BUILD_DIR=$build

state=$build/dos-pictures
session=$state/session dosbox=$state/dosbox
trap 'qx_dosbox_stop "$dosbox"' EXIT
rm -rf "$state"
mkdir -p "$state" "$out"
"$root/tools/make-cd-image.sh" "$build/win/cd" "$state/orvane.iso" >/dev/null

# The launcher's first start: the two files for MS-DOS mode on drive C:.
"$0" --first-start "$session" "$build/win/cd"
c=$session/prefix/drive_c

shot() {
  sleep "${2:-1}"
  qx_dosbox_screenshot "$dosbox" "$out/$1"
  echo "picture: $out/$1"
}

qx_dosbox_conf "$state/batch.conf" "$c" "$state/orvane.iso" -- "call c:\\_qxchkcd.bat"
qx_dosbox_start "$dosbox" "$state/batch.conf"
shot dos-1-installer.png 2
qx_dosbox_keys "$dosbox" Return   # the folder offered
qx_wait_for "!$c/qxinst.cfg" 60
shot dos-2-installed.png
qx_dosbox_keys "$dosbox" space    # the batch file's pause
qx_dosbox_wait "$dosbox"

qx_dosbox_conf "$state/game.conf" "$c" "$state/orvane.iso" -- "cd \\GAMES\\ORVANE" "ORVANE.EXE /SETUP"
qx_dosbox_start "$dosbox" "$state/game.conf"
shot dos-3-game.png 2
qx_dosbox_keys "$dosbox" space
qx_dosbox_wait "$dosbox"
