// Font loading: the font record, the font list and the glyph table. (To be written.)
#include "font/font.h"

FontListNode* FontList = nullptr;

BitmapFont* BitmapFont_Create(void) { return nullptr; }
bool BitmapFont_Load(SDL_Surface* image) { if (image) SDL_FreeSurface(image); return false; }
int32_t BitmapFont_FindBaseline(void) { return -1; }
uint32_t BitmapFont_GetPixel(SDL_Surface*, int32_t, int32_t) { return 0; }
