// Normalisation of typed lines through the synonym table, within the command buffer.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "console/console.h"
#include "interpreter/interpreter.h"

namespace {

// Normalises `typed` in a command buffer followed by a guard that must stay untouched;
// with `terminated` false, the buffer is filled to its last byte without a NUL.
std::string Normalize(const std::string& typed, bool terminated = true)
{
    char bytes[CommandBufferSize + 64];
    memset(bytes, '#', sizeof bytes);
    memcpy(bytes, typed.c_str(), terminated ? typed.size() + 1 : CommandBufferSize);
    NormalizeCommand(bytes);
    EXPECT_EQ(std::string(bytes + CommandBufferSize, 64), std::string(64, '#')) << typed;
    return std::string(bytes, strnlen(bytes, CommandBufferSize));
}

std::string Repeat(const std::string& text, size_t times)
{
    std::string repeated;
    while (times-- > 0)
        repeated += text;
    return repeated;
}

}  // namespace

TEST(NormalizeCommand, RewritesTypedLines)
{
    struct Case {
        const char* normalized;
        const char* typed;
    } cases[] = {
        {"EXAMINAR   RATA", "   MIRAR   Rata"},
        {"RATA PERRO", "animal animal"},         // a word two groups share
        {"COGER RATA rata", "coger rata rata"},  // one replacement a group
        {"cogerrata", "cogerrata"},
        {"USAR cinta EN CABLE", "usar cinta en cables"},
        {"USAR CABLE EN cables", "usar cable en cables"},
        {"EXAMINAR SALA en MESA", "mirar entorno en mesa"},
        {"INYECTAR JERINGUILLA EN RATA", "pinchar aguja al raton"},
        {"INTRODUCIR CODIGO EN ranura", "meter digitos en ranura"},
        {"COGER RATA ", "coger rata "},
        {"", "     "},
        {"\xD1"
         "andu",
         "\xD1"
         "ANDU"},  // only A to Z are lowered
        {"\xC9xito @[`{", "\xC9XITO @[`{"},
        {"\tmirar RATA", "\tmirar rata"},  // only the space is a leading space
        {"mirar\trata", "mirar\trata"},    // and only the space separates words
        {"rata,mirar", "rata,mirar"},
        {"x EXAMINAR", "x mirar"},
        {"mirarmirar mirar", "mirarmirar mirar"},  // the first occurrence alone is judged
        {"EXAMINAR", "EXAMINAR"},
        {"coger COGER", "coger recojer"},  // "recojer" is tried first
    };
    for (const Case& c : cases)
        EXPECT_EQ(Normalize(c.typed), c.normalized) << "typed \"" << c.typed << "\"";
}

TEST(NormalizeCommand, NeverWritesPastTheCommandBuffer)
{
    const std::string x(461, 'x');
    struct Case {
        std::string normalized;
        std::string typed;
        bool terminated;
    } cases[] = {
        // The longest accepted line, every lengthening word in it: the buffer is full.
        {"EXAMINAR JERINGUILLA ESCOPETA INYECTAR INTRODUCIR " + x,
         "mirar aguja arma pinchar meter " + x, true},
        {"EXAMINAR " + std::string(502, 'x'), "mirar " + std::string(502, 'x'), true},
        {"mirar " + std::string(503, 'x'), "MIRAR " + std::string(503, 'x'), true},  // too long
        {"mirar RATA " + std::string(499, 'x'), "mirar rata " + std::string(499, 'x'), true},
        {"", std::string(511, ' '), true},
        {Repeat("arma ", 102), Repeat("arma ", 102), true},
        {std::string(511, 'a'), std::string(512, 'A'), false},  // no terminator: cut
    };
    for (const Case& c : cases)
        EXPECT_EQ(Normalize(c.typed, c.terminated), c.normalized) << c.typed.substr(0, 20);
}
