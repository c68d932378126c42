#!/bin/sh
# The game with a real screen reader: Debian's Orca and chromium on a private desktop, a
# walkthrough to a death played with real key presses, and what Orca said read from its debug
# log (tests/web/screen_reader.mjs). Orca's log and the desktop's are kept on a failure.
set -eu
./build.sh web --build-only
(cd tests/web && npm install --no-package-lock --no-audit --no-fund --loglevel=error)
node tests/web/screen_reader.mjs build/web/site tests/scripts build/web-test
