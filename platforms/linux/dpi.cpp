// The desktop's dots per inch on X11: the Xft.dpi resource, which GNOME, KDE and Xfce set to
// the scale the player chose (192 at 200 %), as every toolkit reads it.
#include <X11/Xlib.h>
#include <X11/Xresource.h>

#include <cstdlib>

#include "platforms/window/window.h"

int DesktopDpi(void)
{
    // A connection of its own: the resources are read as it opens, once, before the window.
    Display* display = XOpenDisplay(nullptr);
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
    XCloseDisplay(display);
    return dpi > 0 && dpi < 10000 ? static_cast<int>(dpi + 0.5) : 96;
}
