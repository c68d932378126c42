#!/bin/sh
# Byte-identical rebuilds: the release artefacts built again, later, from a second folder whose
# path differs (a clone of HEAD under /tmp with the working tree's files copied over it, so
# uncommitted work counts too) must be the same bytes as this folder's: the Debian package of
# a Release build, the Windows zip, its files and SDL's source (against build/windows, the
# Wine suite's), and every file of the web site (against build/web, the browser suites').
# Each file that differs is named; Debian's diffoscope shows how two of them differ.
set -eu
status=0

# A Release build of the game from SOURCE into BUILD, packed by cpack.
package() {
    cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=Release -DSOMBRIAL_WERROR=ON -DSOMBRIAL_TESTS=OFF \
        >/dev/null
    cmake --build "$2" -j "$(nproc)" >/dev/null
    rm -f "$2"/*.deb
    (cd "$2" && cpack -G DEB >/dev/null)
}

# Every artefact of this folder, brought up to date: quick when the suites before made them.
package . build/reproducible
sh platforms/windows/build.sh >/dev/null
./build.sh web --build-only >/dev/null

second=$(mktemp -d /tmp/sombrial-reproducible-second-folder-XXXXXX)
trap 'rm -rf "$second"' EXIT
copy=$second/sombrial
git clone -q . "$copy"
git ls-files -z --cached --others --exclude-standard |
    tar --null --ignore-failed-read -T - -cf - 2>/dev/null | tar -xf - -C "$copy"
package "$copy" "$copy/build/release"
(cd "$copy" && sh platforms/windows/build.sh && ./build.sh web --build-only) \
    >build/reproducible/second-folder.log 2>&1 ||
    { echo "the second folder's builds failed: build/reproducible/second-folder.log" >&2; exit 1; }

# Names each of the FILES, below both FIRST and SECOND, whose bytes differ.
compare() {
    first=$1 other=$2
    shift 2
    for file in "$@"; do
        if ! cmp -s "$first/$file" "$other/$file"; then
            echo "FAIL reproducible: $file is not the same in $first and $other"
            status=1
        fi
    done
    echo "compared $# files of $first"
}

deb=$(cd build/reproducible && echo sombrial_*.deb)
compare build/reproducible "$copy/build/release" "$deb"
if ! cmp -s "build/reproducible/$deb" "$copy/build/release/$deb"; then
    # The files inside that differ.
    dpkg-deb -R "build/reproducible/$deb" "$second/first"
    dpkg-deb -R "$copy/build/release/$deb" "$second/other"
    diff -rq "$second/first" "$second/other" && echo "  no file inside: the archives' times or order"
fi
# shellcheck disable=SC2046  # file names without spaces, one word each
compare build/windows "$copy/build/windows" sombrial-win64.zip sdl-1.2-source.tar.gz \
    $(cd build/windows && echo package/*)
# shellcheck disable=SC2046
compare build/web/site "$copy/build/web/site" \
    $({ (cd build/web/site && find . -type f) && (cd "$copy/build/web/site" && find . -type f); } |
        sort -u)
exit $status
