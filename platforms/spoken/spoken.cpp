// The stream of what the game says: the game's own calls, re-linked (--wrap), tell Hear what
// they show and what they wait for, then do exactly what they did.
#include "platforms/spoken/spoken.h"

#include <cstring>

#include "console/console.h"
#include "font/font.h"
#include "frame/frame.h"

extern "C" {
void __real_LayoutTypewriter(int32_t* penX, int32_t* penY, LayoutState* state);
void __real_ReadCommandLine(char* line);
void __real_ShowFinalNarration(void);
void __real_Narrate(const char* text, const char* kind);
void __real_PresentFrame(void);
}

namespace spoken {

namespace {

// The key that moves the game on from the frame being presented: Enter on the title, space
// under a page; at other waits, none the stream follows.
enum class Awaited { Nothing, Enter, Space };
Awaited Awaits = Awaited::Nothing;

bool TitleShown = false;
const char* Ending = nullptr;  // "fin" or "gameover" once an ending has begun
bool PageTyped = false;        // a page has been typed since the last command line

// The command line being typed, and the text it showed at the last frame: the game changes
// it by at most one character a frame.
char* Line = nullptr;
std::string LineShown;

void Tell(Heard what, const char* text = nullptr, size_t length = 0)
{
    Hear(Event{what, text, length, false, nullptr, nullptr});
}

// Says the key the line took at the last frame, if any.
void FollowLine()
{
    size_t length = strlen(Line);
    if (length == LineShown.size() + 1 && LineShown.compare(0, length - 1, Line, length - 1) == 0) {
        LineShown.push_back(Line[length - 1]);
        Tell(Heard::Typed, &LineShown.back(), 1);
    } else if (length + 1 == LineShown.size() && LineShown.compare(0, length, Line) == 0) {
        const char erased = LineShown.back();
        LineShown.pop_back();
        Tell(Heard::Erased, &erased, 1);
    }
}

}  // namespace

}  // namespace spoken

using spoken::Awaited;
using spoken::Heard;

extern "C" {

// Every frame: the title at the first, the key a command line took, and the key that moves
// the game on from the title or a page prompt, read as the game reads it.
void __wrap_PresentFrame(void)
{
    if (!spoken::TitleShown) {
        spoken::TitleShown = true;
        spoken::Awaits = Awaited::Enter;
        spoken::Tell(Heard::Title);
    }
    if (spoken::Line)
        spoken::FollowLine();
    __real_PresentFrame();
    if (spoken::Awaits == Awaited::Enter && LastKey == KeyEnter) {
        spoken::Awaits = Awaited::Nothing;
        spoken::Tell(Heard::Begun);
    } else if (spoken::Awaits == Awaited::Space && LastKey == KeySpace) {
        spoken::Awaits = Awaited::Nothing;
        spoken::Tell(Heard::Turned);
    }
}

// Every narration page: once typed it is told, with the prompt when a full page stopped it or
// when it is an ending's last page.
void __wrap_LayoutTypewriter(int32_t* penX, int32_t* penY, LayoutState* state)
{
    const char* text = state->text;
    if (!text || !text[0]) {  // nothing to type: no page, no frame
        __real_LayoutTypewriter(penX, penY, state);
        return;
    }
    spoken::Tell(Heard::Typing, text, strlen(text));
    __real_LayoutTypewriter(penX, penY, state);
    spoken::Event page = {Heard::Page,
                          text,
                          PageBreak > 0 ? static_cast<size_t>(PageBreak) : strlen(text),
                          PageBreak > 0 || spoken::Ending,
                          nullptr,
                          nullptr};
    spoken::PageTyped = true;
    if (page.prompt)
        spoken::Awaits = Awaited::Space;
    spoken::Hear(page);
}

// Once a turn: the line while it is typed, then the submitted line.
void __wrap_ReadCommandLine(char* line)
{
    const bool untyped = !spoken::PageTyped && NarrationBuffer[0];
    spoken::PageTyped = false;
    spoken::Hear(spoken::Event{Heard::Line, untyped ? NarrationBuffer : nullptr,
                               untyped ? strlen(NarrationBuffer) : 0, false, nullptr, line});
    spoken::Line = line;
    spoken::LineShown.clear();
    __real_ReadCommandLine(line);
    spoken::Line = nullptr;
    spoken::Tell(Heard::Command, line, strlen(line));
}

// An ending after its last page: once space has closed it, the picture waits for Enter.
void __wrap_ShowFinalNarration(void)
{
    __real_ShowFinalNarration();
    spoken::Hear(spoken::Event{Heard::Ending, nullptr, 0, false,
                               spoken::Ending ? spoken::Ending : "fin", nullptr});
}

// The one entry point for game text; notes which ending, if any, it begins.
void __wrap_Narrate(const char* text, const char* kind)
{
    if (kind && (strcmp(kind, "fin") == 0 || strcmp(kind, "gameover") == 0))
        spoken::Ending = strcmp(kind, "fin") == 0 ? "fin" : "gameover";
    __real_Narrate(text, kind);
}

}  // extern "C"
