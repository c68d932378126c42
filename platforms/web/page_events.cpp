// What the game shows and waits for, handed to the page: each narration page once typed
// (with its "Pulsa espacio" when one follows), each submitted command, each ending picture;
// and which key the game awaits, with its command line while one is being typed.
//
// Taken at link time (-Wl,--wrap) from the game's own narration and command-line functions;
// the game keeps no code for it. The page decides how each is said and how a tap or the
// on-screen keyboard becomes keys (platforms/web/page.js).
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

// Hands Module.say(kind, text, prompt) one event; `text` is `length` bytes of the game's
// Latin-1. Kinds: "page" (`prompt`: "<Pulsa espacio>" waits under it), "command", and the
// endings "fin" and "gameover". A page and its prompt are one event, so that a screen
// reader can never hear the prompt before its page.
// clang-format off
EM_JS(void, SayText, (const char* kind, const char* text, int length, bool prompt), {
    if (!Module["say"])
        return;
    var bytes = HEAPU8.subarray(text, text + length);
    Module["say"](UTF8ToString(kind), String.fromCharCode.apply(null, bytes), prompt);
});
// clang-format on

// Tells the page what the game waits for: "space" (a page prompt), "enter" (an ending's
// picture), "line" (a command line, whose text Module.commandLine() reads while it lasts and
// which takes at most `limit` characters), or "" (nothing: a page is being typed, or the game
// is between waits). Before the first of these, the title waits for Enter.
// clang-format off
EM_JS(void, WaitsWith, (const char* what, const char* line, int limit), {
    Module["waits"] = UTF8ToString(what);
    Module["lineLimit"] = limit;
    Module["commandLine"] = line ? function () {
        var end = line;
        while (HEAPU8[end]) end++;
        return String.fromCharCode.apply(null, HEAPU8.subarray(line, end));
    } : null;
    if (Module["onWait"])
        Module["onWait"](Module["waits"]);
});
// clang-format on

namespace {

void Waits(const char* what, const char* line)
{
    WaitsWith(what, line, static_cast<int>(CommandLineLimit));
}

// The ending under way ("fin" or "gameover"), or null while the game goes on.
const char* Ending = nullptr;

// A page has been typed since the last command line.
bool Typed = false;

}  // namespace

extern "C" {

// Called for every narration page the game types. Once the page is typed it is said, with
// the space prompt when a full page stopped it or when it is an ending's last page.
void __wrap_LayoutTypewriter(int32_t* penX, int32_t* penY, LayoutState* state)
{
    const char* text = state->text;
    Waits("", nullptr);
    __real_LayoutTypewriter(penX, penY, state);
    if (!text)
        return;
    int length = PageBreak > 0 ? PageBreak : static_cast<int>(strlen(text));
    bool prompt = PageBreak > 0 || Ending;
    if (length > 0 || prompt)
        SayText("page", text, length, prompt);
    Typed = Typed || length > 0;
    if (prompt)
        Waits("space", nullptr);
}

// Called once a turn. Narration that stands above the line without having been typed (a
// question the line answers) is said first; the submitted line once Enter has taken it.
void __wrap_ReadCommandLine(char* line)
{
    if (!Typed && NarrationBuffer[0])
        SayText("page", NarrationBuffer, static_cast<int>(strlen(NarrationBuffer)), false);
    Typed = false;
    Waits("line", line);
    __real_ReadCommandLine(line);
    Waits("", nullptr);
    SayText("command", line, static_cast<int>(strlen(line)), false);
}

// Called by an ending after its last page; once space has closed it, the picture shows and
// waits for Enter.
void __wrap_ShowFinalNarration(void)
{
    __real_ShowFinalNarration();
    SayText(Ending ? Ending : "fin", "", 0, false);
    Waits("enter", nullptr);
}

// The one entry point for game text; notes which ending, if any, it begins.
void __wrap_Narrate(const char* text, const char* kind)
{
    if (kind && (strcmp(kind, "fin") == 0 || strcmp(kind, "gameover") == 0))
        Ending = strcmp(kind, "fin") == 0 ? "fin" : "gameover";
    __real_Narrate(text, kind);
}

}  // extern "C"
