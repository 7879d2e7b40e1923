#!/usr/bin/env bash
# Regenerates the launcher's artwork from its sources in art/:
#   res/backdrop.bmp  the 600 x 400 title picture (bitmap 130), 8 bits per
#                     pixel, at most 235 colours;
#   res/qxinst.ico    the application icon (icon group 128), 32 x 32 and
#                     16 x 16, 16 colours each.
# Both outputs are committed, so building the launcher needs none of this.
# Needs ImageMagick 6 (/usr/bin/convert), the DejaVu fonts and g++.
# The result depends on nothing but the sources: running it twice gives
# byte-identical files.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
art=$root/art
res=$root/res
IM=/usr/bin/convert          # ImageMagick itself, never whatever is first on PATH
fonts=/usr/share/fonts/truetype/dejavu
title_font=$fonts/DejaVuSerif-Bold.ttf
subtitle_font=$fonts/DejaVuSerif.ttf

die() { echo "make-artwork: $*" >&2; exit 1; }
[ -x "$IM" ] || die "$IM not found (Debian package imagemagick)"
"$IM" -version | grep -q '^Version: ImageMagick 6' || die "$IM is not ImageMagick 6"
for f in "$title_font" "$subtitle_font"; do
  [ -r "$f" ] || die "$f not found (Debian package fonts-dejavu-core)"
done
command -v g++ >/dev/null || die "g++ not found"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# One thread, so that no result can depend on how work is split.
export MAGICK_THREAD_LIMIT=1

g++ -std=c++17 -O2 -Wall -Wextra -o "$work/artpack" "$root/tools/artpack.cpp"

# ------------------------------------------------------------- backdrop
# Layers, back to front: the dusk sky with the sun's glow and the stars;
# the distant ranges (art/backdrop-far.mvg); the lake, mirroring the band of
# sky and mountains above the waterline, with ripples and glitter
# (art/backdrop-lake.mvg); the shores and the tower (art/backdrop-near.mvg);
# the title and subtitle; after colour reduction, the flat strip under the
# buttons.

# Stars from a fixed Park-Miller sequence (exact in awk's doubles), thinning
# out and fading towards the horizon; one in nine gets a faint cross.
stars=$(awk 'BEGIN {
  s = 20240917
  for (i = 0; i < 170; i++) {
    s = (s * 16807) % 2147483647; x = s % 600
    s = (s * 16807) % 2147483647; r = (s % 1000) / 1000; y = int(r * r * 220)
    s = (s * 16807) % 2147483647; b = 150 + s % 106; a = 1 - y / 240
    printf "fill rgba(255,%d,%d,%.2f) point %d,%d\n", b, b - 30, a, x, y
    if (s % 9 == 0)
      printf "fill rgba(255,250,230,%.2f) point %d,%d point %d,%d point %d,%d point %d,%d\n",
             a * 0.6, x - 1, y, x + 1, y, x, y - 1, x, y + 1
  }
}')

"$IM" -size 600x120 gradient:'#070824'-'#24185a' \
      -size 600x90  gradient:'#24185a'-'#7c2f66' \
      -size 600x50  gradient:'#7c2f66'-'#e0683e' \
      -size 600x140 gradient:'#e0683e'-'#ffc07a' -append \
      \( -size 600x400 xc:black -fill '#ffb070' -draw 'circle 380,250 380,150' -blur 0x40 \) \
      -compose Screen -composite -compose Over \
      -fill '#ffe6a8' -draw 'circle 380,246 380,212' \
      -draw "$stars" \
      -draw "$(cat "$art/backdrop-far.mvg")" \
      "$work/far.miff"

# The lake: the 44 rows above the waterline (y 290) mirrored below it,
# dimmed and cooled, with the sun's warmth spread on the water.
"$IM" "$work/far.miff" \
      \( +clone -crop 600x44+0+246 +repage -flip -modulate 72,85 -fill '#201048' -colorize 18% \) \
      -geometry +0+290 -composite \
      \( -size 600x400 xc:black -fill '#804028' -draw 'ellipse 380,304 90,12 0,360' -blur 0x10 \) \
      -geometry +0+0 -compose Screen -composite -compose Over \
      -draw "$(cat "$art/backdrop-lake.mvg")" \
      -draw "$(cat "$art/backdrop-near.mvg")" \
      "$work/scene.miff"

# Title: gold lettering with a dark rim and a soft shadow; the subtitle in
# small spaced capitals with a dark halo. Both centred over the sky to the
# right of the tower.
title=(-font "$title_font" -pointsize 80 -kerning 12 -gravity north -annotate +24+16 'ORVANE')
subtitle=(-font "$subtitle_font" -pointsize 14 -kerning 5 -gravity north -annotate +24+112 'THE·TOWER·AT·THE·EDGE·OF·NIGHT')
"$IM" -size 600x400 xc:black -fill white "${title[@]}" "$work/title.miff"
"$IM" -size 600x400 xc:black -fill white "${subtitle[@]}" "$work/subtitle.miff"
"$IM" "$work/title.miff" -morphology Dilate Disk:3 -blur 0x4 -evaluate Multiply 0.8 "$work/shadow.miff"
"$IM" "$work/title.miff" -morphology Dilate Disk:2 "$work/rim.miff"
"$IM" "$work/subtitle.miff" -morphology Dilate Disk:1.5 -blur 0x1 "$work/halo.miff"
"$IM" -size 600x16 xc:'#fff8d0' -size 600x84 gradient:'#fff0b0'-'#c06a18' -append \
      -background '#c06a18' -extent 600x400 "$work/gold.miff"

# Each overlay is COLOUR showing through MASK (white opaque, black clear),
# laid over the scene in turn.
layers=()
overlay() {  # overlay COLOUR MASK [OFFSET]
  layers+=( '(' -size 600x400 "xc:$1" "$2" -alpha off -compose CopyOpacity -composite ')'
            -compose Over -geometry "${3:-+0+0}" -composite )
}
overlay black "$work/shadow.miff" +3+4
overlay '#2a0e04' "$work/rim.miff"
layers+=( '(' "$work/gold.miff" "$work/title.miff" -alpha off -compose CopyOpacity -composite ')'
          -compose Over -geometry +0+0 -composite )
overlay '#1a0820' "$work/halo.miff"
overlay '#f4d8a8' "$work/subtitle.miff"
"$IM" "$work/scene.miff" "${layers[@]}" "$work/backdrop.miff"

# Colour reduction with error diffusion, to 234 colours; the bottom strip
# under the buttons then goes on as one flat dark colour (the 235th), so no
# dither pattern shows behind them. Palette entries 235..255 stay unused.
strip_colour='#0e0714'
strip_top=352
"$IM" "$work/backdrop.miff" -dither FloydSteinberg -colors 234 \
      +antialias -fill "$strip_colour" -draw "rectangle 0,$strip_top 599,399" \
      -depth 8 "ppm:$work/backdrop.ppm"
"$work/artpack" bmp "$work/backdrop.ppm" "$res/backdrop.bmp"

# ----------------------------------------------------------------- icon
# The icon sources are pixel art in the sixteen standard colours; mapping
# them onto that palette changes nothing in them and guarantees that no
# other colour gets in. The mask comes from their transparency.
vga=()
for c in 000000 800000 008000 808000 000080 800080 008080 c0c0c0 \
         808080 ff0000 00ff00 ffff00 0000ff ff00ff 00ffff ffffff; do
  vga+=("xc:#$c")
done
"$IM" "${vga[@]}" +append "$work/vga.miff"

for n in 32 16; do
  "$IM" "$art/icon-$n.xpm" -alpha extract -threshold 50% -depth 8 "pgm:$work/icon-$n-mask.pgm"
  "$IM" "$art/icon-$n.xpm" -background black -alpha remove +dither -remap "$work/vga.miff" \
        -depth 8 "ppm:$work/icon-$n.ppm"
done
"$work/artpack" ico "$res/qxinst.ico" \
  "$work/icon-32.ppm" "$work/icon-32-mask.pgm" "$work/icon-16.ppm" "$work/icon-16-mask.pgm"

"$work/artpack" check "$res/backdrop.bmp" "$res/qxinst.ico" >/dev/null
echo "make-artwork: wrote res/backdrop.bmp and res/qxinst.ico"
