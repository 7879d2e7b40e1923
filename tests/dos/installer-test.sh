#!/usr/bin/env bash
# The installer's MS-DOS half in DOSBox, from the CD image, against what a
# hostile user or machine does: table-style, each case a drive C: made for
# it, the keys typed (from a file: Enter, Escape, the editing keys, the end
# of the keys reads as Escape), what DOS must see (a full disk, a folder it
# may not write to, a second drive that loses writes at close), the exit
# code and the message expected. A case that fails must say so and leave
# drive C: exactly as it was, byte for byte.
#
#   installer-test.sh IMAGE WORK_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../tools/dosbox.sh"
image=$1 work=$2
fail() { echo "installer-test: $*" >&2; exit 1; }

# The drives F: of the cases are file systems of their own, mounted here:
# each goes when the test ends, however it ends, and one that a killed run
# left goes before the work folder is made anew.
unmount_drives() {
  local f
  for f in "$work"/case*/f; do
    if mountpoint -q "$f"; then umount "$f"; fi
  done
}
unmount_drives
trap unmount_drives EXIT
trap 'exit 143' TERM INT HUP
rm -rf "$work"
mkdir -p "$work/cd"
bsdtar -xf "$image" -C "$work/cd"
game=$work/cd/game

crlf() { printf '%s\r\n' "$@"; }
other_sections() { crlf "[Desktop]" "Wallpaper=C:\\WINDOWS\\CLOUDS.BMP" "" "[Other Game]" "InstallDir=C:\\OTHER"; }

# Drives C: for the cases. Each starts from the machine as the launcher
# leaves it: Windows in C:\WINDOWS, qx.ini with other programs' sections,
# the two first-run files.
first_run() {
  mkdir -p "$c/WINDOWS"
  other_sections >"$c/WINDOWS/qx.ini"
  crlf 'win95dir C:\WINDOWS' >"$c/qxinst.cfg"
  printf '@echo off\r\nrem the launcher'"'"'s batch file\r\n' >"$c/_qxchkcd.bat"
}
no_marker() { first_run; rm "$c/qxinst.cfg"; }
garbled_marker() { first_run; crlf 'windir C:\WINDOWS' >"$c/qxinst.cfg"; }
empty_marker() { first_run; : >"$c/qxinst.cfg"; }
marker_without_windows() { first_run; crlf 'win95dir C:\WIN95' >"$c/qxinst.cfg"; }
# A game installed before, with a file of the player's beside it.
installed() {
  first_run
  rm "$c/qxinst.cfg" "$c/_qxchkcd.bat"
  mkdir -p "$c/OLDGAME"
  cp "$game"/* "$c/OLDGAME/"
  printf 'saved game\r\n' >"$c/OLDGAME/SAVE1.DAT"
  { other_sections; crlf "[Orvane]" "InstallDir=C:\\OLDGAME"; } >"$c/WINDOWS/qx.ini"
  crlf 'win95dir C:\WINDOWS' >"$c/qxinst.cfg"
}
# A run cut off while it swapped qx.ini for its new copy: the user's file is
# aside, none under its name.
ini_aside() { first_run; mv "$c/WINDOWS/qx.ini" "$c/WINDOWS/~QXINI.OLD"; }
# qx.ini larger than the disk lets a new copy be: the game's files fit.
big_ini() {
  first_run
  { other_sections; for i in $(seq 400); do crlf "Key$i=a value that takes room in qx.ini"; done; } \
    >"$c/WINDOWS/qx.ini"
}
# A copy of the CD on the hard disk that lacks the game's folder: Setup
# looks for it beside itself.
cd_without_game() {
  first_run
  mkdir -p "$c/CDCOPY"
  cp "$work/cd/install.exe" "$c/CDCOPY/INSTALL.EXE"
}
# C:\GAMES belongs to another user: DOSBox, run as nobody, may not write in it.
read_only_games() {
  first_run
  mkdir -p "$c/GAMES"
  chown -R nobody "$c"
  chown root "$c/GAMES"
  chmod 755 "$c/GAMES"
}

# Keys: \r Enter, \e Escape, \b Backspace; \0G Home, \0O End, \0K Left,
# \0M Right, \0S Delete (DOS gives a key without a character as 0 and its
# scan code). Nothing after the last key: the end of the file is Escape.
long=$(printf 'X%.0s' $(seq 70))
to_f='\0G\0S\0S\0S\0S\0S\0S\0S\0S\0S\0S\0S\0S\0S\0S\0SF:\\ORVANE\r'
# Home and Delete until the folder offered is gone.
retype='\0G\0S\0S\0S\0S\0S\0S\0S\0S\0S\0S\0S\0S\0S\0S\0S'
# name | drive C: | keys | what DOS sees | exit code | what it says | what is installed where
# (the installer runs from the CD, D:\INSTALL.EXE, unless its drive C: has a
# copy of it in C:\CDCOPY). What DOS sees, besides the machine as it is:
#   fsize=BYTES   a full disk: no file grows past BYTES (qx_dosbox_run)
#   user=nobody   DOSBox runs as a user who may write only what the case
#                 made his
#   f=SIZE        a drive F: of SIZE bytes (as mount -o size= takes it)
#                 that takes every write and loses what does not fit when
#                 the file is closed, as a write-behind cache or a network
#                 drive does: DOSBox writes through the host's stdio, whose
#                 buffers meet the full file system only at the close, and
#                 ignores what the close returns
cases=(
  "the folder offered|first_run|\r|-|0|Orvane is installed in C:\\GAMES\\ORVANE.|C:\\GAMES\\ORVANE"
  "edited with the editing keys|first_run|\0G\0M\0M\0M\0S\0S\0S\0S\0SAPPS\0O\b\b\b\b\b\bGAME\r|-|0|Orvane is installed in C:\\APPS\\GAME.|C:\\APPS\\GAME"
  "no c:\\qxinst.cfg|no_marker|\r|-|2|Setup cannot find c:\\qxinst.cfg, which tells it where Windows is.|"
  "a garbled c:\\qxinst.cfg|garbled_marker|\r|-|2|c:\\qxinst.cfg does not name the Windows folder|"
  "an empty c:\\qxinst.cfg|empty_marker|\r|-|2|c:\\qxinst.cfg does not name the Windows folder|"
  "c:\\qxinst.cfg naming no folder|marker_without_windows|\r|-|2|The Windows folder that c:\\qxinst.cfg names, C:\\WIN95, is not there.|"
  "Escape at the prompt|first_run|\e|-|1|Setup was cancelled. Nothing was changed.|"
  "the keys run out|first_run||-|1|Setup was cancelled. Nothing was changed.|"
  "a long folder typed|first_run|\0G\0S\0S\0S\0S\0S\0S\0S\0S\0S\0S\0S\0S\0S\0S\0S\0S\0S\0S\0S\0S\0S\0S\0S\0SC:\\$long\r|-|1|The folder name is too long.|"
  "a folder that is not 8.3|first_run|\bE GAME\r|-|1|In MS-DOS mode each part of the folder name has at most eight characters|"
  "a name longer than 8|first_run|\0G\0S\0S\0S\0S\0S\0S\0S\0S\0S\0S\0S\0S\0S\0S\0SC:\\ORVANEGAME\r|-|1|In MS-DOS mode each part of the folder name has at most eight characters|"
  "a relative folder|first_run|\0G\0S\0S\0S\r|-|1|Please type a full folder name with its drive|"
  "a device name as the folder|first_run|${retype}C:\\CON\r|-|1|The folder name may not contain CON:|"
  "a device name inside the folder|first_run|${retype}C:\\GAMES\\Nul\\ORVANE\r|-|1|may not contain Nul:|"
  "a device name with an extension|first_run|${retype}C:\\LPT1.DIR\r|-|1|may not contain LPT1.DIR:|"
  "the clock device|first_run|${retype}C:\\GAMES\\CLOCK\$\r|-|1|may not contain CLOCK\$:|"
  "a drive that is not there|first_run|${retype}Q:\\GAMES\r|-|1|There is no drive Q: on this computer|"
  "qx.ini left aside by a cut-off run|ini_aside|\r|-|0|Setup has put qx.ini back as it was.|C:\\GAMES\\ORVANE"
  "a full disk mid-copy|first_run|\r|fsize=4096|1|Could not copy ORVANE.EXE to C:\\GAMES\\ORVANE: The disk is full (MS-DOS error 39).|"
  "a full disk for qx.ini|big_ini|\r|fsize=12000|1|Could not record the folder in qx.ini in the Windows folder: The disk is full (MS-DOS error 39).|"
  "a read-only target|read_only_games|\r|user=nobody|1|Could not create the folder C:\\GAMES\\ORVANE:|"
  "the CD as the target|first_run|\0G\0SD\r|-|1|Could not create the folder D:\\GAMES:|"
  "the game's folder missing from the CD|cd_without_game|\r|-|1|The game's files are missing from the CD (C:\\CDCOPY\\GAME).|"
  "an existing installation|installed|\r|-|0|Orvane is installed in C:\\OLDGAME.|C:\\OLDGAME"
  "an existing installation, a full disk|installed|\r|fsize=4096|1|Orvane is still installed in C:\\OLDGAME|"
  "a second drive|first_run|$to_f|f=1m|0|Orvane is installed in F:\\ORVANE.|F:\\ORVANE"
  "a second drive that fills up at close|first_run|$to_f|f=12k|1|Orvane was not installed.|"
)

# The drive's content, file by file with its bytes, and its folders.
snapshot() { (cd "$1" && find . -type d | sort && find . -type f -exec md5sum {} + | sort -k2); }

n=0
for row in "${cases[@]}"; do
  IFS='|' read -r name setup keys limit want_code want_text want_folder <<<"$row"
  n=$((n + 1))
  dir=$work/case$n c=$work/case$n/c
  mkdir -p "$c" "$dir/e"
  $setup
  drives=()
  if [ "${limit#f=}" != "$limit" ]; then
    mkdir "$dir/f"
    mount -t tmpfs -o size="${limit#f=}" "qx-case$n" "$dir/f"
    drives=("mount f \"$dir/f\"")
  fi
  printf '%b' "$keys" >"$dir/e/KEYS.TXT"
  [ "$limit" != user=nobody ] || chown -R nobody "$dir/e"
  before=$(snapshot "$c")
  # A qx.ini that a cut-off run left aside is the user's: Setup puts it back.
  ini_before=$(cat "$c/WINDOWS/qx.ini" 2>/dev/null || cat "$c/WINDOWS/~QXINI.OLD")
  mapfile -t code_lines < <(qx_dos_exit_code 'E:\CODE.TXT')
  program='D:\INSTALL.EXE'
  [ ! -d "$c/CDCOPY" ] || program='C:\CDCOPY\INSTALL.EXE'
  qx_dosbox_conf "$dir/dosbox.conf" "$c" "$image" -- "mount e \"$dir/e\"" "${drives[@]}" \
    "$program < E:\\KEYS.TXT > E:\\OUT.TXT" "${code_lines[@]}"
  limits=()
  [ "$limit" = - ] || [ ${#drives[@]} -gt 0 ] || limits=("$limit")
  qx_dosbox_run "$dir/dosbox.conf" "${limits[@]}" || fail "$name: DOSBox failed"
  out=$(tr -d '\r' <"$dir/e/OUT.TXT" | tr '\n' ' ' | tr -s ' ')
  code=$(qx_exit_code "$dir/e/CODE.TXT")
  [ "$code" = "$want_code" ] || fail "$name: exit code $code, not $want_code; it said: $out"
  grep -qF -- "$want_text" <<<"$out" || fail "$name: it did not say \"$want_text\"; it said: $out"
  grep -qi "cannot be run" <<<"$out" && fail "$name: it says it cannot be run: $out"
  if [ -z "$want_folder" ]; then
    # Not said to be installed; nothing written, nothing removed.
    grep -q "is installed" <<<"$out" && fail "$name: it says the game is installed: $out"
    [ "$(snapshot "$c")" = "$before" ] || fail "$name: drive C: changed:
$(diff <(echo "$before") <(snapshot "$c"))"
    # Nothing of Setup's own left on drive F: but what it names as left.
    if [ ${#drives[@]} -gt 0 ]; then
      while IFS= read -r left; do
        grep -qiF -- "$(basename "$left")" <<<"$out" ||
          fail "$name: F:${left#"$dir/f"} is left and not named; it said: $out
$(cd "$dir/f" && ls -lR)"
      done < <(find "$dir/f" -name '~QX*')
    fi
  else
    # The game in the folder, byte for byte; the folder recorded and the
    # rest of qx.ini kept; the marker file gone, the batch file left to
    # delete itself; the player's own files untouched.
    root=$c
    [ "${want_folder:0:2}" != F: ] || root=$dir/f
    folder=$root/$(sed 's/^[A-Z]:\\//; s/\\/\//g' <<<"$want_folder")
    for f in "$game"/*; do
      cmp -s "$f" "$folder/$(basename "${f^^}")" || fail "$name: $(basename "$f") is not the CD's in $want_folder"
    done
    [ -z "$(find "$folder" -name '~QX*')" ] || fail "$name: Setup's own files left: $(ls "$folder")"
    ini=$(find "$c/WINDOWS" -maxdepth 1 -iname qx.ini)
    want_ini="$(sed '/^\[Orvane\]/,$d' <<<"$ini_before")
$(crlf "[Orvane]" "InstallDir=$want_folder")"
    [ "$(cat "$ini")" = "$want_ini" ] || fail "$name: qx.ini is
$(cat -A "$ini")"
    [ ! -e "$c/qxinst.cfg" ] || fail "$name: c:\\qxinst.cfg is still there"
    [ "$setup" = installed ] || [ -e "$c/_qxchkcd.bat" ] || fail "$name: the batch file was deleted under its feet"
    [ "$setup" != installed ] || cmp -s "$folder/SAVE1.DAT" <(printf 'saved game\r\n') ||
      fail "$name: the player's saved game changed"
  fi
  echo "ok: $name: exit code $code, \"$want_text\""
done
echo "installer-test: ${#cases[@]} cases of the installer in DOSBox"
