#!/bin/sh
# The fast tests (all but the real windows, the soak and the asset generator's checks) on a
# build instrumented for coverage: they must reach at least 95% of the game's own lines
# (shell, font, console, interpreter, rooms, assets). gcovr prints the lines each file
# misses, and the line and branch figures.
set -eu
build=build/coverage
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DSOMBRIAL_BENCH=OFF \
    -DCMAKE_CXX_FLAGS=--coverage -DCMAKE_C_FLAGS=--coverage -DCMAKE_EXE_LINKER_FLAGS=--coverage
cmake --build "$build" -j "$(nproc)"
find "$build" -name '*.gcda' -delete
(cd "$build" && ctest --output-on-failure -j "$(nproc)" -LE 'e2e|soak|assets')
filters=""
for folder in shell font console interpreter rooms assets; do
    filters="$filters --filter $folder/"
done
# shellcheck disable=SC2086
gcovr --root . --object-directory "$build" $filters --exclude-throw-branches --print-summary \
    --fail-under-line 95
