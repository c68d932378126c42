// The program: the title until Enter, then the turn loop of narration, command line and room.
#include "shell/shell.h"

#include "assets/assets.h"
#include "console/console.h"
#include "frame/frame.h"
#include "interpreter/interpreter.h"
#include "rooms/rooms.h"
#include "shown/shown.h"

int GameMain(int, char**)
{
    static char CommandBuffer[CommandBufferSize];

    InitApplication();

    SetBackdrop(LoadEmbeddedImage(TitlePicture, TitlePictureSize, "BMP"));
    SDL_FillRect(Screen, nullptr, 0);
    DrawBackdrop(FullPictureRows);
    shown::Tell(shown::Event::Title());
    PresentFrame();
    while (LastKey != KeyEnter)
        PresentFrame();
    shown::Tell(shown::Event::Begun());

    CurrentRoom = Laboratory;
    Laboratory(nullptr);
    for (;;) {
        ShowNarration();
        ReadCommandLine(CommandBuffer);
        if (CurrentRoom(CommandBuffer))
            CurrentRoom(nullptr);
    }
}
