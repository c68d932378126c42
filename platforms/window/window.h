// The desktop's window (Linux and Windows): the game's 640x480 Screen shown at a whole scale, each
// of its pixels a square block of one colour, in a window or filling the screen.
#pragma once

// The dots per inch the player set for their desktop (X11's Xft.dpi resource, the primary
// monitor's on Windows), or 96 when it says none. Asked once, as the window opens, with SDL's
// video up; each desktop front end provides it (platforms/linux/dpi.cpp,
// platforms/windows/dpi.cpp).
int DesktopDpi(void);
