// The game's Latin-1 as speech engines take it: each byte is the code point of its value.
#include "platforms/voice/voice.h"

std::string Utf8(const char* latin1)
{
    std::string out;
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(latin1); *c; ++c) {
        if (*c < 0x80) {
            out += static_cast<char>(*c);
        } else {
            out += static_cast<char>(0xC0 | (*c >> 6));
            out += static_cast<char>(0x80 | (*c & 0x3F));
        }
    }
    return out;
}

std::u16string Utf16(const char* latin1)
{
    std::u16string out;
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(latin1); *c; ++c)
        out += static_cast<char16_t>(*c);
    return out;
}
