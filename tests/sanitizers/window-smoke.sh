#!/bin/sh
# usage: window-smoke.sh REPORT COMMAND [ARGUMENT...]
# Runs the game's COMMAND in the X display that xvfb-run gives, leaves the title with Enter,
# types a command, and releases Escape; passes when the game exits with status 0. Its
# standard error goes to REPORT.
set -u
report=$1
shift
"$@" 2>"$report" &
game=$!
window=$(timeout 60 xdotool search --sync --name '^Sombrial$' | head -n 1)
if [ -z "$window" ]; then
    echo "no window"
    kill "$game" 2>/dev/null
    exit 1
fi
# Keys go through XTEST to the focused window, as a real keyboard's would.
xdotool windowfocus --sync "$window"
sleep 1
xdotool key Return
sleep 1
xdotool type --delay 60 "mirar rata"
xdotool key Return
sleep 1
xdotool key Escape
# The game ends on the release of Escape, well within the wait (a minute, for valgrind).
for i in $(seq 1 600); do
    kill -0 "$game" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$game" 2>/dev/null; then
    echo "the game did not end on Escape"
    kill "$game"
    exit 1
fi
wait "$game"
code=$?
[ "$code" -eq 0 ] || { echo "exit status $code"; cat "$report"; exit 1; }
