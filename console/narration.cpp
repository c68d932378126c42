// The narration buffer and its paging under the picture.
#include "console/console.h"

#include <cstring>

#include "font/font.h"
#include "frame/frame.h"
#include "shown/shown.h"

char NarrationBuffer[NarrationBufferSize];

namespace {

// The buffer's text has been typed out, and nothing appended since.
bool Typed = false;

// The prompt under a full page waits for the space bar, and only for it. It is drawn
// before its first frame, so a space typed while the page was still being typed is gone.
void WaitForSpace()
{
    BitmapFont_Draw(TextOriginX, TextOriginY, "\n\n\n\n<Pulsa espacio>");
    PresentFrame();
    while (LastKey != KeySpace)
        PresentFrame();
    shown::Tell(shown::Event::Turned());
}

// Removes the shown page from the front of the buffer; the next page starts at `count`.
void DropFront(size_t count)
{
    size_t length = strlen(NarrationBuffer);
    if (count > length)
        count = length;
    memmove(NarrationBuffer, NarrationBuffer + count, length - count + 1);
}

// The page at the front of the buffer, where the layout will stop, found before a glyph is
// drawn: its front end has the whole page as typing begins. A layout holds what one format
// of the font holds.
std::string_view NextPage()
{
    PageBreak = 0;
    BitmapFont_DrawLayout(TextOriginX, TextOriginY, LayoutMeasure, "%s", NarrationBuffer);
    const size_t length =
        PageBreak > 0 ? static_cast<size_t>(PageBreak) : strnlen(NarrationBuffer, FontTextSize - 1);
    return {NarrationBuffer, length};
}

// Types the pending narration page by page, each full page closed by space, and returns
// once a page has fitted: that last page is on the Screen and alone in the buffer. An
// ending's last page waits for space too (`final`), after its caller has drawn it again.
// The narration is an argument, never a format, so a "%" in it is drawn as it stands
// and PageBreak indexes the buffer itself.
void TypePages(bool final)
{
    while (NarrationBuffer[0]) {
        const std::string_view page = NextPage();
        const bool prompt = PageBreak > 0 || final;
        shown::Tell(shown::Event::Typing(page, prompt));
        PageBreak = 0;
        BitmapFont_DrawLayout(TextOriginX, TextOriginY, LayoutTypewriter, "%s", NarrationBuffer);
        shown::Tell(shown::Event::Page(page, prompt));
        Typed = true;
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
    Typed = Typed && count == 0;
}

void ShowNarration(void)
{
    TypePages(false);
}

void ShowFinalNarration(void)
{
    TypePages(true);
    BitmapFont_DrawLayout(TextOriginX, TextOriginY, LayoutInstant, "%s", NarrationBuffer);
    WaitForSpace();
    // Left undrawn: the ending puts its full-window picture over this next.
    SDL_FillRect(Screen, nullptr, 0);
    DrawBackdrop(RoomPictureRows);
}

bool NarrationTyped(void)
{
    return Typed;
}
