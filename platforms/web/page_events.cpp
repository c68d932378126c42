// What the page hears of the game: each narration page once typed (with its "Pulsa espacio"
// when one follows), each submitted command, each ending picture, as paragraphs for its live
// region; and which key the game awaits, with its command line while one is being typed.
//
// The browser's listener: the game tells it what it shows and waits for (shown/shown.h). The
// page decides how a tap or the on-screen keyboard becomes keys (platforms/web/page.js).
#include <emscripten.h>

#include <cstring>
#include <string>

#include "console/console.h"
#include "platforms/spoken/spoken.h"
#include "shown/shown.h"

namespace {

// Hands Module.say(text) one paragraph for the live region: `length` bytes of the game's
// Latin-1. A page and its prompt are one paragraph, so that a screen reader can never hear
// the prompt before its page.
// clang-format off
EM_JS(void, SayText, (const char* text, int length), {
    if (!Module["say"])
        return;
    Module["say"](String.fromCharCode.apply(null, HEAPU8.subarray(text, text + length)));
});
// clang-format on

void Say(const std::string& paragraph)
{
    SayText(paragraph.data(), static_cast<int>(paragraph.size()));
}

// The page's own words once the game has ended, in Module.endedWords (Latin-1 letters).
// clang-format off
EM_JS(void, KeepEndedWords, (const char* text), {
    var end = text;
    while (HEAPU8[end]) end++;
    Module["endedWords"] = String.fromCharCode.apply(null, HEAPU8.subarray(text, end));
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

void Waits(const char* what, const char* line = nullptr)
{
    WaitsWith(what, line, static_cast<int>(CommandLineLimit));
}

}  // namespace

void shown::Tell(const shown::Event& event)
{
    switch (event.what) {
    case What::Title:
        KeepEndedWords(spoken::EndedWords);
        break;
    case What::Typing:
        Waits("");
        break;
    case What::Page:
        Say(spoken::PageWords(event));
        if (event.prompt)
            Waits("space");
        break;
    case What::Line:
        if (!event.text.empty())  // a question the line answers, never typed out
            Say(std::string(event.text));
        Waits("line", event.line);
        break;
    case What::Command:
        Waits("");
        Say(spoken::CommandWords + std::string(event.text));
        break;
    case What::Ending:
        Say(spoken::EndingWords(event.ending));
        Waits("enter");
        break;
    case What::Begun:
    case What::Turned:
    case What::Typed:
    case What::Erased:
    case What::Scaled:
        break;  // the browser's screen reader follows the keys itself
    }
}
