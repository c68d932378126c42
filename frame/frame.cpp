// The frame pump, the keyboard and the backdrop.
#include "frame/frame.h"

#include <cstdlib>

SDL_Surface* Screen = nullptr;
SDL_Surface* Backdrop = nullptr;
bool ScreenDrawn = true;
uint32_t LastKey = 0;
uint32_t PreviousFrameTick = 0;

void PresentFrame(void)
{
    if (!ShowScreen())
        return;  // try again next frame: no events, no pacing
    ScreenDrawn = false;

    PumpEvents();

    // Signed: a frame that ran late gives a negative delay and no sleep.
    int32_t delay = static_cast<int32_t>(PreviousFrameTick + FrameTime - SDL_GetTicks());
    if (delay > 0)
        SDL_Delay(static_cast<uint32_t>(delay));
    PreviousFrameTick = SDL_GetTicks();
}

void PumpEvents(void)
{
    SDL_Event event;

    LastKey = 0;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
        case SDL_KEYDOWN:
            LastKey = event.key.keysym.unicode;  // 0 for keys without a character
            break;
        case SDL_KEYUP:
            if (event.key.keysym.sym == SDLK_ESCAPE)
                exit(0);
            break;
        case SDL_QUIT:
            exit(0);
        default:
            break;
        }
    }
}

void DrawBackdrop(int rows)
{
    ScreenDrawn = true;  // the clear before it too
    if (!Backdrop)
        return;
    SDL_SetAlpha(Backdrop, SDL_SRCALPHA, 255);
    // SDL_UpperBlit writes the clipped result back into both rectangles,
    // so they are built afresh for every call.
    SDL_Rect source = {0, 0, static_cast<Uint16>(ScreenWidth), static_cast<Uint16>(rows)};
    SDL_Rect destination = {1, 1, static_cast<Uint16>(ScreenWidth), static_cast<Uint16>(rows)};
    SDL_UpperBlit(Backdrop, &source, Screen, &destination);
}

void SetBackdrop(SDL_Surface* picture)
{
    if (Backdrop && Backdrop != picture)
        SDL_FreeSurface(Backdrop);
    Backdrop = picture;
}
