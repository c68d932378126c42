// The Linux program's listener: what the game tells goes to its voice and to the accessibility
// bridge (sombrial-atk.so, accessible.c), loaded beside the program only where ATK and
// at-spi2-atk are installed; every key is offered to the bridge first, so that a screen
// reader's commands never reach the game.
#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <atomic>
#include <string>

#include "platforms/linux/accessible.h"
#include "platforms/spoken/spoken.h"
#include "platforms/voice/voice.h"
// Last: X's headers define None, which the game's headers use as a name.
#include "SDL_syswm.h"

namespace {

// The bridge's calls, all null where it could not be loaded.
decltype(SombrialAtkStart)* Start = nullptr;
decltype(SombrialAtkUp)* Up = nullptr;
decltype(SombrialAtkChange)* Change = nullptr;
decltype(SombrialAtkKey)* Key = nullptr;

// The voice's key filter, asked after the bridge.
SDL_EventFilter VoiceFilter = nullptr;

// Whether an Orca of this user reads the window through the bridge: -1 until known.
std::atomic<int> OrcaReading{-1};

// Beside the program (a build) or in the package's private folder next to /usr/games.
void Load()
{
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return;
    std::string folder(self, static_cast<size_t>(length));
    folder.erase(folder.rfind('/'));
    void* bridge = nullptr;
    for (const char* place : {"/sombrial-atk.so", "/../lib/games/sombrial/sombrial-atk.so"})
        if (!bridge)
            bridge = dlopen((folder + place).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!bridge)
        return;
    Start = reinterpret_cast<decltype(Start)>(dlsym(bridge, "SombrialAtkStart"));
    Up = reinterpret_cast<decltype(Up)>(dlsym(bridge, "SombrialAtkUp"));
    Change = reinterpret_cast<decltype(Change)>(dlsym(bridge, "SombrialAtkChange"));
    Key = reinterpret_cast<decltype(Key)>(dlsym(bridge, "SombrialAtkKey"));
    SDL_SysWMinfo window;
    SDL_VERSION(&window.version);
    if (!Start || !Up || !Change || !Key || SDL_GetWMInfo(&window) <= 0 ||
        window.subsystem != SDL_SYSWM_X11 ||
        !Start(window.info.x11.window, window.info.x11.wmwindow))
        Start = nullptr, Up = nullptr, Change = nullptr, Key = nullptr;
}

// X's modifier mask of SDL's modifiers, as a toolkit hands it to the screen reader.
unsigned Modifiers(SDLMod mod)
{
    return (mod & KMOD_SHIFT ? ShiftMask : 0) | (mod & KMOD_CAPS ? LockMask : 0) |
           (mod & KMOD_CTRL ? ControlMask : 0) | (mod & KMOD_ALT ? Mod1Mask : 0) |
           (mod & KMOD_NUM ? Mod2Mask : 0) | (mod & KMOD_META ? Mod4Mask : 0);
}

// Every key SDL reads, before the game's pump: a key the screen reader takes is dropped; the
// others go on to the voice's keys, then to the game.
int Keys(const SDL_Event* event)
{
    if (Key && (event->type == SDL_KEYDOWN || event->type == SDL_KEYUP)) {
        const SDL_keysym& key = event->key.keysym;
        const char latin1[2] = {static_cast<char>(key.unicode < 0x100 ? key.unicode : 0), '\0'};
        if (Key(event->type == SDL_KEYDOWN, key.scancode, Modifiers(key.mod), Utf8(latin1).c_str()))
            return 0;
    }
    return VoiceFilter ? VoiceFilter(event) : 1;
}

// Whether what comes next starts a line of its own: after a page, a question or the command.
bool LineEnded = false;

// What the window shows, told to the bridge: a page as its typing begins, the command line as
// it changes, a turned page or the title left cleared away. The caret stays at the end of what
// came last, whose line the screen reader shows in braille. Quiet while the game's own voice
// speaks, so that nothing is said twice.
void Show(const shown::Event& event)
{
    using shown::What;
    const int quiet = VoiceSpeaks();
    auto append = [quiet](const std::string& latin1) {
        Change(SOMBRIAL_ATK_APPEND, Utf8(latin1.c_str()).c_str(), quiet);
    };
    auto paragraph = [&append](const std::string& latin1) {
        append(LineEnded ? '\n' + latin1 : latin1);
        LineEnded = true;
    };
    switch (event.what) {
    case What::Title:
    case What::Begun:
    case What::Turned:
        Change(SOMBRIAL_ATK_REPLACE, event.what == What::Title ? spoken::TitleWords : "", quiet);
        LineEnded = false;
        break;
    case What::Typing:
        paragraph(spoken::PageWords(event));
        break;
    case What::Line:
        if (!event.text.empty())
            paragraph(std::string(event.text));
        if (LineEnded)  // the line the player types on, by itself: nothing to say
            append("\n");
        LineEnded = false;
        break;
    case What::Typed:
        append(std::string(event.text));
        break;
    case What::Erased:
        Change(SOMBRIAL_ATK_ERASE, "", quiet);
        break;
    case What::Command:
        LineEnded = true;
        break;
    case What::Ending:
        paragraph(spoken::EndingWords(event.ending));
        break;
    case What::Page:
    case What::Scaled:
        break;
    }
}

}  // namespace

bool OrcaReads(int wait_ms)
{
    if (OrcaReading < 0) {
        const int up = Up ? Up(wait_ms) : 0;
        if (up >= 0)
            OrcaReading = up && OrcaRuns();
    }
    return OrcaReading > 0;
}

void shown::Tell(const shown::Event& event)
{
    if (event.what == shown::What::Title) {
        Load();
        VoiceStart();
        VoiceFilter = SDL_GetEventFilter();
        SDL_SetEventFilter(Keys);
    }
    if (Change)
        Show(event);
    // Orca echoes the keys it is given itself: the game's voice echoes none while it reads.
    const bool echo = event.what == shown::What::Typed || event.what == shown::What::Erased;
    if (!echo || !OrcaReads(0))
        VoiceHears(event);
}
