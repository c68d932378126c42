// What the console tests look at: the Screen's pixels, reference drawings and a frame log.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <string>
#include <vector>

#include "console/console.h"
#include "font/font.h"
#include "shell/shell.h"
#include "tests/seam/seam.h"
#include "tests/unit/game_fixture.h"

namespace console_test {

using Pixels = std::vector<uint32_t>;

constexpr uint32_t RoomColour = 0x00336699;  // the test's plain room picture
constexpr uint32_t White = 0x00FFFFFF;

inline uint32_t& PixelAt(int x, int y)
{
    return static_cast<uint32_t*>(Screen->pixels)[y * Screen->pitch / 4 + x];
}

inline Pixels Snapshot()
{
    Pixels p;
    p.reserve(ScreenWidth * ScreenHeight);
    for (int y = 0; y < ScreenHeight; ++y)
        for (int x = 0; x < ScreenWidth; ++x)
            p.push_back(PixelAt(x, y));
    return p;
}

// "" when equal, else where they first differ.
inline std::string Difference(const Pixels& got, const Pixels& want)
{
    for (size_t i = 0; i < got.size() && i < want.size(); ++i)
        if (got[i] != want[i])
            return "first difference at x " + std::to_string(i % ScreenWidth) + ", y " +
                   std::to_string(i / ScreenWidth);
    return got.size() == want.size() ? "" : "sizes differ";
}

// The line height of the loaded font (21 for the embedded one).
inline int LineHeight()
{
    return FontList && FontList->font && FontList->font->height ? FontList->font->height : 21;
}

// Any pixel that is not black in the rows [top, bottom).
inline bool InkIn(int top, int bottom)
{
    for (int y = top; y < bottom && y < ScreenHeight; ++y)
        for (int x = 0; x < ScreenWidth; ++x)
            if (PixelAt(x, y))
                return true;
    return false;
}

// How many frames the typewriter takes for `text`: one per glyph character.
inline int Glyphs(const std::string& text)
{
    int n = 0;
    for (unsigned char c : text)
        n += (c >= 33 && c <= 126) || c >= 161;
    return n;
}

// A plain room picture of RoomColour becomes the Backdrop.
inline void UseRoomPicture()
{
    SDL_PixelFormat* f = Screen->format;
    SDL_Surface* p = SDL_CreateRGBSurface(SDL_SWSURFACE, ScreenWidth, RoomPictureRows, 32,
                                          f->Rmask, f->Gmask, f->Bmask, 0);
    SDL_FillRect(p, nullptr, RoomColour);
    SetBackdrop(p);
}

// The Screen as a turn leaves it before the narration is shown: cleared, the picture, `text` queued.
inline void StartTurn(const char* text)
{
    NarrationBuffer[0] = '\0';
    SDL_FillRect(Screen, nullptr, 0);
    DrawBackdrop(RoomPictureRows);
    AppendNarration(text);
}

// A page drawn at once over the cleared Screen and the picture; no page for null.
// Leaves the drawing on the Screen.
inline Pixels PageReference(const char* page, const char* underneath = nullptr)
{
    SDL_FillRect(Screen, nullptr, 0);
    DrawBackdrop(RoomPictureRows);
    if (page)
        BitmapFont_DrawLayout(TextOriginX, TextOriginY, LayoutInstant, "%s", page);
    if (underneath)  // on the fifth text line, where the prompt and the echo stand
        BitmapFont_DrawText(underneath, TextOriginX, static_cast<Sint16>(TextOriginY + 4 * LineHeight()));
    return Snapshot();
}

// One frame after another, one key-down each; 0 is a frame without any key.
inline void QueueKeys(const std::vector<uint16_t>& keys)
{
    for (uint16_t k : keys) {
        if (k)
            seam::QueueKey(k);
        else
            seam::QueueIdle(1);
    }
}

// The frame log: one letter for what each presented frame showed.
//   E  exactly the EndingScreen
//   P  something on the prompt's line (the fifth text line) or below
//   T  text on the narration's three lines, nothing below
//   .  nothing in the text area
inline std::string FrameLog;
inline Pixels EndingScreen;
inline Pixels FirstPromptScreen;

inline char FrameKind()
{
    if (!EndingScreen.empty() && Snapshot() == EndingScreen)
        return 'E';
    int promptTop = TextOriginY + 4 * LineHeight() - 4;
    if (InkIn(promptTop, ScreenHeight))
        return 'P';
    if (InkIn(RoomPictureRows + 2, promptTop))
        return 'T';
    return '.';
}

inline void LogFrame()
{
    char kind = FrameKind();
    if (kind == 'P' && FirstPromptScreen.empty())
        FirstPromptScreen = Snapshot();
    FrameLog += kind;
}

inline void StartFrameLog(void (*hook)() = LogFrame)
{
    FrameLog.clear();
    EndingScreen.clear();
    FirstPromptScreen.clear();
    seam::SetFrameHook(hook);
}

inline std::string Repeat(char c, int n)
{
    return std::string(static_cast<size_t>(n), c);
}

// A wait that outlives its script ends the program through the seam's idle Escape, with
// status 0, which would pass for success; while a test expects its calls to return, such
// an exit is turned into a failure.
inline bool ExpectingReturn = false;

inline void FailOnUnexpectedExit()
{
    if (ExpectingReturn) {
        const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
        fprintf(stderr, "%s: the program ended while the test expected the call to return\n",
                test ? test->name() : "a console test");
        _exit(1);
    }
}

// For tests whose statements end the program on purpose (in a child process).
inline void AllowExit()
{
    ExpectingReturn = false;
}

}  // namespace console_test

class ConsoleTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        static bool registered = atexit(console_test::FailOnUnexpectedExit) == 0;
        (void)registered;
        console_test::ExpectingReturn = true;
        seam::SetIdleLimit(200);
    }
    void TearDown() override
    {
        console_test::ExpectingReturn = false;
        seam::SetIdleLimit(100000);
    }
};
