#!/bin/sh
# Plays a script through the scripted player and compares its transcript with the expected
# one, line for line. With UPDATE_TRANSCRIPTS=1 it writes the transcript instead (review it!).
set -eu
player=$1 script=$2 expected=$3
out=$(mktemp)
trap 'rm -f "$out"' EXIT
SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-dummy} "$player" "$script" >"$out" || true  # the status is in the transcript
if [ "${UPDATE_TRANSCRIPTS:-}" = 1 ]; then
    cp "$out" "$expected"
    exit 0
fi
diff -u "$expected" "$out"
