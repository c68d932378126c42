#!/bin/sh
# The whole CTest suite once more, built by GCC with AddressSanitizer and
# UndefinedBehaviorSanitizer together, then the game itself under Xvfb on SDL's X11
# driver. Any sanitizer report fails the suite. Leaks that belong to SDL or the X
# libraries are suppressed by tests/sanitizers/lsan.supp; the game's own are not.
set -eu
top=$(pwd)
log=build/asan/sanitizer-reports.log

CC=gcc CXX=g++ cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSOMBRIAL_SANITIZE=ON
cmake --build build/asan -j "$(nproc)"

# Every check on and fatal; a leak makes the process exit non-zero, also in a child
# process of a death test, so the test that made it fails.
ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:abort_on_error=0:detect_stack_use_after_return=1"
ASAN_OPTIONS="$ASAN_OPTIONS:check_initialization_order=1:strict_init_order=1:strict_string_checks=1"
# The benchmarks' frame log is preloaded (LD_PRELOAD) ahead of the runtime into the game.
ASAN_OPTIONS="$ASAN_OPTIONS:verify_asan_link_order=0"
LSAN_OPTIONS="suppressions=$top/tests/sanitizers/lsan.supp:print_suppressions=0"
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS

status=0
(cd build/asan && ctest --output-on-failure -j "$(nproc)") || status=1

# Belt and braces: a report that some test printed without failing still fails the suite.
reports() {
    grep -E "ERROR: (Address|Leak)Sanitizer|runtime error:|SUMMARY: (Address|UndefinedBehavior)Sanitizer" "$@"
}
if reports build/asan/Testing/Temporary/LastTest.log >"$log"; then
    echo "sanitizer reports in the CTest log (see $log):"
    head -20 "$log"
    status=1
fi

# The real window: the X11 driver and Xlib run under the sanitizers too. Enter leaves
# the title, Escape released ends the game with status 0.
if command -v xvfb-run >/dev/null && command -v xdotool >/dev/null; then
    echo "== the game under Xvfb"
    if ! xvfb-run -a -s "-screen 0 800x600x24" sh tests/sanitizers/window-smoke.sh \
        build/asan/xvfb-stderr.log build/asan/sombrial; then
        echo "the game under Xvfb failed"
        status=1
    fi
    if reports build/asan/xvfb-stderr.log; then
        status=1
    fi
fi
exit $status
