// The font: the glyph table cut from a strip image, the baseline, pixels of every depth,
// and the page layout's wrapping and page breaks with the game's own font.
#include <string>
#include <utility>

#include "assets/assets.h"
#include "font/font.h"
#include "tests/unit/game_fixture.h"

namespace {

void Put(SDL_Surface* s, int x, int y, Uint8 r, Uint8 g, Uint8 b)
{
    SDL_Rect dot = {static_cast<Sint16>(x), static_cast<Sint16>(y), 1, 1};
    SDL_FillRect(s, &dot, SDL_MapRGB(s->format, r, g, b));
}

// A white 32-bit sheet whose row 0 is spelled by `row`: 'm' a marker pixel; with `alpha`,
// the surface has an alpha channel of its own.
SDL_Surface* MarkerRowSheet(const std::string& row, int h = 4, bool alpha = false)
{
    SDL_Surface* s = SDL_CreateRGBSurface(alpha ? SDL_SRCALPHA : 0, static_cast<int>(row.size()), h,
                                          32, 0xFF0000, 0xFF00, 0xFF, alpha ? 0xFF000000 : 0);
    SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, 255, 255, 255));
    for (size_t x = 0; x < row.size(); ++x)
        if (row[x] == 'm')
            Put(s, static_cast<int>(x), 0, 255, 0, 255);
    return s;
}

}  // namespace

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
        free(font->textBuffer);
        free(font);
    }
    BitmapFont* font = nullptr;
    FontListNode node = {};
};

using FontLoad = FontTest;

TEST_F(FontLoad, CutsGlyphsFromTheMarkerRow)
{
    std::string many = "m";  // 300 one-pixel runs: only the first 256 fit the tables
    std::vector<std::pair<int, int>> first256;
    for (int i = 0; i < 300; ++i) {
        if (i < 256)
            first256.push_back({1 + 2 * i, 1});
        many += i < 256 ? ".m" : "..m";
    }
    struct Case {
        std::vector<std::pair<int, int>> glyphs;  // (glyphX, glyphWidth) of each glyph
        int scanEnd;
        std::string markerRow;
        bool alpha;
    } cases[] = {
        {{{1, 1}, {3, 2}}, 5, "..m..", false},  // column 0 is never a glyph
        {{{1, 1}, {5, 2}, {9, 1}}, 10, "m.mmm..mm.m", false},
        {{{2, 3}}, 5, "mm...", false},  // a run touching the right edge
        {{}, 0, ".", false},
        {{}, 3, "mmmm", false},
        {{{3, 1}}, 4, "mmm.", true},
        {first256, static_cast<int>(many.size()) - 1, many, false},
    };
    char* text = font->textBuffer;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.markerRow.substr(0, 20));
        SDL_Surface* sheet = MarkerRowSheet(c.markerRow, 4, c.alpha);
        ASSERT_TRUE(BitmapFont_Load(sheet));
        EXPECT_EQ(font->glyphImage, sheet);
        std::vector<std::pair<int, int>> glyphs;
        int widest = 0;
        for (int i = 0; i < GlyphTableSize && font->glyphWidth[i]; ++i) {
            glyphs.push_back({font->glyphX[i], font->glyphWidth[i]});
            widest = std::max(widest, font->glyphWidth[i]);
        }
        EXPECT_EQ(glyphs, c.glyphs);
        EXPECT_EQ(font->maxWidth, widest);
        EXPECT_EQ(font->scanEnd, c.scanEnd);
        EXPECT_EQ(font->textBuffer, text) << "the tables overflowed";
        EXPECT_EQ(!c.alpha, (sheet->flags & SDL_SRCCOLORKEY) != 0) << "keyed unless it has alpha";
        EXPECT_EQ(sheet->locked, 0);
    }
}

TEST_F(FontLoad, BaselineIsTheRoundedMeanOfTheBottomsOfABC)
{
    std::string row = "m";
    for (int i = 0; i < 67; ++i)
        row += "..m";
    struct Case {
        int baseline;
        int bottom[3];  // lowest ink row of a, b and c; 0 for none
    } cases[] = {{18, {17, 18, 18}}, {17, {17, 17, 18}}, {12, {0, 18, 18}}, {0, {0, 0, 0}}};
    for (const Case& c : cases) {
        SDL_Surface* sheet = MarkerRowSheet(row, 25);
        for (int k = 0; k < 3; ++k)
            if (c.bottom[k])
                Put(sheet, 1 + 3 * (64 + k) + 1, c.bottom[k], 0, 0, 0);
        Put(sheet, 1, 24, 0, 0, 0);  // ink of another glyph lower down does not count
        ASSERT_TRUE(BitmapFont_Load(sheet));
        EXPECT_EQ(font->baseline, c.baseline) << c.bottom[0] << " " << c.bottom[1];
        EXPECT_EQ(font->descent, 24 - c.baseline);
    }
}

TEST(FontPixel, ReadsEveryDepth)
{
    for (int bpp : {8, 16, 24, 32}) {
        SDL_Surface* s = SDL_CreateRGBSurface(0, 3, 2, bpp, 0, 0, 0, 0);
        SDL_Color colours[8] = {};  // named: a new palette is not black on every SDL
        colours[7] = {200, 100, 50, 0};
        SDL_SetColors(s, colours, 0, 8);
        Uint32 value = SDL_MapRGB(s->format, 200, 100, 50);
        SDL_Rect dot = {2, 1, 1, 1};
        SDL_FillRect(s, &dot, value);
        EXPECT_EQ(BitmapFont_GetPixel(s, 2, 1), value) << bpp;
        EXPECT_EQ(BitmapFont_GetPixel(s, 1, 1), SDL_MapRGB(s->format, 0, 0, 0)) << bpp;
        EXPECT_EQ(BitmapFont_GetPixel(s, 3, 1), 0u) << bpp << ": past the right edge";
        SDL_FreeSurface(s);
    }
}

using PageLayout = FontTest;

// Layouts with the game's own sheet: where a page breaks and how many lines it takes.
TEST_F(PageLayout, WrapsAtTheMarginAndBreaksBeforeLineFour)
{
    ASSERT_TRUE(BitmapFont_Load(LoadEmbeddedImage(FontSheet, FontSheetSize, "TGA")));
    font->target = Screen;
    auto width = [&](const std::string& text) {  // a space is as wide as "!"
        int w = 0;
        for (unsigned char c : text)
            w += font->glyphWidth[c == ' ' ? 0 : c - 33];
        return w;
    };
    const std::string words = "a palabra";
    std::string wide;  // one such word to a line
    while (width(wide) < 320)
        wide += 'm';
    const std::string four = wide + " " + wide + " " + wide + " " + wide;
    struct Case {
        int pageBreak;
        int lines;
        int originX;
        std::string text;
    } cases[] = {
        {0, 1, 645 - width(words), words},  // a word may end exactly at the margin
        {0, 2, 646 - width(words), words},
        {0, 3, 5, "a\nb\nc"},
        {0, 6, 5, "a\nb\nc\n\n\n"},  // newlines alone do not start a page
        {6, 4, 5, "a\nb\nc\nd"},
        {4, 4, 5, "a\n\n\nd"},
        {7, 4, 5,
         "a\nb\nc\n\x01"
         "d"},  // bytes without a glyph count, draw nothing
        {static_cast<int>(3 * wide.size() + 3), 4, 5, four},  // the space before is consumed
        {0, 1, 5, ""},
    };
    for (const Case& c : cases) {
        PageBreak = 0;
        BitmapFont_DrawLayout(c.originX, 350, LayoutInstant, "%s", c.text.c_str());
        EXPECT_EQ(PageBreak, c.pageBreak) << c.text;
        EXPECT_EQ(font->layoutState.line, c.lines) << c.text;
    }
}

// Without a font, an image, a target or a format nothing is drawn, laid out or presented.
TEST_F(PageLayout, NothingWithoutFontImageTargetOrFormat)
{
    const std::vector<Uint8> before(
        static_cast<Uint8*>(Screen->pixels),
        static_cast<Uint8*>(Screen->pixels) + Screen->pitch * Screen->h);
    enum Missing { NoFont, NoImage, NoTarget, NoFormat };
    for (Missing missing : {NoFont, NoImage, NoTarget, NoFormat}) {
        ASSERT_TRUE(BitmapFont_Load(LoadEmbeddedImage(FontSheet, FontSheetSize, "TGA")));
        font->target = missing == NoTarget ? nullptr : Screen;
        if (missing == NoImage) {
            testing::internal::CaptureStdout();
            EXPECT_FALSE(BitmapFont_Load(nullptr));
            EXPECT_EQ(testing::internal::GetCapturedStdout(),
                      "\n ERROR: BitmapFont given a NULL surface\n");
        }
        if (missing == NoFont)
            FontList = nullptr;
        const char* format = missing == NoFormat ? nullptr : "%s";
        PageBreak = 77;
        BitmapFont_Draw(5, 350, format, "a");
        BitmapFont_DrawText(format ? "a" : nullptr, 5, 350);
        BitmapFont_DrawLayout(5, 350, LayoutTypewriter, format, "a\nb\nc\nd");
        EXPECT_EQ(PageBreak, 77) << missing;
        EXPECT_EQ(seam::Frames(), 0u) << missing;
        if (missing == NoFont) {
            EXPECT_FALSE(BitmapFont_Load(nullptr));
            EXPECT_EQ(BitmapFont_FindBaseline(), -1);
        }
        FontList = &node;
    }
    EXPECT_TRUE(std::equal(before.begin(), before.end(), static_cast<Uint8*>(Screen->pixels)));
}
