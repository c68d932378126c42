// The voice's text as speech engines take it: the game's Latin-1 in UTF-8 (speech-dispatcher)
// and UTF-16 (SAPI), at the edges where one byte becomes two.
#include <gtest/gtest.h>

#include "platforms/voice/voice.h"

TEST(VoiceText, LatinOneAsEnginesTakeIt)
{
    struct Case {
        const char* utf8;
        const char16_t* utf16;
        const char* latin1;
    };
    const Case cases[] = {
        {"", u"", ""},
        {"~\x7f", u"~\x7f", "~\x7f"},                   // the last byte that stays one
        {"\u0080\u00a0", u"\u0080\u00a0", "\x80\xa0"},  // the first that become two
        {"¿¡ñÑ", u"¿¡ñÑ", "\xbf\xa1\xf1\xd1"},          // what Spanish adds
        {"Àÿ", u"Àÿ", "\xc0\xff"},                      // 0xC0 takes the second lead byte
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.utf8, Utf8(c.latin1)) << c.utf8;
        EXPECT_EQ(c.utf16, Utf16(c.latin1)) << c.utf8;
    }
}
