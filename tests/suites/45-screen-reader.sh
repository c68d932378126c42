#!/bin/sh
# The game with a real screen reader: Debian's Orca and chromium on a private desktop, a
# walkthrough to a death played with real key presses, and what Orca said read from its debug
# log (tests/web/screen_reader.mjs). Orca's log and the desktop's are kept on a failure, in
# build/screen-reader-test.
set -eu
./build.sh web --build-only
flock build/web/.building sh -c \
    'cd tests/web && exec npm install --no-package-lock --no-audit --no-fund --loglevel=error'
# Artifacts of its own: the browser suite may be leaving its own at the same time.
node tests/web/screen_reader.mjs build/web/site tests/scripts build/screen-reader-test
