#!/bin/sh
# Packagers' builds: the game and the scripted player built as Fedora and Arch build their
# packages (GCC, link-time optimisation) and as Debian's flags give it to Clang with its own
# link-time optimisation, warnings not made errors, as a packager builds. Each must compile
# without a warning, be hardened (hardening-check) and play every committed walkthrough to its
# transcript (CTest's script.* tests).
set -eu
status=0
# Fedora's and Arch's %optflags without what GCC 12 lacks; Debian's CFLAGS and CPPFLAGS.
fedora="-O2 -flto=auto -ffat-lto-objects -fexceptions -g -grecord-gcc-switches -pipe -Wall \
    -Werror=format-security -Wp,-D_FORTIFY_SOURCE=3 -Wp,-D_GLIBCXX_ASSERTIONS \
    -fstack-protector-strong -fasynchronous-unwind-tables -fstack-clash-protection -fcf-protection"
arch="-march=x86-64 -mtune=generic -O2 -pipe -fno-plt -fexceptions -Wp,-D_FORTIFY_SOURCE=3 -Wformat \
    -Werror=format-security -fstack-clash-protection -fcf-protection -flto=auto"
debian="-g -O2 -fstack-protector-strong -Wformat -Werror=format-security -Wdate-time \
    -D_FORTIFY_SOURCE=2"
# name, C and C++ compilers, CFLAGS and CXXFLAGS, LDFLAGS (on descriptor 3: the builds read none)
while IFS='|' read -r name cc cxx flags ldflags <&3; do
    echo "== $name"
    build=build/distributions/$name
    mkdir -p "$build"
    if ! { cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_COMPILER="$cc" \
        -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
        -DCMAKE_EXE_LINKER_FLAGS="$ldflags" && cmake --build "$build" -j "$(nproc)" \
        --target sombrial sombrial-scripted-player; } >"$build/log" 2>&1; then
        tail -30 "$build/log"
        status=1
        continue
    fi
    # Only what was compiled this time prints its warnings: a build that had any starts over.
    if grep -B2 -A6 'warning:' "$build/log"; then
        rm -rf "$build"
        status=1
        continue
    fi
    hardening-check --nocfprotection --quiet "$build/sombrial" || status=1
    (cd "$build" && ctest -R '^script[.]' -j "$(nproc)" --output-on-failure) || status=1
done 3<<EOF
fedora|gcc|g++|$fedora|-flto=auto -Wl,-z,relro -Wl,--as-needed -Wl,-z,now
arch|gcc|g++|$arch|-Wl,-O1,--sort-common,--as-needed,-z,relro,-z,now -flto=auto
debian-clang|/usr/lib/llvm-16/bin/clang|/usr/lib/llvm-16/bin/clang++|$debian -flto=thin|-Wl,-z,relro -flto=thin -fuse-ld=lld
EOF
exit $status
