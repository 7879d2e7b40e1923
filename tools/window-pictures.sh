#!/usr/bin/env bash
# Draws the README's pictures of the launcher window again, headless: at the
# default 96 dots per inch (launcher-window.png) and at Large Fonts, 120 dots
# per inch (launcher-window-120dpi.png), where the window is larger and the
# picture is scaled to fill it. Each is what tools/run.sh saves without a
# display.
#
#   tools/window-pictures.sh [OUT_DIR]     default: docs/
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QX_BUILD_DIR:-$root/build}
out=${1:-$root/docs}
mkdir -p "$out"

for dpi in 96 120; do
  name=launcher-window.png
  [ "$dpi" = 96 ] || name=launcher-window-${dpi}dpi.png
  env -u DISPLAY "$root/tools/run.sh" --dpi "$dpi" >/dev/null
  cp "$build/run/launcher-window.png" "$out/$name"
  echo "picture: $out/$name"
done
