// Fuzz target: narration of any Latin-1 text, up to the buffer's size, through the paging
// and both page layouts. Input: one byte of choices, then the text; NUL bytes split it into
// the separate texts of one turn. A space is pressed at every frame, so every page prompt
// is answered at once. Paging must always advance (the frame guard aborts a run that
// does not end), each page must start with a glyph, the buffer must only ever lose its
// front, and what is left at the end must be a page that fits.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "console/console.h"
#include "font/font.h"
#include "interpreter/interpreter.h"
#include "shell/shell.h"
#include "tests/fuzz/support/game.h"
#include "tests/seam/seam.h"

namespace {

// Choices, from the first byte.
constexpr uint8_t FinalNarration = 1;  // the endings' variant: the last page waits too
constexpr uint8_t ThenCommandLine = 2; // then a command line redraws the last page at once
constexpr uint8_t WithPicture = 4;     // a room picture stands above the text
constexpr int MostNarrates = 8;        // further texts are appended without a redraw

std::string Whole;      // everything narrated, as the buffer can hold it
size_t Remaining = 0;   // the buffer's length at the previous frame
bool AtCommandLine = false;

void Fail(const char* what)
{
    fprintf(stderr, "%s\n  narrated %zu bytes, %zu left: [%s]\n", what, Whole.size(),
            strlen(NarrationBuffer), NarrationBuffer);
    abort();
}

// The buffer is always the end of what was narrated; when a page has been dropped from its
// front, the next page begins with a glyph.
void CheckBuffer()
{
    size_t length = strnlen(NarrationBuffer, NarrationBufferSize);
    if (length >= NarrationBufferSize)
        Fail("the narration is not terminated inside its buffer");
    if (length == Remaining)
        return;
    if (length > Remaining)
        Fail("the narration grew while it was shown");
    if (Whole.compare(Whole.size() - length, length, NarrationBuffer) != 0)
        Fail("the narration is no longer the end of what was narrated");
    if (length > 0 && !fuzz::IsGlyph(static_cast<unsigned char>(NarrationBuffer[0])))
        Fail("a page does not start with a glyph");
    Remaining = length;
}

void PressKeys()
{
    CheckBuffer();
    if (seam::QueuedFrames() == 0)
        seam::QueueKey(AtCommandLine ? 13 : ' ');
}

SDL_Surface* RoomPicture()
{
    SDL_PixelFormat* f = Screen->format;
    SDL_Surface* p = SDL_CreateRGBSurface(SDL_SWSURFACE, ScreenWidth, RoomPictureRows, 32,
                                          f->Rmask, f->Gmask, f->Bmask, 0);
    SDL_FillRect(p, nullptr, SDL_MapRGB(f, 40, 60, 90));
    return p;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::StartGame();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    uint8_t choices = data[0];
    const char* text = reinterpret_cast<const char*>(data + 1);
    size_t length = size - 1;

    // A glyph costs one frame and a page one prompt frame; a page holds at least two bytes.
    fuzz::NewRun(PressKeys, 2 * length + 32);
    AtCommandLine = false;
    if (choices & WithPicture)
        SetBackdrop(RoomPicture());

    Whole.clear();
    int narrates = 0;
    for (size_t at = 0; at <= length;) {
        size_t end = at;
        while (end < length && text[end] != '\0')
            ++end;
        std::string piece(text + at, end - at);
        if (narrates++ < MostNarrates)
            Narrate(piece.c_str(), "txt");
        else
            AppendNarration(piece.c_str());
        Whole += piece;
        at = end + 1;
    }
    if (Whole.size() > NarrationBufferSize - 1)
        Whole.resize(NarrationBufferSize - 1);  // what does not fit is cut
    if (Whole != NarrationBuffer)
        Fail("the narration buffer does not hold the texts narrated");
    Remaining = Whole.size();

    if (choices & FinalNarration)
        ShowFinalNarration();
    else
        ShowNarration();
    CheckBuffer();

    // What stays is one page: laid out again, it fits.
    PageBreak = 0;
    BitmapFont_DrawLayout(5, 350, LayoutInstant, "%s", NarrationBuffer);
    if (PageBreak != 0)
        Fail("the page left in the buffer does not fit");

    if (choices & ThenCommandLine) {
        AtCommandLine = true;
        char line[CommandBufferSize];
        ReadCommandLine(line);
        if (line[0] != '\0' || NarrationBuffer[0] != '\0')
            Fail("Enter did not close an empty line and empty the narration");
    }
    SetBackdrop(nullptr);
    return 0;
}
