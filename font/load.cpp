// Font loading: the font record, the font list and the glyph table cut from a strip image.
#include "font/font.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

FontListNode* FontList = nullptr;

namespace {

// Glyphs that FindBaseline samples: "a", "b" and "c".
constexpr int BaselineGlyphs[] = {64, 65, 66};

// True when some pixel of row y, columns [from, to), differs from `value`.
bool RowHasInk(SDL_Surface* image, int32_t y, int32_t from, int32_t to, uint32_t value)
{
    for (int32_t x = from; x < to; ++x)
        if (BitmapFont_GetPixel(image, x, y) != value)
            return true;
    return false;
}

// Cuts the glyphs out of row 0: each maximal run of non-marker pixels from column 1 on.
// Only the first GlyphTableSize runs are kept; further runs are scanned over and ignored,
// so an oversized image cannot write past the tables.
void ScanGlyphs(BitmapFont* font, SDL_Surface* image)
{
    uint32_t marker = SDL_MapRGB(image->format, 255, 0, 255);
    font->maxWidth = 0;
    int32_t glyph = 0;
    int32_t x = 1;
    while (x < image->w) {
        if (BitmapFont_GetPixel(image, x, 0) != marker) {
            int32_t start = x;
            while (x < image->w && BitmapFont_GetPixel(image, x, 0) != marker)
                ++x;
            if (glyph < GlyphTableSize) {
                font->glyphX[glyph] = start;
                font->glyphWidth[glyph] = x - start;
                if (x - start > font->maxWidth)
                    font->maxWidth = x - start;
                ++glyph;
            }
        }
        ++x;  // also steps over the marker pixel that ended a run
    }
    font->scanEnd = x - 1;
}

// Ascent and descent from the topmost and lowest rows with ink; each keeps its former
// value when the image has no ink on that side of the baseline.
void MeasureInk(BitmapFont* font, SDL_Surface* image, uint32_t background)
{
    for (int32_t y = 1; y < font->baseline && y < image->h; ++y) {
        if (RowHasInk(image, y, 0, image->w, background)) {
            font->ascent = font->baseline - y;
            break;
        }
    }
    for (int32_t y = image->h - 1; y > 0 && y > font->baseline; --y) {
        if (RowHasInk(image, y, 0, image->w, background)) {
            font->descent = y - font->baseline;
            break;
        }
    }
}

}  // namespace

BitmapFont* BitmapFont_Create(void)
{
    BitmapFont* font = static_cast<BitmapFont*>(calloc(1, sizeof(BitmapFont)));
    char* text = static_cast<char*>(malloc(FontTextSize));
    if (!font || !text) {
        free(font);
        free(text);
        return nullptr;  // the caller runs on without a font
    }
    font->textBuffer = text;
    font->layoutState.font = font;
    return font;
}

bool BitmapFont_Load(SDL_Surface* image)
{
    BitmapFont* font = CurrentFont();
    if (!font)
        return false;

    if (font->ownsImage && font->glyphImage)
        SDL_FreeSurface(font->glyphImage);
    font->glyphImage = image;
    if (!image) {
        font->ownsImage = 0;
        fputs("\n ERROR: BitmapFont given a NULL surface\n", stdout);
        fflush(stdout);
        return false;
    }
    font->ownsImage = 1;
    memset(font->glyphX, 0, sizeof font->glyphX);
    memset(font->glyphWidth, 0, sizeof font->glyphWidth);

    SDL_LockSurface(image);
    ScanGlyphs(font, image);
    uint32_t background = BitmapFont_GetPixel(image, 0, image->h - 1);
    BitmapFont_FindBaseline();
    MeasureInk(font, image, background);
    font->height = font->ascent + font->descent;

    if (image->flags & SDL_SRCALPHA) {
        SDL_UnlockSurface(image);  // the image's own alpha decides what shows
        return true;
    }
    SDL_UnlockSurface(image);
    SDL_SetColorKey(image, SDL_SRCCOLORKEY, background);  // the bottom-left pixel
    return true;
}

int32_t BitmapFont_FindBaseline(void)
{
    BitmapFont* font = CurrentFont();
    if (!font || !font->glyphImage)
        return -1;
    SDL_Surface* image = font->glyphImage;
    uint32_t background = BitmapFont_GetPixel(image, 0, image->h - 1);
    int32_t sum = 0;
    for (int glyph : BaselineGlyphs) {
        int32_t from = font->glyphX[glyph];
        int32_t to = from + font->glyphWidth[glyph];
        for (int32_t y = image->h - 1; y >= 1; --y) {
            if (RowHasInk(image, y, from, to, background)) {
                sum += y;
                break;
            }
        }
    }
    // The mean of the three bottom rows, rounded to the nearest row.
    font->baseline = static_cast<int32_t>(sum / 3.0 + 0.5);
    return font->baseline;
}

uint32_t BitmapFont_GetPixel(SDL_Surface* surface, int32_t x, int32_t y)
{
    if (x >= surface->w)
        return 0;
    const SDL_PixelFormat* format = surface->format;
    const Uint8* p =
        static_cast<const Uint8*>(surface->pixels) + y * surface->pitch + x * format->BytesPerPixel;
    switch (format->BytesPerPixel) {
    case 1:
        return *p;
    case 2: {
        Uint16 value;
        memcpy(&value, p, sizeof value);
        return value;
    }
    case 3:
        return SDL_MapRGB(surface->format, p[format->Rshift / 8], p[format->Gshift / 8],
                          p[format->Bshift / 8]);
    case 4: {
        Uint32 value;
        memcpy(&value, p, sizeof value);
        return value;
    }
    default:
        return 0;
    }
}
