// Micro-benchmarks of what a frame or a turn costs: page layout, the command line's echo,
// normalisation, a room entry and one PresentFrame, all on the dummy video driver.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "assets/assets.h"
#include "console/console.h"
#include "font/font.h"
#include "frame/frame.h"
#include "interpreter/interpreter.h"
#include "rooms/rooms.h"
#include "shell/shell.h"
#include "tests/seam/seam.h"

namespace {

// The laboratory's description: the first text the player reads, longer than a page.
constexpr auto PageText = Latin1(
    "Te encuentras en los sotanos de un laboratorio. En una pequeña sala rodeado de tubos y "
    "probetas. En una pared de la sala hay varias jaulas vacias excepto una, en la que un "
    "doberman te mira atentamente y en silencio tras los barrotes. Estas frente a una mesa y un "
    "pequeño animal yace sobre ella. Tambien puedes observar que hay una jeringuilla con un "
    "liquido verde.");

const char TypicalCommand[] = "mirar animal";

// Characters the layouts draw as a glyph (and so, typed, cost a frame each).
bool IsGlyph(unsigned char c)
{
    return (c >= 33 && c <= 126) || c >= 161;
}

int GlyphsBefore(const char* text, size_t end)
{
    int glyphs = 0;
    for (size_t i = 0; i < end && text[i]; ++i)
        glyphs += IsGlyph(static_cast<unsigned char>(text[i]));
    return glyphs;
}

// What one page of a layout drew: the text up to the page break, or all of it.
int GlyphsOnFirstPage(const char* text)
{
    PageBreak = 0;
    BitmapFont_DrawLayout(5, 350, LayoutInstant, "%s", text);
    return GlyphsBefore(text, PageBreak ? static_cast<size_t>(PageBreak) : strlen(text));
}

// A command line of exactly CommandLineLimit characters: the words that lengthen the line
// most come first, then ordinary play, so that every group searches the whole line.
std::string LongestCommand()
{
    std::string line = "mirar aguja arma pinchar meter ";
    while (line.size() < CommandLineLimit)
        line += "coger la pistola del cuarto y examinar el cable con cuidado ";
    line.resize(CommandLineLimit);
    return line;
}

void SetTimePerGlyph(benchmark::State& state, int glyphs)
{
    state.counters["glyphs"] = glyphs;
    state.counters["per_glyph"] = benchmark::Counter(
        glyphs, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void PageLaidOutInstantly(benchmark::State& state)
{
    int glyphs = GlyphsOnFirstPage(PageText);
    for (auto _ : state) {
        PageBreak = 0;
        BitmapFont_DrawLayout(5, 350, LayoutInstant, "%s", PageText.text);
        benchmark::DoNotOptimize(PageBreak);
    }
    SetTimePerGlyph(state, glyphs);
}
BENCHMARK(PageLaidOutInstantly);

void CommandEcho(benchmark::State& state, const char* line)
{
    for (auto _ : state) {
        BitmapFont_Draw(5, 350, "\n\n\n\n>%s", line);
        benchmark::ClobberMemory();
    }
    SetTimePerGlyph(state, GlyphsBefore(line, strlen(line)) + 1);
}
BENCHMARK_CAPTURE(CommandEcho, typical, TypicalCommand);

// Everything a key at the command line redraws before the next frame shows it.
void CommandLineRedraw(benchmark::State& state)
{
    SetBackdrop(LoadEmbeddedImage(LaboratoryPicture, LaboratoryPictureSize, "BMP"));
    for (auto _ : state) {
        SDL_FillRect(Screen, nullptr, 0);
        DrawBackdrop(RoomPictureRows);
        BitmapFont_DrawLayout(5, 350, LayoutInstant, "%s", PageText.text);
        BitmapFont_Draw(5, 350, "\n\n\n\n>%s", TypicalCommand);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(CommandLineRedraw)->Unit(benchmark::kMicrosecond);

void Normalize(benchmark::State& state, const std::string& typed)
{
    char line[CommandBufferSize];
    for (auto _ : state) {
        memcpy(line, typed.c_str(), typed.size() + 1);
        NormalizeCommand(line);
        benchmark::DoNotOptimize(line);
    }
    state.counters["chars"] = static_cast<double>(typed.size());
}
BENCHMARK_CAPTURE(Normalize, typical, std::string(TypicalCommand));
BENCHMARK_CAPTURE(Normalize, longest, LongestCommand());

// The picture half of a room entry: decode a 640x340 BMP, make it the Backdrop, draw it.
void RoomPictureDecodeAndDraw(benchmark::State& state)
{
    for (auto _ : state) {
        SetBackdrop(LoadEmbeddedImage(LaboratoryPicture, LaboratoryPictureSize, "BMP"));
        SDL_FillRect(Screen, nullptr, 0);
        DrawBackdrop(RoomPictureRows);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(RoomPictureDecodeAndDraw)->Unit(benchmark::kMicrosecond);

// A whole room entry as the turn loop makes it: picture and description.
void RoomEntry(benchmark::State& state)
{
    DogLoose = 0;
    for (auto _ : state) {
        NarrationBuffer[0] = '\0';
        Laboratory(nullptr);
        benchmark::ClobberMemory();
    }
    NarrationBuffer[0] = '\0';
}
BENCHMARK(RoomEntry)->Unit(benchmark::kMicrosecond);

// One frame on the dummy driver; the seam's virtual clock makes its pacing free.
void OnePresentFrame(benchmark::State& state)
{
    for (auto _ : state)
        PresentFrame();
}
BENCHMARK(OnePresentFrame);

// The font's start-up: decode the glyph sheet and build the glyph table from it.
void FontSheetLoad(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(
            BitmapFont_Load(LoadEmbeddedImage(FontSheet, FontSheetSize, "TGA")));
}
BENCHMARK(FontSheetLoad)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    seam::UseHeadlessVideo();
    seam::SetIdleLimit(0);  // frames here never wait for a key
    InitApplication();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
