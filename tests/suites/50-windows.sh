#!/bin/sh
# The Windows build under Wine. The scripted player built for Windows replays every
# committed script, on SDL's dummy driver, to the expected transcript byte for byte; the
# real sombrial.exe, from the zip's folder, is played and checked on private desktops by the rows
# of tests/windows/wine.py (the chapter's walkthrough, typing with ñ, ¿ and ¡; caption, size,
# centring, icon, exit statuses, SDL's stdout.txt and stderr.txt). A screen reader runs in both
# prefixes, so every game turns its voice on: in one, Wine's own SAPI fails to speak and the
# games must play on silent; in the other, a stand-in for SAPI's voice records what it is
# handed, and a death is played, the voice saying and stopping as the transcript says, key for
# key. The window's UI Automation element is read by a client in another process (wine.py), and
# its text and announcements in a test program of the provider's own
# (tests/windows/accessible_test.cpp).
# Two jobs run side by side, each with a Wine prefix of its own: games that share a
# wineserver share one foreground window, and keys go to it.
# shellcheck shell=dash
# shellcheck disable=SC2317  # the functions below run through job and alone
set -eu
sh platforms/windows/build.sh  # what ./build.sh windows builds; SDL once built is kept
out=$PWD/build/windows
runs=$out/wine-runs
rm -rf "$runs"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export SOMBRIAL_WINDOWS_PLAYER="$out/game/tools/sombrial-scripted-player.exe"
export SOMBRIAL_UIA_CLIENT="$out/game/tests/windows/uia_client.exe"
SOMBRIAL_VERSION=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$out/game/CMakeCache.txt")
export SOMBRIAL_VERSION
end_servers() {
    for prefix in 1 2; do WINEPREFIX="$out/wine/$prefix" wineserver -k 2>/dev/null || true; done
}
trap end_servers EXIT

# Job N: its prefix, a copy of the zip's folder, and what it runs ($@), logged.
job() {
    n=$1 started=$(date +%s)
    shift
    mkdir -p "$runs/$n" "$out/wine"
    cp -r "$out/package" "$runs/$n/folder"
    export WINEPREFIX="$out/wine/$n" SOMBRIAL_WINDOWS_FOLDER="$runs/$n/folder"
    if [ ! -d "$WINEPREFIX" ]; then  # made once, about 10 s, by a server that must then end
        wine wineboot >/dev/null 2>&1
        wineserver -k 2>/dev/null || true
        wineserver -w
    fi
    status=0
    "$@" >"$runs/$n/log" 2>&1 || status=1
    # A normal exit leaves no stdout.txt or stderr.txt: SDL removes them when empty.
    for left in stdout.txt stderr.txt; do
        if [ -e "$SOMBRIAL_WINDOWS_FOLDER/$left" ]; then
            echo "$left" >>"$runs/$n/log"
            status=1
        fi
    done
    echo "job $n: $(($(date +%s) - started)) s" >>"$runs/$n/log"
    echo $status >"$runs/$n/status"
}

# A screen reader in the prefix, as NVDA, JAWS and Narrator tell Windows (SPI_GETSCREENREADER
# reads it); with `standin`, the stand-in for SAPI's voice (tests/windows/standin_voice.c) as
# SpVoice, in HKLM: Wine 8 reads no per-user registration. Without it, Wine's own SAPI.
# The stand-in's prefix lists voices as SAPI does, in this order, each with its languages' LANGIDs:
# an English one that also lists Spanish, then Spanish of Mexico before Spanish of Spain.
voice() {
    wine reg add 'HKCU\Control Panel\Accessibility\Blind Access' /v On /d 1 /f /reg:64 >/dev/null
    [ "${1:-}" = standin ] || return 0
    key='HKLM\Software\Classes\CLSID\{96749377-3391-11D2-9EE3-00C04F797396}\InprocServer32'
    dll=Z:$(echo "$out/game/tests/windows/standin_voice.dll" | sed 's,/,\\,g')
    wine reg add "$key" /ve /d "$dll" /f /reg:64 >/dev/null &&
        wine reg add "$key" /v ThreadingModel /d Both /f /reg:64 >/dev/null || return 1
    tokens='HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Speech\Voices\Tokens'
    {
        echo REGEDIT4
        printf '[%s\\%s\\Attributes]\n"Language"="%s"\n' \
            "$tokens" David '409;C0A' \
            "$tokens" Raul 80A \
            "$tokens" Sergio C0A
    } >"$runs/$n/voices.reg"
    wine reg import "Z:$(echo "$runs/$n/voices.reg" | sed 's,/,\\,g')" /reg:64 >/dev/null 2>&1
}

# Runs a program of tests, then ends the prefix's wineserver: a game must not find one that
# still holds its Windows desktop on an X server that is gone, or on none.
alone() {
    local failed=0
    "$@" || failed=1
    wineserver -k 2>/dev/null || true
    wineserver -w
    return "$failed"
}

# Rows of wine.py, each on a desktop of its own that ends its wineserver.
rows() {
    /usr/bin/python3 tests/windows/wine.py --game "wine $SOMBRIAL_WINDOWS_FOLDER/sombrial.exe" \
        --artifacts "$runs/artifacts" "$@"
}

# Every committed transcript, replayed by the Windows scripted player.
transcripts() {
    local failed=0 expected
    for expected in tests/scripts/*.expected.jsonl; do
        if sh tests/scripts/run_script.sh tests/windows/scripted_player.sh "$expected"; then
            echo "PASS script.$(basename "$expected" .expected.jsonl)"
        else
            echo "FAIL script.$(basename "$expected" .expected.jsonl)"
            failed=1
        fi
    done
    return "$failed"
}

# A screen reader on and Wine's own SAPI, whose voice answers E_NOTIMPL to the first Speak: the
# game's voice falls silent for good, and the walkthroughs must play on to the same fingerprints.
silent_voice() {
    alone voice || return 1
    rows "$@"
}

transcripts_then_windows() {
    local failed=0
    alone voice standin || failed=1
    alone transcripts || failed=1
    alone env WINEPATH="$SOMBRIAL_WINDOWS_FOLDER" wine "$out/game/tests/windows/accessible_test.exe" ||
        failed=1
    rows voice.death-leaving e2e.typing-edits-and-latin1 window window-spanish-voice window-scaled \
        bad-driver version-resource aslr-and-dep || failed=1
    return "$failed"
}

echo "== under Wine: the walkthrough, beside the transcripts, a death said, typing and the window"
job 1 silent_voice e2e.chapter-shortest &
job 2 transcripts_then_windows
wait
status=0
for n in 1 2; do
    cat "$runs/$n/log"
    [ "$(cat "$runs/$n/status")" = 0 ] || status=1
done
exit $status
