// The bitmap font: glyph table from a one-row strip image, plain drawing and paged layouts.
#pragma once

#include <cstdint>

#include "SDL.h"

extern "C" {

struct BitmapFont;

// What a layout operation works on; lives inside the font, refilled by every
// BitmapFont_DrawLayout, so it describes only the latest layout.
struct LayoutState {
    BitmapFont* font;           // the font that owns the record
    SDL_Surface* target;        // surface to draw onto
    SDL_Surface* glyphImage;    // the font image
    const char* text;           // the formatted text, NUL-terminated
    int32_t lineHeight;         // line advance in pixels
    const int32_t* glyphX;      // the font's glyph start columns
    const int32_t* glyphWidth;  // the font's glyph widths
    int32_t scanEnd;            // copy of the font's scanEnd
    int32_t charIndex;          // index in text of the character being processed
    int32_t column;             // 1 at each space and newline, +1 at every other character
    int32_t word;               // one more than the spaces since the last newline
    int32_t line;               // line number within the page
    int32_t originX;            // x at which every line starts
    int32_t originY;            // y of the first line
    int32_t reserved;           // no meaning
};

// A page layout: lays out state->text from the pen (top-left of the next glyph).
typedef void (*LayoutOperation)(int32_t* penX, int32_t* penY, LayoutState* state);

constexpr int GlyphTableSize = 256;
constexpr int FontTextSize = 1024;

struct BitmapFont {
    SDL_Surface* glyphImage;  // the font image; null until one is loaded
    SDL_Surface* target;      // where text is drawn; set by the font's owner
    uint8_t ownsImage;        // glyphImage came through BitmapFont_Load and is freed on reload
    int32_t height;           // line height: ascent + descent
    int32_t maxWidth;         // widest glyph of the last load
    int32_t baseline;         // image row on which a, b and c stand
    int32_t ascent;           // baseline minus the topmost ink row
    int32_t descent;          // lowest ink row minus baseline
    int32_t lineSpacing;      // extra pixels per newline of the plain draw (0)
    int32_t letterSpacing;    // extra pixels after each glyph and space of the plain draw (0)
    int32_t glyphX[GlyphTableSize];      // image column where glyph i begins
    int32_t glyphWidth[GlyphTableSize];  // width of glyph i
    int32_t scanEnd;          // one less than the column where the last glyph scan stopped
    char* textBuffer;         // FontTextSize bytes: the formatted text of every draw
    LayoutState layoutState;  // handed to the layout operations
};

// Singly linked list of fonts; the first node's font is the current font.
struct FontListNode {
    BitmapFont* font;
    FontListNode* next;
};

// First node of the font list; null while empty. Nodes are never freed.
extern FontListNode* FontList;

// The current font: the first node's font, or null. Every font operation works on it.
inline BitmapFont* CurrentFont(void)
{
    return FontList ? FontList->font : nullptr;
}

// Index of the first character a full page could not lay out; written by a layout
// only when it stops at a full page, never cleared by it. Callers set it to 0 first.
extern int32_t PageBreak;

// Allocates a zeroed font record and its text buffer, not yet on FontList; null when
// memory runs out. Called once at start-up; the font lives until the process ends.
BitmapFont* BitmapFont_Create(void);

// Builds the current font's glyph table and metrics from `image`, taking ownership of it
// and keying its background unless it has its own alpha. Keeps the first 256 glyph runs.
// False when there is no current font, or when `image` is null (reported on stdout).
bool BitmapFont_Load(SDL_Surface* image);

// Baseline of the current font's locked image from the bottom ink rows of a, b and c;
// stores it in `baseline`. -1 without a current font. Called only by BitmapFont_Load.
int32_t BitmapFont_FindBaseline(void);

// Pixel (x, y) of a locked surface in its own format; 0 when x is past the right edge.
// Callers guarantee x >= 0 and y within the surface.
uint32_t BitmapFont_GetPixel(SDL_Surface* surface, int32_t x, int32_t y);

// Formats (at most 1023 characters) and draws plainly at (x, y): newlines only, no wrap.
// Used for the page prompt and the command line echo.
void BitmapFont_Draw(int32_t x, int32_t y, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// Plain draw of an already formatted text; does nothing without font, image or target.
void BitmapFont_DrawText(const char* text, Sint16 x, Sint16 y);

// Formats (at most 1023 characters), fills the font's LayoutState and runs `layout` on it.
// Narration pages go through here; their text is an argument of "%s", never the format.
void BitmapFont_DrawLayout(int32_t x, int32_t y, LayoutOperation layout, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

// Lays out one page at once: wraps words at x 645, stops before a glyph of line 4 and
// leaves its index in PageBreak. Glyph rows come from row 2 of the image.
void LayoutInstant(int32_t* penX, int32_t* penY, LayoutState* state);

// As LayoutInstant, presenting one frame after every glyph (the typewriter effect).
void LayoutTypewriter(int32_t* penX, int32_t* penY, LayoutState* state);

// As LayoutInstant, but draws nothing: PageBreak tells where a page will end before it is
// typed. Used by the narration to tell its front end the whole page as typing begins.
void LayoutMeasure(int32_t* penX, int32_t* penY, LayoutState* state);

}  // extern "C"
