// sombrial-autoplay: plays the real game from a script on the dummy video driver and a
// virtual clock, and reports every prompt and ending as JSON Lines.
//
// usage: sombrial-autoplay [--shots DIR] SCRIPT
//
// --shots DIR saves the Screen as BMP files: title.bmp, page-N-K.bmp (page K of the narration
// before command line N, at its prompt), prompt-N.bmp (command line N, before any key),
// line-N.bmp (command line N with its line typed, before the Enter) and ending.bmp.
//
// The game keeps no code for this: the tool links the game's core with the test seam's
// clock and keyboard, and wraps (linker --wrap) the few calls it watches: the typewriter
// layout, the command line, Narrate and exit.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "console/console.h"
#include "font/font.h"
#include "rooms/rooms.h"
#include "shell/shell.h"
#include "tests/seam/seam.h"

extern "C" {
void __real_LayoutTypewriter(int32_t* penX, int32_t* penY, LayoutState* state);
void __real_ReadCommandLine(char* line);
void __real_Narrate(const char* text, const char* kind);
[[noreturn]] void __real_exit(int status);
}

namespace {

enum class Wait {
    Title,          // the next frame shows the title: press Enter
    Nothing,        // typing out, or between waits: no key
    PagePrompt,     // "<Pulsa espacio>" is up: press space
    CommandLine,    // the command line's first frame: typed keys are queued
    EndingPicture,  // the ending picture is up: press Enter
};

std::vector<std::u16string> Script;
size_t NextLine = 0;
std::string ShotsDir;

Wait Waiting = Wait::Title;
Wait AfterPrompt = Wait::Nothing;
bool CommandLineShot = false;
bool LineTyped = false;  // the script gives the current command line a non-empty line
int PromptCount = 0;
int PageCount = 0;
const char* Ending = nullptr;

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
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
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
    if (CurrentRoom == Laboratory) return "Laboratory";
    if (CurrentRoom == Corridor) return "Corridor";
    if (CurrentRoom == ExitDoor) return "ExitDoor";
    if (CurrentRoom == RestRoom) return "RestRoom";
    return "";
}

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

void Shot(const std::string& name)
{
    if (!ShotsDir.empty())
        SDL_SaveBMP(Screen, (ShotsDir + "/" + name).c_str());
}

// --- The player's hands: called at the start of every frame's event pump. ---

void OnFrame()
{
    switch (Waiting) {
    case Wait::Title:
        Shot("title.bmp");
        seam::QueueKey(13);
        Waiting = Wait::Nothing;
        break;
    case Wait::PagePrompt:
        Shot("page-" + std::to_string(PromptCount + 1) + "-" + std::to_string(PageCount) + ".bmp");
        seam::QueueKey(' ');
        Waiting = AfterPrompt;
        break;
    case Wait::CommandLine:
        if (!CommandLineShot) {
            Shot("prompt-" + std::to_string(PromptCount) + ".bmp");
            CommandLineShot = true;
        } else if (LineTyped && seam::QueuedFrames() == 1) {
            // Only the Enter is left: the whole line stands in the echo.
            Shot("line-" + std::to_string(PromptCount) + ".bmp");
        }
        break;
    case Wait::EndingPicture:
        printf("{\"ending\": \"%s\", %s}\n", Ending, Shown().c_str());
        fflush(stdout);
        Shot("ending.bmp");
        seam::QueueKey(13);
        Waiting = Wait::Nothing;
        break;
    case Wait::Nothing:
        break;
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
        if (c >= 0xF0) { code = c & 0x07; length = 4; }
        else if (c >= 0xE0) { code = c & 0x0F; length = 3; }
        else if (c >= 0xC0) { code = c & 0x1F; length = 2; }
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

// --- What the tool watches in the game ---

extern "C" {

void __wrap_LayoutTypewriter(int32_t* penX, int32_t* penY, LayoutState* state)
{
    if (!state->text || !state->text[0]) {  // nothing to show: no page, no frame
        __real_LayoutTypewriter(penX, penY, state);
        return;
    }
    if (!Displayed) {
        Displayed = true;
        Narration = NarrationBuffer;  // as it stood when its display began
        Pages.clear();
        PageCount = 0;
    }
    Waiting = Wait::Nothing;
    const std::string text = state->text ? state->text : "";
    __real_LayoutTypewriter(penX, penY, state);
    ++PageCount;
    if (PageBreak) {
        Pages.push_back(text.substr(0, static_cast<size_t>(PageBreak)));
        Waiting = Wait::PagePrompt;
        AfterPrompt = Wait::Nothing;
    } else {
        Pages.push_back(text);
        if (Ending) {  // the last page of an ending waits for space, then the picture shows
            Waiting = Wait::PagePrompt;
            AfterPrompt = Wait::EndingPicture;
        }
    }
}

void __wrap_ReadCommandLine(char* line)
{
    ++PromptCount;
    if (!Displayed) {  // nothing typed out: what stands above the line is all there is
        Narration = NarrationBuffer;
        Pages.clear();
        if (!Narration.empty())
            Pages.push_back(Narration);
    }
    printf("{\"prompt\": %d, \"room\": \"%s\", %s}\n", PromptCount, RoomName(), Shown().c_str());
    fflush(stdout);

    seam::QueueIdle(1);  // keys of the line's first frame would not be taken
    LineTyped = NextLine < Script.size() && !Script[NextLine].empty();
    if (NextLine < Script.size()) {
        for (char16_t key : Script[NextLine++])
            seam::QueueKey(static_cast<uint16_t>(key));
        seam::QueueKey(13);
    } else {
        seam::QueueFrame({seam::KeyUp(SDLK_ESCAPE)});
    }
    Waiting = Wait::CommandLine;
    CommandLineShot = false;
    __real_ReadCommandLine(line);

    Waiting = Wait::Nothing;
    Displayed = false;
    Narration.clear();
    Pages.clear();
}

void __wrap_Narrate(const char* text, const char* kind)
{
    if (kind && (strcmp(kind, "fin") == 0 || strcmp(kind, "gameover") == 0))
        Ending = strcmp(kind, "fin") == 0 ? "fin" : "gameover";
    __real_Narrate(text, kind);
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
    const char* script = nullptr;
    if (argc == 4 && strcmp(argv[1], "--shots") == 0) {
        ShotsDir = argv[2];
        script = argv[3];
    } else if (argc == 2 && argv[1][0] != '-') {
        script = argv[1];
    }
    if (!script) {
        fprintf(stderr, "usage: sombrial-autoplay [--shots DIR] SCRIPT\n");
        return 2;
    }
    if (!ReadScript(script)) {
        fprintf(stderr, "sombrial-autoplay: cannot read %s\n", script);
        return 2;
    }
    seam::UseHeadlessVideo();
    seam::SetFrameHook(OnFrame);
    return GameMain(0, nullptr);
}
