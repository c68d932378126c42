// The asset catalogue and the one way every embedded image is decoded.
#include "assets/assets.h"

#include "SDL_image.h"

SDL_Surface* LoadEmbeddedImage(const unsigned char* data, uint32_t size, const char* type)
{
    // SDL 1.2 takes non-const pointers; neither call writes through them.
    SDL_RWops* stream = SDL_RWFromMem(const_cast<unsigned char*>(data), static_cast<int>(size));
    return IMG_LoadTyped_RW(stream, 1, const_cast<char*>(type));
}

const EmbeddedAsset AssetCatalogue[AssetCount] = {
#define ASSET(name, file, type, width, height) {#name, name, &name##Size, type, width, height},
#include "assets/asset_list.h"
#undef ASSET
};
