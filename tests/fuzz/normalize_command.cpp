// Fuzz target: NormalizeCommand on any line the command buffer can hold.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "interpreter/interpreter.h"

namespace {

// The most one call can lengthen a line, with every lengthening synonym replaced.
constexpr size_t MostGrowth = 19;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size >= CommandBufferSize) {
        return 0;
    }
    // Exactly the buffer's size on the heap, so that any write past it is caught; the bytes
    // after the terminator are not NUL, so reading past it changes the result.
    char* line = static_cast<char*>(malloc(CommandBufferSize));
    memset(line, 'x', CommandBufferSize);
    memcpy(line, data, size);
    line[size] = '\0';
    size_t before = strlen(line);

    NormalizeCommand(line);

    size_t after = strnlen(line, CommandBufferSize);
    if (after == CommandBufferSize || line[0] == ' ' || after > before + MostGrowth) {
        abort();
    }
    free(line);
    return 0;
}
