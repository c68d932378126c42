// The two SDL 1.2 calls the JavaScript SDL lacks, so that the shell builds unchanged.
#include "SDL.h"

extern "C" {

// Called by InitApplication to centre the window; the page centres the canvas itself.
int SDL_putenv(const char*)
{
    return 0;
}

// Called by SetWindowIcon, which reads nothing of it outside Windows. 0: not available,
// as SDL 1.2 answers where a platform has no window-manager information.
int SDL_GetWMInfo(struct SDL_SysWMinfo*)
{
    return 0;
}

}  // extern "C"
