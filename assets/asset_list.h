/* The embedded images, one line each: the one list from which every front end's embedding
 * (platforms/<name>/embed.S), the declarations and the catalogue (assets/assets.h) are made.
 * Files are in assets/data, made by tools/make_assets.py. Read by C++, by the assembler and
 * by CMake: ASSET lines and C comments only.
 *
 *    name                  file                  type   width height */
/* clang-format off */
ASSET(TitlePicture,         "title.bmp",          "BMP", 640,  480)
ASSET(LaboratoryPicture,    "laboratory.bmp",     "BMP", 640,  340)
ASSET(LaboratoryDogPicture, "laboratory-dog.bmp", "BMP", 640,  340)
ASSET(CorridorPicture,      "corridor.bmp",       "BMP", 640,  340)
ASSET(ExitDoorPicture,      "exit-door.bmp",      "BMP", 640,  340)
ASSET(RestRoomPicture,      "rest-room.bmp",      "BMP", 640,  340)
ASSET(ChapterEndPicture,    "chapter-end.bmp",    "BMP", 640,  480)
ASSET(GameOverPicture,      "game-over.bmp",      "BMP", 640,  480)
ASSET(FontSheet,            "font.tga",           "TGA", 3711, 25)
ASSET(IconImage,            "icon.bmp",           "BMP", 32,   32)  /* on a magenta key */
/* clang-format on */
