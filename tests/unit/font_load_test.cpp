// The font loader: glyph scan, baseline and ink metrics, colour key, null images.
#include <algorithm>
#include <utility>

#include "assets/assets.h"
#include "tests/unit/font_fixture.h"

using namespace fonttest;

using FontLoad = FontTest;

TEST_F(FontLoad, CutsGlyphsFromTheMarkerRow)
{
    struct Case {
        const char* what;
        const char* markerRow;
        std::vector<std::pair<int, int>> glyphs;  // (glyphX, glyphWidth)
        int scanEnd;
    } cases[] = {
        {"column 0 is never a glyph", "..m..", {{1, 1}, {3, 2}}, 5},
        {"runs of markers make no empty glyph", "m.mmm..mm.m", {{1, 1}, {5, 2}, {9, 1}}, 10},
        {"a run touching the right edge ends there", "mm...", {{2, 3}}, 5},
        {"one column, not a marker", ".", {}, 0},
        {"one column, a marker", "m", {}, 0},
        {"no glyphs at all", "mmmm", {}, 3},
        {"a glyph after no glyphs", "mmm.", {{3, 1}}, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SDL_Surface* sheet = MarkerRowSheet(c.markerRow);
        ASSERT_TRUE(BitmapFont_Load(sheet));
        EXPECT_EQ(font->glyphImage, sheet);
        EXPECT_EQ(font->ownsImage, 1);
        int widest = 0;
        for (size_t i = 0; i < c.glyphs.size(); ++i) {
            EXPECT_EQ(font->glyphX[i], c.glyphs[i].first) << "glyph " << i;
            EXPECT_EQ(font->glyphWidth[i], c.glyphs[i].second) << "glyph " << i;
            widest = std::max(widest, c.glyphs[i].second);
        }
        for (size_t i = c.glyphs.size(); i < GlyphTableSize; ++i) {
            ASSERT_EQ(font->glyphX[i], 0) << "glyph " << i;
            ASSERT_EQ(font->glyphWidth[i], 0) << "glyph " << i;
        }
        EXPECT_EQ(font->maxWidth, widest);
        EXPECT_EQ(font->scanEnd, c.scanEnd);
    }
}

TEST_F(FontLoad, IgnoresGlyphRunsPastTheTables)
{
    // 300 one-pixel glyphs: the first 256 fill the tables, the rest must not spill into
    // the fields behind them.
    std::string row = "m";
    for (int i = 0; i < 300; ++i)
        row += i < 256 ? ".m" : "..m";
    char* text = font->textBuffer;
    ASSERT_TRUE(BitmapFont_Load(MarkerRowSheet(row)));
    EXPECT_EQ(font->glyphX[0], 1);
    EXPECT_EQ(font->glyphWidth[0], 1);
    EXPECT_EQ(font->glyphX[255], 1 + 2 * 255);
    EXPECT_EQ(font->glyphWidth[255], 1);
    EXPECT_EQ(font->maxWidth, 1) << "ignored runs are no glyphs";
    EXPECT_EQ(font->scanEnd, static_cast<int>(row.size()) - 1);
    EXPECT_EQ(font->textBuffer, text);
    EXPECT_EQ(font->layoutState.font, font);
}

TEST_F(FontLoad, BaselineIsTheRoundedMeanOfABC)
{
    struct Case {
        int bottom[3];  // lowest ink row of a, b and c; 0 for no ink
        int baseline;
    } cases[] = {
        {{17, 18, 18}, 18},  // 53 / 3 + 0.5 = 18.17
        {{17, 17, 18}, 17},  // 52 / 3 + 0.5 = 17.83
        {{18, 18, 18}, 18},
        {{0, 18, 18}, 12},   // a glyph without ink adds nothing: 36 / 3 + 0.5
        {{0, 0, 0}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bottom[0] << ", " << c.bottom[1] << ", " << c.bottom[2]);
        SDL_Surface* sheet = MarkerRowSheet("m" + [] {
            std::string s;
            for (int i = 0; i < 67; ++i)
                s += "..m";
            return s;
        }(), 25);
        for (int k = 0; k < 3; ++k)
            if (c.bottom[k])
                Put(sheet, 1 + 3 * (64 + k) + 1, c.bottom[k], 0, 0, 0);
        Put(sheet, 1, 24, 0, 0, 0);  // ink of another glyph lower down does not count
        ASSERT_TRUE(BitmapFont_Load(sheet));
        EXPECT_EQ(font->baseline, c.baseline);
        SDL_LockSurface(sheet);
        EXPECT_EQ(BitmapFont_FindBaseline(), c.baseline);
        SDL_UnlockSurface(sheet);
    }
}

TEST_F(FontLoad, MeasuresInkAroundTheBaseline)
{
    SDL_Surface* sheet = BlockSheet();
    ASSERT_TRUE(BitmapFont_Load(sheet));
    EXPECT_EQ(font->baseline, 9);
    EXPECT_EQ(font->ascent, 7);
    EXPECT_EQ(font->descent, 2);
    EXPECT_EQ(font->height, 9);
    EXPECT_EQ(font->maxWidth, 10);

    // No ink below the baseline: descent keeps its former value, height is recomputed.
    sheet = BlockSheet();
    SDL_Rect below = {0, 10, static_cast<Uint16>(sheet->w), 2};
    SDL_FillRect(sheet, &below, SDL_MapRGB(sheet->format, 255, 255, 255));
    SDL_Rect top = {0, 2, static_cast<Uint16>(sheet->w), 1};
    SDL_FillRect(sheet, &top, SDL_MapRGB(sheet->format, 255, 255, 255));
    ASSERT_TRUE(BitmapFont_Load(sheet));
    EXPECT_EQ(font->ascent, 6);
    EXPECT_EQ(font->descent, 2);
    EXPECT_EQ(font->height, 8);
}

TEST_F(FontLoad, KeysTheBackgroundUnlessTheImageHasAlpha)
{
    SDL_Surface* plain = BlockSheet();
    ASSERT_TRUE(BitmapFont_Load(plain));
    EXPECT_TRUE(plain->flags & SDL_SRCCOLORKEY);
    EXPECT_EQ(plain->format->colorkey, SDL_MapRGB(plain->format, 255, 255, 255));
    EXPECT_EQ(plain->locked, 0) << "unlocked again";

    SDL_Surface* alpha = NewSurface(8, 4, true);
    ASSERT_TRUE(alpha->flags & SDL_SRCALPHA);
    ASSERT_TRUE(BitmapFont_Load(alpha));
    EXPECT_FALSE(alpha->flags & SDL_SRCCOLORKEY);
    EXPECT_EQ(alpha->locked, 0) << "unlocked again";
}

TEST_F(FontLoad, NullImageAfterAGoodOne)
{
    SDL_Surface* good = BlockSheet();
    ASSERT_TRUE(BitmapFont_Load(good));
    ++good->refcount;  // keeps the surface alive to see the font let go of it
    testing::internal::CaptureStdout();
    EXPECT_FALSE(BitmapFont_Load(nullptr));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\n ERROR: BitmapFont given a NULL surface\n");
    EXPECT_EQ(good->refcount, 1) << "the old image was freed";
    SDL_FreeSurface(good);
    EXPECT_EQ(font->glyphImage, nullptr);
    EXPECT_EQ(font->ownsImage, 0);
    EXPECT_EQ(font->glyphWidth[0], 10) << "tables and metrics stay";
    EXPECT_EQ(font->height, 9);

    BlackTarget();
    BitmapFont_Draw(5, 5, "abc");
    BitmapFont_DrawLayout(5, 5, LayoutInstant, "%s", "a\nb\nc\nd");
    EXPECT_EQ(PageBreak, 0) << "without an image every layout reports all shown";
    EXPECT_EQ(GlyphAt(target, 5, 5), -1);
}

TEST_F(FontLoad, NothingWithoutACurrentFont)
{
    FontList = nullptr;
    SDL_Surface* sheet = BlockSheet();
    EXPECT_FALSE(BitmapFont_Load(sheet));
    EXPECT_EQ(BitmapFont_FindBaseline(), -1);
    BitmapFont_Draw(5, 5, "abc");
    BitmapFont_DrawLayout(5, 5, LayoutInstant, "%s", "abc");
    FontList = &node;
    EXPECT_EQ(font->glyphImage, nullptr);
    SDL_FreeSurface(sheet);
}

TEST(FontPixel, ReadsEveryDepth)
{
    for (int bpp : {8, 16, 24, 32}) {
        SCOPED_TRACE(bpp);
        SDL_Surface* s = SDL_CreateRGBSurface(0, 3, 2, bpp, 0, 0, 0, 0);
        ASSERT_NE(s, nullptr);
        if (bpp == 8) {
            // A new palette is black in classic SDL 1.2 but white under the compatibility
            // library (SDL 2): name every colour the test maps.
            SDL_Color colours[8] = {};
            colours[7] = {200, 100, 50, 0};
            SDL_SetColors(s, colours, 0, 8);
        }
        Uint32 value = SDL_MapRGB(s->format, 200, 100, 50);
        SDL_Rect dot = {2, 1, 1, 1};
        SDL_FillRect(s, &dot, value);
        SDL_LockSurface(s);
        EXPECT_EQ(BitmapFont_GetPixel(s, 2, 1), value);
        EXPECT_EQ(BitmapFont_GetPixel(s, 1, 1), SDL_MapRGB(s->format, 0, 0, 0));
        EXPECT_EQ(BitmapFont_GetPixel(s, 3, 1), 0u) << "past the right edge";
        SDL_UnlockSurface(s);
        SDL_FreeSurface(s);
    }
}

namespace {

// Pixel (x, y) of an 8-bit image as its palette index.
Uint8 Index(SDL_Surface* s, int x, int y) { return static_cast<Uint8*>(s->pixels)[y * s->pitch + x]; }

}  // namespace

TEST_F(FontLoad, EmbeddedSheetMetrics)
{
    SDL_Surface* sheet = LoadEmbeddedImage(FontSheet, FontSheetSize, "TGA");
    ASSERT_NE(sheet, nullptr) << SDL_GetError();
    ASSERT_TRUE(BitmapFont_Load(sheet));
    EXPECT_EQ(font->glyphX[0], 3);
    int narrowest = 1000;
    for (int i = 0; i < 189; ++i) {
        ASSERT_GT(font->glyphWidth[i], 0) << "glyph " << i;
        if (i > 0) {
            EXPECT_GT(font->glyphX[i], font->glyphX[i - 1] + font->glyphWidth[i - 1]) << "glyph " << i;
        }
        narrowest = std::min(narrowest, font->glyphWidth[i]);
    }
    for (int i = 189; i < GlyphTableSize; ++i)
        ASSERT_EQ(font->glyphWidth[i], 0) << "glyph " << i;
    EXPECT_EQ(narrowest, 6);
    EXPECT_EQ(font->maxWidth, 23);
    EXPECT_EQ(font->glyphWidth[0], 6) << "!";
    EXPECT_EQ(font->glyphWidth[64], 13) << "a";
    EXPECT_EQ(font->baseline, 18);
    EXPECT_EQ(font->ascent, 17);
    EXPECT_EQ(font->descent, 4);
    EXPECT_EQ(font->height, 21);
    EXPECT_EQ(font->scanEnd, 3710);
    ASSERT_EQ(sheet->format->BitsPerPixel, 8);
    EXPECT_EQ(SDL_MapRGB(sheet->format, 255, 0, 255), 255u) << "marker at palette entry 255";
    EXPECT_TRUE(sheet->flags & SDL_SRCCOLORKEY);
    EXPECT_EQ(sheet->format->colorkey, 27u) << "white background at palette entry 27";
    const SDL_Color& white = sheet->format->palette->colors[27];
    EXPECT_EQ(white.r + white.g + white.b, 3 * 255);
}

TEST_F(FontLoad, EmbeddedGlyphsKeepTheirInkWhereBothDrawsShowIt)
{
    SDL_Surface* sheet = LoadEmbeddedImage(FontSheet, FontSheetSize, "TGA");
    ASSERT_TRUE(BitmapFont_Load(sheet));
    SDL_LockSurface(sheet);
    for (int i = 0; i < 189; ++i) {
        unsigned char c = static_cast<unsigned char>(i < 94 ? i + 33 : i + 67);
        bool accentedCapital = c >= 0xC0 && c <= 0xDD && c != 0xC6 && c != 0xC7 && c != 0xD0 &&
                               c != 0xD7 && c != 0xD8;
        int inkRows = 0;
        for (int y = 1; y < sheet->h; ++y) {
            bool ink = false;
            for (int x = font->glyphX[i]; x < font->glyphX[i] + font->glyphWidth[i]; ++x)
                ink = ink || Index(sheet, x, y) != 27;
            inkRows += ink;
            if (ink && y == 1) {
                EXPECT_TRUE(accentedCapital) << "glyph " << i << " reaches row 1";
            }
            if (ink && y == 22) {
                EXPECT_EQ(c, '|') << "glyph " << i << " reaches row 22";
            }
            if (ink && y > 22) {
                ADD_FAILURE() << "glyph " << i << " has ink in row " << y;
            }
        }
        EXPECT_GE(inkRows, 2) << "glyph " << i << " is a real glyph";
    }
    SDL_UnlockSurface(sheet);
}

TEST_F(FontLoad, StartUpGaveTheGameItsFont)
{
    ASSERT_NE(node.next, nullptr);
    BitmapFont* game = node.next->font;
    ASSERT_NE(game, nullptr);
    EXPECT_EQ(game->target, Screen);
    EXPECT_NE(game->glyphImage, nullptr);
    EXPECT_EQ(game->ownsImage, 1);
    EXPECT_EQ(game->height, 21);
    EXPECT_EQ(game->glyphWidth[64], 13);
}
