// The fuzz targets' game: the Screen and font on SDL's dummy driver, and the frame guard.
#include "tests/fuzz/support/game.h"

#include <cstdio>
#include <cstdlib>

#include "assets/assets.h"
#include "console/console.h"
#include "font/font.h"
#include "shell/shell.h"
#include "tests/seam/seam.h"

namespace {

void (*PerFrame)() = nullptr;
uint64_t MaxFrames = 0;

void OnFrame()
{
    if (seam::Frames() > MaxFrames) {
        fprintf(stderr, "hang: still waiting after %llu frames\n",
                static_cast<unsigned long long>(MaxFrames));
        abort();
    }
    if (PerFrame)
        PerFrame();
}

}  // namespace

namespace fuzz {

void StartGame()
{
    static bool started = false;
    if (started)
        return;
    started = true;
    seam::UseHeadlessVideo();
    if (SDL_Init(SDL_INIT_VIDEO) < 0)
        abort();
    Screen = SDL_SetVideoMode(ScreenWidth, ScreenHeight, 32, 0);
    if (!Screen)
        abort();
    SDL_EnableUNICODE(1);

    // The same font the game starts with; the font and its node live as long as the process.
    BitmapFont* font = BitmapFont_Create();
    FontListNode* node = static_cast<FontListNode*>(malloc(sizeof(FontListNode)));
    if (!node)
        abort();
    node->font = font;
    node->next = FontList;
    FontList = node;
    if (font) {
        font->target = Screen;
        BitmapFont_Load(LoadEmbeddedImage(FontSheet, FontSheetSize, "TGA"));
    }
    if (SDL_MUSTLOCK(Screen))
        SDL_LockSurface(Screen);
}

void NewRun(void (*perFrame)(), uint64_t maxFrames)
{
    seam::Reset();
    seam::SetIdleLimit(0);  // the guard below ends a hang; an Escape would exit instead
    seam::SetFrameHook(OnFrame);
    PerFrame = perFrame;
    MaxFrames = maxFrames;
    LastKey = 0;
    PreviousFrameTick = 0;
    SetBackdrop(nullptr);
    NarrationBuffer[0] = '\0';
}

}  // namespace fuzz
