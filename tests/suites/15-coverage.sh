#!/bin/sh
# The fast tests (all but the real windows, the soak and the asset generator's checks), and the
# voice's short tests in windows (its keys and its silent paths are reached only there), on a
# build instrumented for coverage: they must reach at least 95% of the game's own lines (the
# core, the desktop front end and its voice). gcovr prints the lines each file misses, and the
# line and branch figures.
set -eu
build=build/coverage
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DSOMBRIAL_WERROR=ON -DSOMBRIAL_BENCH=OFF \
    -DCMAKE_CXX_FLAGS=--coverage -DCMAKE_C_FLAGS=--coverage -DCMAKE_EXE_LINKER_FLAGS=--coverage
cmake --build "$build" -j "$(nproc)"
find "$build" -name '*.gcda' -delete
(cd "$build" && ctest --output-on-failure -j "$((3 * $(nproc)))" -LE 'soak|assets|long' -E '^e2e[.]')
# The game's own lines: everything the build compiled but the tests, the tools and the
# benchmarks (and the icon converter, a build tool of the desktop front end).
gcovr --root . --object-directory "$build" --exclude 'tests/' --exclude 'tools/' --exclude 'bench/' \
    --exclude 'platforms/linux/icon_png.cpp' --exclude-throw-branches --print-summary \
    --fail-under-line 95
