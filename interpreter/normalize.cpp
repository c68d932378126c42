// Command normalisation: leading spaces, lower case, and the synonym table.
#include <cstring>
#include <string_view>

#include "interpreter/interpreter.h"

#include "console/console.h"

namespace {

// Canonical word first, then the synonyms in the order they are tried.
// clang-format off
constexpr const char* Examine[] = {"EXAMINAR", "examinar", "mirar", "ojear", nullptr};
constexpr const char* Take[] = {"COGER", "recojer", "coger", nullptr};
constexpr const char* Use[] = {"USAR", "usar", "utilizar", nullptr};
constexpr const char* On[] = {"EN", "en", "con", "al", nullptr};
constexpr const char* Rat[] = {"RATA", "rata", "animal", "roedor", "raton", nullptr};
constexpr const char* Dog[] = {"PERRO", "perro", "animal", "doberman", nullptr};
constexpr const char* Desk[] = {"MESA", "mesa", "mueble", nullptr};
constexpr const char* Room[] = {"SALA", "sala", "habitacion", "entorno", "cuarto", "laboratorio", nullptr};
constexpr const char* Syringe[] = {"JERINGUILLA", "jeringuilla", "aguja", "inyeccion", "liquido", nullptr};
constexpr const char* Shotgun[] = {"ESCOPETA", "escopeta", "arma", "pistola", nullptr};
constexpr const char* Inject[] = {"INYECTAR", "inyectar", "pinchar", nullptr};
constexpr const char* Insert[] = {"INTRODUCIR", "introducir", "insertar", "meter", nullptr};
constexpr const char* Code[] = {"CODIGO", "codigo", "digitos", nullptr};
constexpr const char* Cable[] = {"CABLE", "cable", "cables", nullptr};
// clang-format on

// Drops the leading spaces and lowers A-Z only (Latin-1 capitals stay as typed).
// Returns the line's length.
size_t TrimAndLower(char* line)
{
    // A line that fills the whole buffer without its NUL is cut to the longest valid one.
    size_t length = strnlen(line, CommandBufferSize);
    if (length == CommandBufferSize) {
        length = CommandBufferSize - 1;
        line[length] = '\0';
    }
    size_t start = 0;
    while (line[start] == ' ') {
        ++start;
    }
    length -= start;
    memmove(line, line + start, length + 1);
    for (size_t i = 0; i < length; ++i) {
        if (line[i] >= 'A' && line[i] <= 'Z') {
            line[i] = static_cast<char>(line[i] - 'A' + 'a');
        }
    }
    return length;
}

// Start of the first occurrence of `word` when that occurrence is a whole word, else null.
char* FirstWholeWord(char* line, const char* word, size_t wordLength)
{
    char* found = strstr(line, word);
    if (found == nullptr) {
        return nullptr;
    }
    bool startsWord = found == line || found[-1] == ' ';
    char after = found[wordLength];
    bool endsWord = after == ' ' || after == '\0';
    return startsWord && endsWord ? found : nullptr;
}

// Replaces the `oldLength` bytes at `at` by `canonical` through the scratch area, unless
// the result would not fit the command buffer; then the line is left as it was.
// Returns the line's new length.
size_t Replace(char* line, size_t length, char* at, size_t oldLength, const char* canonical)
{
    size_t canonicalLength = strlen(canonical);
    size_t head = static_cast<size_t>(at - line);
    size_t rest = length - head - oldLength;
    size_t newLength = head + canonicalLength + rest;
    if (newLength >= CommandBufferSize) {
        return length;
    }
    // The tail is never longer than the whole line, so it fits the scratch area too.
    char scratch[CommandBufferSize];
    memcpy(scratch, canonical, canonicalLength);
    memcpy(scratch + canonicalLength, at + oldLength, rest + 1);
    memcpy(at, scratch, canonicalLength + rest + 1);
    return newLength;
}

}  // namespace

// The 14 groups in table order: an earlier group takes a word that two groups share.
// clang-format off
constexpr const char* const* SynonymTable[] = {
    Examine, Take, Use, On, Rat, Dog, Desk, Room, Syringe, Shotgun, Inject, Insert, Code, Cable,
    nullptr,
};
// clang-format on

// The most normalisation can lengthen a line: each group replaces at most one synonym, at
// worst its shortest one, by the canonical word.
constexpr size_t LongestGrowth()
{
    size_t growth = 0;
    for (const char* const* const* group = SynonymTable; *group; ++group) {
        const size_t canonical = std::string_view((*group)[0]).size();
        size_t most = 0;
        for (const char* const* word = *group + 1; *word; ++word) {
            const size_t length = std::string_view(*word).size();
            if (canonical > length && canonical - length > most)
                most = canonical - length;
        }
        growth += most;
    }
    return growth;
}

// Every line the command line accepts stays whole, with its NUL, after normalisation.
static_assert(CommandLineLimit + LongestGrowth() < CommandBufferSize,
              "a normalised line could outgrow the command buffer");

const size_t NormalizationGrowth = LongestGrowth();

void NormalizeCommand(char* line)
{
    size_t length = TrimAndLower(line);
    for (const char* const* const* group = SynonymTable; *group != nullptr; ++group) {
        const char* canonical = (*group)[0];
        for (const char* const* synonym = *group + 1; *synonym != nullptr; ++synonym) {
            size_t synonymLength = strlen(*synonym);
            char* found = FirstWholeWord(line, *synonym, synonymLength);
            if (found != nullptr) {
                // The first synonym that counts ends the group, even if it did not fit.
                length = Replace(line, length, found, synonymLength, canonical);
                break;
            }
        }
    }
}
