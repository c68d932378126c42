// Adventure script: the room protocol, the game flags and the four rooms.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// --- The game's texts: UTF-8 in the source, Latin-1 bytes at run time ("ñ" is 0xF1). ---

// A text converted while compiling, so that every compiler (GCC, clang, em++) gives the same
// bytes without a character-set flag. Used wherever a `const char*` is.
template <size_t N>
struct Latin1Text {
    char text[N] = {};
    constexpr operator const char*() const { return text; }
};

// Reached only by a character Latin-1 lacks; not constexpr, so such a text does not compile.
void TextNotLatin1();

template <size_t N>
constexpr Latin1Text<N> Latin1(const char (&utf8)[N])
{
    Latin1Text<N> out;
    size_t o = 0;
    for (size_t i = 0; i + 1 < N; ++i) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c == 0xC2 || c == 0xC3)  // U+0080 to U+00FF: two bytes in UTF-8
            out.text[o++] = static_cast<char>(((c & 0x03) << 6) | (utf8[++i] & 0x3F));
        else if (c >= 0x80)
            TextNotLatin1();
        else
            out.text[o++] = static_cast<char>(c);
    }
    return out;
}

extern "C" {

// A room: entered with a null line, or given a writable command line for a turn.
// Returns 1 when it has just written another room into CurrentRoom, 0 otherwise.
typedef int32_t (*RoomHandler)(char* command);

// The room the player is in. Set to Laboratory by the turn loop, then only by rooms.
extern RoomHandler CurrentRoom;

// The seven game flags, 0 or 1, all 0 at start; only the rooms' command branches set them.
extern int32_t RatInCorridor;
extern int32_t CorridorDark;
extern int32_t LighterLit;
extern int32_t DogLoose;
extern int32_t ShotgunTaken;
extern int32_t DogDead;
extern int32_t RatTaken;

// The four rooms. Called by the turn loop through CurrentRoom.
int32_t Laboratory(char* command);
int32_t Corridor(char* command);
int32_t ExitDoor(char* command);
int32_t RestRoom(char* command);

}  // extern "C"

// --- What the rooms share: their command tables and how they are run. ---

// A flag and the value a command needs it to hold.
struct FlagTest {
    int32_t* flag;
    int32_t value;
};

// A flag and the value a command gives it.
struct FlagSet {
    int32_t* flag;
    int32_t value;
};

// What a command does once it has narrated and set its flags.
enum class Then {
    Answer,       // the turn is over: return 0
    ConsumeLine,  // empty the line and go on down the table, so nothing else answers it
    Move,         // CurrentRoom = `to`, return 1
    Action,       // run `action` on the line, then return 0
};

// Matches every line, the empty one included. Told apart by its address: one array for the
// whole program (a literal per file may get an address of its own in every file).
inline constexpr char AnyLine[] = "\x01any";

// One row of a room's script, tried top to bottom; the first row whose tests hold and
// whose line matches acts, and its `then` says whether later rows may still act.
struct RoomCommand {
    std::array<const char*, 4> lines;  // normalised lines it answers (unused slots null)
    std::array<FlagTest, 2> when;      // every test with a flag must hold
    const char* text;                  // narrated first, when not null
    const char* kind;                  // "txt", or "gameover" for the death
    std::array<FlagSet, 2> sets;       // flags changed after the text
    Then then;
    RoomHandler to;                 // for Then::Move
    void (*action)(char* command);  // for Then::Action
};

// Decodes the room picture, makes it the Backdrop, draws it and narrates `text`.
// The entry of every room, with the room's picture and description.
void EnterRoom(const unsigned char* picture, uint32_t size, const char* text);

// A room's turn: normalises the line, runs the table, and hands a line nothing answered
// to the common commands. Returns the handler's result.
int32_t RunRoomCommands(char* command, const RoomCommand* table, size_t rows);

template <size_t N>
int32_t RunRoomCommands(char* command, const RoomCommand (&table)[N])
{
    return RunRoomCommands(command, table, N);
}
