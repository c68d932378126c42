// What the desktop voice says for each event of the stream, and its two keys.
#include "platforms/voice/voice.h"

namespace {

// The last page, title or ending said: what F3 says again.
std::string Last;

// The voice's keys act when released, as Escape does: a held key's repeats, and those the SDL
// 1.2 compatibility library goes on sending after a quick press, are not presses.
bool SwitchHeld = false;
bool RepeatHeld = false;

void SayAgainable(const std::string& words)
{
    Last = words;
    VoiceSay(Last.c_str());
}

// A character as a screen reader echoes it in a text field: a space is a word of its own.
void Echo(char c)
{
    const char letter[2] = {c, '\0'};
    VoiceSay(c == ' ' ? spoken::SpaceWords : letter);
}

}  // namespace

void VoiceHears(const spoken::Event& event)
{
    using spoken::Heard;
    switch (event.what) {
    case Heard::Title:
        SayAgainable(std::string(spoken::TitleWords) + ' ' + spoken::VoiceKeysWords);
        break;
    case Heard::Begun:
    case Heard::Turned:
    case Heard::Command:
        VoiceStop();
        break;
    case Heard::Page:
        SayAgainable(spoken::PageWords(event));
        break;
    case Heard::Line:
        if (event.text)
            SayAgainable(std::string(event.text, event.length));
        break;
    case Heard::Typed:
    case Heard::Erased:
        Echo(*event.text);
        break;
    case Heard::Ending:
        SayAgainable(spoken::EndingWords(event.ending));
        break;
    case Heard::Typing:
        break;
    }
}

void VoiceKey(SDLKey key, bool down)
{
    if (key != SDLK_F2 && key != SDLK_F3)
        return;
    bool& held = key == SDLK_F2 ? SwitchHeld : RepeatHeld;
    const bool released = !down && held;
    held = down;
    if (released && key == SDLK_F2) {
        VoiceSwitch();
    } else if (released && !Last.empty()) {
        VoiceStop();
        VoiceSay(Last.c_str());
    }
}
