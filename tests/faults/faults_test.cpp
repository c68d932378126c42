// Faults: the video mode failing, the glyph sheet or a picture failing to decode, and the
// game ended by Escape or by closing the window at sampled frames of a whole chapter.
// Decoding failures are injected by wrapping IMG_LoadTyped_RW (linker --wrap); the games
// are played by the scripted player, which checks the game's rules as it goes.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "SDL_image.h"
#include "rooms/rooms.h"
#include "shell/shell.h"
#include "tests/seam/seam.h"
#include "tests/soak/player.h"
#include "tests/unit/game_fixture.h"

namespace {

bool FailPictures = false;   // "BMP": the eight pictures and the icon
bool FailGlyphSheet = false; // "TGA": the glyph sheet

}  // namespace

extern "C" {

SDL_Surface* __real_IMG_LoadTyped_RW(SDL_RWops* src, int freesrc, char* type);

SDL_Surface* __wrap_IMG_LoadTyped_RW(SDL_RWops* src, int freesrc, char* type)
{
    bool fail = (FailPictures && strcmp(type, "BMP") == 0) ||
                (FailGlyphSheet && strcmp(type, "TGA") == 0);
    if (!fail)
        return __real_IMG_LoadTyped_RW(src, freesrc, type);
    if (freesrc && src)
        SDL_RWclose(src);  // the decoder would have closed it
    SDL_SetError("decoding refused by the test");
    return nullptr;
}

}  // extern "C"

namespace {

// The chapter played from start to end, as the scripted player types it.
std::vector<std::string> ChapterScript()
{
    std::ifstream file(CHAPTER_SCRIPT, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);)
        lines.push_back(line);
    if (lines.empty()) {
        fprintf(stderr, "no script at %s\n", CHAPTER_SCRIPT);
        abort();
    }
    return lines;
}

uint32_t Pixel(int x, int y)
{
    return static_cast<uint32_t*>(Screen->pixels)[y * Screen->pitch / 4 + x];
}

// Any pixel that is not black in rows [top, bottom).
bool InkIn(int top, int bottom)
{
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < ScreenWidth; ++x)
            if (Pixel(x, y))
                return true;
    return false;
}

bool TextSeen = false;

// Under the room pictures (the title covers the whole window) nothing is ever drawn.
void TextAreaStaysBlack(uint64_t frame, std::vector<SDL_Event>*)
{
    if (CurrentRoom && InkIn(RoomPictureRows + 1, ScreenHeight)) {
        fprintf(stderr, "text drawn at frame %llu without a glyph sheet\n",
                static_cast<unsigned long long>(frame));
        abort();
    }
}

// While the game is in a room (the title and ending pictures are the whole window), the
// picture area stays black; the text below it still shows.
void PictureAreaStaysBlack(uint64_t frame, std::vector<SDL_Event>*)
{
    if (!Screen)
        return;
    if (InkIn(0, RoomPictureRows + 1)) {
        fprintf(stderr, "picture drawn at frame %llu although none decoded\n",
                static_cast<unsigned long long>(frame));
        abort();
    }
    TextSeen = TextSeen || InkIn(RoomPictureRows + 1, ScreenHeight);
}

void ReportTextSeen()
{
    fprintf(stderr, "text seen: %s\n", TextSeen ? "yes" : "no");
}

}  // namespace

TEST(StartUpFaults, RefusedVideoModeExitsWithOneAndShutsSdlDown)
{
    EXPECT_EXIT(
        {
            // Runs after SDL_Quit, which start-up registers later.
            atexit([] { fprintf(stderr, "video still up: %d\n", SDL_WasInit(SDL_INIT_VIDEO) != 0); });
            seam::FailVideoMode(true);
            InitApplication();
            exit(7);
        },
        testing::ExitedWithCode(1),
        "^Unable to set 640x480 video: video mode refused by the test\nvideo still up: 0\n$");
}

TEST(StartUpFaults, GlyphSheetThatDoesNotDecodeLeavesTheGameWithoutText)
{
    EXPECT_EXIT(
        {
            dup2(2, 1);  // the loader's message is on the standard output
            FailGlyphSheet = true;
            player::SetScript({"mirar rata", "usar jeringuilla en rata", "s", "coger rata", "n"});
            player::SetFrameWatcher(TextAreaStaysBlack);
            player::SetReportDescriptor(2);
            player::Play();
        },
        testing::ExitedWithCode(0),
        "^\n ERROR: BitmapFont given a NULL surface\nend=escape lines=5 answers=4 ");
}

TEST(PictureFaults, PicturesThatDoNotDecodeLeaveTheAreaBlackAndTheChapterGoesOn)
{
    EXPECT_EXIT(
        {
            FailPictures = true;
            player::SetScript(ChapterScript());
            player::SetFrameWatcher(PictureAreaStaysBlack);
            player::SetReportDescriptor(2);
            atexit(ReportTextSeen);
            player::Play();
        },
        testing::ExitedWithCode(0), "end=chapter-end .*\ntext seen: yes\n$");
}

namespace {

// The frames at which the game is ended: all of the first ten seconds (the title, the first
// description typed out, the first line typed), then every 7th up to the chapter's end.
bool Sampled(uint64_t frame)
{
    return frame <= 400 || frame % 7 == 0;
}

bool SampleChild = false;
unsigned long Ended[2] = {};

// At a sampled frame, a copy of the game gets Escape released (or the window closed)
// in this very frame and must end with status 0 inside it; the original plays on.
void EndAtSampledFrames(uint64_t frame, std::vector<SDL_Event>* extra)
{
    if (SampleChild || !Sampled(frame))
        return;
    for (int how = 0; how < 2; ++how) {
        fflush(nullptr);
        pid_t pid = fork();
        if (pid == 0) {
            SampleChild = true;
            player::SetReportDescriptor(-1);
            extra->push_back(how ? seam::Quit() : seam::KeyUp(SDLK_ESCAPE));
            player::ExpectEndNow();
            return;
        }
        int status = 0;
        if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0) {
            fprintf(stderr, "%s at frame %llu did not end the game with status 0\n",
                    how ? "closing the window" : "Escape released",
                    static_cast<unsigned long long>(frame));
            abort();
        }
        ++Ended[how];
    }
}

void ReportSamples()
{
    if (!SampleChild)
        fprintf(stderr, "ended by Escape %lu times, by closing %lu times\n", Ended[0], Ended[1]);
}

}  // namespace

TEST(EndingFaults, EscapeOrClosingAtSampledFramesOfTheChapterEndsAtOnce)
{
    EXPECT_EXIT(
        {
            player::SetScript(ChapterScript());
            player::SetFrameWatcher(EndAtSampledFrames);
            player::SetReportDescriptor(2);
            atexit(ReportSamples);
            player::Play();
        },
        testing::ExitedWithCode(0),
        "end=chapter-end .*\nended by Escape [1-9][0-9]{2,} times, by closing [1-9][0-9]{2,} times\n$");
}
