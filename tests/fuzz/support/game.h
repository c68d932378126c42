// What the drawing fuzz targets share: the game's Screen and font on SDL's dummy driver,
// and a frame guard in place of the seam's idle Escape.
#pragma once

#include <cstdint>

namespace fuzz {

// Once per process: SDL on its dummy driver, the 640x480x32 Screen, Unicode keys, and the
// one font on FontList, drawing onto the Screen, with the embedded glyph sheet loaded.
void StartGame();

// A fresh run: the seam's queue and clock reset, LastKey 0, no Backdrop, the narration
// empty. `perFrame` runs at the start of every pump and may queue keys. A run that pumps
// more than `maxFrames` frames is a wait that never ends: the process aborts.
void NewRun(void (*perFrame)(), uint64_t maxFrames);

// True for the bytes the font has a glyph for ("!" to "~" and "¡" to "ÿ").
inline bool IsGlyph(unsigned char c)
{
    return (c >= 33 && c <= 126) || c >= 161;
}

}  // namespace fuzz
