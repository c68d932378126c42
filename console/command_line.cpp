// The command line: one line typed under the last narration page, returned on Enter.
#include "console/console.h"

#include "font/font.h"
#include "frame/frame.h"
#include "shown/shown.h"

namespace {

// The characters a line takes: Latin-1 from the space on, but for 255.
constexpr uint32_t FirstCharacter = KeySpace;
constexpr uint32_t LastCharacter = 254;

// The whole Screen anew: background, picture, the narration's last page and the echo.
// The line is an argument of the echo, never a format: a typed "%" is drawn as "%".
void DrawCommandLine(const char* line)
{
    SDL_FillRect(Screen, nullptr, 0);
    DrawBackdrop(RoomPictureRows);
    BitmapFont_DrawLayout(TextOriginX, TextOriginY, LayoutInstant, "%s", NarrationBuffer);
    BitmapFont_Draw(TextOriginX, TextOriginY, "\n\n\n\n>%s", line);
}

// Latin-1 characters 32 to 254 go into the line; 255 and everything past Latin-1 do not.
bool IsAccepted(uint32_t key)
{
    return key >= FirstCharacter && key <= LastCharacter;
}

// Enter: the narration above the line is done with, and the line is the command.
void Submit(const char* line)
{
    NarrationBuffer[0] = '\0';
    shown::Tell(shown::Event::Command(line));
}

}  // namespace

void ReadCommandLine(char* line)
{
    size_t length = 0;
    line[0] = '\0';
    const bool untyped = NarrationBuffer[0] && !NarrationTyped();
    shown::Tell(shown::Event::Line(untyped ? NarrationBuffer : "", line));
    DrawCommandLine(line);

    // Only an Enter counts in the first frame; any other key of it is dropped.
    PresentFrame();
    if (LastKey == KeyEnter) {
        Submit(line);
        return;
    }
    for (;;) {
        PresentFrame();
        uint32_t key = LastKey;
        if (key == 0)
            continue;  // no key, or one without a character: nothing to redraw
        if (key == KeyEnter) {
            Submit(line);
            return;
        }
        // A character past the limit is refused like any other key that is not taken:
        // the line stays, the Screen is redrawn. The limit leaves room for normalisation.
        if (IsAccepted(key) && length < CommandLineLimit) {
            line[length++] = static_cast<char>(key);
            shown::Tell(shown::Event::Typed({line + length - 1, 1}));
        } else if (key == KeyBackspace && length > 0) {
            --length;
            shown::Tell(shown::Event::Erased({line + length, 1}));
        }
        line[length] = '\0';
        DrawCommandLine(line);
    }
}
