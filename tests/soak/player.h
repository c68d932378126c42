// A scripted player for the real game, with the game's rules checked as it plays.
// It drives GameMain on the test seam's clock and keyboard, one key-down per frame, and
// watches every command line and every message through the linker's --wrap of
// ReadCommandLine and Narrate. Whatever breaks a rule aborts the process.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "SDL.h"

namespace player {

// How the game ended, as the player saw it.
enum class End { None, Escape, Death, ChapterEnd };

// What one game showed; written to the report descriptor when the process exits.
struct Record {
    End end = End::None;
    uint32_t linesTyped = 0;
    uint32_t answers = 0;       // messages that answered a line
    uint32_t steps[7] = {};     // flag-chain steps taken, in the order of StepNames
    uint64_t frames = 0;
};

extern const char* const StepNames[7];

// The lines to type, in order: Latin-1 bytes, each typed as one key-down of its own
// frame (so a byte 8 is a backspace). Enter (13) closes each line; a line must not hold it.
// When the lines run out, Escape is released at the next command line.
void SetScript(const std::vector<std::string>& lines);

// Called at the start of every frame's pump, before the player's own key; may add events
// to this frame (they follow the player's key), or fork.
void SetFrameWatcher(void (*watch)(uint64_t frame, std::vector<SDL_Event>* extra));

// The game is expected to end within the current frame (Escape released or the window
// closed in it): a further frame aborts.
void ExpectEndNow();

// Where the record goes, as one line of text, when the process exits (-1: nowhere).
void SetReportDescriptor(int fd);

// Starts the game with the script; never returns (the game ends the process).
[[noreturn]] void Play();

// The record line, as written to the report descriptor.
std::string Describe(const Record& record);

// The record so far.
const Record& Seen();

}  // namespace player
