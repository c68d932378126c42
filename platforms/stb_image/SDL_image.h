// SDL_image 1.2's header for the builds whose SDL_image is the stb loader beside it
// (img_load.cpp): the one call the game makes.
#pragma once

#include "SDL.h"

#ifdef __cplusplus
extern "C" {
#endif

// Decodes a "BMP" or "TGA" image into a new surface, as SDL_image 1.2 does; closes the
// stream when freesrc is non-zero. Null, with SDL_GetError's message, when it cannot.
SDL_Surface* IMG_LoadTyped_RW(SDL_RWops* src, int freesrc, char* type);

#ifdef __cplusplus
}
#endif
