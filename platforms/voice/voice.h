// The desktop voice: the stream of what the game says (platforms/spoken), said aloud for a
// player who cannot see the window, on a thread of its own that owns the platform's speech
// engine; on by itself when a screen reader runs, or as SOMBRIAL_VOZ says.
#pragma once

#include <string>

#include "SDL.h"
#include "platforms/spoken/spoken.h"

// --- What the voice says (voice.cpp), on the game's thread ---

// Turns one event of the stream into what is said: VoiceSay and VoiceStop calls. The title
// with the voice's keys, each page once typed (with the prompt's words when it waits), a
// question above a command line, each character the line takes or loses, an ending's words;
// the key that moves the game on (Enter on the title or a line, space under a page) stops
// what is still being said.
void VoiceHears(const spoken::Event& event);

// A key the game gives no meaning to, pressed (`down`) or released: F2 turns the voice off or
// on, F3 says the last page (or title, or ending) again, when released. Other keys are not the
// voice's.
void VoiceKey(SDLKey key, bool down);

// --- Where what is said goes: the speech thread in the desktop programs (speech_thread.cpp);
// the scripted player records it instead. Called on the game's thread; each returns at once. ---

// Says `latin1` after what is already being said.
void VoiceSay(const char* latin1);
// Stops what is being said and drops what waits to be said.
void VoiceStop(void);
// Turns the voice off, or on, and says which.
void VoiceSwitch(void);

// --- The engine each desktop front end provides (platforms/linux/speech.cpp,
// platforms/windows/speech.cpp), called only on the speech thread, never on the game's. ---

// Whether a screen reader runs for this user, asked once at start when SOMBRIAL_VOZ does not
// say; may take a while (a session bus to ask), never blocks the game.
bool ScreenReaderRuns(void);
// Connects to the platform's speech; false leaves the voice silent for good.
bool EngineOpen(void);
// Queues `latin1` after what is being said; false when the engine has failed for good.
bool EngineSay(const char* latin1);
// Stops what is being said and what the engine holds.
void EngineStop(void);

// --- The game's Latin-1 as speech engines take it (text.cpp) ---

// UTF-8 (speech-dispatcher).
std::string Utf8(const char* latin1);
// UTF-16 (SAPI).
std::u16string Utf16(const char* latin1);
