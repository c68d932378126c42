// The browser's Screen: the page's canvas itself, which the page copies to the size it shows.
#include <emscripten.h>

#include "frame/frame.h"

// Counts a presented frame where the page can read it: Module.frames is the number of frames
// presented so far, and Module.onFrame, when the page sets it, hears of each, and whether
// anything was drawn on the Screen since the frame before.
// clang-format off
EM_JS(void, CountFrame, (bool drawn), {
    Module["frames"] = (Module["frames"] | 0) + 1;
    if (Module["onFrame"])
        Module["onFrame"](Module["frames"], drawn);
});
// clang-format on

SDL_Surface* OpenScreen(void)
{
    return SDL_SetVideoMode(ScreenWidth, ScreenHeight, 32, 0);
}

// The canvas already holds what was drawn. Called just before the frame's events are read,
// with no yield between the two.
bool ShowScreen(void)
{
    SDL_UpdateRect(Screen, 0, 0, ScreenWidth, ScreenHeight);
    CountFrame(ScreenDrawn);
    return true;
}
