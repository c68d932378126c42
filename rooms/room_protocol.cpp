// The room protocol: the game flags, room entry and running a room's command table.
#include "rooms/rooms.h"

#include <cstring>

#include "assets/assets.h"
#include "console/console.h"
#include "frame/frame.h"
#include "interpreter/interpreter.h"

RoomHandler CurrentRoom = nullptr;
int32_t RatInCorridor = 0;
int32_t CorridorDark = 0;
int32_t LighterLit = 0;
int32_t DogLoose = 0;
int32_t ShotgunTaken = 0;
int32_t DogDead = 0;
int32_t RatTaken = 0;

void EnterRoom(const unsigned char* picture, uint32_t size, const char* text)
{
    // Decoded afresh at every entry; the picture it replaces is released.
    SetBackdrop(LoadEmbeddedImage(picture, size, "BMP"));
    SDL_FillRect(Screen, nullptr, 0);
    DrawBackdrop(RoomPictureRows);
    Narrate(text, "txt");
}

namespace {

bool Holds(const RoomCommand& row)
{
    for (const FlagTest& test : row.when)
        if (test.flag && *test.flag != test.value)
            return false;
    return true;
}

// Whole-line, byte-for-byte comparison: no prefix, no trimming.
bool Matches(const RoomCommand& row, const char* line)
{
    for (const char* candidate : row.lines) {
        if (!candidate)
            return false;
        if (candidate == AnyLine || strcmp(candidate, line) == 0)
            return true;
    }
    return false;
}

}  // namespace

int32_t RunRoomCommands(char* command, const RoomCommand* table, size_t rows)
{
    NormalizeCommand(command);
    for (size_t i = 0; i < rows; ++i) {
        const RoomCommand& row = table[i];
        if (!Holds(row) || !Matches(row, command))
            continue;
        if (row.text)
            Narrate(row.text, row.kind);
        for (const FlagSet& set : row.sets)
            if (set.flag)
                *set.flag = set.value;
        switch (row.then) {
        case Then::Answer:
            return 0;
        case Then::ConsumeLine:
            command[0] = '\0';  // an empty line matches no later row and gets no refusal
            break;
        case Then::Move:
            CurrentRoom = row.to;
            return 1;
        case Then::Action:
            row.action(command);
            return 0;
        }
    }
    CommonCommands(command);
    return 0;
}
