// The voice's text as speech engines take it: the game's Latin-1 in UTF-8 (speech-dispatcher)
// and UTF-16 (SAPI).
#include <gtest/gtest.h>

#include "platforms/voice/voice.h"
#include "rooms/rooms.h"

namespace {

// The game's texts with every kind of letter it has beyond ASCII.
constexpr auto Question = Latin1("¿que numeros deseas introducir?");
constexpr auto Escape = Latin1("\"¿donde estoy? ¿que es este lugar? ¡debo escapar de aqui!\"");
constexpr auto Room = Latin1("En una pequeña sala rodeado de tubos y probetas.");
constexpr auto Accents = Latin1("Fin del primer capítulo. Continuará... Ñu, él, aún, sí, ópalo");
constexpr auto Edges = Latin1("~\u00a0\u00bf\u00c0\u00ff");

}  // namespace

TEST(VoiceText, GameTextsAsEnginesTakeThem)
{
    struct Case {
        const char* utf8;
        const char16_t* utf16;
        const char* latin1;
    };
    const Case cases[] = {
        {"¿que numeros deseas introducir?", u"¿que numeros deseas introducir?", Question},
        {"\"¿donde estoy? ¿que es este lugar? ¡debo escapar de aqui!\"",
         u"\"¿donde estoy? ¿que es este lugar? ¡debo escapar de aqui!\"", Escape},
        {"En una pequeña sala rodeado de tubos y probetas.",
         u"En una pequeña sala rodeado de tubos y probetas.", Room},
        {"Fin del primer capítulo. Continuará... Ñu, él, aún, sí, ópalo",
         u"Fin del primer capítulo. Continuará... Ñu, él, aún, sí, ópalo", Accents},
        {"~\u00a0¿Àÿ", u"~\u00a0¿Àÿ", Edges},
        {"", u"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.utf8, Utf8(c.latin1));
        EXPECT_EQ(c.utf16, Utf16(c.latin1));
    }
}
