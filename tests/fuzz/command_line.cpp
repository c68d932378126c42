// Fuzz target: the command line fed any sequence of key values, across several lines.
// Input: little-endian 16-bit key values, one key-down per frame. ReadCommandLine is called
// again after every Enter; a line the input leaves open is closed with an Enter. Each line
// must come back exactly as a plain model of the editor builds it, terminated inside the
// 512-byte buffer, with the narration emptied and no key left over, and must then survive
// normalisation in that same buffer.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "console/console.h"
#include "interpreter/interpreter.h"
#include "tests/fuzz/support/game.h"
#include "tests/seam/seam.h"

namespace {

constexpr uint16_t Enter = 13;
constexpr uint16_t Backspace = 8;

// The exit door's question, as it stands above the line while the code is typed.
const char Question[] = "\xBFque numeros deseas introducir?";

// What one call must return for `keys`, the keys of its frames without the closing Enter:
// the first frame's key is dropped (an Enter there would have closed the line at once),
// 32 to 254 are typed up to the limit, backspace takes the last character back.
std::string Expected(const std::vector<uint16_t>& keys)
{
    std::string line;
    for (size_t i = 1; i < keys.size(); ++i) {
        uint16_t key = keys[i];
        if (key >= 32 && key <= 254) {
            if (line.size() < CommandLineLimit)
                line += static_cast<char>(key);
        } else if (key == Backspace && !line.empty()) {
            line.pop_back();
        }
    }
    return line;
}

void Fail(const char* what, const std::string& want, const char* got)
{
    fprintf(stderr, "%s\n  want %zu bytes: %s\n  got: %s\n", what, want.size(), want.c_str(), got);
    abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::StartGame();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint16_t> keys;
    for (size_t i = 0; i + 1 < size; i += 2)
        keys.push_back(static_cast<uint16_t>(data[i] | data[i + 1] << 8));

    // Every key is one frame, and every line at most one closing Enter more.
    fuzz::NewRun(nullptr, 2 * keys.size() + 16);
    // Exactly the buffer's size on the heap; the bytes after the terminator are not NUL.
    char* line = static_cast<char*>(malloc(CommandBufferSize));

    size_t next = 0;
    do {
        // One call's frames: up to and including its Enter, or an Enter of our own.
        std::vector<uint16_t> call;
        while (next < keys.size()) {
            uint16_t key = keys[next++];
            call.push_back(key);
            if (key == Enter)
                break;
        }
        if (call.empty() || call.back() != Enter)
            call.push_back(Enter);
        for (uint16_t key : call)
            seam::QueueKey(key);
        call.pop_back();
        std::string want = Expected(call);

        memset(line, 'x', CommandBufferSize);
        NarrationBuffer[0] = '\0';
        AppendNarration(Question);
        ReadCommandLine(line);

        if (!memchr(line, '\0', CommandBufferSize))
            Fail("the line is not terminated inside its buffer", want, "");
        if (want != line)
            Fail("the line differs from the keys typed", want, line);
        if (NarrationBuffer[0] != '\0')
            Fail("the narration was not emptied", "", NarrationBuffer);
        if (seam::QueuedFrames() != 0)
            Fail("keys were left over after Enter", want, line);

        NormalizeCommand(line);
        if (!memchr(line, '\0', CommandBufferSize))
            Fail("normalisation left the line unterminated", want, "");
    } while (next < keys.size());

    free(line);
    return 0;
}
