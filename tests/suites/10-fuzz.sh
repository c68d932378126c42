#!/bin/sh
# libFuzzer comes with clang, so the fuzz targets get a build of their own; each runs its
# committed corpus, then fuzzes for a bounded time.
set -eu
CC=clang CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSOMBRIAL_WERROR=ON -DSOMBRIAL_TESTS=OFF -DSOMBRIAL_FUZZ=ON
cmake --build build/fuzz -j "$(nproc)"
cd build/fuzz && ctest --output-on-failure -j "$(nproc)"
