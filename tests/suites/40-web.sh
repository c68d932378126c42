#!/bin/sh
# The game in a browser: the web build (Emscripten, build/web), then every walkthrough script
# played by key presses on the page in Debian's headless chromium through playwright-core, the
# canvas compared at every state with the desktop scripted player's fingerprint
# (tests/web/play.mjs). A canvas that never matches is saved under build/web-test.
set -eu
# Debian's emscripten needs Debian's acorn, which a newer node elsewhere on the PATH may lack.
export NODE_PATH=/usr/share/nodejs
emcmake cmake -S . -B build/web -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/web -j "$(nproc)"
# The one npm package, at the version tests/web/package.json pins; no lockfile is kept.
(cd tests/web && npm install --no-package-lock --no-audit --no-fund --loglevel=error)
node tests/web/play.mjs build/web/site tests/scripts build/web-test
