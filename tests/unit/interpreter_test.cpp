// Normalisation of typed lines through the synonym table, and the common commands.
#include <cstring>
#include <string>

#include "console/console.h"
#include "interpreter/interpreter.h"
#include "tests/unit/game_fixture.h"

namespace {

// A command buffer followed by a guard that NormalizeCommand must never touch.
struct GuardedLine {
    static constexpr size_t GuardSize = 64;
    static constexpr char GuardByte = '#';
    char bytes[CommandBufferSize + GuardSize];

    explicit GuardedLine(const std::string& text)
    {
        memset(bytes, GuardByte, sizeof bytes);
        memcpy(bytes, text.c_str(), text.size() + 1);
    }
    std::string Normalized()
    {
        NormalizeCommand(bytes);
        return std::string(bytes, strnlen(bytes, CommandBufferSize));
    }
    bool GuardIntact() const
    {
        for (size_t i = CommandBufferSize; i < sizeof bytes; ++i) {
            if (bytes[i] != GuardByte) {
                return false;
            }
        }
        return true;
    }
};

std::string Repeat(const char* text, size_t times)
{
    std::string repeated;
    while (times-- > 0) {
        repeated += text;
    }
    return repeated;
}

std::string Normalize(const std::string& typed)
{
    GuardedLine line(typed);
    std::string result = line.Normalized();
    EXPECT_TRUE(line.GuardIntact()) << "\"" << typed << "\"";
    return result;
}

}  // namespace

TEST(NormalizeCommand, RewritesTypedLines)
{
    struct Case {
        const char* typed;
        const char* normalized;
    } cases[] = {
        {"   MIRAR   Rata", "EXAMINAR   RATA"},
        {"examinar animal", "EXAMINAR RATA"},
        {"animal animal", "RATA PERRO"},
        {"coger rata rata", "COGER RATA rata"},
        {"cogerrata", "cogerrata"},
        {"usar cinta en cables", "USAR cinta EN CABLE"},
        {"usar cable en cables", "USAR CABLE EN cables"},
        {"mirar entorno en mesa", "EXAMINAR SALA en MESA"},
        {"usar arma con animal", "USAR ESCOPETA EN RATA"},
        {"pinchar aguja al raton", "INYECTAR JERINGUILLA EN RATA"},
        {"meter digitos en ranura", "INTRODUCIR CODIGO EN ranura"},
        {"disparar arma en perro", "disparar ESCOPETA EN PERRO"},
        {"coger rata ", "COGER RATA "},
        {"inventario", "inventario"},
        {"", ""},
        {"     ", ""},
        {"\xD1" "ANDU", "\xD1" "andu"},                // only A to Z are lowered
        {"\xC9XITO @[`{", "\xC9xito @[`{"},            // nor the bytes around them
        {"Recojer roedor", "COGER RATA"},
        {"recojer animal", "COGER RATA"},
        {"\tmirar rata", "\tmirar RATA"},              // only the space is a leading space
        {"mirar\trata", "mirar\trata"},                // and only the space separates words
        {"rata,mirar", "rata,mirar"},
        {"x mirar", "x EXAMINAR"},
        {"mirarmirar mirar", "mirarmirar mirar"},      // the first occurrence alone is judged
        {"EXAMINAR", "EXAMINAR"},                      // lowered, then found as a synonym
        {"coger recojer", "coger COGER"},              // "recojer" is tried first
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Normalize(c.typed), c.normalized) << "typed \"" << c.typed << "\"";
    }
}

TEST(NormalizeCommand, NeverWritesPastTheCommandBuffer)
{
    struct Case {
        const char* what;
        std::string typed;
        std::string normalized;
    } cases[] = {
        {"every lengthening word, 492 characters: grows by 19 to fill the buffer",
         "mirar aguja arma pinchar meter " + std::string(492 - 31, 'x'),
         "EXAMINAR JERINGUILLA ESCOPETA INYECTAR INTRODUCIR " + std::string(492 - 31, 'x')},
        {"a replacement that exactly fits is made",
         "mirar " + std::string(502, 'x'), "EXAMINAR " + std::string(502, 'x')},
        {"a replacement one byte too long is not made",
         "MIRAR " + std::string(503, 'x'), "mirar " + std::string(503, 'x')},
        {"a group that does not fit leaves later groups their chance",
         "mirar rata " + std::string(499, 'x'), "mirar RATA " + std::string(499, 'x')},
        {"a full line of spaces empties", std::string(CommandBufferSize - 1, ' '), ""},
        {"a full line of capitals is lowered", std::string(CommandBufferSize - 1, 'Q'),
         std::string(CommandBufferSize - 1, 'q')},
        {"a full line of one synonym, too full to lengthen", Repeat("arma ", 102),
         Repeat("arma ", 102)},
    };
    for (const Case& c : cases) {
        ASSERT_LT(c.typed.size(), CommandBufferSize) << c.what;
        EXPECT_EQ(Normalize(c.typed), c.normalized) << c.what;
    }
}

TEST(NormalizeCommand, CutsABufferThatHasNoTerminator)
{
    GuardedLine line("");
    memset(line.bytes, 'A', CommandBufferSize);
    EXPECT_EQ(line.Normalized(), std::string(CommandBufferSize - 1, 'a'));
    EXPECT_TRUE(line.GuardIntact());
}

TEST(SynonymTable, HoldsFourteenWellFormedGroups)
{
    const char* canonical[] = {"EXAMINAR", "COGER", "USAR", "EN", "RATA", "PERRO", "MESA",
                               "SALA", "JERINGUILLA", "ESCOPETA", "INYECTAR", "INTRODUCIR",
                               "CODIGO", "CABLE"};
    size_t groups = 0;
    size_t growth = 0;  // the most one line can lengthen: each group's longest growth
    for (; SynonymTable[groups] != nullptr; ++groups) {
        ASSERT_LT(groups, 14u);
        const char* const* group = SynonymTable[groups];
        EXPECT_STREQ(group[0], canonical[groups]);
        size_t groupGrowth = 0;
        for (size_t i = 1; group[i] != nullptr; ++i) {
            // Lower-case letters only, or a canonical word could be matched again.
            EXPECT_EQ(strspn(group[i], "abcdefghijklmnopqrstuvwxyz"), strlen(group[i]))
                << group[i];
            if (strlen(group[0]) > strlen(group[i]) + groupGrowth) {
                groupGrowth = strlen(group[0]) - strlen(group[i]);
            }
        }
        growth += groupGrowth;
    }
    EXPECT_EQ(groups, 14u);
    // The command line's limit is what keeps every accepted line whole after normalising.
    EXPECT_EQ(growth, 19u);
    EXPECT_LE(CommandLineLimit + growth, CommandBufferSize - 1);
}

using CommonCommandsTest = GameTest;

// Narrate("...", "txt") appends to the NarrationBuffer; nothing else is narrated.
TEST_F(CommonCommandsTest, AnswersInventoryHelpOrRefusal)
{
    const char* inventory =
        "En tus bolsillos tienes un boligrafo, una billetera, cinta aislante, un paquete de "
        "ducados y un mechero.";
    const char* refusal = "No puedes hacer eso.";
    struct Case {
        const char* typed;  // normalised before it reaches CommonCommands, as a room does
        const char* answer;
    } cases[] = {
        {"inventario", inventory},
        {"INVENTARIO", inventory},
        {"   inventario", inventory},
        {"ayuda", "No hay ayuda que valga."},
        {"   Ayuda", "No hay ayuda que valga."},
        {"inventario ", refusal},
        {"ver inventario", refusal},
        {"ayuda por favor", refusal},
        {"COGER ESCOPETA", refusal},
        {"x", refusal},
        {"", ""},
        {"    ", ""},
    };
    for (const Case& c : cases) {
        char line[CommandBufferSize];
        snprintf(line, sizeof line, "%s", c.typed);
        NormalizeCommand(line);
        NarrationBuffer[0] = '\0';
        CommonCommands(line);
        EXPECT_STREQ(NarrationBuffer, c.answer) << "typed \"" << c.typed << "\"";
    }
    NarrationBuffer[0] = '\0';
}
