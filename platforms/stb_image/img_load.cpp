// IMG_LoadTyped_RW on stb_image, for platforms without SDL_image 1.2 (Windows, the browser).
// Decodes the two formats the game embeds, 24-bit BMP and colour-mapped TGA, into a new
// surface of the same size and pixels as SDL_image gives; the colour-mapped glyph sheet
// comes out in full colour, with the same pixels.
#include <cstdlib>
#include <cstring>

#include "SDL.h"

#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#include "platforms/stb_image/stb_image_code.h"

namespace {

// The whole stream, from where it stands to its end, in malloc'd memory; null when it cannot
// be read. The game's streams are over memory and can tell their length, so one block is
// read at once; a stream that cannot seek is read in growing blocks.
unsigned char* ReadAll(SDL_RWops* src, int* size)
{
    int start = SDL_RWtell(src), end = SDL_RWseek(src, 0, RW_SEEK_END);
    int capacity = 1 << 16, used = 0;
    if (start >= 0 && end >= start && SDL_RWseek(src, start, RW_SEEK_SET) == start)
        capacity = end - start + 1;  // one more, to see the end without growing
    unsigned char* data = static_cast<unsigned char*>(malloc(capacity));
    while (data) {
        if (used == capacity) {
            unsigned char* bigger = static_cast<unsigned char*>(realloc(data, capacity * 2));
            if (!bigger)
                break;
            data = bigger;
            capacity *= 2;
        }
        int got = SDL_RWread(src, data + used, 1, capacity - used);
        if (got <= 0) {
            *size = used;
            return data;
        }
        used += got;
    }
    free(data);
    return nullptr;
}

// A surface in SDL_image's layout for 24-bit pictures (blue, green, red in memory), filled
// through its actual pixel format, which a platform may widen (the browser's is 32-bit).
SDL_Surface* SurfaceFrom(const unsigned char* rgb, int w, int h)
{
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0);
    if (!s)
        return nullptr;
    SDL_LockSurface(s);
    const int bytes = s->format->BytesPerPixel;
    for (int y = 0; y < h; ++y) {
        Uint8* row = static_cast<Uint8*>(s->pixels) + y * s->pitch;
        for (int x = 0; x < w; ++x, rgb += 3) {
            Uint32 value = SDL_MapRGB(s->format, rgb[0], rgb[1], rgb[2]);
            // Little-endian: the low bytes first. A copy of known size is a plain store, not a
            // call per pixel.
            if (bytes == 4)
                memcpy(row + x * 4, &value, 4);
            else
                memcpy(row + x * 3, &value, 3);
        }
    }
    SDL_UnlockSurface(s);
    return s;
}

}  // namespace

extern "C" SDL_Surface* IMG_LoadTyped_RW(SDL_RWops* src, int freesrc, char* type)
{
    if (!src) {
        SDL_SetError("no stream to decode");
        return nullptr;
    }
    int size = 0;
    unsigned char* file = ReadAll(src, &size);
    if (freesrc)
        SDL_RWclose(src);
    bool known = type && (strcmp(type, "BMP") == 0 || strcmp(type, "TGA") == 0);
    if (!file || !known) {
        free(file);
        SDL_SetError(known ? "out of memory" : "unsupported image type");
        return nullptr;
    }
    int w = 0, h = 0, channels = 0;
    unsigned char* rgb = stbi_load_from_memory(file, size, &w, &h, &channels, 3);
    free(file);
    if (!rgb) {
        SDL_SetError("cannot decode the %s image: %s", type, stbi_failure_reason());
        return nullptr;
    }
    SDL_Surface* surface = SurfaceFrom(rgb, w, h);
    stbi_image_free(rgb);
    return surface;
}
