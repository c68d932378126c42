// The words every front end says that carry no text of their own in the game: the title, the
// prompt under a page, the endings' pictures, the voice's own; and a page as it is said. The
// browser's live region, the desktop voice and the scripted player hear the game through its
// own interface (shown/shown.h) and say these with what it tells.
#pragma once

#include <string>

#include "shown/shown.h"

namespace spoken {

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
// The desktop voice turned on, and off, by its key; its rate, before the number.
extern const char* const VoiceOnWords;
extern const char* const VoiceOffWords;
extern const char* const RateWords;
// The desktop window's size, before its scale.
extern const char* const ScaleWords;
// A space typed or erased at a command line, said as a screen reader says it.
extern const char* const SpaceWords;

// A page as it is said (Typing or Page): its text, and the prompt's words when it waits.
std::string PageWords(const shown::Event& page);

// The words of an ending's picture.
const char* EndingWords(shown::EndingKind ending);

}  // namespace spoken
