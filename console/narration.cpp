// The narration buffer and its paging under the picture.
#include "console/console.h"

#include <cstring>

#include "font/font.h"
#include "frame/frame.h"

char NarrationBuffer[NarrationBufferSize];

namespace {

// The prompt under a full page waits for the space bar, and only for it. It is drawn
// before its first frame, so a space typed while the page was still being typed is gone.
void WaitForSpace()
{
    BitmapFont_Draw(TextOriginX, TextOriginY, "\n\n\n\n<Pulsa espacio>");
    PresentFrame();
    while (LastKey != KeySpace)
        PresentFrame();
}

// Removes the shown page from the front of the buffer; the next page starts at `count`.
void DropFront(size_t count)
{
    size_t length = strlen(NarrationBuffer);
    if (count > length)
        count = length;
    memmove(NarrationBuffer, NarrationBuffer + count, length - count + 1);
}

// Types the pending narration page by page, each full page closed by space, and returns
// once a page has fitted: that last page is on the Screen and alone in the buffer.
// The narration is an argument, never a format, so a "%" in it is drawn as it stands
// and PageBreak indexes the buffer itself.
void TypePages()
{
    for (;;) {
        PageBreak = 0;
        BitmapFont_DrawLayout(TextOriginX, TextOriginY, LayoutTypewriter, "%s", NarrationBuffer);
        if (PageBreak <= 0)
            return;
        WaitForSpace();
        SDL_FillRect(Screen, nullptr, 0);
        DrawBackdrop(RoomPictureRows);
        DropFront(static_cast<size_t>(PageBreak));
    }
}

}  // namespace

void AppendNarration(const char* text)
{
    if (!text)
        return;
    // Whatever does not fit is cut: the buffer always keeps its NUL.
    size_t used = strnlen(NarrationBuffer, NarrationBufferSize - 1);
    size_t count = strnlen(text, NarrationBufferSize - 1 - used);
    memcpy(NarrationBuffer + used, text, count);
    NarrationBuffer[used + count] = '\0';
}

void ShowNarration(void)
{
    TypePages();
}

void ShowFinalNarration(void)
{
    TypePages();
    BitmapFont_DrawLayout(TextOriginX, TextOriginY, LayoutInstant, "%s", NarrationBuffer);
    WaitForSpace();
    // Left undrawn: the ending puts its full-window picture over this next.
    SDL_FillRect(Screen, nullptr, 0);
    DrawBackdrop(RoomPictureRows);
}
