// The browser's Screen: the page's canvas itself, which the page's style sheet scales.
#include "frame/frame.h"

SDL_Surface* OpenScreen(void)
{
    return SDL_SetVideoMode(ScreenWidth, ScreenHeight, 32, 0);
}

// The canvas already holds what was drawn; the update presents it and counts the frame
// (browser_sdl.cpp).
bool ShowScreen(void)
{
    SDL_UpdateRect(Screen, 0, 0, ScreenWidth, ScreenHeight);
    return true;
}
