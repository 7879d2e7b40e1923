#!/usr/bin/env bash
# dosstub, the tool that puts an MS-DOS program in front of a Windows
# program, on real programs and on inputs it must refuse.
#
#   dosstub-test.sh DOSSTUB IMAGE WORK_DIR PROGRAM...
#
# Each PROGRAM (the launcher as the linker left it, a program with a symbol
# table and a debug directory) gets IMAGE in front; check-dual.py compares
# the result with the original byte for byte, and check-pe.sh must come to
# the same verdict on both. Then the refusals, table-style: each bad input ends with
# exit status 1, a message that says what is wrong, and no output file.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
stub=$1 image=$2 work=$3
shift 3
fail() { echo "dosstub-test: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"

for program in "$@"; do
  name=$(basename "$program")
  echo "== $name"
  "$stub" "$image" "$work/$name" "$program" || fail "dosstub refused $program"
  python3 "$here/check-dual.py" "$program" "$work/$name" "$image" || fail "$name: the dual-mode file is wrong"
  # The program-file check reads the dual-mode file as it reads the original.
  diff <("$here/../win/check-pe.sh" "$program" | grep -v '^size:') \
    <("$here/../win/check-pe.sh" "$work/$name" | grep -v '^size:') ||
    fail "$name: check-pe.sh reads the dual-mode file otherwise"
  echo "ok: check-pe.sh reads it as it reads the original"
  # In place, as the build does it.
  cp "$program" "$work/in-place.exe"
  "$stub" "$image" "$work/in-place.exe" "$work/in-place.exe" || fail "dosstub refused to work in place"
  cmp -s "$work/in-place.exe" "$work/$name" || fail "$name: in place gives another file"
done

# An MS-DOS program on its own: the image behind a 64-byte MZ header.
"$stub" "$image" "$work/alone.exe" || fail "dosstub refused to make an MS-DOS program alone"
cmp -s <(tail -c +65 "$work/alone.exe") "$image" || fail "the MS-DOS program alone does not carry the image"
echo "ok: an MS-DOS program alone, $(stat -c %s "$work/alone.exe") bytes"

# Bad inputs, made from the first program. patch FILE OFFSET HEX writes bytes.
patch() { printf "$(sed 's/../\\x&/g' <<<"$3")" | dd of="$1" bs=1 seek=$(($2)) conv=notrunc status=none; }
u32() { od -An -tu4 -j $(($2)) -N4 "$1" | tr -d ' '; }
base=$1
lfanew=$(u32 "$base" 0x3C)
opt=$((lfanew + 24))
cp "$base" "$work/pe32plus.exe"; patch "$work/pe32plus.exe" $opt 0b02
cp "$base" "$work/signed.exe"; patch "$work/signed.exe" $((opt + 96 + 4 * 8)) 0004000010000000
cp "$base" "$work/odd-alignment.exe"; patch "$work/odd-alignment.exe" $((opt + 36)) 00030000
cp "$base" "$work/headers-too-small.exe"; patch "$work/headers-too-small.exe" $((opt + 60)) 00010000
cp "$base" "$work/no-pe-signature.exe"; patch "$work/no-pe-signature.exe" "$lfanew" 4e450000
head -c 300 "$base" >"$work/truncated.exe"
printf 'not a program\r\n' >"$work/text.exe"
: >"$work/empty.bin"
head -c 62000 /dev/zero >"$work/huge.bin"
mkdir -p "$work/a-folder.exe"
"$stub" "$image" "$work/dual-once.exe" "$base"

# program | image | output | what the message must say
cases=(
  "$work/text.exe|$image|out.exe|not a Windows program (no MZ header)"
  "$work/alone.exe|$image|out.exe|not a Windows program (no PE header at e_lfanew)"
  "$work/no-pe-signature.exe|$image|out.exe|not a Windows program (no PE header at e_lfanew)"
  "$work/truncated.exe|$image|out.exe|truncated: the file ends inside its headers"
  "$work/pe32plus.exe|$image|out.exe|not a 32-bit Windows program (PE32)"
  "$work/signed.exe|$image|out.exe|is signed (certificate table)"
  "$work/odd-alignment.exe|$image|out.exe|file alignment 768 is not a power of two"
  "$work/headers-too-small.exe|$image|out.exe|SizeOfHeaders does not hold the headers"
  "$work/dual-once.exe|$image|out.exe|already carries an MS-DOS program"
  "$work/missing.exe|$image|out.exe|cannot read $work/missing.exe"
  "$base|$work/empty.bin|out.exe|the MS-DOS image is empty"
  "$base|$work/huge.bin|out.exe|the MS-DOS image (62000 bytes) leaves no room for a stack"
  "$base|$image|a-folder.exe|cannot write $work/a-folder.exe"
)
for row in "${cases[@]}"; do
  IFS='|' read -r program img out want <<<"$row"
  rm -f "$work/out.exe"
  set +e
  message=$("$stub" "$img" "$work/$out" "$program" 2>&1)
  code=$?
  set -e
  [ $code -eq 1 ] || fail "$(basename "$program"): exit status $code, not 1 ($message)"
  grep -qF -- ": $want" <<<"$message" || fail "$(basename "$program"): \"$message\" does not say \"$want\""
  [ ! -e "$work/out.exe" ] && [ ! -e "$work/$out.tmp" ] || fail "$(basename "$program"): a file was left behind"
  echo "ok: refused: $message"
done
echo "dosstub-test: ${#@} programs made dual-mode, ${#cases[@]} bad inputs refused"
