// The desktop voice: what the game tells (shown/shown.h) said aloud for a player who cannot see
// the window, on a thread of its own that owns the platform's speech engine; on by itself when
// a screen reader runs, or as SOMBRIAL_VOZ says.
#pragma once

#include <string>

#include "SDL.h"
#include "shown/shown.h"

// --- What the voice says (voice.cpp), on the game's thread ---

// Turns one fact the game tells into what is said: the title with the voice's keys, each page
// as its typing begins (with the prompt's words when it waits), a question above a command
// line, each character the line takes or loses, an ending's words; the key that moves the game
// on (Enter on the title or a line, space under a page) stops what is still being said.
void VoiceHears(const shown::Event& event);

// A key the game gives no meaning to, pressed (`down`) or released. When released: F2 turns the
// voice off or on, F3 says the last page (or title, or ending) again, F4 and F5 speak slower
// and faster. Pressed: Ctrl stops what is being said, as it does a screen reader's speech.
void VoiceKey(SDLKey key, bool down);

// --- Where what is said goes: the speech thread in the desktop programs (speech_thread.cpp);
// the scripted player records it instead. Called on the game's thread; each returns at once. ---

// Says `latin1` after what is already being said.
void VoiceSay(const char* latin1);
// A character the player typed or erased, said at once as a screen reader echoes it: what is
// being said stops first.
void VoiceEcho(char typed);
// Stops what is being said and drops what waits to be said.
void VoiceStop(void);
// Turns the voice off, or on (trying again an engine that failed), and says which.
void VoiceSwitch(void);
// One step slower (-1) or faster (+1), said back as the new rate.
void VoiceRate(int step);

// The speech thread, its keys and its end at exit: started at the title, once SDL is up.
void VoiceStart(void);
// Whether the voice speaks now (on at start, or turned on by F2), as the speech thread last
// decided; false before it has. Read on the game's thread by a front end's listener, which keeps
// the screen reader quiet while the game speaks.
bool VoiceSpeaks(void);

// --- The engine each desktop front end provides (platforms/linux/speech.cpp,
// platforms/windows/speech.cpp), called only on the speech thread, never on the game's. ---

// The voice's rate: 0 (slowest) to 100 (fastest), the engine's normal at 50, in steps of 10.
constexpr int SlowestRate = 0;
constexpr int NormalRate = 50;
constexpr int FastestRate = 100;
constexpr int RateStep = 10;

// Whether a screen reader runs for this user that does not read the window itself (one that
// does would be a second voice), asked once at start when SOMBRIAL_VOZ does not say. It may block
// (a session bus to ask): the speech thread gives it about a second, on a thread of its own, and
// takes no answer for no.
bool ScreenReaderRuns(void);
// Connects to the platform's speech, in Spanish: null when it can speak, else why it cannot.
const char* EngineOpen(void);
// The rate the player chose for their speech (their screen reader's, their system's), once
// open; NormalRate when they chose none.
int EngineRate(void);
// Speaks at `rate` from now on.
void EngineSetRate(int rate);
// Queues `latin1` after what is being said; false when the engine has lost its connection.
bool EngineSay(const char* latin1);
// Stops what is being said and says one typed character as a screen reader echoes it; false
// when the engine has lost its connection.
bool EngineEcho(char typed);
// Stops what is being said and what the engine holds.
void EngineStop(void);
// Stops what is being said and lets the engine go; EngineOpen may follow.
void EngineClose(void);

// --- The game's Latin-1 as speech engines take it (text.cpp) ---

// UTF-8 (speech-dispatcher).
std::string Utf8(const char* latin1);
// UTF-16 (SAPI).
std::u16string Utf16(const char* latin1);
