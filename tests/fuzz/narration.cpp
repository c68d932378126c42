// Fuzz target: any Latin-1 narration, up to the buffer's size, through the paging and both
// layouts. Input: one byte of choices, then the text; NUL bytes split it into the texts of
// one turn. A space answers every page prompt at once. Paging must always advance (the
// frame guard aborts a run that does not end), the buffer must only lose its front, each
// page must start with a glyph, and what stays must be a page that fits.
#include <cstring>
#include <string>

#include "console/console.h"
#include "font/font.h"
#include "frame/frame.h"
#include "interpreter/interpreter.h"
#include "tests/fuzz/harness.h"
#include "tests/seam/seam.h"

namespace {

std::string Whole;  // everything narrated, as the buffer holds it
bool AtCommandLine = false;

void CheckBufferAndPress()
{
    size_t length = strnlen(NarrationBuffer, NarrationBufferSize);
    unsigned char first = static_cast<unsigned char>(NarrationBuffer[0]);
    if (length >= NarrationBufferSize ||
        Whole.compare(Whole.size() - length, length, NarrationBuffer))
        fuzz::Fail("the narration is no longer the end of what was narrated");
    if (length < Whole.size() && length && !((first >= 33 && first <= 126) || first >= 161))
        fuzz::Fail("a page does not start with a glyph");
    if (seam::QueuedFrames() == 0)
        seam::QueueKey(AtCommandLine ? 13 : ' ');
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
    const uint8_t choices = data[0];  // 1: the endings' paging; 2: then a command line
    fuzz::NewRun(CheckBufferAndPress, 2 * size + 32);  // a glyph a frame, a prompt a page
    AtCommandLine = false;
    Whole.clear();
    for (size_t at = 1; at <= size;) {
        size_t end = at;
        while (end < size && data[end])
            ++end;
        std::string piece(reinterpret_cast<const char*>(data + at), end - at);
        Narrate(piece.c_str(), "txt");
        Whole += piece;
        at = end + 1;
    }
    Whole.resize(std::min(Whole.size(), NarrationBufferSize - 1));  // what does not fit is cut
    if (Whole != NarrationBuffer)
        fuzz::Fail("the narration buffer does not hold the texts narrated");
    if (choices & 1)
        ShowFinalNarration();
    else
        ShowNarration();
    PageBreak = 0;
    BitmapFont_DrawLayout(TextOriginX, TextOriginY, LayoutInstant, "%s", NarrationBuffer);
    if (PageBreak != 0)
        fuzz::Fail("the page left in the buffer does not fit");
    if (choices & 2) {
        AtCommandLine = true;
        char line[CommandBufferSize];
        ReadCommandLine(line);
        if (line[0] || NarrationBuffer[0])
            fuzz::Fail("Enter did not close an empty line and empty the narration");
    }
    return 0;
}
