// The floor every wait runs on: the Screen, the backdrop, the keyboard and the 25 ms frame pump.
#pragma once

#include <cstdint>

#include "SDL.h"

extern "C" {

// The game's picture, 640x480x32; everything is drawn into it and PresentFrame shows it.
// Opened by InitApplication (OpenScreen), released by SDL_Quit at exit.
extern SDL_Surface* Screen;

// The current picture (640x340 room or 640x480 full window), or null before the title.
// Whoever decodes a new picture hands it to SetBackdrop, which releases the old one.
extern SDL_Surface* Backdrop;

// Whether anything has been drawn into the Screen since it was last shown: set by DrawBackdrop,
// which every redraw begins with once the Screen is cleared, and by the font for each glyph;
// cleared by PresentFrame once the Screen is shown. While it is false a front end that shows
// only what changed (the desktop's scaled window) need not look at the Screen at all.
extern bool ScreenDrawn;

// Unicode value of the last key-down read by the current frame's pump; 0 when none.
// Valid from one PresentFrame to the next.
extern uint32_t LastKey;

// SDL_GetTicks() at the end of the previous frame; 0 at start.
extern uint32_t PreviousFrameTick;

// The frame period in milliseconds.
constexpr uint32_t FrameTime = 25;

// The keys the game waits for, as LastKey holds them.
constexpr uint32_t KeyBackspace = 8;
constexpr uint32_t KeyEnter = 13;
constexpr uint32_t KeySpace = 32;

// Window and picture geometry shared by everything that draws.
constexpr int ScreenWidth = 640;
constexpr int ScreenHeight = 480;
constexpr int RoomPictureRows = 340;
constexpr int FullPictureRows = 480;

// Opens the window and returns the 640x480x32 Screen the game draws into, or null (SDL's error
// set) when no video mode can be had. Called once by InitApplication. Each front end provides
// it with ShowScreen: the desktop's window shows the Screen at the desktop's scale
// (platforms/window/), the browser's canvas is the Screen itself (platforms/web/screen.cpp).
SDL_Surface* OpenScreen(void);

// Puts what the Screen holds now on the display; false when the display could not take it
// this frame, which is then tried again. Called only by PresentFrame, once a frame.
bool ShowScreen(void);

// Shows the Screen, reads the events, waits out the rest of the 25 ms frame.
// Every wait for a key is a loop of this call followed by a test of LastKey.
void PresentFrame(void);

// Turns the pending SDL events into LastKey; exits with status 0 on Escape released
// or the window closed. Called only by PresentFrame.
void PumpEvents(void);

// Copies the top `rows` rows of the Backdrop to the Screen with its corner at (1, 1).
// Draws nothing without a Backdrop; never presents.
void DrawBackdrop(int rows);

// Makes `picture` the Backdrop and releases the surface it replaces (nothing else
// refers to it). Called by every place that decodes a picture.
void SetBackdrop(SDL_Surface* picture);

}  // extern "C"
