// What the fuzz targets share: the game started once on SDL's dummy driver and the test
// seam, a fresh run per input, and a frame guard in place of the seam's idle Escape.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace fuzz {

// Once per process: the game's own start-up (SDL, the Screen, the keyboard, the font).
void StartGame();

// A fresh run: the seam's queue and clock reset, no key, no Backdrop, the narration empty.
// `perFrame` runs at the start of every pump and may queue keys. A run that pumps more
// than `maxFrames` frames waits for ever: the process aborts.
void NewRun(void (*perFrame)(), uint64_t maxFrames);

// Reports a broken rule and aborts, which libFuzzer keeps as a crash.
[[noreturn]] inline void Fail(const char* what)
{
    fprintf(stderr, "%s\n", what);
    abort();
}

}  // namespace fuzz
