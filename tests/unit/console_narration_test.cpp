// The narration buffer and its paging: what each frame shows, and what is left to show.
#include <string>

#include "tests/unit/console_screen.h"

using namespace console_test;

using Narration = ConsoleTest;

TEST_F(Narration, AppendRunsTextsTogetherAndCutsWhatDoesNotFit)
{
    const std::string big(5000, 'x');
    struct Case {
        const char* what;
        std::string before;
        std::string text;
        std::string after;
    } cases[] = {
        {"no separator", "Uno.", "Dos.", "Uno.Dos."},
        {"a text of its own newline", "Uno.", "\nDos.", "Uno.\nDos."},
        {"into an empty buffer", "", "Hola", "Hola"},
        {"too long for an empty buffer", "", big, std::string(4095, 'x')},
        {"cut at the last free byte", std::string(4090, 'a'), "bcdefghij", std::string(4090, 'a') + "bcdef"},
        {"a full buffer takes nothing", std::string(4095, 'a'), "b", std::string(4095, 'a')},
    };
    for (const Case& c : cases) {
        memcpy(NarrationBuffer, c.before.c_str(), c.before.size() + 1);
        AppendNarration(c.text.c_str());
        EXPECT_EQ(std::string(NarrationBuffer), c.after) << c.what;
        EXPECT_EQ(NarrationBuffer[NarrationBufferSize - 1], '\0') << c.what;
    }
    NarrationBuffer[0] = '\0';
}

TEST_F(Narration, EmptyBufferShowsNothingAndPresentsNoFrame)
{
    UseRoomPicture();
    StartTurn("");
    Pixels before = Snapshot();
    ShowNarration();
    EXPECT_EQ(seam::Frames(), 0u);
    EXPECT_EQ(Difference(Snapshot(), before), "");
}

TEST_F(Narration, ThreeLinesBringNoPrompt)
{
    UseRoomPicture();
    for (const char* text : {"Uno\nDos\nTres", "Uno\nDos\nTres\n\n\n", "Uno dos tres."}) {
        SCOPED_TRACE(text);
        seam::Reset();
        StartTurn(text);
        PixelAt(0, 0) = White;  // the first page is typed without clearing the Screen
        StartFrameLog();
        ShowNarration();
        EXPECT_EQ(FrameLog, Repeat('T', Glyphs(text))) << "one glyph a frame, no prompt";
        EXPECT_STREQ(NarrationBuffer, text) << "the page stays in the buffer";
        EXPECT_EQ(PixelAt(0, 0), White);
        PixelAt(0, 0) = 0;
        EXPECT_EQ(Difference(Snapshot(), PageReference(text)), "");
    }
}

TEST_F(Narration, NextPageStartsWithTheGlyphThatDidNotFit)
{
    UseRoomPicture();
    StartTurn("Uno\nDos\nTres\n\nCuatro cinco.");
    StartFrameLog();
    int first = Glyphs("UnoDosTres");
    seam::QueueIdle(first);
    QueueKeys({0, 'x', 13, ' '});
    ShowNarration();
    EXPECT_EQ(FrameLog, Repeat('T', first) + "PPPP" + Repeat('T', Glyphs("Cuatro cinco.")));
    EXPECT_STREQ(NarrationBuffer, "Cuatro cinco.");
    EXPECT_EQ(Difference(Snapshot(), PageReference("Cuatro cinco.")), "");
}

TEST_F(Narration, PromptStandsFourLineHeightsDown)
{
    UseRoomPicture();
    StartTurn("Uno\nDos\nTres\nCuatro");
    StartFrameLog();
    seam::QueueIdle(Glyphs("UnoDosTres"));
    QueueKeys({' '});
    ShowNarration();
    ASSERT_FALSE(FirstPromptScreen.empty());
    EXPECT_EQ(Difference(FirstPromptScreen, PageReference("Uno\nDos\nTres", "<Pulsa espacio>")), "");
}

TEST_F(Narration, SpaceTypedDuringThePageIsNotTheAnswer)
{
    UseRoomPicture();
    StartTurn("Uno\nDos\nTres\nCuatro");
    StartFrameLog();
    int first = Glyphs("UnoDosTres");
    for (int i = 0; i < first; ++i)
        seam::QueueKey(' ');
    QueueKeys({0, 0, ' '});
    ShowNarration();
    EXPECT_EQ(FrameLog, Repeat('T', first) + "PPP" + Repeat('T', Glyphs("Cuatro")));
    EXPECT_STREQ(NarrationBuffer, "Cuatro");
}

namespace {

// Spoils the whole Screen while the prompt waits: the next page must clear it and redraw the picture.
void LogAndSpoilAtPrompt()
{
    LogFrame();
    if (FrameLog.back() == 'P')
        SDL_FillRect(Screen, nullptr, White);
}

}  // namespace

TEST_F(Narration, EachPageStartsOnAClearedScreenWithThePicture)
{
    UseRoomPicture();
    const char* pages[] = {"Uno\nDos\nTres", "Cuatro\nCinco\nSeis", "Siete"};
    StartTurn("Uno\nDos\nTres\nCuatro\nCinco\nSeis\nSiete");
    StartFrameLog(LogAndSpoilAtPrompt);
    std::string expected;
    for (const char* page : pages) {
        expected += Repeat('T', Glyphs(page));
        if (page != pages[2]) {
            seam::QueueIdle(Glyphs(page));
            QueueKeys({' '});
            expected += 'P';
        }
    }
    ShowNarration();
    EXPECT_EQ(FrameLog, expected);
    EXPECT_STREQ(NarrationBuffer, "Siete");
    EXPECT_EQ(Difference(Snapshot(), PageReference("Siete")), "");
}

TEST_F(Narration, WrappedPagesTypeEveryGlyphOnceAndStartOnAWord)
{
    UseRoomPicture();
    std::string text;
    for (int i = 0; i < 60; ++i)
        text += "palabra ";
    text += "fin.";
    StartTurn(text.c_str());
    StartFrameLog();
    // Plenty of spaces: every frame offers one, only the prompts take them.
    for (int i = 0; i < Glyphs(text) + 20; ++i)
        seam::QueueKey(' ');
    ShowNarration();
    std::string typed = FrameLog;
    size_t prompts = 0;
    for (char c : typed)
        prompts += c == 'P';
    EXPECT_GE(prompts, 2u) << FrameLog;
    EXPECT_EQ(static_cast<int>(typed.size() - prompts), Glyphs(text)) << "no glyph lost or typed twice";
    EXPECT_EQ(NarrationBuffer[0], 'p') << "the space before a wrapped word is not carried over";
    EXPECT_EQ(text.substr(text.size() - strlen(NarrationBuffer)), std::string(NarrationBuffer));
}

TEST_F(Narration, PercentSignIsDrawnAsItStands)
{
    UseRoomPicture();
    const char* first = "Al 50%% y al 25%%\nDos %d\nTres";
    StartTurn((std::string(first) + "\nCuatro").c_str());
    StartFrameLog();
    seam::QueueIdle(Glyphs(first));
    QueueKeys({' '});
    ShowNarration();
    EXPECT_STREQ(NarrationBuffer, "Cuatro") << "the page break indexes the narration itself";
    ASSERT_FALSE(FirstPromptScreen.empty());
    EXPECT_EQ(Difference(FirstPromptScreen, PageReference(first, "<Pulsa espacio>")), "");
}

TEST_F(Narration, FinalNarrationWaitsForSpaceOnItsLastPageToo)
{
    UseRoomPicture();
    struct Case {
        const char* text;
        std::vector<const char*> pages;
        const char* left;
    } cases[] = {
        {"Uno\nDos", {"Uno\nDos"}, "Uno\nDos"},
        {"Uno\nDos\nTres\nCuatro", {"Uno\nDos\nTres", "Cuatro"}, "Cuatro"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        seam::Reset();
        StartTurn(c.text);
        StartFrameLog();
        std::string expected;
        for (const char* page : c.pages) {
            seam::QueueIdle(Glyphs(page));
            QueueKeys({0, 13, 'x', ' '});
            expected += Repeat('T', Glyphs(page)) + "PPPP";
        }
        ShowFinalNarration();
        EXPECT_EQ(FrameLog, expected);
        EXPECT_EQ(seam::QueuedFrames(), 0u);
        EXPECT_STREQ(NarrationBuffer, c.left) << "the last page stays in the buffer";
        EXPECT_EQ(Difference(Snapshot(), PageReference(nullptr)), "") << "only the picture, not presented";
    }
}
