// What the desktop voice says for each fact the game tells, and its keys.
#include "platforms/voice/voice.h"

#include "platforms/spoken/spoken.h"

namespace {

// The last page, title or ending said: what F3 says again.
std::string Last;

// F2 to F5 act when released, as Escape does: a held key's repeats, and those the SDL 1.2
// compatibility library goes on sending after a quick press, are not presses.
bool Held[4] = {};

void SayAgainable(const std::string& words)
{
    Last = words;
    VoiceSay(Last.c_str());
}

}  // namespace

void VoiceHears(const shown::Event& event)
{
    using shown::What;
    switch (event.what) {
    case What::Title:
        SayAgainable(std::string(spoken::TitleWords) + ' ' + spoken::VoiceKeysWords);
        break;
    case What::Begun:
    case What::Turned:
    case What::Command:
        VoiceStop();
        break;
    case What::Typing:  // the whole page as its first glyph shows, as a reader reads it
        SayAgainable(spoken::PageWords(event));
        break;
    case What::Line:
        if (!event.text.empty())
            SayAgainable(std::string(event.text));
        break;
    case What::Typed:
    case What::Erased:
        VoiceEcho(event.text[0]);
        break;
    case What::Ending:
        SayAgainable(spoken::EndingWords(event.ending));
        break;
    case What::Scaled:  // nothing the window shows: F3 keeps the page
        VoiceStop();
        VoiceSay(
            (std::string(spoken::ScaleWords) + ' ' + std::to_string(event.scale) + '.').c_str());
        break;
    case What::Page:
        break;
    }
}

void VoiceKey(SDLKey key, bool down)
{
    if ((key == SDLK_LCTRL || key == SDLK_RCTRL) && down) {
        VoiceStop();
        return;
    }
    if (key < SDLK_F2 || key > SDLK_F5)
        return;
    bool& held = Held[key - SDLK_F2];
    const bool released = !down && held;
    held = down;
    if (!released)
        return;
    if (key == SDLK_F2) {
        VoiceSwitch();
    } else if (key == SDLK_F3 && !Last.empty()) {
        VoiceStop();
        VoiceSay(Last.c_str());
    } else if (key != SDLK_F3) {
        VoiceRate(key == SDLK_F4 ? -1 : +1);
    }
}
