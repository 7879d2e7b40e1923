#!/usr/bin/env bash
# qx.ini as MS-DOS finds it, on a FAT disk, whose file attributes DOS keeps
# (DOSBox's folder drives know none): read-only, alone or with hidden and
# system, and ending in MS-DOS's end-of-file mark (Ctrl+Z). Table-style: the
# installer's MS-DOS half runs from the CD image on a drive C: made for the
# case with mtools, the folder offered taken with Enter. A refusal leaves
# the disk image byte for byte as it was; an installation records the
# folder and keeps every other byte of qx.ini, the mark still at its end.
#
#   qxini-test.sh IMAGE WORK_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../tools/dosbox.sh"
image=$1 work=$2
fail() { echo "qxini-test: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work/cd"
bsdtar -xf "$image" -C "$work/cd"

crlf() { printf '%s\r\n' "$@"; }
other_sections() { crlf "[Desktop]" "Wallpaper=C:\\WINDOWS\\CLOUDS.BMP" "" "[Other Game]" "InstallDir=C:\\OTHER"; }
read_only="Could not record the folder in qx.ini in the Windows folder: the file is read-only."

# name | qx.ini's attributes (mattrib's flags) | its end (mark: Ctrl+Z) | exit
# code | what it says
cases=(
  "read-only|+r|-|1|$read_only"
  "read-only, hidden and system|+r +h +s|-|1|$read_only"
  "ending in Ctrl+Z|-|mark|0|Orvane is installed in C:\\GAMES\\ORVANE."
)

n=0
for row in "${cases[@]}"; do
  IFS='|' read -r name attributes end want_code want_text <<<"$row"
  n=$((n + 1))
  dir=$work/case$n disk=$work/case$n/c.img
  mkdir -p "$dir/c/WINDOWS" "$dir/e"
  mark=
  [ "$end" != mark ] || mark=$'\x1a'
  { other_sections; printf '%s' "$mark"; } >"$dir/c/WINDOWS/QX.INI"
  crlf 'win95dir C:\WINDOWS' >"$dir/c/QXINST.CFG"
  mformat -i "$disk" -C -f 1440 ::
  mcopy -s -i "$disk" "$dir/c"/* ::/
  [ "$attributes" = - ] || mattrib -i "$disk" $attributes ::/WINDOWS/QX.INI
  before=$(md5sum <"$disk")
  printf '\r' >"$dir/e/KEYS.TXT"
  mapfile -t code_lines < <(qx_dos_exit_code 'E:\CODE.TXT')
  qx_dosbox_conf "$dir/dosbox.conf" "$disk" "$image" -- "mount e \"$dir/e\"" \
    'D:\INSTALL.EXE < E:\KEYS.TXT > E:\OUT.TXT' "${code_lines[@]}"
  qx_dosbox_run "$dir/dosbox.conf" || fail "$name: DOSBox failed"
  out=$(tr -d '\r' <"$dir/e/OUT.TXT" | tr '\n' ' ' | tr -s ' ')
  code=$(qx_exit_code "$dir/e/CODE.TXT")
  [ "$code" = "$want_code" ] || fail "$name: exit code $code, not $want_code; it said: $out"
  grep -qF -- "$want_text" <<<"$out" || fail "$name: it did not say \"$want_text\"; it said: $out"
  if [ "$want_code" != 0 ]; then
    grep -q "Nothing was changed" <<<"$out" || fail "$name: it did not say that nothing was changed: $out"
    [ "$(md5sum <"$disk")" = "$before" ] || fail "$name: the disk changed:
$(mdir -i "$disk" -/ ::/)"
  else
    mcopy -n -i "$disk" ::/WINDOWS/QX.INI "$dir/qx.ini"
    want=$(other_sections; crlf "[Orvane]" 'InstallDir=C:\GAMES\ORVANE'; printf '%s' "$mark")
    [ "$(cat "$dir/qx.ini")" = "$want" ] || fail "$name: qx.ini is
$(cat -A "$dir/qx.ini")"
    mcopy -n -i "$disk" ::/GAMES/ORVANE/ORVANE.EXE "$dir/orvane.exe"
    cmp -s "$dir/orvane.exe" "$work/cd/game/orvane.exe" || fail "$name: ORVANE.EXE is not the CD's"
  fi
  echo "ok: $name: exit code $code, \"$want_text\""
done
echo "qxini-test: ${#cases[@]} cases of qx.ini on a FAT disk in DOSBox"
