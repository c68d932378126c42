#!/bin/sh
# The whole CTest suite once more, built by Clang (Debian's newest, 16) with AddressSanitizer
# and UndefinedBehaviorSanitizer together: the unit tests, the scripts, the 1000-script soak,
# and the game in a window on Xvfb, its X11 driver under the sanitizers too (all but the
# long walkthrough, which the scripts play). Any report fails the suite, as does any warning
# of Clang's, while build/test is GCC's. Leaks that belong to SDL or the X libraries are
# suppressed by tests/sanitizers/lsan.supp; the game's own are not.
set -eu
top=$(pwd)
cmake -S . -B build/asan -DCMAKE_C_COMPILER=clang-16 -DCMAKE_CXX_COMPILER=clang++-16 \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSOMBRIAL_WERROR=ON -DSOMBRIAL_SANITIZE=ON
cmake --build build/asan -j "$(nproc)"

# Every check on and fatal: a report, a leak included, makes the process exit non-zero, also
# in a death test's child, so the test that made it fails.
ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:abort_on_error=0:detect_stack_use_after_return=1"
ASAN_OPTIONS="$ASAN_OPTIONS:check_initialization_order=1:strict_init_order=1:strict_string_checks=1"
# The benchmarks' frame log is preloaded (LD_PRELOAD) ahead of the runtime into the game.
ASAN_OPTIONS="$ASAN_OPTIONS:verify_asan_link_order=0"
LSAN_OPTIONS="suppressions=$top/tests/sanitizers/lsan.supp:print_suppressions=0"
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS

status=0
# The games in windows play in real time, mostly waiting: three tests for each processor.
(cd build/asan && ctest --output-on-failure -j "$((3 * $(nproc)))" -LE long) || status=1
# A report that some test printed without failing still fails the suite.
if grep -E "ERROR: (Address|Leak)Sanitizer|runtime error:" build/asan/Testing/Temporary/LastTest.log; then
    status=1
fi
exit $status
