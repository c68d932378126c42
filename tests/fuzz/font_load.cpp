// Fuzz target: the font loader on any image, 1x1 to 4000x64, of 8 bits (palette of its
// own), 24 bits, or 32 bits with and without alpha. Input: kind, width (2 bytes), height,
// then-load-nothing, then pixel bytes laid over the image again and again (each byte's two
// low bits choose background, ink, marker or another colour). The glyph table and metrics
// must lie inside the image, and text drawn with whatever came out, plainly and through
// both layouts, must stay inside the buffers; loading nothing afterwards leaves no image.
#include <algorithm>
#include <cstring>
#include <string>

#include "font/font.h"
#include "frame/frame.h"
#include "tests/fuzz/harness.h"

namespace {

SDL_Surface* Make(int kind, int w, int h, const uint8_t* pool, size_t poolSize)
{
    static const int depth[] = {8, 24, 32, 32};
    bool alpha = kind == 3;
    SDL_Surface* s =
        SDL_CreateRGBSurface(alpha ? SDL_SRCALPHA : 0, w, h, depth[kind], kind ? 0xFF0000 : 0,
                             kind ? 0xFF00 : 0, kind ? 0xFF : 0, alpha ? 0xFF000000 : 0);
    if (!s)
        fuzz::Fail("no surface");
    if (kind == 0) {
        SDL_Color colours[256];
        for (int i = 0; i < 256; ++i)
            colours[i] = {static_cast<Uint8>(i), static_cast<Uint8>(i * 7),
                          static_cast<Uint8>(i * 13), 0};
        colours[0] = {255, 255, 255, 0};  // background, ink and marker are always there
        colours[1] = {0, 0, 0, 0};
        colours[2] = {255, 0, 255, 0};
        SDL_SetColors(s, colours, 0, 256);
    }
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t b = poolSize ? pool[(static_cast<size_t>(y) * w + x) % poolSize] : 0;
            static const Uint8 rgb[3][3] = {{255, 255, 255}, {0, 0, 0}, {255, 0, 255}};
            const Uint8* c = rgb[std::min(b & 3, 2)];
            Uint32 v = (b & 3) == 3 ? (kind ? b * 0x010307u : b >> 2)
                                    : SDL_MapRGBA(s->format, c[0], c[1], c[2], b);
            memcpy(static_cast<Uint8*>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel, &v,
                   s->format->BytesPerPixel);
        }
    }
    return s;
}

void DrawEverything()
{
    static const std::string text = [] {  // every byte, and a word wider than a line
        std::string t;
        for (int c = 1; c < 256; ++c)
            t += std::string(1, static_cast<char>(c)) + (c % 50 ? "" : " ");
        return t + std::string(200, 'W');
    }();
    for (int at : {5, 630, -40, 40000})
        BitmapFont_Draw(at, at % 480, "%s", text.c_str());
    BitmapFont_DrawText(text.c_str(), 32767, -32768);
    for (LayoutOperation layout : {LayoutInstant, LayoutTypewriter}) {
        PageBreak = 0;
        BitmapFont_DrawLayout(5, 350, layout, "%s", text.c_str());
        if (PageBreak < 0 || PageBreak >= static_cast<int32_t>(text.size()))
            fuzz::Fail("page break outside the text");
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::StartGame();
    if (!freopen("/dev/null", "w", stdout))  // the loader's report of a missing image
        abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    BitmapFont* font = CurrentFont();
    if (size < 5)
        return 0;
    int kind = data[0] % 4, w = 1 + (data[1] | data[2] << 8) % 4000, h = 1 + data[3] % 64;
    fuzz::NewRun(nullptr, 10000);
    SDL_Surface* image = Make(kind, w, h, data + 5, size - 5);
    if (!BitmapFont_Load(image) || font->glyphImage != image)
        fuzz::Fail("an image was not taken");
    int32_t end = 0;
    for (int i = 0; i < GlyphTableSize && font->glyphWidth[i]; ++i) {
        if (font->glyphX[i] <= end || font->glyphX[i] + font->glyphWidth[i] > w)
            fuzz::Fail("a glyph outside the image, or out of order");
        end = font->glyphX[i] + font->glyphWidth[i];
    }
    if (font->baseline < 0 || font->baseline >= h || font->height != font->ascent + font->descent)
        fuzz::Fail("metrics outside the image");
    if (((image->flags & SDL_SRCCOLORKEY) != 0) == (kind == 3))
        fuzz::Fail("colour key on an image with alpha, or none on one without");
    DrawEverything();
    if (data[4] & 1) {
        if (BitmapFont_Load(nullptr) || font->glyphImage)
            fuzz::Fail("nothing loaded left the font with an image");
        DrawEverything();
    }
    return 0;
}
