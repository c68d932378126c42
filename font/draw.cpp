// Text drawing with the current font: the plain draw and the two page layouts.
#include "font/font.h"

#include <cstdarg>
#include <cstdio>

#include "frame/frame.h"

int32_t PageBreak = 0;

namespace {

constexpr int32_t RightMargin = 645;  // a word may end exactly here
constexpr int32_t LinesPerPage = 3;
constexpr int32_t LayoutSourceRow = 2;  // the layouts copy glyph rows from here

// Glyph index of a Latin-1 byte, or -1 for bytes that have no glyph (space and newline
// included; the callers handle those first).
int GlyphIndex(unsigned char c)
{
    if (c >= 33 && c <= 126)
        return c - 33;
    if (c >= 161)
        return c - 67;
    return -1;
}

// Copies glyph `glyph` (rows from `sourceRow`, `height` tall) to the target at the pen.
void BlitGlyph(SDL_Surface* image, SDL_Surface* target, const int32_t* glyphX,
               const int32_t* glyphWidth, int glyph, int32_t sourceRow, int32_t height,
               int32_t penX, int32_t penY)
{
    // SDL_UpperBlit writes the clipped result back into both rectangles.
    SDL_Rect source = {static_cast<Sint16>(glyphX[glyph]), static_cast<Sint16>(sourceRow),
                       static_cast<Uint16>(glyphWidth[glyph]), static_cast<Uint16>(height)};
    SDL_Rect destination = {static_cast<Sint16>(penX), static_cast<Sint16>(penY),
                            static_cast<Uint16>(glyphWidth[glyph]), static_cast<Uint16>(height)};
    SDL_UpperBlit(image, &source, target, &destination);
    ScreenDrawn = true;
}

// Width of the word starting at `p`: glyph widths up to the next space, newline or end.
int32_t WordWidth(const unsigned char* p, const int32_t* glyphWidth)
{
    int32_t width = 0;
    for (; *p && *p != ' ' && *p != '\n'; ++p) {
        int glyph = GlyphIndex(*p);
        if (glyph >= 0)
            width += glyphWidth[glyph];
    }
    return width;
}

// How a page is laid out: measured only, drawn at once, or drawn a glyph a frame.
enum class Pace { Measure, Instant, Typewriter };

// One page of s->text from the pen: wraps words at the right margin and stops before a
// glyph that would begin line 4, leaving its index in PageBreak. The typewriter presents
// a frame after every glyph.
void LayOutPage(int32_t* penX, int32_t* penY, LayoutState* s, Pace pace)
{
    if (!s->text || !s->glyphImage || !s->target || !*s->text)
        return;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(s->text); *p; ++p) {
        ++s->charIndex;
        ++s->column;
        if (*p == '\n') {
            ++s->line;
            s->column = 1;
            s->word = 1;
            *penX = s->originX;
            *penY += s->lineHeight;
            continue;
        }
        if (*p == ' ') {
            ++s->word;
            s->column = 1;
            *penX += s->glyphWidth[0];  // a space is as wide as "!"
            continue;
        }
        int glyph = GlyphIndex(*p);
        if (glyph < 0)
            continue;
        // Tested before every glyph: a word wider than the line wraps again glyph by glyph.
        if (*penX + WordWidth(p, s->glyphWidth) > RightMargin) {
            ++s->line;
            *penX = s->originX;
            *penY += s->lineHeight;
        }
        if (s->line > LinesPerPage) {
            PageBreak = s->charIndex;
            return;
        }
        if (pace != Pace::Measure)
            BlitGlyph(s->glyphImage, s->target, s->glyphX, s->glyphWidth, glyph, LayoutSourceRow,
                      s->lineHeight, *penX, *penY);
        if (pace == Pace::Typewriter)
            PresentFrame();
        *penX += s->glyphWidth[glyph];
    }
}

}  // namespace

void BitmapFont_Draw(int32_t x, int32_t y, const char* format, ...)
{
    BitmapFont* font = CurrentFont();
    if (!font || !format)
        return;
    va_list args;
    va_start(args, format);
    vsnprintf(font->textBuffer, FontTextSize, format, args);  // keeps at most 1023 characters
    va_end(args);
    BitmapFont_DrawText(font->textBuffer, static_cast<Sint16>(x), static_cast<Sint16>(y));
}

void BitmapFont_DrawText(const char* text, Sint16 x, Sint16 y)
{
    BitmapFont* font = CurrentFont();
    if (!font || !text || !*text || !font->glyphImage || !font->target)
        return;
    int32_t sourceRow = font->baseline - font->ascent;
    // The pen is 16-bit, as the blit rectangles are.
    Sint16 penX = x;
    Sint16 penY = y;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        if (*p == '\n') {
            penX = x;
            penY = static_cast<Sint16>(penY + font->lineSpacing + font->height);
            continue;
        }
        if (*p == ' ') {
            penX = static_cast<Sint16>(penX + font->glyphWidth[0] + font->letterSpacing);
            continue;
        }
        int glyph = GlyphIndex(*p);
        if (glyph < 0)
            continue;
        // Off the right or bottom edge: skipped without moving, so the rest of the line goes too.
        if (penX >= font->target->w || penY >= font->target->h)
            continue;
        BlitGlyph(font->glyphImage, font->target, font->glyphX, font->glyphWidth, glyph, sourceRow,
                  font->height, penX, penY);
        penX = static_cast<Sint16>(penX + font->letterSpacing + font->glyphWidth[glyph]);
    }
}

void BitmapFont_DrawLayout(int32_t x, int32_t y, LayoutOperation layout, const char* format, ...)
{
    BitmapFont* font = CurrentFont();
    if (!font || !format || !layout)
        return;
    va_list args;
    va_start(args, format);
    vsnprintf(font->textBuffer, FontTextSize, format, args);  // keeps at most 1023 characters
    va_end(args);

    LayoutState& s = font->layoutState;
    s.target = font->target;
    s.glyphImage = font->glyphImage;
    s.text = font->textBuffer;
    s.lineHeight = font->height;
    s.glyphX = font->glyphX;
    s.glyphWidth = font->glyphWidth;
    s.scanEnd = font->scanEnd;
    s.charIndex = -1;
    s.column = 0;
    s.word = 1;
    s.line = 1;
    s.originX = x;
    s.originY = y;
    s.reserved = 0;
    layout(&x, &y, &s);  // the pen is this call's own copy
}

void LayoutInstant(int32_t* penX, int32_t* penY, LayoutState* state)
{
    LayOutPage(penX, penY, state, Pace::Instant);
}

void LayoutTypewriter(int32_t* penX, int32_t* penY, LayoutState* state)
{
    LayOutPage(penX, penY, state, Pace::Typewriter);
}

void LayoutMeasure(int32_t* penX, int32_t* penY, LayoutState* state)
{
    LayOutPage(penX, penY, state, Pace::Measure);
}
