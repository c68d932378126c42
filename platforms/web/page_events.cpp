// What the game shows in words, handed to the page for its live region: each narration page
// once typed, each page prompt, each submitted command and each ending picture.
//
// Taken at link time (-Wl,--wrap) from the game's own narration and command-line functions;
// the game keeps no code for it. The page decides how each is said (platforms/web/page.js).
#include <emscripten.h>

#include <cstring>

#include "console/console.h"
#include "font/font.h"

extern "C" {
void __real_LayoutTypewriter(int32_t* penX, int32_t* penY, LayoutState* state);
void __real_ReadCommandLine(char* line);
void __real_ShowFinalNarration(void);
void __real_Narrate(const char* text, const char* kind);
}

// Hands Module.say(kind, text) one event; `text` is `length` bytes of the game's Latin-1.
// Kinds: "page", "prompt" (waits for space), "command", and the endings "fin" and "gameover".
EM_JS(void, SayText, (const char* kind, const char* text, int length), {
    if (!Module["say"])
        return;
    var bytes = HEAPU8.subarray(text, text + length);
    Module["say"](UTF8ToString(kind), String.fromCharCode.apply(null, bytes));
});

namespace {

// An event without text.
void Say(const char* kind)
{
    SayText(kind, "", 0);
}

// The ending under way ("fin" or "gameover"), or null while the game goes on.
const char* Ending = nullptr;

// A page has been typed since the last command line.
bool Typed = false;

}  // namespace

extern "C" {

// Called for every narration page the game types. Once the page is typed it is said; then,
// when a full page stopped it, or when it is an ending's last page, the space prompt is.
void __wrap_LayoutTypewriter(int32_t* penX, int32_t* penY, LayoutState* state)
{
    const char* text = state->text;
    __real_LayoutTypewriter(penX, penY, state);
    if (!text)
        return;
    int length = PageBreak > 0 ? PageBreak : static_cast<int>(strlen(text));
    if (length > 0) {
        SayText("page", text, length);
        Typed = true;
    }
    if (PageBreak > 0 || Ending)
        Say("prompt");
}

// Called once a turn. Narration that stands above the line without having been typed (a
// question the line answers) is said first; the submitted line once Enter has taken it.
void __wrap_ReadCommandLine(char* line)
{
    if (!Typed && NarrationBuffer[0])
        SayText("page", NarrationBuffer, static_cast<int>(strlen(NarrationBuffer)));
    Typed = false;
    __real_ReadCommandLine(line);
    SayText("command", line, static_cast<int>(strlen(line)));
}

// Called by an ending after its last page; once space has closed it, the picture shows.
void __wrap_ShowFinalNarration(void)
{
    __real_ShowFinalNarration();
    Say(Ending ? Ending : "fin");
}

// The one entry point for game text; notes which ending, if any, it begins.
void __wrap_Narrate(const char* text, const char* kind)
{
    if (kind && (strcmp(kind, "fin") == 0 || strcmp(kind, "gameover") == 0))
        Ending = strcmp(kind, "fin") == 0 ? "fin" : "gameover";
    __real_Narrate(text, kind);
}

}  // extern "C"
