#!/bin/sh
# Sets up what is missing on a Debian 12 machine, builds the game, then plays it or tests it.
#   ./build.sh play    build and start the game
#   ./build.sh test    build and run every test
#   ./build.sh web     build the game for the browser into build/web/site and serve it on
#                      http://localhost:8000/ (--build-only: build, do not serve)
#   ./build.sh windows build the game for Windows: build/windows/sombrial-win64.zip
# The package lists and the extra CMake options are lists of words, split on purpose:
# shellcheck disable=SC2086
set -eu
cd "$(dirname "$0")"

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

# The voice's speech-dispatcher and D-Bus are loaded at run time: only their headers build; the
# accessibility bridge (a module the program loads) links ATK, at-spi2-atk and GLib.
PACKAGES="cmake make g++ pkg-config libsdl1.2-dev libsdl-image1.2-dev libspeechd-dev libdbus-1-dev
    libatk1.0-dev libatk-bridge2.0-dev libglib2.0-dev libx11-dev"
TEST_PACKAGES="valgrind libgtest-dev libbenchmark-dev python3 python3-pil python3-numpy fonts-dejavu-core xvfb
    xauth xdotool x11-utils x11-xserver-utils imagemagick python3-xlib desktop-file-utils dpkg-dev
    libsdl1.2-compat gcovr emscripten libstb-dev chromium firefox-esr webkit2gtk-driver wine wine64
    orca speech-dispatcher speech-dispatcher-espeak-ng espeak-ng pulseaudio at-spi2-core dbus
    clang-format shellcheck pyflakes3 lintian appstream man-db devscripts clang-16 libclang-rt-16-dev
    lld-16"
WEB_PACKAGES="cmake make emscripten libstb-dev python3"
FUZZ_PACKAGES="clang libclang-rt-14-dev"
# The Windows build: MinGW-w64, stb_image, and dpkg-source for SDL's source package (its
# tests run under Wine, among the test packages).
WINDOWS_PACKAGES="cmake make g++-mingw-w64-x86-64-win32 libstb-dev dpkg-dev xz-utils zip"

install_missing() {
    missing=""
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
    done
    if [ -n "$missing" ]; then
        echo "Installing:$missing"
        $SUDO apt-get update -q
        DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q $missing
    fi
}

# The project's own builds make every warning an error (SOMBRIAL_WERROR); a packager's do not.
build() {
    cmake -S . -B "$1" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSOMBRIAL_WERROR=ON $2 &&
        cmake --build "$1" -j "$(nproc)"
}

# The browser build: Emscripten's toolchain through CMake. Debian's emscripten needs Debian's
# acorn, which a newer node elsewhere on the PATH may lack. Test suites that run at once share
# it: one builds it while the others wait, then find it built.
build_web() {
    mkdir -p build/web
    exec 9>build/web/.building
    flock 9
    NODE_PATH=/usr/share/nodejs emcmake cmake -S . -B build/web -DCMAKE_BUILD_TYPE=Release \
        -DSOMBRIAL_WERROR=ON
    NODE_PATH=/usr/share/nodejs cmake --build build/web -j "$(nproc)"
    exec 9>&-
}

# The main build's CTest suite. Its tests in windows play in real time and take little of a
# processor: three run for each one.
main_suite() {
    build build/test "" && cd build/test && ctest --output-on-failure -j "$((3 * $(nproc)))"
}

# Prints what it is given, one suite's at a time, so that suites running at once never mix
# their lines.
say() {
    {
        flock 9
        "$@"
    } 9>build/suites/.printing
}

# Runs suite NAME (main, or a script of tests/suites) into its log, at its lane's niceness,
# then prints the log whole with its seconds.
suite() {
    started=$(date +%s)
    say echo "== $1 started"
    if if [ "$1" = main ]; then (main_suite); else nice -n "$niceness" sh "tests/suites/$1.sh"; fi \
        >"build/suites/$1.log" 2>&1; then
        result=passed
    else
        result=FAILED
    fi
    echo "$result" >"build/suites/$1.result"
    say ended "$1" "$result" "$(($(date +%s) - started))"
}

# Suite NAME's log whole, then how it ended and its seconds.
ended() {
    echo "== $1"
    cat "build/suites/$1.log"
    echo "== $1 $2 in $3 s"
}

# Each suite of a lane in turn, at the niceness given first.
lane() {
    niceness=$1
    shift
    for name in "$@"; do suite "$name"; done
}

# Every suite runs, even when an earlier one fails. Two lanes side by side, each a row of
# suites, so that one's builds fill the processors while the other's games play in real time.
# The first holds all that run the desktop game on this machine: an Orca of this user turns
# its voice on or off, and the CTest suites and the screen reader's start one. Its games are
# played to the clock, and a key read a frame late comes with the next (the voice's echo of a
# letter is then cut by the next one's): the second runs at a lower priority. The second builds
# the web site that the screen reader's suite then finds built, and brings the web and Windows
# builds up to date for the reproducible builds only once its own suites have run them. Any
# suite not named here runs after both.
run_suites() {
    rm -rf build/suites
    mkdir -p build/suites
    lane 0 main 20-compat 30-valgrind 15-coverage 25-sanitizers 45-screen-reader &
    desktop=$!
    lane 10 05-lint 40-web 50-windows 60-reproducible 10-fuzz 35-distributions &
    others=$!
    wait "$desktop" "$others" || true  # a suite a lane never reached runs below
    niceness=0
    for script in tests/suites/*.sh; do
        name=$(basename "$script" .sh)
        [ -e "build/suites/$name.result" ] || suite "$name"
    done
    passed=$(grep -lx passed build/suites/*.result | wc -l)
    failed=$(grep -Lx passed build/suites/*.result | wc -l)
    echo "suites: $passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}

case "${1:-}" in
play)
    install_missing $PACKAGES
    build build/play "-DSOMBRIAL_TESTS=OFF"
    exec build/play/sombrial
    ;;
test)
    install_missing $PACKAGES $TEST_PACKAGES $FUZZ_PACKAGES $WINDOWS_PACKAGES
    # npm for the browser tests; a Node.js from elsewhere may bring its own.
    command -v npm >/dev/null || install_missing nodejs npm
    run_suites
    ;;
web)
    install_missing $WEB_PACKAGES
    build_web
    [ "${2:-}" = "--build-only" ] && exit 0
    echo "Sombrial: http://localhost:8000/ (Ctrl+C stops the server)"
    exec python3 -m http.server 8000 --bind 127.0.0.1 --directory build/web/site
    ;;
windows)
    install_missing $WINDOWS_PACKAGES
    exec sh platforms/windows/build.sh
    ;;
*)
    echo "usage: $0 play|test|web [--build-only]|windows" >&2
    exit 2
    ;;
esac
