// The SDL 1.2 call the JavaScript SDL lacks, so that start-up builds unchanged.
#include "SDL.h"

extern "C" {

// Called by InitApplication to centre the window; the page centres the canvas itself.
int SDL_putenv(const char*)
{
    return 0;
}

}  // extern "C"
