// What the game shows and waits for, told to its front end as it happens: the one interface
// through which the browser's page, the desktop voice and the scripted player follow the game.
#pragma once

#include <string_view>

namespace shown {

// What happened, in the order a player meets it.
enum class What {
    Title,    // the title's first frame is about to show: it waits for Enter
    Begun,    // Enter has left the title
    Typing,   // a page is about to be typed out: `text` is the whole page
    Page,     // the page is typed: `text` is the whole page
    Turned,   // space has turned a page that waited for it
    Line,     // a command line waits for keys in `line`; `text`, when not empty, is narration
              // that stands above it without having been typed (a question the line answers)
    Typed,    // the line took the one character in `text`
    Erased,   // Backspace took the one character in `text` off the line
    Command,  // Enter has submitted `text`, the line
    Ending,   // an ending's picture waits for Enter
    Scaled,   // the player made the desktop's window larger or smaller: each pixel of the game is
              // now a `scale`-wide square (told by the window, platforms/window/, not the game)
};

// Which ending's picture waits.
enum class EndingKind { None, ChapterEnd, GameOver };

// One fact, made by the constructor of its kind. The views point into the game's own buffers
// and last only for the call that tells it: a listener copies what it keeps.
struct Event {
    What what;
    std::string_view text;                 // Latin-1
    bool prompt = false;                   // Typing, Page: "<Pulsa espacio>" waits under the page
    EndingKind ending = EndingKind::None;  // Ending
    const char* line = nullptr;  // Line: the buffer the game types into, while the line lasts
    int scale = 0;               // Scaled

    static Event Title() { return {What::Title, {}}; }
    static Event Begun() { return {What::Begun, {}}; }
    static Event Typing(std::string_view page, bool prompt) { return {What::Typing, page, prompt}; }
    static Event Page(std::string_view page, bool prompt) { return {What::Page, page, prompt}; }
    static Event Turned() { return {What::Turned, {}}; }
    static Event Line(std::string_view untyped, const char* line)
    {
        return {What::Line, untyped, false, EndingKind::None, line};
    }
    static Event Typed(std::string_view character) { return {What::Typed, character}; }
    static Event Erased(std::string_view character) { return {What::Erased, character}; }
    static Event Command(std::string_view line) { return {What::Command, line}; }
    static Event Ending(EndingKind ending) { return {What::Ending, {}, false, ending}; }
    static Event Scaled(int scale)
    {
        return {What::Scaled, {}, false, EndingKind::None, nullptr, scale};
    }
};

// Called by the game where each fact is known, on its own thread, inside its own waits. Each
// program binds its listener at link time by defining this in an object file of its own (the
// browser's page, the desktop voice, the scripted player); a program that defines none gets the
// core's, which does nothing. A listener must not draw, and should return at once.
void Tell(const Event& event);

}  // namespace shown
