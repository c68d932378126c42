// The window's icon on Windows: the executable's own "IDI_ICONO" resource (sombrial.rc), set on
// the window class through the handle SDL reports.
#include <windows.h>

#include "SDL.h"
#include "SDL_syswm.h"
#include "shell/shell.h"

void SetWindowIcon(void)
{
    static SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    SDL_GetWMInfo(&info);  // before any video mode, as the game has always asked
    HICON icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), "IDI_ICONO", IMAGE_ICON,
                                               16, 16, LR_COPYFROMRESOURCE));
    if (icon)  // the class's pointer-sized slot: GCL_HICON exists only on 32-bit Windows
        SetClassLongPtrA(info.window, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
}
