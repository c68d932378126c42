// Fuzz target: the font loader on random images, 1x1 to 4000x64, of 8 bits with a palette
// of their own or SDL's default one, 24 bits, and 32 bits with and without alpha; marker
// pixels anywhere. Input: kind, width, height and what follows the load, then a pool of
// pixel bytes laid over the image again and again (each byte's two low bits choose
// background, ink, marker or some other colour). The glyph table must match a plain scan of
// the marker row, the metrics must lie inside the image, and text drawn with whatever
// came out, plainly and through both layouts, must stay inside the buffers.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "assets/assets.h"
#include "font/font.h"
#include "shell/shell.h"
#include "tests/fuzz/support/game.h"

namespace {

enum Kind { OwnPalette, DefaultPalette, Bits24, Bits32, Bits32Alpha, KindCount };
enum Then { Nothing, LoadNull, LoadEmbedded, LoadAnother, ThenCount };

constexpr int MostWidth = 4000;
constexpr int MostHeight = 64;
constexpr size_t HeaderSize = 5;

struct Image {
    Kind kind;
    int width;
    int height;
    const uint8_t* pool;
    size_t poolSize;
};

void Fail(const char* what, int value = 0)
{
    fprintf(stderr, "%s (%d)\n", what, value);
    abort();
}

uint32_t Colour(SDL_PixelFormat* f, Kind kind, uint8_t b)
{
    Uint8 alpha = b & 0x80 ? 255 : static_cast<Uint8>(b << 1);
    switch (b & 3) {
    case 0: return SDL_MapRGBA(f, 255, 255, 255, alpha);  // background
    case 1: return SDL_MapRGBA(f, 0, 0, 0, alpha);        // ink
    case 2: return SDL_MapRGBA(f, 255, 0, 255, alpha);    // marker
    default:
        if (kind == OwnPalette || kind == DefaultPalette)
            return b >> 2;  // any palette entry, the marker's nearest included
        return SDL_MapRGBA(f, b, static_cast<Uint8>(b * 7), static_cast<Uint8>(b * 13), alpha);
    }
}

SDL_Surface* Make(const Image& im)
{
    SDL_Surface* s = nullptr;
    switch (im.kind) {
    case OwnPalette:
    case DefaultPalette:
        s = SDL_CreateRGBSurface(SDL_SWSURFACE, im.width, im.height, 8, 0, 0, 0, 0);
        break;
    case Bits24:
        s = SDL_CreateRGBSurface(SDL_SWSURFACE, im.width, im.height, 24, 0xFF0000, 0xFF00, 0xFF, 0);
        break;
    case Bits32:
        s = SDL_CreateRGBSurface(SDL_SWSURFACE, im.width, im.height, 32, 0xFF0000, 0xFF00, 0xFF, 0);
        break;
    default:
        s = SDL_CreateRGBSurface(SDL_SWSURFACE | SDL_SRCALPHA, im.width, im.height, 32,
                                 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
        break;
    }
    if (!s)
        Fail("no surface");
    if (im.kind == OwnPalette) {
        SDL_Color colours[256];
        for (int i = 0; i < 256; ++i) {
            const uint8_t* p = im.pool + (3 * i) % std::max<size_t>(im.poolSize, 1);
            colours[i].r = im.poolSize ? p[0] : static_cast<Uint8>(i);
            colours[i].g = im.poolSize > 1 ? im.pool[(3 * i + 1) % im.poolSize] : 0;
            colours[i].b = im.poolSize > 2 ? im.pool[(3 * i + 2) % im.poolSize] : 0;
        }
        colours[0] = {255, 255, 255, 0};  // background, ink and marker are always there
        colours[1] = {0, 0, 0, 0};
        colours[2] = {255, 0, 255, 0};
        SDL_SetColors(s, colours, 0, 256);
    }
    SDL_LockSurface(s);
    for (int y = 0; y < im.height; ++y) {
        Uint8* row = static_cast<Uint8*>(s->pixels) + y * s->pitch;
        for (int x = 0; x < im.width; ++x) {
            uint8_t b = im.poolSize ? im.pool[(static_cast<size_t>(y) * im.width + x) % im.poolSize] : 0;
            uint32_t v = Colour(s->format, im.kind, b);
            Uint8* p = row + x * s->format->BytesPerPixel;
            if (s->format->BytesPerPixel == 1)
                *p = static_cast<Uint8>(v);
            else if (s->format->BytesPerPixel == 3)
                memcpy(p, &v, 3);  // little-endian: blue, green, red
            else
                memcpy(p, &v, 4);
        }
    }
    SDL_UnlockSurface(s);
    return s;
}

uint32_t Raw(SDL_Surface* s, int x, int y)
{
    const Uint8* p = static_cast<const Uint8*>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel;
    uint32_t v = 0;
    memcpy(&v, p, s->format->BytesPerPixel);
    return v;
}

// The glyph table a plain scan of row 0 gives: runs of non-marker pixels from column 1,
// of which the table keeps the first 256.
struct Scan {
    int32_t x[GlyphTableSize] = {};
    int32_t width[GlyphTableSize] = {};
    int32_t widest = 0;
    int32_t end = 0;
};

Scan ScanRow(SDL_Surface* s)
{
    Scan scan;
    uint32_t marker = SDL_MapRGB(s->format, 255, 0, 255);
    int glyph = 0;
    int x = 1;
    while (x < s->w) {
        if (Raw(s, x, 0) != marker) {
            int start = x;
            while (x < s->w && Raw(s, x, 0) != marker)
                ++x;
            if (glyph < GlyphTableSize) {
                scan.x[glyph] = start;
                scan.width[glyph] = x - start;
                scan.widest = std::max(scan.widest, x - start);
                ++glyph;
            }
        }
        ++x;
    }
    scan.end = x - 1;
    return scan;
}

void CheckLoad(BitmapFont* f, SDL_Surface* image, bool ownAlpha)
{
    SDL_LockSurface(image);
    Scan want = ScanRow(image);
    uint32_t background = Raw(image, 0, image->h - 1);
    SDL_UnlockSurface(image);
    for (int i = 0; i < GlyphTableSize; ++i) {
        if (f->glyphX[i] != want.x[i] || f->glyphWidth[i] != want.width[i])
            Fail("glyph differs from the scan of the marker row", i);
    }
    if (f->maxWidth < want.widest || f->maxWidth > image->w)
        Fail("maxWidth", f->maxWidth);
    if (f->scanEnd != want.end)
        Fail("scanEnd", f->scanEnd);
    if (f->baseline < 0 || f->baseline >= image->h)
        Fail("baseline outside the image", f->baseline);
    if (f->height != f->ascent + f->descent)
        Fail("height is not ascent + descent", f->height);
    bool keyed = image->flags & SDL_SRCCOLORKEY;
    if (ownAlpha == keyed)
        Fail("colour key set on an image with alpha, or missing on one without");
    if (keyed && image->format->colorkey != background)
        Fail("colour key is not the bottom-left pixel");
}

// Every byte but NUL, with a few newlines; a word wider than the line comes at the end.
std::string AllCharacters()
{
    std::string text;
    for (int c = 1; c < 256; ++c) {
        text += static_cast<char>(c);
        if (c % 50 == 0)
            text += ' ';
    }
    text += std::string(200, 'W');
    return text;
}

uint64_t Frames = 0;
void CountFrame() { ++Frames; }

// Draws the text plainly at the origin and at the edges, and through both layouts.
void DrawEverything()
{
    static const std::string text = AllCharacters();
    const int32_t places[][2] = {{5, 350}, {630, 470}, {-40, -30}, {639, 479}, {40000, 5}};
    for (const auto& at : places)
        BitmapFont_Draw(at[0], at[1], "%s", text.c_str());
    BitmapFont_DrawText(text.c_str(), 32767, -32768);
    for (LayoutOperation layout : {LayoutInstant, LayoutTypewriter}) {
        PageBreak = 0;
        BitmapFont_DrawLayout(5, 350, layout, "%s", text.c_str());
        if (PageBreak != 0 && (PageBreak < 2 || PageBreak >= static_cast<int32_t>(text.size())))
            Fail("page break outside the text", PageBreak);
    }
}

// The glyph table and metrics, to compare two loads of one sheet.
std::vector<int32_t> Metrics(const BitmapFont* f)
{
    std::vector<int32_t> m(f->glyphX, f->glyphX + GlyphTableSize);
    m.insert(m.end(), f->glyphWidth, f->glyphWidth + GlyphTableSize);
    m.insert(m.end(), {f->height, f->maxWidth, f->baseline, f->ascent, f->descent, f->scanEnd});
    return m;
}

std::vector<int32_t> Embedded;  // what the embedded sheet gave at start-up

void ResetMetrics(BitmapFont* f)
{
    f->height = f->maxWidth = f->baseline = f->ascent = f->descent = 0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::StartGame();
    // The loader reports a missing image on the standard output; not needed here.
    if (!freopen("/dev/null", "w", stdout))
        abort();
    if (FontList && FontList->font)
        Embedded = Metrics(FontList->font);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    BitmapFont* font = FontList ? FontList->font : nullptr;
    if (!font || size < HeaderSize)
        return 0;
    Image im;
    im.kind = static_cast<Kind>(data[0] % KindCount);
    im.width = 1 + (data[1] | data[2] << 8) % MostWidth;
    im.height = 1 + data[3] % MostHeight;
    Then then = static_cast<Then>(data[4] % ThenCount);
    im.pool = data + HeaderSize;
    im.poolSize = size - HeaderSize;

    fuzz::NewRun(CountFrame, 1000);
    ResetMetrics(font);
    SDL_Surface* image = Make(im);
    if (!BitmapFont_Load(image) || font->glyphImage != image || !font->ownsImage)
        Fail("a good image was not taken");
    CheckLoad(font, image, im.kind == Bits32Alpha);
    DrawEverything();

    switch (then) {
    case LoadNull: {
        if (BitmapFont_Load(nullptr) || font->glyphImage || font->ownsImage)
            Fail("a missing image left the font with one");
        // Without an image nothing is drawn and the page break is not touched.
        std::vector<Uint8> before(static_cast<Uint8*>(Screen->pixels),
                                  static_cast<Uint8*>(Screen->pixels) + Screen->pitch * Screen->h);
        PageBreak = 12345;
        uint64_t frames = Frames;
        DrawEverything();
        PageBreak = 12345;
        BitmapFont_DrawLayout(5, 350, LayoutTypewriter, "abc");
        if (PageBreak != 12345 || Frames != frames)
            Fail("a font without an image laid something out");
        if (memcmp(before.data(), Screen->pixels, before.size()) != 0)
            Fail("a font without an image drew something");
        break;
    }
    case LoadEmbedded:
        // Back to the game's sheet: everything is rebuilt as it was at start-up.
        if (!BitmapFont_Load(LoadEmbeddedImage(FontSheet, FontSheetSize, "TGA")))
            Fail("the embedded sheet did not load");
        if (Metrics(font) != Embedded)
            Fail("the embedded sheet loaded again with other metrics", font->height);
        DrawEverything();
        break;
    case LoadAnother: {
        // A second image keeps the ascent or descent the first left where it has no ink.
        Image next = im;
        next.kind = static_cast<Kind>((im.kind + 1) % KindCount);
        std::swap(next.width, next.height);
        next.width = std::max(next.width, 2);
        next.height = std::min(next.height, MostHeight);
        SDL_Surface* second = Make(next);
        if (!BitmapFont_Load(second))
            Fail("a second image was not taken");
        CheckLoad(font, second, next.kind == Bits32Alpha);
        DrawEverything();
        break;
    }
    default:
        break;
    }
    return 0;
}
