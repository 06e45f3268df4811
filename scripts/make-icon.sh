#!/usr/bin/env bash
# Draws the program icon's source image (a robot head on a rounded tile) and
# packs it into the .ico with the five sizes the shell asks for.
# Usage: scripts/make-icon.sh [--draw]   (--draw also redraws the source image)
set -eu
res=$(cd "$(dirname "$0")/../src/res" && pwd)
src=$res/Tavrin.png
if [ "${1:-}" = --draw ] || [ ! -f "$src" ]; then
  convert -size 256x256 xc:none \
    -fill '#1f6f8b' -draw 'roundrectangle 8,8 247,247 44,44' \
    -fill white -draw 'roundrectangle 52,76 203,200 30,30' \
    -fill white -draw 'rectangle 124,40 131,76' -draw 'circle 128,38 128,24' \
    -fill '#1f6f8b' -draw 'circle 96,126 96,106' -draw 'circle 160,126 160,106' \
    -fill '#f2b134' -draw 'roundrectangle 88,164 168,180 8,8' \
    -strip "PNG32:$src"
fi
convert "$src" -define icon:auto-resize=256,48,32,24,16 "$res/Tavrin.ico"
