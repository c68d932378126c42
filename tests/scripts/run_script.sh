#!/bin/sh
# Plays a script through a scripted player and compares its transcript with the expected one,
# line for line; each state it waited at must also have its shot. With UPDATE_TRANSCRIPTS=1 it
# writes the transcript instead (review the difference!).
# usage: run_script.sh PLAYER EXPECTED
#   EXPECTED is NAME.expected.jsonl, the transcript of NAME.script played as it is, or
#   NAME.OPTION.expected.jsonl, the same script played with the player's --OPTION (a fault:
#   no pictures, no glyph sheet). This is the one place that reads that naming.
set -eu
player=$1 expected=$2
name=$(basename "$expected" .expected.jsonl)
script=$(dirname "$expected")/${name%%.*}.script
option=${name#"${name%%.*}"}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
# The exit status is in the transcript.
# shellcheck disable=SC2086
SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-dummy} "$player" --shots "$dir" ${option:+--${option#.}} "$script" \
    >"$dir/transcript" || true
if [ "${UPDATE_TRANSCRIPTS:-}" = 1 ]; then
    cp "$dir/transcript" "$expected"
    exit 0
fi
diff -u "$expected" "$dir/transcript"
shots=$(find "$dir" -name '*.bmp' | wc -l)
[ "$shots" -eq "$(grep -c '"screen"' "$dir/transcript")" ] || { echo "$shots shots"; exit 1; }
