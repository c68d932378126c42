// Embedded assets: the pictures, the glyph sheet and the icon, as complete image files.
#pragma once

#include <cstddef>
#include <cstdint>

#include "SDL.h"

extern "C" {

// Each asset of assets/asset_list.h is a whole image file linked into the program by the
// front end's embed.S, known by its first byte and its length in bytes (NameSize).
#define ASSET(name, file, type, width, height) \
    extern const unsigned char name[];         \
    extern const uint32_t name##Size;
#include "assets/asset_list.h"
#undef ASSET

// Decodes an embedded image file from memory: SDL_RWFromMem, then
// IMG_LoadTyped_RW(stream, 1, type), which closes the stream. Null when decoding fails.
SDL_Surface* LoadEmbeddedImage(const unsigned char* data, uint32_t size, const char* type);

}  // extern "C"

// One row of the catalogue: what each embedded image is and must decode to.
struct EmbeddedAsset {
    const char* name;
    const unsigned char* data;
    const uint32_t* size;
    const char* type;  // the decoder's type string
    int width;
    int height;
};

// How many images the list holds.
constexpr size_t AssetCount = 0
#define ASSET(name, file, type, width, height) +1
#include "assets/asset_list.h"
#undef ASSET
    ;

// Every embedded image, in the list's order.
extern const EmbeddedAsset AssetCatalogue[AssetCount];
