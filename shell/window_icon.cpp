// The window icon. Kept apart from shell.h: the window-manager header brings in Xlib,
// whose `Screen` type would collide with the game's Screen.
#include "SDL.h"
#include "SDL_syswm.h"
#include "assets/assets.h"

#ifdef _WIN32
#include <windows.h>
#endif

extern "C" void SetWindowIcon(void);  // declared in shell/shell.h

void SetWindowIcon(void)
{
    static SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    SDL_GetWMInfo(&info);  // before any video mode; only Windows reads it
#ifdef _WIN32
    HICON icon = static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), "IDI_ICONO", IMAGE_ICON, 16, 16, LR_COPYFROMRESOURCE));
    if (icon)  // the class's pointer-sized slot: GCL_HICON exists only on 32-bit Windows
        SetClassLongPtrA(info.window, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
#else
    SDL_Surface* icon = LoadEmbeddedImage(IconImage, IconImageSize, "BMP");
    if (icon) {
        // Magenta is the emblem's transparent background; SDL makes the mask from the key.
        SDL_SetColorKey(icon, SDL_SRCCOLORKEY, SDL_MapRGB(icon->format, 255, 0, 255));
        SDL_WM_SetIcon(icon, nullptr);
        SDL_FreeSurface(icon);
    }
#endif
}
