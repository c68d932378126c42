// The words that carry no text of their own, said by every front end: the title, the prompt
// under a page, the endings' pictures, the voice's own; and a page as it is said.
#include "platforms/spoken/spoken.h"
#include "rooms/rooms.h"

namespace spoken {

namespace {

constexpr auto Title = Latin1("Sombrial. Pulsa Intro para empezar.");
constexpr auto VoiceKeys = Latin1("F2 apaga o enciende la voz; F3 repite lo último que ha dicho.");
constexpr auto Prompt = Latin1("Pulsa espacio para seguir.");
constexpr auto ChapterEnd = Latin1("Fin del primer capítulo. Continuará... Pulsa Intro.");
constexpr auto GameOver = Latin1("Has muerto. Pulsa Intro.");
constexpr auto Command = Latin1("Orden: ");
constexpr auto Ended = Latin1("La partida ha terminado. Pulsa Intro para jugar otra vez.");
constexpr auto VoiceOn = Latin1("Voz encendida.");
constexpr auto VoiceOff = Latin1("Voz apagada.");
constexpr auto Rate = Latin1("Velocidad");
constexpr auto Scale = Latin1("Tamaño");
constexpr auto Space = Latin1("espacio");

bool IsBlank(char c)
{
    return c == ' ' || c == '\n' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

}  // namespace

const char* const TitleWords = Title;
const char* const VoiceKeysWords = VoiceKeys;
const char* const PromptWords = Prompt;
const char* const ChapterEndWords = ChapterEnd;
const char* const GameOverWords = GameOver;
const char* const CommandWords = Command;
const char* const EndedWords = Ended;
const char* const VoiceOnWords = VoiceOn;
const char* const VoiceOffWords = VoiceOff;
const char* const RateWords = Rate;
const char* const ScaleWords = Scale;
const char* const SpaceWords = Space;

std::string PageWords(const shown::Event& page)
{
    if (!page.prompt)
        return std::string(page.text);
    // The prompt one space after the page's last word.
    size_t begin = 0, end = page.text.size();
    while (begin < end && IsBlank(page.text[begin]))
        ++begin;
    while (end > begin && IsBlank(page.text[end - 1]))
        --end;
    std::string words(page.text.substr(begin, end - begin));
    return (words.empty() ? words : words + ' ') + PromptWords;
}

const char* EndingWords(shown::EndingKind ending)
{
    return ending == shown::EndingKind::GameOver ? GameOverWords : ChapterEndWords;
}

}  // namespace spoken
