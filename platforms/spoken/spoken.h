// What the game says, as one stream of events for every front end: the title, each page once
// typed, the keys a command line takes, each command, the endings. The browser's live region,
// the desktop voice and the scripted player all listen to it.
//
// Taken at link time (-Wl,--wrap) from the game's own LayoutTypewriter, ReadCommandLine,
// ShowFinalNarration, Narrate and PresentFrame (platforms/spoken/CMakeLists.txt); the game keeps
// no code for it, and with no one to listen it draws, waits and exits exactly as without.
#pragma once

#include <cstddef>
#include <string>

namespace spoken {

// What happened, in the order a player meets it.
enum class Heard {
    Title,    // the title's first frame: it waits for Enter
    Begun,    // Enter has left the title
    Typing,   // a page is about to be typed out of `text` (the pending narration)
    Page,     // a page typed: `length` bytes of `text`; `prompt` when "<Pulsa espacio>" waits
    Turned,   // space has turned a page
    Line,     // a command line waits for keys in `line`; `text`, when not null, is narration
              // that stands above it without having been typed (a question the line answers)
    Typed,    // the line took a character: `text` points at it, `length` 1
    Erased,   // Backspace took a character off the line: `text` points at it, `length` 1
    Command,  // Enter has submitted `text`, the line
    Ending,   // an ending's picture waits for Enter: `ending` is "fin" or "gameover"
};

struct Event {
    Heard what;
    const char* text;  // Latin-1, not always terminated at `length`
    size_t length;
    bool prompt;         // Page: the space prompt follows it
    const char* ending;  // Ending: the kind Narrate was given
    char* line;          // Line: the buffer the game types into while it waits
};

// What the program does with each event: each program that links the stream defines it (the
// browser's page events, the desktop voice, the scripted player). Called on the game's thread,
// inside the game's own calls: it must not draw, and should return at once.
void Hear(const Event& event);

// --- The words that carry no text of their own, for every front end (Latin-1). ---

// The title, and what starts the game.
extern const char* const TitleWords;
// The desktop voice's keys, said with the title.
extern const char* const VoiceKeysWords;
// Under a page that waits for space.
extern const char* const PromptWords;
// The endings' pictures, and the Enter that closes them.
extern const char* const ChapterEndWords;
extern const char* const GameOverWords;
// Before a submitted command, in the browser's record of the game.
extern const char* const CommandWords;
// The browser's page once the game has ended.
extern const char* const EndedWords;
// The desktop voice turned on, and off, by its key.
extern const char* const VoiceOnWords;
extern const char* const VoiceOffWords;
// A space typed or erased at a command line, said as a screen reader says it.
extern const char* const SpaceWords;

// A page as it is said: its text, and the prompt's words when the prompt follows.
std::string PageWords(const Event& page);

// The words of an ending's picture ("fin" or "gameover").
const char* EndingWords(const char* ending);

}  // namespace spoken
