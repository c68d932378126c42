// The asset catalogue and the one way every embedded image is decoded.
#include "assets/assets.h"

#include "SDL_image.h"

SDL_Surface* LoadEmbeddedImage(const unsigned char* data, uint32_t size, const char* type)
{
    // SDL 1.2 takes non-const pointers; neither call writes through them.
    SDL_RWops* stream = SDL_RWFromMem(const_cast<unsigned char*>(data), static_cast<int>(size));
    return IMG_LoadTyped_RW(stream, 1, const_cast<char*>(type));
}

const EmbeddedAsset AssetCatalogue[9] = {
    // name                   data                  size                       type   w    h
    {"TitlePicture",         TitlePicture,         &TitlePictureSize,         "BMP", 640, 480},
    {"LaboratoryPicture",    LaboratoryPicture,    &LaboratoryPictureSize,    "BMP", 640, 340},
    {"LaboratoryDogPicture", LaboratoryDogPicture, &LaboratoryDogPictureSize, "BMP", 640, 340},
    {"CorridorPicture",      CorridorPicture,      &CorridorPictureSize,      "BMP", 640, 340},
    {"ExitDoorPicture",      ExitDoorPicture,      &ExitDoorPictureSize,      "BMP", 640, 340},
    {"RestRoomPicture",      RestRoomPicture,      &RestRoomPictureSize,      "BMP", 640, 340},
    {"ChapterEndPicture",    ChapterEndPicture,    &ChapterEndPictureSize,    "BMP", 640, 480},
    {"GameOverPicture",      GameOverPicture,      &GameOverPictureSize,      "BMP", 640, 480},
    {"FontSheet",            FontSheet,            &FontSheetSize,            "TGA", 3711, 25},
};
