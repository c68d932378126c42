// Start-up failures, the frame pump's pacing and keys, the title and the backdrop.
#include <cstdlib>

#include "rooms/rooms.h"
#include "tests/unit/game_fixture.h"

using seam::KeyDown;
using seam::KeyUp;

TEST(StartUp, UnknownVideoDriverIsFatal)
{
    EXPECT_EXIT(
        {
            setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
            InitApplication();
        },
        testing::ExitedWithCode(1), "^Unable to init SDL: ");
}

TEST(StartUp, RefusedVideoModeIsFatal)
{
    EXPECT_EXIT(
        {
            seam::FailVideoMode(true);
            InitApplication();
        },
        testing::ExitedWithCode(1), "^Unable to set 640x480 video: video mode refused by the test");
}

using FramePump = GameTest;

TEST_F(FramePump, PacesFramesTo25Milliseconds)
{
    struct Case {
        uint32_t work;   // virtual milliseconds spent between two frames
        uint32_t sleep;  // what the frame must then wait, 0 for no sleep at all
    } cases[] = {{0, 25}, {10, 15}, {24, 1}, {25, 0}, {40, 0}};
    for (const Case& c : cases) {
        seam::Reset();
        PresentFrame();  // lines the frame up with the virtual clock
        size_t before = seam::Delays().size();
        uint32_t start = seam::Now();
        seam::AdvanceClock(c.work);
        PresentFrame();
        if (c.sleep) {
            ASSERT_EQ(seam::Delays().size(), before + 1) << "work " << c.work;
            EXPECT_EQ(seam::Delays().back(), c.sleep) << "work " << c.work;
        } else {
            EXPECT_EQ(seam::Delays().size(), before) << "work " << c.work;
        }
        EXPECT_EQ(PreviousFrameTick, seam::Now());
        EXPECT_EQ(seam::Now() - start, c.work > 25 ? c.work : 25);
    }
}

TEST_F(FramePump, LastKeyHoldsTheFramesLastKeyDown)
{
    struct Case {
        const char* what;
        std::vector<SDL_Event> events;
        uint32_t lastKey;
    } cases[] = {
        {"no event", {}, 0},
        {"one letter", {KeyDown('a')}, 'a'},
        {"two key-downs: the later wins", {KeyDown('a'), KeyDown('b')}, 'b'},
        {"a key without character after a letter", {KeyDown('a'), KeyDown(0, SDLK_LSHIFT)}, 0},
        {"Escape pressed records 27", {KeyDown(27, SDLK_ESCAPE)}, 27},
        {"a release is not a key", {KeyDown('a'), KeyUp(SDLK_a)}, 'a'},
        {"Latin-1 character", {KeyDown(0xF1)}, 0xF1},
        {"beyond Latin-1", {KeyDown(0x20AC)}, 0x20AC},
    };
    for (const Case& c : cases) {
        seam::QueueFrame(c.events);
        PresentFrame();
        EXPECT_EQ(LastKey, c.lastKey) << c.what;
    }
    PresentFrame();
    EXPECT_EQ(LastKey, 0u) << "a key lives for one frame";
}

TEST_F(FramePump, EscapeReleasedOrWindowClosedEndsWithZero)
{
    EXPECT_EXIT(
        {
            seam::QueueFrame({KeyUp(SDLK_ESCAPE)});
            PresentFrame();
            exit(7);
        },
        testing::ExitedWithCode(0), "");
    EXPECT_EXIT(
        {
            seam::QueueFrame({seam::Quit()});
            PresentFrame();
            exit(7);
        },
        testing::ExitedWithCode(0), "");
}

namespace {

uint32_t Pixel(SDL_Surface* s, int x, int y)
{
    return static_cast<uint32_t*>(s->pixels)[y * s->pitch / 4 + x];
}

SDL_Surface* Picture(int rows)
{
    SDL_Surface* p = SDL_CreateRGBSurface(0, 640, rows, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < 640; ++x)
            static_cast<uint32_t*>(p->pixels)[y * p->pitch / 4 + x] = (y << 10) | x;
    return p;
}

}  // namespace

TEST_F(FramePump, BackdropIsPlacedAtOneOneAndClipped)
{
    const uint32_t grey = 0x00707070;
    for (int rows : {340, 480}) {
        SDL_FillRect(Screen, nullptr, grey);
        SetBackdrop(Picture(rows));
        DrawBackdrop(rows);
        EXPECT_EQ(Pixel(Screen, 0, 0), grey);
        EXPECT_EQ(Pixel(Screen, 5, 0), grey) << "top row uncovered";
        EXPECT_EQ(Pixel(Screen, 0, 5), grey) << "left column uncovered";
        EXPECT_EQ(Pixel(Screen, 1, 1), 0u);
        EXPECT_EQ(Pixel(Screen, 639, 1), 638u) << "the picture's last column is dropped";
        EXPECT_EQ(Pixel(Screen, 10, 300), (299u << 10) | 9);
        if (rows == 340) {
            EXPECT_EQ(Pixel(Screen, 10, 340), (339u << 10) | 9);
            EXPECT_EQ(Pixel(Screen, 10, 341), grey) << "below the picture stays";
        } else {
            EXPECT_EQ(Pixel(Screen, 10, 479), (478u << 10) | 9) << "last row dropped";
        }
    }
    SetBackdrop(nullptr);
    SDL_FillRect(Screen, nullptr, grey);
    DrawBackdrop(340);
    EXPECT_EQ(Pixel(Screen, 1, 1), grey) << "no Backdrop draws nothing";
}

namespace {

// Ends the child process with a code that tells in which frame the title was left.
void ExitOnceInTheFirstRoom()
{
    if (CurrentRoom)
        _exit(static_cast<int>(10 + seam::Frames()));
}

}  // namespace

TEST(TitleScreen, OnlyEnterAloneInItsFrameLeavesIt)
{
    EXPECT_EXIT(
        {
            seam::Reset();
            seam::SetFrameHook(ExitOnceInTheFirstRoom);
            seam::QueueKey('a');
            seam::QueueKey(' ');
            seam::QueueKey(27, SDLK_ESCAPE);
            seam::QueueFrame({KeyDown(13), KeyDown('x')});  // Enter overridden in its frame
            seam::QueueKey(13);                             // frame 5 leaves the title
            GameMain(0, nullptr);
        },
        testing::ExitedWithCode(16), "");
}
