// Adventure script: the room protocol, the game flags and the four rooms.
#pragma once

#include <cstdint>

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

int32_t Laboratory(char* command);
int32_t Corridor(char* command);
int32_t ExitDoor(char* command);
int32_t RestRoom(char* command);

}  // extern "C"
