#!/bin/sh
# The game in a browser: the web build (./build.sh web --build-only, into build/web), then
# every walkthrough script played by key presses on the page in Debian's headless chromium
# through playwright-core, the canvas compared at every state with the desktop scripted
# player's fingerprint (tests/web/play.mjs). A canvas that never matches is saved under
# build/web-test.
set -eu
./build.sh web --build-only
# The one npm package, at the version tests/web/package.json pins; no lockfile is kept.
(cd tests/web && npm install --no-package-lock --no-audit --no-fund --loglevel=error)
node tests/web/play.mjs build/web/site tests/scripts build/web-test
