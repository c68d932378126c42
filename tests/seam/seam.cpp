// The test seam's clock and keyboard, linked in place of SDL's through --wrap.
#include "tests/seam/seam.h"

#include <cstdlib>
#include <deque>

extern "C" {
SDL_Surface* __real_SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags);
}

namespace {

uint32_t Clock = 0;
std::vector<uint32_t> DelayLog;
std::deque<std::vector<SDL_Event>> Pending;
std::vector<SDL_Event> Current;
size_t CurrentIndex = 0;
bool InPump = false;
uint64_t FrameCount = 0;
uint64_t IdleRun = 0;
uint64_t IdleLimit = 100000;
void (*Hook)() = nullptr;
bool VideoFails = false;

}  // namespace

namespace seam {

void Reset()
{
    Clock = 0;
    DelayLog.clear();
    Pending.clear();
    Current.clear();
    CurrentIndex = 0;
    InPump = false;
    FrameCount = 0;
    IdleRun = 0;
    Hook = nullptr;
    VideoFails = false;
}

uint32_t Now()
{
    return Clock;
}
void AdvanceClock(uint32_t ms)
{
    Clock += ms;
}
const std::vector<uint32_t>& Delays()
{
    return DelayLog;
}
uint64_t Frames()
{
    return FrameCount;
}

SDL_Event KeyDown(uint16_t unicode, SDLKey sym)
{
    SDL_Event e = {};
    e.type = SDL_KEYDOWN;
    e.key.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = sym;
    e.key.keysym.unicode = unicode;
    return e;
}

SDL_Event KeyUp(SDLKey sym)
{
    SDL_Event e = {};
    e.type = SDL_KEYUP;
    e.key.type = SDL_KEYUP;
    e.key.state = SDL_RELEASED;
    e.key.keysym.sym = sym;
    return e;
}

SDL_Event Quit()
{
    SDL_Event e = {};
    e.type = SDL_QUIT;
    return e;
}

void QueueFrame(const std::vector<SDL_Event>& events)
{
    Pending.push_back(events);
}
void QueueKey(uint16_t unicode, SDLKey sym)
{
    QueueFrame({KeyDown(unicode, sym)});
}

void QueueText(const char* latin1)
{
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(latin1); *p; ++p)
        QueueKey(*p);
}

void QueueIdle(int frames)
{
    for (int i = 0; i < frames; ++i)
        QueueFrame({});
}

size_t QueuedFrames()
{
    return Pending.size();
}

void QueueNow(const SDL_Event& event)
{
    if (Pending.empty())
        Pending.push_back({});
    Pending.front().push_back(event);
}

void SetFrameHook(void (*hook)())
{
    Hook = hook;
}
void SetIdleLimit(uint64_t frames)
{
    IdleLimit = frames;
}
void FailVideoMode(bool fail)
{
    VideoFails = fail;
}

void UseHeadlessVideo()
{
    // MinGW has no setenv; SDL has a putenv everywhere.
    if (!SDL_getenv("SDL_VIDEODRIVER"))
        SDL_putenv(const_cast<char*>("SDL_VIDEODRIVER=dummy"));
}

}  // namespace seam

extern "C" {

Uint32 __wrap_SDL_GetTicks(void)
{
    return Clock;
}

void __wrap_SDL_Delay(Uint32 ms)
{
    DelayLog.push_back(ms);
    Clock += ms;
}

// A pump calls this until it returns 0; the first call of a pump starts a new frame.
int __wrap_SDL_PollEvent(SDL_Event* event)
{
    if (!InPump) {
        InPump = true;
        ++FrameCount;
        if (Hook)
            Hook();
        Current.clear();
        CurrentIndex = 0;
        if (!Pending.empty()) {
            Current = Pending.front();
            Pending.pop_front();
            IdleRun = 0;
        } else if (IdleLimit && ++IdleRun >= IdleLimit) {
            Current = {seam::KeyUp(SDLK_ESCAPE)};
        }
    }
    if (CurrentIndex < Current.size()) {
        if (event)
            *event = Current[CurrentIndex];
        ++CurrentIndex;
        return 1;
    }
    InPump = false;
    return 0;
}

SDL_Surface* __wrap_SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags)
{
    if (VideoFails) {
        SDL_SetError("video mode refused by the test");
        return nullptr;
    }
    return __real_SDL_SetVideoMode(width, height, bpp, flags);
}

}  // extern "C"
