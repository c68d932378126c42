// Message kinds: "txt" queues game text; "fin" and "gameover" play an ending and exit.
#include "console/console.h"

#include <array>
#include <cstdlib>
#include <cstring>

#include "assets/assets.h"
#include "frame/frame.h"
#include "shown/shown.h"

namespace {

// A kind is matched over at most this many characters: in effect the whole name.
constexpr size_t KindLength = 32;

struct MessageKind {
    const char* name;
    const unsigned char* picture;  // the ending's full-window picture; null for "txt"
    const uint32_t* pictureSize;
    shown::EndingKind ending;  // which ending the front end is told waits
};

// clang-format off
// name        picture              pictureSize              ending
const std::array<MessageKind, 3> MessageKinds = {{
    {"txt",      nullptr,            nullptr,                 shown::EndingKind::None},
    {"fin",      ChapterEndPicture,  &ChapterEndPictureSize,  shown::EndingKind::ChapterEnd},
    {"gameover", GameOverPicture,    &GameOverPictureSize,    shown::EndingKind::GameOver},
}};
// clang-format on

const MessageKind* FindKind(const char* kind)
{
    for (const MessageKind& k : MessageKinds)
        if (strncmp(kind, k.name, KindLength) == 0)
            return &k;
    return nullptr;
}

// All pending narration, each page closed by space, then the picture until Enter.
[[noreturn]] void PlayEnding(const MessageKind& kind)
{
    ShowFinalNarration();
    shown::Tell(shown::Event::Ending(kind.ending));
    SetBackdrop(LoadEmbeddedImage(kind.picture, *kind.pictureSize, "BMP"));
    SDL_FillRect(Screen, nullptr, 0);
    DrawBackdrop(FullPictureRows);
    PresentFrame();
    while (LastKey != KeyEnter)
        PresentFrame();
    exit(0);
}

}  // namespace

void Narrate(const char* text, const char* kind)
{
    const MessageKind* found = kind ? FindKind(kind) : nullptr;
    if (!found)
        return;  // an unknown kind shows nothing and drops the text
    SDL_FillRect(Screen, nullptr, 0);
    DrawBackdrop(RoomPictureRows);
    AppendNarration(text);
    if (found->picture)
        PlayEnding(*found);
}
