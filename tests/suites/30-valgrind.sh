#!/bin/sh
# valgrind memcheck over a whole scripted chapter (sombrial-scripted-player on SDL's dummy driver),
# whose transcript must also be the expected one, then over the game itself in a window on
# Xvfb (SDL's X11 driver). No invalid read or write and no leak of the game's own
# allocations; leaks that belong to SDL or the X libraries are suppressed by
# tests/sanitizers/valgrind.supp. The font, its list node and the last picture stay
# reachable through their globals until the end, by design.
set -eu
build=build/test
out=$build/valgrind
mkdir -p "$out"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSOMBRIAL_WERROR=ON >/dev/null
cmake --build "$build" -j "$(nproc)"

memcheck="valgrind --tool=memcheck --error-exitcode=99 --leak-check=full
    --show-leak-kinds=definite,indirect,possible --errors-for-leak-kinds=definite,indirect,possible
    --track-origins=yes --suppressions=tests/sanitizers/valgrind.supp --log-file=$out/%p.log"

status=0
echo "== the chapter, scripted"
# shellcheck disable=SC2086
SDL_VIDEODRIVER=dummy $memcheck "$build/tools/sombrial-scripted-player" tests/scripts/chapter-every-detour.script \
    >"$out/chapter.jsonl" || status=1
diff -u tests/scripts/chapter-every-detour.expected.jsonl "$out/chapter.jsonl" >"$out/chapter.diff" || status=1
echo "== the game in a window"
/usr/bin/python3 tests/e2e/scenarios.py --game "$memcheck $build/sombrial" \
    --artifacts "$out" e2e.window e2e.escape-while-typing || status=1
if [ "$status" -ne 0 ]; then
    echo "memcheck found errors, or a game went wrong (see $out):"
    grep -h -A12 -E "Invalid|uninitialised|definitely lost|indirectly lost|possibly lost" \
        "$out"/*.log | head -60
fi
grep -h -E "ERROR SUMMARY" "$out"/*.log || true
exit $status
