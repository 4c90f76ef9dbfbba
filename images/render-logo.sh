#!/usr/bin/env bash
# Renders the pictures the program opens from their SVG sources in this folder:
#   logo.svg      -> logo.jpg      (the splash and about window's logo, 480 x 260)
#   postfalke.svg -> postfalke.png (program and tray icon, 64 x 64)
# Needs rsvg-convert and ImageMagick's convert: scripts/deps --images installs them.
set -euo pipefail
cd "$(dirname "$0")"

for tool in rsvg-convert convert; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: run scripts/deps --images" >&2; exit 1; }
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

rsvg-convert --format=png logo.svg -o "$tmp/logo.png"
# JPEG has no transparency: the picture lies on white; metadata is left out so the file only
# changes when the picture does.
convert "$tmp/logo.png" -background white -alpha remove -alpha off -strip -quality 90 -sampling-factor 4:2:0 logo.jpg

rsvg-convert --format=png --width=64 --height=64 postfalke.svg -o "$tmp/icon.png"
convert "$tmp/icon.png" -strip -define png:exclude-chunks=date,time postfalke.png

echo "logo.jpg $(identify -format '%wx%h' logo.jpg), postfalke.png $(identify -format '%wx%h' postfalke.png)"
