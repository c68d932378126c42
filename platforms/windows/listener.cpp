// The Windows program's listener: what the game tells goes to its voice, whose thread starts
// with the title, and to the window's UI Automation provider, which speaks through the screen
// reader only while that voice is silent: one voice at a time.
#include "SDL.h"
#include "SDL_syswm.h"
#include "platforms/voice/voice.h"
#include "platforms/windows/uia.h"

void shown::Tell(const shown::Event& event)
{
    if (event.what == shown::What::Title) {
        VoiceStart();
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        AccessibleStart(SDL_GetWMInfo(&info) > 0 ? info.window : nullptr);
    }
    VoiceHears(event);
    AccessibleHears(event, VoiceSpeaks());
}
