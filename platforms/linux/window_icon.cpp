// The desktop window's icon on Linux: the embedded emblem, handed to SDL for the window manager.
#include "SDL.h"
#include "assets/assets.h"
#include "shell/shell.h"

void SetWindowIcon(void)
{
    SDL_Surface* icon = LoadEmbeddedImage(IconImage, IconImageSize, "BMP");
    if (icon) {
        // Magenta is the emblem's transparent background; SDL makes the mask from the key.
        SDL_SetColorKey(icon, SDL_SRCCOLORKEY, SDL_MapRGB(icon->format, 255, 0, 255));
        SDL_WM_SetIcon(icon, nullptr);
        SDL_FreeSurface(icon);
    }
}
