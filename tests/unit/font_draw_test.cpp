// Text drawing: the plain draw, the page layouts' wrap and page rules, the typewriter's
// frames, and drawn pixels compared with the glyph sheet.
#include <cstring>
#include <string>

#include "assets/assets.h"
#include "tests/unit/font_fixture.h"

using namespace fonttest;

namespace {

// With the block sheet every glyph is 10 wide and lines are 9 apart.
constexpr int Line = 9;

std::string Repeat(char c, int n) { return std::string(static_cast<size_t>(n), c); }

}  // namespace

class FontDraw : public FontTest {
protected:
    void SetUp() override
    {
        FontTest::SetUp();
        ASSERT_TRUE(BitmapFont_Load(BlockSheet()));
        BlackTarget();
    }
    void Layout(int x, const std::string& text, LayoutOperation layout = LayoutInstant)
    {
        BitmapFont_DrawLayout(x, 350, layout, "%s", text.c_str());
    }
};

TEST_F(FontDraw, LayoutWrapsWordsAtTheRightMargin)
{
    struct Probe {
        int x, y, glyph;  // the glyph whose top-left ink is at (x, y); -1 for none
    };
    struct Case {
        const char* what;
        int originX;
        std::string text;
        int line;  // the line counter after the layout
        std::vector<Probe> probes;
    } cases[] = {
        {"a word ending exactly at 645 stays", 5, "! " + Repeat('a', 62), 1,
         {{25, 350, 64}, {635, 350, 64}, {5, 350 + Line, -1}}},
        {"one pixel more and it wraps", 6, "! " + Repeat('a', 62), 2,
         {{6, 350, 0}, {26, 350, -1}, {6, 350 + Line, 64}, {616, 350 + Line, 64}}},
        {"a word that fits after its wrap does not wrap again", 5, "! " + Repeat('a', 64), 2,
         {{5, 350 + Line, 64}, {635, 350 + Line, 64}, {5, 350 + 2 * Line, -1}}},
        {"spaces never wrap; the next glyph does", 5, Repeat('a', 64) + "   b", 2,
         {{635, 350, 64}, {5, 350 + Line, 65}}},
        {"spaces at the end of the text leave the line", 5, Repeat('a', 64) + "    ", 1, {}},
        {"ignored bytes do not end a word", 5, "! " + Repeat('a', 32) + "\x85\x01" + Repeat('a', 31), 2,
         {{5, 350 + Line, 64}, {25, 350, -1}}},
        {"a newline starts the line again at the origin", 40, "ab\ncd", 2,
         {{40, 350, 64}, {50, 350, 65}, {40, 350 + Line, 66}, {50, 350 + Line, 67}}},
        {"a space is as wide as \"!\"", 5, "a b", 1, {{5, 350, 64}, {25, 350, 65}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BlackTarget();
        PageBreak = 0;
        Layout(c.originX, c.text);
        EXPECT_EQ(PageBreak, 0);
        EXPECT_EQ(font->layoutState.line, c.line);
        for (const Probe& p : c.probes)
            EXPECT_EQ(GlyphAt(target, p.x, p.y), p.glyph) << "at " << p.x << ", " << p.y;
    }
}

TEST_F(FontDraw, PageStopsBeforeAGlyphOfLineFour)
{
    std::string word = Repeat('a', 32);  // 320 pixels: one such word to a line
    struct Case {
        const char* what;
        std::string text;
        int pageBreak;
    } cases[] = {
        {"three lines fit", "a\nb\nc", 0},
        {"three lines followed by newlines fit", "a\nb\nc\n\n\n\n", 0},
        {"a glyph after a third newline stops the page", "a\nb\nc\nd", 6},
        {"blank lines count", "a\n\n\nd", 4},
        {"the space before a wrapped fourth line is consumed",
         word + " " + word + " " + word + " " + word, 99},
        {"a word wider than a line wraps at every glyph", Repeat('a', 70), 2},
        {"an empty text", "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PageBreak = 0;
        Layout(5, c.text);
        EXPECT_EQ(PageBreak, c.pageBreak);
        if (c.pageBreak) {
            // Removing that many characters leaves the next page, starting with the glyph.
            EXPECT_NE(c.text[c.pageBreak], ' ');
            EXPECT_NE(c.text[c.pageBreak], '\n');
            EXPECT_EQ(font->layoutState.charIndex, c.pageBreak);
            EXPECT_EQ(font->layoutState.line, 4);
        }
    }

    PageBreak = 77;
    Layout(5, "a\nb\nc");
    EXPECT_EQ(PageBreak, 77) << "a page that fits leaves PageBreak alone";
    Layout(5, "");
    EXPECT_EQ(PageBreak, 77) << "so does an empty text";
}

TEST_F(FontDraw, LayoutFillsTheStateAndCountsEveryCharacter)
{
    BitmapFont_DrawLayout(12, 340, LayoutInstant, "ab %s\x7F\xA0\x1F", "cd");
    const LayoutState& s = font->layoutState;
    EXPECT_EQ(s.font, font);
    EXPECT_EQ(s.target, target);
    EXPECT_EQ(s.glyphImage, font->glyphImage);
    EXPECT_EQ(s.text, font->textBuffer);
    EXPECT_STREQ(s.text, "ab cd\x7F\xA0\x1F");
    EXPECT_EQ(s.lineHeight, font->height);
    EXPECT_EQ(s.glyphX, font->glyphX);
    EXPECT_EQ(s.glyphWidth, font->glyphWidth);
    EXPECT_EQ(s.scanEnd, font->scanEnd);
    EXPECT_EQ(s.charIndex, 7) << "ignored bytes count too";
    EXPECT_EQ(s.column, 6);
    EXPECT_EQ(s.word, 2);
    EXPECT_EQ(s.line, 1);
    EXPECT_EQ(s.originX, 12);
    EXPECT_EQ(s.originY, 340);
    EXPECT_EQ(s.reserved, 0);
    // Ignored bytes draw nothing and move nothing.
    EXPECT_EQ(GlyphAt(target, 12 + 40, 340), 67);
    EXPECT_EQ(GlyphAt(target, 12 + 50, 340), -1);
}

TEST_F(FontDraw, TypewriterTakesOneFramePerGlyph)
{
    static SDL_Surface* watched;
    static std::vector<int> drawnAtFrame;
    watched = target;
    drawnAtFrame.clear();
    // At every frame: how many of the four glyph places hold ink already.
    seam::SetFrameHook([] {
        int drawn = 0;
        for (int x : {5, 15, 35})
            drawn += GlyphAt(watched, x, 350) >= 0;
        drawn += GlyphAt(watched, 5, 350 + Line) >= 0;
        drawnAtFrame.push_back(drawn);
    });
    PresentFrame();  // lines the frames up with the virtual clock
    drawnAtFrame.clear();
    uint64_t frames = seam::Frames();
    uint32_t start = seam::Now();

    Layout(5, "ab c\n\x01\x90" "d  \n", LayoutTypewriter);
    EXPECT_EQ(seam::Frames() - frames, 4u);
    EXPECT_EQ(seam::Now() - start, 4 * FrameTime);
    EXPECT_EQ(drawnAtFrame, (std::vector<int>{1, 2, 3, 4})) << "each glyph is shown by its own frame";

    // The stop at a full page takes no frame, nor does an empty text.
    frames = seam::Frames();
    Layout(5, "a\nb\nc\nd", LayoutTypewriter);
    EXPECT_EQ(seam::Frames() - frames, 3u);
    EXPECT_EQ(PageBreak, 6);
    frames = seam::Frames();
    Layout(5, "", LayoutTypewriter);
    Layout(5, " \n\x05", LayoutTypewriter);
    EXPECT_EQ(seam::Frames() - frames, 0u);
    seam::SetFrameHook(nullptr);
}

TEST_F(FontDraw, PlainDrawFollowsNewlinesAndSkipsPastTheEdge)
{
    BitmapFont_Draw(600, 10, "abcde\nf g\x81h\n\n%s", "i");
    EXPECT_EQ(GlyphAt(target, 600, 10), 64);
    EXPECT_EQ(GlyphAt(target, 630, 10), 67) << "partly clipped";
    EXPECT_EQ(GlyphAt(target, 600, 10 + Line), 69) << "newline back at x";
    EXPECT_EQ(GlyphAt(target, 620, 10 + Line), 70) << "a space is as wide as \"!\"";
    EXPECT_EQ(GlyphAt(target, 630, 10 + Line), 71) << "the ignored byte moved nothing";
    EXPECT_EQ(GlyphAt(target, 600, 10 + 3 * Line), 72);

    // "e" at 640 is skipped without moving the pen: nothing wraps round.
    BlackTarget();
    BitmapFont_Draw(610, 10, "abcdefg");
    EXPECT_EQ(GlyphAt(target, 630, 10), 66);
    for (int x = 0; x < 610; x += 5)
        ASSERT_EQ(GlyphAt(target, x, 10), -1) << x;
}

TEST_F(FontDraw, PenAdvancesByTheUnclippedWidth)
{
    BitmapFont_Draw(-5, 10, "ab");
    EXPECT_EQ(GlyphAt(target, 0, 10), 64);
    EXPECT_EQ(GlyphAt(target, 4, 10), 64);
    EXPECT_EQ(GlyphAt(target, 5, 10), 65);

    BlackTarget();
    BitmapFont_DrawLayout(-5, 20, LayoutInstant, "ab");
    EXPECT_EQ(GlyphAt(target, 4, 20), 64);
    EXPECT_EQ(GlyphAt(target, 5, 20), 65);
}

TEST_F(FontDraw, LatinOneCharactersMapToTheirGlyphs)
{
    BitmapFont_Draw(5, 10, "!~\xA1\xBF\xD1\xE1\xF1\xFF");
    int expected[] = {0, 93, 94, 124, 142, 158, 174, 188};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(GlyphAt(target, 5 + 10 * i, 10), expected[i]) << i;
}

TEST_F(FontDraw, FormattedTextIsCutAt1023Characters)
{
    std::string longText = Repeat('a', 1500);
    BitmapFont_Draw(5, 10, "%s", longText.c_str());
    EXPECT_EQ(strlen(font->textBuffer), 1023u);
    BitmapFont_DrawLayout(5, 10, LayoutInstant, "x%s", longText.c_str());
    EXPECT_EQ(strlen(font->textBuffer), 1023u);
    EXPECT_EQ(font->textBuffer[0], 'x');
}

TEST_F(FontDraw, NothingWithoutTargetOrFormat)
{
    BitmapFont_Draw(5, 10, nullptr);
    BitmapFont_DrawLayout(5, 10, LayoutInstant, nullptr);
    BitmapFont_DrawText(nullptr, 5, 10);
    EXPECT_EQ(GlyphAt(target, 5, 10), -1);
    font->target = nullptr;
    BitmapFont_Draw(5, 10, "a");
    BitmapFont_DrawLayout(5, 10, LayoutInstant, "a\nb\nc\nd");
    EXPECT_EQ(PageBreak, 0);
    EXPECT_EQ(GlyphAt(target, 5, 10), -1);
}

// Drawn text against the embedded sheet, pixel by pixel.
class EmbeddedFontDraw : public FontTest {
protected:
    void SetUp() override
    {
        FontTest::SetUp();
        sheet = LoadEmbeddedImage(FontSheet, FontSheetSize, "TGA");
        ASSERT_TRUE(BitmapFont_Load(sheet));
        BlackTarget();
    }
    // Checks the glyph of `c` drawn at (x, y) from sheet row `sourceRow`: ink shows in its
    // palette colour, the keyed background leaves the black target as it was.
    void ExpectGlyph(unsigned char c, int x, int y, int sourceRow)
    {
        int i = c <= 126 ? c - 33 : c - 67;
        SDL_LockSurface(sheet);
        for (int dy = 0; dy < font->height; ++dy) {
            for (int dx = 0; dx < font->glyphWidth[i]; ++dx) {
                Uint8 index = static_cast<Uint8*>(sheet->pixels)[(sourceRow + dy) * sheet->pitch +
                                                                 font->glyphX[i] + dx];
                SDL_Color want = index == 27 ? SDL_Color{0, 0, 0, 0} : sheet->format->palette->colors[index];
                Uint8 r, g, b;
                Rgb(target, x + dx, y + dy, &r, &g, &b);
                ASSERT_TRUE(r == want.r && g == want.g && b == want.b)
                    << "glyph " << i << " pixel " << dx << ", " << dy;
            }
        }
        SDL_UnlockSurface(sheet);
    }
    SDL_Surface* sheet = nullptr;
};

TEST_F(EmbeddedFontDraw, PlainDrawCopiesFromBaselineMinusAscent)
{
    BitmapFont_Draw(5, 350, "\n\n\n\n>%s", "\xD1" "and\xFA");
    int x = 5;
    for (unsigned char c : std::string(">\xD1" "and\xFA")) {
        ExpectGlyph(c, x, 434, 1);
        x += font->glyphWidth[c <= 126 ? c - 33 : c - 67];
    }
}

TEST_F(EmbeddedFontDraw, LayoutGlyphStandsOnePixelHigher)
{
    std::string text = "\xA1Qu\xE9 a\xF1o, \xC1gata!";
    BitmapFont_DrawLayout(5, 350, LayoutInstant, "%s", text.c_str());
    int x = 5;
    for (unsigned char c : text) {
        if (c == ' ') {
            x += font->glyphWidth[0];
            continue;
        }
        ExpectGlyph(c, x, 350, 2);
        x += font->glyphWidth[c <= 126 ? c - 33 : c - 67];
    }

    // The same glyph from both draws: the layout's is the plain one moved up a row.
    SDL_Surface* plain = target;
    target = nullptr;
    BlackTarget();
    BitmapFont_DrawLayout(5, 350, LayoutInstant, "g");
    SDL_Surface* layout = target;
    target = plain;
    BlackTarget();
    BitmapFont_Draw(5, 350, "g");
    bool differ = false;
    for (int y = 350; y < 350 + 20; ++y) {
        for (int x = 5; x < 5 + font->glyphWidth['g' - 33]; ++x) {
            Uint8 r1, g1, b1, r2, g2, b2;
            Rgb(layout, x, y, &r1, &g1, &b1);
            Rgb(plain, x, y + 1, &r2, &g2, &b2);
            ASSERT_TRUE(r1 == r2 && g1 == g2 && b1 == b2) << x << ", " << y;
            Rgb(plain, x, y, &r2, &g2, &b2);
            differ = differ || r1 != r2;
        }
    }
    EXPECT_TRUE(differ);
    SDL_FreeSurface(layout);
}
