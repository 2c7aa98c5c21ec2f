#!/usr/bin/env bash
# Draws the ribbon button's images: a blue shield with a white masking star over a page line.
# Drawn at 256 pixels and scaled down, so the small images keep smooth edges. Output: 8-bit RGBA.
set -euo pipefail
cd "$(dirname "$0")"
big=$(mktemp --suffix=.png)
trap 'rm -f "$big"' EXIT
convert -size 256x256 xc:none \
  -fill '#1f5fbf' -stroke '#123a78' -strokewidth 10 \
  -draw 'path "M 128,14 L 228,50 L 228,124 C 228,184 184,224 128,244 C 72,224 28,184 28,124 L 28,50 Z"' \
  -stroke white -strokewidth 26 -draw "stroke-linecap round" \
  -draw 'line 128,62 128,170' -draw 'line 82,89 174,143' -draw 'line 174,89 82,143' \
  -stroke none -fill white -draw 'roundrectangle 70,192 186,208 8,8' \
  "$big"
convert "$big" -filter Lanczos -resize 32x32 -define png:color-type=6 -depth 8 PNG32:veilmark-32.png
convert "$big" -filter Lanczos -resize 16x16 -define png:color-type=6 -depth 8 PNG32:veilmark-16.png
