#!/bin/sh
# The game in browsers: the web build (./build.sh web --build-only, into build/web), then the
# scenarios of tests/web/play.mjs in chromium, Firefox and WebKit: every walkthrough, the
# game's size and keys, Lighthouse, offline play. A canvas that never matches is saved under
# build/web-test.
set -eu
./build.sh web --build-only
# The npm packages, at the versions tests/web/package.json pins; no lockfile is kept. The
# screen reader's suite may install them at the same time: one at a time.
flock build/web/.building sh -c \
    'cd tests/web && exec npm install --no-package-lock --no-audit --no-fund --loglevel=error'
node tests/web/play.mjs build/web/site tests/scripts build/web-test
