#!/bin/sh
# Sets up what is missing on a Debian 12 machine, builds the game, then plays it or tests it.
#   ./build.sh play    build and start the game
#   ./build.sh test    build and run every test
set -eu
cd "$(dirname "$0")"

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

PACKAGES="cmake make g++ libsdl1.2-dev libsdl-image1.2-dev"
TEST_PACKAGES="valgrind libgtest-dev libbenchmark-dev python3 python3-pil python3-numpy fonts-dejavu-core xvfb
    xauth xdotool x11-utils x11-xserver-utils imagemagick python3-xlib desktop-file-utils dpkg-dev
    libsdl1.2-compat gcovr"
FUZZ_PACKAGES="clang libclang-rt-14-dev"

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

build() {
    cmake -S . -B "$1" -DCMAKE_BUILD_TYPE=RelWithDebInfo $2
    cmake --build "$1" -j "$(nproc)"
}

case "${1:-}" in
play)
    install_missing $PACKAGES
    build build/play "-DSOMBRIAL_TESTS=OFF"
    exec build/play/sombrial
    ;;
test)
    install_missing $PACKAGES $TEST_PACKAGES $FUZZ_PACKAGES
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
        if sh "$suite"; then
            passed=$((passed + 1))
        else
            echo "== $suite FAILED"
            failed=$((failed + 1))
        fi
    done
    echo "suites: $passed passed, $failed failed"
    [ "$failed" -eq 0 ]
    ;;
*)
    echo "usage: $0 play|test" >&2
    exit 2
    ;;
esac
