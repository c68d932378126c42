#!/bin/sh
# The Windows build, cross-compiled on Debian 12 into build/windows: what CMake cannot do, SDL
# 1.2 from Debian's source (built once, then kept) and the zip for players, around the CMake
# build of the game and its scripted player.
#   sh platforms/windows/build.sh     from the repository's top folder, with the Debian
#                                     packages that ./build.sh windows installs
# Leaves build/windows/sombrial-win64.zip, its contents in build/windows/package/, and
# SDL's source beside the zip as build/windows/sdl-1.2-source.tar.gz.
set -eu
cd "$(dirname "$0")/../.."
top=$(pwd)
out=$top/build/windows
sdl=$out/sdl
prefix=$sdl/prefix
host=x86_64-w64-mingw32
jobs=$(nproc)
[ "$jobs" -le 2 ] || jobs=2

# Debian's libsdl1.2 source, its patches applied, through an apt configuration of the
# build folder's own: deb-src lines made from the Debian sources this machine already uses.
# The system's apt configuration is never changed.
fetch_sdl_source() {
    apt="$sdl/apt"
    mkdir -p "$apt/parts" "$apt/lists/partial" "$apt/cache/archives/partial" "$sdl/source"
    # shellcheck disable=SC2016  # apt's own placeholders, not the shell's
    apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(COMPONENT)' \
        'Origin: Debian' 'Target-Of: deb' | sort -u | sed 's/^/deb-src /' >"$apt/sources.list"
    [ -s "$apt/sources.list" ] || { echo "no Debian apt source on this machine" >&2; exit 1; }
    set -- -q -o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/parts" \
        -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o APT::Sandbox::User=root
    apt-get "$@" update >/dev/null
    rm -rf "$sdl/source"/*
    (cd "$sdl/source" && apt-get "$@" source libsdl1.2 >/dev/null)
}

# SDL.dll, its import library, libSDLmain.a and the headers in $prefix; skipped when there,
# built with the same options. Only video, events, timers and the start-up glue: the game
# plays no sound. The DLL alone (no static library: half the compiling), without a link time
# stamp (the strip below writes the commit's) and with its source's paths relative.
build_sdl() {
    set -- --host=$host --prefix="$prefix" --disable-static --disable-audio --disable-joystick \
        --disable-cdrom --disable-directx --disable-nasm --disable-video-opengl \
        --disable-pthreads "CFLAGS=-O2 -ffile-prefix-map=$sdl=." LDFLAGS=-Wl,--no-insert-timestamp
    if [ -f "$prefix/bin/SDL.dll" ] && [ -f "$out/sdl-1.2-source.tar.gz" ] &&
        [ "$(cat "$sdl/options" 2>/dev/null)" = "$*" ]; then
        return
    fi
    echo "== SDL 1.2 for Windows, from Debian's source"
    rm -rf "$sdl/obj" "$prefix"
    fetch_sdl_source
    tree=$(cd "$sdl/source" && ls -d libsdl1.2-*/)
    tree=${tree%/}
    # The exact source the DLL is built from, shipped beside the zip (LGPL-2.1).
    tar -C "$sdl/source" --sort=name --owner=0 --group=0 --numeric-owner \
        --mtime="@$(stat -c %Y "$sdl/source/$tree/debian/changelog")" \
        -czf "$out/sdl-1.2-source.tar.gz.part" "$tree"
    # configure and its dependency scan fork thousands of shells: dash does it in half bash's
    # time.
    mkdir -p "$sdl/obj"
    (cd "$sdl/obj" && CONFIG_SHELL=/bin/dash /bin/dash "$sdl/source/$tree/configure" "$@" \
        >configure.log && make -j"$jobs" >make.log && make install >install.log) ||
        { echo "SDL's build failed: see $sdl/obj/*.log" >&2; exit 1; }
    mv "$out/sdl-1.2-source.tar.gz.part" "$out/sdl-1.2-source.tar.gz"
    echo "$*" >"$sdl/options"
}

# The game and the scripted player (SOMBRIAL_TESTS: the Wine suite runs it), the stb loader in
# SDL_image's place, all through CMake.
build_game() {
    cmake -S "$top" -B "$out/game" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$top/platforms/windows/toolchain.cmake" \
        -DSOMBRIAL_SDL_PREFIX="$prefix" -DSOMBRIAL_WERROR=ON >/dev/null
    cmake --build "$out/game" -j "$jobs"
}

# What a player unzips: the program, SDL.dll, LEEME.txt and the licences, text in CRLF.
package() {
    p=$out/package
    rm -rf "$p" "$out/sombrial-win64.zip"
    mkdir -p "$p"
    # One time for the whole zip, the last commit's: the stripped programs' headers and the
    # files' dates. The same commit gives the same zip.
    SOURCE_DATE_EPOCH=$(git -C "$top" log -1 --format=%ct 2>/dev/null || date +%s)
    export SOURCE_DATE_EPOCH
    $host-strip -o "$p/sombrial.exe" "$out/game/sombrial.exe"
    $host-strip --strip-unneeded -o "$p/SDL.dll" "$prefix/bin/SDL.dll"
    # Notepad reads UTF-8 without a byte-order mark only since Windows 10: the Spanish
    # texts get one.
    crlf() { sed 's/$/\r/' "$1" >"$2"; }
    bom_crlf() { { printf '\357\273\277'; sed 's/$/\r/' "$1"; } >"$2"; }
    bom_crlf "$top/platforms/windows/LEEME.txt" "$p/LEEME.txt"
    bom_crlf "$top/platforms/windows/SDL-FUENTE.txt" "$p/SDL-FUENTE.txt"
    # The game's licence, and the notice of the font its glyph sheet is drawn from.
    { cat "$top/LICENSE"; echo; echo; cat "$top/assets/font-licence.txt"; } >"$out/licence.txt"
    crlf "$out/licence.txt" "$p/LICENCIA.txt"
    crlf "$sdl/source/$(cd "$sdl/source" && ls -d libsdl1.2-*/)COPYING" "$p/LICENCIA-SDL.txt"
    crlf "$out/game/stb_image-licence.txt" "$p/LICENCIA-STB.txt"  # as the build took it
    # The zip keeps each file's mode and its date in local time: both fixed, whatever the
    # machine's umask and time zone.
    touch -d "@$SOURCE_DATE_EPOCH" "$p"/*
    chmod 755 "$p"/*.exe "$p"/*.dll
    chmod 644 "$p"/*.txt
    (cd "$p" && TZ=UTC0 zip -q -X "$out/sombrial-win64.zip" sombrial.exe SDL.dll LEEME.txt \
        LICENCIA.txt SDL-FUENTE.txt LICENCIA-SDL.txt LICENCIA-STB.txt)
    echo "== $out/sombrial-win64.zip"
}

build_sdl
build_game
package
