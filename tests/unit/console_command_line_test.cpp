// The command line: which keys make the line, when the Screen is redrawn, what the echo shows.
#include <cstdlib>
#include <string>

#include "tests/unit/console_screen.h"

using namespace console_test;
using seam::KeyDown;

namespace {

constexpr char Unwritten = '\x7E';

// Runs ReadCommandLine over `buffer` (512 bytes, first filled with Unwritten) on the keys
// queued; returns the line up to its NUL, or all 512 bytes when none was written.
std::string ReadLine(char* buffer)
{
    memset(buffer, Unwritten, 512);
    NarrationBuffer[0] = '\0';
    AppendNarration("Uno\nDos");
    ReadCommandLine(buffer);
    EXPECT_STREQ(NarrationBuffer, "") << "submitting a line empties the narration";
    return std::string(buffer, strnlen(buffer, 512));
}

std::string ReadLine()
{
    char buffer[512];
    return ReadLine(buffer);
}

}  // namespace

using CommandLine = ConsoleTest;

TEST_F(CommandLine, KeysMakeTheLine)
{
    struct Case {
        const char* what;
        std::vector<uint16_t> keys;  // one frame each, 0 a frame without a key
        std::string line;
    } cases[] = {
        {"Enter in the first frame", {13}, ""},
        {"Enter on an empty line", {0, 13}, ""},
        {"a key of the first frame is not taken", {'x', 'y', 13}, "y"},
        {"letters", {0, 'm', 'i', 'r', 'a', 'r', 13}, "mirar"},
        {"backspace on an empty line", {0, 8, 8, 'a', 13}, "a"},
        {"backspace removes the last character", {0, 'a', 'b', 8, 'c', 13}, "ac"},
        {"back to empty", {0, 'a', 8, 13}, ""},
        {"127 to 160 accepted", {0, 'a', 127, 150, 160, 'b', 13}, "a\x7F\x96\xA0" "b"},
        {"Latin-1 up to 254", {0, 0xF1, 0xBF, 0xA1, 254, 13}, "\xF1\xBF\xA1\xFE"},
        {"255 and beyond refused", {0, 'a', 255, 256, 0x20AC, 'b', 13}, "ab"},
        {"Tab and Escape pressed are not taken", {0, 'a', 9, 27, 'b', 13}, "ab"},
        {"other control codes are not taken", {0, 'a', 1, 10, 31, 'b', 13}, "ab"},
    };
    for (const Case& c : cases) {
        seam::Reset();
        QueueKeys(c.keys);
        EXPECT_EQ(ReadLine(), c.line) << c.what;
        EXPECT_EQ(seam::Frames(), c.keys.size()) << c.what << ": returns in Enter's frame";
    }
}

TEST_F(CommandLine, OnlyTheFirstFramesLastKeyCounts)
{
    struct Case {
        std::vector<SDL_Event> first;
        std::string line;
    } cases[] = {
        {{KeyDown('a'), KeyDown(13)}, ""},
        {{KeyDown(13), KeyDown('a')}, "b"},
    };
    for (const Case& c : cases) {
        seam::Reset();
        seam::QueueFrame(c.first);
        QueueKeys({'b', 13});
        EXPECT_EQ(ReadLine(), c.line);
    }
}

TEST_F(CommandLine, HoldsAtMost492Characters)
{
    ASSERT_EQ(CommandLineLimit, 492u);
    seam::QueueIdle(1);
    for (int i = 0; i < 500; ++i)
        seam::QueueKey('a');
    QueueKeys({8, 'b', 'c', 13});
    char buffer[512];
    EXPECT_EQ(ReadLine(buffer), std::string(491, 'a') + "b");
    EXPECT_EQ(std::string(buffer + 493, 512 - 493), std::string(512 - 493, Unwritten))
        << "nothing written past the limit's NUL";
}

namespace {

constexpr uint32_t Marker = 0x00ABCDEF;

// R when the Screen was drawn anew since the previous frame (the marker is gone), - when not.
void LogRedraw()
{
    FrameLog += PixelAt(0, 0) == Marker ? '-' : 'R';
    PixelAt(0, 0) = Marker;
}

}  // namespace

TEST_F(CommandLine, RedrawsAfterEveryKeyButEnter)
{
    // Each letter tells whether the key of the frame before was followed by a redraw.
    StartFrameLog(LogRedraw);
    seam::QueueKey('x');                                // the first frame: not taken, no redraw
    QueueKeys({'a', 0});                                // accepted; nothing
    seam::QueueFrame({KeyDown(0, SDLK_LSHIFT)});        // a key without a character
    QueueKeys({9});                                     // Tab
    seam::QueueKey(27, SDLK_ESCAPE);                    // Escape pressed
    QueueKeys({255, 8, 8, 13});                         // refused; backspace; on empty; Enter
    ReadLine();
    EXPECT_EQ(FrameLog, "R-R--RRRRR");
}

TEST_F(CommandLine, RefusedAtTheLimitButRedrawn)
{
    StartFrameLog(LogRedraw);
    seam::QueueIdle(1);
    for (size_t i = 0; i < CommandLineLimit; ++i)
        seam::QueueKey('a');
    QueueKeys({'b', 0, 13});
    EXPECT_EQ(ReadLine(), std::string(CommandLineLimit, 'a'));
    EXPECT_EQ(FrameLog.substr(FrameLog.size() - 3), "RR-") << "the refused key redraws";
}

namespace {

Pixels LastScreen;

void KeepScreen()
{
    LastScreen = Snapshot();
}

}  // namespace

TEST_F(CommandLine, EchoShowsTheLineAsTyped)
{
    UseRoomPicture();
    struct Case {
        const char* typed;
        const char* shown;
    } cases[] = {
        {"mirar animal", ">mirar animal"},
        {"al 50%% %d", ">al 50%% %d"},
        {"a\x7F\x90\xA0" "b", ">ab"},
        {"", ">"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        seam::Reset();
        StartFrameLog(KeepScreen);
        seam::QueueIdle(1);
        seam::QueueText(c.typed);
        QueueKeys({13});
        EXPECT_EQ(ReadLine(), c.typed);
        EXPECT_EQ(Difference(LastScreen, PageReference("Uno\nDos", c.shown)), "");
    }
}

TEST_F(CommandLine, EscapeReleasedWhileTypingEndsWithZero)
{
    EXPECT_EXIT(
        {
            AllowExit();
            seam::QueueIdle(1);
            QueueKeys({'a', 27});
            seam::QueueFrame({seam::KeyUp(SDLK_ESCAPE)});
            ReadLine();
            exit(7);
        },
        testing::ExitedWithCode(0), "");
}
