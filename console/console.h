// Text console: the narration buffer and its paging, the command line, message kinds and endings.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

constexpr size_t NarrationBufferSize = 4096;

// Longest line the command line accepts: lengthened by the most that normalisation adds, it
// still fits the command buffer (interpreter/normalize.cpp asserts it while compiling).
constexpr size_t CommandLineLimit = 492;

// Where narration pages, the page prompt and the command line begin: just under the picture.
constexpr int32_t TextOriginX = 5;
constexpr int32_t TextOriginY = 350;

// Game text waiting to be shown (or whose last page is on the Screen), NUL-terminated Latin-1.
extern char NarrationBuffer[NarrationBufferSize];

// Appends `text` to the NarrationBuffer with no separator; cuts what does not fit.
void AppendNarration(const char* text);

// Types out the pending narration page by page, waiting for space between pages.
// Returns when the last page is typed; that page stays on the Screen and in the buffer.
// Tells each page as it begins and once typed, and each turn of a page (shown/shown.h).
void ShowNarration(void);

// As ShowNarration, but the last page waits for space too. Used by the endings.
void ShowFinalNarration(void);

// Whether the text in the NarrationBuffer has been typed out since any was appended: a
// command line tells its front end the narration above it that nobody saw typed.
bool NarrationTyped(void);

// Reads one command line into `line` (a command buffer, CommandBufferSize bytes) under the
// last narration page.
// On return `line` holds the submitted line and the NarrationBuffer is empty.
// Tells the line as it waits, each character it takes or loses, and the submitted command.
void ReadCommandLine(char* line);

// The one entry point for game text. "txt" queues it; "fin" and "gameover" show all
// pending narration and the ending picture, wait for Enter and exit with status 0.
// Any other kind does nothing. Tells the ending's picture as it waits.
void Narrate(const char* text, const char* kind);

}  // extern "C"
