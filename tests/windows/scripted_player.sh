#!/bin/sh
# The Windows scripted player under Wine, as tests/scripts/run_script.sh's PLAYER: SDL.dll
# from the zip's folder, the transcript on the standard output rather than in stdout.txt.
exec env WINEPATH="$SOMBRIAL_WINDOWS_FOLDER" SDL_STDIO_REDIRECT=0 \
    wine "$SOMBRIAL_WINDOWS_PLAYER" "$@"
