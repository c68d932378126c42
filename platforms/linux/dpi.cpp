// The desktop's dots per inch on X11: the Xft.dpi resource, which GNOME, KDE and Xfce set to
// the scale the player chose (192 at 200 %), as every toolkit reads it.
#include <X11/Xlib.h>
#include <X11/Xresource.h>

#include <cstdlib>

#include "SDL_syswm.h"
#include "platforms/window/window.h"

int DesktopDpi(void)
{
    // SDL's own connection where it tells it before the window (SDL 1.2 itself), which spares the
    // start-up a second one; the compatibility library tells it only once there is a window.
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    const bool sdls =
        SDL_GetWMInfo(&info) > 0 && info.subsystem == SDL_SYSWM_X11 && info.info.x11.display;
    Display* display = sdls ? info.info.x11.display : XOpenDisplay(nullptr);
    if (!display)
        return 96;  // no X server: Wayland, or SDL's dummy driver
    double dpi = 0;
    if (const char* resources = XResourceManagerString(display)) {
        XrmInitialize();
        if (XrmDatabase database = XrmGetStringDatabase(resources)) {
            char* type = nullptr;
            XrmValue value;
            if (XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr)
                dpi = strtod(value.addr, nullptr);
            XrmDestroyDatabase(database);
        }
    }
    if (!sdls)
        XCloseDisplay(display);
    return dpi > 0 && dpi < 10000 ? static_cast<int>(dpi + 0.5) : 96;
}
