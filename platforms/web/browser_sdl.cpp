// Link-time corrections (-Wl,--wrap) that make Emscripten's JavaScript SDL 1.2 draw as
// desktop SDL 1.2 does and leave the page free to be kept by the browser.
//
// In the browser every surface is a canvas: fills and blits are canvas drawing, and the
// pixels in memory are only a copy made by SDL_LockSurface and written back by
// SDL_UnlockSurface. The game's code stays as it is; these wrappers close the gaps.
#include <emscripten.h>

#include "SDL.h"

extern "C" {
int __real_SDL_Init(Uint32 flags);
int __real_SDL_LockSurface(SDL_Surface* surface);
void __real_SDL_UnlockSurface(SDL_Surface* surface);
int __real_SDL_FillRect(SDL_Surface* surface, const SDL_Rect* rect, Uint32 color);
int __real_SDL_UpperBlit(SDL_Surface* source, SDL_Rect* sourceRect, SDL_Surface* target,
                         SDL_Rect* targetRect);
void __real_SDL_FreeSurface(SDL_Surface* surface);
}

// Lets a lock keep a surface's pixels in memory as they are instead of reading the canvas
// back into them (SDL.defaults.discardOnLock).
// clang-format off
EM_JS(void, KeepPixelsOnLock, (), {
    SDL.defaults.discardOnLock = true;
});
// clang-format on

// The browser's SDL adds an unload listener as it starts, while these hold: the game saves
// nothing to hear of, and a page with one is never kept for the browser's back and forward
// buttons (and the browser warns of it), so it is never added.
// clang-format off
EM_JS(void, RefuseUnload, (), {
    window.addEventListener = function(type) {
        if (type !== "unload")
            EventTarget.prototype.addEventListener.apply(window, arguments);
    };
});
EM_JS(void, AllowUnload, (), {
    delete window.addEventListener;
});
// clang-format on

namespace {

bool IsScreen(SDL_Surface* surface)
{
    return surface && surface == SDL_GetVideoSurface();
}

// A colour key set on a surface and not yet applied to its pixels.
struct PendingKey {
    SDL_Surface* surface;  // null: a free entry
    Uint32 key;
};
PendingKey PendingKeys[4];  // the game keys one surface here: the glyph sheet

// The pixels of the key's colour become fully transparent, so that a blit leaves the
// destination under them, exactly as a keyed blit does on the desktop.
void ApplyColorKey(SDL_Surface* surface, Uint32 key)
{
    if (__real_SDL_LockSurface(surface) < 0)
        return;
    for (int y = 0; y < surface->h; ++y) {
        Uint32* row =
            reinterpret_cast<Uint32*>(static_cast<Uint8*>(surface->pixels) + y * surface->pitch);
        for (int x = 0; x < surface->w; ++x)
            if ((row[x] & 0x00FFFFFFu) == (key & 0x00FFFFFFu))
                row[x] = 0;
    }
    __real_SDL_UnlockSurface(surface);
}

}  // namespace

extern "C" {

// Called once by the game as it starts.
int __wrap_SDL_Init(Uint32 flags)
{
    RefuseUnload();
    const int result = __real_SDL_Init(flags);
    AllowUnload();
    return result;
}

// Called by the game around every frame (SDL_MUSTLOCK is always 1 here). The Screen is the
// page's canvas and nothing writes its pixels in memory, so locking it is skipped: its unlock
// would copy the lock's stale copy back over everything drawn since. Other surfaces (a
// picture being filled, the glyph sheet being read) are written only through their pixels
// and drawn from, never into, so their pixels in memory are always what their canvas shows:
// they lock without the canvas being read back, the greater part of decoding a picture.
int __wrap_SDL_LockSurface(SDL_Surface* surface)
{
    static bool keeping = false;
    if (IsScreen(surface))
        return 0;
    if (!keeping) {
        KeepPixelsOnLock();
        keeping = true;
    }
    return __real_SDL_LockSurface(surface);
}

// The counterpart of __wrap_SDL_LockSurface: a no-op for the Screen.
void __wrap_SDL_UnlockSurface(SDL_Surface* surface)
{
    if (!IsScreen(surface))
        __real_SDL_UnlockSurface(surface);
}

// Called by the game to clear the Screen. The browser's surfaces all carry alpha and the
// game's colour 0 would paint transparent black, leaving the old picture; none of the game's
// surfaces has an alpha channel on the desktop, so the fill is made opaque, as there.
int __wrap_SDL_FillRect(SDL_Surface* surface, const SDL_Rect* rect, Uint32 color)
{
    return __real_SDL_FillRect(surface, rect, color | 0xFF000000u);
}

// Called by the font on its glyph sheet. The browser's SDL ignores colour keys, so the key is
// kept here and applied when the surface is first blitted (see __wrap_SDL_UpperBlit):
// applying it is a round trip through the canvas, which the title, drawing no text, is
// spared. Clearing a key is not needed.
int __wrap_SDL_SetColorKey(SDL_Surface* surface, int flag, Uint32 key)
{
    if (!surface || !(flag & SDL_SRCCOLORKEY))
        return 0;
    for (PendingKey& pending : PendingKeys) {
        if (!pending.surface || pending.surface == surface) {
            pending = {surface, key};
            return 0;
        }
    }
    ApplyColorKey(surface, key);  // no room to wait: at once
    return 0;
}

// Called by the font for every glyph and by the shell for every picture drawn: a surface's
// pending colour key is applied before its first blit.
int __wrap_SDL_UpperBlit(SDL_Surface* source, SDL_Rect* sourceRect, SDL_Surface* target,
                         SDL_Rect* targetRect)
{
    for (PendingKey& pending : PendingKeys) {
        if (pending.surface && pending.surface == source) {
            ApplyColorKey(source, pending.key);
            pending.surface = nullptr;
        }
    }
    return __real_SDL_UpperBlit(source, sourceRect, target, targetRect);
}

// Called wherever the game lets a surface go: a key still pending for it is forgotten, so that
// a new surface at the same address cannot inherit it.
void __wrap_SDL_FreeSurface(SDL_Surface* surface)
{
    for (PendingKey& pending : PendingKeys)
        if (pending.surface == surface)
            pending.surface = nullptr;
    __real_SDL_FreeSurface(surface);
}

// Called by the image decoder for every pixel and by the font for its key colours. The
// browser's SDL_MapRGB is JavaScript, and a call out of WebAssembly per pixel cost more than
// the decoding; this is its very mapping (the browser's surfaces are all red, green, blue,
// alpha in memory), done in WebAssembly.
Uint32 __wrap_SDL_MapRGB(const SDL_PixelFormat*, Uint8 r, Uint8 g, Uint8 b)
{
    return r | g << 8 | b << 16 | 0xFF000000u;
}

}  // extern "C"
