#!/usr/bin/env bash
# The installer's MS-DOS half on a screen of 40 columns as well as 80: its
# texts break between words at the screen's width, and the prompt, once it
# runs past the row's end, stays one prompt over two rows however the keys
# edit it, also on the last row, where it moves the screen up. DOSBox runs
# the installer from the CD image with the keys from a file and its output
# on the screen; then the tests' own SCREEN.COM, which also sets the mode of
# 40 columns, writes the screen to a file, row by row, to compare.
#
#   narrow-screen-test.sh IMAGE WORK_DIR SCREEN_TOOL
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../tools/dosbox.sh"
image=$1 work=$2 screen_tool=$3
fail() { echo "narrow-screen-test: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"

# The folder offered, typed on past column 40, then Backspace, Left, Left,
# Right and Escape: C:\GAMES\ORVANE\PART2\PART3\PART, and cancelled.
keys='\\PART2\\PART3\\PART4\b\0K\0K\0M\e'
prompt40=(
  'Install to: C:\GAMES\ORVANE\PART2\PART3\'
  'PART'
)
# What the installer shows, row by row, at each width.
screen40=(
  'Orvane Setup'
  ''
  'Setup copies Orvane from the CD into'
  'the folder below and records it, so'
  "that the CD's launcher offers Play and"
  'Configure. The game runs in MS-DOS'
  'mode: at most 64 characters, and each'
  'part of the folder a name of at most'
  'eight characters, then a dot and at'
  'most three more.'
  ''
  'Enter installs, Escape cancels.'
  ''
  "${prompt40[@]}"
  ''
  'Setup was cancelled. Nothing was'
  'changed.'
)
screen80=(
  'Orvane Setup'
  ''
  'Setup copies Orvane from the CD into the folder below and records it, so that'
  "the CD's launcher offers Play and Configure. The game runs in MS-DOS mode: at"
  'most 64 characters, and each part of the folder a name of at most eight'
  'characters, then a dot and at most three more.'
  ''
  'Enter installs, Escape cancels.'
  ''
  'Install to: C:\GAMES\ORVANE\PART2\PART3\PART'
  ''
  'Setup was cancelled. Nothing was changed.'
)

# name | columns | lines on the screen before the installer starts (11 at
# 40 columns put the prompt on the last row)
cases=(
  "40 columns|40|0"
  "40 columns, the prompt on the last row|40|11"
  "80 columns|80|0"
)

n=0
for row in "${cases[@]}"; do
  IFS='|' read -r name columns lines <<<"$row"
  n=$((n + 1))
  dir=$work/case$n
  mkdir -p "$dir/c/WINDOWS" "$dir/e"
  printf '[Desktop]\r\nWallpaper=C:\\WINDOWS\\CLOUDS.BMP\r\n' >"$dir/c/WINDOWS/qx.ini"
  printf 'win95dir C:\\WINDOWS\r\n' >"$dir/c/qxinst.cfg"
  cp "$screen_tool" "$dir/e/SCREEN.COM"
  printf '%b' "$keys" >"$dir/e/KEYS.TXT"
  commands=("mount e \"$dir/e\"" cls)
  [ "$columns" = 80 ] || commands+=('E:\SCREEN 40')
  for i in $(seq "$lines"); do commands+=("echo line $i"); done
  commands+=('D:\INSTALL.EXE < E:\KEYS.TXT' 'E:\SCREEN > E:\SCREEN.TXT')
  qx_dosbox_conf "$dir/dosbox.conf" "$dir/c" "$image" -- "${commands[@]}"
  qx_dosbox_run "$dir/dosbox.conf" || fail "$name: DOSBox failed"
  [ -f "$dir/e/SCREEN.TXT" ] || fail "$name: no screen read back"

  # The screen's 25 rows: the lines before, the installer's, and the row
  # the cursor ends on, the last 25 of them once the screen moved up; blank
  # rows at the bottom do not count (as a shell's $(...) drops them).
  if [ "$columns" = 40 ]; then want=("${screen40[@]}"); else want=("${screen80[@]}"); fi
  all=()
  for i in $(seq "$lines"); do all+=("line $i"); done
  all+=("${want[@]}" '' '')
  expected=$(printf '%s\n' "${all[@]}" | tail -n 25)
  got=$(tr -d '\r' <"$dir/e/SCREEN.TXT")
  [ "$got" = "$expected" ] || fail "$name: the screen shows
$got
instead of
$expected"
  [ "$(grep -c 'Install to:' <<<"$got")" = 1 ] || fail "$name: the prompt is on the screen more than once"
  echo "ok: $name"
done
echo "narrow-screen-test: ${#cases[@]} screens of the installer in DOSBox"
