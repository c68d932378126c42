#!/bin/sh
# valgrind memcheck over a whole scripted chapter (sombrial-autoplay on SDL's dummy driver),
# whose transcript must also be the expected one, then over the game itself under Xvfb on
# SDL's X11 driver. No invalid read or write and no leak of the game's own allocations;
# leaks that belong to SDL or the X libraries are suppressed by
# tests/sanitizers/valgrind.supp. The font, its list node and the last picture stay
# reachable through their globals until the end, by design.
set -eu
build=build/test
out=$build/valgrind
mkdir -p "$out"

# The plain build of the test command (nothing to do when it is already built).
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)"

# Options without blanks, expanded unquoted below.
memcheck="valgrind --tool=memcheck --error-exitcode=99 --leak-check=full
    --show-leak-kinds=definite,indirect,possible
    --errors-for-leak-kinds=definite,indirect,possible --track-origins=yes
    --suppressions=tests/sanitizers/valgrind.supp"

status=0
echo "== the chapter, scripted"
if SDL_VIDEODRIVER=dummy $memcheck --log-file="$out/chapter.log" \
    "$build/tools/sombrial-autoplay" tests/scripts/chapter.script >"$out/chapter.jsonl"; then
    if ! diff -u tests/scripts/chapter.expected.jsonl "$out/chapter.jsonl" >"$out/chapter.diff"; then
        echo "the chapter's transcript under valgrind differs (see $out/chapter.diff)"
        status=1
    fi
else
    echo "memcheck found errors in the chapter (see $out/chapter.log):"
    grep -A12 -E "Invalid|uninitialised|definitely lost|indirectly lost|possibly lost" \
        "$out/chapter.log" | head -60
    status=1
fi
grep -E "ERROR SUMMARY|definitely lost|still reachable" "$out/chapter.log" || true

if command -v xvfb-run >/dev/null && command -v xdotool >/dev/null; then
    echo "== the game under Xvfb"
    if ! xvfb-run -a -s "-screen 0 800x600x24" sh tests/sanitizers/window-smoke.sh \
        "$out/window-stderr.log" $memcheck --log-file="$out/window.log" "$build/sombrial"; then
        echo "memcheck found errors in the game under Xvfb (see $out/window.log):"
        grep -A12 -E "Invalid|uninitialised|definitely lost|indirectly lost|possibly lost" \
            "$out/window.log" | head -60
        status=1
    fi
    grep -E "ERROR SUMMARY|definitely lost|still reachable" "$out/window.log" || true
fi
exit $status
