// Start-up: SDL, the window and its icon, the Screen, the keyboard and the one font.
#include "shell/shell.h"

#include <cstdio>
#include <cstdlib>

#include "assets/assets.h"
#include "font/font.h"
#include "frame/frame.h"

namespace {

// The one narration font: created, put on the font list, given the embedded sheet.
// Without memory for the font the game runs on without visible text.
void StartFont()
{
    if (BitmapFont* font = BitmapFont_Create()) {
        FontListNode* node = static_cast<FontListNode*>(malloc(sizeof(FontListNode)));
        if (node) {
            node->font = font;
            node->next = FontList;
            FontList = node;
        }
    }

    SDL_Surface* sheet = LoadEmbeddedImage(FontSheet, FontSheetSize, "TGA");
    if (FontList && FontList->font) {
        FontList->font->target = Screen;
        BitmapFont_Load(sheet);  // reports a sheet that did not decode
    } else if (sheet) {
        SDL_FreeSurface(sheet);  // no font to own it
    }
}

}  // namespace

void InitApplication(void)
{
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        fprintf(stderr, "Unable to init SDL: %s\n", SDL_GetError());
        exit(1);
    }
    SetWindowIcon();
    SDL_putenv(const_cast<char*>("SDL_VIDEO_CENTERED=center"));
    SDL_WM_SetCaption("Sombrial", nullptr);
    atexit(SDL_Quit);

    Screen = OpenScreen();
    if (!Screen) {
        fprintf(stderr, "Unable to set 640x480 video: %s\n", SDL_GetError());
        exit(1);
    }
    SDL_EnableUNICODE(1);
    SDL_EnableKeyRepeat(300, 30);

    StartFont();
}
