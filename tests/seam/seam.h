// The test seam: a virtual clock and a scripted keyboard in place of SDL's own.
// Test programs link the game's core with this library and the linker's --wrap for
// SDL_GetTicks, SDL_Delay, SDL_PollEvent and SDL_SetVideoMode.
#pragma once

#include <cstdint>
#include <vector>

#include "SDL.h"

namespace seam {

// Back to time 0, no queued keys, no hook, real video mode.
void Reset();

// The virtual clock: SDL_GetTicks reads it, SDL_Delay advances it.
uint32_t Now();
void AdvanceClock(uint32_t ms);

// Every SDL_Delay the game asked for, in order.
const std::vector<uint32_t>& Delays();

// Number of event pumps so far (one per presented frame that got past the lock).
uint64_t Frames();

// Events for the coming frames: each call queues one frame's worth.
void QueueFrame(const std::vector<SDL_Event>& events);
void QueueKey(uint16_t unicode, SDLKey sym = SDLK_UNKNOWN);  // one key-down, one frame
void QueueText(const char* latin1);                          // one key-down per frame
void QueueIdle(int frames);                                  // frames with no event
size_t QueuedFrames();

// From the frame hook: adds an event to the frame that is starting, after its own.
void QueueNow(const SDL_Event& event);

SDL_Event KeyDown(uint16_t unicode, SDLKey sym = SDLK_UNKNOWN);
SDL_Event KeyUp(SDLKey sym);
SDL_Event Quit();

// Called at the start of every pump, before its events are handed out; may queue frames.
void SetFrameHook(void (*hook)());

// With nothing queued for this many pumps in a row, Escape is released so that a test
// that forgot a key ends instead of hanging. 0 turns the guard off.
void SetIdleLimit(uint64_t frames);

// Makes SDL_SetVideoMode fail (null, with an error message) while set.
void FailVideoMode(bool fail);

// Points SDL at its dummy video driver unless the environment already names one;
// classic SDL 1.2 with no display would otherwise draw ASCII art in the terminal.
void UseHeadlessVideo();

}  // namespace seam
