// The scripted player: a key for every wait, and the game's rules checked turn by turn.
#include "tests/soak/player.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <unistd.h>

#include "console/console.h"
#include "rooms/rooms.h"
#include "shell/shell.h"
#include "tests/seam/seam.h"

extern "C" {
void __real_ReadCommandLine(char* line);
void __real_Narrate(const char* text, const char* kind);
}

namespace player {

const char* const StepNames[7] = {"rat injected", "corridor dark", "lighter lit",
                                  "cable mended", "dog shot",      "rat taken",
                                  "shotgun taken"};

}  // namespace player

namespace {

// The flags in the order of the flag table.
enum Flag { RatIn, Dark, Lit, Loose, Shotgun, Dead, Rat, FlagCount };
int32_t* const Flags[FlagCount] = {&RatInCorridor, &CorridorDark, &LighterLit, &DogLoose,
                                   &ShotgunTaken,  &DogDead,      &RatTaken};
using FlagValues = std::array<int32_t, FlagCount>;

// The steps of the flag chain: the room and the line's turn in which a step may happen,
// the flags it needs at 1, and what it sets. Any other change of the flags is a fault.
struct Step {
    RoomHandler room;
    int needs[2];      // flags that must be 1 before (-1: none)
    int sets[2][2];    // {flag, value} pairs (flag -1: none)
};

// room        needs            sets
const Step Steps[7] = {
    {Laboratory, {-1, -1},       {{RatIn, 1}, {-1, 0}}},
    {Corridor,   {RatIn, -1},    {{Dark, 1}, {RatIn, 0}}},
    {Corridor,   {Dark, -1},     {{Lit, 1}, {Dark, 0}}},
    {Corridor,   {Lit, -1},      {{Loose, 1}, {Lit, 0}}},
    {Laboratory, {Loose, Shotgun}, {{Dead, 1}, {Loose, 0}}},
    {Laboratory, {Dead, -1},     {{Rat, 1}, {-1, 0}}},
    {RestRoom,   {-1, -1},       {{Shotgun, 1}, {-1, 0}}},
};

// A generous bound on the frames of one game, against a wait that never ends.
constexpr uint64_t FramesPerLine = 20000;

std::vector<std::string> Script;
size_t NextLine = 0;
void (*Watcher)(uint64_t, std::vector<SDL_Event>*) = nullptr;
int ReportFd = -1;
player::Record Rec;

// Keys waiting for their frames, one per frame; type 0 stands for a frame without a key.
std::deque<SDL_Event> Keys;
bool AtCommandLine = false;
bool EnterNext = true;   // elsewhere, Enter and space by turns answer every wait
bool EndExpected = false;

// The line being answered: the room it was typed in, the flags then, its answers so far.
bool LineActive = false;
RoomHandler LineRoom = nullptr;
FlagValues FlagsAtLine = {};
uint32_t LineAnswers = 0;
std::string LineSubmitted;

// With SOMBRIAL_PLAYER_TRACE set, every line is written to the standard error with the
// room it was typed in and the flags then.
const bool Trace = getenv("SOMBRIAL_PLAYER_TRACE") != nullptr;

const char* RoomName(RoomHandler room)
{
    if (room == Laboratory) return "Laboratory";
    if (room == Corridor) return "Corridor";
    if (room == ExitDoor) return "ExitDoor";
    if (room == RestRoom) return "RestRoom";
    return "?";
}

[[noreturn]] void Violation(const char* what, const std::string& detail = "")
{
    fprintf(stderr, "\nRULE BROKEN after %u lines, frame %llu: %s %s\n", Rec.linesTyped,
            static_cast<unsigned long long>(seam::Frames()), what, detail.c_str());
    if (LineActive)
        fprintf(stderr, "  last line: [%s]\n", LineSubmitted.c_str());
    abort();
}

FlagValues Now()
{
    FlagValues v;
    for (int i = 0; i < FlagCount; ++i)
        v[i] = *Flags[i];
    return v;
}

std::string Show(const FlagValues& v)
{
    std::string s;
    for (int32_t f : v)
        s += std::to_string(f);
    return s;
}

// The flags after the turn of the last line: unchanged, or moved by one step of the chain
// that the room the line was typed in may take from where they stood.
void CheckTurn()
{
    FlagValues now = Now();
    for (int32_t f : now)
        if (f != 0 && f != 1)
            Violation("a flag holds neither 0 nor 1:", Show(now));
    if (!LineActive) {
        if (now != FlagValues{})
            Violation("flags set before the first line:", Show(now));
        return;
    }
    // While the dog is loose and alive, every line in the laboratory is the shot or death,
    // and death never comes back here.
    bool encounter = LineRoom == Laboratory && FlagsAtLine[Loose] == 1 && FlagsAtLine[Dead] == 0;
    if (now == FlagsAtLine) {
        if (encounter)
            Violation("the loose dog let the player be after", "[" + LineSubmitted + "]");
        return;
    }
    for (int s = 0; s < 7; ++s) {
        const Step& step = Steps[s];
        if (step.room != LineRoom)
            continue;
        bool ready = true;
        for (int need : step.needs)
            ready = ready && (need < 0 || FlagsAtLine[need] == 1);
        FlagValues after = FlagsAtLine;
        for (const auto& set : step.sets)
            if (set[0] >= 0)
                after[set[0]] = set[1];
        if (ready && after == now) {
            ++Rec.steps[s];
            return;
        }
    }
    Violation("the flags moved outside the chain:", Show(FlagsAtLine) + " -> " + Show(now));
}

// What the command line must return for the keys typed after its first, empty frame.
std::string Typed(const std::string& keys)
{
    std::string line;
    for (unsigned char c : keys) {
        if (c >= 32 && c <= 254) {
            if (line.size() < CommandLineLimit)
                line += static_cast<char>(c);
        } else if (c == 8 && !line.empty()) {
            line.pop_back();
        }
    }
    return line;
}

void OnFrame()
{
    uint64_t frame = seam::Frames();
    Rec.frames = frame;
    if (EndExpected)
        Violation("the game went on after Escape or the window's closing");
    if (frame > FramesPerLine * (Script.size() + 2))
        Violation("no end in sight: a wait that never ends");

    std::vector<SDL_Event> extra;
    if (Watcher)
        Watcher(frame, &extra);
    std::vector<SDL_Event> events;
    if (!Keys.empty()) {
        const SDL_Event& key = Keys.front();
        if (key.type)
            events.push_back(key);
        // Escape released: the game must end inside this frame.
        if (key.type == SDL_KEYUP && key.key.keysym.sym == SDLK_ESCAPE)
            EndExpected = true;
        Keys.pop_front();
    } else if (!AtCommandLine) {
        events.push_back(seam::KeyDown(EnterNext ? 13 : ' '));
        EnterNext = !EnterNext;
    }
    events.insert(events.end(), extra.begin(), extra.end());
    seam::QueueFrame(events);
}

void AtExit()
{
    if (Rec.end == player::End::None)
        Violation("the game ended with neither an ending nor Escape");
    if (ReportFd >= 0) {
        std::string line = player::Describe(Rec) + "\n";
        if (write(ReportFd, line.data(), line.size()) < 0)
            _exit(3);
    }
}

}  // namespace

extern "C" {

void __wrap_ReadCommandLine(char* line)
{
    CheckTurn();
    SDL_Event idle = {};
    if (NextLine == Script.size()) {
        Rec.end = player::End::Escape;
        Keys.assign({seam::KeyUp(SDLK_ESCAPE)});
        AtCommandLine = true;
        __real_ReadCommandLine(line);
        Violation("the game went on after Escape was released");
    }
    const std::string& keys = Script[NextLine++];
    Keys.push_back(idle);  // the first frame's key would not count
    for (unsigned char c : keys)
        Keys.push_back(seam::KeyDown(c));
    Keys.push_back(seam::KeyDown(13));
    AtCommandLine = true;
    __real_ReadCommandLine(line);
    AtCommandLine = false;

    if (!Keys.empty())
        Violation("the line ended before its Enter");
    std::string want = Typed(keys);
    if (want != line)
        Violation("the line came back as", std::string("[") + line + "], typed [" + want + "]");
    ++Rec.linesTyped;
    if (Trace)
        fprintf(stderr, "%s %s [%s]\n", RoomName(CurrentRoom), Show(Now()).c_str(), line);
    LineActive = true;
    LineRoom = CurrentRoom;
    FlagsAtLine = Now();
    LineAnswers = 0;
    LineSubmitted = line;
}

void __wrap_Narrate(const char* text, const char* kind)
{
    bool death = kind && strcmp(kind, "gameover") == 0;
    bool chapterEnd = kind && strcmp(kind, "fin") == 0;
    bool known = death || chapterEnd || (kind && strcmp(kind, "txt") == 0);
    // Text narrated after a move is the new room's entry, not an answer.
    if (known && LineActive && CurrentRoom == LineRoom) {
        if (++LineAnswers > 1)
            Violation("a second answer to one line:", text ? text : "(null)");
        ++Rec.answers;
    }
    if (death) {
        if (!LineActive || LineRoom != Laboratory || !DogLoose || DogDead || Now() != FlagsAtLine)
            Violation("death where the dog could not kill:", Show(Now()));
        Rec.end = player::End::Death;
    }
    if (chapterEnd) {
        if (!LineActive || LineRoom != ExitDoor || !RatTaken || LineSubmitted != "746")
            Violation("the chapter ended without the rat and the code");
        Rec.end = player::End::ChapterEnd;
    }
    __real_Narrate(text, kind);
    if (death || chapterEnd)
        Violation("an ending returned to the game");
}

}  // extern "C"

namespace player {

void SetScript(const std::vector<std::string>& lines) { Script = lines; }
void SetFrameWatcher(void (*watch)(uint64_t, std::vector<SDL_Event>*)) { Watcher = watch; }
void SetReportDescriptor(int fd) { ReportFd = fd; }
const Record& Seen() { return Rec; }

void ExpectEndNow()
{
    // Checked at the next frame: the game must have ended inside this one.
    if (Rec.end == End::None)
        Rec.end = End::Escape;
    EndExpected = true;
}

std::string Describe(const Record& r)
{
    static const char* const ends[] = {"none", "escape", "death", "chapter-end"};
    std::string s = std::string("end=") + ends[static_cast<int>(r.end)] +
                    " lines=" + std::to_string(r.linesTyped) +
                    " answers=" + std::to_string(r.answers) +
                    " frames=" + std::to_string(r.frames) + " steps=";
    for (int i = 0; i < 7; ++i)
        s += (i ? "," : "") + std::to_string(r.steps[i]);
    return s;
}

void Play()
{
    atexit(AtExit);
    seam::UseHeadlessVideo();
    seam::Reset();
    seam::SetIdleLimit(0);  // the player's own bound ends a hang
    seam::SetFrameHook(OnFrame);
    GameMain(0, nullptr);
    Violation("GameMain returned");
}

}  // namespace player
