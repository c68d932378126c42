#!/bin/sh
# Builds the game, the baseline SDL program, the frame log and the benchmarks in build/bench,
# runs the micro-benchmarks, then the game against the baseline under Xvfb, and reports
# game/baseline. Options go to bench/compare.py (--runs, --window, --no-micro).
# Needs Debian's xvfb, xdotool, imagemagick, python3 and libbenchmark-dev (build.sh test's list).
set -eu
cd "$(dirname "$0")/.."
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSOMBRIAL_WERROR=ON -DSOMBRIAL_TESTS=ON \
    -DSOMBRIAL_BENCH=ON >/dev/null
cmake --build build/bench -j "$(nproc)" \
    --target sombrial sombrial_baseline sombrial_frame_log sombrial_bench >/dev/null
exec python3 bench/compare.py build/bench "$@"
