#!/usr/bin/env bash
# Renders the committed pictures from their drawings (needs rsvg-convert from librsvg2-bin and,
# for the animation, ImageMagick's convert):
#   data/icons/velmora.svg      -> data/icons/velmora-SIZE.png, the application icon's sizes
#   data/skin/icon_*.svg        -> skin/mainWnd/icon_*.png, the records page's button pictures
#   data/skin/loading.svg       -> skin/mainWnd/loading.gif, eight frames turning by 45 degrees
# Run this again after changing a drawing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" "$root/data/icons/velmora.svg" \
    -o "$root/data/icons/velmora-$size.png"
done
for drawing in "$root"/data/skin/icon_*.svg; do
  rsvg-convert "$drawing" -o "$root/skin/mainWnd/$(basename "${drawing%.svg}").png"
done
frames=$(mktemp -d)
trap 'rm -rf "$frames"' EXIT
for step in 0 1 2 3 4 5 6 7; do
  sed "s/ANGLE/$((step * 45))/" "$root/data/skin/loading.svg" >"$frames/frame.svg"
  rsvg-convert "$frames/frame.svg" -o "$frames/frame$step.png"
done
/usr/bin/convert -delay 10 -loop 0 -dispose background "$frames"/frame?.png \
  "$root/skin/mainWnd/loading.gif"
