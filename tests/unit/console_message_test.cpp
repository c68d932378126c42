// Message kinds: "txt" queues, an unknown kind does nothing, and the two endings.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "assets/assets.h"
#include "tests/unit/console_screen.h"

using namespace console_test;

using MessageKinds = ConsoleTest;

TEST_F(MessageKinds, TextsOfATurnAreQueuedTogetherAndNothingIsPresented)
{
    UseRoomPicture();
    NarrationBuffer[0] = '\0';
    SDL_FillRect(Screen, nullptr, White);
    Narrate("Uno.", "txt");
    Narrate(" Dos.", "txt");
    Narrate("\nTres.", "txt");
    EXPECT_STREQ(NarrationBuffer, "Uno. Dos.\nTres.");
    EXPECT_EQ(seam::Frames(), 0u);
    Pixels after = Snapshot();
    EXPECT_EQ(Difference(after, PageReference(nullptr)), "") << "cleared, the picture redrawn";
}

TEST_F(MessageKinds, AnyOtherKindDoesNothing)
{
    UseRoomPicture();
    const std::string longKind = "txt" + std::string(40, ' ');
    for (const char* kind : {"TXT", "Txt", "txt ", "txtx", "fin\n", "Fin", "GAMEOVER", "gameover!",
                             "", "texto", longKind.c_str()}) {
        strcpy(NarrationBuffer, "Antes.");
        SDL_FillRect(Screen, nullptr, White);
        Narrate("Nada.", kind);
        EXPECT_STREQ(NarrationBuffer, "Antes.") << "kind \"" << kind << "\"";
        EXPECT_EQ(Difference(Snapshot(), Pixels(ScreenWidth * ScreenHeight, White)), "")
            << "kind \"" << kind << "\"";
    }
    EXPECT_EQ(seam::Frames(), 0u);
}

namespace {

// The ending picture on the whole window, as the player must see it.
Pixels EndingReference(const unsigned char* picture, uint32_t size)
{
    SDL_Surface* p = LoadEmbeddedImage(picture, size, "BMP");
    SDL_FillRect(Screen, nullptr, 0);
    SDL_SetAlpha(p, SDL_SRCALPHA, 255);
    SDL_Rect source = {0, 0, 640, 480};
    SDL_Rect destination = {1, 1, 640, 480};
    SDL_UpperBlit(p, &source, Screen, &destination);
    SDL_FreeSurface(p);
    return Snapshot();
}

void PrintFrameLog()
{
    fprintf(stderr, "frames:%s;\n", FrameLog.c_str());
}

// Plays a turn that narrates two pages and then the ending; the child prints its frame log
// when it exits, and a forgotten key ends it through Escape with a longer log.
void PlayEnding(const char* kind, const unsigned char* picture, uint32_t size)
{
    AllowExit();
    UseRoomPicture();
    NarrationBuffer[0] = '\0';
    seam::SetIdleLimit(50);
    StartFrameLog();
    EndingScreen = EndingReference(picture, size);
    atexit(PrintFrameLog);

    seam::QueueIdle(Glyphs("UnoDosTres"));
    QueueKeys({0, 13, ' '});                  // Enter does not turn a page
    seam::QueueIdle(Glyphs("Adios."));
    QueueKeys({0, 13, 'x', ' '});             // the last page waits for space too
    QueueKeys({' ', 'x', 0, 13});             // the picture waits for Enter only
    Narrate("Uno\nDos\n", "txt");
    Narrate("Tres\n", "txt");
    Narrate("Adios.", kind);
    fprintf(stderr, "returned\n");
}

}  // namespace

TEST_F(MessageKinds, EndingShowsTheTurnsTextsThenThePictureUntilEnter)
{
    const std::string expected = "frames:" + Repeat('T', Glyphs("UnoDosTres")) + "PPP" +
                                 Repeat('T', Glyphs("Adios.")) + "PPPPEEEE;";
    struct Case {
        const char* kind;
        const unsigned char* picture;
        const uint32_t& size;
    } cases[] = {
        {"fin", ChapterEndPicture, ChapterEndPictureSize},
        {"gameover", GameOverPicture, GameOverPictureSize},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        EXPECT_EXIT(PlayEnding(c.kind, c.picture, c.size), testing::ExitedWithCode(0), expected);
    }
}

TEST_F(MessageKinds, EscapeReleasedDuringAnEndingEndsWithZero)
{
    EXPECT_EXIT(
        {
            AllowExit();
            UseRoomPicture();
            NarrationBuffer[0] = '\0';
            seam::QueueIdle(2);
            seam::QueueFrame({seam::KeyUp(SDLK_ESCAPE)});
            Narrate("Adios.", "gameover");
            exit(7);
        },
        testing::ExitedWithCode(0), "");
}
