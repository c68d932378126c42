// A fresh font put in front of the game's one for each test, and small glyph sheets.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include "font/font.h"
#include "tests/unit/game_fixture.h"

namespace fonttest {

// Sheet colours.
constexpr Uint8 Marker[3] = {255, 0, 255};
constexpr Uint8 White[3] = {255, 255, 255};

// A 32-bit surface, with or without its own alpha channel, filled with white.
inline SDL_Surface* NewSurface(int w, int h, bool alpha = false)
{
    SDL_Surface* s = SDL_CreateRGBSurface(alpha ? SDL_SRCALPHA : 0, w, h, 32, 0x00FF0000,
                                          0x0000FF00, 0x000000FF, alpha ? 0xFF000000 : 0);
    SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, 255, 255, 255));
    return s;
}

inline void Put(SDL_Surface* s, int x, int y, Uint8 r, Uint8 g, Uint8 b)
{
    SDL_Rect dot = {static_cast<Sint16>(x), static_cast<Sint16>(y), 1, 1};
    SDL_FillRect(s, &dot, SDL_MapRGB(s->format, r, g, b));
}

inline void Put(SDL_Surface* s, int x, int y, const Uint8 (&c)[3]) { Put(s, x, y, c[0], c[1], c[2]); }

// Reads a pixel of a 32-bit surface as (r, g, b).
inline void Rgb(SDL_Surface* s, int x, int y, Uint8* r, Uint8* g, Uint8* b)
{
    SDL_LockSurface(s);
    Uint32 p = static_cast<Uint32*>(s->pixels)[y * s->pitch / 4 + x];
    SDL_UnlockSurface(s);
    SDL_GetRGB(p, s->format, r, g, b);
}

// A sheet whose row 0 is spelled by `markerRow`: 'm' marker, anything else not; the
// rest of the image is white.
inline SDL_Surface* MarkerRowSheet(const std::string& markerRow, int h = 4)
{
    SDL_Surface* s = NewSurface(static_cast<int>(markerRow.size()), h);
    for (size_t x = 0; x < markerRow.size(); ++x)
        if (markerRow[x] == 'm')
            Put(s, static_cast<int>(x), 0, Marker);
    return s;
}

// Ink colour of glyph i in the synthetic sheets: tells the glyph back from a drawn pixel.
inline void GlyphColour(int i, Uint8* r, Uint8* g, Uint8* b)
{
    *r = static_cast<Uint8>(i);
    *g = 128;
    *b = 64;
}

// The glyph whose ink colour is at (x, y) of a 32-bit surface, or -1.
inline int GlyphAt(SDL_Surface* s, int x, int y)
{
    Uint8 r, g, b;
    Rgb(s, x, y, &r, &g, &b);
    return g == 128 && b == 64 ? r : -1;
}

// A complete 189-glyph sheet, 12 rows: every glyph a solid block of its own colour in
// rows 2 to 9 (9 is the baseline), glyph "g" reaching down to row 11. Loads to
// baseline 9, ascent 7, descent 2, height 9; the layouts and the plain draw both copy
// from row 2. `widths` gives the glyph widths (all 10 by default).
inline SDL_Surface* BlockSheet(std::vector<int> widths = {})
{
    widths.resize(189, 10);
    int w = 1;
    for (int width : widths)
        w += width + 1;
    SDL_Surface* s = NewSurface(w, 12);
    SDL_Rect top = {0, 0, static_cast<Uint16>(w), 1};
    SDL_FillRect(s, &top, SDL_MapRGB(s->format, 255, 0, 255));
    int x = 1;
    for (int i = 0; i < 189; ++i) {
        Uint8 r, g, b;
        GlyphColour(i, &r, &g, &b);
        SDL_Rect cell = {static_cast<Sint16>(x), 0, static_cast<Uint16>(widths[i]), 1};
        SDL_FillRect(s, &cell, SDL_MapRGB(s->format, 255, 255, 255));
        int bottom = i == 'g' - 33 ? 11 : 9;
        SDL_Rect ink = {static_cast<Sint16>(x), 2, static_cast<Uint16>(widths[i]),
                        static_cast<Uint16>(bottom - 1)};
        SDL_FillRect(s, &ink, SDL_MapRGB(s->format, r, g, b));
        x += widths[i] + 1;
    }
    return s;
}

}  // namespace fonttest

// Each test gets a new, empty font as the current font; the game's font comes back after.
class FontTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        font = BitmapFont_Create();
        node = {font, FontList};
        FontList = &node;
        PageBreak = 0;
    }
    void TearDown() override
    {
        FontList = node.next;
        if (font->ownsImage && font->glyphImage)
            SDL_FreeSurface(font->glyphImage);
        if (target)
            SDL_FreeSurface(target);
        free(font->textBuffer);
        free(font);
    }
    // A black 640x480 surface as the font's target.
    SDL_Surface* BlackTarget()
    {
        if (!target)
            target = SDL_CreateRGBSurface(0, 640, 480, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0);
        SDL_FillRect(target, nullptr, 0);
        font->target = target;
        return target;
    }

    BitmapFont* font = nullptr;
    FontListNode node = {};
    SDL_Surface* target = nullptr;
};
