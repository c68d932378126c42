// Embedded assets: the pictures, the glyph sheet and the icon, as complete image files.
#pragma once

#include <cstdint>

#include "SDL.h"

extern "C" {

// Each asset is a whole image file linked into the program (assets/embed.S),
// known by its first byte and its length in bytes.
extern const unsigned char TitlePicture[];
extern const unsigned char LaboratoryPicture[];
extern const unsigned char LaboratoryDogPicture[];
extern const unsigned char CorridorPicture[];
extern const unsigned char ExitDoorPicture[];
extern const unsigned char RestRoomPicture[];
extern const unsigned char ChapterEndPicture[];
extern const unsigned char GameOverPicture[];
extern const unsigned char FontSheet[];
extern const unsigned char IconImage[];  // 32x32 emblem on a magenta key, for SDL_WM_SetIcon

extern const uint32_t TitlePictureSize;
extern const uint32_t LaboratoryPictureSize;
extern const uint32_t LaboratoryDogPictureSize;
extern const uint32_t CorridorPictureSize;
extern const uint32_t ExitDoorPictureSize;
extern const uint32_t RestRoomPictureSize;
extern const uint32_t ChapterEndPictureSize;
extern const uint32_t GameOverPictureSize;
extern const uint32_t FontSheetSize;
extern const uint32_t IconImageSize;

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

// The nine images the game shows, in catalogue order (the icon is apart).
extern const EmbeddedAsset AssetCatalogue[9];
