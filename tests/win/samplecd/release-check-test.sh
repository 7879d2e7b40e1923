#!/usr/bin/env bash
# The release checks refuse what a release must not ship: in a copy of the
# sources, a bad command template and a bad picture each make the build stop
# with one line naming the string id or the file, before the launcher is
# linked; the untouched copy passes.
#
#   release-check-test.sh SOURCE_DIR WORK_DIR
set -euo pipefail
src=$1 work=$2
copy=$work/src build=$work/build

rm -rf "$work"
mkdir -p "$copy"
tar -C "$src" --exclude=./build --exclude=./.git -cf - . | tar -C "$copy" -xf -
cp -a "$copy/res" "$work/res.pristine"
cmake -S "$copy" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$copy/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=MinSizeRel -DQX_WIN_TESTS=OFF >/dev/null

failures=0
# expect_refusal NAME TARGET PATTERN: the build of TARGET fails, and its one
# "release check:" line matches PATTERN.
expect_refusal() {
  local name=$1 target=$2 pattern=$3 log=$work/log
  if cmake --build "$build" -j2 --target "$target" >"$log" 2>&1; then
    echo "FAIL $name: the build went through"; failures=$((failures + 1)); return
  fi
  local lines
  lines=$(grep '^release check:' "$log" || true)
  if [ "$(grep -c . <<<"$lines")" -ne 1 ] || ! grep -qE "$pattern" <<<"$lines"; then
    echo "FAIL $name: expected one line matching '$pattern', got:"; cat "$log"
    failures=$((failures + 1)); return
  fi
  echo "ok   $name: $lines"
}
restore() { rm -rf "$copy/res"; cp -a "$work/res.pristine" "$copy/res"; }
# patch FILE OFFSET HEX: overwrites bytes of a binary file.
patch() {
  local bytes= i
  for ((i = 0; i < ${#3}; i += 2)); do bytes+="\\x${3:i:2}"; done
  printf '%b' "$bytes" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}
rc=$copy/res/Qxinst95.rc

if cmake --build "$build" -j2 --target release_checks >"$work/log" 2>&1; then
  echo "ok   untouched sources pass"
else
  echo "FAIL untouched sources: the release checks refused them"; cat "$work/log"; failures=$((failures + 1))
fi

# An unknown code; the launcher is not linked.
sed -i 's/runcheck.bat \$s/runcheck.bat $S/' "$rc"
expect_refusal "unknown code" Qxinst95 '^release check: string 4 \(Install command, .*\): unknown code \$S'
[ ! -e "$build/Qxinst95.exe" ] || { echo "FAIL the launcher was linked after all"; failures=$((failures + 1)); }
restore

sed -i 's/qxconfig.pif"/qxconfig.pif $"/' "$rc"
expect_refusal "a \$ at the end" release_checks '^release check: string 7 .*a \$ ends the template'
restore

# 64-character folders: 3 x 64 + the rest of the line is more than 255.
sed -i 's/gostart.bat \$I \$i qx.pif/gostart.bat $I $i $w $s qx.pif/' "$rc"
expect_refusal "too long" release_checks '^release check: string 5 .*: expands to 2[0-9][0-9] characters with 64-character folders; a command line holds 255'
restore

# A ".." of the template's own that takes the program away: the line would
# run d:\instdata\c.
sed -i 's/gostart.bat \$I \$i qx.pif/gostart.bat x\\\\..\\\\$I $i qx.pif/' "$rc"
expect_refusal "folds across a blank" release_checks '^release check: string 5 .*: a "\.\." of its own folds across a blank, giving "D:\\S+\\instdata\\C C:\\I+ qx\.pif"'
restore

sed -i '/IDS_CMD_CONFIGURE/d' "$rc"
expect_refusal "missing template" release_checks '^release check: string 7 \(Configure command\) is missing or empty'
restore

# Pixel 0,399 (the first stored byte) with colour index 240.
patch "$copy/res/backdrop.bmp" 1078 f0
expect_refusal "pixel index" release_checks '^release check: res/backdrop.bmp: pixel at x 0, y 399 uses index 240, only 0..234 allowed'
restore

# Top-down rows.
patch "$copy/res/backdrop.bmp" 22 70feffff
expect_refusal "top-down backdrop" release_checks '^release check: res/backdrop.bmp: biHeight is'
restore

# An icon group of one image.
patch "$copy/res/qxinst.ico" 4 0100
expect_refusal "icon of one image" release_checks '^release check: res/qxinst.ico: '
restore

[ "$failures" -eq 0 ] || { echo "$failures case(s) failed"; exit 1; }
echo "release checks refuse every planted fault"
