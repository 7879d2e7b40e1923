#!/usr/bin/env bash
# The loop on Windows 95 and 98 across both halves, with DOSBox standing in
# for MS-DOS mode:
#
#  1. Under Wine, the launcher's first start from the CD writes
#     c:\_qxchkcd.bat and c:\qxinst.cfg (MsDosLoopTest.cpp). Its qx.ini
#     already holds other programs' sections.
#  2. DOSBox mounts the same drive C: and the CD image as D:, and runs
#     c:\_qxchkcd.bat as the launcher wrote it, as MS-DOS mode would after
#     the restart. Real key presses: Enter at the installer's prompt, any key
#     at the batch file's pause.
#  3. The game's files are on C: byte for byte as on the CD; qx.ini in the
#     Windows directory records the folder and keeps every other line; both
#     first-run files are gone. The installed ORVANE.EXE runs in MS-DOS
#     mode, to play and to configure, and waits for its key.
#  4. Back under Wine, the launcher on that drive C: offers Play and
#     Configure.
#
# Then the same batch file once more on a machine whose Windows directory
# is C:\WIN95 (the marker file names it, and a qx.ini there holds other
# sections and an [Orvane] section without InstallDir): the folder is
# recorded there, and nowhere else.
#
#   loop-test.sh IMAGE WORK_DIR CD_DIR LOOP_TESTS.EXE
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../tools/dosbox.sh"
image=$1 work=$2 cd_dir=$3 loop_tests=$4
fail() { echo "loop-test: $*" >&2; exit 1; }

session=$work/session dosbox=$work/dosbox
# The Windows half runs where Wine runs: here, or in the emulated guest,
# which shares this tree and so the prefix's drive C:.
wine_session=$here/../win/session.sh wine_run=$here/../win/wine-run.sh
finish() {
  qx_dosbox_stop "$dosbox"
  "$wine_session" stop "$session"
}
trap finish EXIT
rm -rf "$work"
mkdir -p "$work/e" "$work/cd"
# The CD as MS-DOS mode sees it, to compare with.
bsdtar -xf "$image" -C "$work/cd"

crlf() { printf '%s\r\n' "$@"; }
other_sections() {
  crlf "; Settings of the programs on this machine" "[Desktop]" "Wallpaper=C:\\WINDOWS\\CLOUDS.BMP" "" \
    "[Other Game]" "InstallDir=C:\\OTHER" "Sound=on"
}

# expect_installed C_DIR WINDOWS_DIR_ON_HOST WANT_INI [FOLDER]: the game's
# files in FOLDER (GAMES/ORVANE) of C_DIR, the recorded folder, and no
# first-run files.
expect_installed() {
  local c=$1 ini=$2/qx.ini want=$3 folder=${4:-GAMES/ORVANE} name
  for name in orvane.exe qx.pif qxconfig.pif; do
    local installed
    installed=$(find "$c/$folder" -maxdepth 1 -iname "$name" | head -n1)
    [ -n "$installed" ] || fail "$name is not in $folder"
    cmp -s "$installed" "$work/cd/game/$name" || fail "$name differs from the CD's"
  done
  echo "ok: the game's files in $folder, byte for byte as on the CD"
  ini=$(find "$2" -maxdepth 1 -iname qx.ini | head -n1)
  [ -n "$ini" ] || fail "no qx.ini in $2"
  [ "$(cat "$ini")" = "$want" ] || fail "qx.ini holds
$(cat -A "$ini")
instead of
$(cat -A <<<"$want")"
  echo "ok: qx.ini records the folder and keeps the rest"
  [ -z "$(find "$c" -maxdepth 1 \( -iname _qxchkcd.bat -o -iname qxinst.cfg \))" ] ||
    fail "first-run files left: $(ls "$c")"
  echo "ok: both first-run files are gone"
}

# run_batch C_DIR KEY...: DOSBox runs c:\_qxchkcd.bat on drive C_DIR, with
# the CD image as D:, and a person at the keyboard who presses the keys at
# the installer's prompt.
run_batch() {
  local c=$1
  shift
  rm -f "$work/e/READY.TXT"
  qx_dosbox_conf "$work/batch.conf" "$c" "$image" -- "mount e \"$work/e\"" "echo ready>e:\\ready.txt" \
    "call c:\\_qxchkcd.bat"
  qx_dosbox_start "$dosbox" "$work/batch.conf"
  qx_wait_for "$work/e/READY.TXT" || fail "DOSBox did not start the batch file"
  qx_dosbox_keys "$dosbox" "$@"
  # The installer removes the marker file last; then the batch file pauses.
  qx_wait_for "!$c/qxinst.cfg" 60 || fail "the installer did not finish"
  qx_dosbox_keys "$dosbox" space
  qx_dosbox_wait "$dosbox" || fail "the batch file did not end"
}

echo "== 1. the launcher's first start under Wine"
"$wine_session" start "$session" "$cd_dir" prefix=shared || fail "the Wine session did not start"
c=$session/prefix/drive_c
other_sections >"$c/windows/qx.ini"
"$wine_run" "$session" "$loop_tests" --gtest_filter=MsDosLoop.FirstStartLeavesTheFilesForMsDosMode ||
  fail "the launcher's first start"
"$wine_session" stop "$session"
[ "$(cat "$c/qxinst.cfg")" = "$(crlf 'win95dir C:\windows')" ] ||
  fail "c:\\qxinst.cfg holds $(cat -A "$c/qxinst.cfg")"
cp "$c/_qxchkcd.bat" "$work/_qxchkcd.bat"

echo "== 2. and 3. MS-DOS mode: c:\\_qxchkcd.bat on that drive C:, the CD image as D:"
run_batch "$c" Return # the folder offered
expect_installed "$c" "$c/windows" "$(other_sections; crlf "[Orvane]" "InstallDir=C:\\GAMES\\ORVANE")"

printf ' ' >"$work/e/KEY.TXT"
qx_dosbox_conf "$work/game.conf" "$c" "$image" -- "mount e \"$work/e\"" "cd \\GAMES\\ORVANE" \
  "ORVANE.EXE < e:\\key.txt > e:\\play.txt" "ORVANE.EXE /SETUP < e:\\key.txt > e:\\setup.txt"
qx_dosbox_run "$work/game.conf"
head -n1 "$work/e/PLAY.TXT" | grep -q "^Orvane was started to play." || fail "the installed game: $(cat "$work/e/PLAY.TXT")"
head -n1 "$work/e/SETUP.TXT" | grep -q "^Orvane was started to configure its set-up." ||
  fail "the installed game with /SETUP: $(cat "$work/e/SETUP.TXT")"
echo "ok: the installed ORVANE.EXE runs in MS-DOS mode, to play and to configure"

# With the keyboard: the game waits for its key, and ends on it.
qx_dosbox_conf "$work/wait.conf" "$c" "$image" -- "mount e \"$work/e\"" "echo ready>e:\\ready2.txt" \
  "C:\\GAMES\\ORVANE\\ORVANE.EXE" "echo ended>e:\\ended.txt"
qx_dosbox_start "$dosbox" "$work/wait.conf"
qx_wait_for "$work/e/READY2.TXT" || fail "DOSBox did not start the game"
sleep 1
[ ! -e "$work/e/ENDED.TXT" ] || fail "the game did not wait for a key"
qx_dosbox_keys "$dosbox" x
qx_dosbox_wait "$dosbox" || fail "the game did not end on its key"
[ -e "$work/e/ENDED.TXT" ] || fail "the game did not end"
echo "ok: the installed game waits for a key and ends on it"

echo "== 4. the launcher again under Wine, on that drive C:"
"$wine_session" start "$session" "$cd_dir" prefix=keep || fail "the Wine session did not start again"
"$wine_run" "$session" "$loop_tests" --gtest_filter=MsDosLoop.AfterTheMsDosInstallerPlayAndConfigure ||
  fail "the launcher after the MS-DOS installer"
"$wine_session" stop "$session"

echo "== Windows in C:\\WIN95, as c:\\qxinst.cfg says"
c2=$work/c2
mkdir -p "$c2/WIN95" "$c2/WINDOWS"
cp "$work/_qxchkcd.bat" "$c2/_qxchkcd.bat"
crlf 'win95dir C:\WIN95' >"$c2/qxinst.cfg"
{ other_sections; crlf "[Orvane]" "Language=en"; } >"$c2/WIN95/qx.ini"
# The folder edited with the keyboard's editing keys: C:\GAMES\ORVANE
# becomes C:\apps\ORVANE (the letters without Shift), recorded as typed.
run_batch "$c2" Home Right Right Right Delete Delete Delete Delete Delete a p p s Return
# The section was there without InstallDir: the key comes right after its head.
expect_installed "$c2" "$c2/WIN95" "$(other_sections; crlf "[Orvane]" "InstallDir=C:\\apps\\ORVANE" "Language=en")" APPS/ORVANE
[ -z "$(ls -A "$c2/WINDOWS")" ] || fail "something was written to C:\\WINDOWS: $(ls "$c2/WINDOWS")"
echo "ok: recorded in C:\\WIN95\\qx.ini, nothing in C:\\WINDOWS"
echo "loop-test: the loop through MS-DOS mode, twice"
