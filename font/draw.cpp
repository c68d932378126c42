// Text drawing and page layouts. (To be written.)
#include "font/font.h"

int32_t PageBreak = 0;

void BitmapFont_Draw(int32_t, int32_t, const char*, ...) {}
void BitmapFont_DrawText(const char*, Sint16, Sint16) {}
void BitmapFont_DrawLayout(int32_t, int32_t, LayoutOperation, const char*, ...) {}
void LayoutInstant(int32_t*, int32_t*, LayoutState*) {}
void LayoutTypewriter(int32_t*, int32_t*, LayoutState*) {}
