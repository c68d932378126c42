#!/bin/sh
# Plays a script through the scripted player and compares its transcript with the expected
# one, line for line; each state it waited at must also have its shot. With
# UPDATE_TRANSCRIPTS=1 it writes the transcript instead (review the difference!).
# usage: run_script.sh PLAYER SCRIPT EXPECTED [PLAYER OPTION...]
set -eu
player=$1 script=$2 expected=$3
shift 3
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
# The exit status is in the transcript.
SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-dummy} "$player" --shots "$dir" "$@" "$script" >"$dir/transcript" || true
if [ "${UPDATE_TRANSCRIPTS:-}" = 1 ]; then
    cp "$dir/transcript" "$expected"
    exit 0
fi
diff -u "$expected" "$dir/transcript"
shots=$(find "$dir" -name '*.bmp' | wc -l)
[ "$shots" -eq "$(grep -c '"screen"' "$dir/transcript")" ] || { echo "$shots shots"; exit 1; }
