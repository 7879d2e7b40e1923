#!/usr/bin/env bash
# Checks the committed artwork: res/backdrop.bmp (bitmap 130) and
# res/qxinst.ico (icon group 128) must have exactly the layout the launcher
# embeds; see tools/artpack.cpp for the rules. Prints every value checked and
# exits non-zero on the first mismatch.
#
#   tools/check-artwork.sh [BMP ICO]   check the given files, or the committed ones
#   tools/check-artwork.sh --self-test also prove that the checker rejects
#                                      damaged copies of them, one fault at a time
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
g++ -std=c++17 -O2 -Wall -Wextra -o "$work/artpack" "$root/tools/artpack.cpp"

self_test=0
if [ "${1:-}" = --self-test ]; then self_test=1; shift; fi
bmp=${1:-$root/res/backdrop.bmp}
ico=${2:-$root/res/qxinst.ico}

"$work/artpack" check "$bmp" "$ico"
[ "$self_test" -eq 1 ] || exit 0

# Each case: file, byte offset, bytes to write there (hex), what that breaks.
# Bitmap offsets count from the start of the file (14-byte file header, then
# the 40-byte information header at 14, the colour table at 54, pixels at
# 1078, bottom row first). Icon: directory entries at 6 and 22, image 1 at 38.
cases=(
  "bmp 2      00000000  bfSize"
  "bmp 10     36000000  bfOffBits without the colour table"
  "bmp 22     70feffff  biHeight -400 (top-down rows)"
  "bmp 28     1800      biBitCount 24"
  "bmp 30     01000000  biCompression BI_RLE8"
  "bmp 34     00000000  biSizeImage 0"
  "bmp 46     eb000000  biClrUsed 235"
  "bmp 57     ff        reserved byte of colour entry 0"
  "bmp 1078   eb        pixel index 235 (bottom-left corner)"
  "bmp 241077 ff        pixel index 255 (top-right corner)"
  "bmp 12778  00        uneven pixel in the button strip (x 300, y 380)"
  "ico 4      0100      idCount 1"
  "ico 8      00        bColorCount 0 for the 32 x 32 image"
  "ico 12     0800      wBitCount 8 for the 32 x 32 image"
  "ico 30     00010000  dwBytesInRes of the 16 x 16 image"
  "ico 34     26000000  image offset of the 16 x 16 image"
  "ico 38     89504e47  PNG-compressed image"
  "ico 46     20000000  32 x 32 image height not doubled"
  "ico 54     02000000  32 x 32 image compressed (BI_RLE4)"
  "ico 142    10        colour under a transparent pixel (bottom-left)"
)
failures=0
for c in "${cases[@]}"; do
  read -r which offset hex what <<<"$c"
  src=$bmp; [ "$which" = ico ] && src=$ico
  copy=$work/damaged.$which
  cp "$src" "$copy"
  bytes=
  for ((i = 0; i < ${#hex}; i += 2)); do bytes+="\\x${hex:i:2}"; done
  printf '%b' "$bytes" | dd of="$copy" bs=1 seek="$offset" conv=notrunc status=none
  if cmp -s "$src" "$copy"; then
    echo "self-test: $what: the damage changes nothing in this file" >&2; failures=$((failures + 1))
  elif "$work/artpack" check "$copy" >/dev/null 2>"$work/err"; then
    echo "self-test: $what: NOT rejected" >&2; failures=$((failures + 1))
  else
    echo "self-test: $what: rejected ($(sed 's/^artpack: //' "$work/err"))"
  fi
done
cp "$bmp" "$work/short.bmp"; truncate -s -1 "$work/short.bmp"
if "$work/artpack" check "$work/short.bmp" >/dev/null 2>&1; then
  echo "self-test: truncated bitmap: NOT rejected" >&2; failures=$((failures + 1))
else
  echo "self-test: truncated bitmap: rejected"
fi
[ "$failures" -eq 0 ] || { echo "self-test: $failures damaged file(s) passed the check" >&2; exit 1; }
echo "self-test: every damaged copy rejected"
