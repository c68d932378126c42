#!/bin/sh
# Smoke test of the frame log: a program run under it on the dummy video driver logs its load
# and its frames, and still ends with status 0 when SDL turns SIGTERM into a quit event.
#   frame_log_smoke.sh <program> <frame_log.so>
set -eu
program=$1
library=$2
log=$(mktemp)
trap 'rm -f "$log"' EXIT
SDL_VIDEODRIVER=dummy SOMBRIAL_FRAME_LOG=$log LD_PRELOAD=$library "$program" &
pid=$!
tries=0
while [ "$(grep -c '^frame ' "$log" || true)" -lt 3 ]; do
    tries=$((tries + 1))
    if [ "$tries" -gt 1000 ]; then
        kill -KILL "$pid"
        echo "no frames logged by $program" >&2
        exit 1
    fi
    sleep 0.01
done
kill -TERM "$pid"
wait "$pid"
grep -q '^load [0-9]*$' "$log"
