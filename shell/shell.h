// The program's roof: start-up, the title and the turn loop, over every subsystem.
#pragma once

extern "C" {

// SDL, window, icon, caption, video mode, keyboard and font, in that order.
// Returns only when all is set up; exits with status 1 when SDL or the video mode fails.
void InitApplication(void);

// The program: start-up, the title until Enter, then the turn loop. Never returns.
int GameMain(int argc, char** argv);

// Gives the window its icon before the video mode is set; an icon that cannot be loaded is
// left out silently. Step of InitApplication, and the one call each front end provides in a
// file of its own (platforms/*/window_icon.cpp): the executable's resource on Windows, the
// embedded icon elsewhere on the desktop, nothing in a browser.
void SetWindowIcon(void);

}  // extern "C"
