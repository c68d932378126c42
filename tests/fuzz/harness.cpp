// The fuzz targets' game: the real start-up on the seam, and the frame guard.
#include "tests/fuzz/harness.h"

#include "console/console.h"
#include "frame/frame.h"
#include "shell/shell.h"
#include "tests/seam/seam.h"

namespace {

void (*PerFrame)() = nullptr;
uint64_t MaxFrames = 0;

void OnFrame()
{
    if (seam::Frames() > MaxFrames)
        fuzz::Fail("a wait that never ends");
    if (PerFrame)
        PerFrame();
}

}  // namespace

namespace fuzz {

void StartGame()
{
    seam::UseHeadlessVideo();
    InitApplication();
}

void NewRun(void (*perFrame)(), uint64_t maxFrames)
{
    seam::Reset();
    seam::SetIdleLimit(0);  // the guard ends a hang; an Escape would exit instead
    seam::SetFrameHook(OnFrame);
    PerFrame = perFrame;
    MaxFrames = maxFrames;
    LastKey = 0;
    PreviousFrameTick = 0;
    SetBackdrop(nullptr);
    NarrationBuffer[0] = '\0';
}

}  // namespace fuzz
