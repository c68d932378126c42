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
    cmake -S . -B "$1" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSOMBRIAL_WERROR=ON $2
    cmake --build "$1" -j "$(nproc)"
}

# The browser build: Emscripten's toolchain through CMake. Debian's emscripten needs Debian's
# acorn, which a newer node elsewhere on the PATH may lack.
build_web() {
    NODE_PATH=/usr/share/nodejs emcmake cmake -S . -B build/web -DCMAKE_BUILD_TYPE=Release \
        -DSOMBRIAL_WERROR=ON
    NODE_PATH=/usr/share/nodejs cmake --build build/web -j "$(nproc)"
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
    build build/test ""
    # Every suite runs even when an earlier one fails; the command fails if any did.
    passed=0 failed=0
    if (cd build/test && ctest --output-on-failure -j "$(nproc)"); then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
    fi
    # Further suites (other builds, other libraries, real windows), each a script of its own.
    for suite in tests/suites/*.sh; do
        [ -e "$suite" ] || continue
        echo "== $suite"
        started=$(date +%s)
        if sh "$suite"; then
            passed=$((passed + 1))
            echo "== $suite passed in $(($(date +%s) - started)) s"
        else
            echo "== $suite FAILED"
            failed=$((failed + 1))
        fi
    done
    echo "suites: $passed passed, $failed failed"
    [ "$failed" -eq 0 ]
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
