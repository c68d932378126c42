// The Windows program's listener: what the game tells goes to its voice, whose thread starts
// with the title.
#include "platforms/voice/voice.h"

void shown::Tell(const shown::Event& event)
{
    if (event.what == shown::What::Title)
        VoiceStart();
    VoiceHears(event);
}
