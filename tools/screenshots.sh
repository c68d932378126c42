#!/bin/sh
# Remakes the README's screenshots (docs/screenshots/) from the game itself: the scripted
# player saves its Screen at each state, ImageMagick turns the chosen ones into PNG.
#   tools/screenshots.sh [PATH/TO/sombrial-scripted-player]   (default: the one ./build.sh test builds)
set -eu
cd "$(dirname "$0")/.."
player=${1:-build/test/tools/sombrial-scripted-player}
shots=$(mktemp -d)
trap 'rm -rf "$shots"' EXIT
printf 'mirar rata\nmirar mesa\n' >"$shots/script"
SDL_VIDEODRIVER=dummy "$player" --shots "$shots" "$shots/script" >/dev/null
mkdir -p docs/screenshots
# The title; the laboratory with its first page of narration; a command typed under the
# answer to the one before it.
convert "$shots/title.bmp" -strip docs/screenshots/title.png
convert "$shots/page-1-1.bmp" -strip docs/screenshots/room.png
convert "$shots/line-2.bmp" -strip docs/screenshots/command-line.png
