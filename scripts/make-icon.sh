#!/usr/bin/env bash
# The program icon from one source image (a robot head on a rounded tile):
#   scripts/make-icon.sh [--draw]              packs src/res/Tavrin.ico with the
#                                              five sizes the shell asks for
#                                              (--draw redraws the source first)
#   scripts/make-icon.sh --link-down FILE.ico  the same sizes with the mark of a
#                                              cut link in the corner; the build
#                                              makes it
#   scripts/make-icon.sh --sheet FILE.png      both at 16 px, as a light and a
#                                              dark taskbar show them, enlarged
set -eu
res=$(cd "$(dirname "$0")/../src/res" && pwd)
src=$res/Tavrin.png
sizes=256,48,32,24,16
# No time stamps in the PNG chunks: the same source gives the same bytes.
png="-define png:exclude-chunks=date,time -strip"

# The mark: a dark disc in a white ring, crossed by a white bar, over the
# bottom right quarter. Ring and disc keep it apart from both a light and a
# dark taskbar, and its shape tells without colour.
link_down() { # out.png
  convert "$src" -modulate 100,35 \
    -fill white -draw 'circle 172,172 172,90' \
    -fill '#b3261e' -draw 'circle 172,172 172,106' \
    -fill white -draw 'rectangle 132,160 212,184' \
    $png "PNG32:$1"
}

case ${1:-} in
  --link-down)
    tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
    link_down "$tmp/down.png"
    convert "$tmp/down.png" -define icon:auto-resize=$sizes "$2"
    ;;
  --sheet)
    tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
    link_down "$tmp/down.png"
    # Each picture as the shell draws it at 16 px, then blown up 8 times
    # without smoothing so that its pixels show.
    for bg in '#f3f3f3' '#202020'; do
      convert -size 40x24 "xc:$bg" \
        \( "$src" -resize 16x16 \) -geometry +2+4 -composite \
        \( "$tmp/down.png" -resize 16x16 \) -geometry +22+4 -composite \
        "$tmp/bar-${bg#\#}.png"
    done
    convert "$tmp/bar-f3f3f3.png" "$tmp/bar-202020.png" +append -filter point -resize 800% $png "$2"
    ;;
  ''|--draw)
    if [ "${1:-}" = --draw ] || [ ! -f "$src" ]; then
      convert -size 256x256 xc:none \
        -fill '#1f6f8b' -draw 'roundrectangle 8,8 247,247 44,44' \
        -fill white -draw 'roundrectangle 52,76 203,200 30,30' \
        -fill white -draw 'rectangle 124,40 131,76' -draw 'circle 128,38 128,24' \
        -fill '#1f6f8b' -draw 'circle 96,126 96,106' -draw 'circle 160,126 160,106' \
        -fill '#f2b134' -draw 'roundrectangle 88,164 168,180 8,8' \
        -strip "PNG32:$src"
    fi
    convert "$src" -define icon:auto-resize=$sizes "$res/Tavrin.ico"
    ;;
  *) echo "usage: $0 [--draw | --link-down FILE.ico | --sheet FILE.png]" >&2; exit 2 ;;
esac
