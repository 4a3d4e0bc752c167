#!/bin/bash
# Draws the application icon res/brelvix.ico with ImageMagick: a blue tile
# with "0x" over a strip of bits, in 16, 20, 24, 32, 40, 48, 64 and 256
# pixels: the small and the large icon at 100, 125, 150 and 200 % display
# scaling. The .ico is committed; run this again only to change the picture.
set -euo pipefail
cd "$(dirname "$0")"

font=/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

layer() {
  local size=$1
  local s=$((size - 1))
  local radius=$((size / 6 + 1))
  local point=$((size * 9 / 16))
  # The tile, the "0x" in the upper part, and a row of bit marks below it.
  local bits=""
  if [ "$size" -ge 24 ]; then
    local step=$((size / 8)) y0=$((size * 3 / 4)) y1=$((size * 3 / 4 + size / 10))
    for i in 1 2 3 4 5 6; do
      local x=$((i * step + step / 4))
      local w=$((step / 2 > 0 ? step / 2 : 1))
      if [ $((i % 3)) -eq 1 ]; then
        bits="$bits rectangle $x,$y0 $((x + w)),$y1"
      else
        bits="$bits rectangle $x,$((y0 + (y1 - y0) / 2)) $((x + w)),$y1"
      fi
    done
  fi
  local offset=$((size >= 24 ? -size / 10 : 0))
  convert -size "${size}x${size}" xc:none \
    -fill '#1f5fa8' -stroke '#123a66' -strokewidth 1 -draw "roundrectangle 0,0 $s,$s $radius,$radius" \
    -stroke none -fill '#ffd24a' ${bits:+-draw "$bits"} \
    -font "$font" -pointsize "$point" -fill white -gravity center -annotate "+0+$offset" '0x' \
    -depth 8 "$work/icon-$size.png"
}

sizes=(16 20 24 32 40 48 64 256)
layers=()
for size in "${sizes[@]}"; do
  layer "$size"
  layers+=("$work/icon-$size.png")
done
convert "${layers[@]}" brelvix.ico
echo "wrote $(pwd)/brelvix.ico"
