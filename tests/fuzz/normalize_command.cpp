// Fuzz target: NormalizeCommand on any line the command buffer can hold, in a heap buffer
// of exactly its size whose bytes after the NUL are not NUL.
#include <cstdlib>
#include <cstring>

#include "interpreter/interpreter.h"
#include "tests/fuzz/harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size >= CommandBufferSize)
        return 0;
    char* line = static_cast<char*>(malloc(CommandBufferSize));
    memset(line, 'x', CommandBufferSize);
    memcpy(line, data, size);
    line[size] = '\0';
    size_t before = strlen(line);
    NormalizeCommand(line);
    size_t after = strnlen(line, CommandBufferSize);
    if (after == CommandBufferSize || line[0] == ' ' || after > before + NormalizationGrowth)
        fuzz::Fail("a line left unterminated, with a leading space, or grown too much");
    free(line);
    return 0;
}
