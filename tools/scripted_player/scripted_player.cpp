// sombrial-scripted-player: plays the real game from a script on the dummy video driver and a
// virtual clock, and reports every state the player waits at as JSON Lines.
//
// usage: sombrial-scripted-player [--shots DIR] [--no-screens] [--voice] [--no-pictures]
//                          [--no-font] [--escape-at FRAME | --close-at FRAME] SCRIPT
//
// SCRIPT is UTF-8 text, one command line per line: line N is typed at command line N, one
// key a frame (a backspace character is the Backspace key). Where the script has no line
// for a command line, Escape is released there. Each state is one record, in the order a
// player meets them, with the frame that first shows it and the Screen's fingerprint (the
// CRC-32 of its 640x480 pixels as red, green, blue bytes, row by row):
//   {"wait": "title"}        press Enter
//   {"wait": "page"}         "<Pulsa espacio>" under a full page: press space
//   {"wait": "prompt", ...}  command line N as its first frame shows it, with the room, the
//                            narration above it, its pages and the flags: type line N
//   {"wait": "line", ...}    line N typed (when it is not empty), before its Enter
//   {"wait": "ending", ...}  the ending picture: press Enter
//   {"exit": 0}              the program ended
//
// --shots DIR saves the Screen of each state as BMP: title.bmp, page-N-K.bmp (page K of the
// narration before command line N), prompt-N.bmp, line-N.bmp and ending.bmp.
// --no-screens leaves the fingerprints out, for long runs that check only the game's rules.
// --voice adds, in their place among the states, what the desktop voice says, with the frame
// it is said in:
//   {"voice": "say", "text": ...}  said after what is already being said
//   {"voice": "stop"}              what is still being said stops
// --no-pictures and --no-font make the decoder refuse the pictures ("BMP") or the glyph
// sheet ("TGA"), as if they did not decode.
// --escape-at and --close-at release Escape, or close the window, in that frame; the game
// must end inside it.
//
// The game keeps no code for this: the tool links the game's core with the test seam's
// clock and keyboard, listens to what the game tells every front end (shown/shown.h) and to
// the words the desktop voice makes of it (platforms/voice), and wraps (linker --wrap) the
// image decoder and exit.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "SDL_image.h"
#include "console/console.h"
#include "font/font.h"
#include "frame/frame.h"
#include "platforms/spoken/spoken.h"
#include "platforms/voice/voice.h"
#include "rooms/rooms.h"
#include "shell/shell.h"
#include "tests/seam/seam.h"

extern "C" {
SDL_Surface* __real_IMG_LoadTyped_RW(SDL_RWops* src, int freesrc, char* type);
[[noreturn]] void __real_exit(int status);
}

namespace {

enum class Wait {
    Title,          // the next frame shows the title: press Enter
    Nothing,        // typing out, or between waits: no key
    PagePrompt,     // "<Pulsa espacio>" is up: press space
    CommandLine,    // the command line's frames: typed keys are queued
    EndingPicture,  // the ending picture is up: press Enter
};

std::vector<std::u16string> Script;
size_t NextLine = 0;
std::string ShotsDir;
const char* Refused = nullptr;  // the image type the decoder refuses
bool Screens = true;            // records carry the Screen's fingerprint
bool Voice = false;             // records carry what the voice says
uint64_t EndFrame = 0;          // the frame in which the game is ended, 0 for none
SDL_Event EndEvent;

Wait Waiting = Wait::Title;
bool LineTyped = false;  // the script gives the current command line a non-empty line
int PromptCount = 0;
int PageCount = 0;
const char* Ending = nullptr;  // the ending's name in the record
std::string PromptRecord;      // the command line's record, printed when its first frame shows

bool Displayed = false;  // a page has been typed since the last line was submitted
std::string Narration;
std::vector<std::string> Pages;

// --- Output ---

std::string Json(const std::string& latin1)
{
    std::string out = "\"";
    for (unsigned char c : latin1) {
        char hex[8];
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                snprintf(hex, sizeof hex, "\\u%04x", c);
                out += hex;
            } else if (c < 0x80) {
                out += static_cast<char>(c);
            } else {  // a Latin-1 byte is the code point of the same value
                out += static_cast<char>(0xC0 | (c >> 6));
                out += static_cast<char>(0x80 | (c & 0x3F));
            }
        }
    }
    return out + "\"";
}

const char* RoomName()
{
    if (CurrentRoom == Laboratory)
        return "Laboratory";
    if (CurrentRoom == Corridor)
        return "Corridor";
    if (CurrentRoom == ExitDoor)
        return "ExitDoor";
    if (CurrentRoom == RestRoom)
        return "RestRoom";
    return "";
}

// What the player has been shown since the last line: the narration, its pages, the flags.
std::string Shown()
{
    std::string out = "\"narration\": " + Json(Narration) + ", \"pages\": [";
    for (size_t i = 0; i < Pages.size(); ++i)
        out += (i ? ", " : "") + Json(Pages[i]);
    char flags[256];
    snprintf(flags, sizeof flags,
             "], \"flags\": {\"RatInCorridor\": %d, \"CorridorDark\": %d, \"LighterLit\": %d, "
             "\"DogLoose\": %d, \"ShotgunTaken\": %d, \"DogDead\": %d, \"RatTaken\": %d}",
             RatInCorridor, CorridorDark, LighterLit, DogLoose, ShotgunTaken, DogDead, RatTaken);
    return out + flags;
}

// CRC-32 (the zlib polynomial) of the Screen as red, green, blue bytes, row by row: the
// same fingerprint the window, browser and Windows tests take of what they show.
uint32_t Fingerprint()
{
    static uint32_t table[256];
    if (!table[1])
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
    const SDL_PixelFormat* f = Screen->format;  // 32 bits, 8 to a channel
    uint32_t crc = 0xFFFFFFFFu;
    for (int y = 0; y < ScreenHeight; ++y) {
        const Uint32* row = reinterpret_cast<const Uint32*>(
            static_cast<const Uint8*>(Screen->pixels) + y * Screen->pitch);
        for (int x = 0; x < ScreenWidth; ++x) {
            for (uint32_t byte :
                 {(row[x] & f->Rmask) >> f->Rshift, (row[x] & f->Gmask) >> f->Gshift,
                  (row[x] & f->Bmask) >> f->Bshift})
                crc = table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
        }
    }
    return crc ^ 0xFFFFFFFFu;
}

// One waiting state: its record, and its shot when asked for.
void Record(const char* wait, const std::string& fields, const std::string& shot)
{
    char head[96], tail[32] = "}\n";
    snprintf(head, sizeof head, "{\"wait\": \"%s\", \"frame\": %llu", wait,
             static_cast<unsigned long long>(seam::Frames()));
    if (Screens)
        snprintf(tail, sizeof tail, ", \"screen\": \"%08x\"}\n", Fingerprint());
    printf("%s%s%s%s", head, fields.empty() ? "" : ", ", fields.c_str(), tail);
    fflush(stdout);
    if (!ShotsDir.empty())
        SDL_SaveBMP(Screen, (ShotsDir + "/" + shot).c_str());
}

// --- The player's hands: called at the start of every frame's event pump. ---

void OnFrame()
{
    switch (Waiting) {
    case Wait::Title:
        Record("title", "", "title.bmp");
        seam::QueueKey(KeyEnter);
        Waiting = Wait::Nothing;
        break;
    case Wait::PagePrompt:
        Record(
            "page", "",
            "page-" + std::to_string(PromptCount + 1) + "-" + std::to_string(PageCount) + ".bmp");
        seam::QueueKey(KeySpace);
        Waiting = Wait::Nothing;
        break;
    case Wait::CommandLine:
        if (!PromptRecord.empty()) {
            Record("prompt", PromptRecord, "prompt-" + std::to_string(PromptCount) + ".bmp");
            PromptRecord.clear();
        } else if (LineTyped && seam::QueuedFrames() == 1) {
            // Only the Enter is left: the whole line stands in the echo.
            const std::string prompt = std::to_string(PromptCount);
            Record("line", "\"prompt\": " + prompt, "line-" + prompt + ".bmp");
        }
        break;
    case Wait::EndingPicture:
        Record("ending", std::string("\"ending\": \"") + Ending + "\", " + Shown(), "ending.bmp");
        seam::QueueKey(KeyEnter);
        Waiting = Wait::Nothing;
        break;
    case Wait::Nothing:
        break;
    }
    if (EndFrame && seam::Frames() == EndFrame)
        seam::QueueNow(EndEvent);
    if (EndFrame && seam::Frames() > EndFrame) {
        fprintf(stderr, "sombrial-scripted-player: the game went on after frame %llu\n",
                static_cast<unsigned long long>(EndFrame));
        __real_exit(3);
    }
}

bool ReadScript(const char* path)
{
    FILE* f = fopen(path, "rb");
    if (!f)
        return false;
    std::string text;
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0)
        text.append(chunk, n);
    fclose(f);

    std::u16string line;
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        uint32_t code = c;
        size_t length = 1;
        if (c >= 0xF0) {
            code = c & 0x07;
            length = 4;
        } else if (c >= 0xE0) {
            code = c & 0x0F;
            length = 3;
        } else if (c >= 0xC0) {
            code = c & 0x1F;
            length = 2;
        }
        for (size_t k = 1; k < length && i + k < text.size(); ++k)
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        i += length;
        if (code == '\n') {
            Script.push_back(line);
            line.clear();
        } else if (code != '\r') {
            line += static_cast<char16_t>(code);  // a key carries 16 bits of Unicode
        }
    }
    if (!line.empty())
        Script.push_back(line);
    return true;
}

}  // namespace

// --- What the tool hears of the game: what it tells every front end ---

void shown::Tell(const shown::Event& event)
{
    using shown::What;
    switch (event.what) {
    case What::Typing:
        if (!Displayed) {
            Displayed = true;
            Narration = NarrationBuffer;  // as it stood when its display began
            Pages.clear();
            PageCount = 0;
        }
        Waiting = Wait::Nothing;
        break;
    case What::Page:
        ++PageCount;
        Pages.emplace_back(event.text);
        if (event.prompt)
            Waiting = Wait::PagePrompt;
        break;
    case What::Line:
        ++PromptCount;
        if (!Displayed) {  // nothing typed out: what stands above the line is all there is
            Narration = NarrationBuffer;
            Pages.clear();
            if (!Narration.empty())
                Pages.push_back(Narration);
        }
        PromptRecord = "\"prompt\": " + std::to_string(PromptCount) + ", \"room\": \"" +
                       RoomName() + "\", " + Shown();
        seam::QueueIdle(1);  // keys of the line's first frame would not be taken
        LineTyped = NextLine < Script.size() && !Script[NextLine].empty();
        if (NextLine < Script.size()) {
            for (char16_t key : Script[NextLine++])
                seam::QueueKey(static_cast<uint16_t>(key));
            seam::QueueKey(KeyEnter);
        } else {
            seam::QueueFrame({seam::KeyUp(SDLK_ESCAPE)});
        }
        Waiting = Wait::CommandLine;
        break;
    case What::Command:
        Waiting = Wait::Nothing;
        Displayed = false;
        Narration.clear();
        Pages.clear();
        break;
    case What::Ending:
        Ending = event.ending == shown::EndingKind::GameOver ? "gameover" : "fin";
        Waiting = Wait::EndingPicture;
        break;
    default:
        break;
    }
    if (Voice)
        VoiceHears(event);
}

// What the voice would say, as records in their place among the states.
void VoiceSay(const char* latin1)
{
    printf("{\"voice\": \"say\", \"frame\": %llu, \"text\": %s}\n",
           static_cast<unsigned long long>(seam::Frames()), Json(latin1).c_str());
    fflush(stdout);
}

// A typed character, as the voice names it.
void VoiceEcho(char typed)
{
    const char letter[2] = {typed, '\0'};
    VoiceSay(typed == ' ' ? spoken::SpaceWords : letter);
}

void VoiceStop(void)
{
    printf("{\"voice\": \"stop\", \"frame\": %llu}\n",
           static_cast<unsigned long long>(seam::Frames()));
    fflush(stdout);
}

void VoiceSwitch(void)
{
    printf("{\"voice\": \"switch\", \"frame\": %llu}\n",
           static_cast<unsigned long long>(seam::Frames()));
    fflush(stdout);
}

void VoiceRate(int step)
{
    printf("{\"voice\": \"rate\", \"frame\": %llu, \"step\": %d}\n",
           static_cast<unsigned long long>(seam::Frames()), step);
    fflush(stdout);
}

extern "C" {

SDL_Surface* __wrap_IMG_LoadTyped_RW(SDL_RWops* src, int freesrc, char* type)
{
    if (!Refused || strcmp(type, Refused) != 0)
        return __real_IMG_LoadTyped_RW(src, freesrc, type);
    if (freesrc)
        SDL_RWclose(src);  // the decoder would have closed it
    SDL_SetError("the %s image was refused", type);
    return nullptr;
}

[[noreturn]] void __wrap_exit(int status)
{
    printf("{\"exit\": %d}\n", status);
    fflush(stdout);
    __real_exit(status);
}

}  // extern "C"

int main(int argc, char** argv)
{
#ifdef _WIN32
    // The transcript is the same bytes everywhere: no "\r" before each "\n" on Windows.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    const char* script = nullptr;
    bool usage = false;
    for (int i = 1; i < argc && !usage; ++i) {
        std::string arg = argv[i];
        bool valued = arg == "--shots" || arg == "--escape-at" || arg == "--close-at";
        if (valued && i + 1 == argc) {
            usage = true;
        } else if (arg == "--shots") {
            ShotsDir = argv[++i];
        } else if (arg == "--no-screens") {
            Screens = false;
        } else if (arg == "--voice") {
            Voice = true;
        } else if (arg == "--no-pictures" || arg == "--no-font") {
            Refused = arg == "--no-font" ? "TGA" : "BMP";
        } else if (arg == "--escape-at" || arg == "--close-at") {
            EndFrame = strtoull(argv[++i], nullptr, 10);
            EndEvent = arg == "--close-at" ? seam::Quit() : seam::KeyUp(SDLK_ESCAPE);
        } else {
            usage = script || arg[0] == '-';
            script = argv[i];
        }
    }
    if (usage || !script) {
        fprintf(
            stderr,
            "usage: sombrial-scripted-player [--shots DIR] [--no-screens] [--voice]\n"
            "         [--no-pictures] [--no-font] [--escape-at FRAME | --close-at FRAME] SCRIPT\n");
        return 2;
    }
    if (!ReadScript(script)) {
        fprintf(stderr, "sombrial-scripted-player: cannot read %s\n", script);
        return 2;
    }
    seam::UseHeadlessVideo();
    seam::SetFrameHook(OnFrame);
    return GameMain(0, nullptr);
}
