// Fuzz target: the command line fed any key values (little-endian 16 bits, one key a
// frame), across as many lines as the Enters make. Each line must come back as the keys
// typed it, inside the 512-byte buffer, with the narration emptied and no key left over.
#include <cstring>
#include <string>
#include <vector>

#include "console/console.h"
#include "frame/frame.h"
#include "interpreter/interpreter.h"
#include "tests/fuzz/harness.h"
#include "tests/seam/seam.h"

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
    fuzz::NewRun(nullptr, 2 * keys.size() + 16);
    char* line = static_cast<char*>(malloc(CommandBufferSize));  // exactly the buffer
    size_t next = 0;
    do {
        // One call's keys up to its Enter (one of ours when the input has none left); the
        // first frame's key is dropped, the others typed up to the limit or taken back.
        std::string want;
        for (bool first = true; next < keys.size() && keys[next] != KeyEnter; first = false) {
            uint16_t key = keys[next++];
            seam::QueueKey(key);
            if (!first && key >= KeySpace && key <= 254 && want.size() < CommandLineLimit)
                want += static_cast<char>(key);
            else if (!first && key == 8 && !want.empty())
                want.pop_back();
        }
        ++next;
        seam::QueueKey(KeyEnter);
        memset(line, 'x', CommandBufferSize);
        AppendNarration("\xBFque numeros deseas introducir?");
        ReadCommandLine(line);
        if (!memchr(line, '\0', CommandBufferSize) || want != line)
            fuzz::Fail("the line differs from the keys typed");
        if (NarrationBuffer[0] != '\0' || seam::QueuedFrames() != 0)
            fuzz::Fail("the narration was not emptied, or keys were left over");
        NormalizeCommand(line);
    } while (next < keys.size());
    free(line);
    return 0;
}
