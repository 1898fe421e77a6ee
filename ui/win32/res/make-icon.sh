#!/bin/sh
# Draws the program's icon, a card over its reader, and writes cardfmt-gui.ico
# beside this script (256, 48, 32 and 16 pixels). Needs ImageMagick 6 (Debian's
# imagemagick). The result is committed; run again only to change the picture.
set -eu
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# The reader: a dark body with a lighter reading pad and a green lamp.
# The card: a pale blue card held above the pad, with its gold chip and the
# arcs of the field between them.
convert -size 256x256 xc:none \
  -fill '#3a3f47' -draw 'roundrectangle 20,150 236,238 22,22' \
  -fill '#5b626d' -draw 'roundrectangle 44,160 212,196 12,12' \
  -fill '#2ecc40' -draw 'circle 206,219 214,219' \
  -fill '#cfd6de' -draw 'roundrectangle 56,212 150,224 5,5' \
  -fill none -stroke '#f0a020' -strokewidth 6 \
  -draw "path 'M 108,147 Q 128,135 148,147'" \
  -draw "path 'M 92,143 Q 128,122 164,143'" \
  -stroke none \
  -fill '#1f5fa8' -draw 'roundrectangle 28,18 228,126 16,16' \
  -fill '#7fb4ea' -draw 'roundrectangle 36,26 220,118 12,12' \
  -fill '#d4a017' -draw 'roundrectangle 56,48 104,88 6,6' \
  -stroke '#8a6508' -strokewidth 3 -draw 'line 56,68 104,68' -draw 'line 80,48 80,88' \
  -stroke none -fill '#ffffff' -draw 'roundrectangle 120,52 204,60 3,3' \
  -draw 'roundrectangle 120,72 188,80 3,3' \
  "$tmp/icon-256.png"
for size in 48 32 16; do
  convert "$tmp/icon-256.png" -filter Lanczos -resize ${size}x${size} "$tmp/icon-$size.png"
done
convert "$tmp/icon-256.png" "$tmp/icon-48.png" "$tmp/icon-32.png" "$tmp/icon-16.png" cardfmt-gui.ico
