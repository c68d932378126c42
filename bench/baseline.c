/* The baseline: the least an SDL 1.2 program can do for the game's start. The same window
 * (centred, 640x480x32, flags 0, Unicode keys, key repeat), one 640x480 BMP decoded from
 * memory with SDL's own loader and shown, then 25 ms frames until Escape is released or
 * the window is closed. bench/compare.sh measures the game against it. */
#include <stdio.h>

#include "SDL.h"

extern const unsigned char BaselinePicture[];
extern const unsigned int BaselinePictureSize;

int main(int argc, char** argv)
{
    SDL_Surface* screen;
    SDL_Surface* picture;
    (void)argc;
    (void)argv;

    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        fprintf(stderr, "Unable to init SDL: %s\n", SDL_GetError());
        return 1;
    }
    SDL_putenv("SDL_VIDEO_CENTERED=center");
    SDL_WM_SetCaption("Sombrial baseline", NULL);
    screen = SDL_SetVideoMode(640, 480, 32, 0);
    if (!screen) {
        fprintf(stderr, "Unable to set 640x480 video: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }
    SDL_EnableUNICODE(1);
    SDL_EnableKeyRepeat(300, 30);

    picture = SDL_LoadBMP_RW(SDL_RWFromConstMem(BaselinePicture, (int)BaselinePictureSize), 1);
    SDL_BlitSurface(picture, NULL, screen, NULL);
    SDL_FreeSurface(picture); /* shown once; the screen keeps it */

    for (;;) {
        Uint32 start = SDL_GetTicks();
        Uint32 spent;
        SDL_Event event;

        SDL_Flip(screen);
        while (SDL_PollEvent(&event)) {
            if (event.type == SDL_QUIT ||
                (event.type == SDL_KEYUP && event.key.keysym.sym == SDLK_ESCAPE)) {
                SDL_Quit();
                return 0;
            }
        }
        spent = SDL_GetTicks() - start;
        if (spent < 25)
            SDL_Delay(25 - spent);
    }
}
