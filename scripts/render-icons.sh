#!/usr/bin/env bash
# Renders the application icon's PNG sizes from data/icons/velmora.svg (needs rsvg-convert from
# librsvg2-bin). The PNGs are committed; run this again after changing the drawing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" "$root/data/icons/velmora.svg" \
    -o "$root/data/icons/velmora-$size.png"
done
