#!/bin/sh
# The scripted player's --shots: the title, every page prompt, every command-line prompt and
# the ending picture are saved as 640x480 BMPs of the Screen.
set -eu
player=$1 script=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-dummy} "$player" --shots "$dir" "$script" >"$dir/transcript"
prompts=$(grep -c '"prompt"' "$dir/transcript")
for name in title.bmp page-1-1.bmp page-1-2.bmp prompt-1.bmp "prompt-$prompts.bmp" ending.bmp; do
    [ -f "$dir/$name" ] || { echo "missing $name"; ls "$dir"; exit 1; }
    # BMP header: width 640 at offset 18, height 480 at offset 22
    size=$(od -An -tu4 -j18 -N8 "$dir/$name" | tr -s ' ')
    [ "$size" = " 640 480" ] || { echo "$name is$size"; exit 1; }
done
[ "$(ls "$dir"/prompt-*.bmp | wc -l)" -eq "$prompts" ] || { echo "one shot per prompt expected"; exit 1; }
