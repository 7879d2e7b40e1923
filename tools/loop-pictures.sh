#!/usr/bin/env bash
# Draws the README's pictures of the loop on a headless X server: the first
# run, the MS-DOS-mode warning, the installer, the installer's last word, the
# launcher once the game is installed, and the sample game. Each picture is
# the Wine desktop trimmed to its windows.
#
#   tools/loop-pictures.sh [OUT_DIR]     default: docs/
#
# Keys go in as a person would press them (xdotool), so every step waits a
# moment for the window it opens.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QX_BUILD_DIR:-$root/build}
out=${1:-$root/docs}

. "$root/tools/winelib.sh"
state=$build/pictures
mkdir -p "$out"
if [ "${QX_IN_GUEST:-0}" != 1 ]; then
  "$root/tools/install-deps.sh"
  . "$root/tools/buildlib.sh"
  qx_build_win "$root" "$build/win" sample_cd qx_driver
  if [ "$(qx_wine_path)" = emulated ]; then
    # Wine runs in the emulated guest, which sees only the source and build
    # trees: the pictures are drawn there into the build tree, and copied
    # from it here.
    export QX_BUILD_DIR=$build
    rm -rf "$state/drawn"
    qx_guest_run -- "$0" "$state/drawn" >/dev/null
    for picture in "$state"/drawn/*.png; do
      cp "$picture" "$out/"
      echo "picture: $out/$(basename "$picture")"
    done
    exit 0
  fi
fi

trap 'qx_session_stop "$state"' EXIT
qx_session_start "$state" "$build/win/cd"
driver=$build/win/tools/qx_driver.exe
cd "$build/win/cd"

shot() {
  sleep "${2:-1.5}"
  # import reads what the child windows show; x:root would leave them black.
  /usr/bin/import -window root "$state/screen.png"
  /usr/bin/convert "$state/screen.png" -fuzz 2% -trim +repage "$out/$1"
  echo "picture: $out/$1"
}
key() { xdotool key --clearmodifiers "$@"; }
# activate TITLE: a click on the title bar of the window with that title. A
# program that a batch file starts does not always come to the front.
activate() {
  local geometry
  geometry=$(xwininfo -root -tree | grep -m1 "\"$1\": (" | grep -oE '[0-9]+x[0-9]+\+[0-9]+\+[0-9]+' | head -n1)
  [ -n "$geometry" ] || { echo "loop-pictures: no window \"$1\"" >&2; return 1; }
  local x=${geometry#*+} ; local y=${x#*+}; x=${x%%+*}
  xdotool mousemove $((x + 60)) $((y + 8)) click 1
  sleep 0.5
}

wine 'D:\Qxinst95.exe' &
wine "$driver" wait >/dev/null
shot loop-1-first-run.png 0.5
key Return                       # Install
shot loop-2-warning.png
key Return                       # OK: the launcher ends, the batch file starts Setup
sleep 4
activate "Orvane Setup"
shot loop-3-installer.png 0.5
key Return                       # Install into C:\GAMES\ORVANE
shot loop-4-installed.png 3
key Return                       # OK: Setup ends
sleep 2
wine 'D:\Qxinst95.exe' &
wine "$driver" wait >/dev/null
shot loop-5-play.png 0.5
key Return                       # Play
sleep 1.5
key Return                       # OK: the batch file starts the game
sleep 4
activate "Orvane"
shot loop-6-game.png 0.5
key Return                       # Quit the game
