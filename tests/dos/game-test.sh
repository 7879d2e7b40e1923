#!/usr/bin/env bash
# The sample game's MS-DOS half in DOSBox, from the CD image and from a
# folder the game was copied to, started as the program-information files
# start it: to play (no arguments) and to configure (/SETUP). It shows what
# its window shows under Windows, waits for a key (from a file here) and
# ends with exit code 0.
#
#   game-test.sh IMAGE WORK_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../tools/dosbox.sh"
image=$1 work=$2
fail() { echo "game-test: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work/c/GAMES/ORVANE"
bsdtar -xf "$image" -C "$work/c/GAMES/ORVANE" --strip-components 1 game
printf ' ' >"$work/c/KEY.TXT"

# name | current folder | command | what it was started for | its path as DOS gives it
rows=(
  "play from the CD|C:\\|D:\\GAME\\ORVANE.EXE|Orvane was started to play.|D:\\GAME\\ORVANE.EXE"
  "set-up from the CD|C:\\|D:\\GAME\\ORVANE.EXE /SETUP|Orvane was started to configure its set-up.|D:\\GAME\\ORVANE.EXE"
  "play, as qx.pif starts it|C:\\GAMES\\ORVANE|ORVANE.EXE|Orvane was started to play.|C:\\GAMES\\ORVANE\\ORVANE.EXE"
  "set-up, as qxconfig.pif starts it|C:\\GAMES\\ORVANE|ORVANE.EXE /SETUP|Orvane was started to configure its set-up.|C:\\GAMES\\ORVANE\\ORVANE.EXE"
  "unknown arguments|C:\\GAMES\\ORVANE|orvane /fast|Orvane was started with arguments it does not know.|C:\\GAMES\\ORVANE\\ORVANE.EXE"
)
commands=()
i=0
for row in "${rows[@]}"; do
  IFS='|' read -r _ folder command _ _ <<<"$row"
  commands+=("cd $folder" "$command < C:\\KEY.TXT > C:\\OUT$i.TXT")
  mapfile -t -O ${#commands[@]} commands < <(qx_dos_exit_code "C:\\CODE$i.TXT")
  i=$((i + 1))
done
qx_dosbox_conf "$work/dosbox.conf" "$work/c" "$image" -- "${commands[@]}"
qx_dosbox_run "$work/dosbox.conf"

i=0
for row in "${rows[@]}"; do
  IFS='|' read -r name folder command mode program <<<"$row"
  arguments=
  [ "${command#* }" = "$command" ] || arguments=" ${command#* }"
  want=$(printf '%s\r\n' "$mode" "" "Started from:   ${program%\\*}" "Current folder: $folder" \
    "Command line:   $program$arguments" "" "Press any key to end.")
  [ -f "$work/c/OUT$i.TXT" ] || fail "$name: no output"
  got=$(cat "$work/c/OUT$i.TXT")
  [ "$got" = "$want" ] || fail "$name: the game showed
$got
instead of
$want"
  [ "$(qx_exit_code "$work/c/CODE$i.TXT")" = 0 ] || fail "$name: exit code $(qx_exit_code "$work/c/CODE$i.TXT"), not 0"
  echo "ok: $name: $mode"
  i=$((i + 1))
done
! grep -qi "cannot be run in DOS mode" "$work"/c/GAMES/ORVANE/orvane.exe ||
  fail "orvane.exe still says that it cannot be run in DOS mode"
echo "game-test: ${#rows[@]} starts of the game in DOSBox"
