// Start-up failures, and the frame pump's pacing, keys and ways out.
#include <unistd.h>
#include <cstdlib>

#include "rooms/rooms.h"
#include "tests/unit/game_fixture.h"

using seam::KeyDown;
using seam::KeyUp;

TEST(StartUp, FailureExitsWithOneAfterItsMessage)
{
    struct Case {
        const char* stderrText;
        const char* driver;
        bool refuseVideoMode;
    } cases[] = {
        {"^Unable to init SDL: .*\nSDL is down\n$", "no-such-driver", false},
        {"^Unable to set 640x480 video: video mode refused by the test\nSDL is down\n$", "dummy",
         true},
    };
    for (const Case& c : cases) {
        EXPECT_EXIT(
            {
                setenv("SDL_VIDEODRIVER", c.driver, 1);
                seam::FailVideoMode(c.refuseVideoMode);
                // Registered first, so it runs last: after the SDL_Quit start-up registers.
                atexit([] {
                    fputs(SDL_WasInit(SDL_INIT_VIDEO) ? "SDL is up\n" : "SDL is down\n", stderr);
                });
                InitApplication();
            },
            testing::ExitedWithCode(1), c.stderrText);
    }
}

using FramePump = GameTest;

TEST_F(FramePump, PacesFramesTo25Milliseconds)
{
    struct Case {
        uint32_t sleep;  // what the frame must wait, 0 for no sleep at all
        uint32_t work;   // virtual milliseconds spent between two frames
    } cases[] = {{25, 0}, {15, 10}, {1, 24}, {0, 25}, {0, 40}};
    for (const Case& c : cases) {
        PresentFrame();  // lines the frame up with the virtual clock
        size_t sleeps = seam::Delays().size();
        seam::AdvanceClock(c.work);
        PresentFrame();
        EXPECT_EQ(seam::Delays().size() - sleeps, c.sleep ? 1u : 0u) << "work " << c.work;
        if (c.sleep) {
            EXPECT_EQ(seam::Delays().back(), c.sleep) << "work " << c.work;
        }
        EXPECT_EQ(PreviousFrameTick, seam::Now());
    }
}

TEST_F(FramePump, LastKeyIsTheFramesLastKeyDown)
{
    struct Case {
        uint32_t lastKey;
        std::vector<SDL_Event> events;
    } cases[] = {
        {0, {}},
        {'a', {KeyDown('a')}},
        {'b', {KeyDown('a'), KeyDown('b')}},
        {0, {KeyDown('a'), KeyDown(0, SDLK_LSHIFT)}},  // a key without a character
        {27, {KeyDown(27, SDLK_ESCAPE)}},              // Escape pressed is only a key
        {'a', {KeyDown('a'), KeyUp(SDLK_a)}},
        {0x20AC, {KeyDown(0x20AC)}},
        {0, {}},  // a key lives for one frame
    };
    for (const Case& c : cases) {
        seam::QueueFrame(c.events);
        PresentFrame();
        EXPECT_EQ(LastKey, c.lastKey) << "after " << c.events.size() << " events";
    }
}

TEST_F(FramePump, EscapeReleasedOrTheWindowClosedEndsWithZero)
{
    for (SDL_Event end : {KeyUp(SDLK_ESCAPE), seam::Quit()}) {
        EXPECT_EXIT(
            {
                seam::QueueFrame({KeyDown('a'), end});
                PresentFrame();
                exit(7);
            },
            testing::ExitedWithCode(0), "");
    }
}

TEST(TitleScreen, OnlyEnterAloneInItsFrameLeavesIt)
{
    EXPECT_EXIT(
        {
            seam::QueueKey('a');
            seam::QueueKey(KeySpace);
            seam::QueueKey(27, SDLK_ESCAPE);
            seam::QueueFrame({KeyDown(KeyEnter), KeyDown('x')});  // Enter overridden in its frame
            seam::QueueKey(KeyEnter);                             // frame 5 leaves the title
            // In the first room, the frame that left the title is the exit status.
            seam::SetFrameHook([] {
                if (CurrentRoom)
                    _exit(static_cast<int>(seam::Frames()));
            });
            GameMain(0, nullptr);
        },
        testing::ExitedWithCode(6), "");
}
