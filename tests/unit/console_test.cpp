// The console: the narration buffer's bound, the keys that make a command line, the keys
// the page prompt takes, and the message kinds.
#include <cstring>
#include <string>

#include "console/console.h"
#include "tests/unit/game_fixture.h"

using seam::KeyDown;

namespace {

// One frame per entry, each with its key-downs.
using Frames = std::vector<std::vector<SDL_Event>>;

Frames Keys(const std::string& latin1)
{
    Frames frames;
    for (unsigned char c : latin1)
        frames.push_back({KeyDown(c)});
    return frames;
}

Frames operator+(Frames a, const Frames& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

using Console = GameTest;

TEST_F(Console, AppendRunsTextsTogetherAndCutsWhatDoesNotFit)
{
    const std::string tooLong(5000, 'x');
    struct Case {
        std::string after;
        std::string before;
        const char* text;
    } cases[] = {
        {"Uno.\nDos.", "Uno.", "\nDos."},
        {std::string(4095, 'x'), "", tooLong.c_str()},
        {std::string(4090, 'a') + "bcdef", std::string(4090, 'a'), "bcdefghij"},
        {std::string(4095, 'a'), std::string(4095, 'a'), "b"},
        {"Uno.", "Uno.", nullptr},
    };
    for (const Case& c : cases) {
        memcpy(NarrationBuffer, c.before.c_str(), c.before.size() + 1);
        AppendNarration(c.text);
        EXPECT_EQ(std::string(NarrationBuffer), c.after) << c.after.substr(0, 20);
    }
    NarrationBuffer[0] = '\0';
}

TEST_F(Console, CommandLineTakesItsKeys)
{
    const Frames idle = {{}};
    const Frames enter = Keys("\r");
    struct Case {
        std::string line;
        Frames frames;
    } cases[] = {
        {"", enter},  // Enter in the first frame
        {"", idle + enter},
        {"y", Keys("xy\r")},  // the first frame takes only Enter
        {"", {{KeyDown('a'), KeyDown(KeyEnter)}}},
        {"b", Frames{{KeyDown(KeyEnter), KeyDown('a')}} + Keys("b\r")},
        {"ac", idle + Keys("ab\bc\r")},
        {"a", idle + Keys("\b\ba\r")},  // backspace on an empty line
        {"", idle + Keys("a\b\r")},
        {"a\x7F\x96\xA0\xF1\xBF\xFE", idle + Keys("a\x7F\x96\xA0\xF1\xBF\xFE\r")},
        {"ab", idle + Keys(std::string("a\xFF\t\x1B\x01\x1F") + "b") +
                   Frames{{KeyDown(0x20AC)}, {KeyDown(0, SDLK_LSHIFT)}} + enter},
        {std::string(491, 'a') + "b", idle + Keys(std::string(500, 'a') + "\bbc\r")},
    };
    for (const Case& c : cases) {
        seam::Reset();
        for (const auto& frame : c.frames)
            seam::QueueFrame(frame);
        char line[512];
        memset(line, '~', sizeof line);
        strcpy(NarrationBuffer, "Uno\nDos");
        ReadCommandLine(line);
        EXPECT_EQ(std::string(line, strnlen(line, sizeof line)), c.line);
        EXPECT_STREQ(NarrationBuffer, "") << "submitting a line empties the narration";
        EXPECT_EQ(seam::QueuedFrames(), 0u) << "returns in the frame of its Enter";
        if (c.line.size() > 200) {
            EXPECT_EQ(std::string(line + 493, 19), std::string(19, '~'))
                << "written past the limit";
        }
    }
}

// The page prompt waits for a space typed after it shows; spaces pressed while the page
// was typed out, and other keys at the prompt, are not the answer.
TEST_F(Console, PagePromptTakesOnlyASpacePressedAfterIt)
{
    const char* page = "Uno\nDos\nTres";
    const int glyphs = 10;  // "UnoDosTres": one frame each
    strcpy(NarrationBuffer, page);
    strcat(NarrationBuffer, "\nCuatro");
    for (int i = 0; i < glyphs; ++i)
        seam::QueueKey(KeySpace);
    for (uint16_t key : {uint16_t{13}, uint16_t{'x'}, uint16_t{0}, uint16_t{' '}})
        seam::QueueKey(key);
    ShowNarration();
    EXPECT_EQ(seam::Frames(), static_cast<uint64_t>(glyphs + 4 + 6)) << "then \"Cuatro\"";
    EXPECT_STREQ(NarrationBuffer, "Cuatro");
}

TEST_F(Console, OnlyKnownMessageKindsAreNarrated)
{
    const std::string padded = "txt" + std::string(40, ' ');
    struct Case {
        bool narrated;
        const char* kind;
    } cases[] = {
        {true, "txt"},    {false, "TXT"},   {false, "txt "},         {false, "txtx"},
        {false, "fin\n"}, {false, "Fin"},   {false, "GAMEOVER"},     {false, "gameover!"},
        {false, ""},      {false, nullptr}, {false, padded.c_str()},
    };
    for (const Case& c : cases) {
        strcpy(NarrationBuffer, "Antes.");
        Narrate(" Nada.", c.kind);
        EXPECT_STREQ(NarrationBuffer, c.narrated ? "Antes. Nada." : "Antes.")
            << (c.kind ? c.kind : "null");
    }
    EXPECT_EQ(seam::Frames(), 0u) << "nothing is presented";
    NarrationBuffer[0] = '\0';
}

// An ending types its text, waits for space under its last page, then shows its picture until
// Enter: other keys there do not end the game.
TEST_F(Console, EndingPictureWaitsForEnter)
{
    EXPECT_EXIT(
        {
            seam::QueueIdle(6);  // "Adios." typed out, a glyph a frame
            for (uint16_t key :
                 {uint16_t{' '}, uint16_t{' '}, uint16_t{'x'}, uint16_t{0}, uint16_t{KeyEnter}})
                seam::QueueKey(key);
            atexit(
                [] { fprintf(stderr, "ended in frame %d\n", static_cast<int>(seam::Frames())); });
            Narrate("Adios.", "gameover");
        },
        testing::ExitedWithCode(0), "ended in frame 11\n");
}
